#include "plots/plot.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Size of the page: pixels of a PNG, points of an SVG or PDF. At 1200 x 900 both
// panels, the legend and 16-pixel text fit a screen at 100 % zoom.
constexpr int PAGEWIDTH = 1200;
constexpr int PAGEHEIGHT = 900;
// Character height [mm] of PLplot's text; at the cairo devices' 90 dpi, about 16 px.
constexpr double TEXTHEIGHT = 4.5;
// Width of the curves and of the reference line [PLplot line-width units, about px].
constexpr double CURVEWIDTH = 2.5;
// Share of the error span left free at each side of the error axis.
constexpr double ERRORMARGIN = 0.02;
// Half width of the error axis around a sweep of one point [%].
constexpr double SINGLEPOINTMARGIN = 1.0;
// Room above the highest final time, as a share of it.
constexpr double TIMEHEADROOM = 0.12;
// Decades shown when no positioning error is positive (none compared).
constexpr double EMPTYLOGLO = -3.0;
constexpr double EMPTYLOGHI = 0.0;

// Colour map 0 entries as this plot sets them.
enum PlotColour { WHITE, BLACK, RED, BLUE, GREY, LIGHTGREY, NCOLOURS };

// Viewports of the two panels and the legend's column [share of the page].
constexpr double PANELLEFT = 0.08, PANELRIGHT = 0.70;
constexpr double LEGENDLEFT = 0.72, LEGENDRIGHT = 0.99;
constexpr double TOPPANELLOW = 0.53, TOPPANELHIGH = 0.88;
constexpr double LOWPANELLOW = 0.09, LOWPANELHIGH = 0.47;

// Height of the first title line as a share of the text height.
constexpr double TITLESCALE = 1.3;
// Height of the markers as a share of the text height.
constexpr double MARKSCALE = 0.55;
// Height of the no-solution marks' centre above the error axis [share of the panel].
constexpr double NOSOLUTIONLIFT = 0.025;
// Markers: compared points, SOTOC runs that never reached their last phase, and
// errors without a solution (drawn on the error axis).
const char *const MARKFILLED = "●";
const char *const MARKOPEN = "○";
const char *const MARKNOSOLUTION = "▲";

struct Range {
    double lo, hi;
};

void setcolours() {
    const int rgb[NCOLOURS][3] = {{255, 255, 255}, {0, 0, 0},     {255, 0, 0},
                                  {0, 0, 255},     {110, 110, 110}, {215, 215, 215}};
    for (int c = 0; c < NCOLOURS; ++c) plscol0(c, rgb[c][0], rgb[c][1], rgb[c][2]);
}

Range errorrange(const std::vector<SweepPoint> &p) {
    const double lo = p.front().error, hi = p.back().error;
    const double pad = hi > lo ? ERRORMARGIN * (hi - lo) : SINGLEPOINTMARGIN;
    return {lo - pad, hi + pad};
}

// Whole decades around every positive positioning error [log10 m].
Range logrange(const std::vector<SweepPoint> &p) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const SweepPoint &s : p) {
        if (!s.compared) continue;
        for (double e : {s.tocError, s.sotocError})
            if (e > 0.0 && std::isfinite(e)) {
                lo = std::min(lo, std::log10(e));
                hi = std::max(hi, std::log10(e));
            }
    }
    if (lo > hi) return {EMPTYLOGLO, EMPTYLOGHI};
    lo = std::floor(lo);
    hi = std::ceil(hi);
    return {lo, hi > lo ? hi : lo + 1.0};  // at least one decade
}

// From zero to above the longest final time [s].
Range timerange(const std::vector<SweepPoint> &p, double tfFree) {
    double hi = std::isfinite(tfFree) ? tfFree : 0.0;
    for (const SweepPoint &s : p)
        if (s.compared) hi = std::max({hi, s.tocTf, s.sotocTf});
    return {0.0, hi > 0.0 ? (1.0 + TIMEHEADROOM) * hi : 1.0};
}

// A panel's frame, grid and numbers; `xnumbers` puts the error numbers under it.
void drawframe(double low, double high, Range x, Range y, bool ylog, bool xnumbers) {
    plvpor(PANELLEFT, PANELRIGHT, low, high);
    plwind(x.lo, x.hi, y.lo, y.hi);
    plwidth(1.0);
    plcol0(LIGHTGREY);
    plbox("g", 0.0, 0, ylog ? "gl" : "g", 0.0, 0);
    plcol0(BLACK);
    plbox(xnumbers ? "bcnst" : "bcst", 0.0, 0, ylog ? "bcnstlv" : "bcnstv", 0.0, 0);
}

