// Maps: the comparison for every point of a grid of one or two settings (or of one
// shard of it), each point in its own worker process, in grid order.
#pragma once

#include <functional>
#include <string>

#include "jobs/grid.h"
#include "jobs/mapgrid.h"
#include "study/request.h"
#include "workers/resultrun.h"

// One map. Written by readmap (and the front end: shard, jobs); read by runmappoints.
struct MapJob {
    CompareRequest request;  // settings of every point before the axes put in theirs
    MapGrid grid;            // the axes
    Shard shard;             // the points this run makes, counted in grid order
    int jobs;                // comparisons at once, each in a worker process
};

// Reads the settings of a map as the command line gives them: those of a
// comparison (`values`) and the axes --x and --y, NAME=FROM:TO:STEP as typed
// (`typed`, "" for no --y). Refuses axes parseaxis or axesrefusal refuses and a
// start or end point the SCARA cannot reach that no axis varies. "" or the
// refusal; the shard and the workers are the front end's.
std::string readmap(const CompareOptionValues &values, const std::string typed[2], MapJob &job);

// Hands `run` the job's points in grid order (y outer, x inner): each point's line
// is the result object of sotoc compare --json for the point's settings, or that of
// an unreachable point, with "map": {"i": i, "j": j} added (j is 0 in a one-axis
// map). Points that differ only in the mass error share their error-free half: it
// runs once in this process (prepare), and their error halves in workers forked on
// the records it left, so every line equals that of a single comparison. Leaves the
// records as initialset leaves them; returns what `run` returns.
int runmappoints(const MapJob &job, const std::function<int(const ResultPoints &)> &run);
