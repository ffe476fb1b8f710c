// What the pictures share: the device by the file's extension, a page drawn into an
// output written whole, the colours, panels with their frames, the title of the
// settings and the legend.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "formats/titles.h"
#include "study/comparison.h"

// Colour map 0 entries as the pictures set them. TOC orange and SOTOC blue: a pair
// that stays apart in grey and under the common colour-vision deficiencies (its
// lines differ by style and marker too).
enum PlotColour { WHITE, BLACK, ORANGE, BLUE, GREY, LIGHTGREY, NCOLOURS };

// Page sizes of a journal [in]: one column, and the two columns of a page.
constexpr double ONECOLUMNWIDTH = 3.5, ONECOLUMNHEIGHT = 2.6;
constexpr double TWOCOLUMNWIDTH = 7.2, TWOCOLUMNHEIGHT = 4.5;
// Largest side of a page [in]: an A0 poster's long side, 46.8 in, and some room.
constexpr double MAXPAGESIDE = 50.0;
// Points per inch: the unit of the pages of SVG and PDF files.
constexpr double POINTSPERINCH = 72.0;
// Resolution of a PNG [pixels per inch]: what journals ask of line art at least.
constexpr double PNGDPI = 300.0;
// Most pixels of a PNG [-]: 40 million, a page of about 21 in square, which takes
// some 300 MB while drawn (the image and its rows for libpng); larger pages are
// for SVG and PDF.
constexpr double MAXPNGPIXELS = 40e6;

// What the command line chooses of a figure, and what its file records of how it
// was made. Written by the commands; read by the pictures and beginpage.
struct FigureOptions {
    double W = TWOCOLUMNWIDTH;   // page width [in]
    double H = TWOCOLUMNHEIGHT;  // page height [in]
    bool title = true;           // the title lines above the panels
    double t0 = NAN, t1 = NAN;   // time axis of a comparison's figure [s]; NaN: the motion and a margin
    std::string settings;        // the settings that made it, for the metadata ("" when not known)
    Measure measure = MEASUREERROR;  // the figure of the runs a sweep's or a map's picture draws
};

// A page in whole points, which PLplot's devices take.
struct PageSize {
    int w, h;  // [pt]
};

// Height of the text on the page a figure is laid out on [pt]: 8.5 pt, a journal's
// figure text, where the figure is drawn at its size.
constexpr double TEXTPOINTS = 8.5;
// PLplot's character height on that page [pt], the unit of its distances of text
// from a viewport and of the legends' spacing: the text's millimetres at 72 points
// to the inch, where its devices set the text at 96.
constexpr double CHARPOINTS = TEXTPOINTS * 72.0 / 96.0;
// Height of the text of a one-column figure on its paper [pt]: the legends' text, a
// little smaller, is still above the 7 pt journals ask for.
constexpr double ONECOLUMNTEXTPOINTS = 7.4;

// Share of the page width left free at each side of the title and the legend of a
// one-column figure.
constexpr double ONECOLUMNMARGIN = 0.02;

// Whether the paper is narrower than two columns: the figures then take their
// one-column layouts (panels stacked or side by side across the width, short legends
// under them in two columns, title lines broken to the width).
bool onecolumn(const FigureOptions &o);

// Scale of a figure on its paper [-]. 1 on paper at least two columns wide and high,
// where the panels, legend and 8.5 pt text of every figure fit; a wide paper less
// high gets the two-column figure laid out on a page of the paper's shape enlarged to
// that size and drawn on the paper scaled down by this, text and lines with it. A
// one-column figure is laid out on its paper enlarged so that its text is
// ONECOLUMNTEXTPOINTS on the paper.
double figurescale(const FigureOptions &o);

// The paper of the options, the page of the file, rounded to whole points.
PageSize papersize(const FigureOptions &o);

// The pixels of a PNG of paper `paper` [pt], at PNGDPI.
PageSize pngsize(PageSize paper);

// The page a figure is laid out on: the paper enlarged by 1 / figurescale, rounded
// to whole points.
PageSize pagesize(const FigureOptions &o);

