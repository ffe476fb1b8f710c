// Robot files on the command line and in batches, sweeps, maps and plots, and
// sotoc params: a file that restates the built-in robot gives its results to the
// byte, a changed arm reaches every worker, refusals name the file's line, and the
// parameters printed are those worked out by hand from the model's formulas.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/jobs.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::ordered_json;

const std::string SCARAFILE = SOTOC_EXAMPLES "/scara.toml";
const std::string CYLFILE = SOTOC_EXAMPLES "/cylindrical.toml";
// The same arms as URDF and JSON.
const std::string SCARAURDF = SOTOC_EXAMPLES "/scara.urdf";
const std::string CYLURDF = SOTOC_EXAMPLES "/cylindrical.urdf";
const std::string SCARAJSON = SOTOC_EXAMPLES "/scara.json";

// The program's pi and the default servo frequency 2 pi 10 Hz [rad/s].
constexpr double P = 3.14159265358979;
constexpr double WN = 20.0 * P;

std::string written(const TempDir &dir, const std::string &name, const std::string &text) {
    const std::string path = dir.file(name);
    std::ofstream(path) << text;
    return path;
}

// Each line of JSON Lines with the robot file taken out of its settings.
std::vector<json> withoutfile(const std::string &out) {
    std::vector<json> objects;
    for (const std::string &line : lines(out)) {
        json j = json::parse(line);
        EXPECT_TRUE(j.at("settings").contains("robotfile")) << line;
        j.at("settings").erase("robotfile");
        objects.push_back(j);
    }
    return objects;
}

std::vector<json> parsed(const std::string &out) {
    std::vector<json> objects;
    for (const std::string &line : lines(out)) objects.push_back(json::parse(line));
    return objects;
}

// With a file that restates the built-in robot, compare gives the same object, digit
// for digit, besides the file it names; its result lines are the pinned ones of the
// default SCARA comparison with gravity.
TEST(RobotFileCommand, RestatedDefaultsGiveTheBuiltInResults) {
    const struct {
        std::vector<std::string> settings;
        std::string file;
    } cases[] = {
        {{"--robot", "scara", "--motion", "vertical"}, SCARAFILE},
        {{"--robot", "scara", "--motion", "horizontal", "--error", "-20"}, SCARAFILE},
        {{"--robot", "cylindrical", "--motion", "vertical", "--error", "50"}, CYLFILE},
        {{"--robot", "cylindrical", "--motion", "horizontal", "--end", "0,0.7"}, CYLFILE},
        {{"--robot", "scara", "--motion", "vertical"}, SCARAURDF},
        {{"--robot", "scara", "--motion", "horizontal", "--error", "-20"}, SCARAJSON},
        {{"--robot", "cylindrical", "--motion", "vertical", "--error", "50"}, CYLURDF},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"compare", "--json"};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        const RunOutcome builtin = runsotoc(args);
        args.insert(args.end(), {"--robot-file", c.file});
        const RunOutcome filed = runsotoc(args);
        ASSERT_EQ(filed.status, builtin.status) << filed.err;
        ASSERT_EQ(withoutfile(filed.out).size(), 1u);
        EXPECT_EQ(withoutfile(filed.out)[0].dump(), parsed(builtin.out)[0].dump()) << c.file;
        const json named = json::parse(filed.out).at("settings").at("robotfile");
        EXPECT_EQ(named.at("path"), c.file);
        EXPECT_EQ(named.at("sha256").get<std::string>().size(), 64u);
    }
    // The robot may be left out: the file names it; the lines are the pinned ones.
    for (const std::string &file : {SCARAFILE, SCARAURDF}) {
        const RunOutcome lines = runsotoc({"compare", "--robot-file", file, "--motion", "vertical", "--lang", "ja"});
        EXPECT_EQ(lines.status, 0) << lines.err;
        EXPECT_EQ(lines.out,
                  "\n誤差なしTOC    終端時間 tf= 1.2505[s]  終端位置 Pf[]=(-0.2913  0.3998)[m]"
                  "\n誤差ありTOC    終端時間 tf= 1.2615[s]  終端位置 Pf[]=(-0.3884  0.2879)[m]"
                  "\n  速度誤差を含めたTOC位置誤差  = 0.140[m]  行程に対する誤差の比=12.9965[%]"
                  "\n誤差ありSOTOC　終端時間 tf= 1.2240[s]  終端位置 Pf[]=(-0.3510  0.3948)[m]"
                  "\n  速度誤差を含めたSOTOC位置誤差= 0.037[m]  行程に対する誤差の比=3.4094[%]\n")
            << file;
    }
}

