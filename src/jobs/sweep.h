// Sweeps: the comparison of one set of settings for every mass error of a grid (or
// of one shard of it), each point made in its own worker process.
#pragma once

#include <string>
#include <vector>

#include "jobs/grid.h"
#include "study/comparison.h"
#include "settings/request.h"

// One sweep. Written by the front end from its arguments; read by sweeppoints.
struct SweepJob {
    CompareRequest request;  // settings of every point; errorPercent is each point's
    Grid grid;               // mass errors [%]
    Shard shard;             // the grid points this run makes
    int jobs;                // comparisons at once, each in a worker process
};

// A sweep ready to run. Written by sweeppoints; read by sweepline and sweepname.
struct SweepPoints {
    CompareRequest request;     // settings of every point
    Grid grid;                  // mass errors [%]
    ShardPoints indices;        // the shard's grid points, in grid order
    ComparisonResult freeHalf;  // the error-free half of the pass, made once
};

// Makes the error-free half of the job's pass, in this process. Each point's error
// half then runs in a worker forked after it (sweepline), so every result line
// equals that of a single comparison of the same settings.
SweepPoints sweeppoints(const SweepJob &job);

// In the worker: the result line of point k (0..indices.size()-1), without its end.
std::string sweepline(const SweepPoints &points, int k);

// Point k in a failure message: "mass error P %".
std::string sweepname(const SweepPoints &points, int k);
