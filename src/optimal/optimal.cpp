#include "optimal/optimal.h"

#include <algorithm>
#include <cmath>

#include "optimal/collocation.h"
#include "records/records.h"
#include "simulation/integrator.h"

namespace {

// A torque within this fraction of its limit counts as at the limit: IPOPT keeps its
// iterates inside the bounds, and a switch shows on a mesh as one or two samples
// between the limits.
constexpr double LIMITBAND = 0.01;
// Samples (nodes and midpoints, half an interval apart) off the limits in a row that
// make an arc of their own rather than the passage of a switch.
constexpr int ARCSAMPLES = 3;
// Runge-Kutta-Gill steps per mesh interval when the designed motion is replayed for
// the first guess.
constexpr int GUESSSTEPS = 8;
// Final time of a cold first guess when the records hold none [s].
constexpr double TFFALLBACK = 1.0;

// Torque sign of joint j at time t of the designed bang-bang motion.
double designedsign(const OptimalProblem &p, double t, int j) {
    int k = 0;
    while (k < 3 && t >= p.ts[k]) ++k;
    return p.sgn[k][j];
}

// Node values (state, torques) of the designed motion at the node times of N
// intervals of tf = ts[3], and its midpoint torques, by the plant's integrator.
void designedguess(const OptimalProblem &p, int N, std::vector<double> &z) {
    const double T[2] = {p.m.T1, p.m.T2}, h = p.ts[3] / N, step = h / GUESSSTEPS;
    double x[4] = {p.x0[0], p.x0[1], p.x0[2], p.x0[3]};
    for (int k = 0; k <= N; ++k) {
        const double t = k * h;
        for (int i = 0; i < 4; ++i) z[6 * k + i] = x[i];
        for (int j = 0; j < 2; ++j) {
            z[6 * k + 4 + j] = designedsign(p, t, j) * T[j];
            if (k < N) z[6 * (N + 1) + 2 * k + j] = designedsign(p, t + 0.5 * h, j) * T[j];
        }
        for (int s = 0; s < GUESSSTEPS && k < N; ++s) {
            const double ts = t + s * step;
            double xn[4];
            gillstep(
                [&](int i, double tt, const double *y) {
                    if (i < 2) return y[2 + i];
                    double trig[4] = {0.0, 0.0, 0.0, 0.0}, acc[2];
                    motiontrig(p.m, y, trig);
                    accelerations(p.m, designedsign(p, tt, 0) * T[0], designedsign(p, tt, 1) * T[1], y, trig, acc);
                    return acc[i - 2];
                },
                ts, step, x, xn, 4);
            std::copy(xn, xn + 4, x);
        }
    }
    z.back() = p.ts[3];
}

// A smooth rest-to-rest path (3 s^2 - 2 s^3 of the way at s = t / tf) without torque.
void coldguess(const OptimalProblem &p, int N, std::vector<double> &z) {
    std::fill(z.begin(), z.end(), 0.0);
    for (int k = 0; k <= N; ++k) {
        const double s = static_cast<double>(k) / N;
        for (int j = 0; j < 2; ++j) {
            const double dq = p.xf[j] - p.x0[j];
            z[6 * k + j] = p.x0[j] + dq * (3.0 - 2.0 * s) * s * s;
            z[6 * k + 2 + j] = dq * 6.0 * s * (1.0 - s) / p.tfGuess;
        }
    }
    z.back() = p.tfGuess;
}

// z of N intervals carried to 2N: old nodes stay, old midpoints become nodes, the
// new midpoint torques halfway between their ends.
std::vector<double> doubledmesh(const MotionTerms &m, int N, const std::vector<double> &z) {
    const int N2 = 2 * N;
    std::vector<double> y(collocationsize(N2));
    for (int k = 0; k <= N; ++k) std::copy(&z[6 * k], &z[6 * k] + 6, &y[12 * k]);
    for (int k = 0; k < N; ++k) {
        midpointstate(m, N, z, k, &y[12 * k + 6]);
        std::copy(&z[6 * (N + 1) + 2 * k], &z[6 * (N + 1) + 2 * k] + 2, &y[12 * k + 10]);
    }
    for (int k = 0; k < N2; ++k)
        for (int j = 0; j < 2; ++j) y[6 * (N2 + 1) + 2 * k + j] = 0.5 * (y[6 * k + 4 + j] + y[6 * (k + 1) + 4 + j]);
    y.back() = z.back();
    return y;
}

// The samples of the solution z on N intervals: node k at 2k, interval k's midpoint at 2k + 1.
void fillsamples(const MotionTerms &m, int N, const std::vector<double> &z, OptimalSolution &sol) {
    const double h = z.back() / N;
    sol.samples.assign(2 * N + 1, OptimalSample{});
    for (int k = 0; k <= N; ++k) {
        OptimalSample &s = sol.samples[2 * k];
        s.t = k * h;
        std::copy(&z[6 * k], &z[6 * k] + 4, s.x);
        std::copy(&z[6 * k + 4], &z[6 * k + 6], s.u);
        if (k == N) break;
        OptimalSample &mid = sol.samples[2 * k + 1];
        mid.t = (k + 0.5) * h;
        midpointstate(m, N, z, k, mid.x);
        std::copy(&z[6 * (N + 1) + 2 * k], &z[6 * (N + 1) + 2 * k] + 2, mid.u);
    }
}

// Switches between the limits and arcs off them of joint j's torque (limit T).
void readjoint(const OptimalSolution &sol, int j, double T, int &switches, int &arcs) {
    switches = arcs = 0;
    int last = 0, off = 0;
    for (const OptimalSample &s : sol.samples) {
        const double r = s.u[j] / T;
        const int at = r >= 1.0 - LIMITBAND ? 1 : (r <= LIMITBAND - 1.0 ? -1 : 0);
        if (at == 0) {
            if (++off == ARCSAMPLES) ++arcs;
            continue;
        }
        off = 0;
        if (last != 0 && at != last) ++switches;
        last = at;
    }
}

}  // namespace

