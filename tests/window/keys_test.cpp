#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "study/params.h"
#include "tests/support/pty.h"
#include "tests/window/scene.h"
#include "window/window.h"

namespace {

bool sameapp(const AppState &a, const AppState &b) {
    return a.type == b.type && a.sgnG == b.sgnG && a.ctrlType == b.ctrlType && a.designErr == b.designErr &&
           a.elbow == b.elbow && a.lastKey == b.lastKey && a.frame == b.frame && a.scale == b.scale &&
           a.playing == b.playing;
}

// Runs the event loop (its timers) until `done` holds or the seconds have passed;
// whether it held.
bool runevents(double seconds, const std::function<bool()> &done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        glutMainLoopEvent();
        if (done()) return true;
        usleep(1000);
    }
    return done();
}

// A short motion, so that playing it through takes little time.
constexpr int SHORTSTEPS = 15;

}  // namespace

TEST(Keys, StepClampsAtTheLastRowAndZeroRewinds) {
    glready();
    setupscene('a');
    keyboard('s', 0, 0);
    EXPECT_EQ(app.frame, 1);
    app.frame = task.nStep - 1;
    keyboard('s', 0, 10);
    EXPECT_EQ(app.frame, task.nStep);
    keyboard('s', 5, 5);
    EXPECT_EQ(app.frame, task.nStep);
    EXPECT_EQ(app.lastKey, 's');
    keyboard('0', 0, 0);
    EXPECT_EQ(app.frame, 0);
    EXPECT_EQ(app.lastKey, '0');
}

TEST(Keys, ZoomKeysScaleByNineTenths) {
    glready();
    setupscene('b');
    for (int n = 0; n < 3; ++n) keyboard('w', 0, 0);
    EXPECT_DOUBLE_EQ(app.scale, 0.9 * 0.9 * 0.9);
    keyboard('W', 0, 0);
    EXPECT_DOUBLE_EQ(app.scale, 0.9 * 0.9);
    keyboard('W', 0, 0);
    keyboard('W', 0, 0);
    keyboard('W', 0, 0);
    EXPECT_DOUBLE_EQ(app.scale, 1.0 / 0.9);
    EXPECT_EQ(app.frame, 0);
}

// Presses of `key` until the zoom has crossed 1 again, at most `most`.
int pressesbackto1(unsigned char key, int most) {
    int presses = 0;
    while ((key == 'w' ? app.scale > 1.0 : app.scale < 1.0) && presses < most) {
        keyboard(key, 0, 0);
        ++presses;
    }
    return presses;
}

// Each zoom key redraws the picture, so a hundred presses stand for thousands: past
// its range the zoom stops. The picture stays usable while one 0.1 m grid cell is no
// larger than the window (2 window units) and a 1 m arm spans at least 20 of its 800 pixels.
TEST(Keys, ZoomStopsWhereThePictureStaysUsableAndComesBack) {
    glready();
    setupscene('a');
    for (int n = 0; n < 100; ++n) keyboard('W', 0, 0);
    const double largest = app.scale;
    EXPECT_LE(largest * 0.1, 2.0);
    EXPECT_GT(largest, 1.0 / std::pow(0.9, 20)) << "yet it zooms in";
    keyboard('w', 0, 0);
    EXPECT_DOUBLE_EQ(app.scale, largest * 0.9);
    EXPECT_LT(pressesbackto1('w', 100), 40);

    for (int n = 0; n < 100; ++n) keyboard('w', 0, 0);
    const double smallest = app.scale;
    EXPECT_GE(smallest * 400.0, 20.0);
    EXPECT_LT(smallest, std::pow(0.9, 20)) << "yet it zooms out";
    keyboard('W', 0, 0);
    EXPECT_DOUBLE_EQ(app.scale, smallest / 0.9);
    app.scale = smallest;
    // The smallest picture still shows the arm along its length from the base.
    const Picture p = drawpicture();
    const double reach = 0.5 * layout.armLen;
    EXPECT_TRUE(colournear(p, smallest * (layout.base.x + reach * std::cos(CYLSTART[0])),
                           smallest * (layout.base.y + reach * std::sin(CYLSTART[0])), BLUEPX, 3));
    EXPECT_LT(pressesbackto1('W', 100), 40);
}

TEST(Keys, UnlistedKeysChangeOnlyTheLastKey) {
    glready();
    setupscene('a');
    app.frame = 7;
    app.scale = 0.5;
    const unsigned char keys[] = {'j', 'x', 'S', 'A', 'K', 'P', '1', '\r', 0xe3};
    for (unsigned char key : keys) {
        AppState expected = app;
        expected.lastKey = static_cast<char>(key);
        keyboard(key, 0, 0);
        EXPECT_TRUE(sameapp(app, expected)) << static_cast<int>(key);
    }
}

TEST(Playback, SpacePlaysToTheLastRowStopsAndStartsAgainFromRowZero) {
    glready();
    setupscene(ROBOTSCARA);
    task.nStep = SHORTSTEPS;
    app.frame = 3;
    keyboard(' ', 0, 0);
    EXPECT_TRUE(app.playing);
    EXPECT_EQ(app.frame, 3) << "the first row comes with the timer";
    ASSERT_TRUE(runevents(20, [] { return !app.playing; }));
    EXPECT_EQ(app.frame, SHORTSTEPS);
    EXPECT_FALSE(runevents(0.3, [] { return app.frame != SHORTSTEPS || app.playing; })) << "it stays at the end";
    keyboard(' ', 0, 0);
    EXPECT_TRUE(app.playing);
    EXPECT_EQ(app.frame, 0);
    ASSERT_TRUE(runevents(20, [] { return !app.playing; }));
    EXPECT_EQ(app.frame, SHORTSTEPS);
}

