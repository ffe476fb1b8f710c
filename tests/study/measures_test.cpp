// SOTOC's switching bound and fallback in whole passes, and the measures against the
// goal point: the state at the designed final time against an integration of the
// test's own, the settling time on logs with a known answer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "study/comparison.h"
#include "study/params.h"
#include "records/records.h"
#include "simulation/dynamics.h"
#include "simulation/integrator.h"
#include "simulation/simulation.h"

namespace {

// A pass standing alone with the interactive defaults of `type` and `gravity`, the
// mass error `percent`, and the bound, fallback and tolerance of `s` as given.
ComparisonResult passwith(char type, char gravity, double percent, double near = DEFAULTNEAR,
                          double fallback = NOFALLBACK) {
    initialset();
    app.type = type;
    app.sgnG = gravity;
    ComparisonSettings s = currentsettings();
    s.errRatio = percent / 100.0;
    s.dNear = near;
    s.tFallback = fallback;
    s.tfNomBasis = standalonebasis(s);
    return comparisonpass(s);
}

// The derivative of (q1, q2, q1', q2') under constant joint torques tau: the equations
// of motion as the records hold them.
void motion(const MotionTerms &m, const double tau[2], const double x[4], double dx[4]) {
    double trig[4] = {}, acc[2];
    motiontrig(m, x, trig);
    accelerations(m, tau[0], tau[1], x, trig, acc);
    dx[0] = x[2];
    dx[1] = x[3];
    dx[2] = acc[0];
    dx[3] = acc[1];
}

// Classic fourth-order Runge-Kutta from x over `span` in n steps under constant torques.
void finesteps(const MotionTerms &m, const double tau[2], double x[4], double span, int n) {
    const double h = span / n;
    for (int s = 0; s < n; ++s) {
        double k1[4], k2[4], k3[4], k4[4], y[4];
        motion(m, tau, x, k1);
        for (int i = 0; i < 4; ++i) y[i] = x[i] + 0.5 * h * k1[i];
        motion(m, tau, y, k2);
        for (int i = 0; i < 4; ++i) y[i] = x[i] + 0.5 * h * k2[i];
        motion(m, tau, y, k3);
        for (int i = 0; i < 4; ++i) y[i] = x[i] + h * k3[i];
        motion(m, tau, y, k4);
        for (int i = 0; i < 4; ++i) x[i] += h / 6.0 * (k1[i] + 2.0 * k2[i] + 2.0 * k3[i] + k4[i]);
    }
}

// The state of the selected robot's clock-driven run at its final time ts[3]: the
// simulation's steps (ten per sample, the step clock restarting from the sample
// clock) up to the last one that starts before tf, then 2000 fine steps of the
// test's own with the torques of the last bang-bang phase.
void tocstateattf(double x[4]) {
    const ControlTables &c = controltables(app.type);
    const double tf = c.ts[3], h = task.dt / 10;
    double y[6] = {robotparams(app.type).phi0[0], robotparams(app.type).phi0[1], 0, 0, 0, 0}, t = 0.0;
    for (double tsamp = 0.0;; tsamp += task.dt) {
        t = tsamp;
        int s = 0;
        for (; s < 10 && t + h < tf; ++s, t += h) {
            double out[6];
            rkgstep(app.type, CTRLTOC, t, h, y, out, 6);
            std::copy(out, out + 6, y);
        }
        if (s < 10) break;
    }
    MotionTerms m;
    motionterms(app.type, m);
    const double tau[2] = {c.sgn[3][0] * jointlimit(app.type, app.sgnG, 0),
                           c.sgn[3][1] * jointlimit(app.type, app.sgnG, 1)};
    std::copy(y, y + 4, x);
    finesteps(m, tau, x, tf - t, 2000);
}

// Distance of the tip at joint displacements q from the goal point [m].
double goaldistance(const double q[2]) {
    double P[2];
    tipposition(app.type, q, P);
    return std::hypot(P[0] - task.xf, P[1] - task.yf);
}

// Tip speed of state x by a central difference of the tip position along the joint
// velocities [m/s].
double differencedspeed(const double x[4]) {
    const double e = 1e-7;
    const double qp[2] = {x[0] + e * x[2], x[1] + e * x[3]}, qm[2] = {x[0] - e * x[2], x[1] - e * x[3]};
    double Pp[2], Pm[2];
    tipposition(app.type, qp, Pp);
    tipposition(app.type, qm, Pm);
    return std::hypot(Pp[0] - Pm[0], Pp[1] - Pm[1]) / (2 * e);
}

TEST(DesignedFinalTime, TocStateThereMatchesAnIntegrationOfItsOwn) {
    for (char type : {ROBOTSCARA, ROBOTCYL}) {
        SCOPED_TRACE(type);
        const ComparisonResult r = passwith(type, type == ROBOTSCARA ? MOTIONHORIZONTAL : MOTIONVERTICAL, 0.0);
        ASSERT_EQ(COMPARED, r.outcome);
        ASSERT_TRUE(r.tocFree.designedInSpan);
        // The design the tables hold now is the error design; without an error it
        // is the same motion.
        double x[4];
        tocstateattf(x);
        EXPECT_NEAR(goaldistance(x), r.tocFree.designedTipError, 1e-9);
        EXPECT_NEAR(differencedspeed(x), r.tocFree.designedTipSpeed, 1e-6);
    }
}

TEST(DesignedFinalTime, SeparateIntegrationLeavesTheRunsAsTheyAre) {
    // The SOTOC run evaluates its law with side effects; the extra step must not
    // move its phases: its final time is the one the pass reports without it, the
    // last phase end, and a second pass gives the same bytes.
    const ComparisonResult a = passwith(ROBOTSCARA, MOTIONHORIZONTAL, 5.0);
    ASSERT_TRUE(a.sotocFinished);
    EXPECT_EQ(a.sotocErr.tf, a.phases.tEnd[3]);
    const RunLog first = robotruns(ROBOTSCARA).sotocErr;
    const ComparisonResult b = passwith(ROBOTSCARA, MOTIONHORIZONTAL, 5.0);
    EXPECT_EQ(0, std::memcmp(&first, &robotruns(ROBOTSCARA).sotocErr, sizeof first));
    EXPECT_EQ(a.sotocErr.designedTipError, b.sotocErr.designedTipError);
}

TEST(EndOfRun, MeasuresAreThoseOfTheLastRow) {
    // SCARA with gravity at -20 %: SOTOC never finishes and is still turning at the end.
    const ComparisonResult r = passwith(ROBOTSCARA, MOTIONVERTICAL, -20.0);
    ASSERT_FALSE(r.sotocFinished);
    const RunLog &run = robotruns(ROBOTSCARA).sotocErr;
    const int N = task.nStep;
    EXPECT_EQ(std::hypot(run.P[N][0] - task.xf, run.P[N][1] - task.yf), r.sotocErr.endTipError);
    // Its speed as the last two rows show it, within the change over one sample.
    const double rowspeed = std::hypot(run.P[N][0] - run.P[N - 1][0], run.P[N][1] - run.P[N - 1][1]) / task.dt;
    EXPECT_GT(rowspeed, 0.5);
    EXPECT_NEAR(rowspeed, r.sotocErr.endTipSpeed, 0.1 * rowspeed);
    EXPECT_FALSE(r.sotocErr.settled);
    // The error-free TOC ends at rest within a millimetre and settled.
    EXPECT_LT(r.tocFree.endTipError, DEFAULTTOLERANCE);
    EXPECT_LT(r.tocFree.endTipSpeed, 1e-3);
    EXPECT_TRUE(r.tocFree.settled);
    EXPECT_GT(r.tocFree.settlingTime, 0.0);
}

// A log of n + 1 rows whose tips lie at the distances d from the goal point, each
// along a direction of its own.
RunLog logatdistances(const std::vector<double> &d) {
    RunLog run = {};
    task.nStep = static_cast<int>(d.size()) - 1;
    for (size_t i = 0; i < d.size(); ++i) {
        const double a = 0.7 * static_cast<double>(i);
        run.P[i][0] = task.xf + d[i] * std::cos(a);
        run.P[i][1] = task.yf + d[i] * std::sin(a);
    }
    return run;
}

TEST(SettlingTime, FirstRowFromWhichTheTipStaysWithinTheTolerance) {
    initialset();
    task.dt = 0.25;
    double t = -1.0;
    // Within at row 1, out again at row 2, within from row 3 on: 3 x 0.25 s.
    EXPECT_TRUE(settlingtime(logatdistances({0.5, 0.0005, 0.002, 0.0009, 0.0, 0.0001}), 0.001, t));
    EXPECT_EQ(0.75, t);
    // A tolerance that takes in row 2 as well: from row 1.
    EXPECT_TRUE(settlingtime(logatdistances({0.5, 0.0005, 0.002, 0.0009, 0.0, 0.0001}), 0.0025, t));
    EXPECT_EQ(0.25, t);
    // A run that starts within the tolerance and stays there settles at 0.
    EXPECT_TRUE(settlingtime(logatdistances({0.0009, 0.0}), 0.001, t));
    EXPECT_EQ(0.0, t);
    // Out at the last row: never settled.
    EXPECT_FALSE(settlingtime(logatdistances({0.0, 0.0, 0.0011}), 0.001, t));
}

TEST(Bound, WiderBoundLetsSotocFinishWhereTheDefaultNeverDoes) {
    // SCARA with gravity at +5 %: SOTOC never comes within 0.2 of some switching state.
    const ComparisonResult tight = passwith(ROBOTSCARA, MOTIONVERTICAL, 5.0);
    ASSERT_FALSE(tight.sotocFinished);
    const ComparisonResult wide = passwith(ROBOTSCARA, MOTIONVERTICAL, 5.0, 2.0);
    ASSERT_TRUE(wide.sotocFinished);
    for (int k = 0; k < 4; ++k) EXPECT_FALSE(wide.phases.fallback[k]);
    for (int k = 1; k < 4; ++k) EXPECT_GT(wide.phases.tEnd[k], wide.phases.tEnd[k - 1]);
    // The TOC runs do not depend on the bound.
    EXPECT_EQ(tight.tocErr.error, wide.tocErr.error);
    EXPECT_EQ(tight.tocFree.designedTipError, wide.tocFree.designedTipError);
}

TEST(Fallback, EndsThePhaseTheBoundNeverEndsAtItsInstant) {
    const ComparisonResult off = passwith(ROBOTSCARA, MOTIONVERTICAL, 5.0);
    ASSERT_FALSE(off.sotocFinished);
    int stuck = 0;  // the phase the state never ends
    while (stuck < 4 && off.phases.tEnd[stuck] != 0.0) ++stuck;
    ASSERT_LT(stuck, 4);

    // Late enough that the phases before it still end by the state.
    double S = 0.05;
    for (int k = 0; k < stuck; ++k) S = std::fmax(S, off.phases.tEnd[k] - off.err.ts[k] + 0.02);
    const ComparisonResult on = passwith(ROBOTSCARA, MOTIONVERTICAL, 5.0, DEFAULTNEAR, S);
    // The phases before it end as they did, by the state.
    for (int k = 0; k < stuck; ++k) {
        EXPECT_EQ(off.phases.tEnd[k], on.phases.tEnd[k]) << k;
        EXPECT_FALSE(on.phases.fallback[k]) << k;
    }
    // It ends at the first evaluation of joint 1 from its designed instant plus S on:
    // the law is evaluated every half integration step, dt / 20.
    const double due = on.err.ts[stuck] + S;
    EXPECT_TRUE(on.phases.fallback[stuck]);
    EXPECT_GE(on.phases.tEnd[stuck], due);
    EXPECT_LE(on.phases.tEnd[stuck], due + task.dt / 20 + 1e-12);
    // Every phase has ended now, the last at the latest its own instant plus S (or
    // the evaluation after it).
    EXPECT_TRUE(on.sotocFinished);
    EXPECT_LE(on.phases.tEnd[3], on.err.ts[3] + S + task.dt / 20 + 1e-12);
}

TEST(Fallback, OffByDefaultAndLaterThanTheSpanNeverActs) {
    const ComparisonResult plain = passwith(ROBOTSCARA, MOTIONHORIZONTAL, 5.0);
    const ComparisonResult late = passwith(ROBOTSCARA, MOTIONHORIZONTAL, 5.0, DEFAULTNEAR, MAXFALLBACK);
    EXPECT_EQ(plain.sotocErr.tf, late.sotocErr.tf);
    EXPECT_EQ(plain.sotocErr.error, late.sotocErr.error);
    for (int k = 0; k < 4; ++k) EXPECT_FALSE(late.phases.fallback[k]);
}

}  // namespace
