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
