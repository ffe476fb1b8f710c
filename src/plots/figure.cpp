#include "plots/figure.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Where the panels lie [share of the page]: the tip paths at the left with the
// legend under them, the four time panels stacked at the right, TIMEGAP apart; their
// tops TITLEROOM lower when the title is drawn.
constexpr Viewport PATHPORT = {0.10, 0.43, 0.52, 0.97};
constexpr Viewport LEGENDPORT = {0.005, 0.43, 0.005, 0.40};
constexpr double TIMELEFT = 0.565, TIMERIGHT = 0.985;
constexpr double TIMELOW = 0.10, TIMEHIGH = 0.97;
constexpr double TIMEGAP = 0.02;
constexpr double TITLEROOM = 0.09;
// Markers along each curve of a time panel, spread over the time axis; SOTOC's
// half a spacing later than TOC's, so that they stand apart where the runs meet.
constexpr int CURVEMARKS = 8;
// Distance of the value-axis labels left of their panels [text heights].
constexpr double YLABELDISTANCE = 3.6;
// Distance of the time and x labels under their panels [text heights].
constexpr double XLABELDISTANCE = 3.0;
// The one-column layout [pt of its page]: the title over the panels, the legend in
// two columns at the bottom, and between them the tip paths at the left (to
// NARROWPATHRIGHT of the page's width) beside the time panels in two rows of two,
// displacements over torques, each with its label over its upper left corner. Room
// at the page's edges, left of the paths and of each time panel for their numbers,
// over each time panel for its label, between the rows, and under the panels for the
// x numbers and labels.
constexpr double NARROWMARGIN = 3.0, NARROWLEFT = 34.0, NARROWPATHRIGHT = 0.36;
constexpr double NARROWNUMBERS = 26.0, NARROWLABELROOM = 12.0, NARROWROWGAP = 4.0, NARROWXROOM = 30.0;
// Rows the legend keeps on a one-column page: the most entries in two columns.
constexpr int NARROWLEGENDROWS = 5;
constexpr int NARROWLEGENDCOLUMNS = 2;
// Distances on a one-column page of a time panel's label over it and of the x labels
// under the panels [text heights].
constexpr double NARROWLABELLIFT = 0.6;
constexpr double NARROWXLABELDISTANCE = 3.4;

// Room around the tip paths, as a share of their larger extent.
constexpr double PATHMARGIN = 0.06;
// Room above and below the joint displacements, as a share of their span.
constexpr double FIMARGIN = 0.08;
// A joint panel shows every run when they stay within the designed motion (the
// error-free run and the joint's goal) widened by this share of its span on each
// side; otherwise only that, the runs beyond it clipped and marked where they leave.
constexpr double SPINROOM = 0.5;
// Marks of a run leaving a joint panel at its top or its bottom.
const char *const MARKABOVE = "▲";
const char *const MARKBELOW = "▼";
// Room beyond the torque limits (or a larger torque), as a share of it.
constexpr double TORQUEMARGIN = 0.12;
// Smallest span of a panel [m, rad]: a path or a joint that hardly moves is shown
// over this span around its middle, with axis numbers of a few digits.
constexpr double MINSPAN = 0.01;
// Significant digits of the positioning errors in the legend.
constexpr int ERRORDIGITS = 3;

// The error-free run is drawn wider and first, so that it shows beside the runs
// with the error where they cover it [PLplot line-width units].
constexpr double FREEWIDTH = 3.5;
// Width of the switching instants, goals and torque limits.
constexpr double THINWIDTH = 1.0;
// Markers of the start and the goal of the move, open so that the runs show through,
// and their height as a share of the text height.
const char *const MARKSTART = "□";
const char *const MARKGOAL = "◇";
constexpr double ENDSSCALE = 1.0;

// A run's log column: joint displacements, tip position or joint torques.
using Table = double (RunLog::*)[MAXSAMPLES][2];

