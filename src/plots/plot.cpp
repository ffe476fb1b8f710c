#include "plots/plot.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>

#include "plots/plotparts.h"

namespace {

// Share of the x span left free at each side of the x axis.
constexpr double XMARGIN = 0.02;
// Half width of the x axis around a sweep of one point [the axis's unit].
constexpr double SINGLEPOINTMARGIN = 1.0;
// Room above the highest final time, as a share of it.
constexpr double TIMEHEADROOM = 0.12;

// Viewports of the two panels, stacked, and of the legend's two columns under them
// [share of the page]; the panels' tops TITLEROOM lower under a title.
constexpr Viewport TOPPANEL = {0.10, 0.98, 0.625, 0.97};
constexpr Viewport LOWPANEL = {0.10, 0.98, 0.285, 0.595};
constexpr Viewport LEGEND = {0.005, 0.995, 0.005, 0.195};
constexpr int LEGENDCOLUMNS = 2;
constexpr double TITLEROOM = 0.10;
// Distances of the value-axis labels left of the panels and of the x label under them [text heights].
constexpr double YLABELDISTANCE = 4.2;
constexpr double XLABELDISTANCE = 2.4;

// Height of the marks of points without figures, centred this high above the x
// axis [share of the panel].
constexpr double NOFIGURESLIFT = 0.025;
// Markers: SOTOC runs that never reached their last phase, points where the design
// with the error or the error-free design has no switching-time solution and
// points that could not run (the last three drawn on the x axis).
const char *const MARKNOSOLUTION = "▲";
const char *const MARKNOERRSOLUTION = "▼";
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

// One curve of `value` over the compared points in a colour, style and marker, with
// a marker at every point: `finished` picks it or the open circle. The curve is broken where a point has no
// figures, and between a finished point and one that is not: a run that never
// reached its last phase is no neighbour of one that did.
template <class Value, class Finished>
void drawcurve(const std::vector<PlotPoint> &p, PlotColour colour, int style, const char *mark, Value value,
               Finished finished) {
    plschr(0.0, MARKSCALE);
    std::vector<PLFLT> xs, ys;
    bool lastfinished = false;
    auto flush = [&]() {
        drawpolyline(xs, ys, colour, style, CURVEWIDTH);
        xs.clear();
        ys.clear();
    };
    for (const PlotPoint &s : p) {
        if (s.outcome != POINTCOMPARED) {
            flush();
            continue;
        }
        if (!xs.empty() && finished(s) != lastfinished) flush();
        lastfinished = finished(s);
        xs.push_back(s.x);
        ys.push_back(value(s));
        plcol0(colour);
        plstring(1, &xs.back(), &ys.back(), finished(s) ? mark : MARKOPEN);
    }
    flush();
    plschr(0.0, 1.0);
}

// Whether a run reached its last phase: TOC always does (it is clock-driven).
bool tocfinished(const PlotPoint &) { return true; }
bool sotocfinished(const PlotPoint &s) { return s.sotocFinished; }

// The mark of a point without figures.
const char *nofiguresmark(const PlotPoint &s) {
    if (s.outcome == POINTNOTRUN) return MARKNOTRUN;
    return s.noerrsolution ? MARKNOERRSOLUTION : MARKNOSOLUTION;
}

// Points without figures, marked standing on the x axis of the panel: grey
// triangles without a solution (pointing up when the error-free design has none,
// down when the design with the error has none), black diamonds that could not run.
void drawnofigures(const std::vector<PlotPoint> &p, Range y) {
    for (const PlotPoint &s : p)
        if (s.outcome != POINTCOMPARED) {
            const PLFLT x = s.x, at = y.lo + NOFIGURESLIFT * (y.hi - y.lo);
            plcol0(s.outcome == POINTNOTRUN ? BLACK : GREY);
            plstring(1, &x, &at, nofiguresmark(s));
        }
}

// Positioning errors on a log scale: they run from millimetres to the tens of
// metres of a SOTOC run that never reached its last phase.
void drawerrorpanel(const std::vector<PlotPoint> &p, Range x, const Viewport &port) {
    const Range y = logrange(p, true);
    drawpanel({port, x, y}, false, true);
    // Exact zeros have no logarithm: they sit on the panel's floor.
    auto logof = [&](double e) { return e > 0.0 ? std::max(std::log10(e), y.lo) : y.lo; };
    drawcurve(p, ORANGE, DASHED, MARKTOC, [&](const PlotPoint &s) { return logof(s.tocError); }, tocfinished);
    drawcurve(p, BLUE, SOLID, MARKSOTOC, [&](const PlotPoint &s) { return logof(s.sotocError); }, sotocfinished);
    drawnofigures(p, y);
    plcol0(BLACK);
    plmtex("l", YLABELDISTANCE, 0.5, 0.5, "positioning error [m]");
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
    const double shared = sharedfreetime(p);
    if (std::isfinite(shared)) {
        drawpolyline({x.lo, x.hi}, {shared, shared}, BLACK, DASHED, CURVEWIDTH);
        return;
    }
    std::vector<double> xs, ys;
    for (size_t k = 0; k <= p.size(); ++k) {
        if (k < p.size() && std::isfinite(p[k].tfFree)) {
            xs.push_back(p[k].x);
            ys.push_back(p[k].tfFree);
        } else {
            drawpolyline(xs, ys, BLACK, DASHED, CURVEWIDTH);
            xs.clear();
            ys.clear();
        }
    }
}

// Final times on a linear scale: they stay within one order of magnitude.
void drawtimepanel(const PlotSetup &setup, const std::vector<PlotPoint> &p, Range x, const Viewport &port) {
    const Range y = timerange(p);
    drawpanel({port, x, y}, true, false);
    drawreference(p, x);
    drawcurve(p, ORANGE, DASHED, MARKTOC, [](const PlotPoint &s) { return s.tocTf; }, tocfinished);
    drawcurve(p, BLUE, SOLID, MARKSOTOC, [](const PlotPoint &s) { return s.sotocTf; }, sotocfinished);
    drawnofigures(p, y);
    plcol0(BLACK);
    plmtex("l", YLABELDISTANCE, 0.5, 0.5, "final time [s]");
    plmtex("b", XLABELDISTANCE, 0.5, 0.5, axislabel(setup.xaxis, setup.request.type).c_str());
}

}  // namespace

