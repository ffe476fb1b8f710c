// Motion simulation and the trajectory log the console report and the display read.
#pragma once

#include "records/records.h"

// Runs one motion of the selected robot (app.type) under app.ctrlType from phi0 at
// rest for nStep samples of 10 integration steps, logging into its work slot. Returns 1.
// With a control period (task.controlPeriod finite) the controller reads the state
// (task's encoders, noise and delay) and sets the torques only at its multiples,
// holding them in between; the steps end at those instants.
// The slot also gets the joint state at the last row and, when the final time ts[3]
// of the robot's control tables lies within the run, the joint state at that time,
// integrated to it from the last step before it on the side.
int simulate();

// Tip position P = (x, y) [m] of robot type `robot` at joint displacements q,
// relative to its base (the forward kinematics the inverse kinematics inverts).
void tipposition(char robot, const double q[2], double P[2]);

// Tip velocity V = (x', y') [m/s] of robot type `robot` at the joint state
// x = (q1, q2, q1', q2'): the time derivative of tipposition.
void tipvelocity(char robot, const double x[4], double V[2]);

// Writes row i of the selected robot's work slot from the 6-component state x and
// the joint torques tau applied at time i * dt.
void logrow(int i, const double *x, const double tau[2]);

// Writes row i of the selected robot's work slot from the 6-component state x,
// evaluating both joint torques at time i * dt.
void logsample(int i, const double *x);

// Copies rows 0..nStep of the selected robot's work slot into `slot`.
void keeprun(RunLog &slot);
