#include "commands/montecarlocmd.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "commands/options.h"
#include "commands/runoutputs.h"
#include "console/console.h"
#include "atomicwrite/outfile.h"
#include "jobs/batchinput.h"
#include "jobs/montecarlo.h"
#include "jobs/montecarlosummary.h"
#include "processes/interrupt.h"
#include "plots/page.h"
#include "plots/studyplot.h"
#include "processes/resultrun.h"
#include "settings/usertext.h"
#include "study/comparison.h"
#include "study/params.h"

namespace {

const char *const ABOUT =
    "Runs the comparison of sotoc compare for each of --samples N samples of the uncertain inputs\n"
    "--uncertain NAME=DIST (repeatable): NAME a setting as sotoc map's axes name it (error [%],\n"
    "design-error:NAME [%], seed for the noise, param:NAME, ...), DIST normal:MEAN,SD (SD 0: a point),\n"
    "uniform:LO,HI, truncnormal:MEAN,SD,LO,HI or lognormal:ZETA,SIGMA (exp(ZETA + SIGMA z)), in the\n"
    "setting's unit. Every other option of sotoc compare applies to all samples; one whose value an\n"
    "input draws (--error with error, ...) is refused. A sample's values\n"
    "are a function of --seed, its index and N alone (--sampling random, lhs or sobol), whatever\n"
    "--jobs and --shard. Writes one JSON line per sample in index order to --out FILE or standard\n"
    "output: \"sample\", \"drawn\" (the inputs' values), \"montecarlo\" (seed, samples, sampling) and the\n"
    "fields of the result object of sotoc compare --json; then the summary object (to standard\n"
    "output, after the lines when they go there): the probability that SOTOC comes closer than TOC\n"
    "with its 95 % Wilson interval, quantiles with bootstrap intervals, counts of samples without a\n"
    "design, unfinished or diverged, and the inputs' rank correlations with the misses. --shard K/N\n"
    "runs only the samples K, K+N, ...; sotoc summary makes the whole study's summary from the\n"
    "shards' files. Exit status: 0 done, 1 failed, 2 refused options, 130 or 143 stopped.";

const char *const SUMMARYABOUT =
    "Writes the summary of a Monte Carlo study to standard output or --out FILE, made from its sample\n"
    "lines: the files of sotoc montecarlo --out (those of all its shards, in any order). Equals the\n"
    "summary of the study run at once. Exit status: 0 done, 1 a file unreadable or the summary not\n"
    "written, 2 refused options or lines (FILE:LINE named): no sample line, another study's, or a\n"
    "sample given twice.";

void addstudyoptions(CLI::App &cmd, StudyTexts &o) {
    cmd.remove_option(cmd.get_option("--seed"));  // the noise's seed is an input: --uncertain seed=DIST
    addnumberoption(cmd, "--samples", o.samples, "Number of samples N, 1 to " + numbertext(MAXGRIDPOINTS) + ". Required.")
        ->required();
    cmd.add_option("--seed", o.seed, "Seed of the draws, a whole number from 0 to " + numbertext(MAXSTUDYSEED) +
                                         ". Default: 0.")
        ->type_name("S");
    cmd.add_option("--sampling", o.sampling,
                   "How the samples are laid out: random (independent), lhs (Latin hypercube) or sobol "
                   "(scrambled Sobol points). Default: random.")
        ->type_name("WORD");
    cmd.add_option("--uncertain", o.uncertain, "An uncertain input NAME=DIST, at least one.")
        ->type_name("NAME=DIST")
        ->required();
}

// A study's samples as read back from its lines, and their summary. Written by
// runmontecarlo; read by the picture.
struct StudyResults {
    StudySamples study;
    nlohmann::ordered_json summary;
};

// Makes the summary of the study's lines into `results` and writes it to fd.
Outcome writesummary(StudyResults &results, int fd) {
    const Outcome made = summarise(results.study, results.summary);
    return made.ok() ? writeresults(fd, results.summary.dump() + "\n") : made;
}

// A number of the summary, NaN for null.
double summarynumber(const nlohmann::ordered_json &v) { return v.is_number() ? v.get<double>() : NAN; }

// An estimate of the summary: {"value" or "probability", "interval"}.
IntervalValue summaryinterval(const nlohmann::ordered_json &v, const char *value) {
    return IntervalValue{summarynumber(v.at(value)), summarynumber(v.at("interval")[0]),
                         summarynumber(v.at("interval")[1])};
}

// The picture of a study: the misses of the samples compared, the win probability
// of each measure and the partial rank correlations in TOC's ranking.
StudyPicture studypicture(const StudyResults &r, const CompareRequest &request) {
    const nlohmann::ordered_json &header = r.summary.at("montecarlo");
    StudyPicture p{robottitle(requestsettings(request)) + ";  " + std::to_string(r.study.samples.size()) +
                       " samples, seed " + header.at("seed").dump() + ", " + header.at("sampling").get<std::string>(),
                   {}, {}, {"positioning", "at designed time", "at end of span", "settling time"}, {}, {}};
    for (const SampleRecord &s : r.study.samples)
        if (s.outcome == "compared") {
            p.tocErrors.push_back(s.toc[0]);
            p.sotocErrors.push_back(s.sotoc[0]);
        }
    p.closer.push_back(summaryinterval(r.summary.at("sotocCloser"), "probability"));
    for (int m = 1; m < STUDYMEASURES; ++m)
        p.closer.push_back(summaryinterval(r.summary.at("sotocCloserBy").at(STUDYMEASURENAMES[m]), "probability"));
    const nlohmann::ordered_json &sensitivity = r.summary.at("sensitivity");
    for (const auto &toc : sensitivity.at("toc")) {
        TornadoRow row{toc.at("input").get<std::string>(), {}, {}};
        row.toc = IntervalValue{summarynumber(toc.at("prcc")), summarynumber(toc.at("prccInterval")[0]),
                                summarynumber(toc.at("prccInterval")[1])};
        for (const auto &sotoc : sensitivity.at("sotoc"))
            if (sotoc.at("input") == toc.at("input"))
                row.sotoc = IntervalValue{summarynumber(sotoc.at("prcc")), summarynumber(sotoc.at("prccInterval")[0]),
                                          summarynumber(sotoc.at("prccInterval")[1])};
        p.tornado.push_back(row);
    }
    return p;
}

Outcome runmontecarlo(const MonteCarloJob &job, int out, const std::function<void(const std::string &)> &written,
                      StudyResults &results) {
    const MonteCarloPoints points = montecarlopoints(job);
    StudySamples &study = results.study;
    Outcome kept = succeeded();
    const auto keep = [&](const std::string &line) {
        if (kept.ok()) kept = readsampleline(line, study);
        if (written) written(line);
    };
    ResultRun run{"sotoc montecarlo", static_cast<int>(points.indices.size()), job.jobs, out, nullptr,
                  [&](int k) { return montecarloline(points, k); }, [&](int k) { return montecarloname(points, k); },
                  Progress{progressline, progressend}, keep};
    const Outcome ran = runresults(run);
    if (!ran.ok()) return ran;
    // On standard output: after the lines when they go there, alone when they go to a file.
    return kept.ok() ? writesummary(results, STDOUT_FILENO) : failure(kept.message);
}

// Reads the sample lines of `file` into the study; refuses a line, naming it.
Outcome readsamplefile(const std::string &file, StudySamples &study) {
    std::ifstream in(file);
    if (!in) return failure("cannot read '" + excerpt(file) + "'");
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (blankline(line)) continue;
        const Outcome read = readsampleline(line, study);
        if (!read.ok()) return refused(excerpt(file) + ":" + std::to_string(number) + ": " + read.message);
    }
    return in.bad() ? failure("cannot read '" + excerpt(file) + "'") : succeeded();
}

}  // namespace

