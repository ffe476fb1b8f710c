// The three stored runs of a comparison as rows of numbers and as CSV files, one
// row per logged sample.
#pragma once

#include <string>

#include "records/outcome.h"
#include "records/records.h"

// Columns of a row: time [s], both joint displacements (cylindrical: theta [rad],
// r [m]; SCARA: [rad], [rad]), tip x and y [m] and both joint torques (cylindrical
// joint 2: force [N]) [N m].
constexpr int RUNCOLUMNS = 7;

// Stored run k of robot `type`, in the order of RUNNAMES: error-free TOC, TOC with
// the mass error, SOTOC with the mass error.
const RunLog &storedrun(char type, int k);

// Row i (0..nStep) of `run`, the values of its columns.
void runrow(const RunLog &run, int i, double row[RUNCOLUMNS]);

// Writes DIR/tocFree.csv, DIR/tocErr.csv and DIR/sotocErr.csv from the stored runs
// of robot `type`: a comment line "# sotoc VERSION (commit COMMIT)" naming the program
// that wrote them, a header line with the units, then rows 0..nStep. Each file is
// written whole or not at all (atomicwrite/outfile.h). Fails with one line telling
// what could not be written.
Outcome writeruncsv(const std::string &dir, char type);
