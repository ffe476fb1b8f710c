// The figure of one comparison: files of each format for every robot and motion,
// and the runs and torque limits found in the PNG where the pass's data put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "plots/figure.h"
#include "study/params.h"
#include "settings/request.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"

namespace {

// Largest file of the figure in any format [bytes].
constexpr size_t MOSTBYTES = 1000000;
// The default page [pt] and the PNG's pixels per point.
const PageSize PAGE = pagesize(FigureOptions{});
constexpr double PERPOINT = PNGDPI / POINTSPERINCH;

// The default comparison of a robot and motion, run standing alone as compare runs it.
struct Pass {
    ComparisonSettings settings;
    ComparisonResult result;
};

Pass defaultpass(char type, char sgnG) {
    initialset();
    const CompareRequest request = defaultrequest(type, sgnG);
    return {requestsettings(request), standalonepass(request)};
}

bool draw(const std::string &path, const Pass &p, std::string &message, const FigureOptions &o = {}) {
    OutputFile out;
    if (beginoutput(path, out).ok()) {
        const Outcome drawn = drawcomparison(out, p.settings, p.result, o);
        message = drawn.message;
        return drawn.ok();
    }
    message = outputproblem(out);
    return false;
}

// The pixel (column, row from the top) a world point of a panel falls on.
struct Pixel {
    int x, y;
};

Pixel pixelof(const Panel &p, double x, double y) {
    const double u = p.port.left + (x - p.x.lo) / (p.x.hi - p.x.lo) * (p.port.right - p.port.left);
    const double v = p.port.low + (y - p.y.lo) / (p.y.hi - p.y.lo) * (p.port.high - p.port.low);
    return {static_cast<int>(std::floor(u * PAGE.w * PERPOINT)),
            static_cast<int>(std::floor((1.0 - v) * PAGE.h * PERPOINT))};
}

const unsigned char *at(const RgbImage &pic, int x, int y) {
    return &pic.rgb[3 * (static_cast<size_t>(y) * pic.w + x)];
}

// The cores of the curves: TOC's orange (230, 159, 0) and SOTOC's blue (0, 114, 178)
// (antialiased edges do not count), and the dark neutral grey of a thin black line.
bool orange(const unsigned char *c) { return c[0] > 210 && c[1] > 140 && c[1] < 180 && c[2] < 30; }
bool blue(const unsigned char *c) { return c[0] < 30 && c[1] > 95 && c[1] < 135 && c[2] > 160 && c[2] < 200; }
bool dark(const unsigned char *c) {
    return c[0] < 170 && std::abs(c[0] - c[1]) < 12 && std::abs(c[1] - c[2]) < 12;
}

// Whether a pixel of the hue lies within `radius` pixels of p.
template <class Hue>
bool near(const RgbImage &pic, Pixel p, int radius, Hue hue) {
    for (int y = p.y - radius; y <= p.y + radius; ++y)
        for (int x = p.x - radius; x <= p.x + radius; ++x)
            if (x >= 0 && y >= 0 && x < pic.w && y < pic.h && hue(at(pic, x, y))) return true;
    return false;
}

// Share of the columns from time t0 to t1 of a time panel that hold a dark pixel
// within two rows of the level v.
double darkshare(const RgbImage &pic, const Panel &p, double v, double t0, double t1) {
    const Pixel a = pixelof(p, t0, v), b = pixelof(p, t1, v);
    int hits = 0;
    for (int x = a.x; x < b.x; ++x) {
        bool hit = false;
        for (int dy = -2; dy <= 2; ++dy) hit = hit || dark(at(pic, x, a.y + dy));
        hits += hit;
    }
    return static_cast<double>(hits) / (b.x - a.x);
}

// Every default comparison with a solution gives a PNG of the page size and small
// vector files; the cylindrical robot's half turn without gravity has no solution,
// and no figure: an old file stays as it was, and no temporary is left.
TEST(Figure, EveryFormatForEveryDefaultComparison) {
    TempDir dir;
    const char types[] = {ROBOTCYL, ROBOTSCARA}, motions[] = {MOTIONHORIZONTAL, MOTIONVERTICAL};
    for (char type : types)
        for (char sgnG : motions) {
            const Pass p = defaultpass(type, sgnG);
            const std::string name = std::string(robotword(type)) + "-" + motionword(sgnG);
            SCOPED_TRACE(name);
            std::string message;
            if (p.result.outcome != COMPARED) {
                EXPECT_TRUE(type == ROBOTCYL && sgnG == MOTIONHORIZONTAL);
                std::ofstream(dir.file(name + ".png")) << "old\n";
                EXPECT_FALSE(draw(dir.file(name + ".png"), p, message));
                EXPECT_NE(message.find("no switching-time solution"), std::string::npos) << message;
                EXPECT_EQ(readfile(dir.file(name + ".png")), "old\n");
                continue;
            }
            for (const char *ext : {".png", ".svg", ".pdf"})
                ASSERT_TRUE(draw(dir.file(name + ext), p, message)) << ext << ": " << message;
            RgbImage pic;
            ASSERT_TRUE(readpng(dir.file(name + ".png"), pic));
            EXPECT_EQ(pic.w, 2158) << "7.2 in at 300 dpi";
            EXPECT_EQ(pic.h, 1350) << "4.5 in at 300 dpi";
            const std::string svg = readfile(dir.file(name + ".svg")), pdf = readfile(dir.file(name + ".pdf"));
            EXPECT_NE(svg.find("<svg"), std::string::npos);
            EXPECT_NE(svg.find("width=\"518pt\"\n  height=\"324pt\""), std::string::npos);
            EXPECT_NE(svg.rfind("</svg>"), std::string::npos) << "whole";
            EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
            EXPECT_NE(pdf.find("/MediaBox [ 0 0 518 324 ]"), std::string::npos);
            EXPECT_NE(pdf.rfind("%%EOF"), std::string::npos) << "whole";
            EXPECT_LT(svg.size(), MOSTBYTES);
            EXPECT_LT(pdf.size(), MOSTBYTES);
        }
    EXPECT_EQ(dir.names().size(), 10u) << "three files of three comparisons and the old one, no temporary";
}

// The panels show what they must: the tip paths at one scale both ways with the
// start and goal inside, the motion in time (every run's final time and a margin,
// not the whole logged span), the goals and the limits inside.
TEST(Figure, LayoutHoldsTheRunsAtEqualScales) {
    for (char type : {ROBOTCYL, ROBOTSCARA}) {
        const Pass p = defaultpass(type, MOTIONVERTICAL);
        ASSERT_EQ(p.result.outcome, COMPARED);
        const FigureLayout l = figurelayout(p.settings, p.result);
        const Panel &path = l.path;
        const double perx = (path.x.hi - path.x.lo) / ((path.port.right - path.port.left) * PAGE.w);
        const double pery = (path.y.hi - path.y.lo) / ((path.port.high - path.port.low) * PAGE.h);
        EXPECT_NEAR(perx / pery, 1.0, 1e-12);
        const RobotRuns &runs = robotruns(type);
        for (const RunLog *run : {&runs.tocFree, &runs.tocErr, &runs.sotocErr})
            for (int i = 0; i <= task.nStep; ++i) {
                EXPECT_TRUE(run->P[i][0] > path.x.lo && run->P[i][0] < path.x.hi) << i;
                EXPECT_TRUE(run->P[i][1] > path.y.lo && run->P[i][1] < path.y.hi) << i;
            }
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(l.fi[j].x.lo, 0.0);
            const double last = std::max({p.result.tocFree.tf, p.result.tocErr.tf, p.result.sotocErr.tf});
            EXPECT_GT(l.tau[j].x.hi, 1.1 * last);
            EXPECT_LT(l.tau[j].x.hi, 1.2 * last);
            EXPECT_LT(l.tau[j].x.hi, 0.5 * task.nStep * p.result.dt) << "the motion, not the logged span";
            EXPECT_EQ(l.fi[j].x.hi, l.tau[j].x.hi);
            const double goal = robotparams(type).phif[j];
            EXPECT_TRUE(goal > l.fi[j].y.lo && goal < l.fi[j].y.hi) << j;
            const double limit = j == 0 ? p.result.T1maxG : p.result.T2maxG;
            EXPECT_TRUE(limit < l.tau[j].y.hi && -limit > l.tau[j].y.lo) << j;
            EXPECT_GT(l.fi[j].port.low, l.tau[j].port.high) << "displacements above the torques";
        }
    }
}

