// Folder formats/: result JSON, result files read back, CSV runs; uses core/, study/, plots/, files/.
// Result files read back for a picture: JSON Lines of comparison results, as sweep,
// map and batch write them, from one run or the shards of one run in any order.
#pragma once

#include <string>
#include <vector>

#include "files/outfile.h"
#include "plots/plot.h"

// Largest grid index of a map a picture takes: far more points along an axis than
// any map runs, and few enough that counts of cells stay exact.
constexpr int MAXMAPINDEX = 10000000;

// Reads every line of the files into points (in file order) and what they share into
// setup. The settings are checked as a batch line's are (a point that could not run
// needs no reach), so initialset must have run. Blank lines and a batch's bad-line
// objects are skipped. Lines without a "map" key are a sweep's: only their mass
// errors may differ. Lines with one, {"i": I, "j": J} (J null or left out along one
// axis), are a map's: the settings that differ between them are its axes, each a
// setting along I or along J. Refuses, with "FILE:LINE: why", a line that is no
// result object or has a figure a picture cannot draw, a sweep's line among a map's
// or the reverse, settings that vary along neither index or two along one, and a
// map point read twice.
bool readresults(const std::vector<std::string> &paths, PlotSetup &setup, std::vector<PlotPoint> &points,
                 std::string &message);

// The same for result lines held in `text` (named "results" in messages).
bool readresulttext(const std::string &text, PlotSetup &setup, std::vector<PlotPoint> &points,
                    std::string &message);

// Reads the result lines of the files (any order) and draws their picture into the
// begun output, ending it: a sweep's or a one-axis map's as the sweep picture, a
// two-axis map's as the map picture. Returns false with the reader's or the
// drawing's message, the output abandoned, when the lines cannot be drawn or the
// file cannot be written.
bool plotresults(const std::vector<std::string> &paths, OutputFile &picture, std::string &message);

// The same for result lines held in `text` (the output of a sweep or a map).
bool plotresulttext(const std::string &text, OutputFile &picture, std::string &message);
