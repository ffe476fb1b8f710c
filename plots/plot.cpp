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
// Share of the error span left free at each side of the error axis.
constexpr double ERRORMARGIN = 0.02;
// Half width of the error axis around a sweep of one point [%].
constexpr double SINGLEPOINTMARGIN = 1.0;
// Room above the highest final time, as a share of it.
constexpr double TIMEHEADROOM = 0.12;
// Decades shown when no positioning error is positive (none compared).
constexpr double EMPTYLOGLO = -3.0;
constexpr double EMPTYLOGHI = 0.0;

// Viewports of the two panels and the legend's column [share of the page].
constexpr Viewport TOPPANEL = {0.08, 0.70, 0.53, 0.88};
constexpr Viewport LOWPANEL = {0.08, 0.70, 0.09, 0.47};
constexpr Viewport LEGEND = {0.72, 0.99, 0.09, 0.88};

// Height of the no-solution marks' centre above the error axis [share of the panel].
constexpr double NOSOLUTIONLIFT = 0.025;
// Markers: SOTOC runs that never reached their last phase, and errors without a
// solution (drawn on the error axis).
const char *const MARKOPEN = "○";
const char *const MARKNOSOLUTION = "▲";

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

// One curve of `value` over the compared points, broken where a point has no
// solution, with a marker at every point: `finished` picks filled or open.
template <class Value, class Finished>
void drawcurve(const std::vector<SweepPoint> &p, PlotColour colour, Value value, Finished finished) {
    plschr(0.0, MARKSCALE);
    std::vector<PLFLT> xs, ys;
    auto flush = [&]() {
        drawpolyline(xs, ys, colour, SOLID, CURVEWIDTH);
        xs.clear();
        ys.clear();
    };
    for (const SweepPoint &s : p) {
        if (!s.compared) {
            flush();
            continue;
        }
        xs.push_back(s.error);
        ys.push_back(value(s));
        plcol0(colour);
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
    drawpanel({TOPPANEL, x, y}, false, true);
    // Exact zeros have no logarithm: they sit on the panel's floor.
    auto logof = [&](double e) { return e > 0.0 ? std::max(std::log10(e), y.lo) : y.lo; };
    drawcurve(p, RED, [&](const SweepPoint &s) { return logof(s.tocError); }, tocfinished);
    drawcurve(p, BLUE, [&](const SweepPoint &s) { return logof(s.sotocError); }, sotocfinished);
    drawnosolution(p, y);
    plcol0(BLACK);
    plmtex("l", 5.0, 0.5, 0.5, "positioning error with velocity term [m]");
}

// Final times on a linear scale: they stay within one order of magnitude.
void drawtimepanel(const std::vector<SweepPoint> &p, Range x, double tfFree) {
    const Range y = timerange(p, tfFree);
    drawpanel({LOWPANEL, x, y}, true, false);
    if (std::isfinite(tfFree)) drawpolyline({x.lo, x.hi}, {tfFree, tfFree}, BLACK, DASHED, CURVEWIDTH);
    drawcurve(p, RED, [](const SweepPoint &s) { return s.tocTf; }, tocfinished);
    drawcurve(p, BLUE, [](const SweepPoint &s) { return s.sotocTf; }, sotocfinished);
    drawnosolution(p, y);
    plcol0(BLACK);
    plmtex("l", 5.0, 0.5, 0.5, "final time [s]");
    plmtex("b", 3.0, 0.5, 0.5, "mass error of the design [%]");
}

// The legend right of the panels, with the counts of the marked points.
void drawsweeplegend(const std::vector<SweepPoint> &p, double tfFree) {
    int unfinished = 0, unsolved = 0;
    for (const SweepPoint &s : p) {
        if (!s.compared)
            ++unsolved;
        else if (!s.sotocFinished)
            ++unfinished;
    }
    const std::string reference =
        std::isfinite(tfFree) ? printed("error-free TOC final time %.4f s", tfFree) : "error-free TOC: no solution";
    drawlegend(LEGEND, {
                           {"TOC (designed with the error)", RED, SOLID, CURVEWIDTH, MARKFILLED, MARKSCALE},
                           {"SOTOC (designed with the error)", BLUE, SOLID, CURVEWIDTH, MARKFILLED, MARKSCALE},
                           {"SOTOC, last phase not reached: " + std::to_string(unfinished), BLUE, 0, CURVEWIDTH,
                            MARKOPEN, MARKSCALE},
                           {reference, BLACK, DASHED, CURVEWIDTH, "", MARKSCALE},
                           {"no solution: " + std::to_string(unsolved) + " of " + std::to_string(p.size()) +
                                " errors",
                            GREY, 0, CURVEWIDTH, MARKNOSOLUTION, 1.0},
                       });
}

}  // namespace

bool drawsweep(OutputFile &picture, const SweepSetup &setup, const std::vector<SweepPoint> &points,
               std::string &message) {
    if (points.empty()) {
        message = "no results to plot";
        abandonoutput(picture);
        return false;
    }
    if (!beginpage(picture, PAGEWIDTH, PAGEHEIGHT, message)) return false;
    std::vector<SweepPoint> p = points;
    std::stable_sort(p.begin(), p.end(), [](const SweepPoint &a, const SweepPoint &b) { return a.error < b.error; });
    const Range x = errorrange(p);
    drawtitle(TOPPANEL, "Mass-error sweep: " + robottitle(setup.settings), movetitle(setup.settings));
    drawerrorpanel(p, x);
    drawtimepanel(p, x, setup.tfFree);
    drawsweeplegend(p, setup.tfFree);
    return endpage(picture, message);
}
