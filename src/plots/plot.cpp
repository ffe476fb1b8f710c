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
// The one-column layout, in points of its page: room at the left for the value
// axes' numbers and labels, at the right, above the panels without a title (for
// the top number), between the panels, and under them for the x numbers and label;
// the legend in two columns at the bottom, SWEEPMARGIN above the page's edge.
constexpr double NARROWLEFT = 34.0, NARROWRIGHT = 8.0, NARROWTOP = 8.0;
constexpr double NARROWGAP = 18.0, NARROWXLABEL = 32.0, SWEEPMARGIN = 3.0;
// Distance of the x label under the panels on a one-column page [PLplot's character
// heights]: under the x numbers, which take more of that unit at its text height.
constexpr double NARROWXLABELDISTANCE = 3.4;
// Height of a value axis's label over its panel on a one-column page [PLplot's
// character heights], and the room up to the top of the label [pt].
constexpr double NARROWLABELLIFT = 0.6;
constexpr double NARROWLABELROOM = NARROWLABELLIFT * CHARPOINTS + TEXTPOINTS;
// Distances of the value-axis labels left of the panels (farther left of the
// positioning errors' numbers, decimals of up to five characters) and of the x label
// under them [text heights].
constexpr double YLABELDISTANCE = 4.2;
constexpr double LOGYLABELDISTANCE = 5.4;
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
// Marker of a run without a value of the measure (its tip never settled, or the
// designed final time lies beyond the run), drawn on the x axis in its colour.
const char *const MARKNOVALUE = "×";

// A run without a value of the measure, marked standing on the x axis of the panel.
void drawnovalue(double x, Range y, PlotColour colour) {
    const PLFLT at = y.lo + NOFIGURESLIFT * (y.hi - y.lo);
    plcol0(colour);
    plstring(1, &x, &at, MARKNOVALUE);
}

Range xrange(const std::vector<PlotPoint> &p) {
    const double lo = p.front().x, hi = p.back().x;
    const double pad = hi > lo ? XMARGIN * (hi - lo) : SINGLEPOINTMARGIN;
    return {lo - pad, hi + pad};
}

// From zero to above the largest value of a measure on a linear scale [its unit]:
// the final times with the error-free ones.
Range linearrange(const std::vector<PlotPoint> &p, Measure m) {
    double hi = 0.0;
    for (const PlotPoint &s : p) {
        if (m == MEASURETF && std::isfinite(s.tfFree)) hi = std::max(hi, s.tfFree);
        if (s.outcome != POINTCOMPARED) continue;
        for (double v : {measureof(s, m, false), measureof(s, m, true)})
            if (std::isfinite(v)) hi = std::max(hi, v);
    }
    return {0.0, hi > 0.0 ? (1.0 + TIMEHEADROOM) * hi : 1.0};
}

