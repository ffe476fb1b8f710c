// The sweep picture: files of each format, and the curves found in the PNG's pixels.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plots/plot.h"
#include "atomicwrite/outfile.h"
#include "tests/support/tempdir.h"

namespace {

PlotSetup scarasetup() {
    PlotSetup s{};
    s.request = CompareRequest{ROBOTSCARA, MOTIONVERTICAL, {50.0, 30.0}, {0.6, 0.2}, {-0.3, 0.5}, ELBOWUP, 0.0};
    s.xaxis = AXISERROR;
    s.yaxis = AXISNONE;
    s.reachInner = 0.1;
    s.reachOuter = 0.9;
    return s;
}

// A sweep shaped like a real one: TOC's error grows with the mass error, SOTOC's
// stays far smaller while it finishes; past 40 % no design is found. The points
// come in shard order, not sorted.
std::vector<PlotPoint> sweep() {
    std::vector<PlotPoint> p;
    for (int k = 0; k < 3; ++k)
        for (int e = -50 + k; e <= 50; e += 3) {
            PlotPoint s{};
            s.x = e;
            s.outcome = e <= 40 ? POINTCOMPARED : POINTNOSOLUTION;
            s.tfFree = 1.25;
            s.tocError = 0.005 + 0.1 * std::fabs(e);
            s.tocTf = 1.25 + 0.01 * e;
            s.sotocFinished = e > -30;
            s.sotocError = s.sotocFinished ? 0.002 + 0.001 * std::fabs(e) : 60.0;
            s.sotocTf = s.sotocFinished ? 1.24 - 0.005 * e : 4.0;
            p.push_back(s);
        }
    return p;
}

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> rgb;  // row by row, three bytes a pixel
};

bool readpng(const std::string &path, Picture &pic) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    pic.rgb.resize(PNG_IMAGE_SIZE(image));
    pic.width = image.width;
    pic.height = image.height;
    return png_image_finish_read(&image, nullptr, pic.rgb.data(), 0, nullptr) != 0;
}

enum Hue { ORANGEISH, BLUEISH, GREYISH, BLACKISH };

// Pixels of a pure hue (the curves' cores; antialiased edges do not count) in rows
// [top, bottom) of the picture.
int count(const Picture &pic, Hue hue, unsigned top, unsigned bottom) {
    int n = 0;
    for (unsigned y = top; y < bottom; ++y)
        for (unsigned x = 0; x < pic.width; ++x) {
            const unsigned char *c = &pic.rgb[3 * (y * pic.width + x)];
            const bool hit = hue == ORANGEISH    ? c[0] > 210 && c[1] > 140 && c[1] < 180 && c[2] < 30
                             : hue == BLUEISH ? c[0] < 30 && c[1] > 95 && c[1] < 135 && c[2] > 160 && c[2] < 200
                             : hue == GREYISH ? c[0] == 110 && c[1] == 110 && c[2] == 110
                                              : c[0] + c[1] + c[2] == 0;
            n += hit;
        }
    return n;
}

std::string head(const std::string &path, size_t n) {
    std::ifstream f(path, std::ios::binary);
    std::string s(n, '\0');
    f.read(&s[0], static_cast<std::streamsize>(n));
    s.resize(static_cast<size_t>(f.gcount()));
    return s;
}

std::string content(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Draws into `path` as the commands do: the output begun, then drawn into.
bool draw(const std::string &path, const PlotSetup &setup, const std::vector<PlotPoint> &points,
          std::string &message) {
    OutputFile out;
    if (beginoutput(path, out).ok()) {
        const Outcome drawn = drawsweep(out, setup, points);
        message = drawn.message;
        return drawn.ok();
    }
    message = outputproblem(out);
    return false;
}

TEST(Plot, EachFormatByItsExtension) {
    TempDir dir;
    std::string message;
    for (const char *name : {"/s.png", "/s.svg", "/s.pdf"})
        ASSERT_TRUE(draw(dir.path + name, scarasetup(), sweep(), message)) << name << ": " << message;
    Picture pic;
    ASSERT_TRUE(readpng(dir.path + "/s.png", pic));
    EXPECT_EQ(pic.width, 2158u) << "7.2 in at 300 dpi";
    EXPECT_EQ(pic.height, 1350u) << "4.5 in at 300 dpi";
    const std::string svg = head(dir.path + "/s.svg", 400);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("width=\"518pt\"\n  height=\"324pt\""), std::string::npos);
    const std::string pdf = content(dir.path + "/s.pdf");
    EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 518 324 ]"), std::string::npos);
}

