// Result files read back for a plot: shards in any order, the axes of a map found in
// its lines, refusals with file and line.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "study/params.h"
#include "formats/resultfile.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::json;

// Settings are checked as a batch line's are, against the robots' defaults.
struct ResultFile : testing::Test {
    void SetUp() override { initialset(); }
};

// Writes `text` into file `name` of the folder; returns its path.
std::string write(const TempDir &dir, const std::string &name, const std::string &text) {
    std::ofstream(dir.file(name)) << text;
    return dir.file(name);
}

json run(double tf, double error) {
    return {{"tf", tf}, {"tip", {0.1, 0.2}}, {"error", error}, {"ratio", 1.0}, {"pastSpan", false}};
}

// A result object as a sweep line holds it; `outcome` decides what is null.
json result(double percent, const std::string &outcome = "compared") {
    const json trial = {{"sigma2", -1}, {"iterations", 7}, {"verdict", "accepted"}, {"tf", 1.25}};
    const json solved = {{"solved", true}, {"ts", {0.3, 0.6, 0.9, 1.25}}, {"chosen", 0}, {"trials", {trial, trial}}};
    const json unsolved = {{"solved", false}, {"ts", nullptr}, {"chosen", nullptr}, {"trials", {trial, trial}}};
    json r = {{"settings",
               {{"robot", "scara"},
                {"motion", "vertical"},
                {"ratios", {50.0, 30.0}},
                {"start", {0.6, 0.2}},
                {"end", {-0.3, 0.5}},
                {"elbow", "up"},
                {"error", percent}}},
              {"derived", {{"T1max", 1}, {"T2max", 1}, {"T1maxG", 1}, {"T2maxG", 1}, {"tfNom", 1}, {"dt", 0.02}}},
              {"outcome", outcome},
              {"designs", {{"free", outcome == "no-free-solution" ? unsolved : solved}, {"error", nullptr}}},
              {"runs", nullptr}};
    if (outcome == "compared") {
        json sotoc = run(1.2 + percent / 100.0, 0.01 * std::fabs(percent));
        sotoc["finished"] = percent > -5.0;
        r["runs"] = {
            {"tocFree", run(1.25, 0.001)}, {"tocErr", run(1.3, 0.1 * std::fabs(percent))}, {"sotocErr", sotoc}};
    }
    return r;
}

// Whether the files were read, `message` set to why not.
bool read(const std::vector<std::string> &paths, PlotSetup &setup, std::vector<PlotPoint> &points,
          std::string &message, bool mixedprograms = false) {
    const Outcome outcome = readresults(paths, mixedprograms, setup, points);
    message = outcome.message;
    return outcome.ok();
}

std::string lines(const std::vector<json> &results) {
    std::string s;
    for (const json &r : results) s += r.dump() + "\n";
    return s;
}

TEST_F(ResultFile, ShardsInAnyOrderGiveEveryPoint) {
    TempDir dir;
    const std::string a = write(dir, "a.jsonl", lines({result(-10), result(5)}));
    const std::string b = write(dir, "b.jsonl", "\n" + lines({result(0, "no-error-solution")}) + "\r\n");
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({b, a}, setup, points, message)) << message;
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].x, 0.0);
    EXPECT_EQ(points[0].outcome, POINTNOSOLUTION);
    EXPECT_EQ(points[1].x, -10.0);
    EXPECT_EQ(points[1].outcome, POINTCOMPARED);
    EXPECT_EQ(points[1].tocError, 1.0);
    EXPECT_EQ(points[1].tocTf, 1.3);
    EXPECT_EQ(points[1].sotocError, 0.1);
    EXPECT_EQ(points[1].sotocTf, 1.2 - 0.1);
    EXPECT_FALSE(points[1].sotocFinished);
    EXPECT_TRUE(points[2].sotocFinished);
    for (const PlotPoint &p : points) EXPECT_EQ(p.tfFree, 1.25);
    EXPECT_FALSE(setup.map);
    EXPECT_EQ(setup.xaxis, AXISERROR);
    EXPECT_EQ(setup.yaxis, AXISNONE);
    EXPECT_EQ(setup.request.type, ROBOTSCARA);
    EXPECT_EQ(setup.request.sgnG, MOTIONVERTICAL);
    EXPECT_EQ(setup.request.elbow, ELBOWUP);
    EXPECT_EQ(setup.request.u[1], 30.0);
    EXPECT_EQ(setup.request.end[0], -0.3);
}

