#include "simulation/control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "defaults.h"

namespace {

// A switching design of the joint-1-once, joint-2-twice kind; the last switching
// state is the robot's goal, filled in by installdesign.
const ControlTables DESIGN = {
    {0.4, 0.9, 1.3, 2.0},
    {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}},
    {{0.1, 0.8}, {0.25, 0.7}, {0.9, 0.6}, {0.0, 0.0}},
    {{0.5, 0.3}, {1.0, -0.2}, {0.4, -0.3}, {0.0, 0.0}},
};

void installdesign(char type) {
    installdefaults(type);
    ControlTables &c = controltables(type);
    c = DESIGN;
    c.swRefPos[3][0] = robotparams(type).phif[0];
    c.swRefPos[3][1] = robotparams(type).phif[1];
}

// Servo command of joint index j before saturation, for a state near the goal.
double servocommand(const RobotParams &p, int j, const double *x) {
    return p.Kp[j] * (p.phif[j] - x[j]) - p.Kd[j] * x[2 + j] + p.Ki[j] * x[4 + j];
}

TEST(Toc, SwitchingTimesBelongToTheNextPhase) {
    installdesign('a');
    const double x[6] = {};
    const double T1 = cyl.T1max, T2 = cyl.T2max;
    sotoc.dprev[0] = sotoc.dprev[1] = 3.0;
    sotoc.tprev = 7.0;
    EXPECT_EQ(controltorque('a', 'T', 1, 0.0, x), T1);
    EXPECT_EQ(sotoc.dprev[0], 1000.0);
    EXPECT_EQ(sotoc.dprev[1], 1000.0);
    EXPECT_EQ(sotoc.tprev, 0.0);
    EXPECT_EQ(controltorque('a', 'T', 2, 0.0, x), T2);
    EXPECT_EQ(controltorque('a', 'T', 2, std::nextafter(0.4, 0.0), x), T2);
    EXPECT_EQ(controltorque('a', 'T', 2, 0.4, x), -T2);
    EXPECT_EQ(controltorque('a', 'T', 1, std::nextafter(0.9, 0.0), x), T1);
    EXPECT_EQ(controltorque('a', 'T', 1, 0.9, x), -T1);
    EXPECT_EQ(controltorque('a', 'T', 2, 0.9, x), -T2);
    EXPECT_EQ(controltorque('a', 'T', 2, 1.3, x), T2);
    EXPECT_EQ(controltorque('a', 'T', 1, std::nextafter(2.0, 0.0), x), -T1);

    // An empty phase is skipped: at ts[1] == ts[2] the clock is already in phase 3.
    cylTables.ts[2] = 0.9;
    EXPECT_EQ(controltorque('a', 'T', 2, 0.9, x), T2);
}

TEST(Toc, ResetOnlyAtTimeZeroExactly) {
    installdesign('b');
    const double x[6] = {};
    sotoc.dprev[0] = sotoc.dprev[1] = 3.0;
    sotoc.tprev = 7.0;
    controltorque('b', 'T', 2, 1e-300, x);
    EXPECT_EQ(sotoc.dprev[1], 3.0);
    EXPECT_EQ(sotoc.tprev, 7.0);
    controltorque('b', 'T', 2, 0.0, x);
    EXPECT_EQ(sotoc.dprev[0], 1000.0);
    EXPECT_EQ(sotoc.tprev, 0.0);
}

TEST(Toc, ServoFromFinalTimeIntegratorOnlyAfterIt) {
    installdesign('b');
    const RobotParams &p = scara;
    const double x[6] = {p.phif[0] - 1e-4, p.phif[1] + 2e-4, 0.001, -0.002, 1e-5, 3e-5};
    const double tf = DESIGN.ts[3];
    // Joint 2 works with its own gains, its own error, velocity and integral.
    EXPECT_DOUBLE_EQ(controltorque('b', 'T', 1, tf, x), servocommand(p, 0, x));
    EXPECT_DOUBLE_EQ(controltorque('b', 'T', 2, tf, x), servocommand(p, 1, x));
    EXPECT_NE(servocommand(p, 0, x), servocommand(p, 1, x));
    EXPECT_NEAR(p.Kp[1] / p.Kp[0], 0.29, 0.01);

    EXPECT_EQ(errorrate('b', 'T', 1, tf, x), 0.0);
    EXPECT_EQ(errorrate('b', 'T', 2, tf, x), 0.0);
    const double after = std::nextafter(tf, 10.0);
    EXPECT_EQ(errorrate('b', 'T', 1, after, x), p.phif[0] - x[0]);
    EXPECT_EQ(errorrate('b', 'T', 2, after, x), p.phif[1] - x[1]);
}

