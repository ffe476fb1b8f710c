#include "simulation/sensing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The generator's published test vector: the first five outputs from seed 1234567.
TEST(Noise, GeneratorAndNormalDrawsArePinned) {
    const uint64_t published[5] = {6457827717110365317ULL, 3203168211198807973ULL, 9817491932198370423ULL,
                                   4593380528125082431ULL, 16408922859458223821ULL};
    for (uint64_t n = 0; n < 5; ++n) EXPECT_EQ(splitmix64(1234567, n), published[n]) << "output " << n;

    // The draws of an instant, computed apart from the program by a Python transcription
    // of the generator and the Box-Muller transform with Python's math module.
    const struct {
        uint64_t seed, k;
        double z[4];
    } cases[] = {
        {0, 0, {-0.45275774021745807, 0.20776603893419174, 2.650605812079669, -0.4904228253986477}},
        {3, 7, {0.6536437922517184, -0.6793529612995469, -0.1354977186943807, -0.8419387905758079}},
        {9007199254740992ULL, 123456,
         {-0.40622794664603906, 1.3049779889307207, -0.019085319820800185, -0.041987396443893654}},
    };
    for (const auto &c : cases) {
        double z[4];
        instantnoise(c.seed, c.k, z);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(z[i], c.z[i]) << "seed " << c.seed << " instant " << c.k << " draw " << i;
    }
    // The extremes of the uniform numbers: never 0 (the logarithm stays finite), 1 at most.
    EXPECT_EQ(unitinterval(0), 1.0 / 9007199254740992.0);
    EXPECT_EQ(unitinterval(~0ULL), 1.0);
}

// Encoder counts at the joint and the positions read, worked by hand.
TEST(Encoder, CountsAndQuantisedPositions) {
    const double twopi = 6.283185307179586;
    const struct {
        double counts, u, q, read;
    } cases[] = {
        {1000.0, 40.0, 0.0, 0.0},
        {1000.0, 40.0, 0.0003, twopi / 40000.0 * 2.0},        // 1.91 counts: the nearest is 2
        {1000.0, 40.0, -0.0003, -twopi / 40000.0 * 2.0},      // symmetric about zero
        {4.0, 1.0, 1.0, twopi / 4.0},                        // 0.64 of a quarter turn: one count
        {4.0, 1.0, 0.7, 0.0},                                 // 0.45 of a count: none
        {INFINITY, 40.0, 0.123456789, 0.123456789},           // no encoder: exact
    };
    for (const auto &c : cases) {
        const double step = countstep(c.counts, c.u);
        EXPECT_DOUBLE_EQ(quantised(c.q, step), c.read) << c.counts << " counts, u " << c.u << ", q " << c.q;
    }
    // A huge count reads every position to its last digits.
    const double fine = countstep(1e12, 40.0);
    for (double q : {-2.5, 0.001, 1.234567}) EXPECT_NEAR(quantised(q, fine), q, 1e-13);
}

// The run's past read at earlier times: states at the step ends, straight lines between.
TEST(Delay, PastStatesInterpolatedBetweenSteps) {
    StateHistory past;
    const double a[4] = {1.0, 2.0, 0.0, 0.0}, b[4] = {2.0, 0.0, 4.0, -4.0}, c[4] = {4.0, 0.0, 4.0, 0.0};
    remember(past, 0.0, a);
    remember(past, 0.5, b);
    remember(past, 1.5, c);
    const struct {
        double when, x[4];
    } cases[] = {
        {-0.2, {1.0, 2.0, 0.0, 0.0}},   // before the start: the state at rest
        {0.0, {1.0, 2.0, 0.0, 0.0}},
        {0.25, {1.5, 1.0, 2.0, -2.0}},
        {0.5, {2.0, 0.0, 4.0, -4.0}},
        {1.0, {3.0, 0.0, 4.0, -2.0}},
        {1.5, {4.0, 0.0, 4.0, 0.0}},
        {2.0, {4.0, 0.0, 4.0, 0.0}},    // not yet reached: the latest state
    };
    for (const auto &k : cases) {
        double x[4];
        pastat(past, k.when, x);
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(x[i], k.x[i]) << "at " << k.when << ", component " << i;
    }
}

// Readings of a sensor over three instants: delay, counts, differenced velocities and noise.
TEST(Sensor, ReadingsCombineDelayCountsDifferencesAndNoise) {
    Sensor s = {};
    s.period = 0.5;
    const double x0[4] = {0.0, 0.0, 0.0, 0.0}, x1[4] = {0.4, 1.0, 1.0, 2.0}, x2[4] = {1.2, 3.0, 2.0, 2.0};
    remember(s.past, 0.0, x0);
    remember(s.past, 0.5, x1);
    remember(s.past, 1.0, x2);
    double r[4];
    // Delay 0.25 s: halfway between the step ends; counts of 0.25; velocities differenced.
    s.delay = 0.25;
    s.step[0] = s.step[1] = 0.25;
    s.differenced = true;
    readsensor(s, 0, 0.0, x0, r);
    EXPECT_EQ(r[0], 0.0);
    EXPECT_EQ(r[2], 0.0);  // at rest at instant 0
    readsensor(s, 1, 0.5, x1, r);  // state read (0.2, 0.5): counts 0.25, 0.5
    EXPECT_DOUBLE_EQ(r[0], 0.25);
    EXPECT_DOUBLE_EQ(r[1], 0.5);
    EXPECT_DOUBLE_EQ(r[2], 0.5);  // (0.25 - 0) / 0.5
    EXPECT_DOUBLE_EQ(r[3], 1.0);
    readsensor(s, 2, 1.0, x2, r);  // state read (0.8, 2.0): counts 0.75, 2.0
    EXPECT_DOUBLE_EQ(r[0], 0.75);
    EXPECT_DOUBLE_EQ(r[1], 2.0);
    EXPECT_DOUBLE_EQ(r[2], 1.0);
    EXPECT_DOUBLE_EQ(r[3], 3.0);

    // Delayed without encoders: positions and velocities of the same earlier state,
    // halfway between the step ends at 0.5 and 1.0 s.
    Sensor d = {};
    d.period = 0.5;
    d.delay = 0.25;
    d.past = s.past;
    readsensor(d, 2, 1.0, x2, r);
    const double halfway[4] = {0.8, 2.0, 1.5, 2.0};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(r[i], halfway[i]) << "delayed reading " << i;

    // Without delay and counts the state itself, plus the instant's draws times the deviations.
    Sensor n = {};
    n.period = 0.5;
    n.seed = 3;
    const double sd[4] = {0.1, 0.2, 0.3, 0.4};
    std::copy(sd, sd + 4, n.sd);
    readsensor(n, 7, 3.5, x1, r);
    const double z[4] = {0.6536437922517184, -0.6793529612995469, -0.1354977186943807, -0.8419387905758079};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(r[i], x1[i] + sd[i] * z[i]) << "reading " << i;
}

}  // namespace
