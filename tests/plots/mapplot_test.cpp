// The map picture: files of each format, the colours of the cells found where the
// page's layout puts them, the workspace's marks and equal scales, and a drawing that does
// not depend on the order of the points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "atomicwrite/outfile.h"
#include "plots/plot.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"

namespace {

// SCARA with gravity; the axes as the test sets them.
PlotSetup setupof(PlotAxis x, PlotAxis y) {
    PlotSetup s{};
    s.request = CompareRequest{ROBOTSCARA, MOTIONVERTICAL, {40.0, 40.0}, {0.7, 0.0}, {-0.3, 0.4}, ELBOWUP, 5.0};
    s.map = true;
    s.xaxis = x;
    s.yaxis = y;
    s.reachInner = 0.1;
    s.reachOuter = 0.9;
    return s;
}

// A 5 x 4 map of the mass error (-20 to 20 %) against both ratios (20 to 50): SOTOC
// ten times closer left of the middle column, ten times farther right of it, equal
// in it. TOC's errors are 0.1 m but 1 mm and 1 m in the middle column's first and
// last cells, the ends of the error scale. Two corners could not run, one cell has
// no solution, and one SOTOC run never reached its last phase (its 50 m are beyond
// the scale).
std::vector<PlotPoint> ratiomap() {
    std::vector<PlotPoint> p;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 5; ++i) {
            PlotPoint c = mapcell(i, j, -20.0 + 10.0 * i, 20.0 + 10.0 * j);
            c.tocError = i == 2 && j == 0 ? 1e-3 : i == 2 && j == 3 ? 1.0 : 0.1;
            c.sotocError = i < 2 ? c.tocError / 10.0 : i > 2 ? c.tocError * 10.0 : c.tocError;
            if ((i == 0 && j == 0) || (i == 4 && j == 3)) c.outcome = POINTNOTRUN;
            if (i == 1 && j == 2) c.outcome = POINTNOSOLUTION;
            if (i == 3 && j == 1) {
                c.sotocFinished = false;
                c.sotocError = 50.0;
            }
            p.push_back(c);
        }
    return p;
}

bool draw(const std::string &path, const PlotSetup &setup, const std::vector<PlotPoint> &points,
          std::string &message) {
    OutputFile out;
    if (beginoutput(path, out).ok()) {
        const Outcome drawn = drawmap(out, setup, points);
        message = drawn.message;
        return drawn.ok();
    }
    message = outputproblem(out);
    return false;
}

std::string content(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}


