// Folder formats/: result JSON, result files read back into plain records, CSV runs; uses records/, study/, settings/, atomicwrite/.
// Result files read back for a picture: JSON Lines of comparison results, as sweep,
// map and batch write them, from one run or the shards of one run in any order.
#pragma once

#include <string>
#include <vector>

#include "records/outcome.h"
#include "settings/request.h"
#include "settings/settings.h"

// How a point of a picture ended.
enum PointOutcome {
    POINTCOMPARED,    // both designs solved and the three runs made
    POINTNOSOLUTION,  // a switching-time design has no solution; no figures
    POINTNOTRUN,      // its settings could not run (a SCARA point out of reach); no figures
};

// One comparison of a sweep or a map. Written by the result-file reader; read by
// the pictures. The figures are set only for POINTCOMPARED.
struct PlotPoint {
    double x;            // value of the setting along the x axis [its unit]
    double y;            // value along the y axis of a two-axis map, else 0 [its unit]
    int i, j;            // grid indices along x and y of a map; 0 for a sweep
    PointOutcome outcome;
    double tocError;     // positioning error with the velocity term of TOC with the error [m]
    double sotocError;   // same of SOTOC with the error [m]
    double tocTf;        // final time of TOC with the error [s]
    double sotocTf;      // final time SOTOC reached, or the end of the run when it did not [s]
    bool sotocFinished;  // SOTOC reached its last phase
    double tfFree;       // final time of error-free TOC [s]; NaN when it has no solution or did not run
    bool noerrsolution;  // POINTNOSOLUTION: the design with the error had none (else the error-free design)
    bool otherstructure; // both designs solved, keeping trials of different starting signs of joint 2
    bool wideonly;       // a design was solved only by the wide search's further guesses
    double tocDesignedTip, sotocDesignedTip;  // tip's distance from the goal at the designed final time [m]; NaN beyond the span
    double tocEndTip, sotocEndTip;            // tip's distance from the goal at the end of the run [m]
    double tocSettling, sotocSettling;        // settling time [s]; NaN when the tip did not settle
};

// The figures of a run a picture can draw, named as the runs of a result name them.
enum Measure { MEASUREERROR, MEASUREDESIGNEDTIP, MEASUREENDTIP, MEASURESETTLING, MEASURETF, MEASURES };

// What a picture says of a measure. Constant; read by the pictures, the command line
// and the module.
struct MeasureRow {
    const char *name;     // its member in a run of a result ("runs.tocErr.NAME"), and --measure NAME
    const char *words;    // what it is, as an axis names it
    const char *scale;    // what it is, as the colour scale of a map names it
    const char *ratio;    // the title of a map's ratio of SOTOC's to TOC's value
    const char *better;   // the smaller value of the ratio: "closer", "sooner"
    const char *unit;     // "m" or "s"
    bool logscale;        // drawn over decades (distances); else on a linear scale (times)
};

const MeasureRow &measurerow(Measure m);

// The measure of that name; false when there is none.
bool measurenamed(const std::string &name, Measure &m);

// The names of the measures, "error, designedTipError, ...".
std::string measurenames();

// The measure's value of TOC (sotoc false) or SOTOC with the error at a compared
// point; NaN when the run has none (no designed final time within the span, no settling).
double measureof(const PlotPoint &p, Measure m, bool sotoc);

// What every point of a picture shares. Written by the result-file reader; read by
// the pictures (title, axes, the workspace of a map over one point's coordinates).
struct PlotSetup {
    CompareRequest request;  // settings of a point: those not along an axis are every point's
    bool map;                // the results are a map's (grid indices), not a sweep's
    PlotAxis xaxis;          // setting along the x axis
    PlotAxis yaxis;          // setting along the y axis; AXISNONE for a sweep or a one-axis map
    double reachInner;       // smallest distance from the base the arm of the settings reaches (armreach) [m]
    double reachOuter;       // largest distance [m]; infinite for the cylindrical robot
};

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
// readresultline; read by finishreading.
struct ResultReading {
    std::vector<std::string> names;  // the sources as messages name them (escaped), in reading order
    std::vector<ResultLine> lines;   // the results read, in reading order
    bool mixedprograms = false;      // lines of different programs may be drawn together
};

// Reads `text`, line `number` of the reading's last source, as readresults reads a
// line: a blank line or a batch's bad-line object is skipped. Fails with the
// refusal "NAME:LINE: why" when it is no result a picture can draw.
Outcome readresultline(ResultReading &reading, const std::string &text, int number);

// The setup and the points of the lines read, as readresults gives them; fails with
// the refusal when there are none or they make no picture.
Outcome finishreading(const ResultReading &reading, PlotSetup &setup, std::vector<PlotPoint> &points);
