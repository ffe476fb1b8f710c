// Monte Carlo studies: the comparison of one set of settings for each of N samples
// of uncertain inputs (or of one shard of them), each sample made in its own worker
// process; the sample's values a function of the seed, its index and N only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jobs/grid.h"
#include "sampling/draws.h"
#include "settings/request.h"
#include "settings/settings.h"

// One uncertain input. Written by readuncertain; read by the samples.
struct UncertainInput {
    std::string name;   // NAME as typed: error, design-error:NAME, seed, ... (a map axis's name)
    PlotAxis axis;      // the setting it gives a value of
    Distribution dist;  // its distribution, in the axis's unit (percent for errors)
};

// Largest seed of a study: the generator's seeds are mixed from it (streamseed).
constexpr double MAXSTUDYSEED = 4294967295.0;  // 2^32 - 1

// One study. Written by the front end from its arguments; read by montecarlopoints.
struct MonteCarloJob {
    CompareRequest request;              // settings of every sample before its inputs are put in
    std::vector<UncertainInput> inputs;  // in the order given, at least one
    SamplingScheme sampling;             // how the samples' probabilities are laid out
    std::uint64_t seed;                  // seed of the draws, 0..MAXSTUDYSEED
    int samples;                         // N, 1..MAXGRIDPOINTS
    Shard shard;                         // the samples this run makes
    int jobs;                            // comparisons at once, each in a worker process
};

// Reads "NAME=DIST": NAME a map axis's name (error, design-error:NAME, seed, ...),
// DIST as parsedistribution reads it. Refuses either, saying why.
Outcome readuncertain(const std::string &text, UncertainInput &input);

// The study's own settings as typed. Written by the front end; read by readmontecarlo.
struct StudyTexts {
    int samples;                         // N
    std::string seed;                    // the draws' seed
    std::string sampling;                // random, lhs or sobol
    std::vector<std::string> uncertain;  // NAME=DIST each
};

// Reads a study: the comparison's settings (`values`) and the study's own (`texts`)
// into `job` (not its shard nor its workers). Refuses, as "--OPTION: 'VALUE' refused;
// why", a setting out of its range, an input readuncertain refuses, inputs that
// name one setting twice, a Sobol study of more inputs than MAXSOBOLINPUTS, and an
// option of the comparison whose value an input draws (--error with error, ...).
Outcome readmontecarlo(const CompareOptionValues &values, const StudyTexts &texts, MonteCarloJob &job);

// A study ready to run. Written by montecarlopoints; read by montecarloline.
struct MonteCarloPoints {
    MonteCarloJob job;
    ShardPoints indices;                      // the shard's samples, in index order
    std::vector<std::vector<double>> values;  // values[i][j]: input j of sample i [the input's unit]
};

// Draws every sample's values: input j of sample i is drawvalue(dist_j, u_ij) of
// the probabilities drawprobabilities gives (the noise seed rounded down to a
// whole number).
MonteCarloPoints montecarlopoints(const MonteCarloJob &job);

// In the worker: the line of the shard's sample k (0..indices.size()-1), without its
// end: {"sample": i, "drawn": {NAME: value, ...}, "montecarlo": {"seed", "samples",
// "sampling"}} followed by the fields of the result object of sotoc compare --json
// for the sample's settings. A sample whose value lies outside its setting's range
// has outcome "out-of-range" and one the SCARA cannot reach "unreachable", each
// with the reason and no figures.
std::string montecarloline(const MonteCarloPoints &points, int k);

// Sample k in a failure message: "sample I".
std::string montecarloname(const MonteCarloPoints &points, int k);
