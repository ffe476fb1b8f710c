#include "planning/design.h"

#include <cmath>

#include "core/records.h"
#include "model/control.h"
#include "model/dynamics.h"
#include "model/integrator.h"
#include "planning/designparts.h"
#include "planning/matrix.h"

namespace {

// Share of the double-integrator time of joint 1 taken as the cold-start final
// time: the coupled, torque-limited move of both joints is guessed shorter than
// the single-joint estimate, and the Newton iteration stretches it as needed.
constexpr double COLDTFSHARE = 0.6;

// Length (sumabs) of every Newton update while the Newton direction is at least
// 1 long: far from the solution the linearisation is poor, so the iteration creeps [s].
constexpr double NEWTONCAP = 0.05;

// Below the cap, the update is the Newton direction times a fixed factor chosen by
// the direction's length: damped at first, the full step only in the last approach.
struct StepBand {
    double nmin;    // smallest direction length of the band [s]
    double factor;  // step factor [-]
};
constexpr StepBand STEPBANDS[] = {{0.1, 0.05}, {0.01, 0.5}, {0.001, 0.2}, {0.0001, 0.5}};

// Integrates segments first..3 of shot, whose boundaries and signs are set, from
// the state held at trace sample first * NSEG. Each segment restarts its clock at
// its exact start boundary; a segment that ends before it starts gets a negative step.
void integratesegments(DesignShot &shot, int first) {
    double acc[2];
    for (int k = first; k < 4; ++k) {
        const int *sign = shot.wsgn[k];
        // Components 2 and 3 of one stage need the same accelerations at the same
        // stage state (the step asks 0..3 in order per stage): solve the dynamics
        // once at 2 and hand its second acceleration out at 3.
        auto rates = [&](int i, double, const double *y) -> double {
            if (i == 0) return y[2];
            if (i == 1) return y[3];
            if (i == 2) {
                designaccel(sign, y, acc);
                return acc[0];
            }
            return acc[1];
        };
        const double start = k == 0 ? 0.0 : shot.tb[k - 1];
        const double h = (shot.tb[k] - start) / NSEG;
        double t = start;
        for (int step = 0; step < NSEG; ++step) {
            const int s = k * NSEG + step;
            gillstep(rates, t, h, &shot.trace[s][1], &shot.trace[s + 1][1], 4);
            t = t + h;
            shot.trace[s + 1][0] = t;
        }
    }
}

// First segment whose boundaries or signs differ between two shots (4 when none).
// Everything before it was integrated identically in both.
int firstchangedsegment(const DesignShot &a, const DesignShot &b) {
    for (int k = 0; k < 4; ++k)
        if (a.tb[k] != b.tb[k] || a.wsgn[k][0] != b.wsgn[k][0] || a.wsgn[k][1] != b.wsgn[k][1]) return k;
    return 4;
}

// Shot of x that takes over from `base` every segment the two have in common and
// integrates only the rest: the same operations on the same values as a full shot.
void reshoot(const double x[4], int sigma1, int sigma2, const DesignShot &base, DesignShot &shot) {
    ordertimes(x, sigma1, sigma2, shot.tb, shot.wsgn);
    const int first = firstchangedsegment(base, shot);
    const int kept = first < 4 ? first * NSEG + 1 : NTRACE;
    for (int s = 0; s < kept; ++s)
        for (int c = 0; c < 5; ++c) shot.trace[s][c] = base.trace[s][c];
    integratesegments(shot, first);
}

const double *endstate(const DesignShot &shot) { return &shot.trace[NTRACE - 1][1]; }

// Forward-difference Jacobian of the end state with respect to the design vector x,
// whose own shot is `base`, inverted in place (left as it is when nearly singular,
// and then used as it is). Row i is state component i, column j design variable j.
void jacobian(const double x[4], int sigma1, int sigma2, const DesignShot &base, DesignShot &probe,
              double M[4][4]) {
    const double *e0 = endstate(base);
    for (int j = 0; j < 4; ++j) {
        double xp[4] = {x[0], x[1], x[2], x[3]};
        xp[j] = xp[j] + DJAC;
        reshoot(xp, sigma1, sigma2, base, probe);
        const double *ej = endstate(probe);
        for (int i = 0; i < 4; ++i) M[i][j] = (ej[i] - e0[i]) / DJAC;
    }
    invertmatrix(4, &M[0][0], 4);
}

// Design vector to start both trials from: cold, the bang-bang time of joint 1 as
// a double integrator with its inertia at the start pose; warm, the robot's stored
// switching times taken by role as they stand.
void initialguess(double g[4]) {
    if (app.designErr == DESIGNERROR) {
        const ControlTables &tables = controltables(app.type);
        for (int i = 0; i < 4; ++i) g[i] = tables.ts[i];
        return;
    }
    const RobotParams &p = robotparams(app.type);
    double J;
    if (app.type == ROBOTSCARA) {
        const double lever = p.L1 + p.L2 * std::cos(p.phi0[1]);
        J = task.mw * lever * lever + p.IM1 + p.IJ1;
    } else {
        J = task.mw * p.phi0[1] * p.phi0[1] + p.IM1;
    }
    // Always the horizontal-motion limit, also for vertical motion.
    const double tfg = 2.0 * std::sqrt(std::fabs(p.phif[0] - p.phi0[0]) * J / p.T1max);
    const double T = COLDTFSHARE * tfg;
    g[0] = 0.25 * T;
    g[1] = 0.5 * T;
    g[2] = 0.75 * T;
    g[3] = T;
}

// Writes the chosen trial into the robot's control tables and the switching states.
void storedesign(const DesignTrial &trial) {
    ControlTables &tables = controltables(app.type);
    for (int k = 0; k < 4; ++k) {
        tables.ts[k] = trial.shot.tb[k];
        const double *state = &trial.shot.trace[(k + 1) * NSEG][1];
        for (int j = 0; j < 2; ++j) {
            tables.sgn[k][j] = trial.shot.wsgn[k][j];
            designs.segpos[k][j] = state[j];
            designs.segvel[k][j] = state[2 + j];
        }
    }
}

void setrows(int wsgn[4][2], int r1a, int r1b, int r2a, int r2b, int r3a, int r3b) {
    wsgn[1][0] = r1a;
    wsgn[1][1] = r1b;
    wsgn[2][0] = r2a;
    wsgn[2][1] = r2b;
    wsgn[3][0] = r3a;
    wsgn[3][1] = r3b;
}

}  // namespace

