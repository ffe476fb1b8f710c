// Physical checks of the comparison run: what the three motions do, not how.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/dialog.h"
#include "app/params.h"
#include "app/state.h"
#include "model/simulation.h"

namespace {

// Runs one comparison for `type` and `gravity` with the mass error in percent,
// entering the dialog as after a gravity key (no questions). Returns its output.
std::string compare(char type, char gravity, double percent) {
    testing::internal::CaptureStdout();
    initialset();
    app.type = type;
    app.sgnG = gravity;
    app.lastKey = gravity;
    task.errRatio = percent / 100.0;
    settingsdialog();
    return testing::internal::GetCapturedStdout();
}

// The number printed right after `label` in the output.
double printed(const std::string &out, const std::string &label) {
    const size_t at = out.find(label);
    if (at == std::string::npos) return NAN;
    return std::atof(out.c_str() + at + label.size());
}

const char *const TOCFREE_TF = "誤差なしTOC    終端時間 tf=";
const char *const TOC_RATIO = "速度誤差を含めたTOC位置誤差  =";
const char *const RATIO_LABEL = "行程に対する誤差の比=";

bool samerun(const RunLog &a, const RunLog &b) {
    const size_t rows = static_cast<size_t>(task.nStep + 1) * 2 * sizeof(double);
    return std::memcmp(a.fi, b.fi, rows) == 0 && std::memcmp(a.P, b.P, rows) == 0 &&
           std::memcmp(a.tau, b.tau, rows) == 0;
}

TEST(Comparison, WithoutMassErrorBothTocRunsAreIdentical) {
    compare('b', 'h', 0.0);
    const RobotRuns &runs = robotruns('b');
    EXPECT_TRUE(samerun(runs.tocFree, runs.tocErr));
}

// After its final time the error-free TOC run is held at the goal by the servo and
// ends the simulated span at rest there.
TEST(Comparison, ErrorFreeTocStaysAtTheGoalAfterItsFinalTime) {
    for (char type : {'a', 'b'}) {
        for (char gravity : {'h', 'g'}) {
            const std::string out = compare(type, gravity, 1.0);
            const double tf = printed(out, TOCFREE_TF);
            ASSERT_TRUE(std::isfinite(tf)) << out;
            const RunLog &run = robotruns(type).tocFree;
            const RobotParams &p = robotparams(type);
            const int n = task.nStep;
            for (int k = static_cast<int>(tf / task.dt) + 1; k <= n; ++k)
                for (int j = 0; j < 2; ++j)
                    ASSERT_NEAR(p.phif[j], run.fi[k][j], 2e-3) << type << gravity << " row " << k << " joint " << j;
            for (int j = 0; j < 2; ++j) {
                EXPECT_NEAR(p.phif[j], run.fi[n][j], 1e-4) << type << gravity;
                EXPECT_NEAR(0.0, (run.fi[n][j] - run.fi[n - 1][j]) / task.dt, 1e-3) << type << gravity;
            }
        }
    }
}

// The TOC error as a share of the stroke [%], printed with four decimals.
double tocratio(const std::string &out) {
    const size_t line = out.find(TOC_RATIO);
    return line == std::string::npos ? NAN : printed(out.substr(line), RATIO_LABEL);
}

TEST(Comparison, LargerMassErrorGivesLargerTocError) {
    const double one = tocratio(compare('b', 'h', 1.0));
    const double five = tocratio(compare('b', 'h', 5.0));
    EXPECT_GT(one, 0.0);
    EXPECT_GT(five, one);
}

TEST(Comparison, LighterDesignMassWorksThroughTheWholeRun) {
    for (char type : {'a', 'b'}) {
        const std::string out = compare(type, 'g', -20.0);
        EXPECT_NE(std::string::npos, out.find("描画画面へ")) << out;
        EXPECT_EQ(std::string::npos, out.find("nan")) << out;
        EXPECT_EQ(0, app.frame);
        EXPECT_EQ(1.0, app.scale);
    }
}

// A move of zero length: final times of 0 must not read row -1, and SOTOC, which
// never passes a switching state, is judged at the end of the run.
TEST(Comparison, StartEqualToEndReportsFiniteResults) {
    testing::internal::CaptureStdout();
    initialset();
    app.type = 'a';
    app.sgnG = 'h';
    app.lastKey = 'h';
    task.xf = task.x0;
    task.yf = task.y0;
    settingsdialog();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("誤差なしTOC    終端時間 tf= 0.0000[s]  終端位置 Pf[]=( 0.7000  0.0000)[m]"))
        << out;
    EXPECT_NE(std::string::npos, out.find("最後の切り替え状態に達しなかった")) << out;
    EXPECT_EQ(std::string::npos, out.find("nan")) << out;
}

}  // namespace
