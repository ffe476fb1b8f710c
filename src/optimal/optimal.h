// The minimum-time point-to-point motion of the plant by direct collocation, an
// answer independent of the switching-time design.
#pragma once

#include <vector>

#include "simulation/dynamics.h"

// How the motion is solved: Hermite-Simpson collocation on a uniform mesh, IPOPT,
// the mesh doubled until the final time settles.
struct OptimalSettings {
    int N0;          // intervals of the first mesh [-]
    int Nmax;        // most intervals of a mesh [-]
    double meshTol;  // refinement stops once t* changes by at most this fraction between meshes [-]
    double nlpTol;   // IPOPT's convergence tolerance on the scaled optimality error [-]
    int maxIter;     // IPOPT's iteration limit on one mesh [-]
};

// 16 intervals resolve the first switch well enough to warm the finer meshes; 256
// bound the work of one move (a mesh of 256 intervals has 2,305 unknowns); 0.1 %
// of t* is below the spread of the designs it is compared with.
constexpr OptimalSettings OPTIMALDEFAULTS = {16, 256, 1e-3, 1e-8, 3000};

// One minimum-time problem: the plant, rest at x0 to rest at xf, |tau_j| <= the
// active limits m.T1, m.T2.
struct OptimalProblem {
    MotionTerms m;        // the plant's equations and its torque limits
    double x0[4], xf[4];  // start and goal states (q1, q2, q1', q2') [rad, m / rad, rad/s, m/s / rad/s]
    double tfGuess;       // final time of the first guess [s]
    bool warm;            // a designed bang-bang motion is the first guess (else a smooth path, no torque)
    double ts[4];         // its switching times, ts[3] the final time [s]
    double sgn[4][2];     // its torque sign of joint j in phase k [-]
};

// The solution at one instant: a mesh node or the midpoint of an interval.
struct OptimalSample {
    double t;     // time [s]
    double x[4];  // state (q1, q2, q1', q2') [rad, m / rad, rad/s, m/s / rad/s]
    double u[2];  // joint torques [N m, N / N m]
};

// The minimum-time motion and what it says.
struct OptimalSolution {
    bool solved;          // IPOPT solved the last mesh (to its tolerance or an acceptable level)
    bool meshConverged;   // t* changed by at most meshTol on the last refinement
    int status;           // IPOPT's return status on the last mesh (0 solved, 1 acceptable, <0 failed)
    int iterations;       // IPOPT iterations over all meshes [-]
    int N;                // intervals of the last mesh [-]
    int meshes;           // meshes solved [-]
    double tf;            // minimum final time t* on the last mesh [s]
    double tfCoarse;      // t* on the mesh before it (0 when there was none) [s]
    std::vector<OptimalSample> samples;  // 2N + 1 samples in time order: nodes and interval midpoints
    int switches[2];      // switches of joint j's torque between its limits [-]
    int interiorArcs[2];  // arcs of joint j's torque away from its limits, singular or interior [-]
    bool designStructure; // the structure the design assumes: joint 1 one switch, joint 2 two, no other arc
};

// The problem of robot type `robot` in the records' motion; `designed` says that
// its control tables hold a designed motion to start from.
void optimalproblem(char robot, bool designed, OptimalProblem &p);

// Solves `p` on meshes N0, 2 N0, ... up to Nmax until t* settles; reads the structure.
void solveoptimal(const OptimalProblem &p, const OptimalSettings &s, OptimalSolution &sol);

// Joint torques u at time t of the solution: on each interval the quadratic through
// its end and midpoint torques, as the collocation assumes; held outside [0, tf].
void optimaltorque(const OptimalSolution &sol, double t, double u[2]);
