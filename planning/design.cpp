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

// Shots integrated side by side: lane 0 is the shot of a design vector, lanes
// 1..4 the Jacobian's probes of it, one design variable moved by DJAC each. The
// lanes' operations are independent, so the processor overlaps them; each lane
// gets exactly the operations of its own shot.
constexpr int NLANE = 5;

// One double per lane (three lanes to spare): the vector operators act lane by
// lane with the operation on doubles, so each lane keeps the bits of its own
// scalar evaluation (no contraction into fused multiply-adds under the build's flags).
typedef double Lanes __attribute__((vector_size(8 * sizeof(double))));

// The segment boundaries and signs of every lane. A probe shares the base shot's
// segments before its first changed one and joins the base's state there.
struct LaneSet {
    double tb[NLANE][4];    // segment ends of each lane [s]
    int wsgn[NLANE][4][2];  // torque signs of each lane
    int first[NLANE];       // first segment the lane integrates itself (0 for the base, 4: none)
};

// First segment whose boundaries or signs differ between two orderings (4 when
// none). Everything before it is integrated identically for both.
int firstchangedsegment(const double tba[4], const int wsgna[4][2], const double tbb[4], const int wsgnb[4][2]) {
    for (int k = 0; k < 4; ++k)
        if (tba[k] != tbb[k] || wsgna[k][0] != wsgnb[k][0] || wsgna[k][1] != wsgnb[k][1]) return k;
    return 4;
}

// Lane 0 for the design vector x; the probe lanes only when `probes` is set,
// otherwise they never start.
void setlanes(const double x[4], int sigma1, int sigma2, bool probes, LaneSet &lanes) {
    ordertimes(x, sigma1, sigma2, lanes.tb[0], lanes.wsgn[0]);
    lanes.first[0] = 0;
    for (int j = 0; j < 4; ++j) {
        const int l = j + 1;
        double xp[4] = {x[0], x[1], x[2], x[3]};
        xp[j] = xp[j] + DJAC;
        ordertimes(xp, sigma1, sigma2, lanes.tb[l], lanes.wsgn[l]);
        lanes.first[l] = probes ? firstchangedsegment(lanes.tb[0], lanes.wsgn[0], lanes.tb[l], lanes.wsgn[l]) : 4;
    }
}

// Integrates all lanes, NSEG Runge-Kutta-Gill steps per segment, each segment from
// its exact start boundary (a segment that ends before it starts gets a negative
// step). Lane 0 starts at the rest state s0 and fills shot (boundaries, signs and
// trace); every other lane joins the base's state at the start of its first
// segment, and its end state goes to end[lane]. A lane not integrating a segment
// has step 0 and no forces, so it stands still.
void integratelanes(const MotionTerms &m, const LaneSet &lanes, const double s0[4], DesignShot &shot,
                    double end[NLANE][4]) {
    for (int k = 0; k < 4; ++k) {
        shot.tb[k] = lanes.tb[0][k];
        shot.wsgn[k][0] = lanes.wsgn[0][k][0];
        shot.wsgn[k][1] = lanes.wsgn[0][k][1];
    }
    shot.trace[0][0] = 0.0;
    Lanes y[4] = {};
    for (int c = 0; c < 4; ++c) y[c][0] = shot.trace[0][1 + c] = s0[c];
    const Lanes still = {};
    for (int k = 0; k <= 4; ++k) {
        int active[NLANE], nactive = 0;
        double tau1[NLANE], tau2[NLANE];
        Lanes h = still;
        for (int l = 0; l < NLANE; ++l) {
            if (lanes.first[l] == k && l > 0)
                for (int c = 0; c < 4; ++c) y[c][l] = y[c][0];
            if (k == 4 || lanes.first[l] > k) continue;
            active[nactive++] = l;
            const double start = k == 0 ? 0.0 : lanes.tb[l][k - 1];
            h[l] = (lanes.tb[l][k] - start) / NSEG;
            tau1[l] = lanes.wsgn[l][k][0] * m.T1;
            tau2[l] = lanes.wsgn[l][k][1] * m.T2;
        }
        if (k == 4) break;
        // Components 2 and 3 of one stage need the same accelerations at the same
        // stage state (the step asks 0..3 in order per stage): solve the dynamics
        // once at 2 and hand the second accelerations out at 3.
        Lanes acc1 = still, acc2 = still;
        auto rates = [&](int i, const Lanes &, const Lanes *s) -> Lanes {
            if (i == 0) return s[2];
            if (i == 1) return s[3];
            if (i == 2) {
                for (int a = 0; a < nactive; ++a) {
                    const int l = active[a];
                    const double x[4] = {s[0][l], s[1][l], s[2][l], s[3][l]};
                    double acc[2];
                    accelerations(m, tau1[l], tau2[l], x, acc);
                    acc1[l] = acc[0];
                    acc2[l] = acc[1];
                }
                return acc1;
            }
            return acc2;
        };
        double t = k == 0 ? 0.0 : lanes.tb[0][k - 1];
        for (int step = 0; step < NSEG; ++step) {
            Lanes out[4];
            gillstep(rates, still, h, y, out, 4);
            for (int c = 0; c < 4; ++c) y[c] = out[c];
            t = t + h[0];
            double *sample = shot.trace[k * NSEG + step + 1];
            sample[0] = t;
            for (int c = 0; c < 4; ++c) sample[1 + c] = y[c][0];
        }
    }
    for (int l = 0; l < NLANE; ++l)
        for (int c = 0; c < 4; ++c) end[l][c] = y[c][l];
}

