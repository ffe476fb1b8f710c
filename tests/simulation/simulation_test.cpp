#include "simulation/simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "study/params.h"
#include "defaults.h"
#include "simulation/control.h"
#include "simulation/dynamics.h"

namespace {

// A hand-made design: joint 1 switches once at 0.5 s, joint 2 at 0.2 s and 0.7 s,
// both at rest at 1.0 s.
const ControlTables HANDMADE = {
    {0.2, 0.5, 0.7, 1.0},
    {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}},
    {},
    {},
};

// Displacement and velocity at time t of a joint starting at rest at q0 that
// accelerates by a * sgn[k][j] in phase k of the tables (pure double integrator).
void bangbangstate(const ControlTables &c, int j, double q0, double a, double t, double &q, double &v) {
    q = q0;
    v = 0.0;
    double from = 0.0;
    for (int k = 0; k < 4 && from < t; ++k) {
        const double span = std::fmin(c.ts[k], t) - from;
        const double acc = a * c.sgn[k][j];
        q += v * span + 0.5 * acc * span * span;
        v += acc * span;
        from = c.ts[k];
    }
}

// Cylindrical robot turned into two decoupled double integrators: no gravity and
// no workpiece, so each joint is a pure motor inertia. Returns the accelerations.
// The goal and the switching states are those of the analytic bang-bang motion.
void installdoubleintegrator(double acc[2]) {
    installdefaults('a');
    task.mw = 0.0;
    derivesettings();  // servo gains for the motor inertias alone
    acc[0] = cyl.T1max / cyl.IM1;
    acc[1] = cyl.T2max / cyl.IM2;
    cylTables = HANDMADE;
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 2; ++j)
            bangbangstate(cylTables, j, cyl.phi0[j], acc[j], cylTables.ts[k], cylTables.swRefPos[k][j],
                          cylTables.swRefVel[k][j]);
    cyl.phif[0] = cylTables.swRefPos[3][0];
    cyl.phif[1] = cylTables.swRefPos[3][1];
}

// Largest position error the integration may make up to time t: a torque switch
// that falls inside an integration step of size h mis-weighs the step's velocity
// change by at most a third of |jump in acceleration| * h (Gill's stage weights
// 1/6, 2/3, 1/6), carried to the position for the time left.
double steperror(const ControlTables &c, int j, double a, double h, double t) {
    double bound = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double jump = a * std::fabs(c.sgn[k + 1][j] - c.sgn[k][j]);
        if (jump > 0.0 && c.ts[k] < t + h) bound += jump * h / 3.0 * (t - c.ts[k] + 2.0 * h);
    }
    return bound;
}

// Compares the logged bang-bang part of the work run with the analytic motion.
// `slack` widens the step error for switches found by observation, which may come
// one evaluation late. The short Gill constants lose a few parts in 1e10 of every
// increment, hence the relative term.
void expectbangbangmotion(double acc[2], double slack) {
    const RunLog &w = trajlog.cyl.work;
    const double h = task.dt / 10.0;
    const int last = static_cast<int>(cylTables.ts[3] / task.dt);
    for (int i = 0; i <= last; ++i) {
        const double t = i * task.dt;
        for (int j = 0; j < 2; ++j) {
            double q, v;
            bangbangstate(cylTables, j, cyl.phi0[j], acc[j], t, q, v);
            const double shortfall = 1e-9 * std::fabs(q - cyl.phi0[j]) + 1e-12;
            EXPECT_NEAR(w.fi[i][j], q, slack * steperror(cylTables, j, acc[j], h, t) + shortfall)
                << "row " << i << " joint " << j;
        }
        EXPECT_DOUBLE_EQ(w.P[i][0], w.fi[i][1] * std::cos(w.fi[i][0]));
        EXPECT_DOUBLE_EQ(w.P[i][1], w.fi[i][1] * std::sin(w.fi[i][0]));
    }
}