TEST_F(ResultFile, WithoutErrorFreeSolutionNoReferenceTime) {
    TempDir dir;
    const std::string a = write(dir, "a.jsonl", lines({result(-1, "no-free-solution"), result(1, "no-free-solution")}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({a}, setup, points, message)) << message;
    ASSERT_EQ(points.size(), 2u);
    for (const PlotPoint &p : points) EXPECT_TRUE(std::isnan(p.tfFree));
}

// Which design failed, whether the designs kept trials of different signs and
// whether only the wide search solved one, as the lines say; lines of older programs
// without "samestructure" or "search" read as the same structure and the standard search.
TEST_F(ResultFile, DesignsReadAsTheLinesTellThem) {
    TempDir dir;
    json other = result(-3), wide = result(-2), freefailed = result(-1, "no-free-solution");
    json errfailed = result(1, "no-error-solution"), old = result(2);
    other["designs"]["samestructure"] = false;
    wide["designs"]["samestructure"] = true;
    wide["designs"]["error"] = wide["designs"]["free"];
    wide["designs"]["error"]["search"] = "wide";
    errfailed["designs"]["samestructure"] = nullptr;
    const std::string a = write(dir, "a.jsonl", lines({other, wide, freefailed, errfailed, old}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({a}, setup, points, message)) << message;
    ASSERT_EQ(points.size(), 5u);
    const bool otherstructure[5] = {true, false, false, false, false}, wideonly[5] = {false, true, false, false, false};
    const bool noerr[5] = {false, false, false, true, false};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(points[k].otherstructure, otherstructure[k]) << k;
        EXPECT_EQ(points[k].wideonly, wideonly[k]) << k;
        EXPECT_EQ(points[k].noerrsolution, noerr[k]) << k;
    }
    EXPECT_EQ(points[3].outcome, POINTNOSOLUTION);
}

// A batch writes an object naming the input line it could not run: no point.
TEST_F(ResultFile, BatchBadLinesSkipped) {
    TempDir dir;
    const std::string a = write(dir, "a.jsonl", lines({result(1), {{"line", 2}, {"error", "--robot: 'x' refused"}}}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({a}, setup, points, message)) << message;
    EXPECT_EQ(points.size(), 1u);
}

TEST_F(ResultFile, RefusalsNameFileAndLine) {
    TempDir dir;
    json other = result(2);
    other["settings"]["ratios"][0] = 51.0;
    json badrobot = result(2);
    badrobot["settings"]["robot"] = "delta";
    json missing = result(2);
    missing["runs"].erase("sotocErr");
    json endless = result(2);
    endless["runs"]["tocErr"]["tf"] = 1.7e308;
    json negative = result(2);
    negative["runs"]["sotocErr"]["error"] = -0.5;
    json nofree = result(2);
    nofree["designs"]["free"]["ts"][3] = 2e6;
    const struct {
        std::string text, why;
    } cases[] = {
        {lines({result(1), other}), "a.jsonl:2: its settings differ from the first result's in more than the mass error"},
        {lines({result(1)}) + "{\"settings\": \n", "a.jsonl:2: not a comparison result"},
        {lines({badrobot}), "a.jsonl:1: not a comparison result: settings: robot: 'delta' refused"},
        {lines({missing}), "a.jsonl:1: not a comparison result"},
        {"[1, 2]\n", "a.jsonl:1: not a comparison result"},
        {lines({result(1), endless}), "a.jsonl:2: not a comparison result: runs.tocErr.tf 1.7e+308 s out of range"},
        {lines({negative}), "a.jsonl:1: not a comparison result: runs.sotocErr.error -0.5 m out of range"},
        {lines({nofree}), "a.jsonl:1: not a comparison result: designs.free.ts[3] 2e+06 s out of range"},
        {"\n\n", "no comparison results"},
    };
    for (const auto &c : cases) {
        const std::string a = write(dir, "a.jsonl", c.text);
        PlotSetup setup{};
        std::vector<PlotPoint> points;
        std::string message;
        EXPECT_FALSE(read({a}, setup, points, message)) << c.text;
        EXPECT_NE(message.find(c.why), std::string::npos) << message;
        EXPECT_TRUE(points.empty());
    }
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    EXPECT_FALSE(read({dir.path + "/none.jsonl"}, setup, points, message));
    EXPECT_NE(message.find("none.jsonl: cannot be read"), std::string::npos);
    const std::string good = write(dir, "good.jsonl", lines({result(1)}));
    EXPECT_FALSE(read({dir.path, good}, setup, points, message));
    EXPECT_EQ(message, dir.path + ": a folder, not a result file");
}

// Figures far beyond a real run but still drawable are taken: the bounds refuse only
// what a plot cannot draw.
TEST_F(ResultFile, LargeButDrawableFiguresAccepted) {
    TempDir dir;
    json far = result(2);
    far["runs"]["sotocErr"]["error"] = 1e6;
    far["runs"]["sotocErr"]["tf"] = 1e6;
    far["runs"]["tocErr"]["error"] = 0.0;
    const std::string a = write(dir, "a.jsonl", lines({far}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({a}, setup, points, message)) << message;
    EXPECT_EQ(points.at(0).sotocError, 1e6);
    EXPECT_EQ(points.at(0).tocError, 0.0);
}

// The result with setting `name` set to `value`, as a map's line at i, j.
json mapline(json r, int i, const json &j, const char *name = nullptr, const json &value = nullptr) {
    if (name != nullptr) r["settings"][name] = value;
    r["map"] = {{"i", i}, {"j", j}};
    return r;
}

// The line of a map point that could not run: its settings and why, no figures.
json notrun(int i, int j, const json &end, const std::string &why = "unreachable") {
    json r = {{"settings", result(1).at("settings")}, {"outcome", why}, {"map", {{"i", i}, {"j", j}}}};
    r["settings"]["end"] = end;
    return r;
}

// Mass errors along i, the end point's x along j, in two shards of shuffled lines:
// every point placed by its own settings.
TEST_F(ResultFile, MapAxesFoundInShuffledShards) {
    TempDir dir;
    std::vector<json> all;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            all.push_back(mapline(result(-1.0 + i), i, j, "end", {-0.3 + 0.1 * j, 0.5}));
    const std::string a = write(dir, "a.jsonl", lines({all[4], all[0], all[5]}));
    const std::string b = write(dir, "b.jsonl", lines({all[3], all[2], all[1]}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({b, a}, setup, points, message)) << message;
    EXPECT_TRUE(setup.map);
    EXPECT_EQ(setup.xaxis, AXISERROR);
    EXPECT_EQ(setup.yaxis, AXISENDX);
    ASSERT_EQ(points.size(), 6u);
    for (const PlotPoint &p : points) {
        EXPECT_EQ(p.x, -1.0 + p.i);
        EXPECT_EQ(p.y, -0.3 + 0.1 * p.j);
    }
    EXPECT_EQ(points[0].i, 0);
    EXPECT_EQ(points[0].j, 1);
    EXPECT_EQ(setup.request.end[1], 0.5);
    EXPECT_DOUBLE_EQ(setup.reachInner, 0.1);
    EXPECT_DOUBLE_EQ(setup.reachOuter, 0.9);
}

// A result read with a control period of 2 ms, as the settings of the readings need.
json sampled(double percent) {
    json r = result(percent);
    r["settings"]["control-period"] = 0.002;
    return r;
}

// Which setting an axis carries, from what varies: both ratios equal are one axis,
// one ratio another; the noise's four deviations equal are one axis, the two of the
// positions or of the velocities another, both encoders' counts one; a map along one
// axis (j null, left out or 0) or varying along j alone is drawn over x; a map of one
// point as a sweep over the mass error. Three settings changing together from point
// to point cannot be two axes.
TEST_F(ResultFile, MapAxisNamedByWhatVaries) {
    TempDir dir;
    json noj = mapline(result(1), 1, nullptr, "ratios", {60.0, 60.0});
    noj["map"].erase("j");
    const json quiet = {0.0, 0.0, 0.0, 0.0};
    const struct {
        std::vector<json> results;
        PlotAxis x, y;
        double x1;  // x of the second point
    } cases[] = {
        {{mapline(result(1), 0, nullptr, "ratios", {50.0, 50.0}), noj}, AXISRATIOS, AXISNONE, 60.0},
        {{mapline(result(1), 0, 0, "ratios", {50.0, 30.0}), mapline(result(1), 1, 0, "ratios", {70.0, 30.0})},
         AXISRATIO1, AXISNONE, 70.0},
        {{mapline(result(1), 0, 0, "ratios", {50.0, 50.0}), mapline(result(1), 0, 1, "ratios", {50.0, 60.0})},
         AXISRATIO2, AXISNONE, 60.0},
        {{mapline(result(1), 0, 0, "start", {0.6, 0.1}), mapline(result(1), 0, 1, "start", {0.6, 0.3})},
         AXISSTARTY, AXISNONE, 0.3},
        {{mapline(result(1), 0, 0, "start", {0.5, 0.1}), mapline(result(1), 1, 1, "ratios", {50.0, 40.0})},
         AXISNONE, AXISNONE, 0.0},
        {{mapline(result(2), 0, 0)}, AXISERROR, AXISNONE, 0.0},
        {{mapline(sampled(1), 0, 0, "sensor-noise", quiet),
          mapline(sampled(1), 1, 0, "sensor-noise", {0.001, 0.001, 0.001, 0.001})},
         AXISNOISE, AXISNONE, 0.001},
        {{mapline(sampled(1), 0, 0, "sensor-noise", {0.001, 0.001, 0.0, 0.0}),
          mapline(sampled(1), 0, 1, "sensor-noise", {0.003, 0.003, 0.0, 0.0})},
         AXISPOSITIONNOISE, AXISNONE, 0.003},
        {{mapline(sampled(1), 0, 0, "sensor-noise", quiet),
          mapline(sampled(1), 1, 0, "sensor-noise", {0.0, 0.0, 0.02, 0.02})},
         AXISVELOCITYNOISE, AXISNONE, 0.02},
        {{mapline(sampled(1), 0, 0, "encoder-counts", {1000.0, 1000.0}),
          mapline(sampled(1), 1, 0, "encoder-counts", {4000.0, 4000.0})},
         AXISENCODER, AXISNONE, 4000.0},
        {{mapline(sampled(1), 0, 0, "sensor-noise", quiet), mapline(sampled(5), 0, 1, "sensor-noise", quiet),
          mapline(sampled(1), 1, 0, "sensor-noise", {0.002, 0.002, 0.002, 0.002}),
          mapline(sampled(5), 1, 1, "sensor-noise", {0.002, 0.002, 0.002, 0.002})},
         AXISNOISE, AXISERROR, 0.0},
    };
    for (const auto &c : cases) {
        PlotSetup setup{};
        std::vector<PlotPoint> points;
        std::string message;
        const bool taken = read({write(dir, "a.jsonl", lines(c.results))}, setup, points, message);
        if (c.x == AXISNONE) {
            EXPECT_FALSE(taken) << lines(c.results);
            continue;
        }
        ASSERT_TRUE(taken) << message;
        EXPECT_EQ(setup.xaxis, c.x) << lines(c.results);
        EXPECT_EQ(setup.yaxis, c.y);
        if (points.size() > 1) {
            EXPECT_EQ(points[1].x, c.x1);
        }
    }
}

// A point that could not run keeps its settings, out of reach as they are; a point
// that ran must be reachable.
TEST_F(ResultFile, PointsThatCouldNotRunReadWithoutFigures) {
    TempDir dir;
    const std::vector<json> map = {mapline(result(1), 0, 0, "end", {0.5, 0.5}), notrun(1, 0, {1.5, 0.5}),
                                   notrun(2, 0, {2.5, 0.5}, "end: '2.5,0.5' refused; accepts a point the SCARA reaches")};
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(read({write(dir, "a.jsonl", lines(map))}, setup, points, message)) << message;
    EXPECT_EQ(setup.xaxis, AXISENDX);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].outcome, POINTCOMPARED);
    EXPECT_EQ(points[1].outcome, POINTNOTRUN);
    EXPECT_EQ(points[2].outcome, POINTNOTRUN);
    EXPECT_EQ(points[2].x, 2.5);
    EXPECT_TRUE(std::isnan(points[1].tfFree));
    const json ran = mapline(result(1), 1, 0, "end", {1.5, 0.5});
    EXPECT_FALSE(read({write(dir, "a.jsonl", lines({map[0], ran}))}, setup, points, message));
    EXPECT_NE(message.find("a.jsonl:2: not a comparison result: settings: end: '1.5,0.5' refused"), std::string::npos)
        << message;
}

TEST_F(ResultFile, MapRefusalsNameFileAndLine) {
    TempDir dir;
    const json first = mapline(result(1), 0, 0), second = mapline(result(2), 1, 0);
    json cylinder = mapline(result(3), 2, 0);
    cylinder["settings"]["robot"] = "cylindrical";
    json noobject = result(3);
    noobject["map"] = 2;
    const struct {
        std::vector<json> results;
        std::string why;
    } cases[] = {
        {{first, result(2)}, "a.jsonl:2: a sweep's result (no \"map\" key) among a map's"},
        {{result(2), first}, "a.jsonl:2: a map's result among a sweep's"},
        {{first, second, mapline(result(3), 1, 0)},
         "a.jsonl:3: map point i = 1, j = 0 already read at " + dir.file("a.jsonl") + ":2"},
        {{first, second, mapline(result(2), 0, 1), mapline(result(1), 1, 1)},
         "a.jsonl:3: its error varies along neither axis of the map"},
        {{first, mapline(result(2), 1, 0, "start", {0.6, 0.1})},
         "a.jsonl:2: its error and start-y both vary along i; a map varies one setting along each axis"},
        {{first, mapline(result(1), 1, 0, "ratios", {60.0, 40.0})}, "a.jsonl:2: its ratio1 and ratio2 both vary along i"},
        {{first, cylinder}, "a.jsonl:2: its robot, motion or elbow differs from the first result's"},
        {{mapline(result(1), -1, 0)}, "a.jsonl:1: not a comparison result: map.i -1 refused; accepts a whole number"},
        {{mapline(result(1), 0, 1.5)}, "a.jsonl:1: not a comparison result: map.j 1.5 refused"},
        {{mapline(result(1), 0, "1")}, "a.jsonl:1: not a comparison result: map.j \"1\" refused"},
        {{mapline(result(1), MAXMAPINDEX + 1, 0)}, "a.jsonl:1: not a comparison result: map.i 10000001 refused"},
        {{noobject}, "a.jsonl:1: not a comparison result"},
        {{notrun(0, 0, {1.5, 0.5}, "")}, "a.jsonl:1: not a comparison result: outcome \"\" refused"},
    };
    for (const auto &c : cases) {
        PlotSetup setup{};
        std::vector<PlotPoint> points;
        std::string message;
        EXPECT_FALSE(read({write(dir, "a.jsonl", lines(c.results))}, setup, points, message)) << c.why;
        EXPECT_NE(message.find(c.why), std::string::npos) << message;
    }
    // The largest index and a full map along both axes are taken.
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    const std::vector<json> taken = {first, second, mapline(result(1), 0, 1, "ratios", {60.0, 30.0}),
                                     mapline(result(2), 1, MAXMAPINDEX, "ratios", {60.0, 30.0})};
    EXPECT_TRUE(read({write(dir, "a.jsonl", lines(taken))}, setup, points, message)) << message;
    EXPECT_EQ(setup.yaxis, AXISRATIO1);
}

}  // namespace

namespace {

json madeby(json r, const std::string &version, const std::string &commit) {
    r["program"] = {{"version", version}, {"commit", commit}};
    return r;
}

}  // namespace

// Shards made by different versions or commits are not merged unless asked: the
// refusal names the line and both programs.
TEST_F(ResultFile, ResultsOfDifferentProgramsAreMergedOnlyWhenAsked) {
    TempDir dir;
    const std::string first = write(dir, "a.jsonl", lines({madeby(result(-10), "1.0.0", "0123456789ab")}));
    struct {
        json second;
        const char *named;
    } cases[] = {
        {madeby(result(5), "1.0.0", "ba9876543210-dirty"), "made by sotoc 1.0.0 (commit ba9876543210-dirty)"},
        {madeby(result(5), "1.1.0", "0123456789ab"), "made by sotoc 1.1.0 (commit 0123456789ab)"},
        {result(5), "made by a program that did not name itself"},
    };
    for (const auto &c : cases) {
        const std::string second = write(dir, "b.jsonl", "\n" + lines({c.second}));
        PlotSetup setup{};
        std::vector<PlotPoint> points;
        std::string message;
        EXPECT_FALSE(read({first, second}, setup, points, message)) << c.named;
        EXPECT_EQ(0u, message.find(second + ":2: " + c.named + ", the first result (" + first +
                                   ":1) by sotoc 1.0.0 (commit 0123456789ab)"))
            << message;
        ASSERT_TRUE(read({first, second}, setup, points, message, true)) << message;
        EXPECT_EQ(2u, points.size());
    }
    const std::string same = write(dir, "c.jsonl", lines({madeby(result(5), "1.0.0", "0123456789ab")}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    EXPECT_TRUE(read({same, first}, setup, points, message)) << message;
}