void ordertimes(const double x[4], int sigma1, int sigma2, double tb[4], int wsgn[4][2]) {
    tb[3] = x[3];
    wsgn[0][0] = sigma1;
    wsgn[0][1] = sigma2;
    // Joint 1 switches between the two joint-2 switches. This also stands when an
    // instant is not a number and no comparison holds, so every entry is set.
    tb[0] = x[0];
    tb[1] = x[1];
    tb[2] = x[2];
    setrows(wsgn, sigma1, -sigma2, -sigma1, -sigma2, -sigma1, sigma2);
    if (x[1] <= x[0]) {  // joint 1 switches first
        tb[0] = x[1];
        tb[1] = x[0];
        tb[2] = x[2];
        setrows(wsgn, -sigma1, sigma2, -sigma1, -sigma2, -sigma1, sigma2);
    }
    if (x[2] <= x[1]) {  // joint 1 switches last; overrides the case above
        tb[0] = x[0];
        tb[1] = x[2];
        tb[2] = x[1];
        setrows(wsgn, sigma1, -sigma2, sigma1, sigma2, -sigma1, sigma2);
    }
}

void shoot(const double x[4], const double s0[4], int sigma1, int sigma2, DesignShot &shot) {
    ordertimes(x, sigma1, sigma2, shot.tb, shot.wsgn);
    shot.trace[0][0] = 0.0;
    for (int c = 0; c < 4; ++c) shot.trace[0][1 + c] = s0[c];
    integratesegments(shot, 0);
}

