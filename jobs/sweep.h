// Sweeps: the comparison of one set of settings for every mass error of a grid (or
// of one shard of it), each point in its own worker process, in grid order.
#pragma once

#include <functional>
#include <string>

#include "jobs/grid.h"
#include "study/request.h"
#include "workers/workers.h"

// One sweep. Written by the front end from its arguments; read by runsweeppoints.
struct SweepJob {
    CompareRequest request;  // settings of every point; errorPercent is each point's
    ErrorGrid grid;          // mass errors [%]
    Shard shard;             // the grid points this run makes
    int jobs;                // comparisons at once, each in a worker process
};

// Runs the comparisons of the job's points. The error-free half of the pass runs
// once, here; each point's error half runs in a worker forked after it, so every
// result line equals that of a single comparison of the same settings.
// deliver(percent, run) gets each point's mass error [%] and run (its result line,
// or why it failed) in grid order; stop and wait act as in runinworkers. Returns
// the number of points delivered.
int runsweeppoints(const SweepJob &job, const std::function<void(double, const WorkerRun &)> &deliver,
                   const std::function<bool()> &stop, const WorkerWait &wait);

// Why the point of mass error `percent` [%] gave no result: "mass error P %: why".
std::string pointfailure(double percent, const std::string &why);
