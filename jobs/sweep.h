// Sweeps: the comparison of one set of settings for every mass error of a grid (or
// of one shard of it), each point in its own worker process, in grid order.
#pragma once

#include <functional>
#include <string>

#include "jobs/grid.h"
#include "study/request.h"
#include "workers/resultrun.h"

// One sweep. Written by readsweep (and the front end: shard, jobs); read by runsweeppoints.
struct SweepJob {
    CompareRequest request;  // settings of every point; errorPercent is each point's
    Grid grid;               // mass errors [%]
    Shard shard;             // the grid points this run makes
    int jobs;                // comparisons at once, each in a worker process
};

// Reads the settings of a sweep as the command line gives them: those of a
// comparison (`values`, without the mass error) and --errors FROM:TO:STEP [%].
// "" or the refusal; the shard and the workers are the front end's.
std::string readsweep(const CompareOptionValues &values, const std::string &errors, SweepJob &job);

// Runs the error-free half of the pass once, here, and hands `run` the job's points:
// each point's line is made in a worker forked after it, on the records that half
// left, so every line equals that of a single comparison of the same settings.
// Returns what `run` returns.
int runsweeppoints(const SweepJob &job, const std::function<int(const ResultPoints &)> &run);
