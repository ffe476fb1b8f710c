#include "model/dynamics.h"

#include <cmath>

#include "core/records.h"

namespace {

// Cylindrical robot: theta = q1 measured from the horizontal, r = q2 radial.
// The radial joint feels the centrifugal force, joint 1 the Coriolis coupling.
void cylinderdynamics(double tau1, double tau2, double th, double r, double dth, double dr,
                      double acc[2]) {
    const RobotParams &p = cyl;
    const double mw = task.mw;
    double G1 = 0.0, G2 = 0.0;
    if (app.sgnG == MOTIONVERTICAL) {
        G1 = GRAVITY * mw * r * std::cos(th);
        G2 = GRAVITY * mw * std::sin(th);
    }
    acc[0] = (tau1 - 2.0 * mw * r * dth * dr - G1) / (mw * r * r + p.IM1);
    acc[1] = (tau2 + mw * r * dth * dth - G2) / (mw + p.IM2);
}

// SCARA robot: inertia matrix D, Coriolis/centrifugal h, gravity G, solved by
// Cramer's rule. IJ1, IJ2 stay at their nominal values; only the terms naming
// mw or m1 follow a changed mass.
void scaradynamics(double tau1, double tau2, double q1, double q2, double dq1, double dq2,
                   double acc[2]) {
    const RobotParams &p = scara;
    const double mw = task.mw;
    const double c2 = std::cos(q2);
    const double s2 = std::sin(q2);
    const double D11 = p.IJ1 + p.IM1 + p.IJ2 + mw * p.L1 * (p.L1 + 2.0 * p.L2 * c2);
    const double D12 = p.IJ2 + mw * p.L1 * p.L2 * c2;
    const double D21 = D12;
    const double D22 = p.IJ2 + p.IM2;
    const double h2 = mw * p.L1 * p.L2 * s2 * dq1 * dq1;
    const double h1 = h2 - mw * p.L1 * p.L2 * s2 * (dq1 + dq2) * (dq1 + dq2);
    double G1 = 0.0, G2 = 0.0;
    if (app.sgnG == MOTIONVERTICAL) {
        G2 = GRAVITY * mw * p.L2 * std::cos(q1 + q2);
        G1 = (p.m1 + mw) * GRAVITY * p.L1 * std::cos(q1) + G2;
    }
    const double r1 = tau1 - h1 - G1;
    const double r2 = tau2 - h2 - G2;
    const double det = D11 * D22 - D12 * D21;
    acc[0] = (D22 * r1 - D21 * r2) / det;
    acc[1] = (D11 * r2 - D12 * r1) / det;
}

}  // namespace

void dynamics(char robot, double tau1, double tau2, double q1, double q2, double dq1, double dq2,
              double acc[2]) {
    if (robot == ROBOTSCARA)
        scaradynamics(tau1, tau2, q1, q2, dq1, dq2, acc);
    else
        cylinderdynamics(tau1, tau2, q1, q2, dq1, dq2, acc);
}

double jointlimit(char robot, char gravity, int j) {
    const RobotParams &p = robotparams(robot);
    if (gravity == MOTIONVERTICAL) return j == 0 ? p.T1maxG : p.T2maxG;
    return j == 0 ? p.T1max : p.T2max;
}

void designaccel(const int s[2], const double x[4], double acc[2]) {
    dynamics(app.type, s[0] * jointlimit(app.type, app.sgnG, 0), s[1] * jointlimit(app.type, app.sgnG, 1), x[0],
             x[1], x[2], x[3], acc);
}

double designmodel(int i, const int s[2], const double x[4]) {
    if (i == 0) return x[2];
    if (i == 1) return x[3];
    double acc[2];
    designaccel(s, x, acc);
    return i == 2 ? acc[0] : acc[1];
}