bool near(Rgb a, Rgb b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string text(Rgb c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// Grey of a colour by ITU-R BT.601's weights [0 to 255].
double grey(Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// Kinds of lines across the middle of a cell (a square of half its size): changes
// between white and black along its rows and along its columns. Lines along x
// change only down the columns, lines along y only along the rows, diagonals both.
enum Lines { NOLINES, ALONGX, ALONGY, DIAGONAL };

Lines linesin(const RgbImage &pic, const MapFrame &f, int k, const PlotPoint &c, double hx, double hy) {
    int alongrows = 0, alongcolumns = 0;
    for (int a = -10; a <= 10; ++a)
        for (int b = -10; b < 10; ++b) {
            const bool here = grey(mappixel(pic, f, k, c.x + a * hx / 20.0, c.y + b * hy / 20.0)) < 128.0;
            alongcolumns += here != (grey(mappixel(pic, f, k, c.x + a * hx / 20.0, c.y + (b + 1) * hy / 20.0)) < 128.0);
            alongrows += (grey(mappixel(pic, f, k, c.x + b * hx / 20.0, c.y + a * hy / 20.0)) < 128.0) !=
                         (grey(mappixel(pic, f, k, c.x + (b + 1) * hx / 20.0, c.y + a * hy / 20.0)) < 128.0);
        }
    const int some = 10;  // changes that make lines, not a stray pixel
    if (alongrows >= some && alongcolumns >= some) return DIAGONAL;
    if (alongcolumns >= some) return ALONGX;
    if (alongrows >= some) return ALONGY;
    return NOLINES;
}

// Pixels of black lines in the middle of a cell of panel k (a square of half its size).
int darkpixels(const RgbImage &pic, const MapFrame &f, int k, const PlotPoint &c, double hx, double hy) {
    int n = 0;
    for (int a = -10; a <= 10; ++a)
        for (int b = -10; b <= 10; ++b) {
            const Rgb p = mappixel(pic, f, k, c.x + a * hx / 20.0, c.y + b * hy / 20.0);
            n += p.r + p.g + p.b < 60;
        }
    return n;
}

// Where the panels lie on the 518 x 324 pt page, worked out from its layout: three
// boxes 143 pt across, 42 pt from the left edge and 20 pt apart, from 52 pt to 196 pt
// below the top edge; the axes' window runs half a cell beyond the outer cells' centres.
MapFrame pageframe(double xlo, double xhi, double ylo, double yhi) {
    MapFrame f{};
    for (int k = 0; k < 3; ++k) {
        f.left[k] = (42.0 + 163.0 * k) / 518.0;
        f.right[k] = (185.0 + 163.0 * k) / 518.0;
    }
    f.top = 1.0 - 52.0 / 324.0;
    f.bottom = 1.0 - 196.0 / 324.0;
    f.xlo = xlo;
    f.xhi = xhi;
    f.ylo = ylo;
    f.yhi = yhi;
    return f;
}

// The ends and the middle of the scale of which came closer: dark blue, mid-grey, light yellow.
const Rgb SOTOCEND = {0, 34, 78}, TOCEND = {254, 232, 56}, EQUAL = {112, 113, 115};
const Rgb VIRIDISLOW = {68, 1, 84}, VIRIDISHIGH = {253, 231, 37};

TEST(MapPlot, EachFormatByItsExtension) {
    TempDir dir;
    std::string message;
    const PlotSetup setup = setupof(AXISERROR, AXISRATIOS);
    for (const char *name : {"/m.png", "/m.svg", "/m.pdf"})
        ASSERT_TRUE(draw(dir.path + name, setup, ratiomap(), message)) << name << ": " << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.path + "/m.png", pic));
    EXPECT_EQ(pic.w, 2158) << "7.2 in at 300 dpi";
    EXPECT_EQ(pic.h, 1350) << "4.5 in at 300 dpi";
    EXPECT_NE(content(dir.path + "/m.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(content(dir.path + "/m.pdf").compare(0, 5, "%PDF-"), 0);
    EXPECT_FALSE(draw(dir.path + "/m.gif", setup, ratiomap(), message));
    EXPECT_NE(message.find(".png, .svg or .pdf"), std::string::npos);
    EXPECT_FALSE(draw(dir.path + "/none.png", setup, {}, message));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"m.pdf", "m.png", "m.svg"}));
}

// Every cell where the page's layout puts it: dark blue where SOTOC came closer, light
// yellow where TOC did, mid-grey where they are equal; the ends of the error scale; the
// patterns of cells without figures in every panel; hatching only where SOTOC never
// finished.
TEST(MapPlot, CellsShowWhoCameCloser) {
    TempDir dir;
    std::string message;
    const PlotSetup setup = setupof(AXISERROR, AXISRATIOS);
    const std::vector<PlotPoint> points = ratiomap();
    ASSERT_TRUE(draw(dir.file("m.png"), setup, points, message)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("m.png"), pic));
    const MapFrame drawn = mapframe(setup, points);
    EXPECT_DOUBLE_EQ(drawn.xlo, -25.0);
    EXPECT_DOUBLE_EQ(drawn.xhi, 25.0);
    EXPECT_DOUBLE_EQ(drawn.ylo, 15.0);
    EXPECT_DOUBLE_EQ(drawn.yhi, 55.0);
    const MapFrame f = pageframe(-25.0, 25.0, 15.0, 55.0);  // cells -20 to 20 by 10, 20 to 50 by 10
    for (const PlotPoint &c : points) {
        const std::string at = "cell " + std::to_string(c.i) + ", " + std::to_string(c.j);
        if (c.outcome != POINTCOMPARED) {
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(linesin(pic, f, k, c, 5.0, 5.0), c.outcome == POINTNOTRUN ? DIAGONAL : ALONGX) << at;
            continue;
        }
        if (!c.sotocFinished) continue;  // hatched
        const Rgb win = mappixel(pic, f, 2, c.x, c.y);
        const Rgb expected = c.sotocError < c.tocError ? SOTOCEND : c.sotocError > c.tocError ? TOCEND : EQUAL;
        EXPECT_TRUE(near(win, expected)) << at << " " << text(win);
    }
    EXPECT_TRUE(near(mappixel(pic, f, 0, 0.0, 20.0), VIRIDISLOW)) << text(mappixel(pic, f, 0, 0.0, 20.0));
    EXPECT_TRUE(near(mappixel(pic, f, 0, 0.0, 50.0), VIRIDISHIGH)) << text(mappixel(pic, f, 0, 0.0, 50.0));
    EXPECT_TRUE(near(mappixel(pic, f, 1, 0.0, 50.0), VIRIDISHIGH));  // both panels share the scale
    const PlotPoint &unfinished = points[1 * 5 + 3], &finished = points[1 * 5 + 4];
    EXPECT_GT(darkpixels(pic, f, 1, unfinished, 5.0, 5.0), 20);
    EXPECT_GT(darkpixels(pic, f, 2, unfinished, 5.0, 5.0), 20);
    EXPECT_EQ(darkpixels(pic, f, 0, unfinished, 5.0, 5.0), 0);
    EXPECT_EQ(darkpixels(pic, f, 1, finished, 5.0, 5.0), 0);
}

