// The three stored runs of a comparison as CSV files, one row per logged sample.
#pragma once

#include <string>

// Writes DIR/tocFree.csv, DIR/tocErr.csv and DIR/sotocErr.csv from the stored runs
// of robot `type`: a header line with the units, then rows 0..nStep of time [s],
// both joint displacements, tip x and y [m] and both joint torques (forces).
// Each file is written whole or not at all (files/outfile.h). Returns "" or one line
// telling what could not be written.
std::string writeruncsv(const std::string &dir, char type);
