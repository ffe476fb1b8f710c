// sotoc map: the comparison for every point of a grid of one or two settings (or of
// one shard of it), as JSON Lines in grid order, with a picture on request.
#pragma once

#include <functional>
#include <string>

#include "jobs/map.h"

// Runs the comparisons of the job's points (mappoints), writing one line each to
// file descriptor `out` in grid order, and hands each to `written` (may be empty)
// once written, keeping none. Shows a progress line when standard error is a
// terminal. Ends and returns as runresults (processes/resultrun.h) does. Leaves the
// records as initialset leaves them.
Outcome runmap(const MapJob &job, int out, const std::function<void(const std::string &)> &written);

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit status.
int mapcommand(int argc, char **argv);