// Which design failed, told apart: lines along x where the error-free design has no
// solution, along y where only the design with the error has none. The outlines
// over a cell whose designs kept different trials and over one only the wide search
// solved show as black lines in the middle of the cell in every panel, and leave the
// cell's own colour at its centre.
TEST(MapPlot, MarksTellWhichDesignFailedAndHowItWasSolved) {
    TempDir dir;
    std::string message;
    const PlotSetup setup = setupof(AXISERROR, AXISRATIOS);
    std::vector<PlotPoint> points = ratiomap();
    PlotPoint &errfailed = points[2 * 5 + 3], &other = points[1 * 5 + 4], &wide = points[3 * 5 + 1];
    errfailed.outcome = POINTNOSOLUTION;
    errfailed.noerrsolution = true;
    other.otherstructure = true;
    wide.wideonly = true;
    ASSERT_TRUE(draw(dir.file("m.png"), setup, points, message)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("m.png"), pic));
    const MapFrame f = pageframe(-25.0, 25.0, 15.0, 55.0);
    const PlotPoint &plain = points[2 * 5 + 4];  // TOC closer, SOTOC finished, no mark
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(linesin(pic, f, k, errfailed, 5.0, 5.0), ALONGY) << k;
        EXPECT_EQ(linesin(pic, f, k, points[2 * 5 + 1], 5.0, 5.0), ALONGX) << k;
        EXPECT_GT(darkpixels(pic, f, k, other, 5.0, 5.0), 4) << k;
        EXPECT_GT(darkpixels(pic, f, k, wide, 5.0, 5.0), 4) << k;
        EXPECT_EQ(darkpixels(pic, f, k, plain, 5.0, 5.0), 0) << k;
        EXPECT_TRUE(near(mappixel(pic, f, k, other.x, other.y), mappixel(pic, f, k, plain.x, plain.y))) << k;
    }
    EXPECT_TRUE(near(mappixel(pic, f, 2, wide.x, wide.y), SOTOCEND)) << "SOTOC closer there";
}

// The pixel at a place of the page [pt from its left and from its top].
Rgb pagepixel(const RgbImage &pic, double left, double top) {
    const double perpoint = PNGDPI / POINTSPERINCH;
    const unsigned char *c =
        &pic.rgb[3 * (static_cast<size_t>(top * perpoint) * pic.w + static_cast<size_t>(left * perpoint))];
    return {c[0], c[1], c[2]};
}

// The map in grey: the ends of the scale of which came closer a third of the greys
// apart, SOTOC's end dark and TOC's light, equal in the middle (read beside its tick); every mark of a cell
// without figures (a pattern on white) tells itself from every colour a cell can
// take, the greys along both colour bars (read 234 to 242 pt below the page's top,
// the error bar from 42 to 348 pt from its left, the bar of which came closer from
// 368 to 507 pt).
TEST(MapPlot, ReadsInGrey) {
    TempDir dir;
    std::string message;
    std::vector<PlotPoint> points = ratiomap();
    points[2 * 5 + 3].outcome = POINTNOSOLUTION;
    points[2 * 5 + 3].noerrsolution = true;
    ASSERT_TRUE(draw(dir.file("m.png"), setupof(AXISERROR, AXISRATIOS), points, message)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("m.png"), pic));
    const double barmiddle = 238.0, sotocend = grey(pagepixel(pic, 370.0, barmiddle));
    const double tocend = grey(pagepixel(pic, 505.0, barmiddle)), middle = grey(pagepixel(pic, 439.0, barmiddle));
    EXPECT_GE(tocend - sotocend, 255.0 / 3.0) << sotocend << " " << tocend;
    EXPECT_LT(sotocend, middle);
    EXPECT_LT(middle, tocend);
    EXPECT_NEAR(middle, 0.5 * (sotocend + tocend), 255.0 / 10.0);
    std::vector<double> cellgreys;
    for (double x = 44.0; x < 347.0; x += 0.5) cellgreys.push_back(grey(pagepixel(pic, x, barmiddle)));
    for (double x = 370.0; x < 506.0; x += 0.5) cellgreys.push_back(grey(pagepixel(pic, x, barmiddle)));
    const double apart = 255.0 / 8.0;  // greys that tell themselves apart
    const MapFrame f = pageframe(-25.0, 25.0, 15.0, 55.0);
    const struct {
        const char *mark;
        int cell;  // index in the points
    } marks[] = {{"out of reach", 0}, {"no solution, error-free design", 2 * 5 + 1}, {"no solution, with the error", 2 * 5 + 3}};
    for (const auto &m : marks)
        for (int k = 0; k < 3; ++k) {
            const PlotPoint &c = points[m.cell];
            int unlike = 0, all = 0;  // pixels of the cell's middle, unlike every cell colour
            for (int a = -10; a <= 10; ++a)
                for (int b = -10; b <= 10; ++b, ++all) {
                    const double g = grey(mappixel(pic, f, k, c.x + a * 0.25, c.y + b * 0.25));
                    unlike += std::none_of(cellgreys.begin(), cellgreys.end(),
                                           [&](double v) { return std::fabs(v - g) < apart; });
                }
            EXPECT_GT(unlike, all / 2) << m.mark << ", panel " << k;
        }
}

