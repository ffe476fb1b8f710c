#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "study/params.h"
#include "records/records.h"
#include "simulation/control.h"
#include "simulation/dynamics.h"
#include "simulation/integrator.h"
#include "design/design.h"
#include "design/designparts.h"
#include "design/matrix.h"
#include "tests/simulation/reference.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Defaults of both robots, then robot `type` with gravity mode `gravity` at the
// nominal masses, cold start.
void selectrobot(char type, char gravity) {
    initialset();
    app.type = type;
    app.sgnG = gravity;
    derivesettings();
    app.designErr = 'n';
}

void selectpoints(double x0, double y0, double xf, double yf) {
    task.x0 = x0;
    task.y0 = y0;
    task.xf = xf;
    task.yf = yf;
    derivesettings();
}

void startstate(double s[4]) {
    const RobotParams &p = robotparams(app.type);
    s[0] = p.phi0[0];
    s[1] = p.phi0[1];
    s[2] = s[3] = 0.0;
}

void goalstate(double s[4]) {
    const RobotParams &p = robotparams(app.type);
    s[0] = p.phif[0];
    s[1] = p.phif[1];
    s[2] = s[3] = 0.0;
}

// A value no design writes.
constexpr double POISON = -7.0;
const double POISONTS[4] = {POISON, POISON, POISON, POISON};

// Sets the robot's switching times (what a warm start reads) and fills every other
// result of the design with POISON.
void poisonresults(const double ts[4]) {
    ControlTables &c = controltables(app.type);
    for (int k = 0; k < 4; ++k) {
        c.ts[k] = ts[k];
        for (int j = 0; j < 2; ++j) c.sgn[k][j] = designs.segpos[k][j] = designs.segvel[k][j] = POISON;
    }
}

void expectresultsuntouched(const double ts[4]) {
    const ControlTables &c = controltables(app.type);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(c.ts[k], ts[k]);
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(c.sgn[k][j], POISON);
            EXPECT_EQ(designs.segpos[k][j], POISON);
            EXPECT_EQ(designs.segvel[k][j], POISON);
        }
    }
}

// The straightforward shot: every component of every stage asks designmodel on
// its own. trace[s] is the state after step s (trace[0] the start).
void plainshot(const double tb[4], const int wsgn[4][2], const double s0[4], double trace[NTRACE][4]) {
    for (int c = 0; c < 4; ++c) trace[0][c] = s0[c];
    for (int k = 0; k < 4; ++k) {
        const double start = k == 0 ? 0.0 : tb[k - 1];
        const double h = (tb[k] - start) / NSEG;
        auto model = [&](int i, double, const double *y) { return designmodel(i, wsgn[k], y); };
        double t = start;
        for (int step = 0; step < NSEG; ++step) {
            const int s = k * NSEG + step;
            gillstep(model, t, h, trace[s], trace[s + 1], 4);
            t = t + h;
        }
    }
}

// Newton trial with plain full shots for the base and for every Jacobian column.
void plaintrial(const double g[4], const double s0[4], const double sf[4], int sigma2, double x[4],
                int &iterations) {
    static double trace[NTRACE][4];
    const int sigma1 = sf[0] - s0[0] > 0.0 ? 1 : -1;
    for (int i = 0; i < 4; ++i) x[i] = g[i];
    iterations = 0;
    for (;;) {
        double tb[4];
        int wsgn[4][2];
        ordertimes(x, sigma1, sigma2, tb, wsgn);
        plainshot(tb, wsgn, s0, trace);
        double e0[4], e[4];
        for (int i = 0; i < 4; ++i) {
            e0[i] = trace[NTRACE - 1][i];
            e[i] = sf[i] - e0[i];
        }
        const double E = sumabs(4, e);
        if (!(E >= TOLDESIGN)) return;
        double M[16];
        for (int j = 0; j < 4; ++j) {
            double xp[4] = {x[0], x[1], x[2], x[3]};
            xp[j] += DJAC;
            ordertimes(xp, sigma1, sigma2, tb, wsgn);
            plainshot(tb, wsgn, s0, trace);
            for (int i = 0; i < 4; ++i) M[i * 4 + j] = (trace[NTRACE - 1][i] - e0[i]) / DJAC;
        }
        invertmatrix(4, M, 4);
        double d[4];
        for (int i = 0; i < 4; ++i) d[i] = M[i * 4] * e[0] + M[i * 4 + 1] * e[1] + M[i * 4 + 2] * e[2] + M[i * 4 + 3] * e[3];
        const double lambda = stepfactor(sumabs(4, d));
        for (int i = 0; i < 4; ++i) x[i] = x[i] + lambda * d[i];
        if (++iterations >= MAXITER) return;
    }
}

