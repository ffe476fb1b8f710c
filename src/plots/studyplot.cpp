#include "plots/studyplot.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>

namespace {

// Viewports [share of the page]: the distribution functions on the left, the win
// probabilities and the tornado on the right, the legend under them; panels
// TITLEROOM lower under a title.
constexpr Viewport ECDFPANEL = {0.09, 0.47, 0.28, 0.97};
constexpr Viewport WINPANEL = {0.69, 0.98, 0.70, 0.97};
constexpr Viewport TORNADOPANEL = {0.69, 0.98, 0.28, 0.58};
constexpr Viewport LEGEND = {0.005, 0.995, 0.005, 0.14};
constexpr double TITLEROOM = 0.10;
// Distance of the axes' labels from the panels [character heights].
constexpr double YLABELDISTANCE = 3.6;
constexpr double XLABELDISTANCE = 3.0;
// Distance of the rows' names left of a panel [character heights].
constexpr double ROWNAMEDISTANCE = 0.6;
// Height of a bar of the tornado [share of a row].
constexpr double BARHEIGHT = 0.35;

// Whole decades around the positive errors [log10 m]; at least one decade.
Range decades(const StudyPicture &s) {
    double lo = INFINITY, hi = -INFINITY;
    for (const std::vector<double> *errors : {&s.tocErrors, &s.sotocErrors})
        for (double e : *errors)
            if (e > 0 && std::isfinite(e)) {
                lo = std::min(lo, std::floor(std::log10(e)));
                hi = std::max(hi, std::ceil(std::log10(e)));
            }
    if (!std::isfinite(lo)) return Range{-3, 0};
    return Range{lo, std::max(hi, lo + 1)};
}

// The empirical distribution function of the errors as a staircase [log10 m, -].
void drawecdf(std::vector<double> errors, Range x, PlotColour colour, int style) {
    std::sort(errors.begin(), errors.end());
    std::vector<double> xs{x.lo}, ys{0.0};
    const double n = static_cast<double>(errors.size());
    for (size_t i = 0; i < errors.size(); ++i) {
        const double at = errors[i] > 0 ? std::max(std::log10(errors[i]), x.lo) : x.lo;
        xs.insert(xs.end(), {at, at});
        ys.insert(ys.end(), {i / n, (i + 1) / n});
    }
    xs.push_back(x.hi);
    ys.push_back(1.0);
    drawpolyline(xs, ys, colour, style, CURVEWIDTH);
}

void drawecdfpanel(const StudyPicture &s, const Viewport &port) {
    const Range x = decades(s);
    plvpor(port.left, port.right, port.low, port.high);
    plwind(x.lo, x.hi, 0.0, 1.0);
    plwidth(1.0);
    plcol0(LIGHTGREY);
    plbox("gl", 0.0, 0, "g", 0.0, 0);
    plcol0(BLACK);
    plbox("bcnstl", 0.0, 0, "bcnstv", 0.0, 0);
    drawecdf(s.tocErrors, x, ORANGE, DASHED);
    drawecdf(s.sotocErrors, x, BLUE, SOLID);
    plcol0(BLACK);
    plmtex("l", YLABELDISTANCE, 0.5, 0.5, "share of samples");
    plmtex("b", XLABELDISTANCE, 0.5, 0.5, "positioning error [m]");
}

// A horizontal interval with its estimate marked, at height y.
void drawinterval(const IntervalValue &v, double y, PlotColour colour) {
    if (!std::isfinite(v.value)) return;
    drawpolyline({v.lo, v.hi}, {y, y}, colour, SOLID, CURVEWIDTH);
    plcol0(colour);
    plschr(0.0, MARKSCALE);
    plptex(v.value, y, 1.0, 0.0, 0.5, MARKSOTOC);
    plschr(0.0, 1.0);
}

// Names of the rows left of the panel, row k centred at k + 0.5 from the top.
void drawrownames(const std::vector<std::string> &names) {
    plcol0(BLACK);
    const double n = static_cast<double>(names.size());
    for (size_t k = 0; k < names.size(); ++k)
        plmtex("lv", ROWNAMEDISTANCE, 1.0 - (k + 0.5) / n, 1.0, names[k].c_str());
}

// A panel of rows: numbers and a grid along x only, the rows named on the left.
void drawrowpanel(const Viewport &port, Range x, const std::vector<std::string> &names) {
    plvpor(port.left, port.right, port.low, port.high);
    plwind(x.lo, x.hi, 0.0, static_cast<double>(std::max<size_t>(names.size(), 1)));
    plwidth(1.0);
    plcol0(LIGHTGREY);
    plbox("g", 0.0, 0, "", 0.0, 0);
    plcol0(BLACK);
    plbox("bcnst", 0.0, 0, "bc", 0.0, 0);
    drawrownames(names);
}

void drawwinpanel(const StudyPicture &s, const Viewport &port) {
    const double n = static_cast<double>(s.measures.size());
    drawrowpanel(port, {0.0, 1.0}, s.measures);
    drawpolyline({0.5, 0.5}, {0.0, n}, GREY, DASHED, 1.0);
    for (size_t k = 0; k < s.closer.size(); ++k) drawinterval(s.closer[k], n - k - 0.5, BLUE);
    plcol0(BLACK);
    plmtex("b", XLABELDISTANCE, 0.5, 0.5, "P(SOTOC closer)");
}

// A bar from 0 to the value with its interval, in row `top` (its upper edge).
void drawbar(const IntervalValue &v, double top, double offset, PlotColour colour) {
    if (!std::isfinite(v.value)) return;
    const double y0 = top - offset - BARHEIGHT, y1 = top - offset;
    PLFLT xs[4] = {0.0, v.value, v.value, 0.0}, ys[4] = {y0, y0, y1, y1};
    plcol0(colour);
    plfill(4, xs, ys);
    drawpolyline({v.lo, v.hi}, {0.5 * (y0 + y1), 0.5 * (y0 + y1)}, BLACK, SOLID, 1.0);
}

void drawtornadopanel(const StudyPicture &s, const Viewport &port) {
    const double n = static_cast<double>(std::max<size_t>(s.tornado.size(), 1));
    std::vector<std::string> names;
    for (const TornadoRow &r : s.tornado) names.push_back(r.name);
    drawrowpanel(port, {-1.0, 1.0}, names);
    for (size_t k = 0; k < s.tornado.size(); ++k) {
        const double top = n - k - (1 - 2 * BARHEIGHT) / 2;
        drawbar(s.tornado[k].toc, top, 0.0, ORANGE);
        drawbar(s.tornado[k].sotoc, top, BARHEIGHT, BLUE);
    }
    drawpolyline({0.0, 0.0}, {0.0, n}, BLACK, SOLID, 1.0);
    plcol0(BLACK);
    plmtex("b", XLABELDISTANCE, 0.5, 0.5, "partial rank correlation with the error");
}

void drawstudylegend() {
    drawlegendbox(LEGEND,
                  {{"TOC with the model's error", ORANGE, DASHED, CURVEWIDTH, "", MARKSCALE},
                   {"SOTOC with the model's error", BLUE, SOLID, CURVEWIDTH, "", MARKSCALE},
                   {"estimate, 95 % interval", BLUE, SOLID, CURVEWIDTH, MARKSOTOC, MARKSCALE}},
                  2);
}

// A viewport lowered at its top by `shift`.
Viewport lowered(const Viewport &v, double shift) { return Viewport{v.left, v.right, v.low, v.high - shift}; }

}  // namespace

Outcome drawstudy(OutputFile &picture, const StudyPicture &study, const FigureOptions &o) {
    if (study.tocErrors.empty()) {
        abandonoutput(picture);
        return failure("no sample was compared: there is nothing to draw");
    }
    const Outcome begun = beginpage(picture, o, "Monte Carlo study");
    if (!begun.ok()) return begun;
    const double shift = o.title ? TITLEROOM : 0.0;
    const Viewport ecdf = lowered(ECDFPANEL, shift);
    if (o.title) drawtitlelines(ecdf, "Monte Carlo study", study.title);
    drawecdfpanel(study, ecdf);
    drawwinpanel(study, lowered(WINPANEL, shift));
    drawtornadopanel(study, lowered(TORNADOPANEL, shift));
    drawstudylegend();
    return endpage(picture);
}
