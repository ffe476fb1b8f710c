#include "design/design.h"

#include <cmath>

#include "records/records.h"
#include "simulation/dynamics.h"
#include "simulation/integrator.h"
#include "design/designparts.h"
#include "design/matrix.h"

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

// Advances y over segment k of the boundaries tb with the segment's torque signs:
// NSEG Runge-Kutta-Gill steps from the segment's exact start boundary, with a
// negative step when the segment ends before it starts. With a trace, the state
// after each step and its time go to samples k * NSEG + 1 .. (k + 1) * NSEG.
void integratesegment(const MotionTerms &m, const double tb[4], const int sign[2], int k, double y[4],
                      double (*trace)[5]) {
    const double tau1 = sign[0] * m.T1;
    const double tau2 = sign[1] * m.T2;
    double acc[2];
    // Components 2 and 3 of one stage need the same accelerations at the same
    // stage state (the step asks 0..3 in order per stage): solve the dynamics
    // once at 2 and hand its second acceleration out at 3.
    auto rates = [&](int i, double, const double *s) -> double {
        if (i == 0) return s[2];
        if (i == 1) return s[3];
        if (i == 2) {
            double trig[4] = {0.0, 0.0, 0.0, 0.0};
            motiontrig(m, s, trig);
            accelerations(m, tau1, tau2, s, trig, acc);
            return acc[0];
        }
        return acc[1];
    };
    const double start = k == 0 ? 0.0 : tb[k - 1];
    const double h = (tb[k] - start) / NSEG;
    double t = start;
    for (int step = 0; step < NSEG; ++step) {
        double out[4];
        gillstep(rates, t, h, y, out, 4);
        for (int c = 0; c < 4; ++c) y[c] = out[c];
        t = t + h;
        if (trace) {
            double *sample = trace[k * NSEG + step + 1];
            sample[0] = t;
            for (int c = 0; c < 4; ++c) sample[1 + c] = y[c];
        }
    }
}

// First segment whose boundaries or signs differ between two orderings (4 when
// none). Everything before it is integrated identically for both.
int firstchangedsegment(const double tba[4], const int wsgna[4][2], const double tbb[4], const int wsgnb[4][2]) {
    for (int k = 0; k < 4; ++k)
        if (tba[k] != tbb[k] || wsgna[k][0] != wsgnb[k][0] || wsgna[k][1] != wsgnb[k][1]) return k;
    return 4;
}

// The shot of x from the rest state s0 into `shot`.
void shootwith(const MotionTerms &m, const double x[4], const double s0[4], int sigma1, int sigma2,
               DesignShot &shot) {
    ordertimes(x, sigma1, sigma2, shot.tb, shot.wsgn);
    shot.trace[0][0] = 0.0;
    double y[4];
    for (int c = 0; c < 4; ++c) y[c] = shot.trace[0][1 + c] = s0[c];
    for (int k = 0; k < 4; ++k) integratesegment(m, shot.tb, shot.wsgn[k], k, y, shot.trace);
}

// End state of the shot of x: takes over from `base` the state at the start of
// the first segment the two shots do not share and integrates only the rest, the
// same operations on the same values as a full shot.
void probeend(const MotionTerms &m, const double x[4], int sigma1, int sigma2, const DesignShot &base,
              double end[4]) {
    double tb[4];
    int wsgn[4][2];
    ordertimes(x, sigma1, sigma2, tb, wsgn);
    const int first = firstchangedsegment(base.tb, base.wsgn, tb, wsgn);
    for (int c = 0; c < 4; ++c) end[c] = base.trace[first * NSEG][1 + c];
    for (int k = first; k < 4; ++k) integratesegment(m, tb, wsgn[k], k, end, nullptr);
}

const double *endstate(const DesignShot &shot) { return &shot.trace[NTRACE - 1][1]; }

