// Design errors on primary values and true values given by name, on the command line,
// in batches, sweeps, maps and their pictures: an error of 0 % is no error, one on a
// value the design does not use changes nothing, a heavier arm designs a longer move,
// and every path to the same point gives the same result.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "formats/resultfile.h"
#include "settings/settings.h"
#include "study/params.h"
#include "tests/support/jobs.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::ordered_json;

// The program's pi [-].
constexpr double P = 3.14159265358979;

const std::vector<std::string> SCARA = {"compare", "--json", "--robot", "scara", "--motion", "horizontal"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string> &more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The result of one run that must succeed with one line.
json result(const std::vector<std::string> &args) {
    const RunOutcome r = runsotoc(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out);
}

// A result without settings field `field`, which must be there.
json without(json j, const char *field) {
    EXPECT_TRUE(j.at("settings").contains(field)) << j.dump();
    j.at("settings").erase(field);
    return j;
}

double designedtf(const json &j, const char *design) { return j.at("designs").at(design).at("ts").at(3); }

// Whether `text` holds `word` with no letter or digit on either side.
bool wordin(const std::string &text, const std::string &word) {
    const auto edge = [&](size_t k) { return k >= text.size() || !std::isalnum(static_cast<unsigned char>(text[k])); };
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        if ((at == 0 || edge(at - 1)) && edge(at + word.size())) return true;
    return false;
}

}  // namespace

// A design error of 0 % is no error: every figure to the digit, only the setting
// named; and a result without design errors names none.
TEST(DesignErrors, ZeroPercentIsNoError) {
    const RunOutcome plain = runsotoc(SCARA);
    ASSERT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out.find("designerrors"), std::string::npos);
    EXPECT_EQ(plain.out.find("params"), std::string::npos);
    const json zero = result(with(SCARA, {"--design-error", "L2=0", "--design-error", "IJ1=0"}));
    EXPECT_EQ(zero.at("settings").at("designerrors"), json::parse(R"({"L2":0.0,"IJ1":0.0})"));
    EXPECT_EQ(without(zero, "designerrors").dump() + "\n", plain.out);
}

// The servo's constants enter the plant's gains, not the design: errors in them
// leave both designs and all three runs as they are without them.
TEST(DesignErrors, ServoConstantsDoNotEnterTheDesign) {
    for (const char *motion : {"horizontal", "vertical"}) {
        const std::vector<std::string> base = {"compare", "--json", "--robot", "cylindrical", "--motion", motion,
                                               "--end", "0,0.7"};
        const json servo = result(with(base, {"--design-error", "zeta1=30", "--design-error", "wn2=-20",
                                              "--design-error", "alpha1=50"}));
        EXPECT_EQ(without(servo, "designerrors"), result(base)) << motion;
    }
}

// A heavier arm in the design (a larger inertia) plans a longer move, a stronger
// motor a shorter one; the error-free design and the plant's derivation stay.
TEST(DesignErrors, InertiaAndTorqueMoveTheDesignedTimeTheirWay) {
    const json plain = result(SCARA);
    const struct {
        const char *error;
        bool longer;
    } cases[] = {{"IJ1=20", true}, {"IJ1=-20", false}, {"IMm2=50", true}, {"TM1=30", false}, {"TM1=-30", true}};
    for (const auto &c : cases) {
        const json r = result(with(SCARA, {"--design-error", c.error}));
        EXPECT_EQ(r.at("designs").at("free"), plain.at("designs").at("free")) << c.error;
        EXPECT_EQ(r.at("derived"), plain.at("derived")) << c.error;
        EXPECT_EQ(designedtf(r, "error") > designedtf(plain, "error"), c.longer) << c.error;
        EXPECT_NE(designedtf(r, "error"), designedtf(plain, "error")) << c.error;
    }
}