// One of the three runs as the figure draws it, in drawing order.
struct RunStyle {
    const RunLog *log;
    const RunFigures *figures;
    PlotColour colour;
    int style;          // pllsty line style
    double width;       // [PLplot line-width units]
    const char *mark;   // marker along its curves, "" for none
    double markphase;   // where its first marker lies [share of the marks' spacing]
};

constexpr Range NOVALUES = {HUGE_VAL, -HUGE_VAL};

void extend(Range &r, double v) {
    if (!std::isfinite(v)) return;
    r.lo = std::min(r.lo, v);
    r.hi = std::max(r.hi, v);
}

double centre(const Range &r) { return 0.5 * (r.lo + r.hi); }

// The range widened by `by` at both ends and to MINSPAN at least; without values,
// MINSPAN around zero.
Range widened(const Range &r, double by) {
    if (!(r.lo <= r.hi)) return {-0.5 * MINSPAN, 0.5 * MINSPAN};
    if (r.hi - r.lo + 2.0 * by < MINSPAN) return {centre(r) - 0.5 * MINSPAN, centre(r) + 0.5 * MINSPAN};
    return {r.lo - by, r.hi + by};
}

std::vector<RunStyle> runstyles(const RobotRuns &runs, const ComparisonResult &r) {
    return {{&runs.tocFree, &r.tocFree, GREY, SOLID, FREEWIDTH, "", 0.0},
            {&runs.tocErr, &r.tocErr, ORANGE, DASHED, CURVEWIDTH, MARKTOC, 0.25},
            {&runs.sotocErr, &r.sotocErr, BLUE, SOLID, CURVEWIDTH, MARKSOTOC, 0.75}};
}

// Column j of a run's table over the logged rows.
std::vector<double> column(const RunLog &run, Table table, int j) {
    std::vector<double> v(task.nStep + 1);
    for (int i = 0; i <= task.nStep; ++i) v[i] = (run.*table)[i][j];
    return v;
}

std::vector<double> times(double dt) {
    std::vector<double> t(task.nStep + 1);
    for (int i = 0; i <= task.nStep; ++i) t[i] = i * dt;
    return t;
}

// Every value of column j of the three runs.
Range columnrange(const std::vector<RunStyle> &runs, Table table, int j) {
    Range r = NOVALUES;
    for (const RunStyle &run : runs)
        for (double v : column(*run.log, table, j)) extend(r, v);
    return r;
}

// The values the displacement panel of joint j shows: all of the runs' and the
// goal's, or the designed motion's (error-free run and goal) with SPINROOM around
// them when a run goes farther.
Range jointrange(const std::vector<RunStyle> &runs, int j, double goal) {
    Range all = columnrange(runs, &RunLog::fi, j), designed = columnrange({runs[0]}, &RunLog::fi, j);
    extend(all, goal);
    extend(designed, goal);
    const double room = SPINROOM * std::max(designed.hi - designed.lo, MINSPAN);
    const Range window = {designed.lo - room, designed.hi + room};
    if (all.lo >= window.lo && all.hi <= window.hi) return widened(all, FIMARGIN * (all.hi - all.lo));
    return window;
}

// Where a run first leaves the panel's values: its sample, or -1 when it never does.
int firstoutside(const std::vector<double> &v, const Range &y) {
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] < y.lo || v[i] > y.hi) return static_cast<int>(i);
    return -1;
}

// Whether any run leaves the displacement panels.
bool anyclipped(const FigureLayout &l, const std::vector<RunStyle> &runs) {
    for (int j = 0; j < 2; ++j)
        for (const RunStyle &run : runs)
            if (firstoutside(column(*run.log, &RunLog::fi, j), l.fi[j].y) >= 0) return true;
    return false;
}

// The limit the runs' torques of joint j were held to [N m; cylindrical joint 2: N].
double torquelimitof(const ComparisonSettings &s, const ComparisonResult &r, int j) {
    if (s.sgnG == MOTIONVERTICAL) return j == 0 ? r.T1maxG : r.T2maxG;
    return j == 0 ? r.T1max : r.T2max;
}

