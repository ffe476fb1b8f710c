// What a sampled controller reads of the motion: the state of some time ago from
// the run's own past, positions quantised by the encoders, velocities measured or
// differenced, and seeded Gaussian noise on every reading.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Output n (0, 1, ...) of the SplitMix64 generator started from `seed`: the
// finaliser of Stafford's variant 13 applied to seed + (n + 1) * 0x9E3779B97F4A7C15.
// A function of (seed, n) alone, so any output is drawn without the ones before it.
uint64_t splitmix64(uint64_t seed, uint64_t n);

// A number in (0, 1] from the top 53 bits b of the word w: (b + 1) / 2^53.
double unitinterval(uint64_t w);

// The four standard normal draws of control instant k: the Box-Muller transform
// of the outputs 4k, 4k + 1 (draws 0, 1) and 4k + 2, 4k + 3 (draws 2, 3), each
// pair u1, u2 giving sqrt(-2 ln u1) cos(2 pi u2) and sqrt(-2 ln u1) sin(2 pi u2).
void instantnoise(uint64_t seed, uint64_t k, double z[4]);

// Joint-side length of one encoder count [rad or m]: 2 pi / (counts u) for a motor
// of `counts` counts per revolution behind a reduction ratio u [rad/rad or rad/m];
// 0 (exact positions) when counts is not finite.
double countstep(double counts, double u);

// Position q read by an encoder of count length `step`: the nearest count,
// step * round(q / step); q itself when step is 0.
double quantised(double q, double step);

// Joint states q1, q2, q1', q2' at the ends of the integration steps of a run.
struct StateHistory {
    std::vector<double> t;                  // times, increasing [s]
    std::vector<std::array<double, 4>> x;  // the states at them
};

// Appends the state x at time t (after every earlier entry).
void remember(StateHistory &past, double t, const double x[4]);

// The state at time `when`, linearly interpolated between the two entries around
// it: the first entry's before it, an entry's own state at its time.
void pastat(const StateHistory &past, double when, double out[4]);

// The sensing of one run.
struct Sensor {
    double period;       // control period [s]
    double step[2];      // encoder count lengths of joints 1, 2 [rad, m]; 0: exact positions
    bool differenced;    // velocities by backward difference of the positions read (encoders without tachometers)
    double sd[4];        // noise standard deviations of q1, q2 [rad, m], q1', q2' [rad/s, m/s]
    uint64_t seed;       // seed of the noise
    double delay;        // age of the state read [s]
    double qread[2];     // positions read at the previous instant [rad, m]
    StateHistory past;   // the run so far
};

// The readings r = (q1, q2, q1', q2') at control instant k (time tk) with the state
// `now` at that instant: the state at tk - delay from the run's past (kept only
// with a delay), `now` without one; each position quantised and then
// noise sd[j] z[j] added; velocities (q_read(k) - q_read(k-1)) / period when
// differenced (0 at instant 0, the arm at rest), else the state's, plus sd[2 + j]
// z[2 + j]; z the normal draws of instant k, drawn only when some sd is not 0.
void readsensor(Sensor &s, int k, double tk, const double now[4], double r[4]);
