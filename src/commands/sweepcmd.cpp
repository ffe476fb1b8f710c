#include "commands/sweepcmd.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "commands/runoutputs.h"
#include "settings/settings.h"
#include "console/console.h"
#include "study/params.h"
#include "processes/resultrun.h"

namespace {

const char *const ABOUT =
    "Runs the comparison of sotoc compare for every mass error of the grid --errors FROM:TO:STEP\n"
    "(percent; point i is FROM + i STEP, TO included when it lies on the grid) and writes one JSON\n"
    "result line per point, in grid order, to --out FILE or standard output; each line carries its\n"
    "settings, the mass error among them. --plot draws positioning errors and final times against\n"
    "the mass error. --shard K/N runs only the points K, K+N, K+2N, ...: the shards' lines together\n"
    "are the lines of the whole sweep, and sotoc plot draws them. Ctrl-C or SIGTERM starts no\n"
    "further point and leaves whole lines. Exit status: 0 done, 1 failed, 2 refused options,\n"
    "130 or 143 stopped by SIGINT or SIGTERM.";

void adderrorsoption(CLI::App &cmd, std::string &errors) {
    const SettingRow &error = settingrow(SETTINGERROR);
    cmd.remove_option(cmd.get_option(std::string("--") + error.name));
    cmd.add_option("--errors", errors,
                   "Mass errors of the design [%]: FROM:TO:STEP, STEP > 0, FROM <= TO, every point strictly "
                   "between " + numbertext(error.lo) + " and " + numbertext(error.hi) +
                       ". Point i is FROM + i STEP; TO is the last point when it lies on the "
                       "grid within a millionth of STEP. Or a list V1,V2,... of increasing values.")
        ->type_name("FROM:TO:STEP")
        ->required();
}

}  // namespace

Outcome runsweep(const SweepJob &job, int out, const std::function<void(const std::string &)> &written) {
    const SweepPoints points = sweeppoints(job);
    ResultRun run{"sotoc sweep", static_cast<int>(points.indices.size()), job.jobs, out, nullptr,
                  [&](int k) { return sweepline(points, k); }, [&](int k) { return sweepname(points, k); },
                  Progress{progressline, progressend}, written};
    return runresults(run);
}

int sweepcommand(int argc, char **argv) {
    initialset();
    std::string errors;
    SweepJob job{};
    const GridCommand command{
        ABOUT, "sotoc sweep", "sweep", [&](CLI::App &cmd) { adderrorsoption(cmd, errors); },
        [&](const CompareOptionValues &values) {
            const Outcome taken = requestfromoptions(values, "--", job.request);
            return taken.ok() ? readgrid(errors, job.grid) : taken;
        },
        [&](int out, const std::function<void(const std::string &)> &written) { return runsweep(job, out, written); },
        &job.request.robotfile};
    return gridcommand(argc, argv, command, job.shard, job.jobs);
}
