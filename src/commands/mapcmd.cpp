#include "commands/mapcmd.h"

#include <CLI/CLI.hpp>

#include "commands/runoutputs.h"
#include "settings/settings.h"
#include "console/console.h"
#include "study/params.h"
#include "processes/resultrun.h"

namespace {

const char *const ABOUT =
    "Runs the comparison of sotoc compare for every point of a grid of one setting (--x) or two\n"
    "(--x and --y), NAME=FROM:TO:STEP each with NAME one of error [%], ratio1, ratio2, ratios (both\n"
    "equal), start-x, start-y, end-x, end-y [m], near (SOTOC's switching bound), design-error:NAME (the\n"
    "design error of a primary value NAME [%], as --design-error) or param:NAME (its true value, as\n"
    "--param), and the grid rules of sotoc sweep --errors; a map over one setting is a sweep over it. Every other setting comes from the options or their defaults. Writes one\n"
    "JSON line per point in grid order (--y outer, --x inner) to --out FILE or standard output: the\n"
    "object of sotoc compare --json plus \"map\": {\"i\": I, \"j\": J}, the point's indices along --x\n"
    "and --y (J = 0 without --y); a point the SCARA cannot reach has outcome \"unreachable\" and no\n"
    "figures. --plot draws the map. --shard K/N runs only the points K, K+N, K+2N, ...: the shards'\n"
    "lines together are the lines of the whole map, and sotoc plot draws them. Ctrl-C or SIGTERM starts\n"
    "no further point and leaves whole lines.\n"
    "Exit status: 0 done, 1 failed, 2 refused options, 130 or 143 stopped by SIGINT or SIGTERM.";

// Adds --x and --y; returns --y, to tell an empty value from none.
CLI::Option *addaxisoptions(CLI::App &cmd, std::string typed[2]) {
    const std::string names =
        "NAME one of " + axishelp() +
        "; FROM:TO:STEP as --errors of sotoc sweep (STEP > 0, TO included when it lies on the grid), or a list "
        "V1,V2,... of increasing values, within the setting's range";
    cmd.add_option("--x", typed[0], "The setting varied along x (inner, index i): " + names + ". Required.")
        ->type_name("NAME=FROM:TO:STEP")
        ->required();
    return cmd
        .add_option("--y", typed[1],
                    "The setting varied along y (outer, index j), another than --x. Default: none, a one-axis map.")
        ->type_name("NAME=FROM:TO:STEP");
}

// The map's settings as readmap takes them, an empty --y refused as an empty --x is.
Outcome takemap(const CompareOptionValues &values, const CLI::Option *y, const std::string typed[2], MapJob &job) {
    MapAxis axis;
    const Outcome empty = y->count() > 0 && typed[1].empty() ? parseaxis(typed[1], axis) : succeeded();
    if (!empty.ok()) return refused("--y: '' refused; " + empty.message);
    return readmap(values, typed, job);
}

}  // namespace

Outcome runmap(const MapJob &job, int out, const std::function<void(const std::string &)> &written) {
    MapPoints points = mappoints(job);
    ResultRun run{"sotoc map", static_cast<int>(points.indices.size()), job.jobs, out,
                  [&](int k) { preparemappoint(points, k); }, [&](int k) { return mappointline(points, k); },
                  [&](int k) { return mappointname(points, k); }, Progress{progressline, progressend}, written};
    const Outcome ran = runresults(run);
    initialset();
    return ran;
}

int mapcommand(int argc, char **argv) {
    initialset();
    std::string typed[2];
    MapJob job{};
    const CLI::Option *y = nullptr;
    const GridCommand command{
        ABOUT, "sotoc map", "map", [&](CLI::App &cmd) { y = addaxisoptions(cmd, typed); },
        [&](const CompareOptionValues &values) { return takemap(values, y, typed, job); },
        [&](int out, const std::function<void(const std::string &)> &written) { return runmap(job, out, written); },
        &job.request.robotfile};
    return gridcommand(argc, argv, command, job.shard, job.jobs);
}
