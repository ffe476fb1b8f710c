// Equations of motion of an arm of rigid bodies: each link with its mass where it
// is and its own inertia, a payload as a point mass at the tip, the motors'
// inertias referred to the joints on the diagonal.
//
// The plane of motion is x-y, the joint axes along z. Link frames:
//   SCARA:       link j's origin on joint j's axis, x towards the next joint (link 1:
//                joint 2's axis; link 2: the tip), q1 the angle of link 1's x from the
//                base x, q2 that of link 2's x from link 1's.
//   Cylindrical: link 1's origin on joint 1's axis, x along the slide, q1 its angle
//                from the base x; link 2's origin at the tip, axes as link 1's, q2 the
//                tip's radius.
// Vertical motion: gravity GRAVITY along -y of the base frame.
#pragma once

#include <cmath>

// The bodies of an arm.
struct ArmBodies {
    bool scara;      // SCARA (else cylindrical)
    double L1, L2;   // SCARA: joint 1 to joint 2, joint 2 to the tip [m]
    double m[2];     // masses of link 1 and link 2 [kg]
    double c[2][2];  // centre of mass (x, y) of link j in its frame [m]
    double I[2];     // inertia of link j about its centre of mass, about the joint axes' direction [kg m^2]
    double mw;       // payload at the tip [kg]
    double IM[2];    // motor inertias referred to the joints [kg m^2], [kg] / [kg m^2]
};

// The factors of the equations that do not depend on the state, formed by
// rigidterms. Gravity torques: SCARA G2 = gc2 cos(q1 + q2) - gs2 sin(q1 + q2),
// G1 = gc1 cos q1 - gs1 sin q1 + G2; cylindrical G1 = (gc1 + gM2 q2) cos q1 - gs1 sin q1,
// G2 = gM2 sin q1.
struct RigidTerms {
    bool scara;       // SCARA (else cylindrical)
    bool gravity;     // vertical motion: gravity terms act
    double IM1, IM2;  // motor inertias referred to the joints [kg m^2], [kg] / [kg m^2]
    double gc1, gs1;  // joint-1 gravity factors [N m]
    // SCARA
    double M11c;      // M11 less its cos q2 and sin q2 terms [kg m^2]
    double I2;        // link 2 with the payload about joint 2 [kg m^2]
    double hx, hy;    // L1 times the first moment (x, y) of link 2 with the payload about joint 2 [kg m^2]
    double gc2, gs2;  // joint-2 gravity factors [N m]
    // cylindrical
    double M11r0;     // M11 at radius 0 [kg m^2]
    double M2;        // mass the slide moves: link 2 and the payload [kg]
    double s2;        // first moment of link 2 about the tip along the slide, m2 c2x [kg m]
    double M12;       // -m2 c2y [kg m]
    double gM2;       // weight the slide carries [N]
};

// The arm's joint-space terms at one state, the motor inertias left out, in the
// scalar S (double, or a differentiating scalar for the minimum-time solver).
template <class S>
struct RigidStateOf {
    S M[2][2];  // inertia matrix [kg m^2, kg m, kg]
    S C[2];     // velocity-product torques C(q, q') q' [N m, N]
    S G[2];     // gravity torques, those holding the arm still [N m, N]
};
using RigidState = RigidStateOf<double>;

// The factors of `b` for gravity acting (vertical) or not.
RigidTerms rigidterms(const ArmBodies &b, bool gravity);

// The sines and cosines the equations need at joint displacements q: SCARA
// (cos q2, sin q2, and with gravity cos q1, sin q1); cylindrical, only with gravity,
// (cos q1, sin q1). Entries not needed are left alone.
template <class S>
inline void rigidtrig(const RigidTerms &t, const S q[2], S trig[4]) {
    using std::cos;
    using std::sin;
    if (t.scara) {
        trig[0] = cos(q[1]);
        trig[1] = sin(q[1]);
    }
    if (t.gravity) {
        S *one = t.scara ? trig + 2 : trig;
        one[0] = cos(q[0]);
        one[1] = sin(q[0]);
    }
}

// The terms at the state x = (q1, q2, q1', q2') with its rigidtrig values.
template <class S>
inline void rigidstate(const RigidTerms &t, const S x[4], const S trig[4], RigidStateOf<S> &s) {
    const S dq1 = x[2], dq2 = x[3];
    if (t.scara) {
        const S c2 = trig[0], s2 = trig[1];
        // The coupling of the links and its derivative by q2.
        const S h = t.hx * c2 - t.hy * s2;
        const S b = t.hx * s2 + t.hy * c2;
        s.M[0][0] = t.M11c + 2.0 * h;
        s.M[0][1] = s.M[1][0] = t.I2 + h;
        s.M[1][1] = t.I2;
        s.C[0] = -b * (2.0 * dq1 * dq2 + dq2 * dq2);
        s.C[1] = b * dq1 * dq1;
        s.G[0] = s.G[1] = 0.0;
        if (t.gravity) {
            const S c1 = trig[2], s1 = trig[3];
            const S c12 = c1 * c2 - s1 * s2, s12 = s1 * c2 + c1 * s2;
            s.G[1] = t.gc2 * c12 - t.gs2 * s12;
            s.G[0] = t.gc1 * c1 - t.gs1 * s1 + s.G[1];
        }
    } else {
        const S r = x[1];
        // First moment of link 2 and the payload about joint 1, along the slide.
        const S P = t.M2 * r + t.s2;
        s.M[0][0] = t.M11r0 + (2.0 * t.s2 + t.M2 * r) * r;
        s.M[0][1] = s.M[1][0] = t.M12;
        s.M[1][1] = t.M2;
        s.C[0] = 2.0 * P * dq1 * dq2;
        s.C[1] = -P * dq1 * dq1;
        s.G[0] = s.G[1] = 0.0;
        if (t.gravity) {
            const S c1 = trig[0], s1 = trig[1];
            s.G[0] = (t.gc1 + t.gM2 * r) * c1 - t.gs1 * s1;
            s.G[1] = t.gM2 * s1;
        }
    }
}

// Joint accelerations acc = (q1'', q2'') under joint torques/forces tau1, tau2 at the
// state x with its rigidtrig values: (M + diag(IM)) q'' = tau - C - G.
template <class S>
inline void rigidaccelerations(const RigidTerms &t, S tau1, S tau2, const S x[4], const S trig[4], S acc[2]) {
    RigidStateOf<S> s;
    rigidstate(t, x, trig, s);
    const S D11 = s.M[0][0] + t.IM1, D22 = s.M[1][1] + t.IM2, D12 = s.M[0][1];
    const S r1 = tau1 - s.C[0] - s.G[0], r2 = tau2 - s.C[1] - s.G[1];
    const S det = D11 * D22 - D12 * D12;
    acc[0] = (D22 * r1 - D12 * r2) / det;
    acc[1] = (D11 * r2 - D12 * r1) / det;
}
