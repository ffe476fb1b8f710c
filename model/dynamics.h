// Rigid-body equations of motion of both robots.
#pragma once

// Joint accelerations acc = (q1'', q2'') of robot type `robot` ('b' SCARA, any
// other value cylindrical) under joint torques/forces tau1, tau2 at the state
// (q1, q2, dq1, dq2). Reads mw (and m1 for SCARA gravity), the robot's parameters
// and sgnG ('g' adds gravity). Pure.
void dynamics(char robot, double tau1, double tau2, double q1, double q2, double dq1, double dq2,
              double acc[2]);

// The factors of the equations of motion that do not depend on the state, for one
// robot with the masses, parameters and gravity mode of the records, each formed
// exactly as the equations form it: accelerations from them keep every bit.
// Filled by motionterms, read by accelerations; a caller keeps it while nothing
// it was formed from changes.
struct MotionTerms {
    bool scara;     // SCARA robot (else cylindrical)
    bool gravity;   // vertical motion: gravity terms act
    double T1, T2;  // active joint limits for the gravity mode [N m], [N] / [N m]
    // SCARA
    double D11c;    // IJ1 + IM1 + IJ2 [kg m^2]
    double mwL1;    // mw L1 [kg m]
    double L1;      // link-1 length [m]
    double twoL2;   // 2 L2 [m]
    double IJ2;     // arm inertia about joint 2 [kg m^2]
    double mwL1L2;  // mw L1 L2 [kg m^2]
    double D22;     // IJ2 + IM2 [kg m^2]
    double g1;      // (m1 + mw) 9.8 L1, factor of cos q1 in the joint-1 gravity torque [N m]
    double g2;      // 9.8 mw L2, factor of cos(q1 + q2) in the gravity torques [N m]
    // cylindrical
    double mw;      // workpiece mass [kg]
    double twomw;   // 2 mw [kg]
    double gmw;     // 9.8 mw, the workpiece's weight [N]
    double IM1;     // joint-1 motor inertia [kg m^2]
    double J2;      // mw + IM2, the mass the radial joint moves [kg]
};

// The state-independent factors of robot type `robot` from the records.
void motionterms(char robot, MotionTerms &m);

// Joint accelerations under tau1, tau2 at the state x = (q1, q2, q1', q2'): the
// bits of dynamics() for the robot and records the terms were formed from.
void accelerations(const MotionTerms &m, double tau1, double tau2, const double x[4], double acc[2]);

// Both joint accelerations of the design state x = (q1, q2, q1', q2') of the selected
// robot under bang-bang torques s[j] * (joint limit for sgnG).
void designaccel(const int s[2], const double x[4], double acc[2]);

// Component i (0..3) of the time derivative of the design state x = (q1, q2, q1', q2')
// of the selected robot under bang-bang torques s[j] * (joint limit for sgnG).
double designmodel(int i, const int s[2], const double x[4]);

// Active torque limit of joint index j (0, 1) of robot type `robot` for gravity mode
// `gravity`: T1maxG/T2maxG when 'g', T1max/T2max otherwise.
double jointlimit(char robot, char gravity, int j);