const double *endstate(const DesignShot &shot) { return &shot.trace[NTRACE - 1][1]; }

// The shot of x into `shot` and the end states of its four probes.
void shootwithprobes(const MotionTerms &m, const double x[4], const double s0[4], int sigma1, int sigma2,
                     DesignShot &shot, double end[NLANE][4]) {
    LaneSet lanes;
    setlanes(x, sigma1, sigma2, true, lanes);
    integratelanes(m, lanes, s0, shot, end);
}

// Forward-difference Jacobian of the end state with respect to the design vector,
// from the end states of its shot (lane 0) and probes (lanes 1..4), inverted in
// place (left as it is when nearly singular, and then used as it is). Row i is
// state component i, column j design variable j.
void jacobian(const double end[NLANE][4], double M[4][4]) {
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) M[i][j] = (end[j + 1][i] - end[0][i]) / DJAC;
    invertmatrix(4, &M[0][0], 4);
}

// Design vector to start both trials from: cold, the bang-bang time of joint 1 as
// a double integrator with its inertia at the start pose; warm, the robot's stored
// switching times taken by role as they stand.
void initialguess(double g[4]) {
    if (app.designErr == 'm') {
        const ControlTables &tables = controltables(app.type);
        for (int i = 0; i < 4; ++i) g[i] = tables.ts[i];
        return;
    }
    const RobotParams &p = robotparams(app.type);
    double J;
    if (app.type == 'b') {
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
    MotionTerms m;
    motionterms(app.type, m);
    LaneSet lanes;
    setlanes(x, sigma1, sigma2, false, lanes);
    double end[NLANE][4];
    integratelanes(m, lanes, s0, shot, end);
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

double trialfinaltime(const double x[4], bool converged) {
    if (!converged) return TFFAIL;
    // A not-a-number instant fails these comparisons too.
    if (!(x[0] >= 0.0 && x[1] >= 0.0 && x[2] >= 0.0)) return TFFAIL;
    if (x[2] > x[3]) return TFFAIL;
    return x[3];
}

int choosetrial(double tfA, double tfB) {
    if (tfA > TFACCEPT && tfB > TFACCEPT) return -1;
    return tfA < tfB ? 0 : 1;
}

void runtrial(const double g[4], const double s0[4], const double sf[4], int sigma1, int sigma2,
              DesignTrial &trial) {
    MotionTerms m;
    motionterms(app.type, m);
    double M[4][4], ends[NLANE][4];
    for (int i = 0; i < 4; ++i) trial.x[i] = g[i];
    trial.iterations = 0;
    bool converged = false;
    for (;;) {
        shootwithprobes(m, trial.x, s0, sigma1, sigma2, trial.shot, ends);
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
        if (std::isnan(E)) break;
        jacobian(ends, M);
        double d[4];
        for (int i = 0; i < 4; ++i) d[i] = M[i][0] * e[0] + M[i][1] * e[1] + M[i][2] * e[2] + M[i][3] * e[3];
        const double lambda = stepfactor(sumabs(4, d));
        for (int i = 0; i < 4; ++i) trial.x[i] = trial.x[i] + lambda * d[i];
        trial.iterations = trial.iterations + 1;
        if (trial.iterations >= MAXITER) break;
    }
    trial.tf = trialfinaltime(trial.x, converged);
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
    if (chosen < 0) return 0;
    storedesign(trials[chosen]);
    return 1;
}
