#include "commands/sweepcmd.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "commands/options.h"
#include "console/console.h"
#include "formats/resultfile.h"
#include "formats/resultjson.h"
#include "study/comparison.h"
#include "study/params.h"
#include "study/usertext.h"
#include "workers/interrupt.h"
#include "workers/workers.h"
#include "files/outfile.h"

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

// Whether the results go to a file rather than standard output.
bool resultfile(const SweepOptions &o) { return !o.out.empty() && o.out != "-"; }

// Checks the sweep's own option values into the job; "" or the refusal.
std::string takesweepoptions(const SweepOptions &o, SweepJob &job) {
    std::string message;
    const std::string refused = readgrid(o.errors, job.grid);
    if (!refused.empty()) return refused;
    job.shard = Shard{0, 1};
    if (!o.shard.empty() && !parseshard(o.shard, job.shard, message))
        return "--shard: '" + excerpt(o.shard) + "' refused; " + message;
    return o.plot.empty() ? "" : plotrefusal(o.plot, !resultfile(o));
}

// Begins the sweep's output files before any work: "" or the refusal (nothing begun then).
std::string beginoutputs(const SweepOptions &o, OutputFile &results, OutputFile &picture) {
    if (resultfile(o) && !o.plot.empty() && samefile(o.out, o.plot))
        return "--plot: '" + o.plot + "' refused; it names the same file as --out '" + o.out + "'";
    if (resultfile(o) && !beginoutput(o.out, results)) return outputrefusal("--out", results);
    if (o.plot.empty() || beginoutput(o.plot, picture)) return "";
    if (resultfile(o)) abandonoutput(results);
    return outputrefusal("--plot", picture);
}

// Keeps the results of a sweep that ran or was stopped (its lines are whole) and
// drops those of one that failed; returns the status, 1 when they could not be kept.
int endresults(const CLI::App &cmd, OutputFile &results, int status) {
    if (status == 1) {
        abandonoutput(results);
        return status;
    }
    if (commitoutput(results)) return status;
    reportproblem(cmd, outputproblem(results));
    return 1;
}

}  // namespace

int runsweep(const SweepJob &job, int out, SweepSetup &setup, std::vector<SweepPoint> &points) {
    const int total = static_cast<int>(shardpoints(job.grid, job.shard).size());
    const Clock::time_point start = Clock::now();
    std::string lines;  // every line written, for the plot
    int done = 0;
    bool failed = false, unwritable = false;  // a point failed; the output failed (said once)
    progressline(0, total, -1.0);
    runsweeppoints(
        job,
        [&](double percent, const WorkerRun &run) {
            progressend();  // results written to the same terminal start on a clean line
            if (!run.ok) {
                std::fprintf(stderr, "sotoc sweep: %s\n", pointfailure(percent, run.line).c_str());
                failed = true;
            } else if (!unwritable) {
                const std::string problem = writeresults(out, run.line + "\n");
                if (problem.empty()) {
                    lines += run.line + "\n";
                } else {
                    std::fprintf(stderr, "sotoc sweep: %s\n", problem.c_str());
                    unwritable = failed = true;
                }
            }
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            ++done;
            progressline(done, total, timeleft(done, total, elapsed));
        },
        [&] { return failed || stoprequested() != 0; }, waitforready);
    progressend();
    if (unwritable) return 1;
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
    OutputFile results{}, picture{};
    if (refused.empty()) refused = beginoutputs(options, results, picture);
    if (!refused.empty()) {
        reportproblem(cmd, refused);
        return EXIT_REFUSED;
    }
    catchstopsignals();
    SweepSetup setup{};
    std::vector<SweepPoint> points;
    status = runsweep(job, resultfile(options) ? results.fd : STDOUT_FILENO, setup, points);
    if (resultfile(options)) status = endresults(cmd, results, status);
    std::string message;
    if (options.plot.empty()) return status;
    if (status != 0) {
        abandonoutput(picture);
    } else if (!drawsweep(picture, setup, points, message)) {
        reportproblem(cmd, message);
        status = 1;
    }
    return status;
}
