// sotoc montecarlo and sotoc summary as a user runs them: samples equal to single
// comparisons, a win probability equal to the fraction of the comparisons won, the
// same bytes whatever the workers and shards, and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/jobs.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::ordered_json;

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The horizontal SCARA with a little reading noise: SOTOC comes closer than TOC
// with noise seed 4 and not with seed 3 (found by sotoc batch).
const std::vector<std::string> NOISY = {"montecarlo", "--robot", "scara", "--motion", "horizontal", "--error", "3",
                                        "--control-period", "0.001", "--sensor-noise", "0.0003,0.0003,0,0"};

// The batch line of the same settings as a sample's.
std::string batchinput(const json &sample) {
    json in = sample.at("settings");
    json line;
    for (const auto &f : in.items()) line[f.key() == "design-errors" ? "designerrors" : f.key()] = f.value();
    return line.dump() + "\n";
}

// The sample line without what the study adds: the result object of its settings.
std::string resultpart(json sample) {
    for (const char *key : {"sample", "drawn", "montecarlo"}) sample.erase(key);
    return sample.dump() + "\n";
}

// A point distribution gives every sample the comparison at that value, whether
// the value is a mass error, a design error or a noise seed; the last line is the
// summary of samples all alike.
TEST(MonteCarlo, PointDistributionsGiveTheComparisonAtThePoint) {
    const std::vector<std::string> cases[] = {
        {"montecarlo", "--robot", "scara", "--motion", "vertical", "--uncertain", "error=normal:5,0", "--uncertain",
         "design-error:L2=truncnormal:-2,0,-3,3"},
        with(NOISY, {"--uncertain", "seed=uniform:4,4.5"}),
    };
    for (const std::vector<std::string> &args : cases) {
        const RunOutcome run = runsotoc(with(args, {"--samples", "3", "--jobs", "2"}));
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<std::string> got = lines(run.out);
        ASSERT_EQ(got.size(), 4u);
        for (int i = 0; i < 3; ++i) {
            const json sample = json::parse(got[i]);
            EXPECT_EQ(sample.at("sample"), i);
            const RunOutcome batch = runsotoc({"batch"}, batchinput(sample));
            ASSERT_EQ(batch.status, 0) << batch.err;
            EXPECT_EQ(resultpart(sample), batch.out);
        }
        const json summary = json::parse(got[3]);
        EXPECT_EQ(summary.at("samples"), 3);
        const double p = summary.at("sotocCloser").at("probability");
        EXPECT_TRUE(p == 0.0 || p == 1.0);
    }
}