// The design sees its own link length, its joint end point included: a design
// error in L2 changes the design with the error only, and the SOTOC run, judged on
// the true arm, still ends nearer the goal than TOC.
TEST(DesignErrors, LinkLengthChangesOnlyTheDesignWithTheError) {
    const json plain = result(SCARA);
    for (const char *error : {"L2=-10", "L2=10", "L1=5"}) {
        const json r = result(with(SCARA, {"--design-error", error}));
        EXPECT_EQ(r.at("designs").at("free"), plain.at("designs").at("free")) << error;
        EXPECT_EQ(r.at("runs").at("tocFree"), plain.at("runs").at("tocFree")) << error;
        EXPECT_NE(r.at("designs").at("error").at("ts"), plain.at("designs").at("error").at("ts")) << error;
        EXPECT_LT(r.at("runs").at("sotocErr").at("endTipError").get<double>(),
                  r.at("runs").at("tocErr").at("endTipError").get<double>())
            << error;
    }
    // A design that cannot reach the start point has no solution; the records are
    // put back, so a batch line after it gives the plain result.
    const RunOutcome batch = runsotoc(
        {"batch", "--jobs", "1"},
        R"({"robot":"scara","motion":"horizontal","designerrors":{"L1":-50}})" "\n"
        R"({"robot":"scara","motion":"horizontal"})" "\n");
    ASSERT_EQ(lines(batch.out).size(), 2u) << batch.err;
    EXPECT_EQ(json::parse(lines(batch.out)[0]).at("outcome"), "no-error-solution");
    EXPECT_EQ(json::parse(lines(batch.out)[1]), plain);
}

// A longer forearm given by name has the values of a robot file that gives it, and
// those worked out by hand from the sizing (mw = 1 kg, L1 = 0.5 m, u2 = 40).
TEST(DesignErrors, ParamGivesTheValuesOfARobotFile) {
    TempDir dir;
    const std::string file = dir.file("longer.toml");
    std::ofstream(file) << "kind = \"scara\"\nL2 = 0.45\n";
    const std::vector<std::string> params = {"params", "--json", "--motion", "horizontal"};
    const json named = json::parse(runsotoc(with(params, {"--robot", "scara", "--param", "L2=0.45"})).out);
    const json filed = json::parse(runsotoc(with(params, {"--robot-file", file})).out);
    EXPECT_EQ(named.at("parameters"), filed.at("parameters"));
    const json &v = named.at("parameters");
    const double L2 = 0.45, IJ2 = L2 * L2, IMm2 = IJ2 / 2500.0, a = (P / 2.0) / 1.0;
    const double TM2 = 2.0 * ((0.5 * L2 + IJ2) * a + (IMm2 * 2500.0 + IJ2) * a) / 50.0;
    EXPECT_NEAR(v.at("L2").at("value").get<double>(), L2, 1e-15);
    EXPECT_NEAR(v.at("IJ2").at("value").get<double>(), IJ2, 1e-15);
    EXPECT_NEAR(v.at("IMm2").at("value").get<double>(), IMm2, 1e-18);
    EXPECT_NEAR(v.at("TM2").at("value").get<double>(), TM2, 1e-12);
    EXPECT_NEAR(v.at("T2max").at("value").get<double>(), 2.0 * TM2 * 40.0, 1e-11);
    EXPECT_NEAR(v.at("M22max").at("value").get<double>(), IJ2 + IMm2 * 1600.0, 1e-14);
    // A value the file gives stays against --param of another.
    std::ofstream(file) << "kind = \"scara\"\nL2 = 0.45\nIJ2 = 0.3\n";
    const json both = json::parse(runsotoc(with(params, {"--robot-file", file, "--param", "L2=0.42"})).out);
    EXPECT_EQ(both.at("parameters").at("IJ2").at("value").get<double>(), 0.3);
    EXPECT_EQ(both.at("parameters").at("L2").at("value").get<double>(), 0.42);
}

// Each point of a map over a design error or a true value is the comparison of its
// settings; a sweep with a design error shares its error-free half and still gives
// the comparison's line.
TEST(DesignErrors, MapsAndSweepsGiveTheComparisonsOfTheirPoints) {
    const std::vector<std::string> map = {"map", "--robot", "scara", "--motion", "horizontal", "--jobs", "2"};
    const RunOutcome byerror = runsotoc(with(map, {"--x", "design-error:L2=-10:10:20", "--y", "param:m1Nom=1,1.5"}));
    ASSERT_EQ(byerror.status, 0) << byerror.err;
    const std::vector<std::string> got = lines(byerror.out);
    ASSERT_EQ(got.size(), 4u);
    const char *errors[] = {"L2=-10", "L2=10"}, *masses[] = {"m1Nom=1", "m1Nom=1.5"};
    for (int p = 0; p < 4; ++p) {
        json line = json::parse(got[p]);
        EXPECT_EQ(line.at("map"), json({{"i", p % 2}, {"j", p / 2}}));
        line.erase("map");
        EXPECT_EQ(line, result(with(SCARA, {"--design-error", errors[p % 2], "--param", masses[p / 2]}))) << p;
    }
    const RunOutcome sweep = runsotoc({"sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "-5,5",
                                       "--design-error", "IJ2=15", "--jobs", "1"});
    ASSERT_EQ(lines(sweep.out).size(), 2u) << sweep.err;
    EXPECT_EQ(json::parse(lines(sweep.out)[1]),
              result(with(SCARA, {"--error", "5", "--design-error", "IJ2=15"})));
}