// The points are drawn in grid order whatever order they come in: the same file.
TEST(MapPlot, OrderOfThePointsChangesNothing) {
    TempDir dir;
    std::string message;
    const PlotSetup setup = setupof(AXISERROR, AXISRATIOS);
    std::vector<PlotPoint> points = ratiomap();
    ASSERT_TRUE(draw(dir.file("ordered.png"), setup, points, message)) << message;
    std::reverse(points.begin(), points.end());
    std::rotate(points.begin(), points.begin() + 7, points.end());
    ASSERT_TRUE(draw(dir.file("shuffled.png"), setup, points, message)) << message;
    const std::string ordered = content(dir.file("ordered.png"));
    EXPECT_GT(ordered.size(), 10000u);
    EXPECT_EQ(content(dir.file("shuffled.png")), ordered);
}

// End points over the SCARA's workspace, 5 x 5 from -1 to 1 m: the corners, the
// ends of the axes and the base lie out of reach.
std::vector<PlotPoint> workspacemap() {
    std::vector<PlotPoint> p;
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i) {
            const double a = -1.0 + 0.5 * i, b = -1.0 + 0.5 * j;
            PlotPoint c = mapcell(i, j, a, b);
            const double r = std::hypot(a, b);
            c.outcome = r < 0.1 || r > 0.9 ? POINTNOTRUN : POINTCOMPARED;
            c.tocError = 0.1;
            c.sotocError = 0.01;
            p.push_back(c);
        }
    return p;
}

// A map over the end point is the workspace: equal scales, the base and the start
// point marked in white where the cells beneath could not run or were compared,
// with the axes in either order.
TEST(MapPlot, WorkspaceHasEqualScalesAndItsMarks) {
    TempDir dir;
    std::string message;
    for (bool swapped : {false, true}) {
        const PlotSetup setup = swapped ? setupof(AXISENDY, AXISENDX) : setupof(AXISENDX, AXISENDY);
        const std::vector<PlotPoint> points = workspacemap();
        // Wider than tall: the start point (0.7, 0) lies inside the cells, so only
        // the cells span the window; a wider grid along x makes the panel flat.
        std::vector<PlotPoint> wide = points;
        for (PlotPoint &c : wide) c.x *= 2.0;
        for (const std::vector<PlotPoint> *p : {&points, static_cast<const std::vector<PlotPoint> *>(&wide)}) {
            const MapFrame f = mapframe(setup, *p);
            const double xscale = (f.right[0] - f.left[0]) * 518.0 / (f.xhi - f.xlo);
            const double yscale = (f.top - f.bottom) * 324.0 / (f.yhi - f.ylo);
            EXPECT_NEAR(xscale, yscale, 1e-9 * xscale) << swapped;
        }
        const std::string path = dir.file(swapped ? "swapped.png" : "ws.png");
        ASSERT_TRUE(draw(path, setup, points, message)) << message;
        RgbImage pic;
        ASSERT_TRUE(readpng(path, pic));
        // Cells -1 to 1 by 0.5 with 4 % of their 2.5 m span around them: square, the
        // panels' 143 pt across and as tall around their middle 124 pt below the top.
        MapFrame f = pageframe(-1.35, 1.35, -1.35, 1.35);
        f.top = 1.0 - (124.0 - 71.5) / 324.0;
        f.bottom = 1.0 - (124.0 + 71.5) / 324.0;
        const double startx = swapped ? 0.0 : 0.7, starty = swapped ? 0.7 : 0.0;
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(near(mappixel(pic, f, k, 0.0, 0.0), {255, 255, 255}, 0)) << "base, panel " << k;
            EXPECT_TRUE(near(mappixel(pic, f, k, startx, starty), {255, 255, 255}, 0)) << "start, panel " << k;
            EXPECT_EQ(linesin(pic, f, k, points.front(), 0.25, 0.25), DIAGONAL) << "corner, panel " << k;
            EXPECT_TRUE(near(mappixel(pic, f, k, 0.0, -0.5), mappixel(pic, f, k, 0.5, 0.5), 0));
        }
        EXPECT_TRUE(near(mappixel(pic, f, 2, 0.0, -0.5), SOTOCEND));
    }
}

