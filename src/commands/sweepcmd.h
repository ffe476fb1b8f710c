// sotoc sweep: the comparison for every mass error of a grid (or of one shard of
// it), as JSON Lines in grid order, with a plot on request.
#pragma once

#include <functional>
#include <string>

#include "jobs/sweep.h"

// Runs the comparisons of the job's points, writing one result line each to file
// descriptor `out` in grid order (sweeppoints, sweepline), and hands each to
// `written` (may be empty) once written, keeping none. Shows a progress line when standard error is a terminal. Ends and
// returns as runresults (processes/resultrun.h) does.
Outcome runsweep(const SweepJob &job, int out, const std::function<void(const std::string &)> &written);

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit status.
int sweepcommand(int argc, char **argv);