// The top of the panels: lower by TITLEROOM under a title.
double paneltop(const FigureOptions &o, double top) { return o.title ? top - TITLEROOM : top; }

// The title's lines of the comparison of settings s.
std::vector<std::string> figuretitle(const ComparisonSettings &s, const FigureOptions &o) {
    return titlelines("TOC and SOTOC designed with a mass error: " + robottitle(s),
                      movetitle(s) + printed(";  mass error of the design %+g %%", 100.0 * s.errRatio), o);
}

// The band of a one-column page the panels take, their labels and numbers aside [pt
// from the bottom].
Range narrowband(const ComparisonSettings &s, const FigureOptions &o) {
    const double top = pagesize(o).h - NARROWMARGIN - (o.title ? titlepoints(figuretitle(s, o).size()) : 0.0);
    return {NARROWMARGIN + compactlegendpoints(NARROWLEGENDROWS) + NARROWXROOM, top - NARROWLABELROOM};
}

Viewport pathport(const ComparisonSettings &s, const FigureOptions &o) {
    if (onecolumn(o)) {
        const PageSize page = pagesize(o);
        const Range band = narrowband(s, o);
        return {NARROWLEFT / page.w, NARROWPATHRIGHT, band.lo / page.h, band.hi / page.h};
    }
    return {PATHPORT.left, PATHPORT.right, PATHPORT.low, paneltop(o, PATHPORT.high)};
}

// The time panel k of four, counted from the top; on a one-column page in two rows
// of two, row by row.
Viewport timeport(int k, const ComparisonSettings &s, const FigureOptions &o) {
    if (onecolumn(o)) {
        const PageSize page = pagesize(o);
        const Range band = narrowband(s, o);
        const double left = NARROWPATHRIGHT * page.w + NARROWNUMBERS, right = page.w - NARROWMARGIN;
        const double w = 0.5 * (right - left - NARROWNUMBERS), h = 0.5 * (band.hi - band.lo - NARROWLABELROOM - NARROWROWGAP);
        const double x = left + (k % 2) * (w + NARROWNUMBERS), y = band.hi - (k / 2) * (h + NARROWLABELROOM + NARROWROWGAP);
        return {x / page.w, (x + w) / page.w, (y - h) / page.h, y / page.h};
    }
    const double top = paneltop(o, TIMEHIGH);
    const double h = (top - TIMELOW - 3 * TIMEGAP) / 4;
    const double high = top - k * (h + TIMEGAP);
    return {TIMELEFT, TIMERIGHT, high - h, high};
}

// The tip paths, start and goal, at one scale both ways around their middle.
Panel pathpanel(const ComparisonSettings &s, const std::vector<RunStyle> &runs, const FigureOptions &o) {
    Range x = columnrange(runs, &RunLog::P, 0), y = columnrange(runs, &RunLog::P, 1);
    extend(x, s.x0);
    extend(x, s.xf);
    extend(y, s.y0);
    extend(y, s.yf);
    const double margin = PATHMARGIN * std::max(x.hi - x.lo, y.hi - y.lo);
    x = widened(x, margin);
    y = widened(y, margin);
    const Viewport port = pathport(s, o);
    const PageSize page = pagesize(o);
    const double w = (port.right - port.left) * page.w;
    const double h = (port.high - port.low) * page.h;
    const double perunit = std::max((x.hi - x.lo) / w, (y.hi - y.lo) / h);  // metres per page unit
    return {port,
            {centre(x) - 0.5 * perunit * w, centre(x) + 0.5 * perunit * w},
            {centre(y) - 0.5 * perunit * h, centre(y) + 0.5 * perunit * h}};
}