// A map over an uneven list of values, -40, -30, 0, 5, 40 % in two rows: each cell
// reaches halfway to its neighbours' values and the outer ones as far out, so the
// window runs from -45 to 57.5, and a pixel just inside either edge between two
// cells has the colour of the cell on its side: no cell is left out or overlaid.
TEST(MapPlot, CellsOfUnevenValuesMeetHalfwayBetweenThem) {
    TempDir dir;
    std::string message;
    const PlotSetup setup = setupof(AXISERROR, AXISRATIOS);
    const double xs[5] = {-40.0, -30.0, 0.0, 5.0, 40.0};
    std::vector<PlotPoint> points;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 5; ++i) {
            PlotPoint c = mapcell(i, j, xs[i], 20.0 + 10.0 * j);
            c.tocError = c.sotocError = std::pow(10.0, i - 3.0);  // a colour of its own per column
            points.push_back(c);
        }
    ASSERT_TRUE(draw(dir.file("uneven.png"), setup, points, message)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("uneven.png"), pic));
    const MapFrame f = pageframe(-45.0, 57.5, 15.0, 35.0);
    // Each column's colour at its point, all apart; then the pixels by the edges.
    Rgb at[5];
    for (int i = 0; i < 5; ++i) at[i] = mappixel(pic, f, 0, xs[i], 20.0);
    for (int i = 1; i < 5; ++i) EXPECT_FALSE(near(at[i], at[i - 1], 10)) << i;
    const double edges[4] = {-35.0, -15.0, 2.5, 22.5};
    const double inside = 0.6;  // [%] 3.5 pixels: 102.5 % span the panel's 143 pt at 300 dpi
    for (int e = 0; e < 4; ++e)
        for (double y : {20.0, 30.0}) {
            EXPECT_TRUE(near(mappixel(pic, f, 0, edges[e] - inside, y), at[e])) << "left of edge " << e;
            EXPECT_TRUE(near(mappixel(pic, f, 0, edges[e] + inside, y), at[e + 1])) << "right of edge " << e;
        }
}

// The legend of a workspace map with every kind of entry, ten in four rows, stays on
// the page: under the top of its box, 270 pt below the page's top, the last point at
// the page's right edge and the last at its bottom are white.
TEST(MapPlot, LegendStaysOnThePage) {
    TempDir dir;
    std::string message;
    std::vector<PlotPoint> points = workspacemap();
    points[6].outcome = POINTNOSOLUTION;
    points[7].outcome = POINTNOSOLUTION;
    points[7].noerrsolution = true;
    points[8].sotocFinished = false;
    points[11].otherstructure = true;
    points[12].wideonly = true;
    points.pop_back();  // a cell not in the results
    ASSERT_TRUE(draw(dir.file("legend.png"), setupof(AXISENDX, AXISENDY), points, message)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("legend.png"), pic));
    const int point = static_cast<int>(std::ceil(PNGDPI / POINTSPERINCH));  // pixels of a point
    auto dark = [&](int row, int column) {
        const unsigned char *p = &pic.rgb[3 * (static_cast<size_t>(row) * pic.w + column)];
        return p[0] + p[1] + p[2] < 3 * 250;
    };
    int right = 0, bottom = 0;
    for (int row = static_cast<int>(270.0 * PNGDPI / POINTSPERINCH); row < pic.h; ++row)
        for (int column = pic.w - point; column < pic.w; ++column) right += dark(row, column);
    for (int row = pic.h - point; row < pic.h; ++row)
        for (int column = 0; column < pic.w; ++column) bottom += dark(row, column);
    EXPECT_EQ(right, 0);
    EXPECT_EQ(bottom, 0);
}

}  // namespace
