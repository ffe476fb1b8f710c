// Time-history graphs on the right of the window: joint displacements with the
// 10-times magnified deviations from the error-free motion, and the joint torques.
#pragma once

#include "records/records.h"

// Deviations from the error-free run are drawn magnified by this factor.
constexpr double ERRORGAIN = 10.0;

struct FiRange {
    double largest;   // largest joint displacement of the error-free run [rad or m]
    double smallest;  // smallest joint displacement of the error-free run [rad or m]
};

// Extreme displacements of both joints of the robot's error-free TOC run, rows 0..nStep-1.
FiRange firange(char type);

// Time axis with second ticks and the seconds label, and the value axis: mode 0 for
// the displacement graph (with the nominal and designed final-time marks), 1 for a
// torque graph (axis from -h to h). n sample intervals of dt seconds span w.
void drawaxes(int mode, const Point2 &origin, double dt, int n, double w, double h);

// Joint-displacement graph of the robot `type` up to row `frame`.
void drawfigraph(char type, int frame);

// Joint-1 and joint-2 torque graphs of the robot `type` up to row `frame`.
void drawtorquegraphs(char type, int frame);
