#include "plots/plot.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "plots/plotparts.h"

namespace {

// The layout is drawn up on the two-column page, 518 x 324 pt; other pages take its
// shares. Shares of the page of positions in points from its left and from its top.
constexpr double LAYOUTWIDTH = 518.0, LAYOUTHEIGHT = 324.0;
constexpr double fromleft(double pt) { return pt / LAYOUTWIDTH; }
constexpr double fromtop(double pt) { return 1.0 - pt / LAYOUTHEIGHT; }

// The three panels side by side, boxes of 143 pt across, with room for the y numbers
// and label at the left and the x numbers between them; their top PANELTITLED under a
// title, else PANELUNTITLED [share of the page].
constexpr double PANELLEFT[3] = {fromleft(42), fromleft(205), fromleft(368)};
constexpr double PANELRIGHT[3] = {fromleft(185), fromleft(348), fromleft(511)};
constexpr double PANELLOW = fromtop(196), PANELTITLED = fromtop(52), PANELUNTITLED = fromtop(16);
// The box the title stands on, the colour bars under the x axes' labels and the
// legend under the bars' labels: up to three rows [share of the page].
constexpr double TITLELOW = fromtop(36), TITLEHIGH = fromtop(30);
constexpr double BARLOW = fromtop(242), BARHIGH = fromtop(234);
constexpr double LEGENDLOW = fromtop(LAYOUTHEIGHT - 2), LEGENDHIGH = fromtop(270);
// Columns of the legend at most: the widest text fits three times across the page,
// twice across a one-column page in its short form.
constexpr int LEGENDCOLUMNS = 3;
constexpr int NARROWLEGENDCOLUMNS = 2;
// Spacing of the legend's rows [character heights]: four rows fit its box; closer on
// a one-column page. Height of its text as a share of the text height, 7.2 pt on
// the two-column page; a one-column page's is smaller, so that share is larger there.
constexpr double LEGENDSPACING = 1.8;
constexpr double NARROWLEGENDSPACING = 1.45;
constexpr double LEGENDTEXTSCALE = 0.85;
constexpr double NARROWLEGENDTEXTSCALE = 0.95;
// The one-column layout [pt of its page]: the margins at the page's edges, the room
// at the left for the y numbers and label, between the panels for their x numbers,
// over them for their titles, under them for the x numbers and label, the bars'
// height and the room under them for their numbers and labels.
constexpr double NARROWMARGIN = 3.0, NARROWLEFT = 38.0, NARROWPANELGAP = 12.0, NARROWPANELTITLEROOM = 12.0;
constexpr double NARROWXLABELROOM = 30.0, BARPOINTS = 8.0, NARROWBARROOM = 30.0;
// Distances of the x labels and of the bars' labels under them on a one-column page
// [text heights]: under the numbers, which take more of that unit at its text height.
constexpr double NARROWXLABELDISTANCE = 3.4;
constexpr double NARROWBARLABELDISTANCE = 3.3;
constexpr double NARROWYLABELDISTANCE = 4.2;
// Inset of the bars' right ends from the panels' edges [pt], so that the numbers at
// their ends stay on the page, and on a one-column page apart.
constexpr double BARINSET = 4.0, NARROWBARINSET = 10.0;
// Distances of the panels' titles above them, of the x labels and the bars' labels
// under them and of the y label left of the first panel [text heights].
constexpr double PANELTITLEDISTANCE = 1.0;
constexpr double XLABELDISTANCE = 2.9;
constexpr double BARLABELDISTANCE = 2.8;
constexpr double YLABELDISTANCE = 3.6;
// Width of the legend's samples [share of the page].
constexpr double LEGENDSAMPLE = 0.03;
// Room around the workspace's cells, base and other point [share of its span].
constexpr double WORKSPACEMARGIN = 0.04;
// Width of a grid of one point along an axis [the axis's unit].
constexpr double SINGLECELLWIDTH = 1.0;
// Cells reach this far [pt] into their neighbours, so that no seam of the
// background shows between them where the antialiased edges meet.
constexpr double CELLOVERLAP = 0.2;
// Entries of colour map 1 used to colour the cells.
constexpr int CMAP1ENTRIES = 256;
// Patterns of PLplot's plpsty: the hatching over cells where SOTOC never reached its
// last phase (lines at 45 degrees, over the cell's colour), and on white the cells
// without figures, which no colour of the scales can be taken for: horizontal lines
// where the error-free design has no solution, vertical ones where the design with
// the error has none, crossed diagonals where the point is out of reach. Their line
// width [pt].
constexpr int HATCHPATTERN = 3;
constexpr int NOSOLUTIONPATTERN = 1;
constexpr int NOERRSOLUTIONPATTERN = 2;
constexpr int NOTRUNPATTERN = 8;
// No pattern: a blank cell, where a run has no value of the measure.
constexpr int BLANKPATTERN = 0;
constexpr double HATCHWIDTH = 0.6;
// The marks of the workspace: the base's square and the other point's circle
// [share of the panel's span], the reach circles' black line under a white one [pt].
constexpr double MARKSIZE = 0.018;
constexpr double REACHWIDTH = 2.0, REACHINNERWIDTH = 0.8;
// Width of the marks' outlines [pt].
constexpr double MARKLINEWIDTH = 0.8;
// Smallest half range of the diverging scale [decades], and of a ratio of times.
constexpr double MINWINDECADES = 1.0;
constexpr double MINWINTIMEDECADES = 0.1;

// The sequential scale of the positioning errors: viridis (perceptually uniform,
// readable with every common colour-vision deficiency and in grey), from small to
// large, at nine evenly spaced positions.
constexpr int VIRIDIS[9][3] = {{68, 1, 84},    {71, 45, 123},  {59, 82, 139},  {44, 114, 142}, {33, 145, 140},
                               {40, 174, 128}, {94, 201, 98}, {173, 220, 48}, {253, 231, 37}};
// The scale of which came closer, ordered in lightness from one end to the other so
// that it reads in grey too: cividis, from dark blue (SOTOC closer) over mid-grey
// (equal) to light yellow (TOC closer), at nine evenly spaced positions. Its hues,
// blue and yellow, stay apart under the common colour-vision deficiencies.
constexpr int DARKTOLIGHT[9][3] = {{0, 34, 78},    {18, 53, 112},   {59, 73, 108},   {87, 93, 109},  {112, 113, 115},
                                   {138, 135, 121}, {166, 157, 117}, {196, 181, 108}, {254, 232, 56}};

enum MapPanel { PANELTOC, PANELSOTOC, PANELWIN, PANELS };

// The title of panel k of the measure: in full on a two-column page; on a
// one-column page, where the panels are narrower, the method alone.
std::string paneltitle(MapPanel k, Measure m, bool narrow) {
    if (narrow) return k == PANELWIN ? "SOTOC / TOC" : k == PANELTOC ? "TOC" : "SOTOC";
    const MeasureRow &row = measurerow(m);
    return k == PANELWIN ? row.ratio : std::string(k == PANELTOC ? "TOC: " : "SOTOC: ") + row.words;
}

// The cells along one axis by grid index, each from halfway to the value of the
// index below to halfway to that of the index above (the outer ones as wide on
// both sides), so that the cells of an uneven list of values meet without gaps or
// overlaps; a missing index leaves its gap [the axis's unit].
using CellEdges = std::map<int, Range>;

template <class Index, class Value>
CellEdges celledges(const std::vector<PlotPoint> &p, Index index, Value value) {
    std::map<int, double> at;
    for (const PlotPoint &s : p) at.emplace(index(s), value(s));
    CellEdges edges;
    for (auto k = at.begin(); k != at.end(); ++k) {
        const auto next = std::next(k);
        // Half the change of the value per index below and above k [the axis's unit].
        double down = k == at.begin() ? NAN : 0.5 * (k->second - std::prev(k)->second) / (k->first - std::prev(k)->first);
        double up = next == at.end() ? NAN : 0.5 * (next->second - k->second) / (next->first - k->first);
        if (std::isnan(down)) down = std::isnan(up) ? 0.5 * SINGLECELLWIDTH : up;
        if (std::isnan(up)) up = down;
        const double a = k->second - down, b = k->second + up;
        edges[k->first] = {std::min(a, b), std::max(a, b)};
    }
    return edges;
}

CellEdges edgesx(const std::vector<PlotPoint> &p) {
    return celledges(p, [](const PlotPoint &s) { return s.i; }, [](const PlotPoint &s) { return s.x; });
}
CellEdges edgesy(const std::vector<PlotPoint> &p) {
    return celledges(p, [](const PlotPoint &s) { return s.j; }, [](const PlotPoint &s) { return s.y; });
}

// Half the width of a cell from its point to its nearer edge [the axis's unit].
double halfcell(const Range &cell, double v) { return std::min(v - cell.lo, cell.hi - v); }

// Whether the axes are both coordinates of one point of the move: the map is then
// a picture of the workspace.
bool workspace(const PlotSetup &s) {
    const PlotAxis a = std::min(s.xaxis, s.yaxis), b = std::max(s.xaxis, s.yaxis);
    return (a == AXISSTARTX && b == AXISSTARTY) || (a == AXISENDX && b == AXISENDY);
}

// A point of the plane [m] in the axes' order (x then y, or swapped when the x axis
// carries y).
void inaxes(const PlotSetup &s, double px, double py, double &x, double &y) {
    const bool swapped = s.xaxis == AXISSTARTY || s.xaxis == AXISENDY;
    x = swapped ? py : px;
    y = swapped ? px : py;
}

// The other point of the move than the one the axes vary [m], in the axes' order.
void otherpoint(const PlotSetup &s, double &x, double &y) {
    const bool endvaries = s.xaxis == AXISENDX || s.xaxis == AXISENDY;
    const double *p = endvaries ? s.request.start : s.request.end;
    inaxes(s, p[0], p[1], x, y);
}

// Fits the boxes of the panels to the aspect of the window, keeping their centres;
// `onbottom`: their bottom, so that they stay over the colour bars.
void equalscales(MapFrame &f, PageSize page, bool onbottom) {
    const double spanx = f.xhi - f.xlo, spany = f.yhi - f.ylo;
    const double boxw = (f.right[0] - f.left[0]) * page.w, boxh = (f.top - f.bottom) * page.h;
    const double scale = std::min(boxw / spanx, boxh / spany);  // points per metre
    const double halfw = 0.5 * spanx * scale / page.w, halfh = 0.5 * spany * scale / page.h;
    for (int k = 0; k < PANELS; ++k) {
        const double mid = 0.5 * (f.left[k] + f.right[k]);
        f.left[k] = mid - halfw;
        f.right[k] = mid + halfw;
    }
    const double mid = onbottom ? f.bottom + halfh : 0.5 * (f.bottom + f.top);
    f.bottom = mid - halfh;
    f.top = mid + halfh;
}

// The entry of colour map 1 for a value on the range: 0 at its low end, the last
// entry at its high end.
int shade(double v, Range r) {
    const double f = std::min(1.0, std::max(0.0, (v - r.lo) / (r.hi - r.lo)));
    return static_cast<int>(std::lround(f * (CMAP1ENTRIES - 1)));
}

// log10(SOTOC's value / TOC's value) of the measure: negative where SOTOC came
// closer (or was sooner); infinite when exactly one of them is zero, NaN when
// either run has no value.
double winvalue(const PlotPoint &s, Measure m) {
    const double toc = measureof(s, m, false), sotoc = measureof(s, m, true);
    if (std::isnan(toc) || std::isnan(sotoc)) return NAN;
    if (sotoc == toc) return 0.0;
    if (toc == 0.0) return HUGE_VAL;
    if (sotoc == 0.0) return -HUGE_VAL;
    return std::log10(sotoc) - std::log10(toc);
}

// Whole steps on both sides of equal, at least one, around the points where SOTOC
// reached its last phase: decades for distances, tenths of a decade for times,
// which differ by tens of percent.
Range winrange(const std::vector<PlotPoint> &p, Measure m) {
    const double step = measurerow(m).logscale ? MINWINDECADES : MINWINTIMEDECADES;
    double most = step;
    for (const PlotPoint &s : p)
        if (s.outcome == POINTCOMPARED && s.sotocFinished && std::isfinite(winvalue(s, m)))
            most = std::max(most, std::fabs(winvalue(s, m)));
    most = step * std::ceil(most / step);
    return {-most, most};
}

// Colour map 1 through the table's colours at even positions, linear between them.
template <size_t N>
void setcolourmap(const int (&rgb)[N][3]) {
    PLFLT pos[N], r[N], g[N], b[N];
    for (size_t k = 0; k < N; ++k) {
        pos[k] = static_cast<double>(k) / (N - 1);
        r[k] = rgb[k][0] / 255.0;
        g[k] = rgb[k][1] / 255.0;
        b[k] = rgb[k][2] / 255.0;
    }
    plscmap1n(CMAP1ENTRIES);
    plscmap1l(1, static_cast<PLINT>(N), pos, r, g, b, nullptr);
}

// What the cells of the points show: the scales of the panels and half a cell. The
// scales span the runs that reached their last phase: the others' figures, at the
// end of a run that kept turning, are hatched at the scales' ends.
struct CellScales {
    Measure measure;     // what the cells show
    Range error;         // values of the measure [log10 of its unit, or its unit on a linear scale]
    Range win;           // log10(SOTOC / TOC)
    CellEdges x, y;      // the cells by grid index [axis units]
    double ox, oy;       // how far each cell reaches into its neighbours [axis units]
};

// The colour of the point's cell in a panel: an entry of colour map 1 (0 or more),
// or -1 - the pattern of a cell without figures.
int cellcolour(const PlotPoint &s, MapPanel k, const CellScales &c) {
    if (s.outcome == POINTNOTRUN) return -1 - NOTRUNPATTERN;
    if (s.outcome == POINTNOSOLUTION) return -1 - (s.noerrsolution ? NOERRSOLUTIONPATTERN : NOSOLUTIONPATTERN);
    if (k == PANELWIN) {
        const double win = winvalue(s, c.measure);
        return std::isnan(win) ? -1 - BLANKPATTERN : shade(win, c.win);
    }
    const double e = measureof(s, c.measure, k == PANELSOTOC);
    if (std::isnan(e)) return -1 - BLANKPATTERN;  // no value: a blank cell
    if (!measurerow(c.measure).logscale) return shade(e, c.error);
    return e > 0.0 ? shade(std::log10(e), c.error) : 0;  // an exact zero at the scale's floor
}

void setcolour(int colour) { plcol1(colour / (CMAP1ENTRIES - 1.0)); }

// Calls draw(first, last, key) for each run of neighbours along a row whose cells
// have one key: one rectangle then takes the place of many, in the files too.
template <class Key, class Draw>
void eachrun(const std::vector<PlotPoint> &p, Key key, Draw draw) {
    for (size_t a = 0; a < p.size();) {
        const int k = key(p[a]);
        size_t b = a;
        while (b + 1 < p.size() && p[b + 1].j == p[b].j && p[b + 1].i == p[b].i + 1 && key(p[b + 1]) == k) ++b;
        draw(p[a], p[b], k);
        a = b + 1;
    }
}

// Fills the cells of a run from `first` to `last` along a row.
void fillrun(const PlotPoint &first, const PlotPoint &last, const CellScales &c) {
    const Range &a = c.x.at(first.i), &b = c.x.at(last.i), &row = c.y.at(first.j);
    const double lo = std::min(a.lo, b.lo) - c.ox, hi = std::max(a.hi, b.hi) + c.ox;
    const double low = row.lo - c.oy, high = row.hi + c.oy;
    const PLFLT xs[4] = {lo, hi, hi, lo};
    const PLFLT ys[4] = {low, low, high, high};
    plfill(4, xs, ys);
}

// The cells of a panel, the points in grid order; SOTOC's runs that never reached
// the last phase hatched.
void drawcells(const std::vector<PlotPoint> &p, MapPanel k, const CellScales &c) {
    eachrun(p, [&](const PlotPoint &s) { return cellcolour(s, k, c); },
            [&](const PlotPoint &first, const PlotPoint &last, int colour) {
                if (colour >= 0) {
                    setcolour(colour);
                    fillrun(first, last, c);
                    return;
                }
                plcol0(WHITE);
                fillrun(first, last, c);
                if (colour == -1 - BLANKPATTERN) return;
                plcol0(BLACK);
                plwidth(HATCHWIDTH);
                plpsty(-1 - colour);
                fillrun(first, last, c);
                plpsty(0);
            });
    if (k == PANELTOC) return;
    plcol0(BLACK);
    plwidth(HATCHWIDTH);
    plpsty(HATCHPATTERN);
    eachrun(p, [](const PlotPoint &s) { return s.outcome == POINTCOMPARED && !s.sotocFinished; },
            [&](const PlotPoint &first, const PlotPoint &last, int unfinished) {
                if (unfinished) fillrun(first, last, c);
            });
    plpsty(0);
}

// A closed outline of n points around (x, y): a square (n = 4) or, near enough, a circle.
void outline(double x, double y, double r, int n, std::vector<PLFLT> &xs, std::vector<PLFLT> &ys) {
    xs.clear();
    ys.clear();
    for (int k = 0; k <= n; ++k) {
        const double a = 2.0 * PI * (k + 0.5) / n;
        xs.push_back(x + r * std::cos(a) * (n == 4 ? std::sqrt(2.0) : 1.0));
        ys.push_back(y + r * std::sin(a) * (n == 4 ? std::sqrt(2.0) : 1.0));
    }
}

// A white mark outlined in black: a square (n = 4) or a circle.
void drawmark(double x, double y, double r, int n) {
    std::vector<PLFLT> xs, ys;
    outline(x, y, r, n, xs, ys);
    plcol0(WHITE);
    plfill(n, xs.data(), ys.data());
    plcol0(BLACK);
    plwidth(MARKLINEWIDTH);
    plline(n + 1, xs.data(), ys.data());
}

// The marks over single cells, outlines that leave the cell's colour inside them: a
// diamond where the two designs kept trials of different starting signs of joint 2,
// a triangle where only the wide search solved a design [share of half a cell, from
// the middle to a corner].
constexpr double STRUCTUREMARK = 0.75;
constexpr double WIDEMARK = 0.6;

// A closed outline through n corners (the first repeated at the end): a white line
// on a black one, seen on every colour of the cells.
void drawoutline(const PLFLT *xs, const PLFLT *ys, int n) {
    for (int pass = 0; pass < 2; ++pass) {
        plcol0(pass == 0 ? BLACK : WHITE);
        plwidth(pass == 0 ? 2.0 * MARKLINEWIDTH : 0.5 * MARKLINEWIDTH);
        plline(n + 1, xs, ys);
    }
}

void drawcellmarks(const std::vector<PlotPoint> &p, const CellScales &c) {
    for (const PlotPoint &s : p) {
        const double hx = halfcell(c.x.at(s.i), s.x), hy = halfcell(c.y.at(s.j), s.y);
        if (s.otherstructure) {
            const double rx = STRUCTUREMARK * hx, ry = STRUCTUREMARK * hy;
            const PLFLT xs[5] = {s.x + rx, s.x, s.x - rx, s.x, s.x + rx}, ys[5] = {s.y, s.y + ry, s.y, s.y - ry, s.y};
            drawoutline(xs, ys, 4);
        }
        if (s.wideonly) {
            const double rx = WIDEMARK * hx, ry = WIDEMARK * hy;
            const PLFLT xs[4] = {s.x, s.x - rx, s.x + rx, s.x}, ys[4] = {s.y + ry, s.y - ry, s.y - ry, s.y + ry};
            drawoutline(xs, ys, 3);
        }
    }
}

// Segments of the circles' outlines.
constexpr int CIRCLESEGMENTS = 180;

// The workspace's base, the other point of the move and the SCARA's reach.
void drawworkspace(const PlotSetup &s, const MapFrame &f) {
    std::vector<PLFLT> xs, ys;
    if (s.request.type == ROBOTSCARA)
        for (double r : {s.reachInner, s.reachOuter})
            for (int pass = 0; pass < 2; ++pass) {
                outline(0.0, 0.0, r, CIRCLESEGMENTS, xs, ys);
                plcol0(pass == 0 ? BLACK : WHITE);
                plwidth(pass == 0 ? REACHWIDTH : REACHINNERWIDTH);
                plline(CIRCLESEGMENTS + 1, xs.data(), ys.data());
            }
    const double r = MARKSIZE * (f.xhi - f.xlo);
    drawmark(0.0, 0.0, r, 4);
    double ox, oy;
    otherpoint(s, ox, oy);
    drawmark(ox, oy, r, CIRCLESEGMENTS);
}

// Cells of the grid between the lowest and the highest indices that no result holds.
long long missingcells(const std::vector<PlotPoint> &p) {
    auto i = std::minmax_element(p.begin(), p.end(), [](const PlotPoint &a, const PlotPoint &b) { return a.i < b.i; });
    auto j = std::minmax_element(p.begin(), p.end(), [](const PlotPoint &a, const PlotPoint &b) { return a.j < b.j; });
    const long long cells = (static_cast<long long>(i.second->i) - i.first->i + 1) *
                            (static_cast<long long>(j.second->j) - j.first->j + 1);
    return cells - static_cast<long long>(p.size());
}

// The texts of a map picture: in full on a two-column page, short on a one-column
// page, where the panels, bars and legend columns are narrower.
struct MapTexts {
    const char *freeunsolved, *errunsolved, *notrun, *unfinished, *missing, *other, *wide;
    const char *base, *start, *end, *reach;
    const char *novalue, *novalueruns;  // "no " + the measure + these, the count between them
};
constexpr MapTexts FULLTEXTS = {
    "no solution, error-free design: ", "no solution, design with error: ", "not run (out of reach): ",
    "last phase not reached (hatched): ", "not in the results (blank): ", "designs of different structure: ",
    "solved only by the wide search: ", "robot base", "start point of the move", "end point of the move",
    "SCARA reach: %.3g to %.3g m", " (blank): ", " runs"};
constexpr MapTexts SHORTTEXTS = {
    "no error-free design: ", "no design with error: ", "out of reach: ", "unfinished (hatched): ",
    "not in results: ", "other structure: ", "wide search only: ", "robot base", "start point", "end point",
    "reach %.3g to %.3g m", ": ", ""};

const MapTexts &maptexts(const FigureOptions &o) { return onecolumn(o) ? SHORTTEXTS : FULLTEXTS; }

// The entries of the legend under the colour bars, as pllegend takes them.
struct MapLegend {
    std::vector<std::string> texts;
    std::vector<PLINT> opt, boxcolours, patterns, colours, styles, numbers;
    std::vector<PLFLT> widths, scales;
    std::vector<const char *> symbols;
};

// The drawn kinds of cells with their counts, and the workspace's marks.
MapLegend maplegend(const PlotSetup &setup, const std::vector<PlotPoint> &p, const MapTexts &t, Measure m) {
    const int unfinished = countpoints(p, [](const PlotPoint &s) { return s.outcome == POINTCOMPARED && !s.sotocFinished; });
    const int errunsolved = countpoints(p, [](const PlotPoint &s) { return s.outcome == POINTNOSOLUTION && s.noerrsolution; });
    MapLegend l;
    l.texts = {
        t.freeunsolved + std::to_string(countoutcome(p, POINTNOSOLUTION) - errunsolved),
        t.errunsolved + std::to_string(errunsolved),
        t.notrun + std::to_string(countoutcome(p, POINTNOTRUN)),
        t.unfinished + std::to_string(unfinished),
    };
    l.opt.assign(4, PL_LEGEND_COLOR_BOX);
    l.boxcolours.assign(4, BLACK);
    l.patterns = {NOSOLUTIONPATTERN, NOERRSOLUTIONPATTERN, NOTRUNPATTERN, HATCHPATTERN};
    l.colours.assign(4, BLACK);
    l.styles.assign(4, 1);
    l.numbers.assign(4, 1);
    l.widths.assign(4, HATCHWIDTH);
    l.scales.assign(4, 1.0);
    l.symbols.assign(4, "");
    const long long missing = missingcells(p);
    auto add = [&](const std::string &text, PLINT option, PLINT colour, PLFLT width, const char *symbol) {
        l.texts.push_back(text);
        l.opt.push_back(option);
        l.boxcolours.push_back(WHITE);
        l.patterns.push_back(0);
        l.colours.push_back(colour);
        l.styles.push_back(1);
        l.numbers.push_back(1);
        l.widths.push_back(width);
        l.scales.push_back(1.0);
        l.symbols.push_back(symbol);
    };
    if (missing > 0) add(t.missing + std::to_string(missing), PL_LEGEND_NONE, BLACK, 1.0, "");
    const int novalue = countnovalue(p, m);
    if (novalue > 0)
        add("no " + std::string(measurerow(m).words) + t.novalue + std::to_string(novalue) + t.novalueruns,
            PL_LEGEND_NONE, BLACK, 1.0, "");
    const int other = countpoints(p, [](const PlotPoint &s) { return s.otherstructure; });
    if (other > 0) add(t.other + std::to_string(other), PL_LEGEND_SYMBOL, BLACK, 1.0, "◇");
    const int wide = countpoints(p, [](const PlotPoint &s) { return s.wideonly; });
    if (wide > 0) add(t.wide + std::to_string(wide), PL_LEGEND_SYMBOL, BLACK, 1.0, "△");
    if (workspace(setup)) {
        add(t.base, PL_LEGEND_SYMBOL, BLACK, 1.0, "□");
        const bool endvaries = setup.xaxis == AXISENDX || setup.xaxis == AXISENDY;
        add(endvaries ? t.start : t.end, PL_LEGEND_SYMBOL, BLACK, 1.0, "○");
        if (setup.request.type == ROBOTSCARA)
            add(printed(t.reach, setup.reachInner, setup.reachOuter), PL_LEGEND_LINE, BLACK, REACHWIDTH, "");
    }
    return l;
}

// The rows of the legend: in up to `columns` columns.
int legendrows(const MapLegend &l, int columns) {
    return (static_cast<int>(l.texts.size()) + columns - 1) / columns;
}

// The legend in the upper left of the viewport, framed, on white, in `rows` rows
// filled column by column.
void drawmaplegend(const MapLegend &l, const Viewport &port, int rows, bool narrow) {
    const PLINT n = static_cast<PLINT>(l.texts.size());
    std::vector<const char *> text;
    for (const std::string &t : l.texts) text.push_back(t.c_str());
    std::vector<PLINT> textcolours(n, BLACK);
    std::vector<PLFLT> boxscales(n, 0.8), boxwidths(n, HATCHWIDTH);
    PLFLT width, height;
    plvpor(port.left, port.right, port.low, port.high);
    plwind(0.0, 1.0, 0.0, 1.0);
    pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
             PL_POSITION_INSIDE | PL_POSITION_LEFT | PL_POSITION_TOP, 0.0, 0.0, LEGENDSAMPLE, WHITE, BLACK, 1, rows,
             (n + rows - 1) / rows, n, l.opt.data(), 0.8, narrow ? NARROWLEGENDTEXTSCALE : LEGENDTEXTSCALE,
             narrow ? NARROWLEGENDSPACING : LEGENDSPACING, 0.0, textcolours.data(),
             text.data(), l.boxcolours.data(), l.patterns.data(), boxscales.data(), boxwidths.data(),
             l.colours.data(), l.styles.data(), l.widths.data(), l.colours.data(), l.scales.data(),
             l.numbers.data(), l.symbols.data());
}