double sumabs(int n, const double *v) {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s = s + std::fabs(v[i]);
    return s;
}

double stepfactor(double n) {
    if (n >= 1.0) return NEWTONCAP / n;
    for (const StepBand &band : STEPBANDS)
        if (n >= band.nmin) return band.factor;
    return 1.0;
}

TrialVerdict trialverdict(const double x[4], bool converged) {
    if (!converged) return TRIALNOTCONVERGED;
    // A not-a-number instant fails these comparisons too.
    if (!(x[0] >= 0.0 && x[1] >= 0.0 && x[2] >= 0.0)) return TRIALNEGATIVETIME;
    if (x[2] > x[3]) return TRIALORDER;
    return TRIALACCEPTED;
}

double trialfinaltime(const double x[4], bool converged) {
    return trialverdict(x, converged) == TRIALACCEPTED ? x[3] : TFFAIL;
}

int choosetrial(double tfA, double tfB) {
    if (tfA > TFACCEPT && tfB > TFACCEPT) return -1;
    return tfA < tfB ? 0 : 1;
}

void runtrial(const double g[4], const double s0[4], const double sf[4], int sigma1, int sigma2,
              DesignTrial &trial) {
    DesignShot probe;
    double M[4][4];
    for (int i = 0; i < 4; ++i) trial.x[i] = g[i];
    trial.iterations = 0;
    bool converged = false;
    bool notanumber = false;
    for (;;) {
        shoot(trial.x, s0, sigma1, sigma2, trial.shot);
        const double *end = endstate(trial.shot);
        double e[4];
        for (int i = 0; i < 4; ++i) e[i] = sf[i] - end[i];
        const double E = sumabs(4, e);
        if (E < TOLDESIGN) {
            converged = true;
            break;
        }
        // A residual that is not a number (a target out of reach, a shot that blew
        // up) cannot recover: the trial fails at once.
        if (std::isnan(E)) {
            notanumber = true;
            break;
        }
        jacobian(trial.x, sigma1, sigma2, trial.shot, probe, M);
        double d[4];
        for (int i = 0; i < 4; ++i) d[i] = M[i][0] * e[0] + M[i][1] * e[1] + M[i][2] * e[2] + M[i][3] * e[3];
        const double lambda = stepfactor(sumabs(4, d));
        for (int i = 0; i < 4; ++i) trial.x[i] = trial.x[i] + lambda * d[i];
        trial.iterations = trial.iterations + 1;
        if (trial.iterations >= MAXITER) break;
    }
    trial.tf = trialfinaltime(trial.x, converged);
    trial.verdict = notanumber ? TRIALNOTANUMBER : trialverdict(trial.x, converged);
}

void designtrials(DesignTrial trials[2]) {
    const RobotParams &p = robotparams(app.type);
    const double s0[4] = {p.phi0[0], p.phi0[1], 0.0, 0.0};
    const double sf[4] = {p.phif[0], p.phif[1], 0.0, 0.0};
    double g[4];
    initialguess(g);
    // Joint 1 starts towards its goal; a zero or not-a-number distance counts as negative.
    const int sigma1 = p.phif[0] - p.phi0[0] > 0.0 ? 1 : -1;
    runtrial(g, s0, sf, sigma1, -1, trials[0]);
    runtrial(g, s0, sf, sigma1, 1, trials[1]);
}

int designswitching() {
    DesignTrial trials[2];
    designtrials(trials);
    const int chosen = choosetrial(trials[0].tf, trials[1].tf);
    designs.chosen = chosen;
    for (int i = 0; i < 2; ++i) {
        TrialOutcome &o = designs.trial[i];
        for (int k = 0; k < 4; ++k) o.x[k] = trials[i].x[k];
        o.tf = trials[i].tf;
        o.iterations = trials[i].iterations;
        o.verdict = trials[i].verdict;
    }
    if (chosen < 0) return 0;
    storedesign(trials[chosen]);
    return 1;
}
