#include "plots/plot.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>

#include "plots/plotparts.h"

namespace {

// Size of the page: pixels of a PNG, points of an SVG or PDF. At 1200 x 900 both
// panels, the legend and 16-pixel text fit a screen at 100 % zoom.
constexpr int PAGEWIDTH = 1200;
constexpr int PAGEHEIGHT = 900;
// Width of the curves and of the reference line [PLplot line-width units, about px].
constexpr double CURVEWIDTH = 2.5;
// Share of the x span left free at each side of the x axis.
constexpr double XMARGIN = 0.02;
// Half width of the x axis around a sweep of one point [the axis's unit].
constexpr double SINGLEPOINTMARGIN = 1.0;
// Room above the highest final time, as a share of it.
constexpr double TIMEHEADROOM = 0.12;

// Viewports of the two panels and the legend's column [share of the page].
constexpr double PANELLEFT = 0.08, PANELRIGHT = 0.70;
constexpr double LEGENDLEFT = 0.72, LEGENDRIGHT = 0.99;
constexpr double TOPPANELLOW = 0.53, TOPPANELHIGH = 0.88;
constexpr double LOWPANELLOW = 0.09, LOWPANELHIGH = 0.47;

// Height of the markers as a share of the text height.
constexpr double MARKSCALE = 0.55;
// Height of the marks of points without figures, centred this high above the x
// axis [share of the panel].
constexpr double NOFIGURESLIFT = 0.025;
// Markers: compared points, SOTOC runs that never reached their last phase, points
// without a switching-time solution and points that could not run (the last two
// drawn on the x axis).
const char *const MARKFILLED = "●";
const char *const MARKOPEN = "○";
const char *const MARKNOSOLUTION = "▲";
const char *const MARKNOTRUN = "◆";

Range xrange(const std::vector<PlotPoint> &p) {
    const double lo = p.front().x, hi = p.back().x;
    const double pad = hi > lo ? XMARGIN * (hi - lo) : SINGLEPOINTMARGIN;
    return {lo - pad, hi + pad};
}

// From zero to above the longest final time [s].
Range timerange(const std::vector<PlotPoint> &p) {
    double hi = 0.0;
    for (const PlotPoint &s : p) {
        if (std::isfinite(s.tfFree)) hi = std::max(hi, s.tfFree);
        if (s.outcome == POINTCOMPARED) hi = std::max({hi, s.tocTf, s.sotocTf});
    }
    return {0.0, hi > 0.0 ? (1.0 + TIMEHEADROOM) * hi : 1.0};
}

// A panel's frame, grid and numbers; `xnumbers` puts the x axis's numbers under it.
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
// figures, with a marker at every point: `finished` picks filled or open.
template <class Value, class Finished>
void drawcurve(const std::vector<PlotPoint> &p, PlotColour colour, Value value, Finished finished) {
    plcol0(colour);
    plwidth(CURVEWIDTH);
    plschr(0.0, MARKSCALE);
    std::vector<PLFLT> xs, ys;
    auto flush = [&]() {
        if (xs.size() > 1) plline(static_cast<PLINT>(xs.size()), xs.data(), ys.data());
        xs.clear();
        ys.clear();
    };
    for (const PlotPoint &s : p) {
        if (s.outcome != POINTCOMPARED) {
            flush();
            continue;
        }
        const double v = value(s);
        xs.push_back(s.x);
        ys.push_back(v);
        plstring(1, &xs.back(), &ys.back(), finished(s) ? MARKFILLED : MARKOPEN);
    }
    flush();
    plschr(0.0, 1.0);
}

// Whether a run reached its last phase: TOC always does (it is clock-driven).
bool tocfinished(const PlotPoint &) { return true; }
bool sotocfinished(const PlotPoint &s) { return s.sotocFinished; }

// Points without figures, marked standing on the x axis of the panel: grey
// triangles without a solution, black diamonds that could not run.
void drawnofigures(const std::vector<PlotPoint> &p, Range y) {
    for (const PlotPoint &s : p)
        if (s.outcome != POINTCOMPARED) {
            const bool notrun = s.outcome == POINTNOTRUN;
            const PLFLT x = s.x, at = y.lo + NOFIGURESLIFT * (y.hi - y.lo);
            plcol0(notrun ? BLACK : GREY);
            plstring(1, &x, &at, notrun ? MARKNOTRUN : MARKNOSOLUTION);
        }
}

// Positioning errors on a log scale: they run from millimetres to the tens of
// metres of a SOTOC run that never reached its last phase.
void drawerrorpanel(const std::vector<PlotPoint> &p, Range x) {
    const Range y = logrange(p, true);
    drawframe(TOPPANELLOW, TOPPANELHIGH, x, y, true, false);
    // Exact zeros have no logarithm: they sit on the panel's floor.
    auto logof = [&](double e) { return e > 0.0 ? std::max(std::log10(e), y.lo) : y.lo; };
    drawcurve(p, RED, [&](const PlotPoint &s) { return logof(s.tocError); }, tocfinished);
    drawcurve(p, BLUE, [&](const PlotPoint &s) { return logof(s.sotocError); }, sotocfinished);
    drawnofigures(p, y);
    plcol0(BLACK);
    plmtex("l", 5.0, 0.5, 0.5, "positioning error with velocity term [m]");
}

// The error-free final time of every point that has one, NaN when none has; it is
// the same for all points when only the mass error varies.
double sharedfreetime(const std::vector<PlotPoint> &p) {
    double shared = NAN;
    for (const PlotPoint &s : p) {
        if (!std::isfinite(s.tfFree)) continue;
        if (std::isfinite(shared) && s.tfFree != shared) return NAN;
        shared = s.tfFree;
    }
    return shared;
}

bool anyfreetime(const std::vector<PlotPoint> &p) {
    return std::any_of(p.begin(), p.end(), [](const PlotPoint &s) { return std::isfinite(s.tfFree); });
}

// The error-free final time, dashed: across the panel when every point shares it,
// else through the points, broken where a point has none.
void drawreference(const std::vector<PlotPoint> &p, Range x) {
    plcol0(BLACK);
    plwidth(CURVEWIDTH);
    pllsty(2);
    const double shared = sharedfreetime(p);
    if (std::isfinite(shared)) {
        const PLFLT xs[2] = {x.lo, x.hi}, ys[2] = {shared, shared};
        plline(2, xs, ys);
    } else {
        std::vector<PLFLT> xs, ys;
        for (size_t k = 0; k <= p.size(); ++k) {
            if (k < p.size() && std::isfinite(p[k].tfFree)) {
                xs.push_back(p[k].x);
                ys.push_back(p[k].tfFree);
            } else {
                if (xs.size() > 1) plline(static_cast<PLINT>(xs.size()), xs.data(), ys.data());
                xs.clear();
                ys.clear();
            }
        }
    }
    pllsty(1);
}

// Final times on a linear scale: they stay within one order of magnitude.
void drawtimepanel(const PlotSetup &setup, const std::vector<PlotPoint> &p, Range x) {
    const Range y = timerange(p);
    drawframe(LOWPANELLOW, LOWPANELHIGH, x, y, false, true);
    drawreference(p, x);
    drawcurve(p, RED, [](const PlotPoint &s) { return s.tocTf; }, tocfinished);
    drawcurve(p, BLUE, [](const PlotPoint &s) { return s.sotocTf; }, sotocfinished);
    drawnofigures(p, y);
    plcol0(BLACK);
    plmtex("l", 5.0, 0.5, 0.5, "final time [s]");
    plmtex("b", 3.0, 0.5, 0.5, axislabel(setup.xaxis, setup.request.type).c_str());
}

std::string referencetext(const std::vector<PlotPoint> &p) {
    const double shared = sharedfreetime(p);
    if (std::isfinite(shared)) return format("error-free TOC final time %.4f s", shared);
    return anyfreetime(p) ? "error-free TOC final time" : "error-free TOC: no solution";
}

// The legend right of the panels, with the counts of the marked points; a map's
// counts the points that could not run too.
void drawlegend(const PlotSetup &setup, const std::vector<PlotPoint> &p) {
    const int unsolved = countoutcome(p, POINTNOSOLUTION);
    const int unfinished = static_cast<int>(std::count_if(
        p.begin(), p.end(), [](const PlotPoint &s) { return s.outcome == POINTCOMPARED && !s.sotocFinished; }));
    const std::string texts[6] = {
        "TOC (designed with the error)",
        "SOTOC (designed with the error)",
        "SOTOC, last phase not reached: " + std::to_string(unfinished),
        referencetext(p),
        "no solution: " + std::to_string(unsolved) + " of " + std::to_string(p.size()) +
            (setup.map ? " points" : " errors"),
        "not run (out of reach): " + std::to_string(countoutcome(p, POINTNOTRUN)),
    };
    const PLINT entries = setup.map ? 6 : 5;
    const char *text[6], *symbols[6] = {MARKFILLED, MARKFILLED, MARKOPEN, "", MARKNOSOLUTION, MARKNOTRUN};
    for (int i = 0; i < 6; ++i) text[i] = texts[i].c_str();
    const PLINT opt[6] = {PL_LEGEND_LINE | PL_LEGEND_SYMBOL, PL_LEGEND_LINE | PL_LEGEND_SYMBOL, PL_LEGEND_SYMBOL,
                          PL_LEGEND_LINE, PL_LEGEND_SYMBOL, PL_LEGEND_SYMBOL};
    const PLINT textcolours[6] = {BLACK, BLACK, BLACK, BLACK, BLACK, BLACK};
    const PLINT colours[6] = {RED, BLUE, BLUE, BLACK, GREY, BLACK};
    const PLINT styles[6] = {1, 1, 1, 2, 1, 1};
    const PLFLT widths[6] = {CURVEWIDTH, CURVEWIDTH, CURVEWIDTH, CURVEWIDTH, CURVEWIDTH, CURVEWIDTH};
    const PLFLT scales[6] = {MARKSCALE, MARKSCALE, MARKSCALE, MARKSCALE, 1.0, 1.0};
    const PLINT numbers[6] = {1, 1, 1, 1, 1, 1};
    PLFLT width, height;
    plvpor(LEGENDLEFT, LEGENDRIGHT, LOWPANELLOW, TOPPANELHIGH);
    plwind(0.0, 1.0, 0.0, 1.0);
    pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
             PL_POSITION_INSIDE | PL_POSITION_LEFT | PL_POSITION_TOP, 0.0, 0.0, 0.1, WHITE, BLACK, 1, entries, 1,
             entries, opt, 0.8, 0.8, 2.2, 0.0, textcolours, text, nullptr, nullptr, nullptr, nullptr, colours,
             styles, widths, colours, scales, numbers, symbols);
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

bool drawplot(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
              std::string &message) {
    return setup.yaxis == AXISNONE ? drawsweep(picture, setup, points, message)
                                   : drawmap(picture, setup, points, message);
}

bool drawsweep(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
               std::string &message) {
    if (!beginpage(picture, points, PAGEWIDTH, PAGEHEIGHT, message)) return false;
    std::vector<PlotPoint> p = points;
    std::stable_sort(p.begin(), p.end(), [](const PlotPoint &a, const PlotPoint &b) { return a.x < b.x; });
    const Range x = xrange(p);
    drawtitle(setup, setup.map ? "Map" : "Mass-error sweep", PANELLEFT, PANELRIGHT, TOPPANELLOW, TOPPANELHIGH);
    drawerrorpanel(p, x);
    drawtimepanel(setup, p, x);
    drawlegend(setup, p);
    return endpage(picture, message);
}