// Where the parts of a map picture lie: the panels' boxes (before equal scales), the
// colour bars' band, the legend and the box the title stands on [shares of the page].
struct MapLayout {
    double left[PANELS], right[PANELS], bottom, top;
    double barlow, barhigh;
    Viewport legend, title;
};

// On a two-column page the fixed places; on a one-column page from the bottom up:
// the legend in two columns as high as its rows, the bars over it, the panels side
// by side across the width over them, up to the title's lines.
MapLayout maplayout(const FigureOptions &o, size_t titlelinecount, int legendrows) {
    MapLayout l{};
    if (!onecolumn(o)) {
        for (int k = 0; k < PANELS; ++k) {
            l.left[k] = PANELLEFT[k];
            l.right[k] = PANELRIGHT[k];
        }
        l.bottom = PANELLOW;
        l.top = o.title ? PANELTITLED : PANELUNTITLED;
        l.barlow = BARLOW;
        l.barhigh = BARHIGH;
        l.legend = {fromleft(2), fromleft(LAYOUTWIDTH - 2), LEGENDLOW, LEGENDHIGH};
        l.title = {PANELLEFT[0], PANELRIGHT[2], TITLELOW, TITLEHIGH};
        return l;
    }
    const PageSize page = pagesize(o);
    const double w = page.w, h = page.h;
    const double legendtop = NARROWMARGIN + compactlegendpoints(legendrows);  // [pt from the bottom]
    const double barlow = legendtop + NARROWBARROOM, barhigh = barlow + BARPOINTS;
    const double bottom = barhigh + NARROWXLABELROOM;
    const double titlelow = h - NARROWMARGIN - (o.title ? titlepoints(titlelinecount) : 0.0);
    const double top = titlelow - NARROWPANELTITLEROOM;
    const double box = (w - NARROWLEFT - NARROWMARGIN - (PANELS - 1) * NARROWPANELGAP) / PANELS;
    for (int k = 0; k < PANELS; ++k) {
        l.left[k] = (NARROWLEFT + k * (box + NARROWPANELGAP)) / w;
        l.right[k] = l.left[k] + box / w;
    }
    l.bottom = bottom / h;
    l.top = top / h;
    l.barlow = barlow / h;
    l.barhigh = barhigh / h;
    l.legend = {ONECOLUMNMARGIN, 1.0 - ONECOLUMNMARGIN, NARROWMARGIN / h, legendtop / h};
    l.title = {ONECOLUMNMARGIN, 1.0 - ONECOLUMNMARGIN, top / h, titlelow / h};
    return l;
}