// The picture of a map over a design error has it along x, labelled with its unit,
// and the true value along y with the parameter's.
TEST(DesignErrors, PicturesNameTheVariedParameterWithItsUnit) {
    TempDir dir;
    const std::string out = dir.file("map.jsonl");
    const RunOutcome map = runsotoc({"map", "--robot", "scara", "--motion", "horizontal", "--x",
                                     "design-error:TM1=-10,10", "--y", "param:L2=0.4,0.45", "--out", out});
    ASSERT_EQ(map.status, 0) << map.err;
    initialset();
    PlotSetup setup;
    std::vector<PlotPoint> points;
    ASSERT_TRUE(readresults({out}, false, setup, points).ok());
    EXPECT_EQ(setup.xaxis, namedaxis(SETTINGDESIGNERRORS, PARAMTM1));
    EXPECT_EQ(setup.yaxis, namedaxis(SETTINGPARAMS, PARAML2));
    EXPECT_EQ(axislabel(setup.xaxis, ROBOTSCARA), "design error of TM1 [%]");
    EXPECT_EQ(axislabel(setup.yaxis, ROBOTSCARA), "L2, length of link 2 [m]");
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[3].x, 10.0);
    EXPECT_EQ(points[3].y, 0.45);
    EXPECT_EQ(runsotoc({"plot", out, "--plot", dir.file("map.png")}).status, 0);
}

// A picture of one parameter's axis records that axis by its name, and of the
// design errors the points share only those the axis does not vary.
TEST(DesignErrors, PictureMetadataNamesTheParameterAxis) {
    TempDir dir;
    const std::string picture = dir.file("l2.svg");
    const RunOutcome map = runsotoc({"map", "--robot", "scara", "--motion", "horizontal", "--x",
                                     "design-error:L2=-10,10", "--design-error", "IJ1=5", "--out",
                                     dir.file("l2.jsonl"), "--plot", picture});
    ASSERT_EQ(map.status, 0) << map.err;
    std::ifstream in(picture);
    const std::string svg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(svg.find(R"("designerrors":{"IJ1":5.0}},"x":"design-error:L2")"), std::string::npos) << svg.substr(0, 2000);
}

// The help of --design-error names the values sotoc params lists as primary or fixed
// at start that it refuses, and no other: every value of those kinds it does not name
// is taken (params checks the options and runs nothing).
TEST(DesignErrors, HelpNamesTheListedValuesItRefuses) {
    const RunOutcome help = runsotoc({"compare", "--help"});
    const size_t at = help.out.find("  --design-error ");
    ASSERT_NE(at, std::string::npos) << help.out;
    const std::string line = help.out.substr(at, help.out.find('\n', at) - at);
    for (const char *robot : {"cylindrical", "scara"}) {
        const std::vector<std::string> params = {"params", "--robot", robot, "--motion", "vertical"};
        const json listed = json::parse(runsotoc(with(params, {"--json"})).out).at("parameters");
        int taken = 0, refused = 0;
        for (const auto &[name, p] : listed.items()) {
            const std::string kind = p.at("kind");
            if (kind != "primary" && kind != "fixed at start") continue;
            const RunOutcome r = runsotoc(with(params, {"--design-error", name + "=5"}));
            EXPECT_EQ(r.status, wordin(line, name) ? 2 : 0) << robot << " " << name << ": " << r.err << line;
            (r.status == 0 ? taken : refused) += 1;
        }
        EXPECT_LT(10, taken) << robot;
        EXPECT_EQ(1, refused) << robot << ": errRatio, the mass error itself";
    }
}

