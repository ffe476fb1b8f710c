// Folder formats/: result JSON, result files read back, CSV runs; uses core/, study/, plots/, files/.
// Result files read back for a plot: JSON Lines of comparison results, as sweep and
// batch write them, from one run or the shards of one sweep in any order.
#pragma once

#include <string>
#include <vector>

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