void drawmappanel(const PlotSetup &setup, const std::vector<PlotPoint> &p, const MapFrame &f, MapPanel k,
                  const CellScales &c, const FigureOptions &o) {
    plvpor(f.left[k], f.right[k], f.bottom, f.top);
    plwind(f.xlo, f.xhi, f.ylo, f.yhi);
    setcolourmap(k == PANELWIN ? DARKTOLIGHT : VIRIDIS);
    drawcells(p, k, c);
    drawcellmarks(p, c);
    if (workspace(setup)) drawworkspace(setup, f);
    plcol0(BLACK);
    plwidth(1.0);
    const PageSize page = pagesize(o);
    const double box = (f.right[k] - f.left[k]) * page.w, high = (f.top - f.bottom) * page.h;  // [pt]
    // PLplot's spacing on a two-column page; spaced to the panel's size on a one-column page.
    const double xstep = onecolumn(o) ? tickstep({f.xlo, f.xhi}, box, XNUMBERPITCH * TEXTPOINTS, false) : 0.0;
    const double ystep = onecolumn(o) ? tickstep({f.ylo, f.yhi}, high, YNUMBERPITCH * TEXTPOINTS, false) : 0.0;
    plbox("bcnst", xstep, 0, k == PANELTOC ? "bcnstv" : "bcstv", ystep, 0);
    plmtex("t", PANELTITLEDISTANCE, 0.5, 0.5, paneltitle(k, c.measure, onecolumn(o)).c_str());
    plmtex("b", onecolumn(o) ? NARROWXLABELDISTANCE : XLABELDISTANCE, 0.5, 0.5,
           axislabel(setup.xaxis, setup.request.type).c_str());
    if (k == PANELTOC) plmtex("l", onecolumn(o) ? NARROWYLABELDISTANCE : YLABELDISTANCE, 0.5, 0.5, axislabel(setup.yaxis, setup.request.type).c_str());
}

