// sotoc sweep and sotoc plot as a user runs them: lines equal to single comparisons,
// shards that merge into the whole sweep (also through GNU parallel), refusals,
// stop signals that leave whole lines, and progress only on a terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/jobs.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::json;

const std::vector<std::string> SCARAVERTICAL = {"--robot", "scara", "--motion", "vertical"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Each line of a sweep is the line sotoc batch gives for the settings it carries:
// the error-free half computed once changes no digit. The SCARA sweep has SOTOC
// runs that finish and runs that do not; the cylindrical robot's default half turn
// without gravity has no error-free solution at all.
TEST(Sweep, LinesEqualBatchOfTheSameSettings) {
    const std::vector<std::string> sweeps[] = {
        with(SCARAVERTICAL, {"--errors", "-2:2:1", "--jobs", "2"}),
        {"--robot", "cylindrical", "--motion", "horizontal", "--errors", "-1:1:1"}};
    const char *outcomes[] = {"compared", "no-free-solution"};
    for (int s = 0; s < 2; ++s) {
        const RunOutcome sweep = runsotoc(with({"sweep"}, sweeps[s]));
        ASSERT_EQ(sweep.status, 0);
        EXPECT_EQ(sweep.err, "");  // no progress line off a terminal
        const std::vector<std::string> got = lines(sweep.out);
        ASSERT_EQ(got.size(), s == 0 ? 5u : 3u);
        std::string input;
        for (const std::string &line : got) input += json::parse(line).at("settings").dump() + "\n";
        const RunOutcome batch = runsotoc({"batch"}, input);
        ASSERT_EQ(batch.status, 0);
        EXPECT_EQ(batch.out, sweep.out);
        EXPECT_EQ(json::parse(got[1]).at("outcome"), std::string(outcomes[s]));
        EXPECT_EQ(json::parse(got[1]).at("settings").at("error"), s == 0 ? -1.0 : 0.0);
    }
}

TEST(Sweep, ShardsMergeIntoTheWholeSweep) {
    const std::vector<std::string> base = with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-3:3:1", "--jobs", "2"});
    const RunOutcome whole = runsotoc(base);
    ASSERT_EQ(whole.status, 0);
    std::string merged;
    for (const char *k : {"2", "0", "1"}) {
        const RunOutcome shard = runsotoc(with(base, {"--shard", std::string(k) + "/3"}));
        ASSERT_EQ(shard.status, 0);
        merged += shard.out;
    }
    const std::vector<std::string> all = lines(whole.out);
    EXPECT_EQ(all.size(), 7u);
    EXPECT_EQ(sorted(lines(merged)), sorted(all));
}

TEST(Sweep, RefusedOptionsNameTheValue) {
    TempDir dir;
    const struct {
        std::vector<std::string> args;
        std::string says;
    } refused[] = {
        {{"--errors", "-100:0:50"}, "grid point -100 %"},
        {{"--errors", "0:100:25"}, "grid point 100 %"},
        {{"--errors", "0:10:-1"}, "step must be positive"},
        {{"--errors", "1:-1:1"}, "lies above"},
        {{"--errors", "-1:1:1", "--shard", "3/3"}, "0..2"},
        {{"--errors", "-1:1:1", "--shard", "-1/3"}, "0..2"},
        {{"--errors", "-1:1:1", "--plot", dir.file("p.gif")}, ".png, .svg or .pdf"},
        {{"--errors", "-1:1:1", "--error", "5"}, "--error"},
        {{"--errors", "-1:1:1", "--out", dir.file("missing/r.jsonl")}, "--out"},
    };
    for (const auto &r : refused) {
        const RunOutcome run = runsotoc(with(with({"sweep"}, SCARAVERTICAL), r.args));
        EXPECT_EQ(run.status, 2) << r.args[1];
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const RunOutcome accepted =
        runsotoc(with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-1:1:1", "--shard", "2/3"}));
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(lines(accepted.out).size(), 1u);
}

// Mass errors are the decimal values typed; an empty --shard is refused rather than
// taken as none; any number of shards up to the largest int writes only points
// of the grid, and none from a shard beyond them.
TEST(Sweep, DecimalErrorsAndShardsOfAnySize) {
    const std::vector<std::string> base = with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-0.3:0.3:0.1", "--jobs", "2"});
    const RunOutcome run = runsotoc(base);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> got = lines(run.out);
    const std::vector<std::string> errors = {"-0.3", "-0.2", "-0.1", "0.0", "0.1", "0.2", "0.3"};  // by hand
    ASSERT_EQ(got.size(), errors.size());
    for (size_t k = 0; k < got.size(); ++k)
        EXPECT_NE(got[k].find("\"error\":" + errors[k] + "}"), std::string::npos) << got[k].substr(0, 200);
    const RunOutcome empty = runsotoc(with(base, {"--shard", ""}));
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err, "sotoc sweep: --shard: '' refused; expected K/N (for example 0/3), got \"\"\n");
    EXPECT_EQ(empty.out, "");
    const struct {
        const char *shard;
        int point;  // the one point written, -1 for none
    } shards[] = {{"2/2147483647", 2}, {"6/2147483647", 6}, {"7/2147483647", -1}, {"2147483646/2147483647", -1}};
    for (const auto &s : shards) {
        const RunOutcome shard = runsotoc(with(base, {"--shard", s.shard}));
        ASSERT_EQ(shard.status, 0) << s.shard << ": " << shard.err;
        EXPECT_EQ(shard.out, s.point < 0 ? "" : got[s.point] + "\n") << s.shard;
    }
}

// Two outputs naming one file would overwrite the results with the picture: refused
// before any work, in every spelling, as is a picture in a missing folder.
TEST(Sweep, OutputsNamingOneFileRefusedBeforeAnyWork) {
    TempDir dir;
    std::ofstream(dir.file("r.png")) << "old\n";
    ASSERT_EQ(link(dir.file("r.png").c_str(), dir.file("hard.png").c_str()), 0);
    ASSERT_EQ(symlink("r.png", dir.file("soft.png").c_str()), 0);
    const std::vector<std::string> base = with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-1:1:1"});
    const struct {
        std::string out, plot, says;
    } refused[] = {
        {dir.file("r.png"), dir.file("r.png"), "names the same file as --out"},
        {dir.file("r.png"), dir.path + "/./../" + dir.path.substr(dir.path.rfind('/') + 1) + "/r.png",
         "names the same file as --out"},
        {dir.file("hard.png"), dir.file("r.png"), "names the same file as --out"},
        {dir.file("soft.png"), dir.file("r.png"), "names the same file as --out"},
        {dir.file("new.jsonl"), dir.file("missing/p.png"), "--plot: '" + dir.file("missing/p.png") + "' refused"},
    };
    for (const auto &r : refused) {
        const RunOutcome run = runsotoc(with(base, {"--out", r.out, "--plot", r.plot}));
        EXPECT_EQ(run.status, 2) << r.out << " " << r.plot;
        EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(content(dir.file("r.png")), "old\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"hard.png", "r.png", "soft.png"}));
    const RunOutcome plot = runsotoc({"plot", dir.file("r.png"), "--plot", dir.file("soft.png")});
    EXPECT_EQ(plot.status, 2);
    EXPECT_NE(plot.err.find("names the result file"), std::string::npos) << plot.err;
    EXPECT_EQ(runsotoc(with(base, {"--out", dir.file("r.jsonl"), "--plot", dir.file("r.png")})).status, 0);
    EXPECT_EQ(lines(content(dir.file("r.jsonl"))).size(), 3u);
    EXPECT_GT(content(dir.file("soft.png")).size(), 10000u);  // the link followed to the picture
    EXPECT_EQ(content(dir.file("hard.png")), "old\n");     // the other name keeps the old file
}

// Results going to standard output, redirected into the file --plot names, would
// be replaced by the picture: refused, while another file takes them.
TEST(Sweep, PlotNamingStandardOutputRefused) {
    TempDir dir;
    const std::vector<std::string> args =
        with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-1:1:1", "--plot", dir.file("r.png")});
    const RunOutcome same = runsotocinto(dir.file("r.png"), args);
    EXPECT_EQ(same.status, 2);
    EXPECT_NE(same.err.find("--plot: '" + dir.file("r.png") + "' refused; standard output is written to it"),
              std::string::npos)
        << same.err;
    EXPECT_EQ(content(dir.file("r.png")), "");
    const RunOutcome other = runsotocinto(dir.file("r.jsonl"), args);
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(lines(content(dir.file("r.jsonl"))).size(), 3u);
    EXPECT_GT(content(dir.file("r.png")).size(), 10000u);
}

// A full disk is a failure with one message, for the results (however many points
// run at once) and for a picture of sweep or plot; the device stays. A folder is no
// result file.
TEST(Sweep, FullDiskAndFoldersReported) {
    TempDir dir;
    const std::string full = dir.fulldevice("full.png");
    ASSERT_NE(full, "") << "mknod needs root";
    const std::vector<std::string> base = with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-3:3:1", "--jobs", "2"});
    RunOutcome r = runsotoc(with(base, {"--out", full}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sotoc sweep: cannot write the results: No space left on device\n");
    r = runsotocinto(full, base);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sotoc sweep: cannot write the results: No space left on device\n");
    r = runsotoc(with(base, {"--out", dir.file("r.jsonl"), "--plot", full}));
    EXPECT_EQ(r.status, 1);
    // After the message, a sanitized build reports the libraries' suppressed leaks.
    EXPECT_EQ(r.err.find("sotoc sweep: cannot write " + full + ": No space left on device\n"), 0u) << r.err;
    EXPECT_EQ(lines(content(dir.file("r.jsonl"))).size(), 7u);
    r = runsotoc({"plot", dir.file("r.jsonl"), "--plot", full});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("sotoc plot: cannot write " + full + ": No space left on device\n"), 0u) << r.err;
    r = runsotoc({"plot", dir.path, dir.file("r.jsonl"), "--plot", dir.file("p.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sotoc plot: " + dir.path + ": a folder, not a result file\n");
    struct stat st;
    ASSERT_EQ(stat(full.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"full.png", "r.jsonl"}));
    EXPECT_EQ(runsotoc({"plot", dir.file("r.jsonl"), "--plot", dir.file("p.png")}).status, 0);
}

// The picture of the merged shards is the sweep's own, pixel for pixel.
TEST(Sweep, PlotOfShardsIsThePlotOfTheSweep) {
    TempDir dir;
    const std::vector<std::string> base = with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-2:2:1"});
    ASSERT_EQ(runsotoc(with(base, {"--out", dir.file("all.jsonl"), "--plot", dir.file("sweep.png")})).status, 0);
    for (const char *k : {"0", "1"})
        ASSERT_EQ(runsotoc(with(base, {"--shard", std::string(k) + "/2", "--out", dir.file(std::string(k) + ".jsonl")}))
                      .status,
                  0);
    ASSERT_EQ(runsotoc({"plot", dir.file("1.jsonl"), dir.file("0.jsonl"), "--plot", dir.file("shards.png")}).status, 0);
    const std::string picture = content(dir.file("sweep.png"));
    EXPECT_GT(picture.size(), 10000u);
    EXPECT_EQ(content(dir.file("shards.png")), picture);
    ASSERT_EQ(runsotoc({"plot", dir.file("all.jsonl"), "--plot", dir.file("all.svg")}).status, 0);
    EXPECT_NE(content(dir.file("all.svg")).find("<svg"), std::string::npos);

    RunOutcome refused = runsotoc({"plot", dir.file("all.jsonl"), "--plot", dir.file("all.bmp")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find(".png, .svg or .pdf"), std::string::npos);
    refused = runsotoc({"plot", dir.file("none.jsonl"), "--plot", dir.file("x.png")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("none.jsonl: cannot be read"), std::string::npos);
}

// Ctrl-C reaches the whole job (the sweep and its workers), SIGTERM from kill only
// the sweep: either way the output holds the first points of the grid as whole
// lines, and the status tells the signal. The plot's file is not made.
TEST(Sweep, StopSignalLeavesWholeLines) {
    TempDir dir;
    const struct {
        int sig;
        bool group;
        int status;
    } stops[] = {{SIGINT, true, 130}, {SIGTERM, false, 143}};
    for (const auto &s : stops) {
        const std::string out = dir.file("stopped.jsonl");
        const pid_t job = startjob(with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-50:50:1", "--jobs", "2", "--out",
                                                                         out, "--plot", dir.file("p.png")}));
        ASSERT_TRUE(waitforline(dir, "stopped.jsonl"));
        kill(s.group ? -job : job, s.sig);
        EXPECT_EQ(finishjob(job), s.status);
        const std::string text = content(out);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.back(), '\n');
        const std::vector<std::string> got = lines(text);
        EXPECT_LT(got.size(), 101u);
        for (size_t i = 0; i < got.size(); ++i) {
            const json r = json::parse(got[i], nullptr, false);
            ASSERT_FALSE(r.is_discarded()) << "line " << i + 1 << ": " << got[i];
            EXPECT_EQ(r.at("settings").at("error"), -50.0 + static_cast<double>(i));
        }
        EXPECT_EQ(dir.names(), std::vector<std::string>{"stopped.jsonl"});  // no plot of a stopped sweep
    }
}

// A hangup (or a quit) ends the sweep at once: the results and the picture it was
// writing are removed and the old results stay.
TEST(Sweep, HangupLeavesTheOldResultsAndNoTemporary) {
    TempDir dir;
    std::ofstream(dir.file("r.jsonl")) << "old\n";
    const pid_t job = startjob(with(with({"sweep"}, SCARAVERTICAL), {"--errors", "-50:50:1", "--jobs", "2", "--out",
                                                                     dir.file("r.jsonl"), "--plot", dir.file("p.png")}));
    ASSERT_TRUE(waitforline(dir, "r.jsonl"));
    kill(job, SIGHUP);
    EXPECT_EQ(finishjob(job), 128 + SIGHUP);
    EXPECT_EQ(content(dir.file("r.jsonl")), "old\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"r.jsonl"});
}

TEST(Sweep, ProgressOnATerminal) {
    TempDir dir;
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, with(with({sotocbinary(), "sweep"}, SCARAVERTICAL),
                                 {"--errors", "-1:1:1", "--out", dir.file("r.jsonl")})));
    EXPECT_TRUE(ptyexpect(p, "3/3 done"));
    EXPECT_EQ(ptywait(p, 60.0), 0);
    ptyclose(p);
    EXPECT_EQ(lines(content(dir.file("r.jsonl"))).size(), 3u);
}

// --progress off a terminal (a batch job's log): whole lines naming the command,
// the last when the last point is done; none without it, for sweeps and maps.
TEST(Sweep, ProgressLinesInALogOnlyWhenAsked) {
    const std::vector<std::string> runs[] = {with({"sweep"}, with(SCARAVERTICAL, {"--errors", "-1:1:1"})),
                                             with({"map"}, with(SCARAVERTICAL, {"--x", "error=-1,0.5", "--y",
                                                                                "ratios=40:50:10"}))};
    const char *last[] = {"sotoc sweep: 3/3 done, 0:00 left\n", "sotoc map: 4/4 done, 0:00 left\n"};
    for (int k = 0; k < 2; ++k) {
        const RunOutcome quiet = runsotoc(runs[k]);
        const RunOutcome logged = runsotoc(with(runs[k], {"--progress"}));
        ASSERT_EQ(quiet.status, 0) << quiet.err;
        ASSERT_EQ(logged.status, 0) << logged.err;
        EXPECT_EQ(quiet.err, "");
        EXPECT_EQ(logged.out, quiet.out);
        ASSERT_GE(logged.err.size(), std::string(last[k]).size()) << logged.err;
        EXPECT_EQ(logged.err.substr(logged.err.size() - std::string(last[k]).size()), last[k]);
        const std::string named = "sotoc " + runs[k][0] + ": ";
        for (const std::string &line : lines(logged.err)) EXPECT_EQ(line.rfind(named, 0), 0u) << line;
    }
}

// A list of values is the sweep of those values: the lines of the same points of a
// FROM:TO:STEP grid.
TEST(Sweep, ListOfValuesIsTheGridOfThem) {
    const RunOutcome listed = runsotoc(with({"sweep"}, with(SCARAVERTICAL, {"--errors", "-2,0,2"})));
    const RunOutcome grid = runsotoc(with({"sweep"}, with(SCARAVERTICAL, {"--errors", "-2:2:2"})));
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, grid.out);
    const RunOutcome refused = runsotoc(with({"sweep"}, with(SCARAVERTICAL, {"--errors", "2,0"})));
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "sotoc sweep: --errors: '2,0' refused; the grid point 0 % (point 1) does not lie above "
                           "the one before, 2 %\n");
}

// Three shards through GNU parallel as the guide spreads them over hosts: the
// merged lines are those of the single run.
TEST(Sweep, ShardsThroughGnuParallel) {
    TempDir dir;
    ASSERT_TRUE(
        runthroughparallel(dir, sotocbinary() + " sweep --robot scara --motion vertical --errors -4:4:1 --jobs 1"));
    const std::vector<std::string> single = lines(content(dir.file("single.jsonl")));
    EXPECT_EQ(single.size(), 9u);
    EXPECT_EQ(sorted(lines(content(dir.file("merged.jsonl")))), sorted(single));
}

}  // namespace
