// The statistics of a Monte Carlo study's results: the Wilson interval of a
// probability, quantiles with bootstrap intervals, and the rank correlations of the
// inputs with an output (Spearman's and the partial ones) with their intervals.
#pragma once

#include <cstdint>
#include <vector>

// The two-sided normal quantile of the 95 % intervals: z with P(|Z| < z) = 0.95.
constexpr double Z95 = 1.959963984540054;

// An estimate with its 95 % interval; all NaN when the data cannot give one.
struct Estimate {
    double value;  // the estimate [the data's unit; a probability or a correlation: 1]
    double lo;     // lower end of the interval [the same]
    double hi;     // upper end [the same]
};

// The Wilson score interval of a probability from `k` successes in `n` trials
// (n > 0): centre (p + z^2/2n) / (1 + z^2/n), half width
// z / (1 + z^2/n) sqrt(p (1 - p) / n + z^2 / 4n^2), p = k/n, z = Z95. Value p.
Estimate wilson(long k, long n);

// Resamples of the bootstrap of the quantiles.
constexpr int BOOTSTRAPRESAMPLES = 1000;

// The quantiles `levels` (each in 0..1) of the data, interpolated between order
// statistics (gsl_stats_quantile_from_sorted_data), each with the 2.5 % and 97.5 %
// quantiles of the same estimate over BOOTSTRAPRESAMPLES resamples with replacement
// drawn by gsl_rng_mt19937 seeded with `seed` (a percentile bootstrap). Empty data
// give NaN.
std::vector<Estimate> quantiles(std::vector<double> data, const std::vector<double> &levels, std::uint64_t seed);

// Spearman's rank correlation of x and y (gsl_stats_spearman; ties take their mean
// rank) with the interval of Fisher's transform, standard error sqrt(1.06 / (n - 3))
// (Fieller, Hartley and Pearson 1957). NaN for n < 4 or a constant x or y.
Estimate spearman(const std::vector<double> &x, const std::vector<double> &y);

// The partial rank correlation of input j of `inputs` (each a column of n values)
// with y: the correlation of the residuals of rank(x_j) and rank(y) after the least
// squares fit of each on the ranks of the other inputs and a constant, with the
// interval of Fisher's transform, standard error 1 / sqrt(n - 3 - (inputs - 1)).
// NaN when n leaves no degree of freedom or a residual is constant.
Estimate partialrank(const std::vector<std::vector<double>> &inputs, int j, const std::vector<double> &y);

// The ranks 1..n of the values, ties taking their mean rank.
std::vector<double> ranks(const std::vector<double> &v);
