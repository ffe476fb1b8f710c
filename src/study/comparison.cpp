#include "study/comparison.h"

#include <algorithm>
#include <cmath>

#include "study/params.h"
#include "simulation/simulation.h"
#include "design/design.h"

namespace {

// Simulated span: 4 s, or 8 s when the nominal move of the previous derivation is
// longer than 4 s [s].
constexpr double SHORTSPAN = 4.0;
constexpr double LONGSPAN = 8.0;

void installsettings(const ComparisonSettings &s) {
    app.type = s.type;
    app.sgnG = s.sgnG;
    app.elbow = s.elbow;
    app.joint2Start = s.joint2Start;
    app.designSearch = s.designSearch;
    RobotParams &p = robotparams(s.type);
    p.u1 = s.u1;
    p.u2 = s.u2;
    task.x0 = s.x0;
    task.y0 = s.y0;
    task.xf = s.xf;
    task.yf = s.yf;
    task.errRatio = s.errRatio;
    task.dNear = s.dNear;
    task.tFallback = s.tFallback;
    task.tolerance = s.tolerance;
    task.controlPeriod = s.controlPeriod;
    std::copy(s.encoderCounts, s.encoderCounts + 2, task.encoderCounts);
    std::copy(s.noiseSd, s.noiseSd + 4, task.noiseSd);
    task.seed = s.seed;
    task.delay = s.delay;
    task.antiwindup = s.antiwindup;
    task.span = s.span;
    seterrormasses();
}

// Puts the workpiece mass (and the SCARA link-1 mass) in use and derives the robot.
void usemasses(double mw, double m1) {
    task.mw = mw;
    scara.m1 = m1;
    derivesettings();
}

// The latest design as the pass reports it.
DesignSummary summarise(int solved) {
    DesignSummary d = {};
    d.solved = solved;
    const ControlTables &c = controltables(app.type);
    for (int k = 0; k < 4; ++k) d.ts[k] = solved ? c.ts[k] : 0.0;
    d.chosen = designs.chosen;
    d.trial[0] = designs.trial[0];
    d.trial[1] = designs.trial[1];
    d.wide = designs.wide;
    return d;
}

// The designed switching states that SOTOC watches; the last one is the goal at rest.
void setswitchingstates() {
    ControlTables &c = controltables(app.type);
    const RobotParams &p = robotparams(app.type);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 2; ++j) {
            c.swRefPos[k][j] = designs.segpos[k][j];
            c.swRefVel[k][j] = designs.segvel[k][j];
        }
    for (int j = 0; j < 2; ++j) {
        c.swRefPos[3][j] = p.phif[j];
        c.swRefVel[3][j] = 0.0;
    }
}

// Designs the switching times of design `kind` (DESIGNNOMINAL, DESIGNERROR) with the
// masses in use, summarised into `summary`; when solved, also copied into `times`.
// Whether it was solved.
bool designinto(char kind, DesignSummary &summary, double times[4]) {
    app.designErr = kind;
    summary = summarise(designswitching());
    if (!summary.solved) return false;
    const ControlTables &c = controltables(app.type);
    for (int k = 0; k < 4; ++k) times[k] = c.ts[k];
    return true;
}

void simulateinto(char ctrl, RunLog &slot) {
    app.ctrlType = ctrl;
    simulate();
    keeprun(slot);
}

// Log row at time t, truncated, and whether it lies past the last row nStep.
double rowtime(double t) { return std::trunc(t / task.dt); }
bool pastspan(double t) { return rowtime(t) > task.nStep; }

// Row of the log at time t, kept inside 1..nStep so that the velocity term has a
// row before it and the row lies inside the run.
int rowat(double t) {
    double k = rowtime(t);
    if (!(k >= 1.0)) k = 1.0;
    if (k > task.nStep) k = task.nStep;
    return static_cast<int>(k);
}

// Error of joint j at row k of `run` with its velocity of the last logged step,
// the velocity weighted by 1/wn so that it counts like a displacement.
double jointerror(const RunLog &run, int k, int j, double reference) {
    const double wn = j == 0 ? task.wn1 : task.wn2;
    const double e = run.fi[k][j] - reference;
    const double v = (run.fi[k][j] - run.fi[k - 1][j]) / (wn * task.dt);
    return std::sqrt(e * e + v * v);
}

// Figures of `run` at its final time tf, read at log row k and judged against `reference`.
RunFigures figuresat(double tf, int k, const RunLog &run, const RunLog &reference) {
    RunFigures f = {};
    f.tf = tf;
    f.pastspan = pastspan(tf);
    f.row = k;
    f.P[0] = run.P[f.row][0];
    f.P[1] = run.P[f.row][1];
    f.error = tiperror(run, reference, f.row);
    const double S = std::hypot(task.xf - task.x0, task.yf - task.y0);
    // A move of zero length has no stroke to compare the error with.
    f.ratioexists = S > 0.0;
    f.ratio = f.ratioexists ? 100.0 * f.error / S : 0.0;
    return f;
}

