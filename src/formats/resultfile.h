// Folder formats/: result JSON, result files read back, CSV runs; uses records/, study/, settings/, plots/, atomicwrite/.
// Result files read back for a picture: JSON Lines of comparison results, as sweep,
// map and batch write them, from one run or the shards of one run in any order.
#pragma once

#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "records/outcome.h"
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
// setting along I or along J. Fails with "FILE:LINE: why" on a line that is no
// result object or has a figure a picture cannot draw, a sweep's line among a map's
// or the reverse, settings that vary along neither index or two along one, a map
// point read twice, and (unless mixedprograms) a line whose "program" (version and
// commit; none in lines of older programs) differs from the first line's, naming both.
Outcome readresults(const std::vector<std::string> &paths, bool mixedprograms, PlotSetup &setup,
                    std::vector<PlotPoint> &points);

// One result line as read: only what a picture needs of it. Written by
// readresultline; read by the recognition of the axes.
struct ResultLine {
    CompareRequest request;  // its settings
    bool map;                // it has a "map" key
    PlotPoint point;         // outcome, figures and grid indices; x and y set once the axes are known
    std::string program;     // "sotoc VERSION (commit COMMIT)" of its "program", "" without one
    size_t file;             // index of its source among the reading's names
    int line;                // its line number there, from 1
};

// Result lines read one at a time, from files or as a run writes them. Written by
// readresultline; read by plotreading.
struct ResultReading {
    std::vector<std::string> names;  // the sources, such as the files, in reading order
    std::vector<ResultLine> lines;   // the results read, in reading order
    bool mixedprograms = false;      // lines of different programs may be drawn together
};

// Reads `text`, line `number` of the reading's last source, as readresults reads a
// line: a blank line or a batch's bad-line object is skipped. Fails with the
// refusal "NAME:LINE: why" when it is no result a picture can draw.
Outcome readresultline(ResultReading &reading, const std::string &text, int number);

// Reads the result lines of the files (any order, as readresults) and draws their
// picture into the begun output, ending it: a sweep's or a one-axis map's as the sweep
// picture, a two-axis map's as the map picture. Returns false with the reader's or the
// drawing's message, the output abandoned, when the lines cannot be drawn or the file
// cannot be written.
bool plotresults(const std::vector<std::string> &paths, bool mixedprograms, OutputFile &picture,
                 std::string &message);

// The same for the results read one at a time.
bool plotreading(const ResultReading &reading, OutputFile &picture, std::string &message);
