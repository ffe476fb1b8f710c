// Folder optimal/: the minimum-time point-to-point motion of the plant by direct
// collocation; uses records/, simulation/.
// Hermite-Simpson transcription of a minimum-time problem, solved by IPOPT.
#pragma once

#include <vector>

#include "optimal/optimal.h"

// Unknowns of a mesh of N intervals, z: node k's state and torques at 6k .. 6k + 5
// (q1, q2, q1', q2', tau1, tau2), k = 0..N; interval k's midpoint torques at
// 6(N + 1) + 2k, + 1; the final time last.
inline int collocationsize(int N) { return 6 * (N + 1) + 2 * N + 1; }

// Minimises tf over z (started from z, left at the solution) subject to the
// Hermite-Simpson defects of the plant on every interval, the start and goal
// states and the torque limits. Returns IPOPT's status; adds its iterations.
int solvecollocation(const OptimalProblem &p, const OptimalSettings &s, int N, std::vector<double> &z, int &iterations);

// The Hermite-Simpson midpoint state of interval k of z.
void midpointstate(const MotionTerms &m, int N, const std::vector<double> &z, int k, double xm[4]);