TEST(Playback, SecondSpacePausesThirdGoesOn) {
    glready();
    setupscene(ROBOTCYL);
    task.nStep = SHORTSTEPS;
    keyboard(' ', 0, 0);
    ASSERT_TRUE(runevents(20, [] { return app.frame >= 2; }));
    keyboard(' ', 0, 0);
    EXPECT_FALSE(app.playing);
    const int paused = app.frame;
    ASSERT_LT(paused, SHORTSTEPS);
    EXPECT_FALSE(runevents(0.3, [paused] { return app.frame != paused; })) << "paused at " << paused;
    // Pausing and playing again at once goes on to the end.
    keyboard(' ', 0, 0);
    keyboard(' ', 0, 0);
    keyboard(' ', 0, 0);
    EXPECT_TRUE(app.playing);
    ASSERT_TRUE(runevents(20, [] { return !app.playing; }));
    EXPECT_EQ(app.frame, SHORTSTEPS);
}

TEST(Playback, ViewKeysKeepPlayingSettingsKeyStopsIt) {
    glready();
    initialset();
    app.type = ROBOTSCARA;
    app.sgnG = MOTIONHORIZONTAL;
    keyboard(' ', 0, 0);
    ASSERT_TRUE(runevents(20, [] { return app.frame >= 2; }));
    keyboard('w', 0, 0);
    const int stepped = app.frame;
    keyboard('s', 0, 0);
    EXPECT_EQ(app.frame, stepped + 1);
    EXPECT_TRUE(app.playing);
    ASSERT_TRUE(runevents(20, [stepped] { return app.frame > stepped + 1; })) << "still playing";
    // The gravity key reruns the comparison without a question.
    testing::internal::CaptureStdout();
    keyboard('h', 0, 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("描画画面へ"), std::string::npos) << printed;
    EXPECT_FALSE(app.playing);
    EXPECT_EQ(app.frame, 0);
    EXPECT_FALSE(runevents(0.3, [] { return app.frame != 0; })) << "no row advances after the settings key";
}

// A settings key typed into the window of a forked copy of this process whose
// console is a pseudo-terminal: the real dialog runs inside the keyboard callback.
struct SettingsKeyCase {
    char key;
    char type, sgnG;       // shown before the key
    const char *question;  // the dialog's first question for this key; none: straight to the run
    const char *answers;   // typed from that question on
};

TEST(Keys, SettingsKeysEnterTheDialogAtTheirQuestion) {
    glready();
    const SettingsKeyCase cases[] = {
        {'a', 'b', 'g', "(a) 円筒座標ロボットの最短時間制御と状態観測最短時間制御の比較", "n"},
        {'b', 'a', 'h', "(b) SCARAロボットの最短時間制御と状態観測最短時間制御の比較", "n"},
        {'u', 'b', 'h', "(2) 減速機変更？", "n"},
        {'k', 'b', 'h', "(4-1) PTP運動の始点終点変更", "n1\n"},
        {'m', 'a', 'g', "(6-1) 誤差の変更", "1\n"},
        {'g', 'a', 'h', nullptr, ""},
        {'h', 'b', 'g', nullptr, ""},
    };
    for (const SettingsKeyCase &c : cases) {
        PtyProcess p;
        ASSERT_TRUE(ptyfork(p, [&c]() {
            initialset();
            app.type = c.type;
            app.sgnG = c.sgnG;
            app.frame = 50;
            app.scale = 0.5;
            keyboard(static_cast<unsigned char>(c.key), 0, 0);
            const char type = c.key == 'a' || c.key == 'b' ? c.key : c.type;
            const char sgnG = c.key == 'g' || c.key == 'h' ? c.key : c.sgnG;
            return app.lastKey == c.key && app.type == type && app.sgnG == sgnG && app.frame == 0 && app.scale == 1.0
                       ? 0
                       : 1;
        }));
        ASSERT_TRUE(ptyexpect(p, "現在の設定条件")) << c.key;
        const size_t report = p.mark;
        if (c.question != nullptr) {
            ASSERT_TRUE(ptyexpect(p, c.question)) << c.key;
            ptysend(p, c.answers);
        }
        ASSERT_TRUE(ptyexpect(p, "只今計算中", 60)) << c.key;
        if (c.question == nullptr) {
            const std::string asked = p.output.substr(report, p.mark - report);
            EXPECT_EQ(asked.find("？"), std::string::npos) << c.key << asked;
            EXPECT_EQ(asked.find("error="), std::string::npos) << c.key << asked;
        }
        ASSERT_TRUE(ptyexpect(p, "描画画面へ       ", 120)) << c.key << p.output.substr(report);
        EXPECT_EQ(ptywait(p, 60), 0) << c.key << p.output.substr(report);
        ptyclose(p);
    }
}

TEST(KeysDeathTest, EscapeEndsTheProgramWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
}
