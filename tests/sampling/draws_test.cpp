// The draws: GSL's generator against its published values, the distributions' texts
// and values worked by hand, and the samples' probabilities as functions of the
// seed, the index and the count only.
#include <gtest/gtest.h>

#include <gsl/gsl_rng.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "sampling/draws.h"

namespace {

// GSL's Mersenne Twister gives the values published for it: the C++ standard's
// 10000th value of seed 5489 and GSL's own test of seed 4357.
TEST(Draws, GeneratorGivesItsPublishedValues) {
    struct Case {
        unsigned long seed;
        int draws;
        unsigned long value;
    };
    const Case cases[] = {{5489, 10000, 4123659995ul}, {4357, 1000, 1186927261ul}};
    gsl_rng *g = gsl_rng_alloc(gsl_rng_mt19937);
    for (const Case &c : cases) {
        gsl_rng_set(g, c.seed);
        unsigned long v = 0;
        for (int i = 0; i < c.draws; ++i) v = gsl_rng_get(g);
        EXPECT_EQ(v, c.value) << c.seed;
    }
    gsl_rng_free(g);
}

// Each distribution's value at a probability, worked by hand (z = 1.959964 at
// 0.975, 0.674490 at 0.75), and the texts refused.
TEST(Draws, DistributionsReadAndDrawAsWorkedByHand) {
    const double z975 = 1.959963984540054, z75 = 0.6744897501960817;
    struct Case {
        const char *text;
        double u;
        double value;
    };
    const Case cases[] = {
        {"normal:1,2", 0.975, 1 + 2 * z975},
        {"normal:-3,2", 0.5, -3},
        {"normal:3,0", 0.1, 3},
        {"uniform:-2,6", 0.25, 0},
        {"truncnormal:0,1,-1,1", 0.5, 0},
        {"truncnormal:0,1,0,10", 0.5, z75},  // the upper half: the median is the 75 % point
        {"truncnormal:2,0,-1,3", 0.9, 2},
        {"lognormal:0,1", 0.5, 1},
        {"lognormal:1,0.5", 0.975, std::exp(1 + 0.5 * z975)},
    };
    for (const Case &c : cases) {
        Distribution d{};
        ASSERT_TRUE(parsedistribution(c.text, d).ok()) << c.text;
        EXPECT_NEAR(drawvalue(d, c.u), c.value, 1e-9) << c.text;
    }
    const char *refusedtexts[] = {"normal:1",         "normal:1,-1", "uniform:2,2",          "uniform:3,1",
                                  "truncnormal:0,1,1,-1", "truncnormal:5,0,-1,1", "cauchy:0,1", "normal:a,1",
                                  "normal:1,2,3",     "normal:nan,1", "normal",               "normal:1, 2",
                                  "normal:1,2x",      "normal:1,,2",  "lognormal:0,-1",      ""};
    for (const char *text : refusedtexts) {
        Distribution d{};
        EXPECT_EQ(parsedistribution(text, d).status, 2) << text;
    }
}

// The probabilities lie in (0, 1); the seed alone changes them; a random sample's
// do not depend on the count; the Latin hypercube and the Sobol points of 16
// samples put one sample in each of an input's 16 strata.
TEST(Draws, ProbabilitiesAreFunctionsOfSeedIndexAndCount) {
    const int n = 16, inputs = 3;
    for (SamplingScheme s : {SAMPLINGRANDOM, SAMPLINGLHS, SAMPLINGSOBOL}) {
        const auto p = drawprobabilities(s, 7, n, inputs);
        EXPECT_EQ(p, drawprobabilities(s, 7, n, inputs)) << samplingword(s);
        EXPECT_NE(p, drawprobabilities(s, 8, n, inputs)) << samplingword(s);
        for (int j = 0; j < inputs; ++j) {
            std::set<int> strata;
            for (int i = 0; i < n; ++i) {
                EXPECT_GT(p[i][j], 0.0);
                EXPECT_LT(p[i][j], 1.0);
                strata.insert(static_cast<int>(p[i][j] * n));
            }
            if (s != SAMPLINGRANDOM) {
                EXPECT_EQ(strata.size(), 16u) << samplingword(s) << " input " << j;
            }
        }
    }
    const auto fewer = drawprobabilities(SAMPLINGRANDOM, 7, 5, inputs);
    const auto more = drawprobabilities(SAMPLINGRANDOM, 7, 16, inputs);
    EXPECT_EQ(fewer, std::vector<std::vector<double>>(more.begin(), more.begin() + 5));
}

}  // namespace
