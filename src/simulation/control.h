// Folder simulation/: dynamics, Gill step, control laws, simulation, tip position; uses records/.
// Control laws: clock-driven TOC, state-observed TOC (SOTOC) and the goal servo.
#pragma once

// Torque/force of joint 1 or 2 at time t for the 6-component simulation state x
// under ctrl 'S' (state-observed) or 'T' (clock-driven; also any other value).
// Updates the SOTOC bookkeeping (joint 1 under 'S') and resets it at t == 0.
double controltorque(char robot, char ctrl, int joint, double t, const double *x);

// Saturation of a servo command u at the joint's limit for gravity mode `gravity`.
double torquelimit(char robot, char gravity, int joint, double u);

// Derivative of the servo error integrator of joint 1 or 2 (nonzero only in the servo phase).
double errorrate(char robot, char ctrl, int joint, double t, const double *x);

// What the sampled controller holds from one control instant to the next.
struct HeldControl {
    double u[2];      // torques/forces applied to joints 1, 2 [N m], [N] / [N m]
    double zrate[2];  // rates of the servo's error integrals [rad, m per s]
};

// The controller at control instant k (time tk) of robot `robot` under ctrl 'S' or
// 'T', from the readings r = (q1, q2, q1', q2') and the servo's integrals z: the
// torques and integral rates to hold until the next instant. TOC applies each
// designed switch at the first instant at or after it (within a billionth of the
// period, so that k * period rounded below a switching time it equals does not
// postpone it); SOTOC's rule and the servo act on the readings. Instant 0 resets
// the SOTOC bookkeeping; a phase SOTOC ends is noted with the instant.
void sampledcontrol(char robot, char ctrl, int k, double tk, const double r[4], const double z[2],
                    HeldControl &held);