// Forward-difference Jacobian of the end state with respect to the design vector x,
// whose own shot is `base`, inverted in place (left as it is when nearly singular,
// and then used as it is). Row i is state component i, column j design variable j.
void jacobian(const MotionTerms &m, const double x[4], int sigma1, int sigma2, const DesignShot &base,
              double M[4][4]) {
    const double *e0 = endstate(base);
    for (int j = 0; j < 4; ++j) {
        double xp[4] = {x[0], x[1], x[2], x[3]};
        xp[j] = xp[j] + DJAC;
        double ej[4];
        probeend(m, xp, sigma1, sigma2, base, ej);
        for (int i = 0; i < 4; ++i) M[i][j] = (ej[i] - e0[i]) / DJAC;
    }
    invertmatrix(4, &M[0][0], 4);
}

// The cold-start design vector for final time T: joint 1 switching halfway, joint 2
// at a quarter and three quarters [s].
void coldguess(double T, double g[4]) {
    g[0] = 0.25 * T;
    g[1] = 0.5 * T;
    g[2] = 0.75 * T;
    g[3] = T;
}

// The cold-start final time: the bang-bang time of joint 1 as a double integrator
// with its inertia at the start pose, shortened by COLDTFSHARE [s].
double coldfinaltime() {
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
    return COLDTFSHARE * tfg;
}

// Design vector to start both trials from: cold, coldguess of coldfinaltime; warm,
// the robot's stored switching times taken by role as they stand.
void initialguess(double g[4]) {
    if (app.designErr == DESIGNERROR) {
        const ControlTables &tables = controltables(app.type);
        for (int i = 0; i < 4; ++i) g[i] = tables.ts[i];
        return;
    }
    coldguess(coldfinaltime(), g);
}

// The design vector of the wide search's guess k (1..WIDEGUESSCOUNT).
void wideguess(int k, double g[4]) {
    const WideGuess &w = WIDEGUESSES[k - 1];
    g[3] = w.scale * coldfinaltime();
    for (int i = 0; i < 3; ++i) g[i] = w.share[i] * g[3];
}

// The move's rest states at the start and at the goal, and the starting sign of joint 1.
struct MoveEnds {
    double s0[4], sf[4];
    int sigma1;
};

MoveEnds moveends() {
    const RobotParams &p = robotparams(app.type);
    // Joint 1 starts towards its goal; a zero or not-a-number distance counts as negative.
    return {{p.phi0[0], p.phi0[1], 0.0, 0.0}, {p.phif[0], p.phif[1], 0.0, 0.0}, p.phif[0] - p.phi0[0] > 0.0 ? 1 : -1};
}

// Whether app.joint2Start holds the design to one starting sign of joint 2.
bool forcedsign() { return app.joint2Start == JOINT2NEGATIVE || app.joint2Start == JOINT2POSITIVE; }

// Whether trial i (0: joint 2 starts negative, 1: positive) runs under app.joint2Start.
bool trialruns(int i) { return app.joint2Start != (i == 0 ? JOINT2POSITIVE : JOINT2NEGATIVE); }

// Whether trial a ended better than b: accepted, else with the smaller residual
// (a not-a-number residual is the worst).
bool endedbetter(const DesignTrial &a, const DesignTrial &b) {
    if ((a.verdict == TRIALACCEPTED) != (b.verdict == TRIALACCEPTED)) return a.verdict == TRIALACCEPTED;
    if (std::isnan(b.residual)) return !std::isnan(a.residual);
    return a.residual < b.residual;
}