TEST(Servo, SaturatesAtTheLimitOfTheGravityMode) {
    installdefaults('a');
    const double L = cyl.T1max;
    EXPECT_EQ(torquelimit('a', 'h', 1, 0.00005), 0.00005);
    EXPECT_EQ(torquelimit('a', 'h', 1, -2.0 * L), -L);
    EXPECT_EQ(torquelimit('a', 'h', 1, L), L);
    EXPECT_EQ(torquelimit('a', 'h', 1, 0.5 * L), 0.5 * L);
    EXPECT_EQ(torquelimit('a', 'h', 2, 5.0 * cyl.T2max), cyl.T2max);
    EXPECT_EQ(torquelimit('a', 'g', 2, -50.0), -cyl.T2maxG);
    EXPECT_EQ(torquelimit('a', 'g', 1, 2.0 * L), 2.0 * L);  // within T1maxG

    // A far goal drives the servo into the limit; with gravity the bang-bang
    // torques and the saturation both use the limits that include the load.
    installdesign('a');
    app.sgnG = 'g';
    const double far[6] = {cyl.phif[0] + 1.0, cyl.phif[1] - 1.0, 0.0, 0.0, 0.0, 0.0};
    EXPECT_EQ(controltorque('a', 'T', 1, 5.0, far), -cyl.T1maxG);
    EXPECT_EQ(controltorque('a', 'T', 2, 5.0, far), cyl.T2maxG);
    EXPECT_EQ(controltorque('a', 'T', 1, 0.1, far), cyl.T1maxG);
    EXPECT_EQ(controltorque('a', 'T', 2, 0.5, far), -cyl.T2maxG);
}

// A state of the selected robot at phase-plane distance d from its switching
// state k: joint 1 displaced by d.
void stateat(int k, double d, double x[6]) {
    const ControlTables &c = controltables(app.type);
    x[0] = c.swRefPos[k][0] + d;
    x[1] = c.swRefPos[k][1];
    x[2] = c.swRefVel[k][0];
    x[3] = c.swRefVel[k][1];
    x[4] = x[5] = 0.0;
}

// Bookkeeping as if the last joint-1 evaluation saw distance d at time t.
void lastseen(char type, int phase, double d, double t) {
    sotoc.phase = phase;
    sotoc.dprev[robotindex(type)] = d;
    sotoc.tprev = t;
}

// Whether a joint-1 evaluation at time t, at distance d from switching state k,
// ends phase k when the evaluation before it saw distance dprev at time 1.0.
bool endsphase(char type, int k, double d, double dprev, double t) {
    double x[6];
    stateat(k, d, x);
    lastseen(type, k, dprev, 1.0);
    controltorque(type, 'S', 1, t, x);
    return sotoc.phase == k + 1;
}

TEST(Sotoc, PhaseEndsWhenTheNearStateMovesAway) {
    installdesign('a');
    const double T1 = cyl.T1max;
    double x[6];
    stateat(1, 0.05, x);
    // Distance growing, below 0.2, well after the last evaluation: phase 1 ends,
    // and this evaluation already drives with phase 2's sign.
    lastseen('a', 1, 0.04, 1.0);
    sotoc.tfsotoc[0] = 9.0;
    EXPECT_EQ(controltorque('a', 'S', 1, 1.001, x), -T1);
    EXPECT_EQ(sotoc.phase, 2);
    EXPECT_DOUBLE_EQ(sotoc.dprev[0], 0.05);  // the distance to the state just passed
    EXPECT_EQ(sotoc.tprev, 1.001);
    EXPECT_EQ(sotoc.tfsotoc[0], 0.0);

    // Approaching (distance not larger): no switch.
    EXPECT_FALSE(endsphase('a', 1, 0.05, 0.06, 1.001));
    // Moving away but not near: 0.2 itself is too far; the distance is kept all the same.
    EXPECT_FALSE(endsphase('a', 1, 0.2, 0.15, 1.001));
    EXPECT_EQ(sotoc.dprev[0], 0.2);
    EXPECT_TRUE(endsphase('a', 1, 0.19, 0.15, 1.001));
}

