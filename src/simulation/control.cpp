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

// Fraction of the control period by which an instant may fall short of a designed
// switching time and still apply it: k * period rounds within it [-].
constexpr double INSTANTSLACK = 1e-9;

// Index 0 or 1 of joint 1 or 2 in the per-joint tables.
int jointindex(int joint) { return joint == 2 ? 1 : 0; }

// Bang-bang torque of joint index j in phase k: the designed sign at the active limit.
double bangbang(char robot, int k, int j) {
    return controltables(robot).sgn[k][j] * jointlimit(robot, app.sgnG, j);
}

// PID command toward the goal phif before the saturation, from the state (or the
// readings) x with the integrals at x[4], x[5].
double servocommand(char robot, int joint, const double *x) {
    const RobotParams &p = robotparams(robot);
    const int j = jointindex(joint);
    return p.Kp[j] * (p.phif[j] - x[j]) - p.Kd[j] * x[2 + j] + p.Ki[j] * x[4 + j];
}

// PID servo toward the goal phif, saturated at the joint's limit.
double servo(char robot, int joint, const double *x) {
    return torquelimit(robot, app.sgnG, joint, servocommand(robot, joint, x));
}

// Rate of the servo's error integral of a joint while the servo acts: the error
// e = phif - q, or with anti-windup (conditional integration) 0 while the command
// u saturates, |u| > limit, and e drives it further, e u > 0.
double integralrate(char robot, int joint, const double *x) {
    const int j = jointindex(joint);
    const double e = robotparams(robot).phif[j] - x[j];
    if (!task.antiwindup) return e;
    const double u = servocommand(robot, joint, x);
    const bool saturated = std::fabs(u) > jointlimit(robot, app.sgnG, j);
    return saturated && e * u > 0.0 ? 0.0 : e;
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

// Ends the current SOTOC phase of robot index r at time t (control instant k, 0
// for a controller without one), noting how.
void endphase(int r, double t, bool byFallback, int k = 0) {
    sotoc.tEnd[r][sotoc.phase] = t;
    sotoc.byFallback[r][sotoc.phase] = byFallback;
    sotoc.instant[r][sotoc.phase] = k;
    ++sotoc.phase;
}

// Puts the SOTOC bookkeeping in its state at the start of a run.
void resetbook() {
    sotoc.dprev[0] = DSTART;
    sotoc.dprev[1] = DSTART;
    sotoc.tprev = 0.0;
    for (int r = 0; r < 2; ++r)
        for (int k = 0; k < LASTPHASE; ++k) {
            sotoc.tEnd[r][k] = 0.0;
            sotoc.byFallback[r][k] = false;
            sotoc.instant[r][k] = 0;
        }
}

// SOTOC's rule at control instant k (time tk) on the readings r: ends the phase
// once the closest approach to its switching state has just been passed within
// task.dNear of it, or at the fallback instant.
void sampledrule(char robot, int k, double tk, const double *r) {
    const int i = robotindex(robot);
    if (sotoc.phase >= LASTPHASE) return;
    const ControlTables &c = controltables(robot);
    const double D = switchdistance(c, sotoc.phase, r);
    if (D > sotoc.dprev[i] && D < task.dNear)
        endphase(i, tk, false, k);
    else if (tk >= c.ts[sotoc.phase] + task.tFallback)
        endphase(i, tk, true, k);
    if (sotoc.phase == LASTPHASE) sotoc.tfsotoc[i] = tk;
    sotoc.dprev[i] = D;
}

// Phase of the clock-driven law at control instant tk: a switching time counts as
// come when tk reaches it within INSTANTSLACK of the period.
int sampledphase(const ControlTables &c, double tk) {
    int k = 0;
    while (k < LASTPHASE && tk >= c.ts[k] - INSTANTSLACK * task.controlPeriod) ++k;
    return k;
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
    if (t == 0.0) resetbook();
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
    return integralrate(robot, joint, x);
}

void sampledcontrol(char robot, char ctrl, int k, double tk, const double r[4], const double z[2],
                    HeldControl &held) {
    if (k == 0) resetbook();
    int phase;
    if (ctrl == CTRLSOTOC) {
        sampledrule(robot, k, tk, r);
        phase = sotoc.phase;
    } else {
        phase = sampledphase(controltables(robot), tk);
    }
    const double x[6] = {r[0], r[1], r[2], r[3], z[0], z[1]};
    for (int joint = 1; joint <= 2; ++joint) {
        const int j = jointindex(joint);
        const bool servoing = phase >= LASTPHASE;
        held.u[j] = servoing ? servo(robot, joint, x) : bangbang(robot, phase, j);
        held.zrate[j] = servoing ? integralrate(robot, joint, x) : 0.0;
    }
}
