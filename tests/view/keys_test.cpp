#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cstring>
#include <string>

#include "tests/view/scene.h"
#include "view/window.h"

namespace {

bool sameapp(const AppState &a, const AppState &b) {
    return a.type == b.type && a.sgnG == b.sgnG && a.ctrlType == b.ctrlType && a.designErr == b.designErr &&
           a.elbow == b.elbow && a.lastKey == b.lastKey && a.frame == b.frame && a.scale == b.scale;
}

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
    EXPECT_TRUE(dialogentries.empty());
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
    EXPECT_TRUE(dialogentries.empty());
}

TEST(Keys, UnlistedKeysChangeOnlyTheLastKey) {
    glready();
    setupscene('a');
    app.frame = 7;
    app.scale = 0.5;
    const unsigned char keys[] = {'j', 'x', 'S', 'A', 'K', '1', ' ', '\r', 0xe3};
    for (unsigned char key : keys) {
        AppState expected = app;
        expected.lastKey = static_cast<char>(key);
        keyboard(key, 0, 0);
        EXPECT_TRUE(sameapp(app, expected)) << static_cast<int>(key);
    }
    EXPECT_TRUE(dialogentries.empty());
}

TEST(Keys, SettingsKeysRewindAndEnterTheDialogWithTheirKey) {
    glready();
    setupscene('b');
    const std::string keys = "abughkm";
    for (char key : keys) {
        app.frame = 50;
        app.type = 'b';
        app.sgnG = 'h';
        dialogentries.clear();
        keyboard(static_cast<unsigned char>(key), 0, 0);
        ASSERT_EQ(dialogentries.size(), 1u) << key;
        const DialogEntry &e = dialogentries[0];
        EXPECT_EQ(e.lastKey, key);
        EXPECT_EQ(e.frame, 0) << key;
        EXPECT_EQ(e.type, key == 'a' || key == 'b' ? key : 'b') << key;
        EXPECT_EQ(e.sgnG, key == 'g' || key == 'h' ? key : 'h') << key;
    }
    dialogentries.clear();
}

TEST(Keys, WindowShowsTheNewRunsAfterTheDialog) {
    glready();
    setupscene('a');
    app.frame = task.nStep;
    Picture p = drawpicture();
    const Point2 oldgoal = {layout.base.x + task.xf, layout.base.y + task.yf};
    ASSERT_TRUE(colournear(p, oldgoal.x, oldgoal.y, BLUEPX, 0));
    // A new end point, and the dialog's own reset of frame and scale.
    ondialog = [] {
        task.xf = -0.3;
        task.yf = 0.4;
        app.frame = 0;
        app.scale = 1.0;
    };
    keyboard('k', 0, 0);
    ondialog = nullptr;
    dialogentries.clear();
    const Point2 newgoal = {layout.base.x - 0.3, layout.base.y + 0.4};
    bool shown = false;
    for (int tries = 0; tries < 100 && !shown; ++tries) {
        glutMainLoopEvent();
        p = grab();
        shown = colournear(p, newgoal.x, newgoal.y, BLUEPX, 0);
    }
    EXPECT_TRUE(shown);
    EXPECT_FALSE(colournear(p, oldgoal.x, oldgoal.y, BLUEPX, 0));
}

TEST(KeysDeathTest, EscapeEndsTheProgramWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(keyboard(27, 0, 0), ::testing::ExitedWithCode(0), "");
}
