#include "simulation/integrator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "defaults.h"
#include "tests/simulation/reference.h"
#include "simulation/control.h"
#include "simulation/dynamics.h"

namespace {

TEST(GillStep, ShortConstantsGiveTheirOwnValues) {
    const double zero = 0.0;
    double out = -1.0;
    gillstep([](int, double, const double *) { return 1.0; }, 0.0, 1.0, &zero, &out, 1);
    EXPECT_EQ(out, 0.9999999996666668);

    const double one = 1.0;
    gillstep([](int i, double, const double *y) { return y[i]; }, 0.0, 1.0, &one, &out, 1);
    EXPECT_EQ(out, 2.708333331909398);
}

TEST(GillStep, ZeroDerivativeKeepsTheStateAndRepeatsExactly) {
    const double x[RKGMAXN] = {1.5, -2.25, 1e-300, 7.0e12, -0.0, 3.0, 0.1, 0.2, 0.3, 0.4};
    double out[RKGMAXN];
    gillstep([](int, double, const double *) { return 0.0; }, 2.0, 0.01, x, out, RKGMAXN);
    for (int i = 0; i < RKGMAXN; ++i) EXPECT_EQ(out[i], x[i]) << "component " << i;

    // A derivative without memory: a second step from the same input is identical.
    auto f = [](int i, double t, const double *y) { return t * y[(i + 1) % 3] - y[i]; };
    const double y0[3] = {0.3, -1.2, 2.0};
    double first[3], second[3];
    gillstep(f, 0.5, 0.1, y0, first, 3);
    gillstep(f, 0.5, 0.1, y0, second, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(first[i], second[i]);
}

TEST(GillStep, AsksStageByStageInComponentOrder) {
    struct Call {
        int i;
        double t;
        double y[3];
    };
    std::vector<Call> calls;
    auto f = [&calls](int i, double t, const double *y) {
        calls.push_back({i, t, {y[0], y[1], y[2]}});
        return y[i] + 1.0;
    };
    const double x[3] = {1.0, 2.0, 3.0};
    double out[3];
    const double t = 0.3, h = 0.1;
    gillstep(f, t, h, x, out, 3);
    ASSERT_EQ(calls.size(), 12u);
    const double stagetime[4] = {t, 0.5 * h + t, 0.5 * h + t, t + h};
    for (int s = 0; s < 4; ++s) {
        for (int i = 0; i < 3; ++i) {
            const Call &c = calls[3 * s + i];
            EXPECT_EQ(c.i, i);
            EXPECT_EQ(c.t, stagetime[s]);
            // Every component of a stage sees the same stage state.
            for (int k = 0; k < 3; ++k) EXPECT_EQ(c.y[k], calls[3 * s].y[k]);
        }
    }
    for (int k = 0; k < 3; ++k) EXPECT_EQ(calls[0].y[k], x[k]);
}

TEST(Derivative, CylinderAsksEachJointOnceScaraBothJointsTwice) {
    installdefaults('a');
    cylTables = ControlTables{{0.5, 1.0, 1.5, 2.0}, {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}}, {}, {}};
    scaraTables = cylTables;
    const double x[6] = {0.1, 0.7, 0.2, -0.1, 0.0, 0.0};
    double acc[2];

    // Cylindrical: components 2 and 3 are the accelerations under the phase-0 torques.
    dynamics('a', cyl.T1max, -cyl.T2max, 0.1, 0.7, 0.2, -0.1, acc);
    EXPECT_EQ(derivative('a', 'T', 0, 0.1, x), 0.2);
    EXPECT_EQ(derivative('a', 'T', 1, 0.1, x), -0.1);
    EXPECT_EQ(derivative('a', 'T', 2, 0.1, x), acc[0]);
    EXPECT_EQ(derivative('a', 'T', 3, 0.1, x), acc[1]);

    // SCARA: each acceleration component needs both torques.
    dynamics('b', scara.T1max, -scara.T2max, 0.1, 0.7, 0.2, -0.1, acc);
    EXPECT_EQ(derivative('b', 'T', 2, 0.1, x), acc[0]);
    EXPECT_EQ(derivative('b', 'T', 3, 0.1, x), acc[1]);

    // Under SOTOC only a joint-1 evaluation touches the bookkeeping: the SCARA
    // robot makes one at component 3 too, the cylindrical robot does not.
    sotoc.dprev[0] = sotoc.dprev[1] = 5.0;
    sotoc.tprev = 0.05;
    derivative('a', 'S', 3, 0.1, x);
    EXPECT_EQ(sotoc.dprev[0], 5.0);
    EXPECT_EQ(sotoc.tprev, 0.05);
    derivative('b', 'S', 3, 0.1, x);
    EXPECT_NE(sotoc.dprev[1], 5.0);
    EXPECT_EQ(sotoc.tprev, 0.1);
}

TEST(Derivative, ErrorIntegrandsFollowTheServoPhase) {
    installdefaults('a');
    cylTables.ts[3] = 1.0;
    const double x[6] = {0.4, 0.6, 0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(derivative('a', 'T', 4, 0.5, x), 0.0);
    EXPECT_EQ(derivative('a', 'T', 4, 1.5, x), cyl.phif[0] - 0.4);
    EXPECT_EQ(derivative('a', 'T', 5, 1.5, x), cyl.phif[1] - 0.6);
}

TEST(RkgStep, StepsTheSimulationStateRepeatably) {
    installdefaults('b');
    scaraTables = ControlTables{{0.5, 1.0, 1.5, 2.0}, {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}}, {}, {}};
    const double x[6] = {scara.phi0[0], scara.phi0[1], 0.0, 0.0, 0.0, 0.0};
    double first[6], second[6];
    rkgstep('b', 'T', 0.2, 0.002, x, first, 6);
    rkgstep('b', 'T', 0.2, 0.002, x, second, 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(first[i], second[i]);
    // Starting at rest under constant torques the step moves as a = tau / inertia does.
    double acc[2];
    dynamics('b', scara.T1max, -scara.T2max, x[0], x[1], 0.0, 0.0, acc);
    EXPECT_NEAR(first[2], acc[0] * 0.002, 1e-4 * std::fabs(acc[0] * 0.002));
    EXPECT_NEAR(first[3], acc[1] * 0.002, 1e-4 * std::fabs(acc[1] * 0.002));
    EXPECT_EQ(first[4], 0.0);
    EXPECT_EQ(first[5], 0.0);
}

}  // namespace