// The values fixed at start written into the file as params prints them (shortest
// text of the double) give the same results as leaving them to the sizing.
TEST(RobotFileCommand, FixedValuesAsPrintedEqualTheSizing) {
    const json params =
        json::parse(runsotoc({"params", "--json", "--robot", "scara", "--motion", "vertical"}).out).at("parameters");
    std::string text = "kind = \"scara\"\n";
    for (const char *name : {"IJ1", "IJ2", "IMm1", "IMm2", "TM1", "TM2"}) {
        EXPECT_EQ(params.at(name).at("kind"), "fixed at start") << name;
        text += std::string(name) + " = " + params.at(name).at("value").dump() + "\n";
    }
    TempDir dir;
    const std::string file = written(dir, "fixed.toml", text);
    const RunOutcome builtin = runsotoc({"compare", "--json", "--robot", "scara", "--motion", "vertical"});
    const RunOutcome filed = runsotoc({"compare", "--json", "--robot-file", file, "--motion", "vertical"});
    ASSERT_EQ(filed.status, 0) << filed.err;
    EXPECT_EQ(withoutfile(filed.out)[0].dump(), parsed(builtin.out)[0].dump());
}

// A changed arm reaches every worker of a batch and the points of a sweep, also one
// drawn as it runs: link 2 of
// 0.5 m gives T2max = 2 TM2 u2 = 2 (pi/50) 40 = 1.6 pi and T1max = 0.8 pi (sizing by
// hand in tests/settings/robotfile_test.cpp); the line without a file keeps the
// built-in 2.09858 N m. A sweep with the restated file is the sweep without it.
TEST(RobotFileCommand, BatchesAndSweepsRunTheFilesArm) {
    TempDir dir;
    const std::string longer = written(dir, "longer.toml", "kind = \"scara\"\nL2 = \"0.5 m\"\n");
    const std::string input = "{\"motion\":\"horizontal\",\"robotfile\":\"" + longer + "\"}\n" +
                              "{\"robot\":\"scara\",\"motion\":\"horizontal\"}\n" +
                              "{\"robot\":\"cylindrical\",\"motion\":\"horizontal\",\"robotfile\":\"" + longer +
                              "\"}\n";
    const RunOutcome batch = runsotoc({"batch", "--jobs", "2"}, input);
    EXPECT_EQ(batch.status, 1);
    const std::vector<json> out = parsed(batch.out);
    ASSERT_EQ(out.size(), 3u) << batch.out;
    EXPECT_NEAR(out[0].at("derived").at("T1max").get<double>(), 0.8 * P, 1e-12);
    EXPECT_NEAR(out[0].at("derived").at("T2max").get<double>(), 1.6 * P, 1e-12);
    EXPECT_EQ(out[0].at("settings").at("robotfile").at("path"), longer);
    EXPECT_NEAR(out[1].at("derived").at("T1max").get<double>(), 2.09858, 1e-5);
    EXPECT_FALSE(out[1].at("settings").contains("robotfile"));
    EXPECT_EQ(out[2].at("error"),
              "robot: 'cylindrical' refused; accepts scara, the robot of the robot file");

    const std::vector<std::string> sweep = {"sweep", "--robot", "scara", "--motion", "vertical", "--errors", "-10:10:10"};
    std::vector<std::string> filed = sweep;
    filed.insert(filed.end(), {"--robot-file", SCARAFILE});
    const RunOutcome a = runsotoc(sweep), b = runsotoc(filed);
    ASSERT_EQ(b.status, 0) << b.err;
    std::vector<json> plain = parsed(a.out), restated = withoutfile(b.out);
    ASSERT_EQ(restated.size(), 3u);
    for (size_t k = 0; k < plain.size(); ++k) EXPECT_EQ(restated[k].dump(), plain[k].dump()) << k;
    // Drawn as it runs, each line is read back in the process whose records the later
    // points start from (one at a time: each after the line before is read): reading
    // it leaves them as they were.
    filed.insert(filed.end(), {"--plot", dir.file("sweep.svg"), "--jobs", "1"});
    const RunOutcome drawn = runsotoc(filed);
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(drawn.out, b.out);
}