// The evaluation (index into d) that ends phase 0 when joint 1 is evaluated 0.01 s
// apart at the distances d from its switching state with the bound `near`; -1 for none.
int endingevaluation(const std::vector<double> &d, double near) {
    installdesign('a');
    task.dNear = near;
    lastseen('a', 0, 1000.0, 0.0);
    for (size_t i = 0; i < d.size(); ++i) {
        double x[6];
        stateat(0, d[i], x);
        controltorque('a', 'S', 1, 1.0 + 0.01 * static_cast<double>(i), x);
        if (sotoc.phase == 1) return static_cast<int>(i);
    }
    return -1;
}

TEST(Sotoc, BoundDecidesWhichClosestApproachEndsThePhase) {
    // Two closest approaches: 0.25 (then 0.27) and 0.1 (then 0.12).
    const std::vector<double> d = {0.5, 0.3, 0.25, 0.27, 0.22, 0.15, 0.1, 0.12, 0.3};
    EXPECT_EQ(7, endingevaluation(d, 0.2));
    EXPECT_EQ(1.0 + 0.01 * 7.0, sotoc.tEnd[0][0]);
    EXPECT_FALSE(sotoc.byFallback[0][0]);
    EXPECT_EQ(3, endingevaluation(d, 0.3));
    EXPECT_EQ(3, endingevaluation(d, 0.2700001));
    EXPECT_EQ(7, endingevaluation(d, 0.27));  // the bound itself is too far
    EXPECT_EQ(-1, endingevaluation(d, 0.1));
    EXPECT_EQ(0.0, sotoc.tEnd[0][0]) << "no phase end noted";
    EXPECT_EQ(3, endingevaluation(d, 10.0));
}

TEST(Sotoc, FallbackEndsAPhaseAtItsDesignedInstantPlusTheDelay) {
    installdesign('b');
    task.tFallback = 0.3;  // phase 1 ends at 0.9 by design: at the latest 0.3 s later
    const double due = DESIGN.ts[1] + 0.3;
    double x[6];
    stateat(1, 5.0, x);  // far from the switching state
    lastseen('b', 1, 4.0, 1.1);
    controltorque('b', 'S', 1, std::nextafter(due, 0.0), x);
    EXPECT_EQ(1, sotoc.phase);
    lastseen('b', 1, 4.0, 1.1);
    controltorque('b', 'S', 1, due, x);
    EXPECT_EQ(2, sotoc.phase);
    EXPECT_EQ(due, sotoc.tEnd[1][1]);
    EXPECT_TRUE(sotoc.byFallback[1][1]);
    // Not twice at one time: at 2 s phase 2 (designed end 1.3 s) is overdue as
    // well, and waits for a later evaluation.
    lastseen('b', 1, 4.0, 1.1);
    controltorque('b', 'S', 1, 2.0, x);
    controltorque('b', 'S', 1, 2.0, x);
    EXPECT_EQ(2, sotoc.phase);
    controltorque('b', 'S', 1, 2.001, x);
    EXPECT_EQ(3, sotoc.phase);
    EXPECT_EQ(2.001, sotoc.tEnd[1][2]);
    EXPECT_TRUE(sotoc.byFallback[1][2]);
    // The state's closest approach at the same evaluation counts as the state's.
    stateat(3, 0.1, x);
    lastseen('b', 3, 0.05, 1.5);
    controltorque('b', 'S', 1, 2.5, x);
    EXPECT_EQ(4, sotoc.phase);
    EXPECT_FALSE(sotoc.byFallback[1][3]);
    EXPECT_EQ(2.5, sotoc.tEnd[1][3]);
    // A new run forgets the phase ends of the last one.
    controltorque('b', 'S', 1, 0.0, x);
    EXPECT_EQ(0.0, sotoc.tEnd[1][1]);
    EXPECT_FALSE(sotoc.byFallback[1][1]);
}

TEST(Sotoc, EvaluationsCloserThanEpsilonNeverSwitch) {
    // 0.0003 s apart: enough for the cylindrical robot, too close for the SCARA robot.
    installdesign('a');
    EXPECT_TRUE(endsphase('a', 0, 0.1, 0.05, 1.0003));
    EXPECT_FALSE(endsphase('a', 0, 0.1, 0.05, 1.00009));
    installdesign('b');
    EXPECT_FALSE(endsphase('b', 0, 0.1, 0.05, 1.0003));
    EXPECT_TRUE(endsphase('b', 0, 0.1, 0.05, 1.0006));
    // Backwards in time counts by the size of the gap as well.
    EXPECT_TRUE(endsphase('b', 0, 0.1, 0.05, 0.999));
}

