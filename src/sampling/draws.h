// Folder sampling/: the draws of a Monte Carlo study and the statistics of its results (GSL's generators, distributions, quasi-random points and statistics); prints nothing; uses records/.
// The draws: the distribution of each uncertain input, the sampling scheme, and the
// table of every sample's values, each a function of the seed, the sample's index and
// the number of samples only (never of the machine, the workers or the shard).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/outcome.h"

// The distributions an uncertain input may follow.
enum DistributionKind {
    DISTNORMAL,       // normal:MEAN,SD
    DISTUNIFORM,      // uniform:LO,HI
    DISTTRUNCNORMAL,  // truncnormal:MEAN,SD,LO,HI: the normal restricted to LO..HI
    DISTLOGNORMAL,    // lognormal:ZETA,SIGMA: exp(ZETA + SIGMA z), z standard normal
};

// One input's distribution, in the input's unit (percent for errors). Written by
// parsedistribution; read by drawvalue.
struct Distribution {
    DistributionKind kind;
    double mean;  // MEAN of normal and truncnormal; ZETA of lognormal [the input's unit; ZETA: of its logarithm]
    double sd;    // SD of normal and truncnormal, SIGMA of lognormal, at least 0 (0: a point) [the same]
    double lo;    // LO of uniform and truncnormal [the input's unit]
    double hi;    // HI of uniform and truncnormal, above LO [the input's unit]
};

// Reads "normal:MEAN,SD", "uniform:LO,HI", "truncnormal:MEAN,SD,LO,HI" or
// "lognormal:ZETA,SIGMA"; refuses, saying why, another word, a count of numbers
// other than the kind's, text that is no finite number, SD < 0, LO >= HI, and a
// truncnormal whose MEAN lies outside LO..HI while SD is 0.
Outcome parsedistribution(const std::string &text, Distribution &d);

// The value of distribution d at the probability u in (0, 1): its inverse
// distribution function (GSL's gsl_cdf_*_Pinv); SD 0 gives the point MEAN.
double drawvalue(const Distribution &d, double u);

// How the probabilities of the samples are laid out.
enum SamplingScheme {
    SAMPLINGRANDOM,  // independent uniform probabilities per sample and input
    SAMPLINGLHS,     // Latin hypercube: each input's N strata hit once each
    SAMPLINGSOBOL,   // Sobol points, digitally shifted (scrambled) by the seed
};

// The scheme of a word "random", "lhs" or "sobol"; false for another.
bool samplingnamed(const std::string &word, SamplingScheme &s);

// The word of scheme s.
const char *samplingword(SamplingScheme s);

// Most inputs a Sobol study may have: the dimensions of GSL's Sobol sequence.
constexpr int MAXSOBOLINPUTS = 40;

// The seed of GSL's Mersenne Twister (gsl_rng_mt19937) for stream `stream` of run
// seed `seed`: the 64-bit mix (SplitMix64's finaliser) of seed * 2^32 + stream, of
// which the generator keeps the low 32 bits. Stream i < 2^31 is sample i's own;
// the streams from 2^31 on serve the Latin hypercube's permutations, the Sobol
// shift and the bootstrap (STREAMPERMUTATION, STREAMSHIFT, STREAMBOOTSTRAP).
std::uint64_t streamseed(std::uint64_t seed, std::uint64_t stream);

// The streams beyond the samples': the permutation of input j is stream
// STREAMPERMUTATION + j, the Sobol shift stream STREAMSHIFT, the bootstrap of the
// summary stream STREAMBOOTSTRAP.
constexpr std::uint64_t STREAMPERMUTATION = 0x80000000u;
constexpr std::uint64_t STREAMSHIFT = 0xC0000000u;
constexpr std::uint64_t STREAMBOOTSTRAP = 0xC0000001u;

// The probabilities of every sample for every input: probabilities[i][j] in (0, 1)
// for sample i (0..n-1) and input j (0..inputs-1).
//   random: u = gsl_rng_uniform_pos of sample i's stream, input by input;
//   lhs:    u = (pi_j(i) + v) / n, pi_j a permutation of 0..n-1 shuffled
//           (gsl_ran_shuffle) by stream STREAMPERMUTATION + j, v drawn as for random;
//   sobol:  point i of the Sobol sequence (point 0 all zeros, point i >= 1 the i-th
//           of GSL's gsl_qrng_sobol), so that n = 2^k points fill each input's
//           n strata once; each coordinate's 30 bits XOR a mask drawn by stream STREAMSHIFT, moved
//           by half of its last bit off the cube's faces.
// Needs inputs <= MAXSOBOLINPUTS for sobol.
std::vector<std::vector<double>> drawprobabilities(SamplingScheme s, std::uint64_t seed, int n, int inputs);