// Classic fourth-order Runge-Kutta through the stored phases with `steps` steps per
// phase and the stored signs: shares neither the Gill step nor the design's shots.
void rk4phases(const ControlTables &c, const double s0[4], int steps, double y[4]) {
    const double lim1 = jointlimit(app.type, app.sgnG, 0);
    const double lim2 = jointlimit(app.type, app.sgnG, 1);
    for (int i = 0; i < 4; ++i) y[i] = s0[i];
    for (int k = 0; k < 4; ++k) {
        const double tau1 = c.sgn[k][0] * lim1;
        const double tau2 = c.sgn[k][1] * lim2;
        auto rate = [&](const double *s, double *ds) {
            ds[0] = s[2];
            ds[1] = s[3];
            dynamics(app.type, tau1, tau2, s[0], s[1], s[2], s[3], ds + 2);
        };
        const double h = (c.ts[k] - (k == 0 ? 0.0 : c.ts[k - 1])) / steps;
        for (int n = 0; n < steps; ++n) {
            double k1[4], k2[4], k3[4], k4[4], s[4];
            rate(y, k1);
            for (int i = 0; i < 4; ++i) s[i] = y[i] + 0.5 * h * k1[i];
            rate(s, k2);
            for (int i = 0; i < 4; ++i) s[i] = y[i] + 0.5 * h * k2[i];
            rate(s, k3);
            for (int i = 0; i < 4; ++i) s[i] = y[i] + h * k3[i];
            rate(s, k4);
            for (int i = 0; i < 4; ++i) y[i] += h / 6.0 * (k1[i] + 2.0 * k2[i] + 2.0 * k3[i] + k4[i]);
        }
    }
}

double distance(const double a[4], const double b[4]) {
    const double d[4] = {a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3]};
    return sumabs(4, d);
}

// ---- ordering of the switching instants ----

struct OrderCase {
    double x[3];     // design instants by role
    double tb[3];    // expected segment ends
    int rows[3][2];  // expected signs of segments 1..3 for sigma1 = +1, sigma2 = -1
};

TEST(OrderTimes, RulesAndTheirOverrideOrder) {
    const OrderCase cases[] = {
        // joint 1 switches first (x1 <= x0), also on a tie of the two
        {{2.0, 1.0, 3.0}, {1.0, 2.0, 3.0}, {{-1, -1}, {-1, 1}, {-1, -1}}},
        {{2.0, 2.0, 3.0}, {2.0, 2.0, 3.0}, {{-1, -1}, {-1, 1}, {-1, -1}}},
        // joint 1 switches between the joint-2 switches
        {{1.0, 2.0, 3.0}, {1.0, 2.0, 3.0}, {{1, 1}, {-1, 1}, {-1, -1}}},
        // joint 1 switches last (x2 <= x1), also on a tie with the second joint-2 switch
        {{1.0, 3.0, 2.0}, {1.0, 2.0, 3.0}, {{1, 1}, {1, -1}, {-1, -1}}},
        {{1.0, 2.0, 2.0}, {1.0, 2.0, 2.0}, {{1, 1}, {1, -1}, {-1, -1}}},
        // both of the first and last rule apply: the last one stands
        {{3.0, 2.0, 1.0}, {3.0, 1.0, 2.0}, {{1, 1}, {1, -1}, {-1, -1}}},
        {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {{1, 1}, {1, -1}, {-1, -1}}},
    };
    for (const OrderCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x[0] << " " << c.x[1] << " " << c.x[2]);
        const double x[4] = {c.x[0], c.x[1], c.x[2], 9.0};
        double tb[4];
        int wsgn[4][2];
        ordertimes(x, 1, -1, tb, wsgn);
        EXPECT_EQ(tb[3], 9.0);
        EXPECT_EQ(wsgn[0][0], 1);
        EXPECT_EQ(wsgn[0][1], -1);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(tb[k], c.tb[k]) << k;
            EXPECT_EQ(wsgn[k + 1][0], c.rows[k][0]) << k;
            EXPECT_EQ(wsgn[k + 1][1], c.rows[k][1]) << k;
        }
    }
}