// One curve of `value` over the compared points, broken where a point has no
// solution, with a marker at every point: `finished` picks filled or open.
template <class Value, class Finished>
void drawcurve(const std::vector<SweepPoint> &p, PlotColour colour, Value value, Finished finished) {
    plcol0(colour);
    plwidth(CURVEWIDTH);
    plschr(0.0, MARKSCALE);
    std::vector<PLFLT> xs, ys;
    auto flush = [&]() {
        if (xs.size() > 1) plline(static_cast<PLINT>(xs.size()), xs.data(), ys.data());
        xs.clear();
        ys.clear();
    };
    for (const SweepPoint &s : p) {
        if (!s.compared) {
            flush();
            continue;
        }
        const double v = value(s);
        xs.push_back(s.error);
        ys.push_back(v);
        plstring(1, &xs.back(), &ys.back(), finished(s) ? MARKFILLED : MARKOPEN);
    }
    flush();
    plschr(0.0, 1.0);
}

// Whether a run reached its last phase: TOC always does (it is clock-driven).
bool tocfinished(const SweepPoint &) { return true; }
bool sotocfinished(const SweepPoint &s) { return s.sotocFinished; }

// Errors without a solution, marked standing on the error axis of the panel.
void drawnosolution(const std::vector<SweepPoint> &p, Range y) {
    plcol0(GREY);
    for (const SweepPoint &s : p)
        if (!s.compared) {
            const PLFLT x = s.error, at = y.lo + NOSOLUTIONLIFT * (y.hi - y.lo);
            plstring(1, &x, &at, MARKNOSOLUTION);
        }
}

// Positioning errors on a log scale: they run from millimetres to the tens of
// metres of a SOTOC run that never reached its last phase.
void drawerrorpanel(const std::vector<SweepPoint> &p, Range x) {
    const Range y = logrange(p);
    drawframe(TOPPANELLOW, TOPPANELHIGH, x, y, true, false);
    // Exact zeros have no logarithm: they sit on the panel's floor.
    auto logof = [&](double e) { return e > 0.0 ? std::max(std::log10(e), y.lo) : y.lo; };
    drawcurve(p, RED, [&](const SweepPoint &s) { return logof(s.tocError); }, tocfinished);
    drawcurve(p, BLUE, [&](const SweepPoint &s) { return logof(s.sotocError); }, sotocfinished);
    drawnosolution(p, y);
    plcol0(BLACK);
    plmtex("l", 5.0, 0.5, 0.5, "positioning error with velocity term [m]");
}

void drawreference(Range x, double tfFree) {
    if (!std::isfinite(tfFree)) return;
    const PLFLT xs[2] = {x.lo, x.hi}, ys[2] = {tfFree, tfFree};
    plcol0(BLACK);
    plwidth(CURVEWIDTH);
    pllsty(2);
    plline(2, xs, ys);
    pllsty(1);
}

// Final times on a linear scale: they stay within one order of magnitude.
void drawtimepanel(const std::vector<SweepPoint> &p, Range x, double tfFree) {
    const Range y = timerange(p, tfFree);
    drawframe(LOWPANELLOW, LOWPANELHIGH, x, y, false, true);
    drawreference(x, tfFree);
    drawcurve(p, RED, [](const SweepPoint &s) { return s.tocTf; }, tocfinished);
    drawcurve(p, BLUE, [](const SweepPoint &s) { return s.sotocTf; }, sotocfinished);
    drawnosolution(p, y);
    plcol0(BLACK);
    plmtex("l", 5.0, 0.5, 0.5, "final time [s]");
    plmtex("b", 3.0, 0.5, 0.5, "mass error of the design [%]");
}

std::string format(const char *fmt, double a, double b = 0.0, double c = 0.0, double d = 0.0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, a, b, c, d);
    return buf;
}

// Robot, motion and elbow; then the ratios and the move.
void drawtitle(const ComparisonSettings &s) {
    std::string robot = s.type == ROBOTSCARA ? "SCARA robot" : "Cylindrical-coordinate robot";
    robot += s.sgnG == MOTIONVERTICAL ? ", vertical motion" : ", horizontal motion";
    if (s.type == ROBOTSCARA) robot += s.elbow == ELBOWDOWN ? ", elbow down" : ", elbow up";
    const std::string move = format("reduction ratios u1 = %g, u2 = %g", s.u1, s.u2) +
                              format(";  move (%g, %g) m  to  (%g, %g) m", s.x0, s.y0, s.xf, s.yf);
    plvpor(PANELLEFT, PANELRIGHT, TOPPANELLOW, TOPPANELHIGH);
    plcol0(BLACK);
    plschr(0.0, TITLESCALE);
    plmtex("t", 3.2, 0.0, 0.0, ("Mass-error sweep: " + robot).c_str());
    plschr(0.0, 1.0);
    plmtex("t", 1.5, 0.0, 0.0, move.c_str());
}

