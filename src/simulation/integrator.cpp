#include "simulation/integrator.h"

#include <cstring>

#include "records/records.h"
#include "simulation/control.h"
#include "simulation/dynamics.h"

namespace {

// Sines and cosines of the last state the dynamics were solved at. Within one
// stage, components 2 and 3 solve them at the same state, so the second reuses
// the first's values (the state is compared bit for bit).
struct StateTrig {
    bool valid;      // trig holds the values for q
    double q[2];     // joint displacements the values belong to
    double trig[4];  // motiontrig of that state
};

bool samestate(const StateTrig &last, const double *x) {
    return last.valid && std::memcmp(last.q, x, sizeof last.q) == 0;
}

// Acceleration of joint index j (0, 1) under the torques tau, with the trig values
// of the last solved state.
double heldacceleration(char robot, int j, const double tau[2], const double *x, StateTrig &last) {
    MotionTerms m;
    motionterms(robot, m);
    if (!samestate(last, x)) {
        motiontrig(m, x, last.trig);
        last.q[0] = x[0];
        last.q[1] = x[1];
        last.valid = true;
    }
    double acc[2];
    accelerations(m, tau[0], tau[1], x, last.trig, acc);
    return acc[j];
}

// Acceleration of joint index j (0, 1) under the controller's torques. The
// cylindrical robot's joint-j equation uses only that joint's torque, so only it
// is asked for; the SCARA robot's coupled equations need both torques, asked for
// joint 1 first, then joint 2, at each of its two acceleration components.
double acceleration(char robot, char ctrl, int j, double t, const double *x, StateTrig &last) {
    double tau[2] = {0.0, 0.0};
    if (robot == ROBOTSCARA) {
        tau[0] = controltorque(robot, ctrl, 1, t, x);
        tau[1] = controltorque(robot, ctrl, 2, t, x);
    } else {
        tau[j] = controltorque(robot, ctrl, j + 1, t, x);
    }
    return heldacceleration(robot, j, tau, x, last);
}

// Component i of the derivative, with the trig values of the last solved state.
double stagederivative(char robot, char ctrl, int i, double t, const double *x, StateTrig &last) {
    switch (i) {
    case 0: return x[2];
    case 1: return x[3];
    case 2: return acceleration(robot, ctrl, 0, t, x, last);
    case 3: return acceleration(robot, ctrl, 1, t, x, last);
    case 4: return errorrate(robot, ctrl, 1, t, x);
    case 5: return errorrate(robot, ctrl, 2, t, x);
    default: return 0.0;  // components beyond the robot state stay constant
    }
}

// Component i of the derivative under the held torques and integral rates.
double heldderivative(char robot, const HeldControl &held, int i, const double *x, StateTrig &last) {
    if (i == 2 || i == 3) return heldacceleration(robot, i - 2, held.u, x, last);
    if (i == 4 || i == 5) return held.zrate[i - 4];
    return i < 2 ? x[2 + i] : 0.0;
}

}  // namespace

double derivative(char robot, char ctrl, int i, double t, const double *x) {
    StateTrig none = {};
    return stagederivative(robot, ctrl, i, t, x, none);
}

void rkgstep(char robot, char ctrl, double t, double h, const double *x, double *xout, int n) {
    StateTrig last = {};
    gillstep([robot, ctrl, &last](int i, double ts, const double *y) {
        return stagederivative(robot, ctrl, i, ts, y, last);
    }, t, h, x, xout, n);
}

void heldstep(char robot, const HeldControl &held, double t, double h, const double *x, double *xout, int n) {
    StateTrig last = {};
    gillstep([robot, &held, &last](int i, double, const double *y) {
        return heldderivative(robot, held, i, y, last);
    }, t, h, x, xout, n);
}