TEST(Sotoc, SecondEvaluationAtTheSameTimeOnlyOverwritesTheDistance) {
    installdesign('a');
    double x[6];
    stateat(0, 0.1, x);
    lastseen('a', 0, 0.05, 1.0);
    controltorque('a', 'S', 1, 1.01, x);
    EXPECT_EQ(sotoc.phase, 1);
    // Same time, state moving away from switching state 1 as well: no second switch.
    stateat(1, 0.15, x);
    controltorque('a', 'S', 1, 1.01, x);
    EXPECT_EQ(sotoc.phase, 1);
    stateat(1, 0.18, x);
    controltorque('a', 'S', 1, 1.01, x);
    EXPECT_EQ(sotoc.phase, 1);
    EXPECT_DOUBLE_EQ(sotoc.dprev[0], 0.18);
    EXPECT_EQ(sotoc.tprev, 1.01);
}

TEST(Sotoc, DistanceWeighsVelocityByTheServoFrequency) {
    installdesign('a');
    double x[6];
    stateat(2, 0.0, x);
    x[3] += 0.1 * task.wn2;  // joint-2 velocity error of 0.1 wn2 counts as 0.1
    x[1] += 0.05;
    lastseen('a', 2, 0.0, 1.0);
    controltorque('a', 'S', 1, 1.5, x);
    EXPECT_NEAR(sotoc.dprev[0], std::sqrt(0.05 * 0.05 + 0.1 * 0.1), 1e-12);
}

TEST(Sotoc, FourthSwitchHandsOverToTheServo) {
    installdesign('b');
    const RobotParams &p = scara;
    double x[6];
    stateat(3, 1e-4, x);  // just past the goal, moving away
    x[4] = 1e-4;
    x[5] = 1e-4;
    lastseen('b', 3, 0.5e-4, 1.9);
    sotoc.dprev[0] = 77.0;
    const double servo1 = servocommand(p, 0, x);
    ASSERT_LT(std::fabs(servo1), p.T1max);  // unsaturated, so the gains show
    EXPECT_EQ(controltorque('b', 'S', 1, 2.05, x), servo1);
    EXPECT_EQ(sotoc.phase, 4);
    EXPECT_EQ(sotoc.tfsotoc[1], 2.05);
    EXPECT_EQ(sotoc.tfsotoc[0], 0.0);
    EXPECT_EQ(sotoc.dprev[0], 77.0);    // the other robot's distance is its own
    EXPECT_EQ(sotoc.dprev[1], 0.5e-4);  // not written once the servo holds
    EXPECT_EQ(sotoc.tprev, 1.9);
    EXPECT_EQ(controltorque('b', 'S', 2, 2.05, x), servocommand(p, 1, x));
    EXPECT_EQ(errorrate('b', 'S', 1, 0.0, x), p.phif[0] - x[0]);

    // Later evaluations keep the servo and the final time.
    EXPECT_EQ(controltorque('b', 'S', 1, 2.5, x), servo1);
    EXPECT_EQ(sotoc.tfsotoc[1], 2.05);
    EXPECT_EQ(sotoc.phase, 4);
}

TEST(Sotoc, JointTwoFollowsThePhaseAndChangesNothing) {
    installdesign('a');
    double x[6];
    stateat(0, 0.1, x);
    lastseen('a', 2, 0.05, 1.0);
    EXPECT_EQ(controltorque('a', 'S', 2, 1.5, x), -cyl.T2max);
    EXPECT_EQ(sotoc.phase, 2);
    EXPECT_EQ(sotoc.dprev[0], 0.05);
    EXPECT_EQ(sotoc.tprev, 1.0);
    EXPECT_EQ(errorrate('a', 'S', 2, 5.0, x), 0.0);  // no servo before phase 4
}

}  // namespace