// The legend right of the panels, with the counts of the marked points.
void drawlegend(const std::vector<SweepPoint> &p, double tfFree) {
    int unfinished = 0, unsolved = 0;
    for (const SweepPoint &s : p) {
        if (!s.compared)
            ++unsolved;
        else if (!s.sotocFinished)
            ++unfinished;
    }
    const std::string texts[5] = {
        "TOC (designed with the error)",
        "SOTOC (designed with the error)",
        "SOTOC, last phase not reached: " + std::to_string(unfinished),
        std::isfinite(tfFree) ? format("error-free TOC final time %.4f s", tfFree) : "error-free TOC: no solution",
        "no solution: " + std::to_string(unsolved) + " of " + std::to_string(p.size()) + " errors",
    };
    const char *text[5], *symbols[5] = {MARKFILLED, MARKFILLED, MARKOPEN, "", MARKNOSOLUTION};
    for (int i = 0; i < 5; ++i) text[i] = texts[i].c_str();
    const PLINT opt[5] = {PL_LEGEND_LINE | PL_LEGEND_SYMBOL, PL_LEGEND_LINE | PL_LEGEND_SYMBOL, PL_LEGEND_SYMBOL,
                          PL_LEGEND_LINE, PL_LEGEND_SYMBOL};
    const PLINT textcolours[5] = {BLACK, BLACK, BLACK, BLACK, BLACK};
    const PLINT colours[5] = {RED, BLUE, BLUE, BLACK, GREY};
    const PLINT styles[5] = {1, 1, 1, 2, 1};
    const PLFLT widths[5] = {CURVEWIDTH, CURVEWIDTH, CURVEWIDTH, CURVEWIDTH, CURVEWIDTH};
    const PLFLT scales[5] = {MARKSCALE, MARKSCALE, MARKSCALE, MARKSCALE, 1.0};
    const PLINT numbers[5] = {1, 1, 1, 1, 1};
    PLFLT width, height;
    plvpor(LEGENDLEFT, LEGENDRIGHT, LOWPANELLOW, TOPPANELHIGH);
    plwind(0.0, 1.0, 0.0, 1.0);
    pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
             PL_POSITION_INSIDE | PL_POSITION_LEFT | PL_POSITION_TOP, 0.0, 0.0, 0.1, WHITE, BLACK, 1, 5, 1, 5,
             opt, 0.8, 0.8, 2.2, 0.0, textcolours, text, nullptr, nullptr, nullptr, nullptr, colours, styles,
             widths, colours, scales, numbers, symbols);
}

}  // namespace

std::string plotdevice(const std::string &path) {
    const size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    if (ext == ".png") return "pngcairo";
    if (ext == ".svg") return "svgcairo";
    if (ext == ".pdf") return "pdfcairo";
    return "";
}

bool drawsweep(OutputFile &picture, const SweepSetup &setup, const std::vector<SweepPoint> &points,
               std::string &message) {
    const std::string device = plotdevice(picture.target);
    std::FILE *f = nullptr;
    if (device.empty())
        message = "cannot tell the picture format of \"" + picture.target + "\": use .png, .svg or .pdf";
    else if (points.empty())
        message = "no results to plot";
    else if ((f = outputstream(picture)) == nullptr)
        message = outputproblem(picture);
    if (f == nullptr) {
        abandonoutput(picture);
        return false;
    }
    std::vector<SweepPoint> p = points;
    std::stable_sort(p.begin(), p.end(), [](const SweepPoint &a, const SweepPoint &b) { return a.error < b.error; });

    plsdev(device.c_str());
    plsfile(f);  // PLplot closes it at plend
    plspage(0.0, 0.0, PAGEWIDTH, PAGEHEIGHT, 0, 0);
    setcolours();
    plinit();
    pladv(0);
    plschr(TEXTHEIGHT, 1.0);
    const Range x = errorrange(p);
    drawtitle(setup.settings);
    drawerrorpanel(p, x);
    drawtimepanel(p, x, setup.tfFree);
    drawlegend(p, setup.tfFree);
    plend();
    if (commitoutput(picture)) return true;
    message = outputproblem(picture);
    return false;
}
