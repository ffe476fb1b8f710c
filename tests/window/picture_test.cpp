// Pictures as files: the window's own drawing, compared with what the window shows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "study/comparison.h"
#include "study/params.h"
#include "offscreen/render.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"
#include "tests/window/scene.h"
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
