#include "simulation/simulation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "simulation/control.h"
#include "simulation/integrator.h"
#include "simulation/sensing.h"

namespace {

// Integration steps per logged sample.
constexpr int SUBSTEPS = 10;

// Components of the simulation state: q1, q2, q1', q2', z1, z2.
constexpr int NSTATE = 6;

// Last row a run writes: nStep, kept inside the log whatever nStep holds.
int lastrow() { return std::max(0, std::min(task.nStep, MAXSAMPLES - 1)); }

// Copies rows 0..last of a table of joint pairs.
void copyrows(const double (*from)[2], double (*to)[2], int last) {
    std::memcpy(to, from, sizeof from[0] * (last + 1));
}

// The joint state q1, q2, q1', q2' of the selected robot at time `until` from the
// integration state y at time t, by one partial step on a copy: the SOTOC
// bookkeeping is put back as it was. The step ends one rounding step short of
// `until`, so that a torque that changes at that instant (the clock-driven law at
// its final time) acts on the interval before it as it does in the motion.
void stateat(double t, double until, const double *y, double out[4]) {
    const SotocBook kept = sotoc;
    double yout[NSTATE];
    const double end = std::nextafter(until, t);
    rkgstep(app.type, app.ctrlType, t, end - t, y, yout, NSTATE);
    sotoc = kept;
    std::copy(yout, yout + 4, out);
}

// Fraction of an integration step within which a control instant counts as
// reached: k * period and the step clock, both rounded, meet within it [-].
constexpr double STEPSLACK = 1e-6;

// The sampled controller of one run: what it senses, what it holds, and its next
// control instant.
struct SampledRun {
    Sensor sensor;
    HeldControl held;
    int next;  // the next control instant is next * period
};

// The sampled controller of the selected robot for a run from the records.
SampledRun sampledrun() {
    const RobotParams &p = robotparams(app.type);
    SampledRun c = {};
    Sensor &s = c.sensor;
    s.period = task.controlPeriod;
    s.step[0] = countstep(task.encoderCounts[0], p.u1);
    s.step[1] = countstep(task.encoderCounts[1], p.u2);
    s.differenced = std::isfinite(task.encoderCounts[0]) || std::isfinite(task.encoderCounts[1]);
    std::copy(task.noiseSd, task.noiseSd + 4, s.sd);
    s.seed = static_cast<uint64_t>(task.seed);
    s.delay = task.delay;
    return c;
}

// Every control instant up to time t (within STEPSLACK of the step h), with the
// state y at t: the readings and the torques held from then on.
void controlinstants(SampledRun &c, double t, double h, const double *y) {
    while (c.next * c.sensor.period <= t + STEPSLACK * h) {
        const double tk = c.next * c.sensor.period;
        double r[4];
        readsensor(c.sensor, c.next, tk, y, r);
        sampledcontrol(app.type, app.ctrlType, c.next, tk, r, y + 4, c.held);
        ++c.next;
    }
}

// Integrates y from t over one step to t + h under the sampled controller, ending
// a piece of it at every control instant inside; the designed final time tf is
// noted on the way as simulate notes it.
void sampledstep(SampledRun &c, double t, double h, double tf, double *y, bool &designedInSpan) {
    const double tstep = t + h;
    while (t < tstep) {
        const double instant = c.next * c.sensor.period;
        const double end = instant < tstep - STEPSLACK * h ? instant : tstep;
        double yout[NSTATE];
        if (!designedInSpan && tf <= end) {
            heldstep(app.type, c.held, t, tf - t, y, yout, NSTATE);
            std::copy(yout, yout + 4, robotruns(app.type).work.xDesigned);
            designedInSpan = true;
        }
        heldstep(app.type, c.held, t, end - t, y, yout, NSTATE);
        std::copy(yout, yout + NSTATE, y);
        t = end;
        if (c.sensor.delay > 0.0) remember(c.sensor.past, t, y);
        controlinstants(c, t, h, y);
    }
}

// simulate with the sampled controller (task.controlPeriod finite): the torques
// held between control instants are the ones logged.
void simulatesampled() {
    const double h = task.dt / SUBSTEPS;
    const RobotParams &p = robotparams(app.type);
    double x[NSTATE] = {p.phi0[0], p.phi0[1], 0.0, 0.0, 0.0, 0.0};
    RunLog &w = robotruns(app.type).work;
    const double tf = controltables(app.type).ts[3];
    bool designedInSpan = false;
    SampledRun c = sampledrun();
    if (c.sensor.delay > 0.0) remember(c.sensor.past, 0.0, x);
    sotoc.phase = 0;
    controlinstants(c, 0.0, h, x);
    logrow(0, x, c.held.u);
    double tsamp = 0.0;
    for (int i = 1; i <= lastrow(); ++i) {
        double t = tsamp;
        for (int s = 0; s < SUBSTEPS; ++s) {
            sampledstep(c, t, h, tf, x, designedInSpan);
            t = t + h;
        }
        tsamp = tsamp + task.dt;
        logrow(i, x, c.held.u);
    }
    std::copy(x, x + 4, w.xLast);
    w.designedInSpan = designedInSpan;
}

}  // namespace

