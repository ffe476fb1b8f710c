// sotoc sweep: the comparison for every mass error of a grid (or of one shard of
// it), as JSON Lines in grid order, with a plot on request.
#pragma once

#include <string>

#include "commands/grid.h"
#include "study/request.h"

// One sweep. Written by the command from its options; read by runsweep.
struct SweepJob {
    CompareRequest request;  // settings of every point; errorPercent is each point's
    Grid grid;               // mass errors [%]
    Shard shard;             // the grid points this run makes
    int jobs;                // comparisons at once, each in a worker process
};

// Runs the comparisons of the job's points, writing one result line each to file
// descriptor `out` in grid order, and keeps the lines written in `lines`. The
// error-free half of the pass runs once; each point's error half runs in a worker
// forked after it, so every line equals that of a single comparison of the same
// settings. Shows a progress line when standard error is a terminal. Ends and
// returns as runresults (workers/resultrun.h) does.
int runsweep(const SweepJob &job, int out, std::string &lines);

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit status.
int sweepcommand(int argc, char **argv);
