// Working pieces of the switching-time design, for the design itself and its
// tests and benchmark only; the rest of the program sees design/design.h.
#pragma once

#include "records/records.h"

// Integration steps per bang-bang segment of a shot.
constexpr int NSEG = 50;
// Samples of one shot: the start and the end of every step of the four segments.
constexpr int NTRACE = 4 * NSEG + 1;
// Residual (sum of |errors| in rad, m and their rates) below which a trial has converged.
constexpr double TOLDESIGN = 0.0001;
// Newton updates per trial before it is rejected.
constexpr int MAXITER = 400;
// Forward-difference step of the Jacobian for every design variable [s].
constexpr double DJAC = 0.005;
// Final time given to a rejected trial [s].
constexpr double TFFAIL = 1.0e10;
// A trial ending later than this [s] does not count in the choice between the trials.
constexpr double TFACCEPT = 1000.0;

// One integration of the four bang-bang segments for a design vector
// x = (first joint-2 switch, joint-1 switch, second joint-2 switch, final time).
struct DesignShot {
    double tb[4];                // segment ends in segment order: three switching instants, then tf [s]
    int wsgn[4][2];              // torque sign (-1, +1) of joint j in segment k
    double trace[NTRACE][5];     // (t [s], q1, q2, q1', q2'); sample k*NSEG + i + 1 ends step i of segment k
};

// One Newton trial for a fixed starting sign of joint 2.
struct DesignTrial {
    double x[4];       // design vector by role at the end of the trial [s]
    double tf;         // final time, or TFFAIL when the trial was rejected [s]
    int iterations;    // Newton updates made
    TrialVerdict verdict;  // accepted, or why it was rejected
    double residual;   // sumabs of the end-state errors of the last shot [rad, m and their rates per s]
    int guess;         // starting guess it ran from: 0 the standard one, k the wide search's WIDEGUESSES[k - 1]
    DesignShot shot;   // the last shot: for an accepted trial, the converged one
};

// A further starting guess of the wide search: the cold guess's final time T scaled,
// and the three switching instants (first joint-2 switch, joint-1 switch, second
// joint-2 switch) as shares of the scaled final time.
struct WideGuess {
    double scale;      // of the cold guess's final time [-]
    double share[3];   // of the guess's final time [-]
};

// The wide search's further starting guesses, tried in this order for each starting
// sign of joint 2 whose standard trial failed, until one is accepted.
constexpr WideGuess WIDEGUESSES[] = {
    {1.0, {0.25, 0.5, 0.75}}, {0.5, {0.25, 0.5, 0.75}}, {1.5, {0.25, 0.5, 0.75}}, {2.0, {0.25, 0.5, 0.75}},
    {3.0, {0.25, 0.5, 0.75}}, {1.0, {0.5, 0.25, 0.75}}, {1.5, {0.5, 0.25, 0.75}}, {1.0, {0.25, 0.75, 0.5}},
    {1.5, {0.25, 0.75, 0.5}},
};
constexpr int WIDEGUESSCOUNT = sizeof WIDEGUESSES / sizeof WIDEGUESSES[0];

// Orders the three switching instants of x into segment boundaries tb (tb[3] = x[3])
// and assigns the segment signs from the starting signs sigma1, sigma2 of the joints.
void ordertimes(const double x[4], int sigma1, int sigma2, double tb[4], int wsgn[4][2]);

// Integrates the four segments of x from the rest state s0 = (q1, q2, 0, 0) into shot.
// Segments whose end lies before their start are integrated backwards.
void shoot(const double x[4], const double s0[4], int sigma1, int sigma2, DesignShot &shot);

// Sum of |v[i]| over i < n: the norm of residuals and Newton steps.
double sumabs(int n, const double *v);

// Step factor of the damped Newton update for a direction of sumabs length n:
// while n >= 1 every update has length 0.05.
double stepfactor(double n);

// Verdict on a finished trial with design vector x: accepted when it has converged
// and its switching instants are not negative and its second joint-2 instant is
// not after the final time.
TrialVerdict trialverdict(const double x[4], bool converged);

// Final time of a finished trial: x[3] when trialverdict accepts it, TFFAIL otherwise.
double trialfinaltime(const double x[4], bool converged);

// The chosen trial: 0 the first, 1 the second (also on equal final times), -1 none
// when both end later than TFACCEPT.
int choosetrial(double tfA, double tfB);

// Runs one Newton trial from the guess g towards the rest state sf.
void runtrial(const double g[4], const double s0[4], const double sf[4], int sigma1, int sigma2,
              DesignTrial &trial);

// Runs both trials of the selected robot's move (joint 2 starting negative, then
// positive) from the cold or warm guess that app.designErr asks for.
void designtrials(DesignTrial trials[2]);

// The trials of the selected robot's move under app.joint2Start and app.designSearch:
// from the standard guess, the trials the rule runs (both, or the one of the forced
// sign; the other is TRIALNOTRUN with final time TFFAIL). With the wide search, when
// none of them was accepted, each run trial tries WIDEGUESSES in order until one is
// accepted; it keeps the accepted one, else the one that ended with the smallest
// residual (the earliest on a tie, not-a-number last). Returns whether the wide
// search's further guesses ran.
bool ruledtrials(DesignTrial trials[2]);