void drawlevel(const Panel &p, double v) {
    drawpolyline({p.x.lo, p.x.hi}, {v, v}, BLACK, DASHED, THINWIDTH);
}

// The switching instants and final time of a design, across the panel.
void drawinstants(const Panel &p, const double ts[4], PlotColour colour, int style) {
    for (int k = 0; k < 4; ++k) drawpolyline({ts[k], ts[k]}, {p.y.lo, p.y.hi}, colour, style, THINWIDTH);
}

void drawmarker(double x, double y, PlotColour colour, const char *symbol, double scale) {
    plcol0(colour);
    plschr(0.0, scale);
    plstring(1, &x, &y, symbol);
    plschr(0.0, 1.0);
}

// The run's markers along its curve: CURVEMARKS over the time axis, at the samples
// nearest their times, those within the panel's values.
void drawcurvemarks(const Panel &p, const std::vector<double> &t, const std::vector<double> &v, const RunStyle &run) {
    if (*run.mark == '\0' || t.size() < 2) return;
    const double spacing = (p.x.hi - p.x.lo) / CURVEMARKS, dt = t[1] - t[0];
    for (int k = 0; k < CURVEMARKS; ++k) {
        const long i = std::lround((p.x.lo + (k + run.markphase) * spacing) / dt);
        if (i >= 0 && i < static_cast<long>(t.size()) && v[i] >= p.y.lo && v[i] <= p.y.hi)
            drawmarker(t[i], v[i], run.colour, run.mark, MARKSCALE);
    }
}

// The labels under the panel and of its value axis: left of it, or on a one-column
// page (`spaced`, its page) over its upper left corner.
void drawlabels(const char *below, const char *left, PageSize spaced) {
    plcol0(BLACK);
    if (*below != '\0') plmtex("b", spaced.w > 0 ? NARROWXLABELDISTANCE : XLABELDISTANCE, 0.5, 0.5, below);
    if (spaced.w > 0)
        plmtex("t", NARROWLABELLIFT, 0.0, 0.0, left);
    else
        plmtex("l", YLABELDISTANCE, 0.5, 0.5, left);
}

void drawpaths(const Panel &p, const ComparisonSettings &s, const std::vector<RunStyle> &runs, PageSize spaced) {
    drawpanel(p, true, false, spaced);
    for (const RunStyle &run : runs)
        drawpolyline(column(*run.log, &RunLog::P, 0), column(*run.log, &RunLog::P, 1), run.colour, run.style,
                     run.width);
    for (const RunStyle &run : runs)
        if (*run.mark != '\0')
            drawmarker(run.figures->P[0], run.figures->P[1], run.colour, run.mark, MARKSCALE);
    drawmarker(s.x0, s.y0, BLACK, MARKSTART, ENDSSCALE);
    drawmarker(s.xf, s.yf, BLACK, MARKGOAL, ENDSSCALE);
    drawlabels("x [m]", "y [m]", spaced);
}

// Column j of `table` of the three runs against time, under the designs' instants and
// the dashed levels (goal or limits); `last` puts the time axis's numbers and label under it.
// The corners of values v at times t each held until the next time (a zero-order hold).
void staircase(const std::vector<double> &t, const std::vector<double> &v, std::vector<double> &ht,
               std::vector<double> &hv) {
    for (size_t i = 0; i < t.size(); ++i) {
        if (i > 0) {
            ht.push_back(t[i]);
            hv.push_back(v[i - 1]);
        }
        ht.push_back(t[i]);
        hv.push_back(v[i]);
    }
}

