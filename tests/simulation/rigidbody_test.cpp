// The rigid-body equations against Orocos KDL for arms of both kinds, the built-in
// point-mass model as their special case, and a bang-bang move integrated on both.
#include "simulation/rigidbody.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "defaults.h"
#include "simulation/integrator.h"
#include "tests/simulation/kdlchains.h"

namespace {

// Arms with centres of mass off the links' lines, own inertias, payloads and motors.
const ArmBodies ARMS[] = {
    {true, 0.5, 0.4, {3.0, 1.5}, {{0.22, 0.03}, {0.15, -0.04}}, {0.05, 0.02}, 0.7, {0.3, 0.1}},
    {true, 0.35, 0.6, {0.8, 2.2}, {{0.4, -0.1}, {-0.05, 0.12}}, {0.01, 0.09}, 2.0, {0.05, 0.2}},
    {false, 0.0, 0.0, {4.0, 2.0}, {{0.05, 0.02}, {-0.3, 0.01}}, {0.2, 0.15}, 1.0, {0.4, 1.2}},
    {false, 0.0, 0.0, {0.0, 5.0}, {{0.0, 0.0}, {-0.6, -0.08}}, {0.0, 0.4}, 0.3, {0.02, 0.5}},
};

// A random state of an arm: angles over a turn, radius 0.05 to 1.2 m, velocities up to 5.
void randomstate(std::mt19937_64 &random, bool scara, double x[4]) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    x[0] = PI * unit(random);
    x[1] = scara ? PI * unit(random) : 0.625 + 0.575 * unit(random);
    x[2] = 5.0 * unit(random);
    x[3] = 5.0 * unit(random);
}

RigidState modelterms(const RigidTerms &t, const double x[4]) {
    double trig[4] = {0.0, 0.0, 0.0, 0.0};
    rigidtrig(t, x, trig);
    RigidState s;
    rigidstate(t, x, trig, s);
    return s;
}

TEST(RigidBody, InertiaVelocityAndGravityTermsAgreeWithKdl) {
    std::mt19937_64 random(7);
    for (const ArmBodies &arm : ARMS)
        for (char gravity : {'h', 'g'}) {
            const KDL::Chain chain = rigidchain(arm);
            const RigidTerms t = rigidterms(arm, gravity == 'g');
            for (int n = 0; n < 200; ++n) {
                double x[4];
                randomstate(random, arm.scara, x);
                RigidState kdl;
                ASSERT_TRUE(kdlterms(chain, gravity, x, x + 2, kdl));
                EXPECT_LT(termsdifference(modelterms(t, x), kdl), 1e-9) << arm.scara << gravity << " state " << n;
            }
        }
}

// Masses at the elbow and the tip and no other inertia: the rigid equations give the
// built-in model's accelerations (whose defaults hold IJ1 = m1 L1^2, IJ2 = mw L2^2).
TEST(RigidBody, PointMassesAtElbowAndTipAreTheBuiltInModel) {
    std::mt19937_64 random(8);
    for (char robot : {'a', 'b'})
        for (char gravity : {'h', 'g'}) {
            installdefaults(robot);
            app.sgnG = gravity;
            const RobotParams &p = robotparams(robot);
            const ArmBodies points = robot == 'b'
                ? ArmBodies{true, p.L1, p.L2, {p.m1, 0.0}, {{p.L1, 0.0}, {0.0, 0.0}}, {0.0, 0.0}, task.mw, {p.IM1, p.IM2}}
                : ArmBodies{false, 0.0, 0.0, {0.0, 0.0}, {{0.0, 0.0}, {0.0, 0.0}}, {0.0, 0.0}, task.mw, {p.IM1, p.IM2}};
            const RigidTerms t = rigidterms(points, gravity == 'g');
            MotionTerms builtin;
            motionterms(robot, builtin);
            for (int n = 0; n < 200; ++n) {
                double x[4], trig[4] = {0.0, 0.0, 0.0, 0.0}, rigid[2], today[2];
                randomstate(random, robot == 'b', x);
                const double tau[2] = {20.0 * std::sin(n), 10.0 * std::cos(n)};
                rigidtrig(t, x, trig);
                rigidaccelerations(t, tau[0], tau[1], x, trig, rigid);
                accelerations(builtin, tau[0], tau[1], x, today);
                const double size = std::hypot(today[0], today[1]);
                EXPECT_LT(std::hypot(rigid[0] - today[0], rigid[1] - today[1]), 1e-12 * size) << robot << gravity << n;
            }
        }
}

// A move of 0.3 s, torques reversing at 0.12 s and 0.2 s: the simulation's step on the
// model against the classic Runge-Kutta rule on KDL's accelerations, both at 1 ms.
TEST(RigidBody, BangBangMoveFollowsKdlsDynamics) {
    constexpr double H = 0.001, TSWITCH[2] = {0.12, 0.2};
    constexpr int STEPS = 300;
    for (const ArmBodies &arm : ARMS) {
        const KDL::Chain chain = rigidchain(arm);
        const RigidTerms t = rigidterms(arm, true);
        auto torque = [&](double time, double tau[2]) {
            tau[0] = time < TSWITCH[0] ? 6.0 : -6.0;
            tau[1] = (time < TSWITCH[1] ? 1.0 : -1.0) * (arm.scara ? 2.0 : 40.0);
        };
        auto kdlrate = [&](double time, const double *y, double *dy) {
            double tau[2], acc[2];
            torque(time, tau);
            ASSERT_TRUE(kdlaccel(chain, y, y + 2, tau, acc));
            dy[0] = y[2];
            dy[1] = y[3];
            dy[2] = acc[0];
            dy[3] = acc[1];
        };
        double model[4] = {0.3, arm.scara ? 0.8 : 0.6, 0.0, 0.0}, kdl[4];
        for (int c = 0; c < 4; ++c) kdl[c] = model[c];
        app.sgnG = 'g';
        for (int step = 0; step < STEPS; ++step) {
            const double time = step * H;
            double tau[2];
            torque(time, tau);
            double out[4], acc[2];
            gillstep([&](int i, double, const double *y) {
                if (i < 2) return y[i + 2];
                double trig[4] = {0.0, 0.0, 0.0, 0.0};
                rigidtrig(t, y, trig);
                rigidaccelerations(t, tau[0], tau[1], y, trig, acc);
                return acc[i - 2];
            }, time, H, model, out, 4);
            for (int c = 0; c < 4; ++c) model[c] = out[c];
            double k[4][4], y[4];
            kdlrate(time, kdl, k[0]);
            for (int c = 0; c < 4; ++c) y[c] = kdl[c] + 0.5 * H * k[0][c];
            kdlrate(time, y, k[1]);
            for (int c = 0; c < 4; ++c) y[c] = kdl[c] + 0.5 * H * k[1][c];
            kdlrate(time, y, k[2]);
            for (int c = 0; c < 4; ++c) y[c] = kdl[c] + H * k[2][c];
            kdlrate(time, y, k[3]);
            for (int c = 0; c < 4; ++c) kdl[c] += H / 6.0 * (k[0][c] + 2.0 * k[1][c] + 2.0 * k[2][c] + k[3][c]);
        }
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(model[c], kdl[c], 1e-7 * (1.0 + std::fabs(kdl[c]))) << arm.scara << c;
        // The move went somewhere: the joints left their start.
        EXPECT_GT(std::fabs(kdl[2]) + std::fabs(kdl[3]), 0.1) << arm.scara;
    }
}

}  // namespace