// Refusals beside what is accepted, each with status 2 and what it accepts.
TEST(DesignErrors, RefusalsBesideTheAccepted) {
    const struct {
        std::vector<std::string> accepted, refused;
        const char *says;
    } cases[] = {
        {{"--design-error", "IJ1=-99.9"}, {"--design-error", "IJ1=-100"}, "-100 < PERCENT <= 900"},
        {{"--design-error", "IJ1=900"}, {"--design-error", "IJ1=900.5"}, "-100 < PERCENT <= 900"},
        {{"--design-error", "L2=5"}, {"--design-error", "L2"}, "NAME=PERCENT"},
        {{"--design-error", "L2=5"}, {"--design-error", "L2=five"}, "NAME=PERCENT"},
        {{"--design-error", "L1=5"}, {"--design-error", "Q=5"}, "NAME one of mwNom, x0"},
        {{"--design-error", "L1=5"}, {"--design-error", "L=5"}, "L1, L2, m1Nom"},
        {{"--design-error", "L1=5"}, {"--design-error", "T1max=5"}, "NAME one of"},
        {{"--design-error", "L1=5", "--design-error", "L2=5"},
         {"--design-error", "L1=5", "--design-error", "L1=6"},
         "each NAME once"},
        {{"--param", "L2=0.45"}, {"--param", "L2=-1"}, "a number from 1e-09 to 1e+09 in m"},
        {{"--param", "TM1=0.1"}, {"--param", "u1=50"}, "NAME=VALUE with NAME one of mwNom, wn1,"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(runsotoc(with(SCARA, c.accepted)).status, 0) << c.accepted.back();
        const RunOutcome r = runsotoc(with(SCARA, c.refused));
        EXPECT_EQ(r.status, 2) << c.refused.back();
        EXPECT_NE(r.err.find("' refused; accepts"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    // The cylindrical robot has its arm length L, not the SCARA's links.
    const std::vector<std::string> cyl = {"compare", "--robot", "cylindrical", "--motion", "vertical"};
    EXPECT_EQ(runsotoc(with(cyl, {"--design-error", "L=5"})).status, 0);
    EXPECT_EQ(runsotoc(with(cyl, {"--design-error", "L2=5"})).status, 2);
    const std::vector<std::string> map = {"map", "--motion", "horizontal", "--x"};
    EXPECT_EQ(runsotoc(with(map, {"param:L2=0.4,0.5", "--robot", "scara"})).status, 0);
    const RunOutcome cylmap = runsotoc(with(map, {"param:L2=0.4,0.5", "--robot", "cylindrical"}));
    EXPECT_EQ(cylmap.status, 2);
    EXPECT_NE(cylmap.err.find("a cylindrical robot takes NAME one of"), std::string::npos) << cylmap.err;
    EXPECT_EQ(runsotoc(with(map, {"design-error:L2=-99:0:99", "--robot", "scara"})).status, 0);
    EXPECT_EQ(runsotoc(with(map, {"design-error:L2=-100:0:100", "--robot", "scara"})).status, 2);
    EXPECT_EQ(runsotoc(with(map, {"param:u1=30,40", "--robot", "scara"})).status, 2);
    EXPECT_EQ(runsotoc(with(map, {"design-error:T1max=0,1", "--robot", "scara"})).status, 2);
    // Batch lines: an object of numbers by name.
    const RunOutcome batch = runsotoc(
        {"batch", "--jobs", "1"},
        R"({"robot":"scara","motion":"horizontal","designerrors":{"L2":-10}})" "\n"
        R"({"robot":"scara","motion":"horizontal","designerrors":{"L2":"x"}})" "\n"
        R"({"robot":"scara","motion":"horizontal","designerrors":[-10]})" "\n"
        R"({"robot":"scara","motion":"horizontal","params":{"L2":0}})" "\n");
    const std::vector<std::string> answers = lines(batch.out);
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(json::parse(answers[0]), result(with(SCARA, {"--design-error", "L2=-10"})));
    for (int k = 1; k < 4; ++k) EXPECT_TRUE(json::parse(answers[k]).contains("error")) << answers[k];
}

namespace {

// A rigid SCARA and a rigid cylindrical arm with every value fixed at start given, so
// that a file with one value edited sizes nothing anew.
const char *const RIGIDSCARA = "kind = \"scara\"\nmodel = \"rigid\"\nml1 = 2\nml2 = 1\nc1x = 0.25\nc1y = 0.05\n"
                               "c2x = 0.2\nc2y = -0.05\nIc1 = 0.042\nIc2 = 0.0135\nmwNom = 0.5\nIMm1 = 0.0006\n"
                               "IMm2 = 0.00009\nTM1 = 0.75\nTM2 = 0.125\n";
const char *const RIGIDCYLINDER = "kind = \"cylindrical\"\nmodel = \"rigid\"\nml1 = 3\nml2 = 2\nc1x = 0.1\nc1y = 0.05\n"
                                  "c2x = -0.3\nc2y = 0.04\nIc1 = 0.05\nIc2 = 0.03\nmwNom = 1.5\nIMm1 = 0.002\n"
                                  "IMm2 = 0.004\nTM1 = 1.5\nTM2 = 2.5\n";

// `text` with the line of `name` giving `value` instead.
std::string editedline(const std::string &text, const std::string &name, double value) {
    const size_t at = text.find("\n" + name + " = ") + 1, end = text.find('\n', at);
    char line[64];
    std::snprintf(line, sizeof line, "%s = %.17g", name.c_str(), value);
    return text.substr(0, at) + line + text.substr(end);
}

// The parts of a result that the arm and the designs make.
json madebythearm(const json &j) { return json{{"derived", j.at("derived")}, {"designs", j.at("designs")}, {"runs", j.at("runs")}}; }

double farthest(const json &a, const json &b) {
    double d = 0.0;
    for (int k = 0; k < 4; ++k) d = std::fmax(d, std::fabs(a.at(k).get<double>() - b.at(k).get<double>()));
    return d;
}

}  // namespace

// Every value of a rigid arm, the payload among them, as a true value and as a design
// error, against a file with that value edited (v (1 + 30 %)): --param gives the
// edited file's result, and a map point over param:NAME or design-error:NAME the
// comparison of its settings; a design error leaves the plant (the error-free design,
// the derived values, the error-free run) as it is and gives the design with the error
// the edited file's switching times, to the precision of the design's solution (its
// guess starts from the error-free design's, which differs).
TEST(DesignErrors, EveryValueOfARigidArmAsParamAndDesignError) {
    TempDir dir;
    const char *const names[] = {"ml1", "ml2", "c1x", "c1y", "c2x", "c2y", "Ic1", "Ic2", "mwNom"};
    const struct {
        const char *text;
        std::vector<std::string> task;
    } arms[] = {{RIGIDSCARA, {}}, {RIGIDCYLINDER, {"--end", "0,0.7"}}};
    for (const auto &arm : arms) {
        const std::string file = dir.file("arm.toml"), edited = dir.file("edited.toml");
        std::ofstream(file) << arm.text;
        const std::vector<std::string> base = with({"--robot-file", file, "--motion", "vertical"}, arm.task);
        const json plain = result(with({"compare", "--json"}, base));
        for (const char *name : names) {
            const size_t at = std::string(arm.text).find(std::string("\n") + name + " = ");
            const double v = std::stod(std::string(arm.text).substr(at + std::strlen(name) + 4));
            const double truth = v * (1.0 + 30.0 / 100.0);
            std::ofstream(edited) << editedline(arm.text, name, truth);
            char given[64];
            std::snprintf(given, sizeof given, "%s=%.17g", name, truth);
            const json byfile = result(with(with({"compare", "--json"}, arm.task), {"--robot-file", edited, "--motion", "vertical"}));
            const json byparam = result(with({"compare", "--json", "--param", given}, base));
            EXPECT_EQ(madebythearm(byparam), madebythearm(byfile)) << name;
            const json wrong = result(with({"compare", "--json", "--design-error", std::string(name) + "=30"}, base));
            EXPECT_EQ(wrong.at("derived"), plain.at("derived")) << name;
            EXPECT_EQ(wrong.at("designs").at("free"), plain.at("designs").at("free")) << name;
            EXPECT_EQ(wrong.at("runs").at("tocFree"), plain.at("runs").at("tocFree")) << name;
            const json &ts = wrong.at("designs").at("error").at("ts");
            const double solved = farthest(ts, byfile.at("designs").at("error").at("ts"));
            EXPECT_LT(solved, 1e-5) << name;
            EXPECT_LT(20.0 * solved, farthest(ts, plain.at("designs").at("error").at("ts"))) << name;
            for (const auto &[axis, same] : {std::make_pair("param:" + std::string(given), byparam),
                                             std::make_pair("design-error:" + std::string(name) + "=30", wrong)}) {
                const RunOutcome map = runsotoc(with(with({"map", "--jobs", "1", "--x"}, {axis}), base));
                ASSERT_EQ(lines(map.out).size(), 1u) << map.err;
                json point = json::parse(lines(map.out)[0]);
                point.erase("map");
                EXPECT_EQ(point, same) << axis;
            }
        }
    }
}