TEST(Plot, UnknownExtensionOrUnwritableFileRefused) {
    TempDir dir;
    std::string message;
    EXPECT_TRUE(draw(dir.path + "/a.png", scarasetup(), sweep(), message));
    EXPECT_FALSE(draw(dir.path + "/a.jpg", scarasetup(), sweep(), message));
    EXPECT_NE(message.find(".png, .svg or .pdf"), std::string::npos);
    EXPECT_FALSE(draw(dir.path + "/a", scarasetup(), sweep(), message));
    EXPECT_FALSE(draw(dir.path + "/missing/a.png", scarasetup(), sweep(), message));
    EXPECT_NE(message.find("cannot write"), std::string::npos);
    EXPECT_FALSE(draw(dir.path + "/b.png", scarasetup(), {}, message));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.png"}) << "no temporary is left";
}

// A picture that cannot be written whole leaves the file as it was: an old picture
// stays when there is nothing to draw, a full disk is reported and never removed.
TEST(Plot, FailedPictureLeavesTheFileAsItWas) {
    TempDir dir;
    std::string message;
    const std::string old = dir.file("old.png");
    ASSERT_TRUE(draw(old, scarasetup(), sweep(), message)) << message;
    const std::string before = content(old);
    EXPECT_FALSE(draw(old, scarasetup(), {}, message));
    EXPECT_EQ(content(old), before);
    const std::string full = dir.fulldevice("full.png");
    ASSERT_NE(full, "") << "mknod needs root";
    EXPECT_FALSE(draw(full, scarasetup(), sweep(), message));
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
    struct stat st;
    ASSERT_EQ(stat(full.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"full.png", "old.png"}));
}

// Both curves in both panels: the error panel fills the upper half of the page,
// the final-time panel the lower half.
TEST(Plot, RedAndBlueCurvesInBothPanels) {
    TempDir dir;
    std::string message;
    const std::string path = dir.path + "/s.png";
    ASSERT_TRUE(draw(path, scarasetup(), sweep(), message)) << message;
    Picture pic;
    ASSERT_TRUE(readpng(path, pic));
    const unsigned half = pic.height / 2;
    for (Hue hue : {ORANGEISH, BLUEISH}) {
        EXPECT_GT(count(pic, hue, 0, half), 500) << hue;
        EXPECT_GT(count(pic, hue, half, pic.height), 500) << hue;
    }
    EXPECT_GT(count(pic, GREYISH, 0, pic.height), 50);  // the no-solution marks
}

// SOTOC's curves join no run that never reached its last phase to one that did:
// with every other point unfinished, its blue is that of the markers alone, far
// less than the zigzag of the same values all finished.
TEST(Plot, UnfinishedSotocPointsAreNotJoinedToFinishedOnes) {
    TempDir dir;
    std::string message;
    int blue[2];
    for (int alternate = 0; alternate < 2; ++alternate) {
        std::vector<PlotPoint> p;
        for (int e = -20; e <= 20; e += 2) {
            PlotPoint s{};
            s.x = e;
            s.outcome = POINTCOMPARED;
            s.tfFree = 1.25;
            s.tocError = 0.01;
            s.tocTf = 1.25;
            const bool odd = (e / 2) % 2 != 0;
            s.sotocFinished = alternate == 0 || !odd;
            s.sotocError = odd ? 30.0 : 0.003;
            s.sotocTf = odd ? 4.0 : 1.2;
            p.push_back(s);
        }
        const std::string path = dir.path + "/a" + std::to_string(alternate) + ".png";
        ASSERT_TRUE(draw(path, scarasetup(), p, message)) << message;
        Picture pic;
        ASSERT_TRUE(readpng(path, pic));
        blue[alternate] = count(pic, BLUEISH, 0, pic.height);
    }
    EXPECT_LT(blue[1], blue[0] / 3) << blue[0] << " " << blue[1];
}