TEST(OrderTimes, OrderedInstantsReproduceEachJointsOwnSwitching) {
    // Whenever the first joint-2 switch is not after the second, joint 1 runs sigma1
    // until x1 and -sigma1 after; joint 2 sigma2 until x0, -sigma2 until x2, then sigma2.
    const double grid[] = {0.1, 0.4, 0.7, 1.0};
    for (int sigma1 : {-1, 1})
        for (int sigma2 : {-1, 1})
            for (double x0 : grid)
                for (double x1 : grid)
                    for (double x2 : grid) {
                        if (x0 > x2) continue;
                        const double x[4] = {x0, x1, x2, 1.3};
                        double tb[4];
                        int wsgn[4][2];
                        ordertimes(x, sigma1, sigma2, tb, wsgn);
                        for (int k = 0; k < 4; ++k) {
                            const double start = k == 0 ? 0.0 : tb[k - 1];
                            ASSERT_LE(start, tb[k]);
                            if (start == tb[k]) continue;
                            const double mid = 0.5 * (start + tb[k]);
                            const int joint1 = mid < x1 ? sigma1 : -sigma1;
                            const int joint2 = mid < x0 ? sigma2 : (mid < x2 ? -sigma2 : sigma2);
                            EXPECT_EQ(wsgn[k][0], joint1) << x0 << " " << x1 << " " << x2 << " seg " << k;
                            EXPECT_EQ(wsgn[k][1], joint2) << x0 << " " << x1 << " " << x2 << " seg " << k;
                        }
                    }
}

TEST(OrderTimes, InstantsThatAreNotNumbersStillSetEverySign) {
    const double x[4] = {NaN, NaN, NaN, NaN};
    double tb[4] = {0, 0, 0, 0};
    int wsgn[4][2] = {{7, 7}, {7, 7}, {7, 7}, {7, 7}};
    ordertimes(x, -1, 1, tb, wsgn);
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(std::isnan(tb[k]));
        EXPECT_EQ(std::abs(wsgn[k][0]), 1);
        EXPECT_EQ(std::abs(wsgn[k][1]), 1);
    }
}

// ---- Newton step, acceptance and choice ----

TEST(NewtonStep, UpdateIsCappedWhileDirectionIsLong) {
    for (double n : {1.0, 1.5, 37.0, 1e3, 1e9}) {
        const double d[4] = {0.5 * n, -0.25 * n, 0.125 * n, -0.125 * n};
        const double lambda = stepfactor(sumabs(4, d));
        const double update[4] = {lambda * d[0], lambda * d[1], lambda * d[2], lambda * d[3]};
        EXPECT_NEAR(sumabs(4, update), 0.05, 1e-15) << n;
    }
    // Below the cap the factor goes by bands; the band below 0.01 damps harder than its neighbours.
    const double band[][2] = {{0.999, 0.05}, {0.1, 0.05}, {0.0999, 0.5}, {0.01, 0.5}, {0.00999, 0.2},
                              {0.001, 0.2},  {0.000999, 0.5}, {0.0001, 0.5}, {0.0000999, 1.0}, {0.0, 1.0}};
    for (const auto &b : band) EXPECT_EQ(stepfactor(b[0]), b[1]) << b[0];
}