// A map over the ratios of a changed arm: each point equals compare of its settings
// with the file (the shared error-free halves and the workers run the file's arm).
TEST(RobotFileCommand, MapPointsAreComparesOfTheFilesArm) {
    TempDir dir;
    const std::string longer = written(dir, "longer.toml", "kind = \"scara\"\nL2 = 0.5\n");
    const RunOutcome map = runsotoc({"map", "--robot-file", longer, "--motion", "horizontal", "--x", "error=-10:10:20"});
    ASSERT_EQ(map.status, 0) << map.err;
    const std::vector<json> points = parsed(map.out);
    ASSERT_EQ(points.size(), 2u);
    for (json point : points) {
        point.erase("map");
        const std::string error = point.at("settings").at("error").dump();
        const RunOutcome one =
            runsotoc({"compare", "--json", "--robot-file", longer, "--motion", "horizontal", "--error", error});
        EXPECT_EQ(one.out, point.dump() + "\n");
    }
}

// Refusals: status 2 and the file's line on standard error, nothing on standard output.
TEST(RobotFileCommand, RefusedFilesNameTheirLine) {
    TempDir dir;
    const std::string bad = written(dir, "bad.toml", "kind = \"scara\"\n# links\nL1 = \"-0.5 m\"\n");
    const RunOutcome r = runsotoc({"compare", "--robot-file", bad, "--motion", "vertical"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "sotoc compare: --robot-file: " + bad + ":3: L1: -0.5 refused; accepts a number from 1e-09 to 1e+09 in m\n");
    const RunOutcome other = runsotoc({"params", "--robot", "cylindrical", "--motion", "vertical", "--robot-file", SCARAFILE});
    EXPECT_EQ(other.status, 2);
    EXPECT_EQ(other.err, "sotoc params: --robot: 'cylindrical' refused; accepts scara, the robot of the robot file\n");
    const RunOutcome missing = runsotoc({"compare", "--motion", "vertical"});
    EXPECT_EQ(missing.status, 2);
}

// A file name that is not UTF-8 (byte 0xFF) is written with that byte as the four
// characters \xFF wherever the name goes: the JSON of every writer (which would not
// be JSON otherwise) and the metadata of the pictures; the runs go on as with any name,
// the results plot, and a batch line names the file so.
TEST(RobotFileCommand, NameThatIsNotUtf8WrittenEscaped) {
    TempDir dir;
    const std::string arm = written(dir, "arm\xff.toml", readfile(SCARAFILE));
    const std::string named = dir.path + "/arm\\xFF.toml";
    const struct {
        std::vector<std::string> args;  // after --robot-file ARM --motion horizontal
        std::string picture;            // the picture drawn, "" for none
    } cases[] = {
        {{"compare", "--json"}, ""},
        {{"compare", "--plot", dir.file("c.svg")}, dir.file("c.svg")},
        {{"compare", "--json", "--plot", dir.file("c.png")}, dir.file("c.png")},
        {{"compare", "--json", "--plot", dir.file("c.pdf")}, ""},
        {{"params", "--json"}, ""},
        {{"sweep", "--errors", "0:10:10", "--jobs", "2", "--plot", dir.file("s.svg")}, dir.file("s.svg")},
        {{"map", "--x", "error=0:10:10", "--jobs", "2"}, ""},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {c.args[0], "--robot-file", arm, "--motion", "horizontal"};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        const RunOutcome r = runsotoc(args);
        EXPECT_EQ(r.status, 0) << c.args[0] << ": " << r.err;
        for (const std::string &line : c.args[0] == "compare" && c.args[1] == "--plot" ? std::vector<std::string>{}
                                                                                         : lines(r.out)) {
            EXPECT_EQ(json::parse(line).at("settings").at("robotfile").at("path"), named) << c.args[0];
        }
        if (!c.picture.empty()) {
            const std::string picture = readfile(c.picture);
            EXPECT_NE(picture.find("\"path\":" + json(named).dump()), std::string::npos) << c.picture;
            EXPECT_EQ(picture.find("arm\xff"), std::string::npos) << c.picture;
        }
    }
    const std::string line = json{{"motion", "horizontal"}, {"robotfile", named}}.dump() + "\n";
    const RunOutcome batch = runsotoc({"batch"}, line + line);
    EXPECT_EQ(batch.status, 0) << batch.err;
    for (const json &j : parsed(batch.out)) EXPECT_EQ(j.at("settings").at("robotfile").at("path"), named);
    EXPECT_EQ(parsed(batch.out).size(), 2u);
}

// Files the program reads that would stop it: a pipe without a writer (as a robot
// file or a result file) is refused without waiting, a number out of range at its
// line; each with status 2 and no output.
TEST(RobotFileCommand, FilesThatWouldStopTheProgramAreRefused) {
    TempDir dir;
    const std::string fifo = dir.file("arm.toml"), big = written(dir, "big.json", "{\"kind\":\"scara\",\"mwNom\":1e400}");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        std::string said;
    } cases[] = {
        {{"compare", "--robot-file", fifo, "--motion", "vertical"}, "--robot-file: " + fifo + ":1: not a regular file"},
        {{"params", "--robot-file", fifo, "--motion", "vertical"}, "--robot-file: " + fifo + ":1: not a regular file"},
        {{"plot", fifo, "--plot", dir.file("a.svg")}, fifo + ": not a regular file; accepts a result file"},
        {{"compare", "--robot-file", big, "--motion", "vertical"},
         "--robot-file: " + big + ":1: number overflow parsing '1e400' refused"},
    };
    for (const auto &c : cases) {
        const RunOutcome r = runsotoc(c.args);
        EXPECT_EQ(r.status, 2) << c.said;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    }
}

