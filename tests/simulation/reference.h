// The equations of motion as single calls, the references the model and design
// tests hold the factored evaluation (motionterms, motiontrig, accelerations) to.
#pragma once

#include "records/records.h"
#include "simulation/dynamics.h"

// Joint accelerations at the state x under tau1, tau2, with the trig values from
// the mathematics library.
inline void accelerations(const MotionTerms &m, double tau1, double tau2, const double x[4], double acc[2]) {
    double trig[4] = {0.0, 0.0, 0.0, 0.0};
    motiontrig(m, x, trig);
    accelerations(m, tau1, tau2, x, trig, acc);
}

// Joint accelerations acc = (q1'', q2'') of robot type `robot` ('b' SCARA, any
// other value cylindrical) under joint torques/forces tau1, tau2 at the state
// (q1, q2, dq1, dq2). Reads mw (and m1 for SCARA gravity), the robot's parameters
// and sgnG ('g' adds gravity). Pure.
inline void dynamics(char robot, double tau1, double tau2, double q1, double q2, double dq1, double dq2,
                     double acc[2]) {
    MotionTerms m;
    motionterms(robot, m);
    const double x[4] = {q1, q2, dq1, dq2};
    accelerations(m, tau1, tau2, x, acc);
}

// Both joint accelerations of the design state x = (q1, q2, q1', q2') of the selected
// robot under bang-bang torques s[j] * (joint limit for sgnG).
inline void designaccel(const int s[2], const double x[4], double acc[2]) {
    MotionTerms m;
    motionterms(app.type, m);
    accelerations(m, s[0] * m.T1, s[1] * m.T2, x, acc);
}

// Component i (0..3) of the time derivative of the design state x = (q1, q2, q1', q2')
// of the selected robot under bang-bang torques s[j] * (joint limit for sgnG).
inline double designmodel(int i, const int s[2], const double x[4]) {
    if (i == 0) return x[2];
    if (i == 1) return x[3];
    double acc[2];
    designaccel(s, x, acc);
    return i == 2 ? acc[0] : acc[1];
}
