#include "commands/mapcmd.h"

#include <CLI/CLI.hpp>

#include <map>
#include <memory>
#include <vector>

#include "commands/runoutputs.h"
#include "console/console.h"
#include "core/records.h"
#include "formats/resultjson.h"
#include "study/comparison.h"
#include "study/params.h"
#include "study/usertext.h"
#include "workers/resultrun.h"

namespace {

const char *const ABOUT =
    "Runs the comparison of sotoc compare for every point of a grid of one setting (--x) or two\n"
    "(--x and --y), NAME=FROM:TO:STEP each with NAME one of error [%], ratio1, ratio2, ratios (both\n"
    "equal), start-x, start-y, end-x, end-y [m], and the grid rules of sotoc sweep --errors. Every other\n"
    "setting comes from the options or their defaults. Writes one JSON line per point in grid order\n"
    "(--y outer, --x inner) to --out FILE or standard output: the object of sotoc compare --json plus\n"
    "\"map\": {\"i\": I, \"j\": J}, the point's indices along --x and --y (J = 0 without --y); a point\n"
    "the SCARA cannot reach has outcome \"unreachable\" and no figures. --plot draws the map. --shard\n"
    "K/N runs only the points K, K+N, K+2N, ...: the shards' lines together are the lines of the whole\n"
    "map, and sotoc plot draws them. Ctrl-C or SIGTERM starts no further point and leaves whole lines.\n"
    "Exit status: 0 done, 1 failed, 2 refused options, 130 or 143 stopped by SIGINT or SIGTERM.";

// Most error-free halves a map keeps at once, each with a copy of the records
// (about 0.2 MB): a map with the mass error on --y and more columns in its shard
// than this runs each point whole instead (the same lines, twice the work).
constexpr size_t MAXKEPTHALVES = 512;

// The error-free half of the points that differ only in the mass error (a row when
// error is the x axis, a column when it is the y axis).
struct SharedHalf {
    ComparisonResult result;               // what errorfreepass returned
    std::unique_ptr<RecordsCopy> records;  // the records it left
};

// A map under way. Written by runmap and the preparation of each point.
struct MapRun {
    const MapJob &job;
    std::vector<int> indices;          // the run's grid points, p = i + nx j
    int erroraxis;                     // the axis of the mass error when points share halves: 0 x, 1 y; -1 none
    std::map<int, int> left;           // points still to start, by row (x) or column (y) that shares a half
    std::map<int, SharedHalf> halves;  // the halves made and still needed, by row or column
    ComparisonResult current;          // the half the next worker starts from
};

// The grid indices of run point k.
void indicesof(const MapRun &m, int k, int &i, int &j) {
    const int nx = axiscount(m.job.grid.x);
    i = m.indices[k] % nx;
    j = m.indices[k] / nx;
}

CompareRequest pointrequest(const MapRun &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    return mappoint(m.job.grid, m.job.request, i, j);
}

// Why the point cannot run (a SCARA point out of reach), "" when it can.
std::string unreachable(const CompareRequest &r) {
    const std::string start = reachrefusal(r, "", SETTINGSTART);
    return start.empty() ? reachrefusal(r, "", SETTINGEND) : start;
}

// The row or column whose points share run point k's error-free half.
int groupof(const MapRun &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    return m.erroraxis == 0 ? j : i;
}

// Decides whether the points share error-free halves: along the axis of the mass
// error, unless too many halves would be kept at once. Counts the points of each.
void planhalves(MapRun &m) {
    m.erroraxis = m.job.grid.x.kind == AXISERROR ? 0 : m.job.grid.y.kind == AXISERROR ? 1 : -1;
    if (m.erroraxis < 0) return;
    for (size_t k = 0; k < m.indices.size(); ++k)
        if (unreachable(pointrequest(m, static_cast<int>(k))).empty()) ++m.left[groupof(m, static_cast<int>(k))];
    if (m.erroraxis == 0 || m.left.size() <= MAXKEPTHALVES) return;
    m.erroraxis = -1;
    m.left.clear();
}

// In this process before run point k's worker: the records of its shared half, made
// on records as initialset leaves them the first time the half is needed.
void preparepoint(MapRun &m, int k) {
    const CompareRequest r = pointrequest(m, k);
    if (m.erroraxis < 0 || !unreachable(r).empty()) return;
    const int group = groupof(m, k);
    auto found = m.halves.find(group);
    if (found == m.halves.end()) {
        initialset();
        ComparisonSettings settings = requestsettings(r);
        settings.tfNomBasis = standalonebasis(settings);
        SharedHalf half{errorfreepass(settings), std::make_unique<RecordsCopy>()};
        keeprecords(*half.records);
        found = m.halves.emplace(group, std::move(half)).first;
    } else {
        putrecords(*found->second.records);
    }
    m.current = found->second.result;
    if (--m.left[group] == 0) m.halves.erase(found);
}

// In the worker: the line of run point k.
std::string pointline(const MapRun &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    const CompareRequest r = pointrequest(m, k);
    const std::string why = unreachable(r);
    if (!why.empty()) return mapline(unreachablejson(r, why), i, j);
    if (m.erroraxis < 0) return mapline(resultjson(r, standalonepass(r)), i, j);
    return mapline(resultjson(r, errorpass(m.current, errorratio(r.errorPercent))), i, j);
}

std::string pointname(const MapRun &m, int k) {
    int i, j;
    indicesof(m, k, i, j);
    return "map point i=" + std::to_string(i) + " j=" + std::to_string(j);
}

void addaxisoptions(CLI::App &cmd, std::string typed[2]) {
    const std::string names =
        "NAME one of error [%], ratio1, ratio2, ratios (both ratios equal), start-x, start-y, end-x, end-y [m]; "
        "FROM:TO:STEP as --errors of sotoc sweep (STEP > 0, TO included when it lies on the grid) within the "
        "setting's range";
    cmd.add_option("--x", typed[0], "The setting varied along x (inner, index i): " + names + ". Required.")
        ->type_name("NAME=FROM:TO:STEP")
        ->required();
    cmd.add_option("--y", typed[1],
                   "The setting varied along y (outer, index j), another than --x. Default: none, a one-axis map.")
        ->type_name("NAME=FROM:TO:STEP");
}

// Checks the axes into the grid: "" or the refusal.
std::string takeaxes(const std::string typed[2], const CompareOptionValues &given, MapGrid &grid) {
    MapAxis *axes[2] = {&grid.x, &grid.y};
    grid.y = MapAxis{AXISNONE, Grid{0.0, 1.0, 1}};
    for (int a = 0; a < 2; ++a) {
        std::string message;
        if ((a == 0 || !typed[a].empty()) && !parseaxis(typed[a], *axes[a], message))
            return std::string(a == 0 ? "--x" : "--y") + ": '" + excerpt(typed[a]) + "' refused; " + message;
    }
    return axesrefusal(grid, typed, given);
}

// The SCARA's reach of the start and end points that no axis varies: refused as
// sotoc compare refuses them, as every point would be unreachable.
std::string fixedreach(const MapJob &job) {
    for (Setting s : {SETTINGSTART, SETTINGEND}) {
        const bool varied = (job.grid.x.kind != AXISNONE && axissetting(job.grid.x.kind) == s) ||
                            (job.grid.y.kind != AXISNONE && axissetting(job.grid.y.kind) == s);
        const std::string refused = varied ? "" : reachrefusal(job.request, "--", s);
        if (!refused.empty()) return refused;
    }
    return "";
}

}  // namespace

int runmap(const MapJob &job, int out, std::string &lines) {
    MapRun m{job, shardpoints(mapcount(job.grid), job.shard), -1, {}, {}, {}};
    planhalves(m);
    ResultRun run{"sotoc map", static_cast<int>(m.indices.size()), job.jobs, out,
                  [&](int k) { preparepoint(m, k); }, [&](int k) { return pointline(m, k); },
                  [&](int k) { return pointname(m, k); }, Progress{progressline, progressend}};
    const int status = runresults(run, lines);
    initialset();
    return status;
}

int mapcommand(int argc, char **argv) {
    initialset();
    std::string typed[2];
    MapJob job{};
    const GridCommand command{
        ABOUT, "sotoc map", "map", [&](CLI::App &cmd) { addaxisoptions(cmd, typed); },
        [&](const CompareOptionValues &values) {
            std::string refused = requestwithoutreach(values, "--", job.request);
            if (refused.empty()) refused = takeaxes(typed, values, job.grid);
            return refused.empty() ? fixedreach(job) : refused;
        },
        [&](int out, std::string &written) { return runmap(job, out, written); }};
    return gridcommand(argc, argv, command, job.shard, job.jobs);
}