// A colour bar from `left` to `right` of the current colour map 1 over the range,
// numbered as powers of ten (`logscale`) or as the values; `label` under it, or what
// its ends mean at them. Its steps are the entries the cells take, each reaching a
// little into the next.
void drawbar(double left, double right, const MapLayout &l, double pagewidth, double labeldistance, Range r,
             bool logscale, const std::string &label, const std::string &lowend = "",
             const std::string &highend = "") {
    plvpor(left, right, l.barlow, l.barhigh);
    plwind(r.lo, r.hi, 0.0, 1.0);
    const double step = (r.hi - r.lo) / CMAP1ENTRIES;
    const double overlap = CELLOVERLAP * (r.hi - r.lo) / ((right - left) * pagewidth);
    for (int e = 0; e < CMAP1ENTRIES; ++e) {
        const double lo = r.lo + e * step, hi = e + 1 < CMAP1ENTRIES ? lo + step + overlap : r.hi;
        const PLFLT xs[4] = {lo, hi, hi, lo}, ys[4] = {0.0, 0.0, 1.0, 1.0};
        setcolour(e);
        plfill(4, xs, ys);
    }
    plcol0(BLACK);
    plwidth(1.0);
    if (logscale)
        plbox("bcnstlo", 1.0, 1, "bc", 0.0, 0);
    else
        plbox("bcnst", 0.0, 0, "bc", 0.0, 0);
    plmtex("b", labeldistance, 0.5, 0.5, label.c_str());
    plmtex("b", labeldistance, 0.0, 0.0, lowend.c_str());
    plmtex("b", labeldistance, 1.0, 1.0, highend.c_str());
}