// A time panel; with `held` the values are drawn held from each sample to the next,
// as a sampled controller applies its torques.
void drawtimepanel(const Panel &p, const ComparisonResult &r, const std::vector<RunStyle> &runs, Table table,
                   int j, const std::vector<double> &levels, const char *label, bool last, PageSize spaced,
                   bool held = false) {
    drawpanel(p, last, false, spaced);
    drawinstants(p, r.free.ts, GREY, SOLID);
    drawinstants(p, r.err.ts, BLACK, SOLID);
    for (double v : levels) drawlevel(p, v);
    const std::vector<double> t = times(r.dt);
    for (const RunStyle &run : runs) {
        const std::vector<double> v = column(*run.log, table, j);
        if (held) {
            std::vector<double> ht, hv;
            staircase(t, v, ht, hv);
            drawpolyline(ht, hv, run.colour, run.style, run.width);
        } else {
            drawpolyline(t, v, run.colour, run.style, run.width);
        }
        drawcurvemarks(p, t, v, run);
    }
    // A run beyond the panel is clipped at its edge and marked where it first leaves.
    for (const RunStyle &run : runs) {
        const std::vector<double> v = column(*run.log, table, j);
        const int i = firstoutside(v, p.y);
        if (i >= 0 && t[i] <= p.x.hi)
            drawmarker(t[i], v[i] > p.y.hi ? p.y.hi : p.y.lo, run.colour, v[i] > p.y.hi ? MARKABOVE : MARKBELOW,
                       ENDSSCALE);
    }
    drawlabels(last ? "time [s]" : "", label, spaced);
}

// Labels of the value axes of the time panels: displacement and torque of each joint.
struct AxisLabels {
    const char *fi[2];
    const char *tau[2];
};

AxisLabels axislabels(char type) {
    if (type == ROBOTSCARA) return {{"φ1 [rad]", "φ2 [rad]"}, {"τ1 [N m]", "τ2 [N m]"}};
    return {{"θ [rad]", "r [m]"}, {"τ1 [N m]", "F2 [N]"}};
}

// The legend's texts: in full on a two-column page, short in the two columns of a
// one-column page.
struct FigureTexts {
    const char *error;  // printf format of a run's positioning error: run, digits, error
    const char *unfinished, *velocity, *levels, *freeinstants, *errinstants, *clipped;
};
constexpr FigureTexts FULLTEXTS = {"%s: positioning error %.*f m", " (unfinished)", "errors with the velocity term",
                                   "joint goals and torque limits", "switching times: error-free design",
                                   "switching times: design with the error", "run leaves the joint's panel (clipped)"};
constexpr FigureTexts SHORTTEXTS = {"%s: %.*f m", ", unfinished", "errors: with velocity term", "goals, torque limits",
                                    "switching: error-free", "switching: with error", "leaves its panel"};

// The run's positioning error in the format, E with ERRORDIGITS significant digits,
// none of them after a trailing decimal point.
std::string errortext(const char *format, const char *run, const RunFigures &f) {
    const int whole = f.error > 0.0 && std::isfinite(f.error) ? static_cast<int>(std::floor(std::log10(f.error))) + 1 : 1;
    return printed(format, run, std::max(0, ERRORDIGITS - whole), f.error);
}

// The legend under the tip paths, or at the bottom of a one-column page.
void drawfigurelegend(const ComparisonResult &r, bool clipped, const FigureOptions &o) {
    const FigureTexts &t = onecolumn(o) ? SHORTTEXTS : FULLTEXTS;
    std::vector<LegendEntry> entries = {
                      {errortext(t.error, "error-free TOC", r.tocFree), GREY, SOLID, FREEWIDTH, "", MARKSCALE},
                      {errortext(t.error, "TOC", r.tocErr), ORANGE, DASHED, CURVEWIDTH, MARKTOC, MARKSCALE},
                      {errortext(t.error, "SOTOC", r.sotocErr) + (r.sotocFinished ? "" : t.unfinished), BLUE,
                       SOLID, CURVEWIDTH, MARKSOTOC, MARKSCALE},
                      {t.velocity, BLACK, 0, THINWIDTH, "", MARKSCALE},
                      {"start", BLACK, 0, THINWIDTH, MARKSTART, ENDSSCALE},
                      {"goal", BLACK, 0, THINWIDTH, MARKGOAL, ENDSSCALE},
                      {t.levels, BLACK, DASHED, THINWIDTH, "", MARKSCALE},
                      {t.freeinstants, GREY, SOLID, THINWIDTH, "", MARKSCALE},
                      {t.errinstants, BLACK, SOLID, THINWIDTH, "", MARKSCALE},
    };
    if (clipped) entries.push_back({t.clipped, BLACK, 0, THINWIDTH, MARKABOVE, ENDSSCALE});
    if (!onecolumn(o)) {
        drawlegendbox(LEGENDPORT, entries);
        return;
    }
    const PageSize page = pagesize(o);
    drawlegendbox({ONECOLUMNMARGIN, 1.0 - ONECOLUMNMARGIN, NARROWMARGIN / page.h,
                   (NARROWMARGIN + compactlegendpoints(NARROWLEGENDROWS)) / page.h},
                  entries, NARROWLEGENDCOLUMNS, true);
}

}  // namespace

