#include "simulation/dynamics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "defaults.h"
#include "tests/simulation/reference.h"

namespace {

// The reference accelerations are given to six significant digits.
void expectsix(double actual, double expected) { EXPECT_NEAR(actual, expected, 1e-5 * std::fabs(expected)); }

TEST(Dynamics, CylinderDefaultsMatchReferenceAccelerations) {
    installdefaults('a');
    double acc[2];
    dynamics('a', 1.88496, 1.2, 0.0, 0.7, 0.0, 0.0, acc);
    expectsix(acc[0], 2.2176);
    expectsix(acc[1], 0.882353);
    // At rest without gravity each joint's acceleration is its torque over its inertia.
    EXPECT_DOUBLE_EQ(acc[0], 1.88496 / (task.mw * 0.7 * 0.7 + cyl.IM1));
    EXPECT_DOUBLE_EQ(acc[1], 1.2 / (task.mw + cyl.IM2));

    app.sgnG = 'g';
    dynamics('a', 0.0, 0.0, 0.0, 0.7, 0.0, 0.0, acc);
    expectsix(acc[0], -8.07059);
    EXPECT_EQ(acc[1], 0.0);
    // Arm pointing up: the whole weight rests on the radial joint, none on joint 1.
    dynamics('a', 0.0, 0.0, PI / 2.0, 0.7, 0.0, 0.0, acc);
    EXPECT_NEAR(acc[0], 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(acc[1], -GRAVITY * task.mw / (task.mw + cyl.IM2));
}

TEST(Dynamics, CylinderVelocityTerms) {
    installdefaults('a');
    double acc[2];
    // Joint 1 turning alone: the radial joint feels the centrifugal force mw r w^2.
    dynamics('a', 0.0, 0.0, 0.3, 0.7, 2.0, 0.0, acc);
    EXPECT_EQ(acc[0], 0.0);
    EXPECT_DOUBLE_EQ(acc[1], task.mw * 0.7 * 4.0 / (task.mw + cyl.IM2));
    // Extending while turning: the Coriolis term brakes joint 1.
    dynamics('a', 0.0, 0.0, 0.3, 0.7, 2.0, 0.5, acc);
    EXPECT_DOUBLE_EQ(acc[0], -2.0 * task.mw * 0.7 * 2.0 * 0.5 / (task.mw * 0.7 * 0.7 + cyl.IM1));
}

TEST(Dynamics, ScaraDefaultsMatchReferenceAccelerations) {
    installdefaults('b');
    double acc[2];
    dynamics('b', 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, acc);
    expectsix(acc[0], 1.37723);
    expectsix(acc[1], -1.88949);
    // Arm stretched: no velocity terms, whatever the velocities.
    double moving[2];
    dynamics('b', 1.0, 0.0, 0.0, 0.0, 3.0, -2.0, moving);
    EXPECT_EQ(moving[0], acc[0]);
    EXPECT_EQ(moving[1], acc[1]);

    app.sgnG = 'g';
    dynamics('b', 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, acc);
    expectsix(acc[0], -11.4887);
    expectsix(acc[1], 0.822976);
}

TEST(Dynamics, ScaraVelocityTermsAndMassChange) {
    installdefaults('b');
    // Only joint 2 moving, elbow bent: joint 2 feels no centrifugal term, joint 1
    // feels h1 = -mw L1 L2 sin(q2) q2'^2. Solving D a = -h by hand:
    const double q2 = 0.5, dq2 = 2.0;
    const double c2 = std::cos(q2);
    const double D11 = 0.25 + 0.16 + 0.16 + 1.0 * 0.5 * (0.5 + 2.0 * 0.4 * c2);
    const double D12 = 0.16 + 1.0 * 0.5 * 0.4 * c2;
    const double D22 = 0.16 + 0.1024;
    const double r1 = 1.0 * 0.5 * 0.4 * std::sin(q2) * dq2 * dq2;
    const double det = D11 * D22 - D12 * D12;
    double acc[2];
    dynamics('b', 0.0, 0.0, 0.2, q2, 0.0, dq2, acc);
    EXPECT_NEAR(acc[0], D22 * r1 / det, 1e-12);
    EXPECT_NEAR(acc[1], -D12 * r1 / det, 1e-12);

    // A heavier workpiece changes D11 and D12 but not D22 = IJ2 + IM2: both rows
    // of D a = tau hold with the heavier D11, D12 and the unchanged D22.
    task.mw = 1.5;
    dynamics('b', 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, acc);
    const double D11heavy = 0.25 + 0.16 + 0.16 + 1.5 * 0.5 * (0.5 + 2.0 * 0.4);
    const double D12heavy = 0.16 + 1.5 * 0.5 * 0.4;
    EXPECT_NEAR(D11heavy * acc[0] + D12heavy * acc[1], 0.0, 1e-12);
    EXPECT_NEAR(D12heavy * acc[0] + D22 * acc[1], 1.0, 1e-12);
}

TEST(Dynamics, DesignModelUsesBangBangLimitsOfGravityMode) {
    installdefaults('a');
    const double x[4] = {0.2, 0.8, 0.3, -0.4};
    const int s[2] = {1, -1};
    EXPECT_EQ(designmodel(0, s, x), 0.3);
    EXPECT_EQ(designmodel(1, s, x), -0.4);
    double acc[2];
    dynamics('a', cyl.T1max, -cyl.T2max, 0.2, 0.8, 0.3, -0.4, acc);
    EXPECT_EQ(designmodel(2, s, x), acc[0]);
    EXPECT_EQ(designmodel(3, s, x), acc[1]);

    app.sgnG = 'g';
    dynamics('a', cyl.T1maxG, -cyl.T2maxG, 0.2, 0.8, 0.3, -0.4, acc);
    EXPECT_EQ(designmodel(2, s, x), acc[0]);
    EXPECT_EQ(designmodel(3, s, x), acc[1]);
    EXPECT_EQ(jointlimit('b', 'g', 1), scara.T2maxG);
    EXPECT_EQ(jointlimit('b', 'h', 0), scara.T1max);
}

// The equations as they stand, term by term from the left, with the records read
// where they are named: the reference for the factors formed once.
void writtenout(char robot, double tau1, double tau2, const double x[4], double acc[2]) {
    const double mw = task.mw, q1 = x[0], q2 = x[1], dq1 = x[2], dq2 = x[3];
    double G1 = 0.0, G2 = 0.0;
    if (robot == 'b') {
        const RobotParams &p = scara;
        const double c2 = std::cos(q2), s2 = std::sin(q2);
        const double D11 = p.IJ1 + p.IM1 + p.IJ2 + mw * p.L1 * (p.L1 + 2.0 * p.L2 * c2);
        const double D12 = p.IJ2 + mw * p.L1 * p.L2 * c2;
        const double D22 = p.IJ2 + p.IM2;
        const double h2 = mw * p.L1 * p.L2 * s2 * dq1 * dq1;
        const double h1 = h2 - mw * p.L1 * p.L2 * s2 * (dq1 + dq2) * (dq1 + dq2);
        if (app.sgnG == 'g') {
            G2 = GRAVITY * mw * p.L2 * std::cos(q1 + q2);
            G1 = (p.m1 + mw) * GRAVITY * p.L1 * std::cos(q1) + G2;
        }
        const double r1 = tau1 - h1 - G1, r2 = tau2 - h2 - G2;
        const double det = D11 * D22 - D12 * D12;
        acc[0] = (D22 * r1 - D12 * r2) / det;
        acc[1] = (D11 * r2 - D12 * r1) / det;
        return;
    }
    if (app.sgnG == 'g') {
        G1 = GRAVITY * mw * q2 * std::cos(q1);
        G2 = GRAVITY * mw * std::sin(q1);
    }
    acc[0] = (tau1 - 2.0 * mw * q2 * dq1 * dq2 - G1) / (mw * q2 * q2 + cyl.IM1);
    acc[1] = (tau2 + mw * q2 * dq1 * dq1 - G2) / (mw + cyl.IM2);
}

bool samebits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Dynamics, FactorsFormedOnceKeepTheBitsOfTheWrittenOutEquations) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> angle(-3.5, 3.5), rate(-6.0, 6.0), mass(0.4, 1.6), torque(-40.0, 40.0);
    for (char robot : {'a', 'b'})
        for (char gravity : {'h', 'g'}) {
            installdefaults(robot);
            app.sgnG = gravity;
            for (int n = 0; n < 2000; ++n) {
                task.mw = mass(random);
                scara.m1 = mass(random);
                // Any parameters: with the defaults' round values some groupings
                // would agree by chance. A radius may be negative or zero.
                for (double *v : {&cyl.IM1, &cyl.IM2, &scara.IM1, &scara.IM2, &scara.IJ1, &scara.IJ2, &scara.L1, &scara.L2})
                    *v = 0.3 * mass(random);
                double x[4] = {angle(random), robot == 'a' ? 0.3 * angle(random) : angle(random), rate(random),
                               rate(random)};
                if (n == 0) x[1] = x[2] = x[3] = 0.0;
                if (n == 1) x[1] = -0.0;
                const double tau1 = torque(random), tau2 = n == 2 ? -0.0 : torque(random);
                double want[2], got[2];
                writtenout(robot, tau1, tau2, x, want);
                dynamics(robot, tau1, tau2, x[0], x[1], x[2], x[3], got);
                ASSERT_TRUE(samebits(got[0], want[0]) && samebits(got[1], want[1]))
                    << robot << gravity << " case " << n << ": " << got[0] << " " << got[1];
            }
        }
}

}  // namespace