// Results of a robot file plot while the file is unchanged; once it changed they are
// refused, naming both digests.
TEST(RobotFileCommand, PlotsCheckTheFileIsUnchanged) {
    TempDir dir;
    const std::string arm = written(dir, "arm.toml", "kind = \"scara\"\nL2 = 0.45\n");
    const std::string results = dir.file("sweep.jsonl");
    ASSERT_EQ(runsotoc({"sweep", "--robot-file", arm, "--motion", "horizontal", "--errors", "-10:10:10", "--out",
                        results})
                  .status,
              0);
    EXPECT_EQ(runsotoc({"plot", "--plot", dir.file("a.svg"), results}).status, 0);
    written(dir, "arm.toml", "kind = \"scara\"\nL2 = 0.46\n");
    const RunOutcome changed = runsotoc({"plot", "--plot", dir.file("b.svg"), results});
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.err.find("has changed since the result was made"), std::string::npos) << changed.err;
}

// The parameters params prints for the default SCARA against values worked out by hand:
//   TM1 = (M11m + M12m)(pi/2)/50 with M11m = 0.25 + 0.25 + 0.16 + 1 0.5 (0.8 + 0.5) = 1.31,
//   M12m = 0.5 0.4 + 0.16 = 0.36, so TM1 = 1.67 pi / 100 and T1max = 40 TM1 = 0.668 pi;
//   T1maxG = (m1 L1 + (L1 + L2) mw) 9.8 + T1max = 13.72 + 0.668 pi;
//   IM2 = IMm2 u2^2 = (0.16/2500) 1600 = 0.1024, M22max = mw L2^2 + IM2 = 0.2624;
//   start (0.7, 0), elbow up: cos phi2 = (0.49 - 0.25 - 0.16)/(2 0.5 0.4) = 0.2;
//   Kp2 = (2 zeta wn alpha + wn^2) M22max; tfNom < 4 s, so dt = 4 s / 200 = 0.02 s.
// The cylindrical robot's J1max = mw max(0.7, 0.5)^2 + IMm1 30^2 = 0.49 + 0.36 = 0.85.
TEST(ParamsCommand, ValuesOfTheDefaultRobotsWorkedOutByHand) {
    const RunOutcome table = runsotoc({"params", "--robot", "scara", "--motion", "horizontal"});
    ASSERT_EQ(table.status, 0) << table.err;
    std::map<std::string, std::pair<double, std::string>> rows;  // value and unit by name
    const std::vector<std::string> text = lines(table.out);
    ASSERT_GT(text.size(), 1u);
    EXPECT_EQ(text[0].rfind("name ", 0), 0u);
    for (size_t k = 1; k < text.size(); ++k) {
        std::istringstream in(text[k]);
        std::string name, value, unit;
        in >> name >> value;
        unit = text[k].substr(33, 13);
        unit.erase(unit.find_last_not_of(' ') + 1);
        rows[name] = {std::stod(value), unit};
    }
    const struct {
        const char *name;
        double value;
        const char *unit;
    } expected[] = {
        {"TM1", 1.67 * P / 100.0, "N m"},
        {"T1max", 0.668 * P, "N m"},
        {"T1maxG", 13.72 + 0.668 * P, "N m"},
        {"IM2", 0.1024, "kg m^2"},
        {"M22max", 0.2624, "kg m^2"},
        {"phi02", -std::acos(0.2), "rad"},
        {"Kp2", (WN + WN * WN) * 0.2624, "N m/rad"},
        {"dt", 0.02, "s"},
        {"L1", 0.5, "m"},
        {"mwErr", 1.01, "kg"},
    };
    for (const auto &e : expected) {
        ASSERT_EQ(rows.count(e.name), 1u) << e.name;
        EXPECT_NEAR(rows[e.name].first, e.value, 1e-9 * std::fabs(e.value)) << e.name;
        EXPECT_EQ(rows[e.name].second, e.unit) << e.name;
    }
    EXPECT_EQ(rows.count("L"), 0u);  // the cylindrical robot's
    // The same values as JSON, with the cylindrical robot's own units.
    const json cylinder =
        json::parse(runsotoc({"params", "--json", "--robot", "cylindrical", "--motion", "horizontal"}).out);
    const json &p = cylinder.at("parameters");
    EXPECT_NEAR(p.at("J1max").at("value").get<double>(), 0.85, 1e-12);
    EXPECT_EQ(p.at("J2max").at("unit"), "kg");
    EXPECT_EQ(p.at("u2").at("unit"), "rad/m");
    EXPECT_EQ(p.at("L").at("kind"), "primary");
    EXPECT_FALSE(p.contains("L1"));
    const json scara = json::parse(runsotoc({"params", "--json", "--robot", "scara", "--motion", "horizontal"}).out);
    for (const auto &[name, row] : rows) EXPECT_EQ(scara.at("parameters").at(name).at("value").get<double>(), row.first) << name;
}

