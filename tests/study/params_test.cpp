// Derived parameters of both robots from the installed defaults.
#include <gtest/gtest.h>

#include <cmath>

#include "study/params.h"
#include "records/records.h"

namespace {

// Installs the defaults (silencing the provisional reports) and derives `type` without gravity.
void defaults(char type, char gravity = 'h') {
    testing::internal::CaptureStdout();
    initialset();
    app.type = type;
    app.sgnG = gravity;
    derivesettings();
    testing::internal::GetCapturedStdout();
}

// Six significant digits, as the derived values are quoted.
void expectsix(double expected, double actual, const char *what) {
    EXPECT_NEAR(actual, expected, 5e-6 * std::fabs(expected) + 1e-12) << what;
}

TEST(DerivedValues, CylindricalRobotDefaults) {
    defaults('a');
    const RobotParams &p = cyl;
    expectsix(0.0628319, p.TM1, "TM1");
    expectsix(0.04, p.TM2, "TM2");
    expectsix(0.0004, p.IMm1, "IMm1");
    expectsix(0.0004, p.IMm2, "IMm2");
    expectsix(0.0, p.phi0[0], "phi0[0]");
    expectsix(0.7, p.phi0[1], "phi0[1]");
    expectsix(2.21430, p.phif[0], "phif[0]");
    expectsix(0.5, p.phif[1], "phif[1]");
    expectsix(0.36, p.IM1, "IM1");
    expectsix(0.36, p.IM2, "IM2");
    expectsix(0.85, p.J1max, "J1max");
    expectsix(1.36, p.J2max, "J2max");
    expectsix(1.88496, p.T1max, "T1max");
    expectsix(1.2, p.T2max, "T2max");
    expectsix(11.6850, p.T1maxG, "T1maxG");
    expectsix(11.0, p.T2maxG, "T2maxG");
    // Limited by the centripetal load of the radial joint, not by the 2.10662 s of joint 1.
    expectsix(3.79185, task.tfNom, "tfNom");
    expectsix(3409.07, p.Kp[0], "Kp[0]");
    expectsix(5454.52, p.Kp[1], "Kp[1]");
    expectsix(107.239, p.Kd[0], "Kd[0]");
    expectsix(171.583, p.Kd[1], "Kd[1]");
    expectsix(1677.83, p.Ki[0], "Ki[0]");
    expectsix(2684.53, p.Ki[1], "Ki[1]");
}

TEST(DerivedValues, ScaraRobotDefaults) {
    defaults('b');
    const RobotParams &p = scara;
    expectsix(0.25, p.IJ1, "IJ1");
    expectsix(0.16, p.IJ2, "IJ2");
    expectsix(0.0001, p.IMm1, "IMm1");
    expectsix(0.000064, p.IMm2, "IMm2");
    expectsix(0.0524646, p.TM1, "TM1");
    expectsix(0.0427257, p.TM2, "TM2");
    expectsix(0.594245, p.phi0[0], "phi0[0]");
    expectsix(-1.36944, p.phi0[1], "phi0[1]");
    expectsix(3.03733, p.phif[0], "phif[0]");
    expectsix(-1.98231, p.phif[1], "phif[1]");
    expectsix(0.16, p.IM1, "IM1");
    expectsix(0.1024, p.IM2, "IM2");
    expectsix(0.9, p.M11max, "M11max");
    expectsix(0.2, p.M12max, "M12max");
    expectsix(0.2624, p.M22max, "M22max");
    expectsix(2.09858, p.T1max, "T1max");
    expectsix(3.41805, p.T2max, "T2max");
    expectsix(15.8186, p.T1maxG, "T1maxG");
    expectsix(7.33805, p.T2maxG, "T2maxG");
    expectsix(2.15792, task.tfNom, "tfNom");
    expectsix(3609.61, p.Kp[0], "Kp[0]");
    expectsix(1052.40, p.Kp[1], "Kp[1]");
    expectsix(113.547, p.Kd[0], "Kd[0]");
    expectsix(33.1054, p.Kd[1], "Kd[1]");
    expectsix(1776.53, p.Ki[0], "Ki[0]");
    expectsix(517.957, p.Ki[1], "Ki[1]");
}

TEST(DerivedValues, InitialsetLeavesScaraWithoutGravitySelected) {
    defaults('b');
    testing::internal::CaptureStdout();
    initialset();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ('b', app.type);
    EXPECT_EQ('h', app.sgnG);
    EXPECT_EQ('2', app.elbow);
    EXPECT_EQ(200, task.nStep);
    EXPECT_DOUBLE_EQ(0.02, task.dt);
}

// With the nominal masses the static gravity load is exactly what the gravity
// limits add, so vertical motion plans the same time as horizontal motion; a heavier
// design mass leaves less torque for acceleration and so plans a longer move.
TEST(NominalTime, GravityCancelsWithNominalMassesOnly) {
    for (char type : {'a', 'b'}) {
        defaults(type, 'h');
        const double horizontal = task.tfNom;
        app.sgnG = 'g';
        derivesettings();
        EXPECT_NEAR(horizontal, task.tfNom, 1e-12) << type;
        task.mw = 1.3;
        scara.m1 = 1.3;
        derivesettings();
        EXPECT_GT(task.tfNom, horizontal) << type;
    }
}

TEST(NominalTime, StartEqualToEndIsZeroNotNaN) {
    for (char type : {'a', 'b'}) {
        for (char gravity : {'h', 'g'}) {
            defaults(type, gravity);
            task.xf = task.x0;
            task.yf = task.y0;
            derivesettings();
            EXPECT_EQ(0.0, task.tfNom) << type << gravity;
            EXPECT_TRUE(std::isfinite(robotparams(type).Kp[0]));
        }
    }
}

TEST(NominalTime, MoveThroughTheBaseAxisIsFinite) {
    // The cylindrical robot's radius stays 0 at both ends: no centripetal load to check.
    defaults('a');
    app.elbow = '0';  // the base point is out of the SCARA robot's reach; leave its joints alone
    task.x0 = 0.0;
    task.y0 = 0.0;
    task.xf = 0.0;
    task.yf = 0.0;
    derivesettings();
    EXPECT_EQ(0.0, task.tfNom);
}

TEST(ReductionRatio, LimitsScaleLinearlyAndMotorInertiasWithTheSquare) {
    for (char type : {'a', 'b'}) {
        defaults(type);
        RobotParams &p = robotparams(type);
        const double T1 = p.T1max, T2 = p.T2max, I1 = p.IM1, I2 = p.IM2;
        p.u1 *= 2.0;
        p.u2 *= 3.0;
        derivesettings();
        EXPECT_NEAR(2.0 * T1, p.T1max, 1e-12);
        EXPECT_NEAR(3.0 * T2, p.T2max, 1e-12);
        EXPECT_NEAR(4.0 * I1, p.IM1, 1e-12);
        EXPECT_NEAR(9.0 * I2, p.IM2, 1e-12);
    }
}

TEST(MassError, ZeroErrorDerivesLikeTheNominalMasses) {
    defaults('b');
    const RobotParams nominal = scara;
    const double tf = task.tfNom;
    task.errRatio = 0.0;
    task.mwErr = (1.0 + task.errRatio) * task.mwNom;
    scara.m1Err = (1.0 + task.errRatio) * scara.m1Nom;
    task.mw = task.mwErr;
    scara.m1 = scara.m1Err;
    derivesettings();
    EXPECT_EQ(nominal.M11max, scara.M11max);
    EXPECT_EQ(nominal.Kp[0], scara.Kp[0]);
    EXPECT_EQ(tf, task.tfNom);
}

TEST(MassError, ReachesScaraInertiaOnlyThroughTheWorkpieceTerms) {
    defaults('b');
    const double IJ2 = scara.IJ2, M22 = scara.M22max;
    task.mw = 1.5;
    derivesettings();
    EXPECT_EQ(IJ2, scara.IJ2);
    EXPECT_NEAR(M22 + 0.5 * scara.L2 * scara.L2, scara.M22max, 1e-12);
}

TEST(ElbowBranch, UnknownElbowKeepsTheScaraJointValues) {
    defaults('b');
    const double phi0 = scara.phi0[0], phif = scara.phif[1];
    app.elbow = '3';
    task.xf = 0.2;
    task.yf = 0.5;
    derivesettings();
    EXPECT_EQ(phi0, scara.phi0[0]);
    EXPECT_EQ(phif, scara.phif[1]);
    // The cylindrical robot follows the new point whatever the elbow.
    EXPECT_NEAR(std::atan2(0.5, 0.2), cyl.phif[0], 1e-15);
    app.elbow = '1';
    derivesettings();
    EXPECT_GT(scara.phif[1], 0.0);
}

TEST(SelectedRobot, OtherTypeDerivesNeitherRobot) {
    defaults('a');
    const double T1 = cyl.T1max, S1 = scara.T1max;
    cyl.u1 = 99.0;
    scara.u1 = 99.0;
    app.type = 'x';
    derivesettings();
    EXPECT_EQ(T1, cyl.T1max);
    EXPECT_EQ(S1, scara.T1max);
}

}  // namespace