// Distance of the tip from the goal [m] and speed [m/s] at the joint state x.
void tipmeasures(const double x[4], double &error, double &speed) {
    double P[2], V[2];
    tipposition(app.type, x, P);
    tipvelocity(app.type, x, V);
    error = std::hypot(P[0] - task.xf, P[1] - task.yf);
    speed = std::hypot(V[0], V[1]);
}

// The measures of `run` beside the positioning error.
void goalmeasures(const RunLog &run, RunFigures &f) {
    f.designedInSpan = run.designedInSpan;
    if (f.designedInSpan) tipmeasures(run.xDesigned, f.designedTipError, f.designedTipSpeed);
    tipmeasures(run.xLast, f.endTipError, f.endTipSpeed);
    f.settled = settlingtime(run, task.tolerance, f.settlingTime);
}

// How the SOTOC run of the selected robot ended its phases.
SotocPhases sotocphases() {
    SotocPhases p = {};
    const int i = robotindex(app.type);
    for (int k = 0; k < 4; ++k) {
        p.tEnd[k] = sotoc.tEnd[i][k];
        p.fallback[k] = sotoc.byFallback[i][k];
        p.instant[k] = sotoc.instant[i][k];
    }
    return p;
}

// The result figures of the three stored runs.
void figures(ComparisonResult &r) {
    const int i = robotindex(app.type);
    const RobotRuns &runs = robotruns(app.type);
    const double tfFree = designs.tsFree[i][3];
    const double tfErr = designs.tsErr[i][3];
    r.tocFree = figuresat(tfFree, rowat(tfFree), runs.tocFree, runs.tocFree);
    r.tocErr = figuresat(tfErr, rowat(tfErr), runs.tocErr, runs.tocFree);
    const double tf = sotoc.tfsotoc[i];
    r.sotocFinished = tf != 0.0;
    if (r.sotocFinished)
        r.sotocErr = figuresat(tf, rowat(tf), runs.sotocErr, runs.tocFree);
    else  // never passed its last switching state: judged where the run ends
        r.sotocErr = figuresat(task.nStep * task.dt, task.nStep, runs.sotocErr, runs.tocFree);
    goalmeasures(runs.tocFree, r.tocFree);
    goalmeasures(runs.tocErr, r.tocErr);
    goalmeasures(runs.sotocErr, r.sotocErr);
    r.phases = sotocphases();
}

// Puts the design's values of `errors` in place of the true ones, noted in `truth`.
void usedesignvalues(const DesignErrors &errors, std::vector<double> &truth) {
    RobotParams &p = robotparams(app.type);
    for (const auto &[k, ratio] : errors) {
        double &v = parameterrow(k).at(p);
        truth.push_back(v);
        v *= 1.0 + ratio;
    }
}

// Puts the true values noted by usedesignvalues back, the last changed first.
void usetruevalues(const DesignErrors &errors, const std::vector<double> &truth) {
    RobotParams &p = robotparams(app.type);
    for (size_t i = errors.size(); i-- > 0;) parameterrow(errors[i].first).at(p) = truth[i];
}

// The minimum-time motion of the plant as the records hold it, the nominal design
// just made its first guess where it was solved.
void referencemotion(ComparisonResult &r) {
    OptimalProblem p;
    optimalproblem(app.type, r.free.solved == 1, p);
    solveoptimal(p, OPTIMALDEFAULTS, r.optimal);
    r.referenced = true;
}

}  // namespace

bool designerroraccepted(double percent) { return percent > -100.0 && percent <= MAXDESIGNERRORPERCENT; }

bool ratioaccepted(double u) { return u > 0.0 && u <= MAXRATIO; }
bool modelvalueaccepted(double v) { return v >= MINMODELVALUE && v <= MAXMODELVALUE; }
bool errorpercentaccepted(double percent) { return percent > -MAXERRORPERCENT && percent < MAXERRORPERCENT; }
bool coordinateaccepted(double c) { return c >= -MAXCOORDINATE && c <= MAXCOORDINATE; }
double errorratio(double percent) { return percent == 0.0 ? 0.0 : percent / 100.0; }

double sampleperiod(double tfNomBasis) {
    if (task.span != AUTOSPAN) return task.span / task.nStep;
    return (tfNomBasis > SHORTSPAN ? LONGSPAN : SHORTSPAN) / task.nStep;
}

ComparisonSettings currentsettings() {
    const RobotParams &p = robotparams(app.type);
    return ComparisonSettings{app.type,       app.sgnG,        p.u1,          p.u2,       task.x0,
                              task.y0,        task.xf,         task.yf,       app.elbow,  task.errRatio,
                              task.tfNom,     task.dNear,      task.tFallback, task.tolerance, app.joint2Start,
                              app.designSearch, {}, task.controlPeriod,
                              {task.encoderCounts[0], task.encoderCounts[1]},
                              {task.noiseSd[0], task.noiseSd[1], task.noiseSd[2], task.noiseSd[3]},
                              task.seed, task.delay, task.antiwindup, task.span};
}

