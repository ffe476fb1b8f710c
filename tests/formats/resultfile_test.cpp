// Result files read back for a plot: shards in any order, refusals with file and line.
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
    ASSERT_TRUE(readresults({b, a}, setup, points, message)) << message;
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
    ASSERT_TRUE(readresults({a}, setup, points, message)) << message;
    ASSERT_EQ(points.size(), 2u);
    for (const PlotPoint &p : points) EXPECT_TRUE(std::isnan(p.tfFree));
}

// A batch writes an object naming the input line it could not run: no point.
TEST_F(ResultFile, BatchBadLinesSkipped) {
    TempDir dir;
    const std::string a = write(dir, "a.jsonl", lines({result(1), {{"line", 2}, {"error", "--robot: 'x' refused"}}}));
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    ASSERT_TRUE(readresults({a}, setup, points, message)) << message;
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
        EXPECT_FALSE(readresults({a}, setup, points, message)) << c.text;
        EXPECT_NE(message.find(c.why), std::string::npos) << message;
        EXPECT_TRUE(points.empty());
    }
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    std::string message;
    EXPECT_FALSE(readresults({dir.path + "/none.jsonl"}, setup, points, message));
    EXPECT_NE(message.find("none.jsonl: cannot be read"), std::string::npos);
    const std::string good = write(dir, "good.jsonl", lines({result(1)}));
    EXPECT_FALSE(readresults({dir.path, good}, setup, points, message));
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
    ASSERT_TRUE(readresults({a}, setup, points, message)) << message;
    EXPECT_EQ(points.at(0).sotocError, 1e6);
    EXPECT_EQ(points.at(0).tocError, 0.0);
}

}  // namespace
