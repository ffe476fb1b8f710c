#include "plots/page.h"

#include <plplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Character height [mm] of PLplot's text: its devices set text of h mm in
// h * 96 / 25.4 points, so 8.5 pt (TEXTPOINTS, to a hundredth of a point).
constexpr double TEXTHEIGHT = 2.25;
// Digits of the axis numbers written out before PLplot scales them by a power of
// ten, whose label would fall on the title or a neighbouring panel.
constexpr int AXISDIGITS = 7;
// Height of the first title line as a share of the text height.
constexpr double TITLESCALE = 1.1;
// Distances of the title lines above the viewport [text heights].
constexpr double TITLEFIRST = 3.2;
constexpr double TITLESECOND = 1.5;
// Widest advance of the titles' characters on average over a line [text heights]:
// DejaVu Sans's digits and signs, wider than its letters, and some room.
constexpr double TITLECHARWIDTH = 0.62;
// Legend: its offset from the viewport's upper left corner [share of the viewport],
// the width of the line samples [share of the viewport; a compact legend's narrower], the gap between sample and
// text [character widths], the text's height [share of the text height] and the
// spacing of its lines [character heights].
constexpr double LEGENDINSET = 0.0;
constexpr double LEGENDSAMPLE = 0.08;
constexpr double COMPACTSAMPLE = 0.05;
constexpr double LEGENDOFFSET = 0.8;
constexpr double LEGENDTEXTSCALE = 0.95;
constexpr double LEGENDSPACING = 1.9;
// Spacing of the lines of a compact legend [character heights], and the room its
// frame takes above the first and under the last line [character heights].
constexpr double COMPACTSPACING = 1.45;
constexpr double COMPACTFRAME = 1.0;

// Decades labelled as decimals, from 0.001 to 1000; beyond them as 1e-4, 1e4: no
// number wider than five characters.
constexpr int DECIMALDECADES = 3;

// Decades from one labelled decade to the next: PLplot ticks every decade of a
// logarithmic axis, and the label function leaves the others without a number.
int decadestep = 1;

// PLplot's label of a logarithmic axis at log10 value `value`: a power of ten written
// out, so that no exponent is set smaller than the text; only every decadestep-th
// decade.
void decadelabel(PLINT, PLFLT value, char *label, PLINT length, PLPointer) {
    const int decade = static_cast<int>(std::lround(value));
    if (decade % decadestep != 0)
        label[0] = '\0';
    else if (std::abs(decade) > DECIMALDECADES)
        std::snprintf(label, static_cast<size_t>(length), "1e%d", decade);
    else
        std::snprintf(label, static_cast<size_t>(length), "%.*f", std::max(0, -decade), std::pow(10.0, decade));
}

PLINT legendoptions(const LegendEntry &e) {
    PLINT opt = 0;
    if (e.style != 0) opt |= PL_LEGEND_LINE;
    if (*e.symbol != '\0') opt |= PL_LEGEND_SYMBOL;
    return opt != 0 ? opt : PL_LEGEND_NONE;
}

}  // namespace

void setcolours() {
    // Orange and blue of Okabe and Ito's palette for colour-vision deficiencies; a
    // grey and a light grey.
    const int rgb[NCOLOURS][3] = {{255, 255, 255}, {0, 0, 0},       {230, 159, 0}, {0, 114, 178},
                                  {110, 110, 110}, {215, 215, 215}};
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
    plslabelfunc(decadelabel, nullptr);
}

