#include "simulation/sensing.h"

#include <algorithm>
#include <cmath>

namespace {

// The increment of SplitMix64's counter: 2^64 over the golden ratio, odd.
constexpr uint64_t GOLDENGAMMA = 0x9E3779B97F4A7C15ULL;

// 2^-53: the spacing of doubles just below 1.
constexpr double TWOTOMINUS53 = 1.0 / 9007199254740992.0;

// 2 pi, the double nearest to it (the program's PI has only 15 digits).
constexpr double TWOPI = 6.283185307179586;

bool noisy(const Sensor &s) {
    return std::any_of(s.sd, s.sd + 4, [](double sd) { return sd != 0.0; });
}

}  // namespace

uint64_t splitmix64(uint64_t seed, uint64_t n) {
    uint64_t z = seed + (n + 1) * GOLDENGAMMA;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double unitinterval(uint64_t w) { return static_cast<double>((w >> 11) + 1) * TWOTOMINUS53; }

void instantnoise(uint64_t seed, uint64_t k, double z[4]) {
    for (int pair = 0; pair < 2; ++pair) {
        const double u1 = unitinterval(splitmix64(seed, 4 * k + 2 * pair));
        const double u2 = unitinterval(splitmix64(seed, 4 * k + 2 * pair + 1));
        const double radius = std::sqrt(-2.0 * std::log(u1));
        z[2 * pair] = radius * std::cos(TWOPI * u2);
        z[2 * pair + 1] = radius * std::sin(TWOPI * u2);
    }
}

double countstep(double counts, double u) { return std::isfinite(counts) ? TWOPI / (counts * u) : 0.0; }

double quantised(double q, double step) { return step == 0.0 ? q : step * std::round(q / step); }

void remember(StateHistory &past, double t, const double x[4]) {
    past.t.push_back(t);
    past.x.push_back({x[0], x[1], x[2], x[3]});
}

void pastat(const StateHistory &past, double when, double out[4]) {
    const size_t after = std::upper_bound(past.t.begin(), past.t.end(), when) - past.t.begin();
    if (after == 0 || after == past.t.size()) {
        const std::array<double, 4> &x = past.x[after == 0 ? 0 : after - 1];
        std::copy(x.begin(), x.end(), out);
        return;
    }
    const double t0 = past.t[after - 1], t1 = past.t[after];
    const double w = (when - t0) / (t1 - t0);
    for (int i = 0; i < 4; ++i) out[i] = past.x[after - 1][i] + w * (past.x[after][i] - past.x[after - 1][i]);
}

void readsensor(Sensor &s, int k, double tk, const double now[4], double r[4]) {
    double x[4];
    if (s.delay > 0.0)
        pastat(s.past, tk - s.delay, x);
    else
        std::copy(now, now + 4, x);
    double z[4] = {0.0, 0.0, 0.0, 0.0};
    if (noisy(s)) instantnoise(s.seed, static_cast<uint64_t>(k), z);
    for (int j = 0; j < 2; ++j) {
        const double q = quantised(x[j], s.step[j]) + s.sd[j] * z[j];
        const double v = s.differenced ? (k == 0 ? 0.0 : (q - s.qread[j]) / s.period) : x[2 + j];
        r[j] = q;
        r[2 + j] = v + s.sd[2 + j] * z[2 + j];
        s.qread[j] = q;
    }
}
