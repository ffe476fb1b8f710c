#include "simulation/rigidbody.h"

#include "records/records.h"

namespace {

// Inertia of link j about its frame's origin, by the parallel-axis rule [kg m^2].
double aboutorigin(const ArmBodies &b, int j) {
    return b.I[j] + b.m[j] * (b.c[j][0] * b.c[j][0] + b.c[j][1] * b.c[j][1]);
}

void scaraterms(const ArmBodies &b, RigidTerms &t) {
    // Link 2 with the payload: its mass, first moment and inertia about joint 2.
    const double M2 = b.m[1] + b.mw;
    const double sx = b.m[1] * b.c[1][0] + b.mw * b.L2, sy = b.m[1] * b.c[1][1];
    t.I2 = aboutorigin(b, 1) + b.mw * b.L2 * b.L2;
    t.M11c = aboutorigin(b, 0) + t.I2 + M2 * b.L1 * b.L1;
    t.hx = b.L1 * sx;
    t.hy = b.L1 * sy;
    t.gc1 = GRAVITY * (b.m[0] * b.c[0][0] + M2 * b.L1);
    t.gs1 = GRAVITY * b.m[0] * b.c[0][1];
    t.gc2 = GRAVITY * sx;
    t.gs2 = GRAVITY * sy;
}

void cylinderterms(const ArmBodies &b, RigidTerms &t) {
    t.M2 = b.m[1] + b.mw;
    t.s2 = b.m[1] * b.c[1][0];
    t.M12 = -b.m[1] * b.c[1][1];
    t.M11r0 = aboutorigin(b, 0) + aboutorigin(b, 1);
    t.gc1 = GRAVITY * (b.m[0] * b.c[0][0] + t.s2);
    t.gs1 = GRAVITY * (b.m[0] * b.c[0][1] + b.m[1] * b.c[1][1]);
    t.gM2 = GRAVITY * t.M2;
}

}  // namespace

RigidTerms rigidterms(const ArmBodies &b, bool gravity) {
    RigidTerms t = {};
    t.scara = b.scara;
    t.gravity = gravity;
    t.IM1 = b.IM[0];
    t.IM2 = b.IM[1];
    if (b.scara)
        scaraterms(b, t);
    else
        cylinderterms(b, t);
    return t;
}