TEST(Simulate, DoubleIntegratorLandsWhereBangBangLands) {
    double acc[2];
    installdoubleintegrator(acc);
    app.ctrlType = 'T';
    EXPECT_EQ(simulate(), 1);
    expectbangbangmotion(acc, 1.0);
    const RunLog &w = trajlog.cyl.work;
    // The logged torques follow the phases, a switching time belonging to the next one.
    EXPECT_EQ(w.tau[10][1], -cyl.T2max);  // t = 0.2 = ts[0]
    EXPECT_EQ(w.tau[24][0], cyl.T1max);
    EXPECT_EQ(w.tau[34][1], -cyl.T2max);
    EXPECT_EQ(w.tau[36][1], cyl.T2max);
    // The servo then holds the goal: of the landing error (a few mrad) only the
    // slow integral mode (pole 0.5 /s) is left after three seconds.
    for (int j = 0; j < 2; ++j) EXPECT_NEAR(w.fi[task.nStep][j], cyl.phif[j], 1e-5) << "joint " << j;
}

TEST(Simulate, SotocOnTheExactModelSwitchesAtTheDesignedStates) {
    double acc[2];
    installdoubleintegrator(acc);
    app.ctrlType = 'S';
    simulate();
    EXPECT_EQ(sotoc.phase, 4);
    // Each switch is seen at the first evaluation after the closest approach,
    // half a step later at most, and the final time lies in the step after tf.
    const double h = task.dt / 10.0;
    EXPECT_GT(sotoc.tfsotoc[0], cylTables.ts[3]);
    EXPECT_LE(sotoc.tfsotoc[0], cylTables.ts[3] + h + 1e-9);
    expectbangbangmotion(acc, 3.0);
    for (int j = 0; j < 2; ++j)
        EXPECT_NEAR(trajlog.cyl.work.fi[task.nStep][j], cyl.phif[j], 1e-5) << "joint " << j;

    // As in a comparison, a clock-driven run in between starts the next
    // state-observed run in phase 0 again, logged sample included.
    app.ctrlType = 'T';
    simulate();
    EXPECT_EQ(sotoc.phase, 0);
    app.ctrlType = 'S';
    simulate();
    EXPECT_EQ(trajlog.cyl.work.tau[0][0], cyl.T1max);
    EXPECT_EQ(trajlog.cyl.work.tau[0][1], cyl.T2max);
    EXPECT_EQ(trajlog.cyl.work.tau[1][1], cyl.T2max);
}

TEST(Simulate, SotocAbsorbsAnInertiaErrorThatTocCannot) {
    // Designed for the motor inertias, run on a plant 5 % heavier on both joints.
    double acc[2];
    installdoubleintegrator(acc);
    cyl.IM1 *= 1.05;
    cyl.IM2 *= 1.05;
    const double tf = cylTables.ts[3];
    auto goaldistance = [](const double *q, const double *qprev) {
        // Position error plus the velocity of the last sample weighed as in the distance.
        double e = 0.0;
        const double wn[2] = {task.wn1, task.wn2};
        for (int j = 0; j < 2; ++j) {
            const double v = (q[j] - qprev[j]) / task.dt;
            e += std::sqrt((q[j] - cyl.phif[j]) * (q[j] - cyl.phif[j]) + v * v / (wn[j] * wn[j]));
        }
        return e;
    };
    app.ctrlType = 'T';
    simulate();
    const int ktoc = static_cast<int>(tf / task.dt);
    const double tocerror = goaldistance(trajlog.cyl.work.fi[ktoc], trajlog.cyl.work.fi[ktoc - 1]);
    app.ctrlType = 'S';
    simulate();
    ASSERT_EQ(sotoc.phase, 4);
    const int ksotoc = static_cast<int>(sotoc.tfsotoc[0] / task.dt);
    const double sotocerror = goaldistance(trajlog.cyl.work.fi[ksotoc], trajlog.cyl.work.fi[ksotoc - 1]);
    // TOC misses by about the inertia error times the stroke; SOTOC by far less.
    EXPECT_GT(tocerror, 0.03);
    EXPECT_LT(sotocerror, 0.1 * tocerror);
}

