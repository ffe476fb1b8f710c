#include "sampling/statistics.h"

#include <gsl/gsl_rng.h>
#include <gsl/gsl_sort.h>
#include <gsl/gsl_statistics_double.h>

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const Estimate NOESTIMATE{NaN, NaN, NaN};

// The interval ends of a bootstrap: 2.5 % and 97.5 %.
constexpr double BOOTSTRAPLO = 0.025;
constexpr double BOOTSTRAPHI = 0.975;

// A residual of ranks below this fraction of n (the largest rank) is rounding: the
// other inputs fix the ranks it is left of.
constexpr double FLATRESIDUAL = 1e-9;

// A correlation r with the interval of Fisher's transform of standard error se.
Estimate fisher(double r, double se) {
    if (!std::isfinite(r) || !(se > 0)) return NOESTIMATE;
    const double z = std::atanh(std::fmax(-1.0, std::fmin(1.0, r)));
    return Estimate{r, std::tanh(z - Z95 * se), std::tanh(z + Z95 * se)};
}

// The quantiles of sorted data at the levels.
std::vector<double> sortedquantiles(const std::vector<double> &sorted, const std::vector<double> &levels) {
    std::vector<double> q;
    for (double f : levels) q.push_back(gsl_stats_quantile_from_sorted_data(sorted.data(), 1, sorted.size(), f));
    return q;
}

// The residuals of column y after the least squares fit on the columns of x, by
// Eigen's complete orthogonal decomposition: a singular fit gives its least-norm
// solution. Eigen computes it itself, never through a BLAS library, whose choice on a
// machine (reference, OpenBLAS, the one another library loaded first) would move the
// last bits of a summary.
std::vector<double> residuals(const Eigen::MatrixXd &x, const std::vector<double> &y) {
    const Eigen::Map<const Eigen::VectorXd> yv(y.data(), static_cast<Eigen::Index>(y.size()));
    const Eigen::VectorXd c = x.completeOrthogonalDecomposition().solve(yv);
    const Eigen::VectorXd r = yv - x * c;
    return std::vector<double>(r.data(), r.data() + r.size());
}

// Whether all values are equal.
bool constant(const std::vector<double> &v) {
    return std::all_of(v.begin(), v.end(), [&v](double x) { return x == v.front(); });
}

}  // namespace

Estimate wilson(long k, long n) {
    if (n <= 0) return NOESTIMATE;
    const double p = static_cast<double>(k) / n, z2 = Z95 * Z95, m = static_cast<double>(n);
    const double centre = (p + z2 / (2 * m)) / (1 + z2 / m);
    const double half = Z95 / (1 + z2 / m) * std::sqrt(p * (1 - p) / m + z2 / (4 * m * m));
    return Estimate{p, std::fmax(0.0, centre - half), std::fmin(1.0, centre + half)};
}

std::vector<Estimate> quantiles(std::vector<double> data, const std::vector<double> &levels, std::uint64_t seed) {
    if (data.empty()) return std::vector<Estimate>(levels.size(), NOESTIMATE);
    std::sort(data.begin(), data.end());
    const std::vector<double> q = sortedquantiles(data, levels);
    std::unique_ptr<gsl_rng, void (*)(gsl_rng *)> g(gsl_rng_alloc(gsl_rng_mt19937), gsl_rng_free);
    gsl_rng_set(g.get(), static_cast<unsigned long>(seed));
    std::vector<std::vector<double>> resampled(levels.size());
    std::vector<double> r(data.size());
    for (int b = 0; b < BOOTSTRAPRESAMPLES; ++b) {
        for (double &v : r) v = data[gsl_rng_uniform_int(g.get(), data.size())];
        std::sort(r.begin(), r.end());
        const std::vector<double> rq = sortedquantiles(r, levels);
        for (size_t l = 0; l < levels.size(); ++l) resampled[l].push_back(rq[l]);
    }
    std::vector<Estimate> out;
    for (size_t l = 0; l < levels.size(); ++l) {
        std::sort(resampled[l].begin(), resampled[l].end());
        const std::vector<double> ends = sortedquantiles(resampled[l], {BOOTSTRAPLO, BOOTSTRAPHI});
        out.push_back(Estimate{q[l], ends[0], ends[1]});
    }
    return out;
}

Estimate spearman(const std::vector<double> &x, const std::vector<double> &y) {
    const size_t n = x.size();
    if (n < 4 || constant(x) || constant(y)) return NOESTIMATE;
    std::vector<double> work(2 * n);
    const double r = gsl_stats_spearman(x.data(), 1, y.data(), 1, n, work.data());
    return fisher(r, std::sqrt(1.06 / static_cast<double>(n - 3)));
}

Estimate partialrank(const std::vector<std::vector<double>> &inputs, int j, const std::vector<double> &y) {
    const size_t n = y.size(), p = inputs.size();
    if (n < p + 3) return NOESTIMATE;
    Eigen::MatrixXd x(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(p));
    Eigen::Index column = 1;
    x.col(0).setOnes();
    for (size_t k = 0; k < p; ++k) {
        if (static_cast<int>(k) == j) continue;
        const std::vector<double> rk = ranks(inputs[k]);
        for (size_t i = 0; i < n; ++i) x(static_cast<Eigen::Index>(i), column) = rk[i];
        ++column;
    }
    const std::vector<double> ex = residuals(x, ranks(inputs[static_cast<size_t>(j)]));
    const std::vector<double> ey = residuals(x, ranks(y));
    const double bound = FLATRESIDUAL * static_cast<double>(n);
    const auto flat = [bound](const std::vector<double> &e) {
        return std::all_of(e.begin(), e.end(), [bound](double v) { return std::fabs(v) < bound; });
    };
    if (flat(ex) || flat(ey)) return NOESTIMATE;
    const double r = gsl_stats_correlation(ex.data(), 1, ey.data(), 1, n);
    return fisher(r, 1.0 / std::sqrt(static_cast<double>(n - 3 - (p - 1))));
}

std::vector<double> ranks(const std::vector<double> &v) {
    const size_t n = v.size();
    std::vector<size_t> order(n);
    if (n > 0) gsl_sort_index(order.data(), v.data(), 1, n);
    std::vector<double> r(n);
    for (size_t a = 0; a < n;) {
        size_t b = a;
        while (b + 1 < n && v[order[b + 1]] == v[order[a]]) ++b;
        for (size_t k = a; k <= b; ++k) r[order[k]] = (a + b) / 2.0 + 1.0;
        a = b + 1;
    }
    return r;
}
