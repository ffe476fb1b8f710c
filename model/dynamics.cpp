#include "model/dynamics.h"

#include <cmath>

#include "core/records.h"

namespace {

// Cylindrical robot: theta = q1 measured from the horizontal, r = q2 radial.
// The radial joint feels the centrifugal force, joint 1 the Coriolis coupling.
void cylinderaccel(const MotionTerms &m, double tau1, double tau2, const double x[4], double acc[2]) {
    const double th = x[0], r = x[1], dth = x[2], dr = x[3];
    double G1 = 0.0, G2 = 0.0;
    if (m.gravity) {
        G1 = m.gmw * r * std::cos(th);
        G2 = m.gmw * std::sin(th);
    }
    acc[0] = (tau1 - m.twomw * r * dth * dr - G1) / (m.mw * r * r + m.IM1);
    acc[1] = (tau2 + m.mw * r * dth * dth - G2) / m.J2;
}

// SCARA robot: inertia matrix D, Coriolis/centrifugal h, gravity G, solved by
// Cramer's rule. IJ1, IJ2 stay at their nominal values; only the terms naming
// mw or m1 follow a changed mass.
void scaraaccel(const MotionTerms &m, double tau1, double tau2, const double x[4], double acc[2]) {
    const double q1 = x[0], q2 = x[1], dq1 = x[2], dq2 = x[3];
    const double c2 = std::cos(q2);
    const double s2 = std::sin(q2);
    const double D11 = m.D11c + m.mwL1 * (m.L1 + m.twoL2 * c2);
    const double D12 = m.IJ2 + m.mwL1L2 * c2;
    const double D21 = D12;
    const double coriolis = m.mwL1L2 * s2;
    const double h2 = coriolis * dq1 * dq1;
    const double h1 = h2 - coriolis * (dq1 + dq2) * (dq1 + dq2);
    double G1 = 0.0, G2 = 0.0;
    if (m.gravity) {
        G2 = m.g2 * std::cos(q1 + q2);
        G1 = m.g1 * std::cos(q1) + G2;
    }
    const double r1 = tau1 - h1 - G1;
    const double r2 = tau2 - h2 - G2;
    const double det = D11 * m.D22 - D12 * D21;
    acc[0] = (m.D22 * r1 - D21 * r2) / det;
    acc[1] = (D11 * r2 - D12 * r1) / det;
}

}  // namespace

// Every factor is grouped as the equations group it from the left: D11 =
// ((IJ1 + IM1) + IJ2) + (mw L1)(L1 + (2 L2) c2), h2 = (((mw L1) L2) s2) q1' q1',
// G2 = ((9.8 mw) L2) cos(q1 + q2), G1 = (((m1 + mw) 9.8) L1) cos q1 + G2;
// cylindrical 2 mw r q1' q2' = (((2 mw) r) q1') q2', G1 = ((9.8 mw) r) cos q1.
void motionterms(char robot, MotionTerms &m) {
    const RobotParams &p = robotparams(robot);
    const double mw = task.mw;
    m.scara = robot == 'b';
    m.gravity = app.sgnG == 'g';
    m.T1 = jointlimit(robot, app.sgnG, 0);
    m.T2 = jointlimit(robot, app.sgnG, 1);
    m.D11c = p.IJ1 + p.IM1 + p.IJ2;
    m.mwL1 = mw * p.L1;
    m.L1 = p.L1;
    m.twoL2 = 2.0 * p.L2;
    m.IJ2 = p.IJ2;
    m.mwL1L2 = m.mwL1 * p.L2;
    m.D22 = p.IJ2 + p.IM2;
    m.g1 = (p.m1 + mw) * GRAVITY * p.L1;
    m.g2 = GRAVITY * mw * p.L2;
    m.mw = mw;
    m.twomw = 2.0 * mw;
    m.gmw = GRAVITY * mw;
    m.IM1 = p.IM1;
    m.J2 = mw + p.IM2;
}

void accelerations(const MotionTerms &m, double tau1, double tau2, const double x[4], double acc[2]) {
    if (m.scara)
        scaraaccel(m, tau1, tau2, x, acc);
    else
        cylinderaccel(m, tau1, tau2, x, acc);
}

void dynamics(char robot, double tau1, double tau2, double q1, double q2, double dq1, double dq2,
              double acc[2]) {
    MotionTerms m;
    motionterms(robot, m);
    const double x[4] = {q1, q2, dq1, dq2};
    accelerations(m, tau1, tau2, x, acc);
}

double jointlimit(char robot, char gravity, int j) {
    const RobotParams &p = robotparams(robot);
    if (gravity == 'g') return j == 0 ? p.T1maxG : p.T2maxG;
    return j == 0 ? p.T1max : p.T2max;
}

void designaccel(const int s[2], const double x[4], double acc[2]) {
    MotionTerms m;
    motionterms(app.type, m);
    accelerations(m, s[0] * m.T1, s[1] * m.T2, x, acc);
}

double designmodel(int i, const int s[2], const double x[4]) {
    if (i == 0) return x[2];
    if (i == 1) return x[3];
    double acc[2];
    designaccel(s, x, acc);
    return i == 2 ? acc[0] : acc[1];
}