TEST(Simulate, FirstRowIsTheStartUnderTheFirstPhase) {
    installdefaults('b');
    scaraTables = HANDMADE;
    for (char ctrl : {'T', 'S'}) {
        app.ctrlType = ctrl;
        simulate();
        const RunLog &w = trajlog.scara.work;
        EXPECT_EQ(w.fi[0][0], scara.phi0[0]);
        EXPECT_EQ(w.fi[0][1], scara.phi0[1]);
        EXPECT_NEAR(w.P[0][0], task.x0, 1e-12);
        EXPECT_NEAR(w.P[0][1], task.y0, 1e-12);
        EXPECT_EQ(w.tau[0][0], scara.T1max);
        EXPECT_EQ(w.tau[0][1], scara.T2max);
    }
    app.sgnG = 'g';
    scaraTables.sgn[0][1] = -1.0;
    app.ctrlType = 'T';
    simulate();
    EXPECT_EQ(trajlog.scara.work.tau[0][0], scara.T1maxG);
    EXPECT_EQ(trajlog.scara.work.tau[0][1], -scara.T2maxG);
}

// Fills every slot of one robot with a recognisable pattern.
void markruns(RobotRuns &r) { std::memset(&r, 0x5a, sizeof r); }

bool marked(const void *p, size_t n) {
    const unsigned char *b = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != 0x5a) return false;
    return true;
}

TEST(Simulate, RunTouchesOnlyItsRobotsWorkRows) {
    for (char type : {'a', 'b'}) {
        installdefaults(type);
        controltables(type) = HANDMADE;
        RobotRuns &other = robotruns(type == 'a' ? 'b' : 'a');
        RobotRuns &own = robotruns(type);
        markruns(other);
        markruns(own);
        app.ctrlType = 'S';
        simulate();
        EXPECT_TRUE(marked(&other, sizeof other)) << "robot " << type;
        EXPECT_TRUE(marked(&own.tocFree, 3 * sizeof(RunLog))) << "robot " << type;
        const int rows = task.nStep + 1;
        EXPECT_FALSE(marked(own.work.fi[task.nStep], sizeof own.work.fi[0]));
        EXPECT_TRUE(marked(own.work.fi[rows], (MAXSAMPLES - rows) * sizeof own.work.fi[0]));
        EXPECT_TRUE(marked(own.work.P[rows], (MAXSAMPLES - rows) * sizeof own.work.P[0]));
        EXPECT_TRUE(marked(own.work.tau[rows], (MAXSAMPLES - rows) * sizeof own.work.tau[0]));
    }
}

TEST(Simulate, KeptRunHoldsTheRowsOfTheRunOnly) {
    installdefaults('a');
    cylTables = HANDMADE;
    app.ctrlType = 'T';
    simulate();
    RobotRuns &r = trajlog.cyl;
    markruns(r);
    // Refill the work slot: only its logged rows should reach the kept slot.
    simulate();
    keeprun(r.tocErr);
    const int rows = task.nStep + 1;
    EXPECT_EQ(std::memcmp(r.tocErr.fi, r.work.fi, rows * sizeof r.work.fi[0]), 0);
    EXPECT_EQ(std::memcmp(r.tocErr.P, r.work.P, rows * sizeof r.work.P[0]), 0);
    EXPECT_EQ(std::memcmp(r.tocErr.tau, r.work.tau, rows * sizeof r.work.tau[0]), 0);
    EXPECT_TRUE(marked(r.tocErr.fi[rows], (MAXSAMPLES - rows) * sizeof r.work.fi[0]));
    EXPECT_TRUE(marked(&r.tocFree, sizeof r.tocFree));
}

TEST(Simulate, SampleCountBeyondTheLogStaysInsideIt) {
    installdefaults('a');
    cylTables = HANDMADE;
    markruns(trajlog.cyl);
    task.nStep = MAXSAMPLES + 100;
    app.ctrlType = 'T';
    simulate();
    keeprun(trajlog.cyl.tocFree);
    EXPECT_FALSE(marked(trajlog.cyl.work.fi[MAXSAMPLES - 1], sizeof trajlog.cyl.work.fi[0]));
    EXPECT_TRUE(marked(&trajlog.cyl.tocErr, 2 * sizeof(RunLog)));
    EXPECT_EQ(std::memcmp(trajlog.cyl.tocFree.tau, trajlog.cyl.work.tau, sizeof trajlog.cyl.work.tau), 0);
}

}  // namespace
