#include "commands/runoutputs.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include "commands/options.h"
#include "atomicwrite/outfile.h"
#include "console/console.h"
#include "formats/resultfile.h"
#include "plots/plot.h"
#include "settings/usertext.h"
#include "processes/interrupt.h"

namespace {

// The options of the outputs. Written by the command-line parser.
struct RunOutputOptions {
    CLI::Option *shardOption;  // --shard, to tell an empty value from none
    std::string shard;         // K/N; the whole run when --shard is not given
    std::string out;           // result file, "" or "-" for standard output
    std::string plot;          // picture file, "" for none
    FigureOptions figure;      // its page, title
    bool progress;             // progress lines on a standard error that is not a terminal
};

// Whether the results go to a file rather than standard output.
bool resultfile(const RunOutputOptions &o) { return !o.out.empty() && o.out != "-"; }

// Begins the output files before any work; refuses with nothing begun.
Outcome beginoutputs(const RunOutputOptions &o, OutputFile &results, OutputFile &picture) {
    if (resultfile(o) && !o.plot.empty() && samefile(o.out, o.plot))
        return refused("--plot: '" + excerpt(o.plot) + "' refused; it names the same file as --out '" +
                       excerpt(o.out) + "'");
    if (resultfile(o) && !beginoutput(o.out, results).ok()) return refused(outputrefusal("--out", results));
    if (o.plot.empty() || beginoutput(o.plot, picture).ok()) return succeeded();
    if (resultfile(o)) abandonoutput(results);
    return refused(outputrefusal("--plot", picture));
}

// Keeps the results of a run that ended or was stopped (its lines are whole) and
// drops those of one that failed; returns the status, 1 when they could not be kept.
int endresults(const CLI::App &cmd, OutputFile &results, int status) {
    if (status == 1) {
        abandonoutput(results);
        return status;
    }
    if (commitoutput(results).ok()) return status;
    reportproblem(cmd, outputproblem(results));
    return 1;
}

void addrunoutputoptions(CLI::App &cmd, RunOutputOptions &o, const std::string &what) {
    o.shardOption =
        cmd.add_option("--shard", o.shard, "Run only the points K, K+N, K+2N, ... (K from 0 to N-1). Default: 0/1.")
            ->type_name("K/N");
    cmd.add_option("--out", o.out, "Write the JSON lines to FILE. Default: standard output.")
        ->type_name("FILE")
        ->check(nonempty("a file name"));
    cmd.add_option("--plot", o.plot, "Also draw the " + what + " into FILE: .png, .svg or .pdf.")
        ->type_name("FILE")
        ->check(nonempty(PICTURENAMES));
    cmd.add_flag("--progress", o.progress,
                 "On a standard error that is not a terminal (a batch job's log), print the points done and the "
                 "time left every " + numbertext(PROGRESSPERIOD) + " s and at the end. A terminal shows them on one "
                 "line anyway.");
    addfigureoptions(cmd, o.figure, false);
}

// Checks --shard into `shard` and --plot; refuses either.
Outcome takerunoutputs(const RunOutputOptions &o, Shard &shard) {
    shard = Shard{0, 1};
    const Outcome parsed = o.shardOption->count() > 0 ? parseshard(o.shard, shard) : succeeded();
    if (!parsed.ok()) return refused("--shard: '" + excerpt(o.shard) + "' refused; " + parsed.message);
    return o.plot.empty() ? succeeded() : checkplot(o.plot, o.figure, !resultfile(o));
}

// Runs the command whose options were `taken` (or refused).
int runwithoutputs(const CLI::App &cmd, const Outcome &taken, const RunOutputOptions &o, const GridCommand &command) {
    OutputFile results{}, picture{};
    const Outcome begun = taken.ok() ? beginoutputs(o, results, picture) : taken;
    if (!begun.ok()) {
        reportproblem(cmd, begun.message);
        return begun.status;
    }
    catchstopsignals();
    if (o.progress) logprogress(command.name);
    ResultReading reading{{"results"}, {}};
    int number = 0;
    Outcome readback = succeeded();  // every line written so far was read for the picture
    const auto read = [&](const std::string &line) {
        if (readback.ok()) readback = readresultline(reading, line, ++number);
    };
    const bool readlines = !o.plot.empty() && !command.draw;
    int status = command.run(resultfile(o) ? results.fd : STDOUT_FILENO,
                             readlines ? read : std::function<void(const std::string &)>())
                     .status;
    if (resultfile(o)) status = endresults(cmd, results, status);
    if (o.plot.empty()) return status;
    if (status != 0 || !readback.ok()) abandonoutput(picture);
    if (status != 0) return status;
    const Outcome drawn =
        command.draw ? command.draw(picture, o.figure) : readback.ok() ? plotreading(reading, picture, o.figure) : readback;
    if (!drawn.ok()) reportproblem(cmd, drawn.message);
    return drawn.status;
}

}  // namespace

int gridcommand(int argc, char **argv, const GridCommand &command, Shard &shard, int &jobs) {
    CLI::App cmd{command.about, command.name};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    command.addoptions(cmd);
    RunOutputOptions options{};
    addrunoutputoptions(cmd, options, command.what);
    addjobsoption(cmd, jobs);
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    Outcome taken = command.takeoptions(values);
    if (taken.ok()) taken = takerunoutputs(options, shard);
    if (taken.ok() && command.robotfile) reportnotices(cmd, *command.robotfile);
    return runwithoutputs(cmd, taken, options, command);
}