Range motiontime(const ComparisonResult &r) {
    const double last = std::max({r.tocFree.tf, r.tocErr.tf, r.sotocErr.tf});
    return {0.0, std::min((1.0 + TIMEMARGIN) * last, task.nStep * r.dt)};
}

FigureLayout figurelayout(const ComparisonSettings &s, const ComparisonResult &r, const FigureOptions &o) {
    const std::vector<RunStyle> runs = runstyles(robotruns(r.type), r);
    const Range t = std::isnan(o.t0) ? motiontime(r) : Range{o.t0, o.t1};
    FigureLayout l;
    l.path = pathpanel(s, runs, o);
    for (int j = 0; j < 2; ++j) {
        l.fi[j] = {timeport(j, s, o), t, jointrange(runs, j, robotparams(r.type).phif[j])};
        Range tau = columnrange(runs, &RunLog::tau, j);
        extend(tau, torquelimitof(s, r, j));
        const double most = std::max(std::fabs(tau.lo), std::fabs(tau.hi));
        l.tau[j] = {timeport(2 + j, s, o), t, widened({-most, most}, TORQUEMARGIN * most)};
    }
    return l;
}

Outcome drawcomparison(OutputFile &picture, const ComparisonSettings &s, const ComparisonResult &r,
                       const FigureOptions &o) {
    if (r.outcome != COMPARED) {
        abandonoutput(picture);
        return failure("no switching-time solution: no runs to draw");
    }
    const std::string title = "TOC and SOTOC designed with a mass error: " + robottitle(s);
    const Outcome begun = beginpage(picture, o, title);  // the title of its metadata, in one line
    if (!begun.ok()) return begun;
    const FigureLayout l = figurelayout(s, r, o);
    const std::vector<RunStyle> runs = runstyles(robotruns(r.type), r);
    const AxisLabels labels = axislabels(r.type);
    const PageSize spaced = onecolumn(o) ? pagesize(o) : PageSize{0, 0};
    if (o.title) {
        const Viewport &p = l.path.port;
        const double over = onecolumn(o) ? NARROWLABELROOM / spaced.h : 0.0;  // the label over the panels
        drawtitlelines({onecolumn(o) ? ONECOLUMNMARGIN : p.left, p.right, p.low + over, p.high + over},
                       figuretitle(s, o));
    }
    drawpaths(l.path, s, runs, spaced);
    for (int j = 0; j < 2; ++j) {
        const double limit = torquelimitof(s, r, j);
        drawtimepanel(l.fi[j], r, runs, &RunLog::fi, j, {robotparams(r.type).phif[j]}, labels.fi[j], false, spaced);
        drawtimepanel(l.tau[j], r, runs, &RunLog::tau, j, {-limit, limit}, labels.tau[j], j == 1 || onecolumn(o),
                      spaced, std::isfinite(s.controlPeriod));
    }
    drawfigurelegend(r, anyclipped(l, runs), o);
    return endpage(picture);
}
