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

// Whether TO lies on the grid, within ENDTOLERANCE of STEP of point i.
bool toongrid(double from, double to, double step, double i) {
    return std::fabs((to - from) / step - i) <= ENDTOLERANCE;
}

// The message for point i when it lies outside the range, else "". `to` is TO as
// typed: when it counts as point i without being equal to it, the message names both.
std::string outsidemessage(const Grid &grid, const GridRange &range, int i, double to) {
    const double v = gridpoint(grid, i);
    if (range.accepted(v)) return "";
    const bool standsforto = i == grid.count - 1 && v != to && toongrid(grid.from, to, grid.step, i);
    const std::string beside = standsforto ? "; TO " + valuetext(to, range.unit) + " counts as this point" : "";
    return "the grid point " + valuetext(v, range.unit) + " (point " + std::to_string(i) + beside +
           ") lies outside " + range.bounds;
}

}  // namespace

GridRange errorrange() {
    return GridRange{"%", "-50:50:1", errorpercentaccepted,
                     "the mass errors " + valuetext(-MAXERRORPERCENT, "%") + " < error < " +
                         valuetext(MAXERRORPERCENT, "%")};
}

bool parsegrid(const std::string &text, const GridRange &range, Grid &grid, std::string &message) {
    const std::vector<std::string> parts = splitat(text, ':');
    double from, to, step;
    if (parts.size() != 3 || !readnumber(parts[0], from) || !readnumber(parts[1], to) ||
        !readnumber(parts[2], step)) {
        const std::string unit = *range.unit == '\0' ? "" : std::string(" [") + range.unit + "]";
        message = "expected FROM:TO:STEP" + unit + " (for example " + range.example + "), got \"" + excerpt(text) +
                  "\"";
        return false;
    }
    if (!(step > 0.0)) {
        message = "the step must be positive, got " + valuetext(step, range.unit);
        return false;
    }
    if (from > to) {
        message = "FROM " + valuetext(from, range.unit) + " lies above TO " + valuetext(to, range.unit);
        return false;
    }
    const double intervals = std::floor((to - from) / step + ENDTOLERANCE);
    if (intervals + 1.0 > MAXGRIDPOINTS) {
        message = "the grid has more than a million points; choose a larger step";
        return false;
    }
    Grid g{from, step, static_cast<int>(intervals) + 1};
    for (int i : {0, g.count - 1}) {
        message = outsidemessage(g, range, i, to);
        if (!message.empty()) return false;
    }
    grid = g;
    return true;
}

double gridpoint(const Grid &grid, int i) { return grid.from + i * grid.step; }

std::string valuetext(double v, const char *unit) {
    return *unit == '\0' ? numbertext(v) : numbertext(v) + " " + unit;
}

std::string readgrid(const std::string &text, Grid &grid) {
    std::string message;
    return parsegrid(text, errorrange(), grid, message) ? "" : "--errors: '" + excerpt(text) + "' refused; " + message;
}

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

std::vector<int> shardpoints(int count, const Shard &shard) {
    std::vector<int> points;
    for (int i = shard.k; i < count; i += shard.n) points.push_back(i);
    return points;
}