// The wide search's further guesses for trial `trial` of starting sign sigma2, in
// order until one is accepted; keeps the best ended of them and the trial as it was.
void widentrial(const MoveEnds &m, int sigma2, DesignTrial &trial) {
    double standard[4];
    initialguess(standard);
    DesignTrial tried;
    for (int k = 1; k <= WIDEGUESSCOUNT && trial.verdict != TRIALACCEPTED; ++k) {
        double g[4];
        wideguess(k, g);
        // The same vector as the standard guess runs to the same end.
        if (g[0] == standard[0] && g[1] == standard[1] && g[2] == standard[2] && g[3] == standard[3]) continue;
        runtrial(g, m.s0, m.sf, m.sigma1, sigma2, tried);
        tried.guess = k;
        if (endedbetter(tried, trial)) trial = tried;
    }
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
    shootwith(m, x, s0, sigma1, sigma2, shot);
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
    MotionTerms m;
    motionterms(app.type, m);
    double M[4][4];
    for (int i = 0; i < 4; ++i) trial.x[i] = g[i];
    trial.iterations = 0;
    bool converged = false;
    bool notanumber = false;
    for (;;) {
        shootwith(m, trial.x, s0, sigma1, sigma2, trial.shot);
        const double *end = endstate(trial.shot);
        double e[4];
        for (int i = 0; i < 4; ++i) e[i] = sf[i] - end[i];
        const double E = sumabs(4, e);
        trial.residual = E;
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
        jacobian(m, trial.x, sigma1, sigma2, trial.shot, M);
        double d[4];
        for (int i = 0; i < 4; ++i) d[i] = M[i][0] * e[0] + M[i][1] * e[1] + M[i][2] * e[2] + M[i][3] * e[3];
        const double lambda = stepfactor(sumabs(4, d));
        for (int i = 0; i < 4; ++i) trial.x[i] = trial.x[i] + lambda * d[i];
        trial.iterations = trial.iterations + 1;
        if (trial.iterations >= MAXITER) break;
    }
    trial.tf = trialfinaltime(trial.x, converged);
    trial.verdict = notanumber ? TRIALNOTANUMBER : trialverdict(trial.x, converged);
    trial.guess = 0;
}

void designtrials(DesignTrial trials[2]) {
    const MoveEnds m = moveends();
    double g[4];
    initialguess(g);
    runtrial(g, m.s0, m.sf, m.sigma1, -1, trials[0]);
    runtrial(g, m.s0, m.sf, m.sigma1, 1, trials[1]);
}

bool ruledtrials(DesignTrial trials[2]) {
    if (!forcedsign()) {
        designtrials(trials);
    } else {
        const MoveEnds m = moveends();
        double g[4];
        initialguess(g);
        for (int i = 0; i < 2; ++i) {
            if (trialruns(i)) {
                runtrial(g, m.s0, m.sf, m.sigma1, i == 0 ? -1 : 1, trials[i]);
                continue;
            }
            for (int k = 0; k < 4; ++k) trials[i].x[k] = g[k];
            trials[i].tf = TFFAIL;
            trials[i].iterations = 0;
            trials[i].verdict = TRIALNOTRUN;
            trials[i].residual = NAN;
            trials[i].guess = 0;
        }
    }
    if (app.designSearch != SEARCHWIDE || choosetrial(trials[0].tf, trials[1].tf) >= 0) return false;
    const MoveEnds m = moveends();
    for (int i = 0; i < 2; ++i)
        if (trialruns(i)) widentrial(m, i == 0 ? -1 : 1, trials[i]);
    return true;
}

int designswitching() {
    DesignTrial trials[2];
    const bool widened = ruledtrials(trials);
    const int chosen = choosetrial(trials[0].tf, trials[1].tf);
    designs.chosen = chosen;
    designs.wide = widened && chosen >= 0;
    for (int i = 0; i < 2; ++i) {
        TrialOutcome &o = designs.trial[i];
        for (int k = 0; k < 4; ++k) o.x[k] = trials[i].x[k];
        o.tf = trials[i].tf;
        o.iterations = trials[i].iterations;
        o.verdict = trials[i].verdict;
        o.residual = trials[i].residual;
        o.guess = trials[i].guess;
    }
    if (chosen < 0) return 0;
    storedesign(trials[chosen]);
    return 1;
}
