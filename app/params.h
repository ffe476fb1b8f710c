// Parameter sets of both robots: the defaults and their derivation.
#pragma once

// Installs every default of both robots, the task and the display layout, derives
// both robots and prints their provisional conditions (without gravity).
void initialset();

// Joint end points of both robots, then torque limits, maximum inertias, nominal
// PTP time and servo gains of the robot selected by app.type.
void derivesettings();

void settorquelimits();  // T1max, T2max, T1maxG, T2maxG of the selected robot
void setmaxinertia();    // referred motor inertias and the largest joint inertias
void setnominalptp();    // task.tfNom, the symmetric bang-bang time of the move
void setservogains();    // Kp, Kd, Ki placing (s + alpha)(s^2 + 2 zeta wn s + wn^2)
