// Fourth-order Runge-Kutta-Gill step, shared by the simulation and the design.
#pragma once

#include "simulation/control.h"

// Gill constants as the short decimal literals the results are defined with
// (not 1 - sqrt(1/2), 1 + sqrt(1/2) and 1/6 at full precision).
constexpr double GILLC1 = 0.292893219;
constexpr double GILLC2 = 1.70710678;
constexpr double GILLC3 = 0.16666667;

// Largest number of state components one step integrates.
constexpr int RKGMAXN = 10;

// The second or third stage of gillstep, with Gill constant c at the midpoint time
// tmid: from the stage values y and carries p to the next ones.
template <class Derivative>
inline void gillmiddlestage(Derivative &f, double tmid, double h, double c, const double *y, const double *p,
                            double *ynext, double *pnext, int n) {
#pragma GCC unroll 4
    for (int i = 0; i < n; ++i) {
        const double k = h * f(i, tmid, y);
        const double r = c * (k - p[i]);
        ynext[i] = y[i] + r;
        pnext[i] = 3.0 * r + p[i] - c * k;
    }
}

// One Runge-Kutta-Gill step of size h from time t: xout = x(t + h), x untouched.
// f(i, time, state) answers component i of the derivative. Each of the four stages
// asks for components 0..n-1 in increasing order and finishes before the next
// stage starts; derivatives with side effects (the SOTOC bookkeeping) rely on it.
// Allocates nothing; n <= RKGMAXN. The component loops are unrolled (the design's
// four components entirely), which keeps the stage values in registers.
template <class Derivative>
void gillstep(Derivative &&f, double t, double h, const double *x, double *xout, int n) {
    double y1[RKGMAXN], y2[RKGMAXN], y3[RKGMAXN];
    double p1[RKGMAXN], p2[RKGMAXN], p3[RKGMAXN];
    const double tmid = 0.5 * h + t;
    const double tend = t + h;
#pragma GCC unroll 4
    for (int i = 0; i < n; ++i) {
        const double k = h * f(i, t, x);
        const double r = 0.5 * k;
        y1[i] = x[i] + r;
        p1[i] = 3.0 * r - 0.5 * k;
    }
    gillmiddlestage(f, tmid, h, GILLC1, y1, p1, y2, p2, n);
    gillmiddlestage(f, tmid, h, GILLC2, y2, p2, y3, p3, n);
#pragma GCC unroll 4
    for (int i = 0; i < n; ++i) {
        const double k = h * f(i, tend, static_cast<const double *>(y3));
        const double r = GILLC3 * (k - 2.0 * p3[i]);
        xout[i] = y3[i] + r;
    }
}

// One simulation step of the 6-component state (q1, q2, q1', q2', z1, z2) of robot
// type `robot` under controller `ctrl` ('T' or 'S'); n components, n <= RKGMAXN.
void rkgstep(char robot, char ctrl, double t, double h, const double *x, double *xout, int n);

// One step like rkgstep under the torques and servo integral rates the sampled
// controller holds (a zero-order hold): the controller is not asked.
void heldstep(char robot, const HeldControl &held, double t, double h, const double *x, double *xout, int n);

// Component i (0..5) of the simulation state's derivative at time t. Components
// 2 and 3 evaluate the control law (cylindrical: joint 1 at 2, joint 2 at 3; SCARA:
// both joints at each), 4 and 5 the servo error integrands.
double derivative(char robot, char ctrl, int i, double t, const double *x);