// With 10 % mass error SOTOC of the SCARA with gravity never comes close to its
// switching states and spins joint 2 on at full torque. The joint panels keep the
// scale of the designed motion: the error-free run and the goal lie inside, the
// spinning run leaves at the top or bottom and is marked (blue) on that edge where
// it first does. The default comparison, where nothing spins, shows every sample.
TEST(Figure, JointPanelsOfARunThatSpinsAwayKeepTheDesignedMotion) {
    initialset();
    CompareRequest request = defaultrequest(ROBOTSCARA, MOTIONVERTICAL);
    request.errorPercent = 10.0;
    const Pass p = {requestsettings(request), standalonepass(request)};
    ASSERT_EQ(p.result.outcome, COMPARED);
    ASSERT_FALSE(p.result.sotocFinished);
    const FigureLayout l = figurelayout(p.settings, p.result);
    const RobotRuns &runs = robotruns(ROBOTSCARA);
    TempDir dir;
    std::string message;
    ASSERT_TRUE(draw(dir.file("spin.png"), p, message)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("spin.png"), pic));
    int clipped = 0;
    for (int j = 0; j < 2; ++j) {
        const Panel &panel = l.fi[j];
        double lo = runs.tocFree.fi[0][j], hi = lo;
        for (int i = 0; i <= task.nStep; ++i) {
            lo = std::min(lo, runs.tocFree.fi[i][j]);
            hi = std::max(hi, runs.tocFree.fi[i][j]);
            EXPECT_TRUE(runs.tocFree.fi[i][j] >= panel.y.lo && runs.tocFree.fi[i][j] <= panel.y.hi) << j << " " << i;
        }
        EXPECT_LT(panel.y.hi - panel.y.lo, 3.0 * (hi - lo)) << j << ": not stretched to the spinning run";
        int out = -1;
        for (int i = 0; i <= task.nStep && out < 0; ++i)
            if (runs.sotocErr.fi[i][j] > panel.y.hi || runs.sotocErr.fi[i][j] < panel.y.lo) out = i;
        if (out < 0) continue;
        ++clipped;
        const double edge = runs.sotocErr.fi[out][j] > panel.y.hi ? panel.y.hi : panel.y.lo;
        EXPECT_TRUE(near(pic, pixelof(panel, out * p.result.dt, edge), 12, blue)) << j;
    }
    EXPECT_GE(clipped, 1) << "SOTOC leaves a joint's panel";

    const Pass calm = defaultpass(ROBOTSCARA, MOTIONVERTICAL);
    const FigureLayout c = figurelayout(calm.settings, calm.result);
    for (const RunLog *run : {&runs.tocFree, &runs.tocErr, &runs.sotocErr})
        for (int i = 0; i <= task.nStep; ++i)
            for (int j = 0; j < 2; ++j) EXPECT_TRUE(run->fi[i][j] > c.fi[j].y.lo && run->fi[i][j] < c.fi[j].y.hi) << i;
}