int montecarlocommand(int argc, char **argv) {
    initialset();
    StudyTexts options{0, "0", "random", {}};
    MonteCarloJob job{};
    StudyResults results;
    const GridCommand command{
        ABOUT, "sotoc montecarlo", "study: the distributions of the errors, the win probabilities and the "
                                   "sensitivities,",
        [&](CLI::App &cmd) { addstudyoptions(cmd, options); },
        [&](const CompareOptionValues &values) { return readmontecarlo(values, options, job); },
        [&](int out, const std::function<void(const std::string &)> &written) {
            return runmontecarlo(job, out, written, results);
        },
        &job.request.robotfile,
        [&](OutputFile &picture, const FigureOptions &o) {
            return drawstudy(picture, studypicture(results, job.request), o);
        }};
    return gridcommand(argc, argv, command, job.shard, job.jobs);
}

int summarycommand(int argc, char **argv) {
    CLI::App cmd{SUMMARYABOUT, "sotoc summary"};
    std::vector<std::string> files;
    std::string out;
    cmd.add_option("FILE", files, "Sample files of sotoc montecarlo (JSON Lines).")->required()->type_name("");
    cmd.add_option("--out", out, "Write the summary to FILE, whole or not at all. Default: standard output.")
        ->type_name("FILE")
        ->check(nonempty("a file name"));
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    OutputFile file{};
    bool begun = false;  // the summary's file is begun, to be kept or dropped
    Outcome done = out.empty() ? writableoutput(STDOUT_FILENO) : succeeded();
    for (const std::string &f : files)
        if (done.ok() && !out.empty() && samefile(f, out))
            done = refused("--out: '" + excerpt(out) + "' refused; it names the sample file '" + excerpt(f) + "'");
    if (done.ok() && !out.empty()) {
        begun = beginoutput(out, file).ok();
        if (!begun) done = refused(outputrefusal("--out", file));
    }
    StudyResults results;
    for (const std::string &f : files)
        if (done.ok()) done = readsamplefile(f, results.study);
    if (done.ok() && results.study.samples.empty()) done = refused("the files hold no sample line");
    if (done.ok()) done = writesummary(results, out.empty() ? STDOUT_FILENO : file.fd);
    if (begun) {
        if (!done.ok()) abandonoutput(file);
        else if (!commitoutput(file).ok()) done = failure(outputproblem(file));
    }
    if (!done.ok()) reportproblem(cmd, done.message);
    return done.status;
}