// The bars under the panels of the layout (before equal scales, so that they keep
// their width when the panels are narrower).
void drawbars(const CellScales &c, const MapLayout &l, const FigureOptions &o) {
    const MeasureRow &row = measurerow(c.measure);
    const bool narrow = onecolumn(o);
    const std::string label = narrow ? std::string(row.words) + " [" + row.unit + "]"
                                     : std::string(row.scale) + " [" + row.unit + "], both panels";
    const double pagewidth = pagesize(o).w, distance = narrow ? NARROWBARLABELDISTANCE : BARLABELDISTANCE;
    const double inset = (narrow ? NARROWBARINSET : BARINSET) / pagewidth;
    setcolourmap(VIRIDIS);
    drawbar(l.left[PANELTOC], l.right[PANELSOTOC] - (narrow ? inset : 0.0), l, pagewidth, distance, c.error,
            row.logscale, label);
    setcolourmap(DARKTOLIGHT);
    drawbar(l.left[PANELWIN], l.right[PANELWIN] - inset, l, pagewidth, distance, c.win, true, "",
            narrow ? "◀ SOTOC" : std::string("◀ SOTOC ") + row.better, narrow ? "TOC ▶" : std::string("TOC ") + row.better + " ▶");
}

}  // namespace

namespace {

int legendcolumns(const FigureOptions &o) { return onecolumn(o) ? NARROWLEGENDCOLUMNS : LEGENDCOLUMNS; }

MapLayout maplayout(const PlotSetup &setup, const std::vector<PlotPoint> &points, const FigureOptions &o) {
    return maplayout(o, pagetitle(setup, "Map", o).size(),
                     legendrows(maplegend(setup, points, maptexts(o), o.measure), legendcolumns(o)));
}

}  // namespace