// The torques the sampled controller holds at instant k of period T under TOC
// with the design's times 0.4, 0.9, 1.3 and 2.0 s: the phase of each instant
// worked by hand; -1 for the servo.
TEST(SampledToc, SwitchesActAtTheFirstInstantAtOrAfterTheDesignedOnes) {
    const struct {
        double T;
        int k, phase;
    } cases[] = {
        // 0.1 s divides every designed instant: each switch acts exactly at it.
        {0.1, 0, 0}, {0.1, 3, 0}, {0.1, 4, 1}, {0.1, 8, 1}, {0.1, 9, 2}, {0.1, 12, 2}, {0.1, 13, 3},
        {0.1, 19, 3}, {0.1, 20, -1},
        // 0.15 s divides only 0.9: the others act at the next instant, 0.45, 1.35 and 2.1.
        {0.15, 2, 0}, {0.15, 3, 1}, {0.15, 5, 1}, {0.15, 6, 2}, {0.15, 8, 2}, {0.15, 9, 3}, {0.15, 13, 3},
        {0.15, 14, -1},
    };
    for (const auto &c : cases) {
        installdesign('b');
        task.controlPeriod = c.T;
        const double r[4] = {scara.phif[0] - 0.5, scara.phif[1] + 0.5, 0.0, 0.0};
        const double z[2] = {0.0, 0.0};
        HeldControl held;
        sampledcontrol('b', 'T', c.k, c.k * c.T, r, z, held);
        for (int j = 0; j < 2; ++j) {
            const double L = j == 0 ? scara.T1max : scara.T2max;
            // Far from the goal the servo saturates toward it: +L for joint 1, -L for joint 2.
            const double expected = c.phase < 0 ? (j == 0 ? L : -L) : DESIGN.sgn[c.phase][j] * L;
            EXPECT_EQ(held.u[j], expected) << "period " << c.T << ", instant " << c.k << ", joint " << j + 1;
            EXPECT_EQ(held.zrate[j], c.phase < 0 ? (j == 0 ? 0.5 : -0.5) : 0.0) << "instant " << c.k;
        }
    }
}

// SOTOC's rule on the readings of successive instants: the phase ends at the
// instant whose distance first grows within the bound, and the instant is noted.
TEST(SampledSotoc, PhaseEndsAtTheInstantAfterTheClosestApproach) {
    const struct {
        std::vector<double> d;
        int ending;  // index of the instant (from 1) that ends phase 0; 0 for none
    } cases[] = {
        {{0.5, 0.3, 0.1, 0.15, 0.3}, 4},
        {{0.5, 0.3, 0.25, 0.27}, 0},  // 0.27 is beyond the bound 0.2
        {{0.05, 0.06}, 2},           // instant 1 follows the reset distance of instant 0
    };
    for (const auto &c : cases) {
        installdesign('a');
        task.controlPeriod = 0.01;
        sotoc.phase = 0;
        HeldControl held;
        const double z[2] = {0.0, 0.0};
        const double rest[4] = {5.0, 5.0, 0.0, 0.0};
        sampledcontrol('a', 'S', 0, 0.0, rest, z, held);  // far away: resets the bookkeeping
        int ended = 0;
        for (size_t i = 0; i < c.d.size() && ended == 0; ++i) {
            double x[6];
            stateat(0, c.d[i], x);
            const int k = static_cast<int>(i) + 1;
            sampledcontrol('a', 'S', k, k * 0.01, x, z, held);
            if (sotoc.phase == 1) ended = k;
        }
        EXPECT_EQ(ended, c.ending);
        EXPECT_EQ(sotoc.instant[0][0], c.ending);
        EXPECT_EQ(sotoc.tEnd[0][0], c.ending * 0.01);
        if (ended) {
            EXPECT_EQ(held.u[0], DESIGN.sgn[1][0] * cyl.T1max) << "the next phase's torque from that instant";
        }
    }
}

// Conditional integration: the integral of a saturated servo stops only while the
// error drives the command further into the limit.
TEST(Servo, AntiwindupStopsTheIntegralOnlyWhileSaturatedFurther) {
    const struct {
        double e, z;    // error of joint 1 [rad] and its integral [rad s]
        bool antiwindup;
        bool grows;     // the integral grows by the error, by hand
    } cases[] = {
        {0.5, 0.0, false, true},    // saturated, no anti-windup: grows
        {0.5, 0.0, true, false},    // saturated by this error: stops
        {-0.5, 0.0, true, false},   // saturated the other way by this error: stops too
        {1e-6, 0.0, true, true},    // far from the limit: grows
        {1e-3, -1e6, true, true},   // saturated by a wound-up integral against the error: unwinds
    };
    for (const auto &c : cases) {
        installdesign('a');
        task.controlPeriod = 0.01;
        task.antiwindup = c.antiwindup;
        const double r[4] = {cyl.phif[0] - c.e, cyl.phif[1], 0.0, 0.0};
        const double z[2] = {c.z, 0.0};
        HeldControl held;
        sampledcontrol('a', 'T', 300, 3.0, r, z, held);
        const double x[6] = {r[0], r[1], 0.0, 0.0, c.z, 0.0};
        EXPECT_EQ(held.zrate[0], c.grows ? cyl.phif[0] - r[0] : 0.0) << "error " << c.e << ", integral " << c.z;
        // The controller that reads continuously integrates the same way.
        EXPECT_EQ(errorrate('a', 'T', 1, 3.0, x), held.zrate[0]);
    }
}