// Without any solution there is nothing to draw a curve through: only the marks on
// the error axis (and the legend's samples) remain.
TEST(Plot, NoSolutionAnywhereLeavesOnlyAxisMarks) {
    TempDir dir;
    std::string message;
    std::vector<PlotPoint> p = sweep();
    for (PlotPoint &s : p) {
        s.outcome = POINTNOSOLUTION;
        s.tfFree = NAN;
    }
    const std::string path = dir.path + "/none.png";
    ASSERT_TRUE(draw(path, scarasetup(), p, message)) << message;
    Picture pic;
    ASSERT_TRUE(readpng(path, pic));
    Picture full;
    ASSERT_TRUE(draw(dir.path + "/full.png", scarasetup(), sweep(), message));
    ASSERT_TRUE(readpng(dir.path + "/full.png", full));
    EXPECT_LT(count(pic, ORANGEISH, 0, pic.height), count(full, ORANGEISH, 0, full.height) / 10);
    EXPECT_LT(count(pic, BLUEISH, 0, pic.height), count(full, BLUEISH, 0, full.height) / 10);
    EXPECT_GT(count(pic, GREYISH, 0, pic.height), 3 * count(full, GREYISH, 0, full.height));
}

// A map over one setting is drawn as a sweep over it: its points that could not run
// are black marks on the axis where those without a solution are grey.
TEST(Plot, OneAxisMapMarksPointsThatCouldNotRun) {
    TempDir dir;
    std::string message;
    PlotSetup setup = scarasetup();
    setup.map = true;
    setup.xaxis = AXISENDX;
    std::vector<PlotPoint> p = sweep();
    for (PlotPoint &s : p) s.x /= 100.0;
    ASSERT_TRUE(draw(dir.file("unsolved.png"), setup, p, message)) << message;
    for (PlotPoint &s : p)
        if (s.outcome == POINTNOSOLUTION) s.outcome = POINTNOTRUN;
    ASSERT_TRUE(draw(dir.file("notrun.png"), setup, p, message)) << message;
    Picture unsolved, notrun;
    ASSERT_TRUE(readpng(dir.file("unsolved.png"), unsolved));
    ASSERT_TRUE(readpng(dir.file("notrun.png"), notrun));
    EXPECT_LT(count(notrun, GREYISH, 0, notrun.height), count(unsolved, GREYISH, 0, unsolved.height) / 3);
    EXPECT_GT(count(notrun, BLACKISH, 0, notrun.height), count(unsolved, BLACKISH, 0, unsolved.height) + 200);
}

// The dashed line's legend: the shared error-free final time, or why there is
// none; a one-axis map with every point out of reach ran none. (The SVG and PDF
// devices write the legend as glyph outlines, so its text is checked here.)
TEST(Plot, FreeTimeLegendSaysWhyThereIsNone) {
    std::vector<PlotPoint> p(3, PlotPoint{});
    for (PlotPoint &s : p) {
        s.outcome = POINTNOTRUN;
        s.tfFree = NAN;
    }
    EXPECT_EQ(freetimelegend(p), "error-free TOC: not run (no point in reach)");
    p[1].outcome = POINTNOSOLUTION;
    EXPECT_EQ(freetimelegend(p), "error-free TOC: no solution");
    p[1].tfFree = 1.23456;
    EXPECT_EQ(freetimelegend(p), "error-free TOC final time 1.2346 s");
    p[2].outcome = POINTCOMPARED;
    p[2].tfFree = 1.5;
    EXPECT_EQ(freetimelegend(p), "error-free TOC final time");
}