TEST(NewtonStep, AcceptanceOfFinishedTrials) {
    const double good[4] = {0.1, 0.2, 0.3, 0.4};
    EXPECT_EQ(trialfinaltime(good, true), 0.4);
    EXPECT_EQ(trialfinaltime(good, false), TFFAIL);
    // Only the second joint-2 instant is held against the final time.
    const double joint1late[4] = {0.1, 0.5, 0.4, 0.4};
    EXPECT_EQ(trialfinaltime(joint1late, true), 0.4);
    const double joint2late[4] = {0.1, 0.2, 0.41, 0.4};
    EXPECT_EQ(trialfinaltime(joint2late, true), TFFAIL);
    const double atzero[4] = {0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(trialfinaltime(atzero, true), 0.0);
    for (int i = 0; i < 3; ++i) {
        double negative[4] = {0.1, 0.2, 0.3, 0.4};
        negative[i] = -1e-9;
        EXPECT_EQ(trialfinaltime(negative, true), TFFAIL) << i;
        double notanumber[4] = {0.1, 0.2, 0.3, 0.4};
        notanumber[i] = NaN;
        EXPECT_EQ(trialfinaltime(notanumber, true), TFFAIL) << i;
    }
}

TEST(NewtonStep, ChoiceTakesFasterTrialAndTiesGoToSecond) {
    EXPECT_EQ(choosetrial(1.0, 2.0), 0);
    EXPECT_EQ(choosetrial(2.0, 1.0), 1);
    EXPECT_EQ(choosetrial(1.5, 1.5), 1);
    EXPECT_EQ(choosetrial(1.0, TFFAIL), 0);
    EXPECT_EQ(choosetrial(TFFAIL, 1.0), 1);
    EXPECT_EQ(choosetrial(TFFAIL, TFFAIL), -1);
    // A converged but slow trial counts as failed only above the bound.
    EXPECT_EQ(choosetrial(TFACCEPT, TFFAIL), 0);
    EXPECT_EQ(choosetrial(1000.5, TFFAIL), -1);
    EXPECT_EQ(choosetrial(TFFAIL, 1000.5), -1);
}

// ---- shots and trials against the straightforward evaluation ----

TEST(DesignShot, MatchesPlainPerComponentEvaluationExactly) {
    static DesignShot shot;
    static double plain[NTRACE][4];
    // An ordered vector and one whose last segment runs backwards.
    const double vectors[2][4] = {{0.3, 0.6, 0.9, 1.2}, {0.2, 1.1, 0.5, 0.8}};
    for (char type : {'a', 'b'})
        for (char gravity : {'h', 'g'}) {
            selectrobot(type, gravity);
            double s0[4];
            startstate(s0);
            for (const auto &x : vectors) {
                SCOPED_TRACE(testing::Message() << type << gravity << " x1=" << x[1]);
                shoot(x, s0, 1, -1, shot);
                plainshot(shot.tb, shot.wsgn, s0, plain);
                for (int s = 0; s < NTRACE; ++s)
                    for (int c = 0; c < 4; ++c) ASSERT_EQ(shot.trace[s][1 + c], plain[s][c]) << s << "," << c;
                EXPECT_NEAR(shot.trace[NTRACE - 1][0], shot.tb[3], 1e-12);
            }
        }
}

TEST(DesignTrial, MatchesPlainNewtonIterationExactly) {
    // Reusing the base shot and the unchanged leading segments in the Jacobian,
    // and one dynamics solve per stage, must not change a single bit.
    static DesignTrial trial;
    for (char type : {'a', 'b'}) {
        selectrobot(type, type == 'a' ? 'h' : 'g');
        if (type == 'a') selectpoints(0.7, 0.0, 0.0, 0.7);
        double s0[4], sf[4];
        startstate(s0);
        goalstate(sf);
        const double g[4] = {0.3, 0.6, 0.9, 1.2};
        for (int sigma2 : {-1, 1}) {
            SCOPED_TRACE(testing::Message() << type << " sigma2 " << sigma2);
            runtrial(g, s0, sf, sf[0] > s0[0] ? 1 : -1, sigma2, trial);
            double x[4];
            int iterations;
            plaintrial(g, s0, sf, sigma2, x, iterations);
            EXPECT_EQ(trial.iterations, iterations);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(trial.x[i], x[i]) << i;
        }
    }
}

// ---- whole designs ----

struct Task {
    char type, gravity;
    double x0, y0, xf, yf;
};

TEST(DesignSwitching, DesignedMotionArrivesAtRestAtGoal) {
    // The cylindrical robot's default move turns too far for a horizontal
    // bang-bang solution (see the next test); a quarter turn has one.
    const Task tasks[] = {{'a', 'h', 0.7, 0.0, 0.0, 0.7},
                          {'a', 'g', 0.7, 0.0, -0.3, 0.4},
                          {'b', 'h', 0.7, 0.0, -0.3, 0.4},
                          {'b', 'g', 0.7, 0.0, -0.3, 0.4}};
    static DesignTrial trials[2];
    static double plain[NTRACE][4];
    for (const Task &t : tasks) {
        SCOPED_TRACE(testing::Message() << t.type << t.gravity);
        selectrobot(t.type, t.gravity);
        selectpoints(t.x0, t.y0, t.xf, t.yf);
        double s0[4], sf[4];
        startstate(s0);
        goalstate(sf);
        designtrials(trials);
        poisonresults(POISONTS);
        ASSERT_EQ(designswitching(), 1);
        const ControlTables &c = controltables(t.type);

        // The winner is the faster of the accepted trials, and its sign of joint 2 shows it.
        const int winner = trials[0].tf < trials[1].tf ? 0 : 1;
        ASSERT_LE(trials[winner].tf, TFACCEPT);
        EXPECT_EQ(c.ts[3], trials[winner].tf);
        EXPECT_EQ(c.sgn[0][1], winner == 0 ? -1.0 : 1.0);
        for (int k = 0; k < 3; ++k) EXPECT_LE(k == 0 ? 0.0 : c.ts[k - 1], c.ts[k]);

        // The stored phases integrated on their own end at rest at the goal, and
        // the switching states are the states at the phase ends.
        int wsgn[4][2];
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 2; ++j) wsgn[k][j] = static_cast<int>(c.sgn[k][j]);
        plainshot(c.ts, wsgn, s0, plain);
        EXPECT_LT(distance(plain[NTRACE - 1], sf), TOLDESIGN);
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 2; ++j) {
                EXPECT_EQ(designs.segpos[k][j], plain[(k + 1) * NSEG][j]);
                EXPECT_EQ(designs.segvel[k][j], plain[(k + 1) * NSEG][2 + j]);
            }

        // A much finer independent integration of the same profile also arrives,
        // within the design tolerance plus the coarse step's own error (estimated
        // by halving it).
        double coarse[4], halved[4], fine[4];
        rk4phases(c, s0, NSEG, coarse);
        rk4phases(c, s0, 2 * NSEG, halved);
        rk4phases(c, s0, 40 * NSEG, fine);
        const double steperror = distance(coarse, halved) * 16.0 / 15.0;
        EXPECT_LT(distance(fine, sf), TOLDESIGN + 2.0 * steperror + 1e-9);
        EXPECT_LT(distance(fine, plain[NTRACE - 1]), 2.0 * steperror + 1e-9);
    }
}