// One curve of `value` over the compared points in a colour, style and marker, with
// a marker at every point: `finished` picks it or the open circle. The curve is broken where a point has no
// figures or no value (NaN: a cross on the floor `y.lo`), and between a finished point and one that is not: a run that never
// reached its last phase is no neighbour of one that did.
template <class Value, class Finished>
void drawcurve(const std::vector<PlotPoint> &p, PlotColour colour, int style, const char *mark, Value value,
               Finished finished, Range y) {
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
        if (std::isnan(value(s))) {
            flush();
            drawnovalue(s.x, y, colour);
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

// The label of a panel's value axis: up its left side, `distance` from it; on a
// one-column page (the page `spaced`), where a low panel is shorter than the label,
// over its upper left corner.
void drawvaluelabel(const char *label, double distance, PageSize spaced) {
    plcol0(BLACK);
    if (spaced.w > 0)
        plmtex("t", NARROWLABELLIFT, 0.0, 0.0, label);
    else
        plmtex("l", distance, 0.5, 0.5, label);
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

// The measure's values of TOC and SOTOC: distances on a log scale (they run from
// millimetres to the tens of metres of a SOTOC run that never reached its last
// phase), times on a linear one (they stay within one order of magnitude), the final
// times with the error-free one; the x axis's label under the `bottom` panel.
void drawmeasurepanel(const PlotSetup &setup, const std::vector<PlotPoint> &p, Range x, const Viewport &port,
                      Measure m, bool bottom, PageSize spaced) {
    const MeasureRow &row = measurerow(m);
    const Range y = row.logscale ? logrange(p, true, m) : linearrange(p, m);
    drawpanel({port, x, y}, bottom, row.logscale, spaced);
    if (m == MEASURETF) drawreference(p, x);
    // Exact zeros have no logarithm: they sit on the panel's floor.
    auto drawn = [&](double v) { return !row.logscale || std::isnan(v) ? v : v > 0.0 ? std::max(std::log10(v), y.lo) : y.lo; };
    drawcurve(p, ORANGE, DASHED, MARKTOC, [&](const PlotPoint &s) { return drawn(measureof(s, m, false)); }, tocfinished, y);
    drawcurve(p, BLUE, SOLID, MARKSOTOC, [&](const PlotPoint &s) { return drawn(measureof(s, m, true)); }, sotocfinished, y);
    drawnofigures(p, y);
    drawvaluelabel((std::string(row.words) + " [" + row.unit + "]").c_str(),
                   row.logscale ? LOGYLABELDISTANCE : YLABELDISTANCE, spaced);
    if (bottom)
        plmtex("b", spaced.w > 0 ? NARROWXLABELDISTANCE : XLABELDISTANCE, 0.5, 0.5,
               axislabel(setup.xaxis, setup.request.type).c_str());
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

// The texts of the sweep legend's entries: in full on a two-column page, short on
// a one-column page, where its columns are half as wide.
struct SweepTexts {
    const char *toc, *sotoc, *unfinished, *freeunsolved, *errunsolved, *notrun;
};
constexpr SweepTexts FULLTEXTS = {"TOC (designed with the error)", "SOTOC (designed with the error)",
                                  "SOTOC, last phase not reached: ", "no solution, error-free design: ",
                                  "no solution, design with the error: ", "not run (out of reach): "};
constexpr SweepTexts SHORTTEXTS = {"TOC", "SOTOC", "SOTOC unfinished: ", "no error-free design: ",
                                   "no design with error: ", "out of reach: "};

// The legend under the panels, with the counts of the marked points; a map's
// counts the points that could not run too.
std::vector<LegendEntry> sweeplegend(const PlotSetup &setup, const std::vector<PlotPoint> &p, Measure m, bool narrow) {
    const SweepTexts &t = narrow ? SHORTTEXTS : FULLTEXTS;
    const int errunsolved = countpoints(p, [](const PlotPoint &s) { return s.outcome == POINTNOSOLUTION && s.noerrsolution; });
    const int freeunsolved = countoutcome(p, POINTNOSOLUTION) - errunsolved;
    const int unfinished = countpoints(p, [](const PlotPoint &s) { return s.outcome == POINTCOMPARED && !s.sotocFinished; });
    const std::string of = (narrow ? "/" : " of ") + std::to_string(p.size()) + (narrow ? "" : setup.map ? " points" : " errors");
    const double shared = sharedfreetime(p);
    const std::string freetime = narrow && std::isfinite(shared) ? printed("error-free TOC %.4f s", shared) : freetimelegend(p);
    std::vector<LegendEntry> entries = {
        {t.toc, ORANGE, DASHED, CURVEWIDTH, MARKTOC, MARKSCALE},
        {t.sotoc, BLUE, SOLID, CURVEWIDTH, MARKSOTOC, MARKSCALE},
        {t.unfinished + std::to_string(unfinished), BLUE, 0, CURVEWIDTH, MARKOPEN, MARKSCALE},
        {freetime, BLACK, DASHED, CURVEWIDTH, "", MARKSCALE},
        {t.freeunsolved + std::to_string(freeunsolved) + of, GREY, 0, CURVEWIDTH, MARKNOSOLUTION, 1.0},
        {t.errunsolved + std::to_string(errunsolved) + of, GREY, 0, CURVEWIDTH, MARKNOERRSOLUTION, 1.0},
    };
    if (setup.map)
        entries.push_back({t.notrun + std::to_string(countoutcome(p, POINTNOTRUN)), BLACK, 0, CURVEWIDTH, MARKNOTRUN, 1.0});
    const int novalue = countnovalue(p, m);
    if (novalue > 0)
        entries.push_back({"no " + std::string(measurerow(m).words) + ": " + std::to_string(novalue) +
                               (narrow ? "" : " runs"),
                           BLACK, 0, CURVEWIDTH, MARKNOVALUE, 1.0});
    return entries;
}

// The viewport a one-column page's title stands on: from the page's margin, over the
// top panel's value label.
Viewport titleport(const Viewport &top, const FigureOptions &o) {
    const double lift = NARROWLABELROOM / pagesize(o).h;
    return {ONECOLUMNMARGIN, top.right, top.low + lift, top.high + lift};
}

// Where the panels and the legend lie on the page.
struct SweepLayout {
    Viewport top, low, legend;
};

// On a two-column page the fixed shares, the panels' tops lower under a title; on
// a one-column page the legend at the bottom, as high as its rows, the panels
// stacked over the rest of the page under the title's lines.
SweepLayout sweeplayout(const FigureOptions &o, size_t titlelinecount, size_t legendentries) {
    if (!onecolumn(o)) {
        const double shift = o.title ? TITLEROOM : 0.0;
        return {{TOPPANEL.left, TOPPANEL.right, TOPPANEL.low - 0.5 * shift, TOPPANEL.high - shift},
                {LOWPANEL.left, LOWPANEL.right, LOWPANEL.low, LOWPANEL.high - 0.5 * shift},
                LEGEND};
    }
    const PageSize page = pagesize(o);
    const int rows = static_cast<int>((legendentries + LEGENDCOLUMNS - 1) / LEGENDCOLUMNS);
    const double legendtop = SWEEPMARGIN + compactlegendpoints(rows);  // [pt from the bottom]
    const double bottom = legendtop + NARROWXLABEL;
    const double top = page.h - (o.title ? titlepoints(titlelinecount) + SWEEPMARGIN : NARROWTOP) - NARROWLABELROOM;
    const double h = 0.5 * (top - bottom - NARROWGAP);
    const double left = NARROWLEFT / page.w, right = 1.0 - NARROWRIGHT / page.w;
    return {{left, right, (top - h) / page.h, top / page.h},
            {left, right, bottom / page.h, (bottom + h) / page.h},
            {ONECOLUMNMARGIN, 1.0 - ONECOLUMNMARGIN, SWEEPMARGIN / page.h, legendtop / page.h}};
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
    const std::vector<std::string> title = pagetitle(setup, kind, o);
    const std::vector<LegendEntry> legend = sweeplegend(setup, p, o.measure, onecolumn(o));
    const SweepLayout l = sweeplayout(o, title.size(), legend.size());
    if (o.title) drawtitlelines(onecolumn(o) ? titleport(l.top, o) : l.top, title);
    const PageSize spaced = onecolumn(o) ? pagesize(o) : PageSize{0, 0};
    // The final time under any other measure, the positioning error under the final time.
    drawmeasurepanel(setup, p, x, l.top, o.measure, false, spaced);
    drawmeasurepanel(setup, p, x, l.low, o.measure == MEASURETF ? MEASUREERROR : MEASURETF, true, spaced);
    drawlegendbox(l.legend, legend, LEGENDCOLUMNS, onecolumn(o));
    return endpage(picture);
}
