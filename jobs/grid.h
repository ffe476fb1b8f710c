// The mass errors of a sweep: a grid FROM:TO:STEP in percent, and the shard of it
// one machine runs. Pure functions: they print nothing and never exit.
#pragma once

#include <string>
#include <vector>

// An evenly spaced list of mass errors. Written by parsegrid; read by the sweep.
struct ErrorGrid {
    double from;  // first mass error [%]
    double step;  // spacing of the mass errors [%], positive
    int count;    // number of points; point i is from + i * step
};

// One of n shards of a grid: the points k, k + n, k + 2n, ... (k counted from 0).
// Written by parseshard; read by the sweep.
struct Shard {
    int k;  // index of this shard, 0..n-1
    int n;  // number of shards, at least 1
};

// Parses "FROM:TO:STEP" (percent). Point i is FROM + i * STEP; TO is the last
// point when it lies on the grid within a millionth of STEP, otherwise the last
// point is the one below it. Refuses, with a message, a step that is not positive,
// FROM above TO, and any point at or beyond -100 % or 100 % (no positive mass).
bool parsegrid(const std::string &text, ErrorGrid &grid, std::string &message);

// Reads --errors FROM:TO:STEP as parsegrid does: "" or the refusal
// "--errors: 'TEXT' refused; <why>".
std::string readgrid(const std::string &text, ErrorGrid &grid);

// Mass error of point i [%].
double gridpoint(const ErrorGrid &grid, int i);

// Parses "K/N": N at least 1, K in 0..N-1; refuses anything else with a message.
bool parseshard(const std::string &text, Shard &shard, std::string &message);

// The grid indices of the shard, in increasing order.
std::vector<int> shardpoints(const ErrorGrid &grid, const Shard &shard);