MapFrame mapframe(const PlotSetup &setup, const std::vector<PlotPoint> &points, const FigureOptions &o) {
    const MapLayout l = maplayout(setup, points, o);
    MapFrame f{};
    for (int k = 0; k < PANELS; ++k) {
        f.left[k] = l.left[k];
        f.right[k] = l.right[k];
    }
    f.bottom = l.bottom;
    f.top = l.top;
    const CellEdges cellsx = edgesx(points), cellsy = edgesy(points);
    f.xlo = f.ylo = HUGE_VAL;
    f.xhi = f.yhi = -HUGE_VAL;
    auto take = [&](double x, double y, double rx, double ry) {
        f.xlo = std::min(f.xlo, x - rx);
        f.xhi = std::max(f.xhi, x + rx);
        f.ylo = std::min(f.ylo, y - ry);
        f.yhi = std::max(f.yhi, y + ry);
    };
    for (const auto &[i, cell] : cellsx) {
        f.xlo = std::min(f.xlo, cell.lo);
        f.xhi = std::max(f.xhi, cell.hi);
    }
    for (const auto &[j, cell] : cellsy) {
        f.ylo = std::min(f.ylo, cell.lo);
        f.yhi = std::max(f.yhi, cell.hi);
    }
    if (!workspace(setup)) return f;
    double ox, oy;
    otherpoint(setup, ox, oy);
    take(0.0, 0.0, 0.0, 0.0);
    take(ox, oy, 0.0, 0.0);
    const double mx = WORKSPACEMARGIN * (f.xhi - f.xlo), my = WORKSPACEMARGIN * (f.yhi - f.ylo);
    f.xlo -= mx;
    f.xhi += mx;
    f.ylo -= my;
    f.yhi += my;
    equalscales(f, pagesize(o), onecolumn(o));
    return f;
}

