// Folder formats/: result JSON, result files read back, CSV runs; uses core/, study/, plots/, files/.
// Result files read back for a plot: JSON Lines of comparison results, as sweep and
// batch write them, from one run or the shards of one sweep in any order.
#pragma once

#include <string>
#include <vector>

#include "files/outfile.h"
#include "plots/plot.h"

// Reads every line of the files into points (in file order) and their shared
// settings into setup; the settings are checked as a batch line's are, so
// initialset must have run. Empty lines and a batch's bad-line objects are skipped.
// Refuses, with "FILE:LINE: why", a line that is no result object, and results
// whose settings other than the mass error differ from the first one's.
bool readresults(const std::vector<std::string> &paths, SweepSetup &setup, std::vector<SweepPoint> &points,
                 std::string &message);

// The same for result lines held in `text` (a sweep's own output).
bool readresulttext(const std::string &text, SweepSetup &setup, std::vector<SweepPoint> &points,
                    std::string &message);

// Reads the result lines of the files (any order) and draws their picture into the
// begun output, ending it. Returns false with the reader's or the drawing's message,
// the output abandoned, when the lines cannot be drawn or the file cannot be written.
bool plotresults(const std::vector<std::string> &paths, OutputFile &picture, std::string &message);

// The same for result lines held in `text` (the output of a sweep or a map).
bool plotresulttext(const std::string &text, OutputFile &picture, std::string &message);
