#include "app/sweepcmd.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/comparison.h"
#include "app/console.h"
#include "app/interrupt.h"
#include "app/params.h"
#include "app/resultfile.h"
#include "app/resultjson.h"
#include "app/workers.h"

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

using Clock = std::chrono::steady_clock;

// Seconds left when `done` of `total` points took `elapsed` seconds; -1 before the first.
double timeleft(int done, int total, double elapsed) {
    return done > 0 ? elapsed / done * (total - done) : -1.0;
}

// The result line of shard point k, made in a worker on the records the
// error-free half left.
std::string pointline(const SweepJob &job, const std::vector<int> &indices, const ComparisonResult &freeHalf,
                      int k) {
    CompareRequest request = job.request;
    request.errorPercent = gridpoint(job.grid, indices[k]);
    return resultjson(request, errorpass(freeHalf, errorratio(request.errorPercent))).dump();
}

// Opens --out for writing; -1 with errno when it cannot.
int openout(const std::string &path) {
    if (path.empty() || path == "-") return STDOUT_FILENO;
    return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

// The options of the command beside those of a comparison.
struct SweepOptions {
    std::string errors;  // FROM:TO:STEP
    std::string shard;   // K/N
    std::string out;     // result file, "" or "-" for standard output
    std::string plot;    // picture file, "" for none
};

void addsweepoptions(CLI::App &cmd, SweepOptions &o) {
    cmd.remove_option(cmd.get_option("--error"));
    cmd.add_option("--errors", o.errors,
                   "Mass errors of the design [%]: FROM:TO:STEP, STEP > 0, FROM <= TO, every point strictly "
                   "between -100 and 100. Point i is FROM + i STEP; TO is the last point when it lies on the "
                   "grid within a millionth of STEP.")
        ->type_name("FROM:TO:STEP")
        ->required();
    cmd.add_option("--shard", o.shard, "Run only the points K, K+N, K+2N, ... (K from 0 to N-1). Default: 0/1.")
        ->type_name("K/N");
    cmd.add_option("--out", o.out, "Write the JSON lines to FILE. Default: standard output.")->type_name("FILE");
    cmd.add_option("--plot", o.plot, "Also draw the sweep into FILE: .png, .svg or .pdf.")->type_name("FILE");
}

// Checks the sweep's own option values into the job; "" or the refusal.
std::string takesweepoptions(const SweepOptions &o, SweepJob &job) {
    std::string message;
    if (!parsegrid(o.errors, job.grid, message)) return "--errors: '" + o.errors + "' refused; " + message;
    job.shard = Shard{0, 1};
    if (!o.shard.empty() && !parseshard(o.shard, job.shard, message))
        return "--shard: '" + o.shard + "' refused; " + message;
    if (!o.plot.empty() && plotdevice(o.plot).empty())
        return "--plot: '" + o.plot + "' refused; accepts a file name ending in .png, .svg or .pdf";
    return "";
}

}  // namespace

int runsweep(const SweepJob &job, int out, SweepSetup &setup, std::vector<SweepPoint> &points) {
    ComparisonSettings settings = requestsettings(job.request);
    settings.tfNomBasis = standalonebasis(settings);
    const ComparisonResult freeHalf = errorfreepass(settings);
    const std::vector<int> indices = shardpoints(job.grid, job.shard);
    const int total = static_cast<int>(indices.size());
    const Clock::time_point start = Clock::now();
    std::string lines;  // every line written, for the plot
    int done = 0;
    bool failed = false;
    progressline(0, total, -1.0);
    runinworkers(
        total, job.jobs, [&](int k) { return pointline(job, indices, freeHalf, k); },
        [&](int k, const WorkerRun &run) {
            progressend();  // results written to the same terminal start on a clean line
            if (!run.ok) {
                std::fprintf(stderr, "sotoc sweep: mass error %.17g %%: %s\n", gridpoint(job.grid, indices[k]),
                             run.line.c_str());
                failed = true;
            } else if (!writeresults(out, run.line + "\n", "sotoc sweep")) {
                failed = true;
            } else {
                lines += run.line + "\n";
            }
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            ++done;
            progressline(done, total, timeleft(done, total, elapsed));
        },
        [&] { return failed || stoprequested() != 0; });
    progressend();
    if (stoprequested() != 0) return stopstatus();
    std::string message;
    if (!failed && total > 0 && !readresulttext(lines, setup, points, message)) {
        std::fprintf(stderr, "sotoc sweep: %s\n", message.c_str());
        failed = true;
    }
    return failed ? 1 : 0;
}

int sweepcommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, "sotoc sweep"};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    SweepOptions options;
    SweepJob job{};
    addsweepoptions(cmd, options);
    addjobsoption(cmd, job.jobs);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    std::string refused = requestfromoptions(values, "--", job.request);
    if (refused.empty()) refused = takesweepoptions(options, job);
    const int out = refused.empty() ? openout(options.out) : -1;
    if (refused.empty() && out < 0)
        refused = "--out: '" + options.out + "' refused; accepts a writable file (" + std::strerror(errno) + ")";
    if (!refused.empty()) {
        reportproblem(cmd, refused);
        return EXIT_REFUSED;
    }
    catchstopsignals();
    SweepSetup setup{};
    std::vector<SweepPoint> points;
    status = runsweep(job, out, setup, points);
    if (out != STDOUT_FILENO) close(out);
    std::string message;
    if (status == 0 && !options.plot.empty() && !drawsweep(options.plot, setup, points, message)) {
        reportproblem(cmd, message);
        status = 1;
    }
    return status;
}