void tipposition(char robot, const double q[2], double P[2]) {
    if (robot == ROBOTSCARA) {
        const RobotParams &p = scara;
        P[0] = p.L1 * std::cos(q[0]) + p.L2 * std::cos(q[0] + q[1]);
        P[1] = p.L1 * std::sin(q[0]) + p.L2 * std::sin(q[0] + q[1]);
    } else {
        P[0] = q[1] * std::cos(q[0]);
        P[1] = q[1] * std::sin(q[0]);
    }
}

void tipvelocity(char robot, const double x[4], double V[2]) {
    const double q1 = x[0], q2 = x[1], dq1 = x[2], dq2 = x[3];
    if (robot == ROBOTSCARA) {
        const RobotParams &p = scara;
        const double dq12 = dq1 + dq2;
        V[0] = -p.L1 * std::sin(q1) * dq1 - p.L2 * std::sin(q1 + q2) * dq12;
        V[1] = p.L1 * std::cos(q1) * dq1 + p.L2 * std::cos(q1 + q2) * dq12;
    } else {
        V[0] = dq2 * std::cos(q1) - q2 * std::sin(q1) * dq1;
        V[1] = dq2 * std::sin(q1) + q2 * std::cos(q1) * dq1;
    }
}

void logrow(int i, const double *x, const double tau[2]) {
    RunLog &w = robotruns(app.type).work;
    w.fi[i][0] = x[0];
    w.fi[i][1] = x[1];
    tipposition(app.type, x, w.P[i]);
    w.tau[i][0] = tau[0];
    w.tau[i][1] = tau[1];
}

void logsample(int i, const double *x) {
    const double t = i * task.dt;
    double tau[2];
    tau[0] = controltorque(app.type, app.ctrlType, 1, t, x);
    tau[1] = controltorque(app.type, app.ctrlType, 2, t, x);
    logrow(i, x, tau);
}

int simulate() {
    if (std::isfinite(task.controlPeriod) && task.controlPeriod > 0.0) {
        simulatesampled();
        return 1;
    }
    const double h = task.dt / SUBSTEPS;
    double tsamp = 0.0;
    const RobotParams &p = robotparams(app.type);
    double x[NSTATE] = {p.phi0[0], p.phi0[1], 0.0, 0.0, 0.0, 0.0};
    RunLog &w = robotruns(app.type).work;
    const double tf = controltables(app.type).ts[3];
    bool designedInSpan = false;
    logsample(0, x);
    // A SOTOC run starts in phase 0 only after sample 0: the logging evaluations
    // at t = 0 see the phase the previous run left.
    sotoc.phase = 0;
    const int last = lastrow();
    for (int i = 1; i <= last; ++i) {
        // The step clock restarts from the sample clock; both advance by addition.
        double t = tsamp;
        double y[NSTATE], yout[NSTATE];
        std::copy(x, x + NSTATE, y);
        for (int s = 0; s < SUBSTEPS; ++s) {
            if (!designedInSpan && tf <= t + h) {
                stateat(t, tf, y, w.xDesigned);
                designedInSpan = true;
            }
            rkgstep(app.type, app.ctrlType, t, h, y, yout, NSTATE);
            std::copy(yout, yout + NSTATE, y);
            t = t + h;
        }
        std::copy(y, y + NSTATE, x);
        tsamp = tsamp + task.dt;
        logsample(i, x);
    }
    std::copy(x, x + 4, w.xLast);
    w.designedInSpan = designedInSpan;
    return 1;
}

void keeprun(RunLog &slot) {
    const RunLog &w = robotruns(app.type).work;
    const int last = lastrow();
    copyrows(w.fi, slot.fi, last);
    copyrows(w.P, slot.P, last);
    copyrows(w.tau, slot.tau, last);
    std::copy(w.xDesigned, w.xDesigned + 4, slot.xDesigned);
    slot.designedInSpan = w.designedInSpan;
    std::copy(w.xLast, w.xLast + 4, slot.xLast);
}
