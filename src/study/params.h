// Parameter sets of both robots: the defaults and their derivation.
#pragma once

#include "records/parameters.h"

// Puts every record in its start state and installs every default of both robots,
// the task and the display layout; derives both robots for horizontal motion, the
// SCARA robot last (it is left selected). Prints nothing.
void initialset();

// Computes the values of robot `type` fixed at start (IJ1, IJ2, IMm1, IMm2, TM1,
// TM2) by the drives' sizing rule from its primary values and the masses in use, in
// that order, each but those `kept` (by Parameter), which stay as they are and enter
// the later ones. Any other type: nothing.
void fixatstart(char type, const bool kept[PARAMETERS]);

// What follows from the primary and fixed values as initialset leaves it: the
// nominal masses in use, the erroneous masses, the drawn layout, and both robots
// derived for horizontal motion, the SCARA robot last (left selected).
void settlestart();

// Joint end points of both robots, then torque limits, maximum inertias, nominal
// PTP time and servo gains of the robot selected by app.type.
void derivesettings();

// Joint end points phi0, phif of both robots from the task's points; the SCARA
// robot's on the branch of app.elbow (no change for another value).
void setjointends();

// Erroneous masses (1 + errRatio) times the nominal ones: task.mwErr, scara.m1Err.
void seterrormasses();

void settorquelimits();  // T1max, T2max, T1maxG, T2maxG of the selected robot
void setmaxinertia();    // referred motor inertias and the largest joint inertias
void setnominalptp();    // task.tfNom, the symmetric bang-bang time of the move
void setservogains();    // Kp, Kd, Ki placing (s + alpha)(s^2 + 2 zeta wn s + wn^2)
