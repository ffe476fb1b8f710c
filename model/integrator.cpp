#include "model/integrator.h"

#include "model/control.h"
#include "model/dynamics.h"

namespace {

// Acceleration of joint index j (0, 1) under the controller's torques. The
// cylindrical robot's joint-j equation uses only that joint's torque, so only it
// is asked for; the SCARA robot's coupled equations need both torques, asked for
// joint 1 first, then joint 2, at each of its two acceleration components.
double acceleration(char robot, char ctrl, int j, double t, const double *x) {
    double tau[2] = {0.0, 0.0};
    if (robot == ROBOTSCARA) {
        tau[0] = controltorque(robot, ctrl, 1, t, x);
        tau[1] = controltorque(robot, ctrl, 2, t, x);
    } else {
        tau[j] = controltorque(robot, ctrl, j + 1, t, x);
    }
    double acc[2];
    dynamics(robot, tau[0], tau[1], x[0], x[1], x[2], x[3], acc);
    return acc[j];
}

}  // namespace

double derivative(char robot, char ctrl, int i, double t, const double *x) {
    switch (i) {
    case 0: return x[2];
    case 1: return x[3];
    case 2: return acceleration(robot, ctrl, 0, t, x);
    case 3: return acceleration(robot, ctrl, 1, t, x);
    case 4: return errorrate(robot, ctrl, 1, t, x);
    case 5: return errorrate(robot, ctrl, 2, t, x);
    default: return 0.0;  // components beyond the robot state stay constant
    }
}

void rkgstep(char robot, char ctrl, double t, double h, const double *x, double *xout, int n) {
    gillstep([robot, ctrl](int i, double ts, const double *y) { return derivative(robot, ctrl, i, ts, y); },
             t, h, x, xout, n);
}
