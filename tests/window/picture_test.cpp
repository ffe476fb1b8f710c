// Pictures as files: the window's own drawing, compared with what the window shows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "study/comparison.h"
#include "study/params.h"
#include "offscreen/render.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"
#include "tests/window/scene.h"
#include "window/graphs.h"
#include "window/window.h"

namespace {

// The default comparison of the robot with the motion, run as a pass of its own.
void defaultcomparison(char type, char sgnG) {
    initialset();
    app.type = type;
    app.sgnG = sgnG;
    ComparisonSettings s = currentsettings();
    s.tfNomBasis = standalonebasis(s);
    ASSERT_EQ(comparisonpass(s).outcome, COMPARED);
}

// What the window shows now, rows from the top as in a file.
RgbImage shown() {
    const Picture p = grab();
    RgbImage out = {p.w, p.h, std::vector<unsigned char>(p.rgb.size())};
    const size_t row = static_cast<size_t>(p.w) * 3;
    for (int y = 0; y < p.h; ++y)
        std::copy_n(&p.rgb[(p.h - 1 - y) * row], row, &out.rgb[y * row]);
    return out;
}

TEST(Pictures, RenderedPngEqualsTheWindowAtTheFirstAndTheLastRow) {
    glready();
    TempDir folder;
    for (char type : {ROBOTCYL, ROBOTSCARA}) {
        defaultcomparison(type, MOTIONVERTICAL);
        for (int frame : {0, task.nStep}) {
            app.frame = frame;
            display();
            const RgbImage window = shown();
            const std::string path = folder.file("frame.png");
            ASSERT_TRUE(renderpng(path.c_str(), frame, window.w, window.h, "").ok());
            RgbImage file;
            ASSERT_TRUE(readpng(path, file));
            EXPECT_EQ(pixeldifferences(file, window), 0) << type << " row " << frame;
        }
    }
    // The window is current again and still shows what it drew.
    app.frame = 0;
    display();
    EXPECT_EQ(grab().w, 800);
}

// Where the displacement graph draws SOTOC's magnified deviation of a joint at a
// row clear of the other deviations and of the graph's legend [window units]; false
// when no row is.
bool sotocdeviation(char type, Point2 &at) {
    const RobotRuns &runs = robotruns(type);
    const FiRange r = firange(type);
    const double k = 0.4 / (r.largest - r.smallest), G = layout.graphPos.y;  // the graph's scale, as the tests work it out
    auto y = [&](const RunLog &run, int i, int j) { return 10.0 * k * (run.fi[i][j] - runs.tocFree.fi[i][j]) + G; };
    constexpr double CLEAR = 0.015;
    for (int i = task.nStep / 20; i < task.nStep; ++i)
        for (int j = 0; j < 2; ++j) {
            const double mine = y(runs.sotocErr, i, j), x = layout.graphPos.x + i * layout.graphW / task.nStep;
            const bool legend = x > 0.5 && mine > 0.54 && mine < 0.64;
            const bool clear = std::fabs(mine - y(runs.tocErr, i, 0)) > CLEAR && std::fabs(mine - y(runs.tocErr, i, 1)) > CLEAR &&
                               std::fabs(mine - y(runs.sotocErr, i, 1 - j)) > CLEAR && mine > G + CLEAR && mine < 0.9;
            if (clear && !legend) {
                at = {x, mine};
                return true;
            }
        }
    return false;
}

// The picture of sotoc render against the interactive window's, of the default
// comparisons at their last row: the title whole, beyond the mask's edge and within
// the window; no part of a figure on the left edge (the SCARA's elbow was cut there);
// SOTOC's deviation in the displacement graph yellow, as its trail and both legends
// say, where the window draws it green (seen on the SCARA, whose deviations leave
// the graph's floor).
TEST(Pictures, RenderedLayoutShowsTheWholePictureInOneColourPerController) {
    glready();
    struct Mode {
        bool rendered;
        bool titlebeyondmask;
        Rgb sotoc;
    };
    const Mode modes[] = {{false, false, GREENPX}, {true, true, YELLOWPX}};
    for (char type : {ROBOTCYL, ROBOTSCARA})
        for (const Mode &m : modes) {
            defaultcomparison(type, MOTIONVERTICAL);
            app.frame = task.nStep;
            if (m.rendered) userenderedlayout(type);
            display();
            const Picture p = grab();
            const std::string what = std::string(1, type) + (m.rendered ? " rendered" : " window");
            EXPECT_EQ(pixelswhere(p, 0.36, 1.0, 0.95, 1.0, istext) > 0, m.titlebeyondmask) << what;
            EXPECT_EQ(pixelswhere(p, 0.99, 1.0, 0.95, 1.0, istext), 0) << what;
            const int edge = pixelswhere(p, -1.0, -0.99, -1.0, 1.0, [](Rgb c) { return same(c, REDPX) || same(c, BLUEPX); });
            const bool cut = !m.rendered && type == ROBOTSCARA;  // the window's elbow
            EXPECT_EQ(edge > 0, cut) << what;
            Point2 at{};
            if (type == ROBOTCYL) continue;  // its deviations stay within the graph's floor
            ASSERT_TRUE(sotocdeviation(type, at)) << what;
            EXPECT_TRUE(colournear(p, at.x, at.y, m.sotoc)) << what << " at " << at.x << ", " << at.y;
        }
    initialset();
}

TEST(Pictures, GifHasEveryKthRowAndTheLastOneAtRealSpeed) {
    glready();
    TempDir folder;
    defaultcomparison(ROBOTSCARA, MOTIONVERTICAL);
    const std::string gifpath = folder.file("motion.gif"), pngpath = folder.file("last.png");
    const int every = 7;  // rows 0, 7, ..., 196, then 200
    ASSERT_TRUE(rendergif(gifpath.c_str(), every, realdelay(every), 300, 200, "300x200").ok());
    ASSERT_TRUE(renderpng(pngpath.c_str(), task.nStep, 300, 200, "300x200").ok());
    DecodedGif gif;
    ASSERT_TRUE(readgif(gifpath, gif));
    EXPECT_EQ(gif.w, 300);
    EXPECT_EQ(gif.h, 200);
    ASSERT_EQ(gif.frames.size(), static_cast<size_t>(task.nStep / every + 2));
    RgbImage last;
    ASSERT_TRUE(readpng(pngpath, last));
    EXPECT_EQ(pixeldifferences(gif.frames.back(), last), 0);
    // 7 rows of 0.02 s are 14 hundredths; the four rows from 196 to 200 are 8.
    EXPECT_DOUBLE_EQ(task.dt, 0.02);
    EXPECT_EQ(gif.delays.front(), 14);
    EXPECT_EQ(gif.delays[gif.delays.size() - 2], 8);
    EXPECT_EQ(gif.delays.back(), 14);
    // The first frame is row 0: it differs from the last.
    EXPECT_GT(pixeldifferences(gif.frames.front(), last), 0);
}

TEST(Pictures, SnapshotKeyWritesThePictureShownAndPrintsItsPath) {
    glready();
    TempDir folder;
    defaultcomparison(ROBOTSCARA, MOTIONVERTICAL);
    app.frame = 7;
    display();
    const RgbImage window = shown();
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(chdir(folder.path.c_str()), 0);
    testing::internal::CaptureStdout();
    keyboard('p', 0, 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(chdir(before), 0);
    const std::string path = folder.file("sotoc-scara-vertical-frame007.png");
    EXPECT_NE(printed.find(path), std::string::npos) << printed;
    RgbImage file;
    ASSERT_TRUE(readpng(path, file));
    EXPECT_EQ(pixeldifferences(file, window), 0);
    EXPECT_EQ(app.frame, 7);
    EXPECT_EQ(app.lastKey, 'p');
}

TEST(Pictures, SnapshotThatCannotBeWrittenSaysSo) {
    glready();
    setupscene(ROBOTCYL);
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(chdir("/proc"), 0);
    testing::internal::CaptureStdout();
    keyboard('p', 0, 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(chdir(before), 0);
    EXPECT_NE(printed.find("画像を保存できません: /proc/sotoc-cylindrical-horizontal-frame000.png"), std::string::npos)
        << printed;
}

}  // namespace
