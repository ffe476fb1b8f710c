// Evenly spaced grids FROM:TO:STEP of one setting (the mass errors of a sweep, the
// axes of a map), and the shard of a run's points one machine makes. Pure
// functions: they print nothing and never exit.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "records/outcome.h"
#include "settings/request.h"
#include "settings/settings.h"

// Most points a grid, or a map of two, may have: about a day of comparisons on one
// core; more is a mistyped step.
constexpr double MAXGRIDPOINTS = 1e6;

// A whole number of units of 10^-decimals of a setting's unit: it holds 38 digits,
// more than any value of a grid takes (MAXGRIDDIGITS).
using GridUnits = __int128;

// Most digits a value of a grid may have, from its first digit to the last decimal
// place typed in FROM, TO or STEP: a point and its step then stay exact in GridUnits.
constexpr int MAXGRIDDIGITS = 36;

// An evenly spaced list of values of one setting, counted in decimal as typed: point
// i is the decimal number (from + i * step) * 10^-decimals, so it is the value a
// person types for it (-0.6, not -0.6000000000000001); or a list of increasing
// values as given. Written by parsegrid; read by the sweep and the map.
struct Grid {
    GridUnits from;  // first value [10^-decimals of the setting's unit: %, m or rad/rad]
    GridUnits step;  // spacing of the values, positive [same]
    int decimals;    // most decimal places of FROM, TO and STEP as typed, at least 0
    int count;       // number of points
    std::vector<double> listed;  // the values of a list V1,V2,... [the setting's unit]; empty for FROM:TO:STEP
};

// The values a grid's points may take, and how refusals name them. Written by
// settingrange; read by parsegrid.
struct GridRange {
    const char *unit;     // after each value in messages: "%", "m", or "" for none
    const char *example;  // a grid of these values, such as "-50:50:1"
    std::function<bool(double)> accepts;  // whether a point lies in the range (a setting's or a parameter's)
    std::string bounds;   // what that range takes, such as "the mass errors -100 % < error < 100 %"
};

// The values of setting s's numbers, named `symbol` in the bounds ("the reduction
// ratios 0 < ratio1 <= 999.9"): its row's unit, example and range.
GridRange settingrange(Setting s, const std::string &symbol);

// The values of axis a of a map: its setting's range, or the range of the parameter
// it gives a true value of (named `symbol` in the bounds).
GridRange axisrange(PlotAxis a, const std::string &symbol);

// The mass errors of a design [%]: strictly between -100 % and 100 % (no positive mass otherwise).
GridRange errorrange();

// One of n shards of a run's points: the points k, k + n, k + 2n, ... (k counted
// from 0). Written by parseshard; read by the sweep and the map.
struct Shard {
    int k;  // index of this shard, 0..n-1
    int n;  // number of shards, at least 1
};

// Parses "FROM:TO:STEP" in the range's unit. Point i is FROM + i * STEP, worked out
// in decimal; TO is the last point when it lies on the grid within a millionth of
// STEP, otherwise the last point is the one below it. Refuses, saying why, a step
// that is not positive, FROM above TO, values of more than MAXGRIDDIGITS digits,
// more than MAXGRIDPOINTS points and any point the range does not accept.
// Text without ':' is a list of values "V1,V2,...", point i the (i+1)-th value:
// one value or more, each above the one before, each accepted by the range, at
// most MAXGRIDPOINTS of them.
Outcome parsegrid(const std::string &text, const GridRange &range, Grid &grid);

// Value of point i: the double nearest to its decimal value.
double gridpoint(const Grid &grid, int i);

// A value as refusals show it: every digit that tells it apart, then the unit.
std::string valuetext(double v, const char *unit);

// Reads --errors FROM:TO:STEP as parsegrid does on errorrange(); refuses with
// "--errors: 'TEXT' refused; <why>".
Outcome readgrid(const std::string &text, Grid &grid);

// Parses "K/N": N at least 1, K in 0..N-1; refuses anything else, saying why.
Outcome parseshard(const std::string &text, Shard &shard);

// The indices of a shard's points among a run's, in increasing order, read as a
// list: point k of the shard is the run's point first + k * stride. Written by
// shardpoints; read by the sweep and the map. Holds no list, so a run's memory does
// not grow with its points.
struct ShardPoints {
    int first;   // the shard's index K: its first point when there is one
    int stride;  // the number of shards N
    int count;   // points of the shard, 0 when K lies beyond the run's points
    size_t size() const { return static_cast<size_t>(count); }
    int operator[](size_t k) const { return static_cast<int>(first + static_cast<long long>(k) * stride); }
};

// The points of the shard among `count` points: every point index lies in
// 0..count-1, for any N up to the largest int.
ShardPoints shardpoints(int count, const Shard &shard);