// Noise seeds drawn from 3 and 4 alone: the win probability is the fraction of
// samples with seed 4, which wins, and its interval Wilson's (worked by hand for
// the count).
TEST(MonteCarlo, TwoPointWinProbabilityIsTheFractionWon) {
    const RunOutcome run = runsotoc(with(NOISY, {"--uncertain", "seed=uniform:3,5", "--samples", "12", "--seed", "5"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> got = lines(run.out);
    ASSERT_EQ(got.size(), 13u);
    int fours = 0;
    for (int i = 0; i < 12; ++i) {
        const double seed = json::parse(got[i]).at("drawn").at("seed");
        ASSERT_TRUE(seed == 3 || seed == 4) << seed;
        fours += seed == 4;
    }
    ASSERT_GT(fours, 0);
    ASSERT_LT(fours, 12);
    const json closer = json::parse(got[12]).at("sotocCloser");
    EXPECT_DOUBLE_EQ(closer.at("probability").get<double>(), fours / 12.0);
    EXPECT_EQ(closer.at("samples"), 12);
    const double p = fours / 12.0, z = 1.959963984540054, n = 12;
    const double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
    EXPECT_LT(closer.at("interval")[0].get<double>(), p);
    EXPECT_NEAR(closer.at("interval")[0].get<double>() + closer.at("interval")[1].get<double>(), 2 * centre, 1e-12);
}

// The lines do not depend on the workers (nor on a picture drawn); three shards'
// files hold the same lines and sotoc summary over them prints the single run's
// summary byte for byte.
TEST(MonteCarlo, SameBytesForAnyWorkersAndShards) {
    TempDir dir;
    const std::vector<std::string> study = {"montecarlo", "--robot", "scara", "--motion", "vertical", "--samples", "7",
                                            "--seed", "11", "--sampling", "lhs", "--uncertain", "error=normal:0,3",
                                            "--uncertain", "design-error:L2=uniform:-3,3"};
    const RunOutcome one = runsotoc(with(study, {"--jobs", "1", "--out", dir.file("one.jsonl"), "--plot", dir.file("mc.png")}));
    const RunOutcome two = runsotoc(with(study, {"--jobs", "2", "--out", dir.file("two.jsonl")}));
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(readfile(dir.file("one.jsonl")), readfile(dir.file("two.jsonl")));
    EXPECT_EQ(one.out, two.out);
    EXPECT_EQ(readfile(dir.file("mc.png")).substr(0, 4), "\x89PNG");  // the study's picture beside the lines
    ASSERT_EQ(lines(one.out).size(), 1u);
    std::vector<std::string> files, merged;
    for (const char *k : {"2", "0", "1"}) {
        files.push_back(dir.file(std::string("shard") + k + ".jsonl"));
        const RunOutcome shard = runsotoc(with(study, {"--shard", std::string(k) + "/3", "--out", files.back()}));
        ASSERT_EQ(shard.status, 0) << shard.err;
        for (const std::string &line : lines(readfile(files.back()))) merged.push_back(line);
    }
    std::sort(merged.begin(), merged.end(), [](const std::string &a, const std::string &b) {
        return json::parse(a).at("sample").get<int>() < json::parse(b).at("sample").get<int>();
    });
    EXPECT_EQ(merged, lines(readfile(dir.file("one.jsonl"))));
    const RunOutcome summary = runsotoc(with({"summary"}, files));
    EXPECT_EQ(summary.status, 0) << summary.err;
    EXPECT_EQ(summary.out, one.out);
    const RunOutcome kept = runsotoc(with({"summary", "--out", dir.file("summary.json")}, files));
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(readfile(dir.file("summary.json")), one.out);
    const RunOutcome clash = runsotoc(with({"summary", "--out", files[0]}, files));
    EXPECT_EQ(clash.status, 2);
    EXPECT_NE(clash.err.find("it names the sample file"), std::string::npos) << clash.err;
}

// Refused options and sample files: status 2, one line that says why, no output.
TEST(MonteCarlo, RefusalsSayWhy) {
    TempDir dir;
    const std::vector<std::string> base = {"montecarlo", "--robot", "scara", "--motion", "vertical"};
    // Each case's arguments after the base, and --samples 2 unless they give it.
    const struct {
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {{"--uncertain", "error=cauchy:0,1"}, "--uncertain: 'error=cauchy:0,1' refused; DIST accepts normal"},
        {{"--uncertain", "mass=normal:0,1"}, "--uncertain: 'mass=normal:0,1' refused; accepts NAME=DIST with NAME one of error,"},
        {{"--uncertain", "design-error:XX=normal:0,1"}, "refused; accepts NAME=DIST with NAME one of"},
        {{"--uncertain", "error=normal:0,-1"}, "DIST its spread (SD, SIGMA) is negative"},
        {{"--uncertain", "error=uniform:2,1"}, "DIST LO is not below HI"},
        {{"--uncertain", "error"}, "no DIST follows the name"},
        {{"--uncertain", "error=normal:0,1", "--uncertain", "error=normal:0,2"}, "'error' is given twice"},
        {{"--uncertain", "error=normal:0,1", "--samples", "0"}, "--samples: '0' refused"},
        {{"--uncertain", "error=normal:0,1", "--samples"}, "--samples: "},
        {{"--uncertain", "error=normal:0,1", "--seed", "-1"}, "--seed: '-1' refused"},
        {{"--uncertain", "error=normal:0,1", "--sampling", "halton"}, "--sampling: 'halton' refused"},
        // An option whose value an input draws: the two conflict.
        {{"--uncertain", "error=normal:0,1", "--error", "3"},
         "--error: '3' refused; --uncertain error draws its value in every sample: the two conflict"},
        {{"--design-error", "L2=2", "--uncertain", "design-error:L2=normal:0,1"},
         "--design-error: 'L2=2' refused; --uncertain design-error:L2 draws its value"},
        {{"--ratios", "1.5,2", "--uncertain", "ratio1=uniform:1,2", "--uncertain", "ratio2=uniform:1,2"},
         "--ratios: '1.5,2' refused; --uncertain ratio1 and --uncertain ratio2 draws its value"},
        {{"--end", "0.3,0.2", "--uncertain", "end-x=uniform:0.2,0.3", "--uncertain", "end-y=uniform:0.1,0.2"},
         "--end: '0.3,0.2' refused; --uncertain end-x and --uncertain end-y draws its value"},
    };
    for (const auto &c : cases) {
        const bool counted = std::find(c.args.begin(), c.args.end(), "--samples") != c.args.end();
        const RunOutcome run = runsotoc(with(base, counted ? c.args : with(c.args, {"--samples", "2"})));
        EXPECT_EQ(run.status, 2) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const RunOutcome run = runsotoc(with(base, {"--samples", "2", "--uncertain", "error=normal:0,1", "--out", dir.file("s.jsonl")}));
    ASSERT_EQ(run.status, 0) << run.err;
    const RunOutcome twice = runsotoc({"summary", dir.file("s.jsonl"), dir.file("s.jsonl")});
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("sample 0 is given twice"), std::string::npos) << twice.err;
    const RunOutcome foreign = runsotoc({"summary", SOTOC_EXAMPLES "/scara.json"});
    EXPECT_EQ(foreign.status, 2);
    EXPECT_NE(foreign.err.find("scara.json:1: it is no sample line of sotoc montecarlo"), std::string::npos) << foreign.err;
}

}  // namespace
