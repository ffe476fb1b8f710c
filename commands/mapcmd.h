// sotoc map: the comparison for every point of a grid of one or two settings (or of
// one shard of it), as JSON Lines in grid order, with a picture on request.
#pragma once

#include <string>

#include "jobs/grid.h"
#include "commands/mapgrid.h"
#include "study/request.h"

// One map. Written by the command from its options; read by runmap.
struct MapJob {
    CompareRequest request;  // settings of every point before the axes put in theirs
    MapGrid grid;            // the axes
    Shard shard;             // the points this run makes, counted in grid order
    int jobs;                // comparisons at once, each in a worker process
};

// Runs the comparisons of the job's points in grid order (y outer, x inner),
// writing one line each to file descriptor `out`: the result object of sotoc
// compare --json for the point's settings, or that of an unreachable point, with
// "map": {"i": i, "j": j} added (j is 0 in a one-axis map). Keeps the lines written
// in `lines`. Points that differ only in the mass error share their error-free
// half: it runs once in this process, and their error halves in workers forked on
// the records it left, so every line equals that of a single comparison. Shows a
// progress line when standard error is a terminal. Ends and returns as runresults
// (workers/resultrun.h) does. Leaves the records as initialset leaves them.
int runmap(const MapJob &job, int out, std::string &lines);

// Runs the subcommand with its arguments (argv[0] is its name); returns the exit status.
int mapcommand(int argc, char **argv);
