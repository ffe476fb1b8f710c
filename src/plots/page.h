// What the pictures share: the device by the file's extension, a page drawn into an
// output written whole, the colours, panels with their frames, the title of the
// settings and the legend.
#pragma once

#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "study/comparison.h"

// Colour map 0 entries as the pictures set them: TOC red and SOTOC blue, as in the window.
enum PlotColour { WHITE, BLACK, RED, BLUE, GREY, LIGHTGREY, DARKGREY, NCOLOURS };

// Width of the curves [PLplot line-width units, about px].
constexpr double CURVEWIDTH = 2.5;
// Height of the markers as a share of the text height.
constexpr double MARKSCALE = 0.55;
// Filled marker: compared sweep points, tips at the final time.
const char *const MARKFILLED = "●";

// Line styles of PLplot's pllsty.
constexpr int SOLID = 1;
constexpr int DASHED = 2;

struct Range {
    double lo, hi;
};

// A part of the page [shares of its width and height, from the lower left corner].
struct Viewport {
    double left, right, low, high;
};

// A panel: where it lies on the page and the world coordinates it shows.
struct Panel {
    Viewport port;
    Range x, y;  // world coordinates at the left and right, bottom and top edges
};

// One line of a legend; no line sample when style is 0, no symbol when symbol is "".
struct LegendEntry {
    std::string text;
    PlotColour colour;   // of the line sample and the symbol
    int style;           // pllsty line style, 0 for none
    double width;        // line width [PLplot units]
    const char *symbol;  // UTF-8 marker
    double scale;        // symbol height as a share of the text height
};

// The PLplot device for a file name by its extension, "" when there is none.
std::string plotdevice(const std::string &path);

// Starts a page of width x height (pixels of a PNG, points of an SVG or PDF) on the
// begun output, with the device its extension names. Fails, the output abandoned,
// when the extension is unknown or the output has no stream.
Outcome beginpage(OutputFile &picture, int width, int height);

// Ends the page and the output; fails when it could not be written.
Outcome endpage(OutputFile &picture);

// Makes the panel the viewport and window and draws its grid and frame, with numbers
// on the left and, when `xnumbers`, below; `ylog` for a logarithmic value axis.
void drawpanel(const Panel &p, bool xnumbers, bool ylog);

// Draws a polyline of world points in a colour, style and width.
void drawpolyline(const std::vector<double> &xs, const std::vector<double> &ys, PlotColour colour, int style,
                  double width);

// printf into a string.
std::string printed(const char *format, ...) __attribute__((format(printf, 1, 2)));

// "SCARA robot, vertical motion, elbow up" and the like.
std::string robottitle(const ComparisonSettings &s);
// "reduction ratios u1 = 40, u2 = 40;  move (0.7, 0) m  to  (-0.3, 0.4) m".
std::string movetitle(const ComparisonSettings &s);

// Two title lines above the viewport, aligned with its left edge; the first larger.
void drawtitlelines(const Viewport &under, const std::string &first, const std::string &second);

// The legend in the upper left of the viewport, framed, on white.
void drawlegendbox(const Viewport &port, const std::vector<LegendEntry> &entries);