bool finitefigures(const ComparisonResult &r) {
    std::vector<double> v = {r.dt, r.tfNom, r.T1max, r.T2max, r.T1maxG, r.T2maxG};
    for (const RunFigures *f : {&r.tocFree, &r.tocErr, &r.sotocErr}) {
        v.insert(v.end(), {f->tf, f->P[0], f->P[1], f->error, f->endTipError, f->endTipSpeed});
        if (f->ratioexists) v.push_back(f->ratio);
        if (f->designedInSpan) v.insert(v.end(), {f->designedTipError, f->designedTipSpeed});
        if (f->settled) v.push_back(f->settlingTime);
    }
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

bool samestructure(const ComparisonResult &r) {
    return !(r.free.solved && r.err.solved && r.free.chosen != r.err.chosen);
}

double standalonebasis(const ComparisonSettings &s) {
    installsettings(s);
    usemasses(task.mwNom, scara.m1Nom);
    return task.tfNom;
}

ComparisonResult errorfreepass(const ComparisonSettings &s) {
    ComparisonResult r = {};
    r.type = s.type;
    installsettings(s);
    task.dt = sampleperiod(s.tfNomBasis);
    r.dt = task.dt;
    usemasses(task.mwNom, scara.m1Nom);
    r.derivations = 1;
    const RobotParams &p = robotparams(app.type);
    r.tfNom = task.tfNom;
    r.T1max = p.T1max;
    r.T2max = p.T2max;
    r.T1maxG = p.T1maxG;
    r.T2maxG = p.T2maxG;

    const bool solved = designinto(DESIGNNOMINAL, r.free, designs.tsFree[robotindex(app.type)]);
    if (s.reference == REFERENCEOPTIMAL) referencemotion(r);
    if (!solved) {
        r.outcome = NOFREESOLUTION;
        return r;
    }
    simulateinto(CTRLTOC, robotruns(app.type).tocFree);
    r.outcome = COMPARED;
    return r;
}

ComparisonResult errorpass(const ComparisonResult &freeHalf, double errRatio, const DesignErrors &designErrors) {
    ComparisonResult r = freeHalf;
    if (r.outcome == NOFREESOLUTION) return r;
    task.errRatio = errRatio;
    std::vector<double> truth;
    usedesignvalues(designErrors, truth);
    seterrormasses();
    usemasses(task.mwErr, scara.m1Err);
    r.derivations = 2;
    const bool solved = designinto(DESIGNERROR, r.err, designs.tsErr[robotindex(app.type)]);
    if (solved) setswitchingstates();
    usetruevalues(designErrors, truth);
    seterrormasses();
    if (!solved) {
        r.outcome = NOERRSOLUTION;
        return r;
    }

    // The plant and the servo gains use the true values and nominal masses from here on.
    usemasses(task.mwNom, scara.m1Nom);
    r.derivations = 3;
    RobotRuns &runs = robotruns(app.type);
    simulateinto(CTRLTOC, runs.tocErr);
    simulateinto(CTRLSOTOC, runs.sotocErr);
    figures(r);
    r.outcome = finitefigures(r) ? COMPARED : DIVERGED;
    app.scale = 1.0;
    app.frame = 0;
    return r;
}

ComparisonResult comparisonpass(const ComparisonSettings &s) { return errorpass(errorfreepass(s), s.errRatio, s.designErrors); }

double tiperror(const RunLog &run, const RunLog &reference, int k) {
    if (app.type != ROBOTSCARA) {
        const double E1 = jointerror(run, k, 0, reference.fi[k][0]);
        const double E2 = jointerror(run, k, 1, reference.fi[k][1]);
        const double r = cyl.phif[1];
        return std::sqrt((r * E1) * (r * E1) + E2 * E2);
    }
    const RobotParams &p = scara;
    const double E1 = jointerror(run, k, 0, p.phif[0]);
    const double E2 = jointerror(run, k, 1, p.phif[1]);
    const double c = std::cos(run.fi[k][1]);
    // Joint-1 error carried to the tip radius, joint-2 error at the link-2 length.
    const double A = std::sqrt(p.L1 * p.L1 + p.L2 * p.L2 + 2.0 * p.L1 * p.L2 * c) * E1;
    const double B = p.L2 * E2;
    return std::sqrt(A * A + B * B + 2.0 * A * B * c);
}

bool settlingtime(const RunLog &run, double tolerance, double &t) {
    int k = task.nStep;
    while (k >= 0 && std::hypot(run.P[k][0] - task.xf, run.P[k][1] - task.yf) <= tolerance) --k;
    t = (k + 1) * task.dt;
    return k < task.nStep;
}