// Draws the sweep of the options into `path`; false when it cannot.
bool drawwith(const std::string &path, const std::vector<PlotPoint> &points, const FigureOptions &o) {
    OutputFile out;
    return beginoutput(path, out).ok() && drawsweep(out, scarasetup(), points, o).ok();
}

// Pixels that differ between two pictures of one size right of the value axes'
// labels, from `left` [share of the width] on; -1 for pictures of different sizes.
long differencesfrom(const Picture &a, const Picture &b, double left) {
    if (a.width != b.width || a.height != b.height) return -1;
    long n = 0;
    for (unsigned y = 0; y < a.height; ++y)
        for (unsigned x = static_cast<unsigned>(left * a.width); x < a.width; ++x)
            n += std::memcmp(&a.rgb[3 * (y * a.width + x)], &b.rgb[3 * (y * a.width + x)], 3) != 0;
    return n;
}

// A sweep of each tip error draws its values as the positioning-error picture draws
// the same numbers given as positioning errors: right of the labels of the value
// axes every pixel is the same. The final time is drawn above, in place of the
// positioning error.
TEST(Plot, EachMeasureDrawnAsThePositioningErrorsOfItsValues) {
    TempDir dir;
    const std::vector<PlotPoint> p = sweep();
    const struct {
        Measure measure;
        double PlotPoint::*toc, PlotPoint::*sotoc;
    } measures[] = {{MEASUREDESIGNEDTIP, &PlotPoint::tocDesignedTip, &PlotPoint::sotocDesignedTip},
                    {MEASUREENDTIP, &PlotPoint::tocEndTip, &PlotPoint::sotocEndTip}};
    for (const auto &m : measures) {
        std::vector<PlotPoint> measured = p, asErrors = p;
        for (size_t k = 0; k < p.size(); ++k) {
            measured[k].*m.toc = asErrors[k].tocError = 0.3 * p[k].tocError + 0.001 * k;
            measured[k].*m.sotoc = asErrors[k].sotocError = 2.0 * p[k].sotocError;
        }
        FigureOptions o;
        o.measure = m.measure;
        ASSERT_TRUE(drawwith(dir.file("m.png"), measured, o));
        ASSERT_TRUE(drawwith(dir.file("e.png"), asErrors, {}));
        ASSERT_TRUE(drawwith(dir.file("p.png"), p, {}));
        Picture a, b, c;
        ASSERT_TRUE(readpng(dir.file("m.png"), a) && readpng(dir.file("e.png"), b) && readpng(dir.file("p.png"), c));
        EXPECT_EQ(differencesfrom(a, b, 0.10), 0) << measurerow(m.measure).name;
        EXPECT_GT(differencesfrom(a, c, 0.10), 0) << measurerow(m.measure).name;  // the values matter
    }
    // The final time above, the positioning error under it: the panels swapped.
    FigureOptions tf;
    tf.measure = MEASURETF;
    ASSERT_TRUE(drawwith(dir.file("tf.png"), p, tf));
    ASSERT_TRUE(drawwith(dir.file("p.png"), p, {}));
    Picture a, b;
    ASSERT_TRUE(readpng(dir.file("tf.png"), a) && readpng(dir.file("p.png"), b));
    const unsigned middle = a.height * 45 / 100;  // between the panels
    EXPECT_GT(count(a, ORANGEISH, 0, middle), 0);
    EXPECT_NE(count(a, ORANGEISH, 0, middle), count(b, ORANGEISH, 0, middle));
}

TEST(Plot, DeviceFollowsTheExtension) {
    EXPECT_EQ(plotdevice("a/b.png"), "png");
    EXPECT_EQ(plotdevice("b.svg"), "svg");
    EXPECT_EQ(plotdevice("x.y.pdf"), "pdf");
    EXPECT_EQ(plotdevice("b.PNG"), "");
    EXPECT_EQ(plotdevice("png"), "");
}

}  // namespace