// The settings change what params prints as the pass would: ratios 50,60 move
// T1max with u1 (0.0524646 50) and IM2 with u2^2 (6.4e-5 3600 = 0.2304).
TEST(ParamsCommand, SettingsMoveTheDerivedValues) {
    const json p = json::parse(runsotoc({"params", "--json", "--robot", "scara", "--motion", "vertical", "--ratios",
                                         "50,60"})
                                   .out)
                       .at("parameters");
    EXPECT_EQ(p.at("u1").at("value"), 50.0);
    EXPECT_NEAR(p.at("T1max").at("value").get<double>(), 1.67 * P / 100.0 * 50.0, 1e-12);
    EXPECT_NEAR(p.at("IM2").at("value").get<double>(), 0.2304, 1e-12);
}

}  // namespace

namespace {

// Every command that reads a URDF says on standard error, once each, that the model
// ignores its joints' velocity limits (a batch of two lines naming it too); params
// also prints them below its table and under "notices". A TOML file gives no such
// line and no "notices".
TEST(RobotFileCommand, IgnoredVelocityLimitsAreSaidByEveryCommand) {
    const std::string urdf = SOTOC_EXAMPLES "/scara-rigid.urdf";
    const std::string ignored = urdf + ":9: joint 'shoulder': velocity limit 10 rad/s ignored; the model limits the "
                                       "joints' efforts only\n" +
                                urdf + ":22: joint 'elbow': velocity limit 10 rad/s ignored; the model limits the "
                                       "joints' efforts only\n";
    const std::string line = "{\"robotfile\":\"FILE\",\"motion\":\"horizontal\"}\n";
    const struct {
        std::vector<std::string> args;
        bool batch;
    } commands[] = {
        {{"compare"}, false},
        {{"params"}, false},
        {{"params", "--json"}, false},
        {{"dynamics", "--q", "0,0"}, false},
        {{"sweep", "--errors", "1"}, false},
        {{"map", "--x", "param:L2=0.4"}, false},
        {{"batch"}, true},
    };
    for (const std::string &file : {urdf, SCARAFILE}) {
        const bool rigid = file == urdf;
        std::string batchlines = line + line;
        for (size_t at; (at = batchlines.find("FILE")) != std::string::npos;) batchlines.replace(at, 4, file);
        for (const auto &c : commands) {
            std::vector<std::string> args = c.args;
            if (!c.batch) args.insert(args.end(), {"--robot-file", file, "--motion", "horizontal"});
            const RunOutcome r = runsotoc(args, c.batch ? batchlines : "");
            ASSERT_EQ(r.status, 0) << c.args[0] << " " << file << ": " << r.err;
            std::string expected;
            std::istringstream said(ignored);
            for (std::string notice; rigid && std::getline(said, notice);) expected += "sotoc " + c.args[0] + ": " + notice + "\n";
            EXPECT_EQ(r.err, expected) << c.args[0] << " " << file;
        }
        const RunOutcome table = runsotoc({"params", "--robot-file", file, "--motion", "horizontal"});
        std::string below;
        std::istringstream said(ignored);
        for (std::string notice; rigid && std::getline(said, notice);) below += "notice: " + notice + "\n";
        EXPECT_EQ(table.out.substr(table.out.size() - below.size()), below);
        EXPECT_EQ(table.out.find("notice"), rigid ? table.out.size() - below.size() : std::string::npos);
        const json j = json::parse(runsotoc({"params", "--json", "--robot-file", file, "--motion", "horizontal"}).out);
        EXPECT_EQ(j.contains("notices"), rigid);
        if (rigid) {
            EXPECT_EQ(j.at("notices").size(), 2u);
        }
    }
}

}  // namespace
