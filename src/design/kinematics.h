// Inverse kinematics of both robots.
#pragma once

// Cylindrical robot: out = (theta, r) = (atan2(y, x), sqrt(x^2 + y^2)). Never fails.
void cylinderik(double x, double y, double out[2]);

// True when the SCARA tip can reach (x, y): |L1 - L2| <= r <= L1 + L2, a point
// on either circle included although r comes out a unit in the last place beyond it.
bool scarareachable(double x, double y);

// SCARA robot, elbow bent down (ELBOWDOWN, phi2 >= 0): out = (phi1, phi2), each angle
// on the 2*pi branch nearest ref. Returns scarareachable(x, y); an unreachable point
// is still computed and gives not-a-number joint values.
bool scaraikdown(double x, double y, const double ref[2], double out[2]);

// SCARA robot, elbow bent up (ELBOWUP, phi2 <= 0); otherwise as scaraikdown.
bool scaraikup(double x, double y, const double ref[2], double out[2]);

// out[i] = theta[i] + 2k*pi (k in -2..2) nearest ref[i]; ties keep the earlier candidate
// of theta, theta + 2pi, theta - 2pi, theta + 4pi, theta - 4pi.
void unwrapangles(const double ref[2], const double theta[2], double out[2]);