std::string freetimelegend(const std::vector<PlotPoint> &p) {
    const double shared = sharedfreetime(p);
    if (std::isfinite(shared)) return printed("error-free TOC final time %.4f s", shared);
    if (anyfreetime(p)) return "error-free TOC final time";
    return countoutcome(p, POINTNOTRUN) == static_cast<int>(p.size()) ? "error-free TOC: not run (no point in reach)"
                                                                      : "error-free TOC: no solution";
}

namespace {

// The legend under the panels, with the counts of the marked points; a map's
// counts the points that could not run too.
void drawsweeplegend(const PlotSetup &setup, const std::vector<PlotPoint> &p) {
    const int errunsolved = countpoints(p, [](const PlotPoint &s) { return s.outcome == POINTNOSOLUTION && s.noerrsolution; });
    const int freeunsolved = countoutcome(p, POINTNOSOLUTION) - errunsolved;
    const int unfinished = countpoints(p, [](const PlotPoint &s) { return s.outcome == POINTCOMPARED && !s.sotocFinished; });
    const std::string of = " of " + std::to_string(p.size()) + (setup.map ? " points" : " errors");
    std::vector<LegendEntry> entries = {
        {"TOC (designed with the error)", ORANGE, DASHED, CURVEWIDTH, MARKTOC, MARKSCALE},
        {"SOTOC (designed with the error)", BLUE, SOLID, CURVEWIDTH, MARKSOTOC, MARKSCALE},
        {"SOTOC, last phase not reached: " + std::to_string(unfinished), BLUE, 0, CURVEWIDTH, MARKOPEN, MARKSCALE},
        {freetimelegend(p), BLACK, DASHED, CURVEWIDTH, "", MARKSCALE},
        {"no solution, error-free design: " + std::to_string(freeunsolved) + of, GREY, 0, CURVEWIDTH,
         MARKNOSOLUTION, 1.0},
        {"no solution, design with the error: " + std::to_string(errunsolved) + of, GREY, 0, CURVEWIDTH,
         MARKNOERRSOLUTION, 1.0},
    };
    if (setup.map)
        entries.push_back({"not run (out of reach): " + std::to_string(countoutcome(p, POINTNOTRUN)), BLACK, 0,
                           CURVEWIDTH, MARKNOTRUN, 1.0});
    drawlegendbox(LEGEND, entries, LEGENDCOLUMNS);
}

}  // namespace

Outcome drawplot(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                 const FigureOptions &o) {
    return setup.yaxis == AXISNONE ? drawsweep(picture, setup, points, o) : drawmap(picture, setup, points, o);
}

Outcome drawsweep(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                  const FigureOptions &o) {
    const std::string kind = plotkind(setup);
    const Outcome begun = beginpage(picture, points, setup, o, kind);
    if (!begun.ok()) return begun;
    std::vector<PlotPoint> p = points;
    std::stable_sort(p.begin(), p.end(), [](const PlotPoint &a, const PlotPoint &b) { return a.x < b.x; });
    const Range x = xrange(p);
    const double shift = o.title ? TITLEROOM : 0.0;
    const Viewport top = {TOPPANEL.left, TOPPANEL.right, TOPPANEL.low - 0.5 * shift, TOPPANEL.high - shift};
    const Viewport low = {LOWPANEL.left, LOWPANEL.right, LOWPANEL.low, LOWPANEL.high - 0.5 * shift};
    if (o.title) drawsettingstitle(setup, kind, top);
    drawerrorpanel(p, x, top);
    drawtimepanel(setup, p, x, low);
    drawsweeplegend(setup, p);
    return endpage(picture);
}
