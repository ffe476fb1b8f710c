// The picture of a mass-error sweep: positioning error and final time of TOC (red)
// and SOTOC (blue) against the mass error, drawn with PLplot into a PNG, SVG or PDF
// file. Draws from plain records, so it knows nothing of how they were made.
#pragma once

#include <string>
#include <vector>

#include "plots/page.h"

// One comparison of a sweep. Written by the sweep or by the result-file reader;
// read by drawsweep.
struct SweepPoint {
    double error;        // mass error of the design [%]
    bool compared;       // both designs solved and the three runs made; the rest is unset otherwise
    double tocError;     // positioning error with the velocity term of TOC with the error [m]
    double sotocError;   // same of SOTOC with the error [m]
    double tocTf;        // final time of TOC with the error [s]
    double sotocTf;      // final time SOTOC reached, or the end of the run when it did not [s]
    bool sotocFinished;  // SOTOC reached its last phase
};

// What every point of a sweep shares. Written by the sweep or the result-file
// reader; read by drawsweep (title and reference line).
struct SweepSetup {
    ComparisonSettings settings;  // robot, motion, ratios, move, elbow; errRatio and tfNomBasis unused
    double tfFree;                // final time of error-free TOC [s]; NaN when it has no solution
};

// Draws the sweep into the begun output and ends it; the device follows the
// extension of its target: .png, .svg or .pdf. The points may come in any order.
// Returns false with a message, the output abandoned, when the extension is unknown,
// there are no points or the file cannot be written.
bool drawsweep(OutputFile &picture, const SweepSetup &setup, const std::vector<SweepPoint> &points,
               std::string &message);
