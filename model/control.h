// Control laws: clock-driven TOC, state-observed TOC (SOTOC) and the goal servo.
#pragma once

// One set per robot: written by the switching-time design (ts, sgn) and by the
// comparison run (swRefPos, swRefVel); read by the control law.
struct ControlTables {
    double ts[4];           // switching times [s]; phase k lasts until ts[k]; ts[3] is the final time
    double sgn[4][2];       // torque sign of joint j in phase k, -1.0 or +1.0
    double swRefPos[4][2];  // designed joint displacement at the end of phase k; row 3 is the goal
    double swRefVel[4][2];  // designed joint velocity at the end of phase k; row 3 is zero
};

// SOTOC bookkeeping, persistent across calls and runs; arrays indexed by robotindex().
struct SotocBook {
    int phase;           // switching states passed, 0..4; one counter for both joints and robots
    double dprev[2];     // distance at the previous joint-1 evaluation, per robot
    double tprev;        // time of the previous joint-1 evaluation [s], both robots
    double tfsotoc[2];   // time at which phase reached 4 in the current run [s]; 0 while it has not
};

extern ControlTables cylTables;    // cylindrical robot, type 'a'
extern ControlTables scaraTables;  // SCARA robot, type 'b'
extern SotocBook sotoc;

// The control tables of a robot type: 'b' SCARA, every other value cylindrical.
ControlTables &controltables(char type);

// Torque/force of joint 1 or 2 at time t for the 6-component simulation state x
// under ctrl 'S' (state-observed) or 'T' (clock-driven; also any other value).
// Updates the SOTOC bookkeeping (joint 1 under 'S') and resets it at t == 0.
double controltorque(char robot, char ctrl, int joint, double t, const double *x);

// Saturation of a servo command u at the joint's limit for gravity mode `gravity`.
double torquelimit(char robot, char gravity, int joint, double u);

// Derivative of the servo error integrator of joint 1 or 2 (nonzero only in the servo phase).
double errorrate(char robot, char ctrl, int joint, double t, const double *x);
