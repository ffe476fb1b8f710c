// What the sweep and map pictures share: the page, the colours of colour map 0,
// the range of the positioning errors and the title.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "plots/plot.h"

// Character height [mm] of PLplot's text; at the cairo devices' 90 dpi, about 16 px.
constexpr double TEXTHEIGHT = 4.5;
// Height of the first title line as a share of the text height.
constexpr double TITLESCALE = 1.3;

// Colour map 0 entries as the pictures set them.
enum PlotColour { WHITE, BLACK, RED, BLUE, GREY, LIGHTGREY, DARKGREY, NCOLOURS };

struct Range {
    double lo, hi;
};

// Whole decades around every positive positioning error of the compared points
// [log10 m]; at least one decade. `unfinished`: also SOTOC's of runs that never
// reached their last phase.
Range logrange(const std::vector<PlotPoint> &p, bool unfinished);

// Begins a page of width x height (pixels, or points of a vector file) on the
// output, drawn in the device its extension names. False with a message, the
// output abandoned, when the extension is unknown, there are no points or the
// output cannot be streamed.
bool beginpage(OutputFile &picture, const std::vector<PlotPoint> &points, int width, int height,
               std::string &message);

// Ends the page and commits the output; false with a message when it failed.
bool endpage(OutputFile &picture, std::string &message);

// printf into a string, for the lettering.
std::string format(const char *fmt, double a, double b = 0.0, double c = 0.0, double d = 0.0);

// The two title lines above the viewport [left, right] x [low, high]: `kind` and
// robot, motion and elbow; then the settings no axis varies.
void drawtitle(const PlotSetup &setup, const std::string &kind, double left, double right, double low,
               double high);

// Counts of the points that ended as `o`.
int countoutcome(const std::vector<PlotPoint> &p, PointOutcome o);
