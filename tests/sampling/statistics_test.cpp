// The statistics against values worked by hand or by another route, and the
// coverage of the Wilson interval over seeded repetitions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "sampling/statistics.h"

namespace {

// Published Wilson intervals (to four places) and the estimate k/n.
TEST(Statistics, WilsonIntervalsAsPublished) {
    struct Case {
        long k, n;
        double lo, hi;
    };
    const Case cases[] = {{0, 10, 0.0, 0.2775}, {5, 10, 0.2366, 0.7634}, {53, 100, 0.4329, 0.6249}, {10, 10, 0.7225, 1.0}};
    for (const Case &c : cases) {
        const Estimate e = wilson(c.k, c.n);
        EXPECT_DOUBLE_EQ(e.value, static_cast<double>(c.k) / c.n);
        EXPECT_NEAR(e.lo, c.lo, 5e-5) << c.k << "/" << c.n;
        EXPECT_NEAR(e.hi, c.hi, 5e-5) << c.k << "/" << c.n;
    }
    EXPECT_TRUE(std::isnan(wilson(0, 0).value));
}

// Over 2000 seeded repetitions of 100 trials at p = 0.3 the interval holds p about
// 95 % of the time.
TEST(Statistics, WilsonCoversTheTrueProbability) {
    const double p = 0.3;
    const int repetitions = 2000, trials = 100;
    std::mt19937 g(12345);
    std::bernoulli_distribution trial(p);
    int covered = 0;
    for (int r = 0; r < repetitions; ++r) {
        long k = 0;
        for (int t = 0; t < trials; ++t) k += trial(g);
        const Estimate e = wilson(k, trials);
        covered += e.lo <= p && p <= e.hi;
    }
    EXPECT_NEAR(covered / static_cast<double>(repetitions), 0.95, 0.02);
}

// Spearman's coefficient worked by hand (sum of squared rank differences 4 of
// n = 5: 1 - 6*4/120; with a tie, Pearson's of the mean ranks 9.5/sqrt(95)), its
// Fisher interval; none for a constant input.
TEST(Statistics, RankCorrelationsAsWorkedByHand) {
    struct Case {
        std::vector<double> x, y;
        double r, lo, hi;
    };
    const Case cases[] = {{{1, 2, 3, 4, 5}, {2, 1, 4, 3, 5}, 0.8, -0.31696, 0.98728},
                          {{1, 2, 2, 4, 5}, {1, 3, 2, 4, 5}, 9.5 / std::sqrt(95.0), 0.63598, 0.99852}};
    for (const Case &c : cases) {
        const Estimate e = spearman(c.x, c.y);
        EXPECT_NEAR(e.value, c.r, 1e-12);
        EXPECT_NEAR(e.lo, c.lo, 1e-5);
        EXPECT_NEAR(e.hi, c.hi, 1e-5);
        // One input: the partial rank correlation is Spearman's.
        EXPECT_NEAR(partialrank({c.x}, 0, c.y).value, c.r, 1e-12);
    }
    EXPECT_TRUE(std::isnan(spearman({1, 1, 1, 1, 1}, {1, 2, 3, 4, 5}).value));
    EXPECT_EQ(ranks({3, 1, 3, 2}), (std::vector<double>{3.5, 1, 3.5, 2}));
}

// With two inputs, the partial rank correlation equals the formula of the
// pairwise correlations of the ranks, (r1y - r12 r2y) / sqrt((1 - r12^2)(1 - r2y^2)).
TEST(Statistics, PartialRankCorrelationEqualsThePairwiseFormula) {
    std::mt19937 g(3);
    std::normal_distribution<double> z;
    std::vector<double> x1, x2, y;
    for (int i = 0; i < 60; ++i) {
        x1.push_back(z(g));
        x2.push_back(0.5 * x1.back() + z(g));
        y.push_back(x1.back() + 2 * x2.back() + 0.5 * z(g));
    }
    const double r1y = spearman(x1, y).value, r2y = spearman(x2, y).value, r12 = spearman(x1, x2).value;
    const double expected = (r1y - r12 * r2y) / std::sqrt((1 - r12 * r12) * (1 - r2y * r2y));
    const Estimate e = partialrank({x1, x2}, 0, y);
    EXPECT_NEAR(e.value, expected, 1e-12);
    EXPECT_LT(e.lo, e.value);
    EXPECT_GT(e.hi, e.value);
}

// Quantiles interpolated between order statistics (1..5: the 5 % point 1.2), their
// bootstrap intervals around them within the data and the same for the same seed.
TEST(Statistics, QuantilesWithBootstrapIntervals) {
    const std::vector<double> data{5, 3, 1, 4, 2};
    const std::vector<double> levels{0.05, 0.5, 0.95}, expected{1.2, 3, 4.8};
    const std::vector<Estimate> q = quantiles(data, levels, 9);
    for (size_t l = 0; l < levels.size(); ++l) {
        EXPECT_NEAR(q[l].value, expected[l], 1e-12);
        EXPECT_LE(q[l].lo, q[l].value);
        EXPECT_GE(q[l].hi, q[l].value);
        EXPECT_GE(q[l].lo, 1.0);
        EXPECT_LE(q[l].hi, 5.0);
        EXPECT_EQ(q[l].lo, quantiles(data, levels, 9)[l].lo);
    }
    EXPECT_TRUE(std::isnan(quantiles({}, levels, 9)[1].value));
}

}  // namespace