// In the SCARA comparison with gravity, TOC (orange) ends 0.14 m from the goal and
// SOTOC (blue) 0.04 m: each colour is found at its run's tip at the final time, and
// blue is not at TOC's; in grey (ITU-R BT.601 luma) the two are far apart. The
// torque limits of the gravity load are the dashed lines once the motion is over
// (the time axis the whole logged span), and nothing dark lies half way to them.
TEST(Figure, RunsAndLimitsWhereTheDataPutThem) {
    TempDir dir;
    const Pass p = defaultpass(ROBOTSCARA, MOTIONVERTICAL);
    ASSERT_EQ(p.result.outcome, COMPARED);
    std::string message;
    FigureOptions whole;
    whole.t0 = 0.0;
    whole.t1 = task.nStep * p.result.dt;
    ASSERT_TRUE(draw(dir.file("f.png"), p, message, whole)) << message;
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("f.png"), pic));
    const FigureLayout l = figurelayout(p.settings, p.result, whole);

    const Pixel toc = pixelof(l.path, p.result.tocErr.P[0], p.result.tocErr.P[1]);
    const Pixel sotoc = pixelof(l.path, p.result.sotocErr.P[0], p.result.sotocErr.P[1]);
    ASSERT_GT(std::hypot(toc.x - sotoc.x, toc.y - sotoc.y), 20.0) << "the tips end apart";
    EXPECT_TRUE(near(pic, toc, 6, orange));
    EXPECT_TRUE(near(pic, sotoc, 6, blue));
    EXPECT_FALSE(near(pic, toc, 12, blue));
    const auto grey = [](const unsigned char *c) { return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]; };
    EXPECT_TRUE(near(pic, toc, 6, [&](const unsigned char *c) { return orange(c) && grey(c) > 140.0; }));
    EXPECT_TRUE(near(pic, sotoc, 6, [&](const unsigned char *c) { return blue(c) && grey(c) < 110.0; }));

    const double after = p.result.tocErr.tf + 1.0, end = whole.t1;
    for (int j = 0; j < 2; ++j) {
        SCOPED_TRACE(j);
        const double limit = j == 0 ? p.result.T1maxG : p.result.T2maxG;
        EXPECT_GT(darkshare(pic, l.tau[j], limit, after, end), 0.3);
        EXPECT_GT(darkshare(pic, l.tau[j], -limit, after, end), 0.3);
        EXPECT_LT(darkshare(pic, l.tau[j], 0.75 * limit, after, end), 0.05);
        EXPECT_LT(darkshare(pic, l.tau[j], -0.75 * limit, after, end), 0.05);
    }
}

