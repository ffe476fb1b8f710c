// The picture of a Monte Carlo study: the empirical distribution functions of TOC's
// and SOTOC's positioning errors (log axis), the probability that SOTOC comes closer
// for each measure with its interval, and a tornado of the inputs' partial rank
// correlations with each controller's error. Draws from plain records.
#pragma once

#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "plots/page.h"

// A value with its 95 % interval; NaN for none.
struct IntervalValue {
    double value, lo, hi;  // [the quantity's unit]
};

// One input's bar pair of the tornado.
struct TornadoRow {
    std::string name;       // the input as typed (error, design-error:L2, ...)
    IntervalValue toc;      // its partial rank correlation with TOC's error [-1..1]
    IntervalValue sotoc;    // the same with SOTOC's
};

// What the picture shows. Written by the front end from a study's samples and summary.
struct StudyPicture {
    std::string title;                // the second title line: robot, samples, seed, sampling
    std::vector<double> tocErrors;    // TOC's positioning errors of the samples compared [m]
    std::vector<double> sotocErrors;  // SOTOC's [m]
    std::vector<std::string> measures;     // the measures of the win probabilities, top down
    std::vector<IntervalValue> closer;     // P(SOTOC closer) per measure [-]
    std::vector<TornadoRow> tornado;       // ranked, the largest first
};

// Draws the picture into the begun output and ends it. Fails, the output
// abandoned, when no sample was compared or the file cannot be written.
Outcome drawstudy(OutputFile &picture, const StudyPicture &study, const FigureOptions &o = {});