TEST(DesignSwitching, DefaultCylinderHorizontalTurnHasNoAcceptedTrial) {
    // Full joint-1 torque throws the arm out faster than joint 2 can pull it in.
    // Both trials reach the goal, one only with its first joint-2 switch before
    // the start, the other only with its joint-2 switches after the final time.
    selectrobot('a', 'h');
    double sf[4];
    goalstate(sf);
    static DesignTrial trials[2];
    designtrials(trials);
    for (const DesignTrial &trial : trials) {
        EXPECT_LT(distance(&trial.shot.trace[NTRACE - 1][1], sf), TOLDESIGN);
        EXPECT_LT(trial.iterations, MAXITER);
        EXPECT_EQ(trial.tf, TFFAIL);
    }
    EXPECT_GT(trials[0].x[2], trials[0].x[3]);
    EXPECT_LT(trials[1].x[0], 0.0);
    poisonresults(POISONTS);
    EXPECT_EQ(designswitching(), 0);
    expectresultsuntouched(POISONTS);
}

TEST(DesignSwitching, StartEqualToEndTiesAtZeroAndTakesSecondTrial) {
    for (char type : {'a', 'b'}) {
        SCOPED_TRACE(type);
        selectrobot(type, 'h');
        selectpoints(0.7, 0.0, 0.7, 0.0);
        ASSERT_EQ(designswitching(), 1);
        const ControlTables &c = controltables(type);
        const double sgn[4][2] = {{-1, 1}, {-1, -1}, {-1, 1}, {1, 1}};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(c.ts[k], 0.0);
            EXPECT_EQ(c.sgn[k][0], sgn[k][0]);
            EXPECT_EQ(c.sgn[k][1], sgn[k][1]);
        }
    }
}

