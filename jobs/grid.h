// Evenly spaced grids FROM:TO:STEP of one setting (the mass errors of a sweep, the
// axes of a map), and the shard of a run's points one machine makes. Pure
// functions: they print nothing and never exit.
#pragma once

#include <string>
#include <vector>

// Most points a grid, or a map of two, may have: about a day of comparisons on one
// core; more is a mistyped step.
constexpr double MAXGRIDPOINTS = 1e6;

// An evenly spaced list of values of one setting. Written by parsegrid; read by
// the sweep and the map.
struct Grid {
    double from;  // first value, in the setting's unit ([%], [m], [rad/rad])
    double step;  // spacing of the values, positive, same unit
    int count;    // number of points; point i is from + i * step
};

// The values a grid's points may take, and how refusals name them. Written by the
// grids' users (errorrange, the map's axes); read by parsegrid.
struct GridRange {
    const char *unit;            // after each value in messages: "%", "m", or "" for none
    const char *example;         // a grid of these values, such as "-50:50:1"
    bool (*accepted)(double v);  // whether a point may take the value v
    std::string bounds;          // what `accepted` takes, such as "the mass errors -100 % < error < 100 %"
};

// The mass errors of a design [%]: strictly between -100 % and 100 % (no positive mass otherwise).
GridRange errorrange();

// One of n shards of a run's points: the points k, k + n, k + 2n, ... (k counted
// from 0). Written by parseshard; read by the sweep and the map.
struct Shard {
    int k;  // index of this shard, 0..n-1
    int n;  // number of shards, at least 1
};

// Parses "FROM:TO:STEP" in the range's unit. Point i is FROM + i * STEP; TO is the
// last point when it lies on the grid within a millionth of STEP, otherwise the last
// point is the one below it. Refuses, with a message, a step that is not positive,
// FROM above TO, more than MAXGRIDPOINTS points and any point the range does not accept.
bool parsegrid(const std::string &text, const GridRange &range, Grid &grid, std::string &message);

// Value of point i.
double gridpoint(const Grid &grid, int i);

// A value as refusals show it: every digit that tells it apart, then the unit.
std::string valuetext(double v, const char *unit);

// Reads --errors FROM:TO:STEP as parsegrid does on errorrange(): "" or the refusal
// "--errors: 'TEXT' refused; <why>".
std::string readgrid(const std::string &text, Grid &grid);

// Parses "K/N": N at least 1, K in 0..N-1; refuses anything else with a message.
bool parseshard(const std::string &text, Shard &shard, std::string &message);

// The indices of the shard's points among `count` points, in increasing order.
std::vector<int> shardpoints(int count, const Shard &shard);
