// The pictures of comparison results drawn with PLplot into a PNG, SVG or PDF
// file: a sweep (or a map over one setting) as positioning errors and final times
// of TOC (orange, dashed, squares) and SOTOC (blue, solid, circles) against the varied setting; a map over two settings
// as heatmaps of both positioning errors and of which controller came closer. Draws
// from plain records, so it knows nothing of how they were made.
#pragma once

#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "formats/resultfile.h"
#include "plots/page.h"
#include "settings/settings.h"

// Draws the picture of the points into the begun output and ends it: the sweep
// picture without a y axis, the map picture with one. The device follows the
// extension of the target: .png, .svg or .pdf. The points may come in any order.
// Fails, the output abandoned, when the extension is unknown, there are no points
// or the file cannot be written.
Outcome drawplot(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                 const FigureOptions &o = {});

// Reads the result lines of the files (any order, as readresults: lines of different
// programs only when mixedprograms) and draws their picture into the begun output,
// ending it: a sweep's or a one-axis map's as the sweep picture, a two-axis map's as
// the map picture. Fails with the reader's or the drawing's message, the output
// abandoned, when the lines cannot be drawn or the file cannot be written.
Outcome plotresults(const std::vector<std::string> &paths, bool mixedprograms, OutputFile &picture,
                    const FigureOptions &o = {});

// The same for the result lines read one at a time (formats/resultfile.h).
Outcome plotreading(const ResultReading &reading, OutputFile &picture, const FigureOptions &o = {});

// The sweep picture's legend entry of the dashed line: the error-free final time
// the points share, or why there is none (a map none of whose points was in reach
// ran none).
std::string freetimelegend(const std::vector<PlotPoint> &points);

// The two pictures drawplot chooses from, with its contract.
Outcome drawsweep(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                  const FigureOptions &o = {});
Outcome drawmap(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                const FigureOptions &o = {});

// Where the three panels of a map picture lie (TOC's error, SOTOC's error, which
// came closer) and the axes' window they share.
struct MapFrame {
    double left[3], right[3];  // horizontal edges of each panel [share of the page width, from the left]
    double bottom, top;        // vertical edges of the panels [share of the page height, from the bottom]
    double xlo, xhi;           // x axis at the left and right edges [its unit]
    double ylo, yhi;           // y axis at the bottom and top edges [its unit]
};

// The frame of a two-axis map of the points (at least one) on the options' page;
// the workspace (axes of one point's coordinates) gets equal scales.
MapFrame mapframe(const PlotSetup &setup, const std::vector<PlotPoint> &points, const FigureOptions &o = {});