TEST(DesignSwitching, WarmStartTakesStoredTimesByRole) {
    // Stored in role order the times are the solution itself: nothing to iterate.
    selectrobot('b', 'h');
    ASSERT_EQ(designswitching(), 1);
    ControlTables &c = controltables('b');
    const double ts[4] = {c.ts[0], c.ts[1], c.ts[2], c.ts[3]};
    ASSERT_LT(ts[0], ts[1]);  // joint 1 switched between the joint-2 switches
    app.designErr = 'm';
    static DesignTrial trials[2];
    designtrials(trials);
    EXPECT_EQ(trials[c.sgn[0][1] < 0 ? 0 : 1].iterations, 0);
    ASSERT_EQ(designswitching(), 1);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(c.ts[k], ts[k]);

    // A solution whose joint 1 switched last is stored in segment order; taken by
    // role the warm guess is another profile, and the iteration has to find its way back.
    selectrobot('a', 'h');
    selectpoints(0.5, 0.0, 0.0, 0.8);
    ASSERT_EQ(designswitching(), 1);
    designtrials(trials);
    const int winner = trials[0].tf < trials[1].tf ? 0 : 1;
    ASSERT_LT(trials[winner].x[2], trials[winner].x[1]);
    const double cold = trials[winner].tf;
    app.designErr = 'm';
    designtrials(trials);
    EXPECT_GT(trials[winner].iterations, 0);
    EXPECT_NEAR(trials[winner].tf, cold, 1e-3);
}

TEST(DesignSwitching, WarmStartWithMassErrorStaysNearNominalDesign) {
    for (char type : {'a', 'b'}) {
        SCOPED_TRACE(type);
        selectrobot(type, 'g');
        ASSERT_EQ(designswitching(), 1);
        const double nominal = controltables(type).ts[3];
        task.mw = task.mwErr;
        scara.m1 = scara.m1Err;
        derivesettings();
        app.designErr = 'm';
        ASSERT_EQ(designswitching(), 1);
        // One percent more mass moves the final time by well under one percent.
        EXPECT_NEAR(controltables(type).ts[3], nominal, 0.01 * nominal);
        EXPECT_NE(controltables(type).ts[3], nominal);
    }
}

// ---- failures ----

TEST(DesignSwitching, UnreachableTargetFailsAtOnceAndChangesNothing) {
    // An out-of-reach SCARA point leaves joint values that are not numbers.
    selectrobot('b', 'h');
    scara.phif[0] = scara.phif[1] = NaN;
    static DesignTrial trials[2];
    designtrials(trials);
    for (const DesignTrial &trial : trials) {
        EXPECT_EQ(trial.iterations, 0);
        EXPECT_EQ(trial.tf, TFFAIL);
    }
    poisonresults(POISONTS);
    EXPECT_EQ(designswitching(), 0);
    expectresultsuntouched(POISONTS);

    // The same target from a warm start: the times are fine numbers, the residual is not.
    app.designErr = 'm';
    const double ts[4] = {0.3, 0.6, 0.9, 1.2};
    poisonresults(ts);
    EXPECT_EQ(designswitching(), 0);
    expectresultsuntouched(ts);
}

TEST(DesignSwitching, ShotThatBlowsUpIsNoSolution) {
    // Forty seconds of full torque spin the SCARA arm beyond any number: the
    // residual is not a number although every instant is in order.
    selectrobot('b', 'h');
    const double ts[4] = {10.0, 20.0, 30.0, 40.0};
    poisonresults(ts);
    app.designErr = 'm';
    static DesignTrial trials[2];
    designtrials(trials);
    for (const DesignTrial &trial : trials) {
        EXPECT_EQ(trial.iterations, 0);
        EXPECT_EQ(trial.tf, TFFAIL);
    }
    EXPECT_EQ(designswitching(), 0);
    expectresultsuntouched(ts);
}

TEST(DesignSwitching, TrialsOutOfUpdatesAreRejected) {
    // From times many seconds off, capped updates cannot get there in MAXITER steps.
    selectrobot('a', 'h');
    const double ts[4] = {5.0, 10.0, 15.0, 20.0};
    app.designErr = 'm';
    poisonresults(ts);
    static DesignTrial trials[2];
    designtrials(trials);
    double sf[4];
    goalstate(sf);
    for (const DesignTrial &trial : trials) {
        EXPECT_EQ(trial.iterations, MAXITER);
        EXPECT_EQ(trial.tf, TFFAIL);
        EXPECT_GE(distance(&trial.shot.trace[NTRACE - 1][1], sf), TOLDESIGN);
    }
    EXPECT_EQ(designswitching(), 0);
    expectresultsuntouched(ts);
}