void optimalproblem(char robot, bool designed, OptimalProblem &p) {
    motionterms(robot, p.m);
    const RobotParams &r = robotparams(robot);
    for (int j = 0; j < 2; ++j) {
        p.x0[j] = r.phi0[j];
        p.xf[j] = r.phif[j];
        p.x0[2 + j] = p.xf[2 + j] = 0.0;
    }
    const ControlTables &c = controltables(robot);
    p.warm = designed;
    std::copy(c.ts, c.ts + 4, p.ts);
    std::copy(&c.sgn[0][0], &c.sgn[0][0] + 8, &p.sgn[0][0]);
    p.tfGuess = designed ? c.ts[3] : (task.tfNom > 0.0 ? task.tfNom : TFFALLBACK);
}

void solveoptimal(const OptimalProblem &p, const OptimalSettings &s, OptimalSolution &sol) {
    int N = s.N0;
    std::vector<double> z(collocationsize(N));
    if (p.warm)
        designedguess(p, N, z);
    else
        coldguess(p, N, z);
    sol = OptimalSolution{};
    sol.status = solvecollocation(p, s, N, z, sol.iterations);
    sol.meshes = 1;
    while (sol.status >= 0 && 2 * N <= s.Nmax && !sol.meshConverged) {
        const double coarse = z.back();
        z = doubledmesh(p.m, N, z);
        N *= 2;
        sol.status = solvecollocation(p, s, N, z, sol.iterations);
        ++sol.meshes;
        sol.tfCoarse = coarse;
        sol.meshConverged = std::fabs(z.back() - coarse) <= s.meshTol * z.back();
    }
    sol.solved = sol.status == 0 || sol.status == 1;
    sol.N = N;
    sol.tf = z.back();
    fillsamples(p.m, N, z, sol);
    const double T[2] = {p.m.T1, p.m.T2};
    for (int j = 0; j < 2; ++j) readjoint(sol, j, T[j], sol.switches[j], sol.interiorArcs[j]);
    sol.designStructure =
        sol.switches[0] == 1 && sol.switches[1] == 2 && sol.interiorArcs[0] == 0 && sol.interiorArcs[1] == 0;
}

void optimaltorque(const OptimalSolution &sol, double t, double u[2]) {
    const int N = (static_cast<int>(sol.samples.size()) - 1) / 2;
    const double h = sol.tf / N;
    const int k = std::min(N - 1, std::max(0, static_cast<int>(std::floor(t / h))));
    const double s = std::min(1.0, std::max(0.0, t / h - k));
    const OptimalSample &a = sol.samples[2 * k], &m = sol.samples[2 * k + 1], &b = sol.samples[2 * k + 2];
    // Lagrange basis at s = 0, 1/2, 1.
    const double la = 2.0 * (s - 0.5) * (s - 1.0), lm = -4.0 * s * (s - 1.0), lb = 2.0 * s * (s - 0.5);
    for (int j = 0; j < 2; ++j) u[j] = la * a.u[j] + lm * m.u[j] + lb * b.u[j];
}
