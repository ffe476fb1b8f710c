// sotoc map as a user runs it: every line that of sotoc batch for its settings with
// the point's indices added, whichever axis the shared error-free halves run along;
// unreachable points with their reason; refused axes; shards merged directly and
// through GNU parallel; stop signals and progress.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/jobs.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::json;

const std::vector<std::string> SCARAVERTICAL = {"map", "--robot", "scara", "--motion", "vertical"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The map's lines in grid order: y outer, x inner, j = 0 without --y.
void expectgridorder(const std::vector<std::string> &got, int nx, int ny) {
    ASSERT_EQ(got.size(), static_cast<size_t>(nx * ny));
    for (size_t p = 0; p < got.size(); ++p) {
        const json cell = json::parse(got[p]).at("map");
        EXPECT_EQ(cell, (json{{"i", static_cast<int>(p) % nx}, {"j", static_cast<int>(p) / nx}})) << got[p];
    }
}

// Each line is the line of sotoc batch for the settings it carries, byte for byte,
// with "map" added at its end; an unreachable point has the reason batch refuses
// its line with, its settings and no figures. Returns the outcomes' counts.
std::map<std::string, int> expectbatchlines(const std::vector<std::string> &got) {
    std::string input;
    for (const std::string &line : got) input += json::parse(line).at("settings").dump() + "\n";
    const RunOutcome batch = runsotoc({"batch", "--jobs", "2"}, input);
    const std::vector<std::string> want = lines(batch.out);
    std::map<std::string, int> outcomes;
    EXPECT_EQ(want.size(), got.size());
    for (size_t k = 0; k < got.size() && k < want.size(); ++k) {
        const json r = json::parse(got[k]);
        const std::string outcome = r.at("outcome");
        ++outcomes[outcome];
        const size_t cell = got[k].rfind(",\"map\":");
        if (outcome != "unreachable") {
            EXPECT_EQ(got[k].substr(0, cell) + "}", want[k]);
            continue;
        }
        EXPECT_EQ(r.at("reason"), json::parse(want[k]).at("error")) << got[k];
        EXPECT_FALSE(r.contains("runs") || r.contains("derived") || r.contains("designs")) << got[k];
    }
    return outcomes;
}

// The "compared" points of each row (byrow) or column of the map.
std::vector<int> comparedper(const std::vector<std::string> &got, int nx, int ny, bool byrow) {
    std::vector<int> counts(byrow ? ny : nx, 0);
    for (const std::string &line : got) {
        const json r = json::parse(line);
        if (r.at("outcome") == "compared") ++counts.at(r.at("map").at(byrow ? "j" : "i").get<int>());
    }
    return counts;
}

// The mass error along x (rows share a half) and along y (columns share one, kept
// while the rows run), for both robots, every shared row or column with three
// compared points and several such rows or columns, so that a point given another
// row's or column's half differs from batch; and the error along no axis (every
// point runs whole). The SCARA reaches 0.1 m to L1 + L2 = 0.9 m from its base: at
// end-x -1 m (end-y 0.4 m) it is 1.08 m away, at end-y 1 m (end-x -0.3 m) 1.04 m;
// the ends at +-0.5 m and 0 m are 0.64 m and 0.4 m away, at end-y 0.4 to 0.8 m
// 0.5 to 0.85 m. The cylindrical robot reaches every point.
TEST(Map, LinesEqualBatchWhicheverAxisSharesTheErrorFreeHalf) {
    const std::vector<std::string> scarahorizontal = {"map", "--robot", "scara", "--motion", "horizontal"};
    const std::vector<std::string> cylvertical = {"map", "--robot", "cylindrical", "--motion", "vertical"};
    const std::vector<std::string> cylhorizontal = {"map", "--robot", "cylindrical", "--motion", "horizontal"};
    const struct {
        std::vector<std::string> args;
        int nx, ny, unreachable;
        bool byrow;                 // compared counted per row, else per column
        std::vector<int> compared;  // per row or column
    } maps[] = {
        {with(scarahorizontal, {"--x", "error=-2:2:2", "--y", "end-x=-1:0.5:0.5"}), 3, 4, 3, true, {0, 3, 3, 3}},
        {with(SCARAVERTICAL, {"--x", "end-y=0.4:1:0.2", "--y", "error=-2:2:2"}), 4, 3, 3, false, {3, 3, 3, 0}},
        {with(cylvertical, {"--x", "error=-2:2:2", "--y", "ratios=40:100:30"}), 3, 3, 0, true, {3, 3, 3}},
        {with(cylhorizontal, {"--x", "end-y=0.6:1:0.2", "--y", "error=-2:2:2"}), 3, 3, 0, false, {3, 3, 3}},
        {with(SCARAVERTICAL, {"--x", "end-x=-1:1:0.5", "--y", "end-y=0.4:0.8:0.4", "--error", "5"}), 5, 2, 6, true,
         {2, 1}},
    };
    for (const auto &m : maps) {
        const std::string name = m.args[2] + " " + m.args[4] + " " + m.args[6] + " " + m.args[8];
        const RunOutcome run = runsotoc(with(m.args, {"--jobs", "2"}));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");  // no progress line off a terminal
        const std::vector<std::string> got = lines(run.out);
        expectgridorder(got, m.nx, m.ny);
        const std::map<std::string, int> outcomes = expectbatchlines(got);
        EXPECT_EQ(outcomes.count("unreachable") ? outcomes.at("unreachable") : 0, m.unreachable) << name;
        EXPECT_EQ(comparedper(got, m.nx, m.ny, m.byrow), m.compared) << name;
    }
}

// A one-axis map over the ratios of both joints, and one over the ratio of joint 1
// with joint 2's from --ratios; the cylindrical robot's default half turn has no
// error-free solution at low ratios.
TEST(Map, OneAxisMapsOverOtherSettings) {
    const RunOutcome both = runsotoc(
        {"map", "--robot", "cylindrical", "--motion", "horizontal", "--x", "ratios=10:200:95", "--jobs", "2"});
    ASSERT_EQ(both.status, 0) << both.err;
    std::vector<std::string> got = lines(both.out);
    expectgridorder(got, 3, 1);
    EXPECT_EQ(json::parse(got[2]).at("settings").at("ratios"), json::parse("[200.0,200.0]"));
    const std::map<std::string, int> outcomes = expectbatchlines(got);
    EXPECT_EQ(outcomes.size(), 2u);  // solved and unsolved points

    const RunOutcome first = runsotoc(with(SCARAVERTICAL, {"--x", "ratio1=20:60:20", "--ratios", "40,70"}));
    ASSERT_EQ(first.status, 0) << first.err;
    got = lines(first.out);
    expectgridorder(got, 3, 1);
    EXPECT_EQ(json::parse(got[0]).at("settings").at("ratios"), json::parse("[20.0,70.0]"));
    expectbatchlines(got);
}

// The shards of a map whose columns share their halves, in any order, hold the
// lines of the single run; each shard's lines still equal sotoc batch's.
TEST(Map, ShardsMergeIntoTheWholeMap) {
    const std::vector<std::string> base =
        with(SCARAVERTICAL, {"--x", "end-y=0.3:0.5:0.1", "--y", "error=-1:1:1", "--jobs", "2"});
    const RunOutcome whole = runsotoc(base);
    ASSERT_EQ(whole.status, 0);
    std::string merged;
    for (const char *k : {"1", "3", "0", "2"}) {
        const RunOutcome shard = runsotoc(with(base, {"--shard", std::string(k) + "/4"}));
        ASSERT_EQ(shard.status, 0);
        merged += shard.out;
    }
    EXPECT_EQ(lines(whole.out).size(), 9u);
    EXPECT_EQ(sorted(lines(merged)), sorted(lines(whole.out)));
}

// The wide search makes each point's line depend on its settings alone: the lines
// of one worker, of two and of the shards merged are the same, and each is the
// batch line of its settings. The corner of the workspace with +10 % holds points
// without an error-free solution and points only the wide search solves.
TEST(Map, WideSearchGivesTheSameLinesForAnyJobsAndShards) {
    const std::vector<std::string> base = with(SCARAVERTICAL, {"--error", "10", "--design-search", "wide", "--x",
                                                               "end-x=-0.35:-0.25:0.05", "--y", "end-y=-0.35:-0.3:0.05"});
    const RunOutcome one = runsotoc(with(base, {"--jobs", "1"})), two = runsotoc(with(base, {"--jobs", "2"}));
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(one.out, two.out);
    std::string merged;
    for (const char *k : {"1", "0"}) merged += runsotoc(with(base, {"--shard", std::string(k) + "/2"})).out;
    EXPECT_EQ(sorted(lines(merged)), sorted(lines(one.out)));
    const std::vector<std::string> got = lines(one.out);
    expectgridorder(got, 3, 2);
    const std::map<std::string, int> outcomes = expectbatchlines(got);
    EXPECT_GT(outcomes.count("no-free-solution"), 0u);
    EXPECT_NE(one.out.find("\"search\":\"wide\""), std::string::npos);
}

// --plot draws the map's own lines: the picture of sotoc plot of its shards, pixel
// for pixel. A picture it cannot make is refused before any work.
TEST(Map, PlotOfTheMapIsThePlotOfItsShards) {
    TempDir dir;
    const std::vector<std::string> base = with(SCARAVERTICAL, {"--x", "end-x=-0.9:0.9:0.45", "--y", "error=-1:1:1"});
    ASSERT_EQ(runsotoc(with(base, {"--out", dir.file("all.jsonl"), "--plot", dir.file("map.png")})).status, 0);
    for (const char *k : {"0", "1"})
        ASSERT_EQ(runsotoc(with(base, {"--shard", std::string(k) + "/2", "--out", dir.file(std::string(k) + ".jsonl")}))
                      .status,
                  0);
    ASSERT_EQ(runsotoc({"plot", dir.file("1.jsonl"), dir.file("0.jsonl"), "--plot", dir.file("shards.png")}).status, 0);
    const std::string picture = content(dir.file("map.png"));
    EXPECT_GT(picture.size(), 10000u);
    EXPECT_EQ(content(dir.file("shards.png")), picture);
    for (const std::string &bad : {dir.file("map.gif"), dir.file("missing/map.png"), dir.file("all.jsonl")}) {
        const RunOutcome refused = runsotoc(with(base, {"--out", dir.file("all.jsonl"), "--plot", bad}));
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_NE(refused.err.find("--plot: '" + bad + "' refused"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"0.jsonl", "1.jsonl", "all.jsonl", "map.png", "shards.png"}));
}

// Three shards through GNU parallel hold the lines of the single run.
TEST(Map, ShardsThroughGnuParallel) {
    TempDir dir;
    ASSERT_TRUE(runthroughparallel(dir, sotocbinary() + " map --robot scara --motion vertical --x error=-1:1:1 "
                                                        "--y end-x=-0.9:0.9:0.9 --jobs 1"));
    const std::vector<std::string> single = lines(content(dir.file("single.jsonl")));
    EXPECT_EQ(single.size(), 9u);
    EXPECT_EQ(sorted(lines(content(dir.file("merged.jsonl")))), sorted(single));
}

// Each refusal next to the accepted map closest to it: status 2, the option and
// its value named, nothing on standard output.
TEST(Map, AxesAcceptedOrRefused) {
    const struct {
        std::vector<std::string> accepted, refused;
        std::string says;
        bool cylindrical = false;  // the pair is for the cylindrical robot rather than the SCARA
    } pairs[] = {
        {{"--x", "error=-1:1:1"}, {"--x", "error=-1:1:1", "--y", "error=2:3:1"}, "--y: 'error=2:3:1' refused"},
        {{"--x", "ratio1=30:40:10", "--y", "ratio2=30:40:10"},
         {"--x", "ratios=30:40:10", "--y", "ratio2=30:40:10"}, "--x ratios already varies ratio2"},
        {{"--x", "error=-1:1:1", "--ratios", "30,30"}, {"--x", "error=-1:1:1", "--error", "5"}, "--error: '5' refused"},
        {{"--x", "design-error:mwNom=0:10:10", "--design-error", "L1=50"},
         {"--x", "design-error:mwNom=0:10:10", "--design-error", "mwNom=50"},
         "--design-error: 'mwNom=50' refused; --x design-error:mwNom sets it in every point of the map"},
        {{"--x", "error=0:10:10", "--y", "param:L1=0.5:0.6:0.1", "--param", "L2=0.45"},
         {"--x", "error=0:10:10", "--y", "param:L1=0.5:0.6:0.1", "--param", "L2=0.45", "--param", "L1=0.6"},
         "--param: 'L1=0.6' refused; --y param:L1 sets it in every point of the map"},
        {{"--x", "ratio1=30:40:10", "--ratios", "30,50"}, {"--x", "ratios=30:40:10", "--ratios", "30,50"},
         "--ratios: '30,50' refused"},
        {{"--x", "end-x=-0.3:0.3:0.3", "--end", "0,0.5"},
         {"--x", "end-x=-0.3:0.3:0.3", "--y", "end-y=0.4:0.5:0.1", "--end", "0,0.5"}, "--end: '0,0.5' refused"},
        {{"--x", "error=-99:99:99"}, {"--x", "error=-100:100:100"}, "grid point -100 %"},
        {{"--x", "error=0:99.5:49.75"}, {"--x", "error=0:100:50"}, "grid point 100 %"},
        {{"--x", "start-x=-10:-9:1"},
         {"--x", "start-x=-10.5:-9:1"}, "grid point -10.5 m", true},
        {{"--x", "end-y=9:10:1"}, {"--x", "end-y=9:11:1"},
         "grid point 11 m", true},
        {{"--x", "ratios=998:999:1"}, {"--x", "ratios=999:1000:1"}, "grid point 1000"},
        {{"--x", "ratio2=1:2:1"}, {"--x", "ratio2=0:1:1"}, "grid point 0"},
        {{"--x", "end-x=-0.3:0.3:0.3"}, {"--x", "end-z=-0.3:0.3:0.3"}, "NAME one of error, ratio1"},
        {{"--x", "end-x=-0.3:0.3:0.3"}, {"--x", "end-x"}, "--x: 'end-x' refused"},
        {{"--x", "end-x=-0.3:0.3:0.3"}, {"--x", "end-x=0.3:-0.3:0.3"}, "lies above TO"},
        {{"--x", "end-y=0.3:0.4:0.1", "--y", "error=-1:1:1"}, {"--y", "error=-1:1:1"}, "--x is required"},
        {{"--x", "end-x=0:0.5:0.5", "--start", "0.4,0.4"}, {"--x", "end-x=0:0.5:0.5", "--start", "1,1"},
         "--start: '1,1' refused; accepts a point the SCARA reaches"},
    };
    for (const auto &p : pairs) {
        const std::vector<std::string> robot =
            p.cylindrical ? std::vector<std::string>{"map", "--robot", "cylindrical", "--motion", "vertical"}
                          : SCARAVERTICAL;
        const RunOutcome refused = runsotoc(with(robot, p.refused));
        EXPECT_EQ(refused.status, 2) << p.says;
        EXPECT_NE(refused.err.find(p.says), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
        const RunOutcome accepted = runsotoc(with(robot, with(p.accepted, {"--shard", "0/9"})));
        EXPECT_EQ(accepted.status, 0) << accepted.err;
        EXPECT_EQ(lines(accepted.out).size(), 1u) << p.says;
    }
    const RunOutcome huge = runsotoc(with(SCARAVERTICAL, {"--x", "end-x=-0.9:0.9:0.001", "--y", "end-y=-0.9:0.9:0.001"}));
    EXPECT_EQ(huge.status, 2);
    EXPECT_NE(huge.err.find("more than a million points (--x 1801 times --y 1801)"), std::string::npos) << huge.err;
}

// An empty value is refused as an empty --x is, rather than taken as absent (an
// unset variable in a job script would make every task run the whole map).
TEST(Map, EmptyShardOrYRefused) {
    const std::string names = "accepts NAME=FROM:TO:STEP with NAME one of error, ratio1, ratio2, ratios, start-x, "
                              "start-y, end-x, end-y, near, control-period, encoder-counts, noise, position-noise, velocity-noise, seed, sensor-delay, span, design-error:NAME, param:NAME";
    const std::string x = "end-x=-0.3:0.3:0.3";
    const struct {
        std::vector<std::string> accepted, refused;
        std::string says;
    } pairs[] = {
        {{"--x", x, "--shard", "0/1"}, {"--x", x, "--shard", ""},
         "sotoc map: --shard: '' refused; expected K/N (for example 0/3), got \"\"\n"},
        {{"--x", x}, {"--x", x, "--y", ""}, "sotoc map: --y: '' refused; " + names + "\n"},
        {{"--x", x, "--y", "error=1:1:1"}, {"--y", "error=1:1:1", "--x", ""}, "sotoc map: --x: '' refused; " + names + "\n"},
    };
    for (const auto &p : pairs) {
        const RunOutcome refused = runsotoc(with(SCARAVERTICAL, p.refused));
        EXPECT_EQ(refused.status, 2) << p.says;
        EXPECT_EQ(refused.err, p.says);
        EXPECT_EQ(refused.out, "");
        const RunOutcome accepted = runsotoc(with(SCARAVERTICAL, with(p.accepted, {"--jobs", "2"})));
        EXPECT_EQ(accepted.status, 0) << accepted.err;
        EXPECT_EQ(lines(accepted.out).size(), 3u) << p.says;
    }
}

// Shards of up to the largest int: each point written is one of the grid's, with
// the indices and value the grid gives it; shards beyond the points are empty.
TEST(Map, LargeShardCountsWriteOnlyPointsOfTheGrid) {
    // The grid, worked out by hand: end-x -0.9 to 0.9 by 0.3 (i), end-y 0.3 and 0.6 (j).
    const std::vector<std::string> xs = {"-0.9", "-0.6", "-0.3", "0.0", "0.3", "0.6", "0.9"}, ys = {"0.3", "0.6"};
    const std::vector<std::string> base =
        with(SCARAVERTICAL, {"--x", "end-x=-0.9:0.9:0.3", "--y", "end-y=0.3:0.6:0.3", "--jobs", "2"});
    const struct {
        const char *shard;
        int point;  // the one point written, -1 for none
    } shards[] = {{"2/2147483647", 2},  {"13/2147483647", 13}, {"14/2147483647", -1},
                  {"2147483646/2147483647", -1}, {"6/1073741824", 6}};
    for (const auto &s : shards) {
        const RunOutcome run = runsotoc(with(base, {"--shard", s.shard}));
        ASSERT_EQ(run.status, 0) << s.shard << ": " << run.err;
        const std::vector<std::string> got = lines(run.out);
        ASSERT_EQ(got.size(), s.point < 0 ? 0u : 1u) << s.shard;
        if (s.point < 0) continue;
        const int i = s.point % 7, j = s.point / 7;
        EXPECT_EQ(json::parse(got[0]).at("map"), (json{{"i", i}, {"j", j}})) << s.shard;
        EXPECT_NE(got[0].find("\"end\":[" + xs[i] + "," + ys[j] + "]"), std::string::npos) << s.shard << got[0];
    }
}

// Grid points are the decimal values typed: no binary noise in the settings of a
// point, a last point at the edge of a setting's range taken, and a point typed on
// the SCARA's reach circle compared.
TEST(Map, PointsAreTheDecimalValuesTyped) {
    const RunOutcome run = runsotoc(with(SCARAVERTICAL, {"--x", "end-x=-0.9:0.9:0.3", "--end", "0,0.5", "--jobs", "2"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> got = lines(run.out);
    const std::vector<std::string> xs = {"-0.9", "-0.6", "-0.3", "0.0", "0.3", "0.6", "0.9"};
    ASSERT_EQ(got.size(), xs.size());
    for (size_t i = 0; i < xs.size(); ++i) {
        EXPECT_NE(got[i].find("\"end\":[" + xs[i] + ",0.5]"), std::string::npos) << got[i];
        // Out of reach beyond 0.9 m from the base: |x| = 0.9 only.
        EXPECT_EQ(json::parse(got[i]).at("outcome") == "unreachable", i == 0 || i == 6) << got[i];
    }
    const struct {
        std::vector<std::string> args;
        std::string setting;
    } edges[] = {
        {{"--robot", "cylindrical", "--motion", "horizontal", "--x", "ratios=100:999.9:0.1", "--shard", "8999/9000"},
         "\"ratios\":[999.9,999.9]"},
        {{"--robot", "cylindrical", "--motion", "horizontal", "--x", "start-x=-9.9:10:0.1", "--shard", "199/200"},
         "\"start\":[10.0,"},
        {{"--robot", "scara", "--motion", "horizontal", "--x", "end-x=0.6363961030678928:0.7:1", "--end",
          "0,0.6363961030678928"},
         "\"end\":[0.6363961030678928,0.6363961030678928]"},
    };
    for (const auto &e : edges) {
        const RunOutcome edge = runsotoc(with({"map"}, e.args));
        ASSERT_EQ(edge.status, 0) << edge.err;
        ASSERT_EQ(lines(edge.out).size(), 1u) << e.setting;
        EXPECT_NE(edge.out.find(e.setting), std::string::npos) << edge.out;
        const json r = json::parse(edge.out);
        EXPECT_EQ(r.at("outcome"), "compared") << edge.out;
        EXPECT_TRUE(r.at("runs").at("sotocErr").at("error").is_number()) << edge.out;
    }
}

// Peak resident memory [kB] of a map over the SCARA's start points from -10 m to
// 10 m in steps of `step`, nearly all out of reach, its lines written to a file;
// the command's and its workers' (wait4).
long mappeak(const TempDir &dir, const std::string &step) {
    const pid_t job = startjob({"map", "--robot", "scara", "--motion", "horizontal", "--x", "start-x=-10:10:" + step,
                                "--y", "start-y=-10:10:" + step, "--jobs", "2", "--out", dir.file("map.jsonl")});
    int status = 0;
    rusage usage{};
    if (wait4(job, &status, 0, &usage) != job || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

// The lines are written as they come and not kept: a map of ten times the points
// (2.7 MB more lines) needs no more memory, within a margin far below what keeping
// them would take.
TEST(Map, MemoryDoesNotGrowWithThePoints) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers keep freed memory in quarantine: the peak then follows what was freed";
#endif
    TempDir dir;
    const long small = mappeak(dir, "0.625");  // 33 x 33 points
    const long smallbytes = static_cast<long>(content(dir.file("map.jsonl")).size());
    const long large = mappeak(dir, "0.2");  // 101 x 101 points
    const long largebytes = static_cast<long>(content(dir.file("map.jsonl")).size());
    ASSERT_GT(small, 0);
    ASSERT_GT(large, 0);
    ASSERT_GT(largebytes - smallbytes, 2500000) << "the larger map writes megabytes more";
    EXPECT_LT(large - small, (largebytes - smallbytes) / 1024 / 4) << small << " kB, then " << large << " kB";
}

// Ctrl-C (the stop code is the sweep's, whose tests send SIGTERM too): the output
// holds the first points in grid order as whole lines, and the status tells the signal.
TEST(Map, CtrlCLeavesWholeLinesInGridOrder) {
    TempDir dir;
    const pid_t job = startjob(with(SCARAVERTICAL, {"--x", "end-x=-0.5:0.5:0.1", "--y", "error=-20:20:1", "--jobs",
                                                    "2", "--out", dir.file("stopped.jsonl")}));
    ASSERT_TRUE(waitforline(dir, "stopped.jsonl"));
    kill(-job, SIGINT);
    EXPECT_EQ(finishjob(job), 130);
    const std::string text = content(dir.file("stopped.jsonl"));
    ASSERT_EQ(text.empty() ? '\0' : text.back(), '\n');
    const std::vector<std::string> got = lines(text);
    EXPECT_LT(got.size(), 451u);
    for (size_t p = 0; p < got.size(); ++p)
        EXPECT_EQ(json::parse(got[p]).at("map"), (json{{"i", p % 11}, {"j", p / 11}})) << got[p];
    EXPECT_EQ(dir.names(), std::vector<std::string>{"stopped.jsonl"});
}

TEST(Map, ProgressOnATerminal) {
    TempDir dir;
    PtyProcess p;
    ASSERT_TRUE(ptystart(p, with(with({sotocbinary()}, SCARAVERTICAL),
                                 {"--x", "error=-1:1:1", "--y", "end-x=-0.1:0.1:0.1", "--out", dir.file("r.jsonl")})));
    EXPECT_TRUE(ptyexpect(p, "9/9 done"));
    EXPECT_EQ(ptywait(p, 60.0), 0);
    ptyclose(p);
    EXPECT_EQ(lines(content(dir.file("r.jsonl"))).size(), 9u);
}

}  // namespace
