// Motion simulation and the trajectory log the console report and the display read.
#pragma once

#include "app/state.h"

// One run's sampled histories; row i is sample i at time i * dt, rows 0..nStep used.
struct RunLog {
    double fi[MAXSAMPLES][2];   // joint displacements (cyl: theta [rad], r [m]; SCARA: [rad], [rad])
    double P[MAXSAMPLES][2];    // tip position x, y relative to the base [m]
    double tau[MAXSAMPLES][2];  // joint torques [N m] (cyl joint 2: force [N])
};

// The four slots of one robot.
struct RobotRuns {
    RunLog work;      // run in progress or last run
    RunLog tocFree;   // TOC designed and run with the nominal masses
    RunLog tocErr;    // TOC designed with the erroneous masses, run on the nominal plant
    RunLog sotocErr;  // SOTOC with the same erroneous design, run on the nominal plant
};

struct TrajectoryLog {
    RobotRuns cyl;    // runs of the cylindrical robot, type 'a'
    RobotRuns scara;  // runs of the SCARA robot, type 'b'
};

extern TrajectoryLog trajlog;

// The runs of a robot type: 'b' SCARA, every other value cylindrical.
RobotRuns &robotruns(char type);

// Runs one motion of the selected robot (app.type) under app.ctrlType from phi0 at
// rest for nStep samples of 10 integration steps, logging into its work slot. Returns 1.
int simulate();

// Writes row i of the selected robot's work slot from the 6-component state x,
// evaluating both joint torques at time i * dt.
void logsample(int i, const double *x);

// Copies rows 0..nStep of the selected robot's work slot into `slot`.
void keeprun(RunLog &slot);
