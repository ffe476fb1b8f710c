// Rigid-body equations of motion of both robots.
#pragma once

// Joint accelerations acc = (q1'', q2'') of robot type `robot` ('b' SCARA, any
// other value cylindrical) under joint torques/forces tau1, tau2 at the state
// (q1, q2, dq1, dq2). Reads mw (and m1 for SCARA gravity), the robot's parameters
// and sgnG ('g' adds gravity). Pure.
void dynamics(char robot, double tau1, double tau2, double q1, double q2, double dq1, double dq2,
              double acc[2]);

// Both joint accelerations of the design state x = (q1, q2, q1', q2') of the selected
// robot under bang-bang torques s[j] * (joint limit for sgnG).
void designaccel(const int s[2], const double x[4], double acc[2]);

// Component i (0..3) of the time derivative of the design state x = (q1, q2, q1', q2')
// of the selected robot under bang-bang torques s[j] * (joint limit for sgnG).
double designmodel(int i, const int s[2], const double x[4]);

// Active torque limit of joint index j (0, 1) of robot type `robot` for gravity mode
// `gravity`: T1maxG/T2maxG when 'g', T1max/T2max otherwise.
double jointlimit(char robot, char gravity, int j);
