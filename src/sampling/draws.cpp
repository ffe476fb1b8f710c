#include "sampling/draws.h"

#include <gsl/gsl_cdf.h>
#include <gsl/gsl_qrng.h>
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numeric>

namespace {

// Bits of each coordinate of GSL's Sobol points: its points are multiples of 2^-30.
constexpr int SOBOLBITS = 30;
constexpr double SOBOLSCALE = 1073741824.0;  // 2^SOBOLBITS

struct DistributionRow {
    const char *word;
    DistributionKind kind;
    int count;  // numbers after the colon
};

const DistributionRow DISTRIBUTIONS[] = {
    {"normal", DISTNORMAL, 2},
    {"uniform", DISTUNIFORM, 2},
    {"truncnormal", DISTTRUNCNORMAL, 4},
    {"lognormal", DISTLOGNORMAL, 2},
};

const char *const ACCEPTS =
    "accepts normal:MEAN,SD, uniform:LO,HI, truncnormal:MEAN,SD,LO,HI or lognormal:ZETA,SIGMA";

using Generator = std::unique_ptr<gsl_rng, void (*)(gsl_rng *)>;

// GSL's Mersenne Twister seeded for `stream` of run seed `seed`.
Generator generator(std::uint64_t seed, std::uint64_t stream) {
    Generator g(gsl_rng_alloc(gsl_rng_mt19937), gsl_rng_free);
    gsl_rng_set(g.get(), static_cast<unsigned long>(streamseed(seed, stream)));
    return g;
}

// Reads the comma-separated finite numbers of `text`; false for anything else.
bool readnumbers(const std::string &text, std::vector<double> &numbers) {
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string part = text.substr(at, comma - at);
        char *end = nullptr;
        const double v = part.empty() ? 0.0 : std::strtod(part.c_str(), &end);
        if (part.empty() || *end != '\0' || !std::isfinite(v) || std::isspace(static_cast<unsigned char>(part[0])))
            return false;
        numbers.push_back(v);
        at = comma + 1;
    }
    return true;
}

// Refuses what a distribution's numbers may not be; succeeds otherwise.
Outcome checkdistribution(const Distribution &d) {
    const bool spread = d.kind != DISTUNIFORM;
    if (spread && d.sd < 0) return refused("its spread (SD, SIGMA) is negative");
    const bool bounded = d.kind == DISTUNIFORM || d.kind == DISTTRUNCNORMAL;
    if (bounded && !(d.lo < d.hi)) return refused("LO is not below HI");
    if (d.kind == DISTTRUNCNORMAL && d.sd == 0 && (d.mean < d.lo || d.mean > d.hi))
        return refused("a point (SD 0) outside LO..HI");
    return succeeded();
}

// The probabilities of sample i's own stream, one per input.
std::vector<double> ownprobabilities(std::uint64_t seed, int i, int inputs) {
    Generator g = generator(seed, static_cast<std::uint64_t>(i));
    std::vector<double> u(static_cast<size_t>(inputs));
    for (double &v : u) v = gsl_rng_uniform_pos(g.get());
    return u;
}

void latinhypercube(std::vector<std::vector<double>> &p, std::uint64_t seed, int n, int inputs) {
    std::vector<int> order(static_cast<size_t>(n));
    for (int j = 0; j < inputs; ++j) {
        std::iota(order.begin(), order.end(), 0);
        Generator g = generator(seed, STREAMPERMUTATION + static_cast<std::uint64_t>(j));
        gsl_ran_shuffle(g.get(), order.data(), order.size(), sizeof(int));
        for (int i = 0; i < n; ++i) p[i][j] = (order[i] + p[i][j]) / n;
    }
}

