// Maps: the comparison for every point of a grid of one or two settings (or of one
// shard of it), each point made in its own worker process.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "records/outcome.h"
#include "records/records.h"
#include "jobs/grid.h"
#include "jobs/mapgrid.h"
#include "study/comparison.h"
#include "settings/request.h"

// One map. Written by readmap and the front end (shard, jobs); read by mappoints.
struct MapJob {
    CompareRequest request;  // settings of every point before the axes put in theirs
    MapGrid grid;            // the axes
    Shard shard;             // the points this run makes, counted in grid order
    int jobs;                // comparisons at once, each in a worker process
};

// The error-free half of the points that differ only in the mass error (a row when
// error is the x axis, a column when it is the y axis).
struct SharedHalf {
    ComparisonResult result;               // what errorfreepass returned
    std::unique_ptr<RecordsCopy> records;  // the records it left
};

// A map under way. Written by mappoints and preparemappoint; read by mappointline
// and mappointname.
struct MapPoints {
    MapJob job;
    ShardPoints indices;               // the run's grid points, p = i + nx j
    int erroraxis;                     // the axis of the mass error when points share halves: 0 x, 1 y; -1 none
    std::map<int, int> left;           // points still to start, by row (x) or column (y) that shares a half
    std::map<int, SharedHalf> halves;  // the halves made and still needed, by row or column
    ComparisonResult current;          // the half the next worker starts from
};

// Reads the settings of a map as the command line gives them: those of a
// comparison (`values`) and the axes --x and --y, NAME=FROM:TO:STEP as typed
// (`typed`, "" for no --y). Refuses axes parseaxis or checkaxes refuses and a
// start or end point the SCARA cannot reach that no axis varies. The shard and the
// workers are the front end's.
Outcome readmap(const CompareOptionValues &values, const std::string typed[2], MapJob &job);

// The job's points in grid order (y outer, x inner). Points that differ only in the
// mass error share their error-free half, along the axis of the mass error, unless
// too many halves would be kept at once.
MapPoints mappoints(const MapJob &job);

// In this process before point k's worker is forked: the records of its shared
// half, made on records set up for its robot (installrobot) the first time it is needed.
void preparemappoint(MapPoints &m, int k);

// In the worker: the line of point k, the result object of sotoc compare --json for
// the point's settings, or that of an unreachable point, with "map": {"i": i,
// "j": j} added (j is 0 in a one-axis map); it equals that of a single comparison.
std::string mappointline(const MapPoints &m, int k);

// Point k in a failure message: "map point i=I j=J".
std::string mappointname(const MapPoints &m, int k);