Outcome drawmap(OutputFile &picture, const PlotSetup &setup, const std::vector<PlotPoint> &points,
                const FigureOptions &o) {
    const Outcome begun = beginpage(picture, points, setup, o, "Map");
    if (!begun.ok()) return begun;
    std::vector<PlotPoint> p = points;
    std::sort(p.begin(), p.end(), [](const PlotPoint &a, const PlotPoint &b) {
        return a.j != b.j ? a.j < b.j : a.i < b.i;
    });
    const MapFrame f = mapframe(setup, p, o);
    const PageSize page = pagesize(o);
    // Half a cell and the overlap, in axis units per point of the panel.
    const double pxx = (f.xhi - f.xlo) / ((f.right[0] - f.left[0]) * page.w);
    const double pxy = (f.yhi - f.ylo) / ((f.top - f.bottom) * page.h);
    const Measure m = o.measure;
    const Range values = measurerow(m).logscale ? logrange(p, false, m) : valuerange(p, false, m);
    const CellScales c = {m, values, winrange(p, m), edgesx(p), edgesy(p), CELLOVERLAP * pxx, CELLOVERLAP * pxy};
    const MapLayout l = maplayout(setup, p, o);
    if (o.title) drawsettingstitle(setup, "Map", l.title, o);
    for (int k = 0; k < PANELS; ++k) drawmappanel(setup, p, f, static_cast<MapPanel>(k), c, o);
    drawbars(c, l, o);
    const MapLegend legend = maplegend(setup, p, maptexts(o), m);
    drawmaplegend(legend, l.legend, legendrows(legend, legendcolumns(o)), onecolumn(o));
    return endpage(picture);
}