void sobol(std::vector<std::vector<double>> &p, std::uint64_t seed, int n, int inputs) {
    std::unique_ptr<gsl_qrng, void (*)(gsl_qrng *)> q(gsl_qrng_alloc(gsl_qrng_sobol, static_cast<unsigned>(inputs)),
                                                     gsl_qrng_free);
    Generator g = generator(seed, STREAMSHIFT);
    std::vector<unsigned long> mask(static_cast<size_t>(inputs));
    for (unsigned long &m : mask) m = gsl_rng_uniform_int(g.get(), 1ul << SOBOLBITS);
    std::vector<double> x(static_cast<size_t>(inputs), 0.0);  // point 0, all zeros, which GSL leaves out
    for (int i = 0; i < n; ++i) {
        if (i > 0) gsl_qrng_get(q.get(), x.data());
        for (int j = 0; j < inputs; ++j) {
            const unsigned long bits = static_cast<unsigned long>(x[j] * SOBOLSCALE) ^ mask[j];
            p[i][j] = (static_cast<double>(bits) + 0.5) / SOBOLSCALE;
        }
    }
}

}  // namespace

Outcome parsedistribution(const std::string &text, Distribution &d) {
    const size_t colon = text.find(':');
    const std::string word = text.substr(0, colon);
    for (const DistributionRow &row : DISTRIBUTIONS) {
        if (word != row.word) continue;
        std::vector<double> v;
        if (colon == std::string::npos || !readnumbers(text.substr(colon + 1), v) ||
            static_cast<int>(v.size()) != row.count)
            return refused(std::string(row.word) + " takes " + std::to_string(row.count) + " finite numbers");
        Distribution got{row.kind, v[0], v[1], 0.0, 0.0};
        if (row.kind == DISTUNIFORM) got = Distribution{row.kind, 0.0, 0.0, v[0], v[1]};
        if (row.kind == DISTTRUNCNORMAL) got = Distribution{row.kind, v[0], v[1], v[2], v[3]};
        const Outcome checked = checkdistribution(got);
        if (checked.ok()) d = got;
        return checked;
    }
    return refused(ACCEPTS);
}

double drawvalue(const Distribution &d, double u) {
    switch (d.kind) {
        case DISTNORMAL: return d.sd == 0 ? d.mean : d.mean + gsl_cdf_gaussian_Pinv(u, d.sd);
        case DISTUNIFORM: return d.lo + u * (d.hi - d.lo);
        case DISTTRUNCNORMAL: {
            if (d.sd == 0) return d.mean;
            const double a = gsl_cdf_gaussian_P(d.lo - d.mean, d.sd);
            const double b = gsl_cdf_gaussian_P(d.hi - d.mean, d.sd);
            const double x = d.mean + gsl_cdf_gaussian_Pinv(a + u * (b - a), d.sd);
            return std::fmin(std::fmax(x, d.lo), d.hi);
        }
        case DISTLOGNORMAL: return d.sd == 0 ? std::exp(d.mean) : gsl_cdf_lognormal_Pinv(u, d.mean, d.sd);
    }
    return d.mean;
}

bool samplingnamed(const std::string &word, SamplingScheme &s) {
    for (SamplingScheme k : {SAMPLINGRANDOM, SAMPLINGLHS, SAMPLINGSOBOL})
        if (word == samplingword(k)) {
            s = k;
            return true;
        }
    return false;
}

const char *samplingword(SamplingScheme s) {
    switch (s) {
        case SAMPLINGRANDOM: return "random";
        case SAMPLINGLHS: return "lhs";
        case SAMPLINGSOBOL: return "sobol";
    }
    return "?";
}

std::uint64_t streamseed(std::uint64_t seed, std::uint64_t stream) {
    std::uint64_t z = (seed << 32) + stream + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<std::vector<double>> drawprobabilities(SamplingScheme s, std::uint64_t seed, int n, int inputs) {
    std::vector<std::vector<double>> p;
    p.reserve(static_cast<size_t>(n));
    if (s != SAMPLINGSOBOL)
        for (int i = 0; i < n; ++i) p.push_back(ownprobabilities(seed, i, inputs));
    else
        p.assign(static_cast<size_t>(n), std::vector<double>(static_cast<size_t>(inputs)));
    if (s == SAMPLINGLHS) latinhypercube(p, seed, n, inputs);
    if (s == SAMPLINGSOBOL && inputs > 0) sobol(p, seed, n, inputs);
    return p;
}
