// sotoc sweep: the comparison for every mass error of a grid (or of one shard of
// it), as JSON Lines in grid order, with a plot on request.
#pragma once

#include <vector>

#include "jobs/sweep.h"
#include "plots/plot.h"

// Runs the comparisons of the job's points (runsweeppoints), writing one result
// line each to file descriptor `out` in grid order, and keeps what a plot needs.
// Shows a progress line when standard error is a terminal. A stop signal starts no further
// point; the lines written are whole. Returns 0, the stop status (130 or 143), or
// 1 when a point failed or the output could not be written (said once; 1 then
// also when stopped, as lines are missing).
int runsweep(const SweepJob &job, int out, SweepSetup &setup, std::vector<SweepPoint> &points);

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit status.
int sweepcommand(int argc, char **argv);