// Width of the curves [PLplot line-width units, points on the page].
constexpr double CURVEWIDTH = 1.2;
// Height of the markers as a share of the text height.
constexpr double MARKSCALE = 0.55;
// Markers of TOC (a square) and SOTOC (a circle) on their curves; open circle: a
// SOTOC run that never reached its last phase.
const char *const MARKTOC = "■";
const char *const MARKSOTOC = "●";
const char *const MARKOPEN = "○";

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

// The format of a file name by its extension: "png", "svg" or "pdf"; "" when it has none of them.
std::string plotdevice(const std::string &path);

// Starts the page of the options on the begun output in the format its extension
// names: a PNG of PNGDPI, an SVG or a PDF, each of the page's size in points for
// PLplot. `title` names the figure in the metadata, beside the program's version and
// commit, the options' settings and, when SOURCE_DATE_EPOCH holds a time, that date.
// Fails, the output abandoned, when the extension is unknown or the output has no stream.
Outcome beginpage(OutputFile &picture, const FigureOptions &o, const std::string &title);

// What beginpage sets of PLplot: the colours (before its start), the text's size
// and the axes' digits (after it).
void setcolours();
void setpagetext();

// Ends the page and writes the file whole; fails when it could not be written.
Outcome endpage(OutputFile &picture);

// The date SOURCE_DATE_EPOCH names (seconds since 1970, UTC) as
// "YYYY-MM-DDThh:mm:ssZ", "" when it is unset or holds no such number: the files then
// carry no date, so that the same command writes the same bytes. A value that is no
// such number, from 0 to the end of the year 9999, is said once on standard error.
std::string sourcedate();

// Makes the panel the viewport and window and draws its grid and frame, with numbers
// on the left and, when `xnumbers`, below; `ylog` for a logarithmic value axis. With
// `spaced`, the page in points (one-column pages), the numbers are spaced to the
// panel's size, far enough apart not to touch; else PLplot spaces them by the range.
void drawpanel(const Panel &p, bool xnumbers, bool ylog, PageSize spaced = {0, 0});

// Room of an axis number on a one-column page [text heights]: up a value axis, and
// along an x axis (some four characters).
constexpr double YNUMBERPITCH = 1.6;
constexpr double XNUMBERPITCH = 3.0;

// A major tick spacing of the axis over `r`, 1, 2 or 5 times a power of ten, that
// puts at most one number on every `pitch` of its `length` (in any one unit); for a
// logarithmic axis, a whole number of decades.
double tickstep(Range r, double length, double pitch, bool log);

// Draws a polyline of world points in a colour, style and width.
void drawpolyline(const std::vector<double> &xs, const std::vector<double> &ys, PlotColour colour, int style,
                  double width);

// "reduction ratios u1 = 40, u2 = 40;  move (0.7, 0) m  to  (-0.3, 0.4) m".
std::string movetitle(const ComparisonSettings &s);

// Two title lines above the viewport, aligned with its left edge; the first larger.
void drawtitlelines(const Viewport &under, const std::string &first, const std::string &second);

// The lines of a title of two lines on the options' page: the two as they are on a
// two-column page; on a one-column page each broken, after a ";", ":" or ",", into
// lines that fit its width, the first line's larger.
std::vector<std::string> titlelines(const std::string &first, const std::string &second, const FigureOptions &o);
// Room the title lines take above the panels on the options' page [pt of the page a
// figure is laid out on].
double titlepoints(size_t lines);
// The title lines above the viewport, aligned with its left edge; the first larger
// and the others under it, the last TITLESECOND text heights above the viewport.
void drawtitlelines(const Viewport &under, const std::vector<std::string> &lines);

// The legend in the upper left of the viewport, framed, on white, its entries in
// `columns` columns filled row by row; `compact`: its rows closer, as on a
// one-column page.
void drawlegendbox(const Viewport &port, const std::vector<LegendEntry> &entries, int columns = 1,
                   bool compact = false);
// Height of a compact legend of `rows` rows, its frame included [pt of the page a
// figure is laid out on].
double compactlegendpoints(int rows);
