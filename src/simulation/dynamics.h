// Rigid-body equations of motion of both robots.
#pragma once

#include <cmath>

#include "simulation/rigidbody.h"

// The factors of the equations of motion that do not depend on the state, for one
// robot with the masses, parameters and gravity mode of the records, each formed
// exactly as the equations form it: accelerations from them keep every bit.
// Filled by motionterms, read by accelerations; a caller keeps it while nothing
// it was formed from changes.
struct MotionTerms {
    bool rigid;     // the arm as rigid bodies (a robot file's choice): only `body` and the limits hold
    RigidTerms body;  // the rigid bodies' factors
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

// The sines and cosines the equations need at the state x = (q1, q2, q1', q2'),
// from the mathematics library: rigid bodies, rigidtrig's; SCARA trig = (cos q2, sin q2, cos q1, cos(q1 + q2)),
// the last two only with gravity; cylindrical, only with gravity, (cos q1, sin q1).
// Entries not needed are left alone. Generic in the scalar S (double for the
// simulation; a differentiating scalar for the minimum-time solver).
template <class S>
inline void motiontrig(const MotionTerms &m, const S x[4], S trig[4]) {
    using std::cos;
    using std::sin;
    const S q1 = x[0], q2 = x[1];
    if (m.rigid) {
        rigidtrig(m.body, x, trig);
    } else if (m.scara) {
        const S c2 = cos(q2), s2 = sin(q2);
        trig[0] = c2;
        trig[1] = s2;
        if (m.gravity) {
            const S c1 = cos(q1), c12 = cos(q1 + q2);
            trig[2] = c1;
            trig[3] = c12;
        }
    } else if (m.gravity) {
        const S c1 = cos(q1), s1 = sin(q1);
        trig[0] = c1;
        trig[1] = s1;
    }
}

// Joint accelerations acc = (q1'', q2'') under joint torques/forces tau1, tau2 at the
// state x = (q1, q2, q1', q2') with its motiontrig values, for the robot, masses and
// gravity mode the terms were formed from. Generic in the scalar S like motiontrig.
template <class S>
inline void accelerations(const MotionTerms &m, S tau1, S tau2, const S x[4], const S trig[4], S acc[2]) {
    if (m.rigid) {
        rigidaccelerations(m.body, tau1, tau2, x, trig, acc);
    } else if (m.scara) {
        // Inertia matrix D, Coriolis/centrifugal h, gravity G, solved by Cramer's
        // rule. IJ1, IJ2 stay at their nominal values; only the terms naming mw or
        // m1 follow a changed mass.
        const S dq1 = x[2], dq2 = x[3], c2 = trig[0], s2 = trig[1];
        const S D11 = m.D11c + m.mwL1 * (m.L1 + m.twoL2 * c2);
        const S D12 = m.IJ2 + m.mwL1L2 * c2;
        const S D21 = D12;
        const S coriolis = m.mwL1L2 * s2;
        const S h2 = coriolis * dq1 * dq1;
        const S h1 = h2 - coriolis * (dq1 + dq2) * (dq1 + dq2);
        S r1 = tau1 - h1, r2 = tau2 - h2;
        if (m.gravity) {
            const S G2 = m.g2 * trig[3];
            const S G1 = m.g1 * trig[2] + G2;
            r1 = r1 - G1;
            r2 = r2 - G2;
        }
        const S det = D11 * m.D22 - D12 * D21;
        acc[0] = (m.D22 * r1 - D21 * r2) / det;
        acc[1] = (D11 * r2 - D12 * r1) / det;
    } else {
        // Cylindrical: theta = q1 from the horizontal, r = q2 radial. The radial
        // joint feels the centrifugal force, joint 1 the Coriolis coupling.
        const S r = x[1], dth = x[2], dr = x[3];
        S r1 = tau1 - m.twomw * r * dth * dr;
        S r2 = tau2 + m.mw * r * dth * dth;
        if (m.gravity) {
            r1 = r1 - m.gmw * r * trig[0];
            r2 = r2 - m.gmw * trig[1];
        }
        acc[0] = r1 / (m.mw * r * r + m.IM1);
        acc[1] = r2 / m.J2;
    }
}

// The bodies of robot type `robot` with the payload and motors in use: the rigid
// bodies of a robot file that asks for them, else the point masses the built-in
// model holds (SCARA: m1 at the elbow and link 1's remaining inertia IJ1 - m1 L1^2,
// link 2 of no mass with IJ2 - mw L2^2; cylindrical: the workpiece alone).
ArmBodies armbodies(char robot);

// Active torque limit of joint index j (0, 1) of robot type `robot` for gravity mode
// `gravity`: T1maxG/T2maxG when 'g', T1max/T2max otherwise.
double jointlimit(char robot, char gravity, int j);