// A vertical line of an SVG: its x and the y of its ends, in points, and its colour.
struct Upright {
    double x, lo, hi;
    std::string colour;  // "#RRGGBB"
};

// The solid vertical lines of two points PLplot's SVG holds.
std::vector<Upright> uprights(const std::string &svg) {
    static const std::regex line(
        R"re(<polyline\s+stroke-width="[^"]+"\s+stroke="(#[0-9A-F]{6})"\s+stroke-opacity="[^"]+"\s+fill="none"\s+)re"
        R"re(points="([-0-9.]+),([-0-9.]+) ([-0-9.]+),([-0-9.]+)")re");
    std::vector<Upright> found;
    for (std::sregex_iterator m(svg.begin(), svg.end(), line), end; m != end; ++m) {
        const double x0 = std::stod((*m)[2]), y0 = std::stod((*m)[3]), x1 = std::stod((*m)[4]), y1 = std::stod((*m)[5]);
        if (x0 == x1) found.push_back({x0, std::min(y0, y1), std::max(y0, y1), (*m)[1]});
    }
    return found;
}

// Each design's switching instants and final time are drawn across each of the four
// time panels, the error-free design's in grey (110, 110, 110) and the erroneous
// one's in black, where the time axis puts them: the panel's frame (its leftmost and
// rightmost black line of its whole height, read from the SVG) spans the time range
// given, 0 to 1.5 s. Nothing else crosses a panel from top to bottom.
TEST(Figure, SwitchingInstantsWhereTheTimeAxisPutsThem) {
    initialset();
    CompareRequest request = defaultrequest(ROBOTSCARA, MOTIONVERTICAL);
    request.errorPercent = 10.0;  // designs far enough apart to tell their lines
    const Pass p = {requestsettings(request), standalonepass(request)};
    ASSERT_EQ(p.result.outcome, COMPARED);
    FigureOptions o;
    o.t0 = 0.0;
    o.t1 = 1.5;
    TempDir dir;
    std::string message;
    ASSERT_TRUE(draw(dir.file("f.svg"), p, message, o)) << message;
    // The lines of each panel's height, by their ends: longer than a tenth of the page
    // (the ticks are a few points).
    std::map<std::pair<double, double>, std::vector<Upright>> panels;
    for (const Upright &u : uprights(readfile(dir.file("f.svg"))))
        if (u.hi - u.lo > 0.1 * PAGE.h) panels[{u.lo, u.hi}].push_back(u);
    int timepanels = 0;
    for (const auto &[span, lines] : panels) {
        double left = HUGE_VAL, right = -HUGE_VAL;
        for (const Upright &u : lines)
            if (u.colour == "#000000") {
                left = std::min(left, u.x);
                right = std::max(right, u.x);
            }
        std::vector<Upright> inside;
        for (const Upright &u : lines)
            if (u.x != left && u.x != right && u.colour != "#D7D7D7") inside.push_back(u);
        if (inside.empty()) continue;  // the tip paths, with their light grid
        ++timepanels;
        SCOPED_TRACE(span.first);
        ASSERT_EQ(inside.size(), 8u);
        const std::pair<const double *, const char *> designs[] = {{p.result.free.ts, "#6E6E6E"},
                                                                   {p.result.err.ts, "#000000"}};
        for (const auto &[ts, colour] : designs)
            for (int k = 0; k < 4; ++k) {
                const double x = left + (ts[k] - o.t0) / (o.t1 - o.t0) * (right - left);
                const bool drawn = std::any_of(inside.begin(), inside.end(), [&, colour = colour](const Upright &u) {
                    return u.colour == colour && std::fabs(u.x - x) < 0.02;
                });
                EXPECT_TRUE(drawn) << colour << " instant " << k << " at " << ts[k] << " s, x " << x << " pt";
            }
    }
    EXPECT_EQ(timepanels, 4);
}

}  // namespace
