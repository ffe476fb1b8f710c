#include "jobs/grid.h"

#include <cmath>
#include <initializer_list>

#include "study/comparison.h"
#include "study/request.h"
#include "study/usertext.h"

namespace {

// TO counts as a grid point when it lies within this share of STEP of one: the
// decimal steps people type (0.1, 0.25) are not exact in binary.
constexpr double ENDTOLERANCE = 1e-6;
// Most points a grid may have: about a day of comparisons on one core; more is a
// mistyped step.
constexpr double MAXPOINTS = 1e6;

// A mass error as the user would type it (every digit that tells it apart) [%].
std::string percenttext(double v) { return numbertext(v) + " %"; }

// Whether TO lies on the grid, within ENDTOLERANCE of STEP of point i.
bool toongrid(double from, double to, double step, double i) {
    return std::fabs((to - from) / step - i) <= ENDTOLERANCE;
}

// The message for point i when it lies outside the allowed mass errors, else "".
// `to` is TO as typed: when it counts as point i without being equal to it, the
// message names both.
std::string outsidemessage(const ErrorGrid &grid, int i, double to) {
    const double e = gridpoint(grid, i);
    if (errorpercentaccepted(e)) return "";
    const bool standsforto = i == grid.count - 1 && e != to && toongrid(grid.from, to, grid.step, i);
    const std::string beside = standsforto ? "; TO " + percenttext(to) + " counts as this point" : "";
    return "the grid point " + percenttext(e) + " (point " + std::to_string(i) + beside +
           ") lies outside the mass errors " + percenttext(-MAXERRORPERCENT) + " < error < " +
           percenttext(MAXERRORPERCENT);
}

}  // namespace

bool parsegrid(const std::string &text, ErrorGrid &grid, std::string &message) {
    const std::vector<std::string> parts = splitat(text, ':');
    double from, to, step;
    if (parts.size() != 3 || !readnumber(parts[0], from) || !readnumber(parts[1], to) ||
        !readnumber(parts[2], step)) {
        message = "expected FROM:TO:STEP in percent (for example -50:50:1), got \"" + excerpt(text) + "\"";
        return false;
    }
    if (!(step > 0.0)) {
        message = "the step must be positive, got " + percenttext(step);
        return false;
    }
    if (from > to) {
        message = "FROM " + percenttext(from) + " lies above TO " + percenttext(to);
        return false;
    }
    const double intervals = std::floor((to - from) / step + ENDTOLERANCE);
    if (intervals + 1.0 > MAXPOINTS) {
        message = "the grid has more than a million points; choose a larger step";
        return false;
    }
    ErrorGrid g{from, step, static_cast<int>(intervals) + 1};
    for (int i : {0, g.count - 1}) {
        message = outsidemessage(g, i, to);
        if (!message.empty()) return false;
    }
    grid = g;
    return true;
}

std::string readgrid(const std::string &text, ErrorGrid &grid) {
    std::string message;
    return parsegrid(text, grid, message) ? "" : "--errors: '" + excerpt(text) + "' refused; " + message;
}

double gridpoint(const ErrorGrid &grid, int i) { return grid.from + i * grid.step; }

bool parseshard(const std::string &text, Shard &shard, std::string &message) {
    const std::vector<std::string> parts = splitat(text, '/');
    Shard s{};
    if (parts.size() != 2 || !readnumber(parts[0], s.k) || !readnumber(parts[1], s.n)) {
        message = "expected K/N (for example 0/3), got \"" + excerpt(text) + "\"";
        return false;
    }
    if (s.n < 1) {
        message = "the number of shards N must be at least 1, got " + std::to_string(s.n);
        return false;
    }
    if (s.k < 0 || s.k >= s.n) {
        message = "the shard index K must lie in 0.." + std::to_string(s.n - 1) + ", got " +
                  std::to_string(s.k);
        return false;
    }
    shard = s;
    return true;
}

std::vector<int> shardpoints(const ErrorGrid &grid, const Shard &shard) {
    std::vector<int> points;
    for (int i = shard.k; i < grid.count; i += shard.n) points.push_back(i);
    return points;
}
