#include "commands/grid.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "study/comparison.h"

namespace {

// TO counts as a grid point when it lies within this share of STEP of one: the
// decimal steps people type (0.1, 0.25) are not exact in binary.
constexpr double ENDTOLERANCE = 1e-6;
// Most points a grid may have: about a day of comparisons on one core; more is a
// mistyped step.
constexpr double MAXPOINTS = 1e6;

// Reads one finite number that fills [begin, end) exactly.
bool readnumber(const std::string &text, size_t begin, size_t end, double &v) {
    const std::string part = text.substr(begin, end - begin);
    if (part.empty()) return false;
    char *stop;
    errno = 0;
    v = std::strtod(part.c_str(), &stop);
    return *stop == '\0' && errno == 0 && std::isfinite(v);
}

// Reads one integer that fills `part` exactly.
bool readinteger(const std::string &part, int &v) {
    if (part.empty()) return false;
    char *stop;
    errno = 0;
    const long n = std::strtol(part.c_str(), &stop, 10);
    if (*stop != '\0' || errno != 0 || n < -1000000000L || n > 1000000000L) return false;
    v = static_cast<int>(n);
    return true;
}

std::string percenttext(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g %%", v);
    return buf;
}

// The message for point i when it lies outside the allowed mass errors, else "".
std::string outsidemessage(const ErrorGrid &grid, int i) {
    const double e = gridpoint(grid, i);
    if (errorpercentaccepted(e)) return "";
    return "the grid point " + percenttext(e) + " (point " + std::to_string(i) + ") lies outside the mass errors " +
           percenttext(-MAXERRORPERCENT) + " < error < " + percenttext(MAXERRORPERCENT);
}

}  // namespace

bool parsegrid(const std::string &text, ErrorGrid &grid, std::string &message) {
    const size_t c1 = text.find(':');
    const size_t c2 = c1 == std::string::npos ? c1 : text.find(':', c1 + 1);
    double from, to, step;
    if (c2 == std::string::npos || !readnumber(text, 0, c1, from) || !readnumber(text, c1 + 1, c2, to) ||
        !readnumber(text, c2 + 1, text.size(), step)) {
        message = "expected FROM:TO:STEP in percent (for example -50:50:1), got \"" + text + "\"";
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
        message = outsidemessage(g, i);
        if (!message.empty()) return false;
    }
    grid = g;
    return true;
}

double gridpoint(const ErrorGrid &grid, int i) { return grid.from + i * grid.step; }

bool parseshard(const std::string &text, Shard &shard, std::string &message) {
    const size_t slash = text.find('/');
    Shard s{};
    if (slash == std::string::npos || !readinteger(text.substr(0, slash), s.k) ||
        !readinteger(text.substr(slash + 1), s.n)) {
        message = "expected K/N (for example 0/3), got \"" + text + "\"";
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
