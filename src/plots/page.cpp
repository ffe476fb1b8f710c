#include "plots/page.h"

#include <plplot.h>

#include <cstdio>

namespace {

// Character height [mm] of PLplot's text: its devices set text of h mm in
// h * 96 / 25.4 points, so 8.5 pt, as a journal's figure text.
constexpr double TEXTHEIGHT = 2.25;
// Digits of the axis numbers written out before PLplot scales them by a power of
// ten, whose label would fall on the title or a neighbouring panel.
constexpr int AXISDIGITS = 7;
// Height of the first title line as a share of the text height.
constexpr double TITLESCALE = 1.1;
// Distances of the title lines above the viewport [text heights].
constexpr double TITLEFIRST = 3.2;
constexpr double TITLESECOND = 1.5;
// Legend: its offset from the viewport's upper left corner [share of the viewport],
// the width of the line samples [share of the viewport], the gap between sample and
// text [character widths], the text's height [share of the text height] and the
// spacing of its lines [character heights].
constexpr double LEGENDINSET = 0.0;
constexpr double LEGENDSAMPLE = 0.08;
constexpr double LEGENDOFFSET = 0.8;
constexpr double LEGENDTEXTSCALE = 0.95;
constexpr double LEGENDSPACING = 1.9;

PLINT legendoptions(const LegendEntry &e) {
    PLINT opt = 0;
    if (e.style != 0) opt |= PL_LEGEND_LINE;
    if (*e.symbol != '\0') opt |= PL_LEGEND_SYMBOL;
    return opt != 0 ? opt : PL_LEGEND_NONE;
}

}  // namespace

void setcolours() {
    // Orange and blue of Okabe and Ito's palette for colour-vision deficiencies; in
    // grey, light and dark.
    const int rgb[NCOLOURS][3] = {{255, 255, 255}, {0, 0, 0},       {230, 159, 0}, {0, 114, 178},
                                  {110, 110, 110}, {215, 215, 215}, {80, 80, 80}};
    for (int c = 0; c < NCOLOURS; ++c) plscol0(c, rgb[c][0], rgb[c][1], rgb[c][2]);
}

std::string plotdevice(const std::string &path) {
    const size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    if (ext == ".png") return "png";
    if (ext == ".svg") return "svg";
    if (ext == ".pdf") return "pdf";
    return "";
}

void setpagetext() {
    pladv(0);
    plschr(TEXTHEIGHT, 1.0);
    plsxax(AXISDIGITS, 0);
    plsyax(AXISDIGITS, 0);
}

void drawpanel(const Panel &p, bool xnumbers, bool ylog) {
    plvpor(p.port.left, p.port.right, p.port.low, p.port.high);
    plwind(p.x.lo, p.x.hi, p.y.lo, p.y.hi);
    plwidth(1.0);
    plcol0(LIGHTGREY);
    plbox("g", 0.0, 0, ylog ? "gl" : "g", 0.0, 0);
    plcol0(BLACK);
    plbox(xnumbers ? "bcnst" : "bcst", 0.0, 0, ylog ? "bcnstlv" : "bcnstv", 0.0, 0);
}

void drawpolyline(const std::vector<double> &xs, const std::vector<double> &ys, PlotColour colour, int style,
                  double width) {
    if (xs.size() < 2) return;
    plcol0(colour);
    plwidth(width);
    pllsty(style);
    plline(static_cast<PLINT>(xs.size()), xs.data(), ys.data());
    pllsty(SOLID);
}

std::string movetitle(const ComparisonSettings &s) {
    return printed("reduction ratios u1 = %g, u2 = %g;  move (%g, %g) m  to  (%g, %g) m", s.u1, s.u2, s.x0, s.y0,
                   s.xf, s.yf);
}

void drawtitlelines(const Viewport &under, const std::string &first, const std::string &second) {
    plvpor(under.left, under.right, under.low, under.high);
    plcol0(BLACK);
    plschr(0.0, TITLESCALE);
    plmtex("t", TITLEFIRST, 0.0, 0.0, first.c_str());
    plschr(0.0, 1.0);
    plmtex("t", TITLESECOND, 0.0, 0.0, second.c_str());
}

void drawlegendbox(const Viewport &port, const std::vector<LegendEntry> &entries, int columns) {
    const size_t n = entries.size();
    std::vector<const char *> text(n), symbols(n);
    std::vector<PLINT> opt(n), textcolours(n, BLACK), colours(n), styles(n), numbers(n, 1);
    std::vector<PLFLT> widths(n), scales(n);
    for (size_t i = 0; i < n; ++i) {
        const LegendEntry &e = entries[i];
        text[i] = e.text.c_str();
        symbols[i] = e.symbol;
        opt[i] = legendoptions(e);
        colours[i] = e.colour;
        styles[i] = e.style != 0 ? e.style : SOLID;
        widths[i] = e.width;
        scales[i] = e.scale;
    }
    PLFLT width, height;
    plvpor(port.left, port.right, port.low, port.high);
    plwind(0.0, 1.0, 0.0, 1.0);
    pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
             PL_POSITION_INSIDE | PL_POSITION_LEFT | PL_POSITION_TOP, LEGENDINSET, LEGENDINSET, LEGENDSAMPLE, WHITE,
             BLACK, SOLID, static_cast<PLINT>((n + columns - 1) / columns), columns, static_cast<PLINT>(n), opt.data(),
             LEGENDOFFSET,
             LEGENDTEXTSCALE, LEGENDSPACING, 0.0, textcolours.data(), text.data(), nullptr, nullptr, nullptr,
             nullptr, colours.data(), styles.data(), widths.data(), colours.data(), scales.data(), numbers.data(),
             symbols.data());
}