// The wide search's further guesses as the method's description gives them: the
// guess's final time T_g as a multiple of the cold start's T, and the first joint-2
// switch, the joint-1 switch and the second joint-2 switch as shares of T_g.
struct Guess {
    double scale, share[3];
};
const Guess DOCUMENTEDGUESSES[] = {
    {1.0, {0.25, 0.5, 0.75}}, {0.5, {0.25, 0.5, 0.75}}, {1.5, {0.25, 0.5, 0.75}},
    {2.0, {0.25, 0.5, 0.75}}, {3.0, {0.25, 0.5, 0.75}}, {1.0, {0.5, 0.25, 0.75}},
    {1.5, {0.5, 0.25, 0.75}}, {1.0, {0.25, 0.75, 0.5}}, {1.5, {0.25, 0.75, 0.5}},
};
constexpr int LASTGUESS = sizeof DOCUMENTEDGUESSES / sizeof DOCUMENTEDGUESSES[0];

// Whether trial a ended better than b, as the method ranks them: accepted first, then
// the smaller residual, a residual that is no number last.
bool rankedbefore(const DesignTrial &a, const DesignTrial &b) {
    if ((a.verdict == TRIALACCEPTED) != (b.verdict == TRIALACCEPTED)) return a.verdict == TRIALACCEPTED;
    return !std::isnan(a.residual) && (std::isnan(b.residual) || a.residual < b.residual);
}

// Where the standard guess solves neither trial, the wide search runs each trial from
// the documented guesses in order until one is accepted, and keeps the best ended of
// them and the standard one (the earlier on a tie): the same as running each guess as
// a trial of its own. The cold start's T is the documented estimate (joint 1 alone,
// its inertia at the start pose): the standard trial runs again from it. At the end
// point (-0.4, -0.35) m of the SCARA with gravity nothing is accepted, and the
// positive trial keeps the last guess, the negative one another.
TEST(DesignSearch, WideSearchKeepsTheBestOfTheDocumentedGuesses) {
    static DesignTrial standard[2], kept[2], tried, best;
    selectrobot('b', 'g');
    selectpoints(0.7, 0.0, -0.4, -0.35);
    app.joint2Start = JOINT2SHORTER;
    app.designSearch = SEARCHWIDE;
    const RobotParams &p = scara;
    const double lever = p.L1 + p.L2 * std::cos(p.phi0[1]);
    const double J = task.mw * lever * lever + p.IM1 + p.IJ1;
    const double T = 0.6 * 2.0 * std::sqrt(std::fabs(p.phif[0] - p.phi0[0]) * J / p.T1max);
    double s0[4], sf[4];
    startstate(s0);
    goalstate(sf);
    const int sigma1 = sf[0] > s0[0] ? 1 : -1;
    designtrials(standard);
    ASSERT_TRUE(ruledtrials(kept)) << "the standard guess solves no trial";
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const double cold[4] = {0.25 * T, 0.5 * T, 0.75 * T, T};
        runtrial(cold, s0, sf, sigma1, i == 0 ? -1 : 1, tried);
        ASSERT_EQ(tried.residual, standard[i].residual);
        best = standard[i];
        int bestguess = 0;
        for (int k = 1; k <= LASTGUESS && best.verdict != TRIALACCEPTED; ++k) {
            const Guess &guess = DOCUMENTEDGUESSES[k - 1];
            const double Tg = guess.scale * T;
            const double g[4] = {guess.share[0] * Tg, guess.share[1] * Tg, guess.share[2] * Tg, Tg};
            if (std::equal(g, g + 4, cold)) continue;  // guess 1, the standard one
            runtrial(g, s0, sf, sigma1, i == 0 ? -1 : 1, tried);
            if (rankedbefore(tried, best)) {
                best = tried;
                bestguess = k;
            }
        }
        EXPECT_EQ(kept[i].guess, bestguess);
        EXPECT_EQ(kept[i].verdict, best.verdict);
        EXPECT_EQ(kept[i].residual, best.residual);
        EXPECT_EQ(kept[i].guess == LASTGUESS, i == 1);
    }
}

}  // namespace