double tickstep(Range r, double length, double pitch, bool log) {
    // The smallest step that keeps them apart, but no more than the span, so that a
    // short axis keeps a number.
    const double least = std::min((r.hi - r.lo) * pitch / length, 0.5 * (r.hi - r.lo));
    if (log) return std::max(1.0, std::ceil(least));
    const double decade = std::pow(10.0, std::floor(std::log10(least)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * decade >= least) return m * decade;
    return 10.0 * decade;
}

void drawpanel(const Panel &p, bool xnumbers, bool ylog, PageSize spaced) {
    double xstep = 0.0, ystep = 0.0;
    decadestep = 1;
    if (spaced.w > 0) {
        xstep = tickstep(p.x, (p.port.right - p.port.left) * spaced.w, XNUMBERPITCH * TEXTPOINTS, false);
        ystep = tickstep(p.y, (p.port.high - p.port.low) * spaced.h, YNUMBERPITCH * TEXTPOINTS, ylog);
        if (ylog) {
            decadestep = static_cast<int>(ystep);
            ystep = 0.0;
        }
    }
    plvpor(p.port.left, p.port.right, p.port.low, p.port.high);
    plwind(p.x.lo, p.x.hi, p.y.lo, p.y.hi);
    plwidth(1.0);
    plcol0(LIGHTGREY);
    plbox("g", xstep, 0, ylog ? "gl" : "g", ystep, 0);
    plcol0(BLACK);
    plbox(xnumbers ? "bcnst" : "bcst", xstep, 0, ylog ? "bcnstlov" : "bcnstv", ystep, 0);
    decadestep = 1;
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
    drawtitlelines(under, {first, second});
}

namespace {

// Where the part of the text from `from` ends: after its first ";", ":" or "," outside
// parentheses, or at the text's end.
size_t partend(const std::string &text, size_t from) {
    int depth = 0;
    for (size_t k = from; k < text.size(); ++k) {
        depth += text[k] == '(' ? 1 : text[k] == ')' ? -1 : 0;
        if (depth == 0 && (text[k] == ';' || text[k] == ':' || text[k] == ',')) return k + 1;
    }
    return text.size();
}

// The text broken into lines of at most `chars` characters after the separators
// ";", ":" and "," outside parentheses (the spaces after them dropped at a line's
// start); a part without such a break longer than that stays whole.
std::vector<std::string> broken(const std::string &text, size_t chars) {
    std::vector<std::string> lines;
    std::string line;
    size_t from = 0;
    while (from < text.size()) {
        const size_t to = partend(text, from);
        const std::string part = text.substr(from, to - from);
        if (!line.empty() && line.size() + part.size() > chars) {
            lines.push_back(line);
            line = part.substr(part.find_first_not_of(' ') == std::string::npos ? part.size() : part.find_first_not_of(' '));
        } else {
            line += part;
        }
        from = to;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

std::vector<std::string> titlelines(const std::string &first, const std::string &second, const FigureOptions &o) {
    if (!onecolumn(o)) return {first, second};
    const double width = (1.0 - 2.0 * ONECOLUMNMARGIN) * pagesize(o).w;  // [pt]
    const auto chars = [&](double scale) { return static_cast<size_t>(width / (TITLECHARWIDTH * scale * TEXTPOINTS)); };
    std::vector<std::string> lines = broken(first, chars(TITLESCALE));
    for (const std::string &l : broken(second, chars(1.0))) lines.push_back(l);
    return lines;
}

double titlepoints(size_t lines) {
    return (TITLESECOND + (TITLEFIRST - TITLESECOND) * (lines - 1.0)) * CHARPOINTS + TITLESCALE * TEXTPOINTS;
}

void drawtitlelines(const Viewport &under, const std::vector<std::string> &lines) {
    plvpor(under.left, under.right, under.low, under.high);
    plcol0(BLACK);
    for (size_t k = 0; k < lines.size(); ++k) {
        plschr(0.0, k == 0 ? TITLESCALE : 1.0);
        plmtex("t", TITLESECOND + (TITLEFIRST - TITLESECOND) * (lines.size() - 1 - k), 0.0, 0.0, lines[k].c_str());
    }
    plschr(0.0, 1.0);
}

double compactlegendpoints(int rows) { return (rows * COMPACTSPACING + COMPACTFRAME) * LEGENDTEXTSCALE * CHARPOINTS; }

void drawlegendbox(const Viewport &port, const std::vector<LegendEntry> &entries, int columns, bool compact) {
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
             PL_POSITION_INSIDE | PL_POSITION_LEFT | (compact ? PL_POSITION_BOTTOM : PL_POSITION_TOP), LEGENDINSET, LEGENDINSET, compact ? COMPACTSAMPLE : LEGENDSAMPLE, WHITE,
             BLACK, SOLID, static_cast<PLINT>((n + columns - 1) / columns), columns, static_cast<PLINT>(n), opt.data(),
             LEGENDOFFSET,
             LEGENDTEXTSCALE, compact ? COMPACTSPACING : LEGENDSPACING, 0.0, textcolours.data(), text.data(), nullptr, nullptr, nullptr,
             nullptr, colours.data(), styles.data(), widths.data(), colours.data(), scales.data(), numbers.data(),
             symbols.data());
}
