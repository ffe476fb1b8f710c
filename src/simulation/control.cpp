#include "simulation/control.h"

#include <cmath>

#include "records/records.h"
#include "simulation/dynamics.h"

namespace {

// Number of bang-bang phases; phase LASTPHASE means the servo holds the goal.
constexpr int LASTPHASE = 4;

// Distance a run starts from, larger than any phase-plane distance of a real
// motion, so the first evaluation of a run never counts as moving away.
constexpr double DSTART = 1000.0;

// Smallest time between two joint-1 evaluations for a phase to end [s]: the
// repeated evaluations at one stage time (and the logging evaluation at the end
// of a step) must not end a phase twice. The SCARA robot asks for joint 1 twice
// per stage, hence its wider margin.
constexpr double EPSCYL = 0.0001;
constexpr double EPSSCARA = 0.0005;

// Servo commands smaller than this [N m or N] pass the saturation untouched.
constexpr double UQUIET = 0.0001;

// Index 0 or 1 of joint 1 or 2 in the per-joint tables.
int jointindex(int joint) { return joint == 2 ? 1 : 0; }

// Bang-bang torque of joint index j in phase k: the designed sign at the active limit.
double bangbang(char robot, int k, int j) {
    return controltables(robot).sgn[k][j] * jointlimit(robot, app.sgnG, j);
}

// PID servo toward the goal phif, saturated at the joint's limit.
double servo(char robot, int joint, const double *x) {
    const RobotParams &p = robotparams(robot);
    const int j = jointindex(joint);
    const double u = p.Kp[j] * (p.phif[j] - x[j]) - p.Kd[j] * x[2 + j] + p.Ki[j] * x[4 + j];
    return torquelimit(robot, app.sgnG, joint, u);
}

// Phase of the clock-driven law at time t: each switching time already belongs
// to the following phase; LASTPHASE from the final time on.
int clockphase(const ControlTables &c, double t) {
    int k = 0;
    while (k < LASTPHASE && t >= c.ts[k]) ++k;
    return k;
}

// Phase-plane distance of the state x from the switching state that ends phase
// k; velocities are weighed by 1/wn so that they count like displacements.
double switchdistance(const ControlTables &c, int k, const double *x) {
    const double e1 = x[0] - c.swRefPos[k][0];
    const double e2 = x[1] - c.swRefPos[k][1];
    const double e3 = x[2] - c.swRefVel[k][0];
    const double e4 = x[3] - c.swRefVel[k][1];
    return std::sqrt(e1 * e1 + e3 * e3 / (task.wn1 * task.wn1)) +
           std::sqrt(e2 * e2 + e4 * e4 / (task.wn2 * task.wn2));
}

// Ends the current SOTOC phase of robot index r at time t, noting how.
void endphase(int r, double t, bool byFallback) {
    sotoc.tEnd[r][sotoc.phase] = t;
    sotoc.byFallback[r][sotoc.phase] = byFallback;
    ++sotoc.phase;
}

// Joint 1 under SOTOC: the evaluation that ends a phase once the closest approach
// to its switching state has just been passed within task.dNear of it, or once the
// fallback instant task.tFallback after the phase's designed end has come, and that
// keeps the bookkeeping.
double sotocjoint1(char robot, double t, const double *x) {
    const int r = robotindex(robot);
    if (sotoc.phase < LASTPHASE) {
        const ControlTables &c = controltables(robot);
        const double D = switchdistance(c, sotoc.phase, x);
        const double eps = robot == ROBOTSCARA ? EPSSCARA : EPSCYL;
        if (std::fabs(t - sotoc.tprev) > eps) {
            if (D > sotoc.dprev[r] && D < task.dNear)
                endphase(r, t, false);
            else if (t >= c.ts[sotoc.phase] + task.tFallback)
                endphase(r, t, true);
        }
        sotoc.tfsotoc[r] = sotoc.phase == LASTPHASE ? t : 0.0;
        if (sotoc.phase < LASTPHASE) {
            sotoc.dprev[r] = D;
            sotoc.tprev = t;
            return bangbang(robot, sotoc.phase, 0);
        }
    }
    return servo(robot, 1, x);
}

}  // namespace

double controltorque(char robot, char ctrl, int joint, double t, const double *x) {
    if (t == 0.0) {
        sotoc.dprev[0] = DSTART;
        sotoc.dprev[1] = DSTART;
        sotoc.tprev = 0.0;
        for (int r = 0; r < 2; ++r)
            for (int k = 0; k < LASTPHASE; ++k) {
                sotoc.tEnd[r][k] = 0.0;
                sotoc.byFallback[r][k] = false;
            }
    }
    const int j = jointindex(joint);
    if (ctrl == CTRLSOTOC) {
        if (j == 0) return sotocjoint1(robot, t, x);
        return sotoc.phase < LASTPHASE ? bangbang(robot, sotoc.phase, 1) : servo(robot, joint, x);
    }
    const int k = clockphase(controltables(robot), t);
    return k < LASTPHASE ? bangbang(robot, k, j) : servo(robot, joint, x);
}

double torquelimit(char robot, char gravity, int joint, double u) {
    if (std::fabs(u) < UQUIET) return u;
    const double L = jointlimit(robot, gravity, jointindex(joint));
    return std::fabs(u) > L ? L * u / std::fabs(u) : u;
}

double errorrate(char robot, char ctrl, int joint, double t, const double *x) {
    const bool servoing = ctrl == CTRLSOTOC ? sotoc.phase >= LASTPHASE : t > controltables(robot).ts[3];
    if (!servoing) return 0.0;
    const int j = jointindex(joint);
    return robotparams(robot).phif[j] - x[j];
}
