// sotoc compare run as a script runs it: options, refusals, result lines, JSON and
// the CSV files of the runs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "study/comparison.h"
#include "console/dialog.h"
#include "commands/options.h"
#include "study/params.h"
#include "tests/support/pty.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"
#include "tests/support/xserver.h"

namespace {

using json = nlohmann::ordered_json;
using Args = std::vector<std::string>;

Args withbase(const Args &extra) {
    Args a = {"compare", "--robot", "scara", "--motion", "horizontal"};
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

// The JSON object of a compare run that must succeed with `status`.
json comparejson(const Args &args, int status = 0) {
    Args a = args;
    a.push_back("--json");
    const RunOutcome r = runsotoc(a);
    EXPECT_EQ(status, r.status) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_EQ(1, std::count(r.out.begin(), r.out.end(), '\n')) << "one line";
    return json::parse(r.out, nullptr, false);
}

// The first line of sotoc --version, "sotoc VERSION (commit COMMIT)": the program
// that made a result, as main() prints it.
std::string versionline() {
    const std::string out = runsotoc({"--version"}).out;
    return out.substr(0, out.find('\n'));
}

// The pass the dialog's code runs for these settings, standing alone.
ComparisonResult passfor(ComparisonSettings s) {
    initialset();
    s.tfNomBasis = standalonebasis(s);
    return comparisonpass(s);
}

void expectsamerun(const json &j, const RunFigures &f, const char *name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(f.tf, j["tf"].get<double>());
    EXPECT_EQ(f.P[0], j["tip"][0].get<double>());
    EXPECT_EQ(f.P[1], j["tip"][1].get<double>());
    EXPECT_EQ(f.error, j["error"].get<double>());
    EXPECT_EQ(f.ratio, j["ratio"].get<double>());
    EXPECT_EQ(f.pastspan, j["pastSpan"].get<bool>());
    EXPECT_EQ(f.designedInSpan, !j["designedTipError"].is_null());
    if (f.designedInSpan) {
        EXPECT_EQ(f.designedTipSpeed, j["designedTipSpeed"].get<double>());
    }
    EXPECT_EQ(f.endTipError, j["endTipError"].get<double>());
    EXPECT_EQ(f.endTipSpeed, j["endTipSpeed"].get<double>());
    EXPECT_EQ(f.settled, !j["settlingTime"].is_null());
    if (f.settled) {
        EXPECT_EQ(f.settlingTime, j["settlingTime"].get<double>());
    }
}

// The settings echoed, and every figure equal to the pass run in this process with
// the settings the options stand for.
void expectpass(const json &j, const ComparisonSettings &s, const json &settings) {
    EXPECT_EQ(settings, j["settings"]);
    const ComparisonResult r = passfor(s);
    ASSERT_EQ(COMPARED, r.outcome);
    EXPECT_EQ(r.tfNom, j["derived"]["tfNom"].get<double>());
    EXPECT_EQ(r.dt, j["derived"]["dt"].get<double>());
    EXPECT_EQ(r.T1max, j["derived"]["T1max"].get<double>());
    EXPECT_EQ(r.T2maxG, j["derived"]["T2maxG"].get<double>());
    for (int k = 0; k < 4; ++k) EXPECT_EQ(r.err.ts[k], j["designs"]["error"]["ts"][k].get<double>());
    expectsamerun(j["runs"]["tocFree"], r.tocFree, "tocFree");
    expectsamerun(j["runs"]["tocErr"], r.tocErr, "tocErr");
    expectsamerun(j["runs"]["sotocErr"], r.sotocErr, "sotocErr");
    EXPECT_EQ(r.sotocFinished, j["runs"]["sotocErr"]["finished"].get<bool>());
    const json &phases = j["runs"]["sotocErr"].value("phases", json());
    ASSERT_EQ(std::isinf(s.tFallback), phases.is_null()) << "phases only with a fallback";
    for (size_t k = 0; k < phases.size(); ++k) {
        EXPECT_EQ(r.phases.tEnd[k], phases[k]["end"].get<double>());
        EXPECT_EQ(r.phases.fallback[k] ? "fallback" : "state", phases[k]["by"].get<std::string>());
    }
}

TEST(CompareOptions, OmittedOptionsTakeTheInteractiveDefaults) {
    const json scara = comparejson({"compare", "--robot", "scara", "--motion", "vertical"});
    expectpass(scara, {ROBOTSCARA, MOTIONVERTICAL, 40, 40, 0.7, 0.0, -0.3, 0.4, ELBOWUP, 0.01, 0},
               {{"robot", "scara"},
                {"motion", "vertical"},
                {"ratios", {40, 40}},
                {"start", {0.7, 0}},
                {"end", {-0.3, 0.4}},
                {"elbow", "up"},
                {"error", 1}});
    const json cyl = comparejson({"compare", "--robot", "cylindrical", "--motion", "vertical"});
    EXPECT_EQ(json({30, 30}), cyl["settings"]["ratios"]) << "each robot has its own default ratios";
}

TEST(CompareOptions, EveryOptionReachesThePass) {
    const json j = comparejson({"compare", "--motion", "vertical", "--robot", "scara", "--ratios", "50,30",
                                "--start=-0.2,0.5", "--end", "0.6,-0.1", "--elbow", "down", "--error", "-7",
                                "--near", "0.3", "--sotoc-fallback", "0.05", "--tolerance", "0.002"});
    expectpass(j,
               {ROBOTSCARA, MOTIONVERTICAL, 50, 30, -0.2, 0.5, 0.6, -0.1, ELBOWDOWN, -7 / 100.0, 0, 0.3, 0.05, 0.002},
               {{"robot", "scara"},
                {"motion", "vertical"},
                {"ratios", {50, 30}},
                {"start", {-0.2, 0.5}},
                {"end", {0.6, -0.1}},
                {"elbow", "down"},
                {"error", -7},
                {"near", 0.3},
                {"sotoc-fallback", 0.05},
                {"tolerance", 0.002}});
}

// The design's rules: a result of the defaults names neither setting, so that it
// reads as before they existed; another value is named, and the result's settings
// read back as a batch line run the same comparison, byte for byte. A word the
// setting does not have is refused with the words it has.
TEST(CompareOptions, DesignRulesAreNamedWhenNotAtTheirDefaults) {
    const json standard = comparejson(withbase({"--joint2-start", "shorter", "--design-search", "standard"}));
    EXPECT_FALSE(standard["settings"].contains("joint2-start"));
    EXPECT_FALSE(standard["settings"].contains("design-search"));
    EXPECT_EQ(standard.dump(), comparejson(withbase({})).dump());
    const json held = comparejson(withbase({"--joint2-start", "positive", "--design-search", "wide"}));
    EXPECT_EQ("positive", held["settings"]["joint2-start"]);
    EXPECT_EQ("wide", held["settings"]["design-search"]);
    EXPECT_EQ("not-run", held["designs"]["free"]["trials"][0]["verdict"]);
    EXPECT_TRUE(held["designs"]["free"]["trials"][0]["residual"].is_null());
    const RunOutcome batch = runsotoc({"batch"}, held["settings"].dump() + "\n");
    ASSERT_EQ(0, batch.status) << batch.err;
    EXPECT_EQ(held.dump() + "\n", batch.out);
    for (const Args &args : {withbase({"--joint2-start", "both"}), withbase({"--design-search", "narrow"})}) {
        const RunOutcome r = runsotoc(args);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ("", r.out);
        const std::string said = args[5] == "--joint2-start"
                                     ? "--joint2-start: 'both' refused; accepts negative, positive or shorter"
                                     : "--design-search: 'narrow' refused; accepts standard or wide";
        EXPECT_EQ(0u, r.err.find("sotoc compare: " + said)) << r.err;
    }
}

// Every refusal: status 2, nothing on standard output, one line naming the option,
// the value and what is accepted.
TEST(CompareOptions, RefusalsNameOptionValueAndWhatIsAccepted) {
    const struct {
        Args args;
        const char *said;
    } cases[] = {
        {{"compare", "--motion", "vertical"}, "--robot: missing; accepts cylindrical or scara"},
        {{"compare", "--robot", "scara"}, "--motion: missing; accepts horizontal or vertical"},
        {{"compare", "--robot", "delta", "--motion", "vertical"}, "--robot: 'delta' refused; accepts cylindrical or scara"},
        {{"compare", "--robot", "scara", "--motion", "up"}, "--motion: 'up' refused; accepts horizontal or vertical"},
        {withbase({"--elbow", "left"}), "--elbow: 'left' refused; accepts down or up"},
        {withbase({"--ratios", "a,5"}), "--ratios: 'a,5' refused; accepts two numbers U1,U2 with 0 < U <= 999.9"},
        {withbase({"--ratios", "nan,5"}), "--ratios: 'nan,5' refused; accepts two numbers"},
        {withbase({"--ratios", "5,inf"}), "--ratios: '5,inf' refused"},
        {withbase({"--ratios", "0,5"}), "--ratios: '0,5' refused"},
        {withbase({"--ratios", "5,-1"}), "--ratios: '5,-1' refused"},
        {withbase({"--ratios", "1000,5"}), "--ratios: '1000,5' refused"},
        {withbase({"--ratios", "5"}), "--ratios: '5' refused"},
        {withbase({"--ratios", "5,5,5"}), "--ratios: '5,5,5' refused"},
        {withbase({"--start", "x,0"}), "--start: 'x,0' refused; accepts two numbers X,Y [m] with -10 <= X, Y <= 10"},
        {{"compare", "--robot", "cylindrical", "--motion", "vertical", "--end", "0,10.5"}, "--end: '0,10.5' refused"},
        {withbase({"--start", "nan,0.5"}), "--start: 'nan,0.5' refused"},
        {withbase({"--end", "0.5"}), "--end: '0.5' refused"},
        {withbase({"--start", "1,0"}), "--start: '1,0' refused; accepts a point the SCARA reaches, 0.1 m <= distance from the base <= 0.9 m"},
        {withbase({"--end", "0.05,0"}), "--end: '0.05,0' refused; accepts a point the SCARA reaches"},
        {withbase({"--error", "ten"}), "--error: 'ten' refused; accepts one number with -100 < error < 100"},
        {withbase({"--error", "nan"}), "--error: 'nan' refused"},
        {withbase({"--error", "100"}), "--error: '100' refused"},
        {withbase({"--error", "-100"}), "--error: '-100' refused"},
        {withbase({"--near", "0"}), "--near: '0' refused; accepts one number with 0 < D <= 10"},
        {withbase({"--near", "10.001"}), "--near: '10.001' refused"},
        {withbase({"--sotoc-fallback", "-0.001"}), "--sotoc-fallback: '-0.001' refused; accepts one number with 0 <= S <= 10"},
        {withbase({"--sotoc-fallback", "off"}), "--sotoc-fallback: 'off' refused"},
        {withbase({"--tolerance", "0"}), "--tolerance: '0' refused; accepts one number with 0 < M <= 10"},
        {withbase({"--log", "/proc/none"}), "--log: '/proc/none' refused; accepts a folder"},
        {withbase({"--speed", "2"}), "'--speed 2' refused; accepts the options that --help lists"},
        {withbase({"extra"}), "'extra' refused; accepts the options that --help lists"},
        {withbase({"--robot", "cylindrical"}), "--robot: given 2 times; accepts it once"},
    };
    for (const auto &c : cases) {
        const RunOutcome r = runsotoc(c.args);
        const std::string line = std::string("sotoc compare: ") + c.said;
        EXPECT_EQ(2, r.status) << line;
        EXPECT_EQ("", r.out) << line;
        EXPECT_EQ(0u, r.err.find(line)) << r.err;
        EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
    }
}

TEST(CompareOptions, HelpListsUnitsAndDefaults) {
    const RunOutcome h = runsotoc({"compare", "--help"});
    EXPECT_EQ(0, h.status);
    for (const char *said : {"--ratios U1,U2", "[rad/rad; cylindrical joint 2: rad/m], 0 < U <= 999.9. Default: 30,30 (cylindrical), 40,40 (scara).",
                             "--start X,Y", "PTP start point [m], -10 <= X, Y <= 10. Default: 0.7,0.", "--end X,Y",
                             "PTP end point [m], -10 <= X, Y <= 10. Default: -0.3,0.4.", "--elbow down|up", "Default: up.",
                             "--error PERCENT", "[%], -100 < error < 100. Default: 1.", "--json", "--log DIR",
                             "--near D", "0 < D <= 10. Default: 0.2.", "--sotoc-fallback S", "[s], 0 <= S <= 10. Default: off.",
                             "--tolerance M", "[m], 0 < M <= 10. Default: 0.001."})
        EXPECT_NE(std::string::npos, h.out.find(said)) << said;
}

// The accepted side of the refusals above, checked without running the pass.
TEST(CompareOptions, LimitsAcceptedJustInside) {
    initialset();
    const Args accepted[] = {
        withbase({"--ratios", "999.9,0.001"}),
        withbase({"--error", "99.99"}),
        withbase({"--error", "-99.99"}),
        withbase({"--near", "10", "--sotoc-fallback", "0", "--tolerance", "10"}),
        withbase({"--near", "1e-9", "--sotoc-fallback", "10"}),
        withbase({"--start", "0.9,0", "--end", "0,0.1"}),
        {"compare", "--robot", "cylindrical", "--motion", "vertical", "--end", "1,0"},
        {"compare", "--robot", "cylindrical", "--motion", "vertical", "--end", "-10,10"},
    };
    for (const Args &line : accepted) {
        CLI::App cmd;
        CompareOptionValues v;
        addcompareoptions(cmd, v);
        std::vector<std::string> reversed(line.rbegin(), line.rend() - 1);  // CLI11 takes them last first
        cmd.parse(reversed);
        CompareRequest r;
        EXPECT_EQ("", requestfromoptions(v, "--", r).message) << line[5] << " " << line[6];
    }
}

// Numbers are read strictly, as the refusals quote them; next to each refusal the
// nearest text that is taken.
TEST(CompareOptions, NumbersReadStrictly) {
    initialset();
    const struct {
        Args taken, refused;
        std::string said;
    } pairs[] = {
        {withbase({"--error", "16"}), withbase({"--error", "0x10"}), "--error: '0x10' refused"},
        {withbase({"--error", "5"}), withbase({"--error", " 5"}), "--error: ' 5' refused"},
        {withbase({"--error=5"}), withbase({"--error=5 "}), "--error: '5 ' refused"},
        {withbase({"--error", "+5"}), withbase({"--error", "+-5"}), "--error: '+-5' refused"},
        {withbase({"--ratios", "40,40"}), withbase({"--ratios", "40,,40"}), "--ratios: '40,,40' refused"},
        {withbase({"--ratios", "40,40"}), withbase({"--ratios", "40,40,"}), "--ratios: '40,40,' refused"},
        {withbase({"--start", "0.5,0.2"}), withbase({"--start", "0.5, 0.2"}), "--start: '0.5, 0.2' refused"},
        {withbase({"--end", "1e-1,0.5"}), withbase({"--end", "1e400,0.5"}), "--end: '1e400,0.5' refused"},
        {withbase({"--error", "99"}), withbase({"--error", std::string(400, '9')}),
         "--error: '" + std::string(80, '9') + "\xE2\x80\xA6' refused; accepts one number"},
    };
    for (const auto &p : pairs) {
        for (const Args *args : {&p.taken, &p.refused}) {
            CLI::App cmd{"", "sotoc compare"};
            CompareOptionValues v;
            addcompareoptions(cmd, v);
            std::vector<const char *> argv;
            for (const std::string &a : *args) argv.push_back(a.c_str());
            Outcome taken = parsearguments(cmd, static_cast<int>(argv.size()), argv.data());
            CompareRequest r;
            if (taken.ok()) taken = requestfromoptions(v, "--", r);
            EXPECT_EQ(args == &p.taken ? 0 : REFUSEDSTATUS, taken.status) << p.said;
            const std::string refused = taken.message;
            if (args == &p.taken)
                EXPECT_EQ("", refused) << p.said;
            else
                EXPECT_EQ(0u, refused.find(p.said)) << refused;
        }
    }
    const RunOutcome program = runsotoc(withbase({"--error", "0x10"}));
    EXPECT_EQ(2, program.status);
    EXPECT_EQ("sotoc compare: --error: '0x10' refused; accepts one number with -100 < error < 100\n", program.err);
}

// The default output is the dialog's result lines, from the same pass.
TEST(CompareOutput, ResultLinesAsTheDialogPrintsThem) {
    const RunOutcome r =
        runsotoc({"compare", "--robot", "scara", "--motion", "horizontal", "--error", "-20", "--lang", "ja"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(resultlines(passfor({ROBOTSCARA, MOTIONHORIZONTAL, 40, 40, 0.7, 0.0, -0.3, 0.4, ELBOWUP, -0.2, 0})) + "\n",
              r.out);
}

// The numbers of a text, in order, as printed.
std::vector<std::string> numbersof(const std::string &text) {
    std::vector<std::string> numbers;
    std::string current;
    for (char c : text + " ") {
        if ((c >= '0' && c <= '9') || c == '.' || (c == '-' && current.empty())) {
            current += c;
        } else {
            if (current.find_first_of("0123456789") != std::string::npos) numbers.push_back(current);
            current.clear();
        }
    }
    return numbers;
}

// The English lines carry the Japanese lines' figures, digit for digit, in plain
// ASCII: both when SOTOC finished and when it never reached its last switching state
// (the SCARA robot against gravity with a 5 % mass error), for the cylindrical robot,
// whose SOTOC line differs in the Japanese, and for slow drives whose TOC ends after
// the simulated span (ratios 0.5), each TOC line then followed by its notice.
TEST(CompareLanguage, EnglishLinesCarryTheSameFigures) {
    const Args passes[] = {{"compare", "--robot", "scara", "--motion", "horizontal", "--error", "-20"},
                           {"compare", "--robot", "scara", "--motion", "vertical", "--error", "5"},
                           {"compare", "--robot", "cylindrical", "--motion", "vertical"},
                           {"compare", "--robot", "scara", "--motion", "horizontal", "--ratios", "0.5,0.5"}};
    int unfinished = 0, pastspan = 0;
    for (const Args &pass : passes) {
        Args ja = pass, en = pass;
        ja.insert(ja.end(), {"--lang", "ja"});
        en.insert(en.end(), {"--lang", "en"});
        const RunOutcome j = runsotoc(ja), e = runsotoc(en);
        ASSERT_EQ(0, j.status) << j.err;
        ASSERT_EQ(0, e.status) << e.err;
        EXPECT_EQ(numbersof(j.out), numbersof(e.out)) << e.out;
        EXPECT_TRUE(std::all_of(e.out.begin(), e.out.end(), [](char c) { return c > 0; })) << e.out;
        EXPECT_EQ(std::count(j.out.begin(), j.out.end(), '\n'), std::count(e.out.begin(), e.out.end(), '\n'));
        const bool jaunfinished = j.out.find("最後の切り替え状態に達しなかった") != std::string::npos;
        EXPECT_EQ(jaunfinished, e.out.find("never reached its last switching state") != std::string::npos);
        unfinished += jaunfinished;
        const auto notices = [](const std::string &text, const std::string &notice) {
            int n = 0;
            for (size_t at = text.find(notice); at != std::string::npos; at = text.find(notice, at + 1)) ++n;
            return n;
        };
        const int japast = notices(j.out, "\n  終端時間がシミュレーション終了時刻( 8.0[s])より後のため");
        EXPECT_EQ(japast, notices(e.out, "\n  The final time lies after the end of the simulation ( 8.0[s])")) << e.out;
        pastspan += japast;
        EXPECT_NE(std::string::npos, e.out.find("\nError-free TOC ")) << e.out;
        EXPECT_NE(std::string::npos, e.out.find("\n  SOTOC positioning error with velocity term=")) << e.out;
    }
    EXPECT_LT(0, unfinished);
    EXPECT_GT(4, unfinished);
    EXPECT_EQ(2, pastspan) << "both TOC runs of the slow drives";
}

// Without --lang the locale chooses, as the C library reads it: LC_ALL before
// LC_MESSAGES before LANG, an empty one skipped; --lang overrides the locale; any
// other word is refused before anything runs.
TEST(CompareLanguage, LocaleChoosesUnlessLangIsGiven) {
    const struct {
        Args environment;  // variables set; every other locale variable unset
        Args options;      // after the pass's options
        bool japanese;
    } cases[] = {
        {{}, {}, false},
        {{"LANG=ja_JP.UTF-8"}, {}, true},
        {{"LANG=C.UTF-8"}, {}, false},
        {{"LANG=ja_JP.UTF-8", "LC_ALL=C"}, {}, false},
        {{"LANG=C", "LC_MESSAGES=ja_JP.UTF-8"}, {}, true},
        {{"LANG=ja_JP.UTF-8", "LC_ALL="}, {}, true},
        {{"LANG=ja_JP.UTF-8"}, {"--lang", "en"}, false},
        {{"LC_ALL=C"}, {"--lang", "ja"}, true},
    };
    for (const auto &c : cases) {
        Args argv = {"/usr/bin/env", "-u", "LC_ALL", "-u", "LC_MESSAGES", "-u", "LANG"};
        argv.insert(argv.end(), c.environment.begin(), c.environment.end());
        argv.insert(argv.end(), {sotocbinary(), "compare", "--robot", "scara", "--motion", "horizontal"});
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        const RunOutcome r = runprogram(argv);
        EXPECT_EQ(0, r.status) << r.err;
        EXPECT_EQ(c.japanese, r.out.find("\n誤差なしTOC    終端時間") == 0) << r.out;
        EXPECT_EQ(!c.japanese, r.out.find("\nError-free TOC ") == 0) << r.out;
    }
    const RunOutcome refused = runsotoc({"compare", "--robot", "scara", "--motion", "horizontal", "--lang", "fr"});
    EXPECT_EQ(2, refused.status);
    EXPECT_EQ("", refused.out);
    EXPECT_EQ("sotoc compare: --lang: 'fr' refused; accepts ja or en\n", refused.err);
}

// One set of conditions typed into the interactive program, and the same as options.
struct TypedCase {
    char type, gravity;  // start-up keys
    const char *ratios;  // "u1 u2", or null to keep them
    const char *points;  // "x0 y0 xf yf", or null to keep them
    char elbow;          // SCARA elbow key after the points
    const char *error;   // mass error [%]
    Args options;        // compare's options for the same conditions
    bool longmove;       // tfNom > 4 s: the first pass still ran with the short time base
};

// Types the conditions of c at start-up and waits for the first pass's results.
void typeconditions(PtyProcess &p, const TypedCase &c) {
    ASSERT_TRUE(ptyexpect(p, "type="));
    ptysend(p, std::string(1, c.type));
    ASSERT_TRUE(ptyexpect(p, "sgnG="));
    ptysend(p, std::string(1, c.gravity));
    ASSERT_TRUE(ptyexpect(p, "条件のどれか変更する？"));
    ptysend(p, "y");
    ASSERT_TRUE(ptyexpect(p, "以下全て変更しない : n"));
    ptysend(p, c.ratios ? "y" : "z");
    if (c.ratios) {
        ASSERT_TRUE(ptyexpect(p, "u1 u2="));
        ptysend(p, std::string(c.ratios) + "\r");
    }
    ASSERT_TRUE(ptyexpect(p, "重力考慮する？"));
    ptysend(p, std::string(1, c.gravity));
    ASSERT_TRUE(ptyexpect(p, "変更する？　yes:y   no:n"));
    ptysend(p, c.points ? "y" : "n");
    if (c.points) {
        ASSERT_TRUE(ptyexpect(p, "x0 y0 xf yf="));
        ptysend(p, std::string(c.points) + "\r");
        if (c.type == 'b') {
            ASSERT_TRUE(ptyexpect(p, "上折れ曲がり：2"));
            ptysend(p, std::string(1, c.elbow));
        }
    }
    ASSERT_TRUE(ptyexpect(p, "error="));
    ptysend(p, std::string(c.error) + "\r");
}

// The result lines of the next pass in the terminal's output, without the
// terminal's carriage returns.
std::string nextresults(PtyProcess &p) {
    if (!ptyexpect(p, "只今計算中．．．．．．．\r\n", 300)) return "(no pass)";
    const size_t from = p.mark;
    if (!ptyexpect(p, "\r\n\r\n描画画面へ", 300)) return "(no results)";
    std::string lines = p.output.substr(from, p.mark - from - std::string("\r\n\r\n描画画面へ").size());
    lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
    return lines;
}

// compare gives, digit for digit, what the interactive program prints when the same
// conditions run a second time (a gravity key in the window runs them again). The
// window-system option -display reaches the window as before.
TEST(CompareOutput, EqualsTheDialogsSecondPassOfTheSameConditions) {
    const TypedCase cases[] = {
        {'b', 'g', nullptr, "0.6 -0.2 0.2 0.6", '2', "-20",
         {"--robot", "scara", "--motion", "vertical", "--start", "0.6,-0.2", "--end", "0.2,0.6", "--elbow", "up",
          "--error", "-20"},
         false},
        {'b', 'h', nullptr, "0.5 0.3 -0.4 0.3", '1', "10",
         {"--robot", "scara", "--motion", "horizontal", "--start", "0.5,0.3", "--end=-0.4,0.3", "--elbow", "down",
          "--error", "10"},
         false},
        {'b', 'h', "50 70", nullptr, 0, "5",
         {"--robot", "scara", "--motion", "horizontal", "--ratios", "50,70", "--error", "5"}, false},
        {'b', 'h', "5 5", nullptr, 0, "3",
         {"--robot", "scara", "--motion", "horizontal", "--ratios", "5,5", "--error", "3"}, true},
        {'a', 'g', "500 500", nullptr, 0, "-7",
         {"--robot", "cylindrical", "--motion", "vertical", "--ratios", "500,500", "--error", "-7"}, true},
    };
    XServer x;
    ASSERT_TRUE(xstart(x));
    for (const TypedCase &c : cases) {
        SCOPED_TRACE(c.options[1] + " " + c.options[3] + " error " + c.error);
        Args args = {"compare", "--lang", "ja"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunOutcome command = runsotoc(args);
        EXPECT_EQ(0, command.status) << command.err;

        PtyProcess p;
        ASSERT_TRUE(ptystart(p, {sotocbinary(), "-display", x.display}, windowprogramenv()));
        typeconditions(p, c);
        const std::string first = nextresults(p);
        const std::string found = xcommand(x, "xdotool search --sync --onlyvisible --name 's:'");
        const std::string id = std::to_string(std::strtoul(found.c_str(), nullptr, 10));
        ASSERT_NE("0", id) << found;
        xcommand(x, "xdotool windowfocus --sync " + id + " key " + c.gravity);
        const std::string second = nextresults(p);
        EXPECT_EQ(second + "\n", command.out);
        if (c.longmove) {
            EXPECT_NE(first, second) << "the first pass ran with the time base of the defaults";
        }
        xcommand(x, "xdotool windowfocus --sync " + id + " key Escape");
        EXPECT_EQ(0, ptywait(p, 60));
        ptyclose(p);
    }
    xstop(x);
}

// Keys and types of the result object as documented.
void expectdesign(const json &d) {
    ASSERT_TRUE(d.is_object());
    const bool solved = d["solved"].get<bool>();
    EXPECT_EQ(solved, d["ts"].is_array() && d["ts"].size() == 4);
    EXPECT_EQ(solved, d["chosen"].is_number_integer());
    ASSERT_EQ(2u, d["trials"].size());
    for (int i = 0; i < 2; ++i) {
        const json &t = d["trials"][i];
        EXPECT_EQ(i == 0 ? -1 : 1, t["sigma2"].get<int>());
        EXPECT_TRUE(t["iterations"].is_number_integer());
        const std::string verdict = t["verdict"].get<std::string>();
        EXPECT_NE(std::string::npos,
                  std::string(" accepted not-converged not-a-number negative-time order-violated ").find(" " + verdict + " "));
        EXPECT_EQ(verdict == "accepted", t["tf"].is_number()) << "tf is null for a rejected trial";
        if (!t["tf"].is_null() && i == d["chosen"]) {
            EXPECT_EQ(d["ts"][3], t["tf"]);
        }
    }
    EXPECT_EQ(solved, d["trials"][0]["verdict"] == "accepted" || d["trials"][1]["verdict"] == "accepted");
}

TEST(CompareJson, FieldsOfACompletedComparison) {
    const json j = comparejson(withbase({"--error", "30"}));
    const std::vector<std::string> keys = {"settings", "derived", "outcome", "designs", "runs", "program"};
    std::vector<std::string> got;
    for (const auto &item : j.items()) got.push_back(item.key());
    EXPECT_EQ(keys, got);
    // The program that made it, as --version names it: the project's version and a
    // commit of this checkout.
    EXPECT_EQ(2u, j["program"].size());
    EXPECT_EQ(SOTOC_VERSION, j["program"]["version"].get<std::string>());
    EXPECT_EQ(versionline(), "sotoc " + j["program"]["version"].get<std::string>() + " (commit " +
                                 j["program"]["commit"].get<std::string>() + ")");
    for (const char *k : {"T1max", "T2max", "T1maxG", "T2maxG", "tfNom", "dt"}) EXPECT_TRUE(j["derived"][k].is_number()) << k;
    EXPECT_EQ("compared", j["outcome"]);
    expectdesign(j["designs"]["free"]);
    expectdesign(j["designs"]["error"]);
    for (const char *run : {"tocFree", "tocErr", "sotocErr"}) {
        const json &r = j["runs"][run];
        for (const char *k : {"tf", "error", "ratio"}) EXPECT_TRUE(r[k].is_number()) << run << k;
        EXPECT_EQ(2u, r["tip"].size());
        EXPECT_TRUE(r["pastSpan"].is_boolean());
    }
    EXPECT_TRUE(j["runs"]["sotocErr"]["finished"].is_boolean());
    EXPECT_FALSE(j["runs"]["tocFree"].contains("finished"));
}

TEST(CompareJson, NoSolutionSaysWhichDesignFailedAndWhy) {
    // The cylindrical robot's default half turn without gravity has no error-free solution.
    const json free = comparejson({"compare", "--robot", "cylindrical", "--motion", "horizontal"}, 3);
    EXPECT_EQ("no-free-solution", free["outcome"]);
    EXPECT_FALSE(free["designs"]["free"]["solved"].get<bool>());
    expectdesign(free["designs"]["free"]);
    EXPECT_TRUE(free["designs"]["error"].is_null());
    EXPECT_TRUE(free["runs"].is_null());
    // A 70 % heavier design mass leaves the vertical SCARA move without a solution.
    const json err = comparejson({"compare", "--robot", "scara", "--motion", "vertical", "--error", "70"}, 3);
    EXPECT_EQ("no-error-solution", err["outcome"]);
    EXPECT_TRUE(err["designs"]["free"]["solved"].get<bool>());
    EXPECT_FALSE(err["designs"]["error"]["solved"].get<bool>());
    expectdesign(err["designs"]["error"]);
    EXPECT_TRUE(err["runs"].is_null());

    const RunOutcome text = runsotoc({"compare", "--robot", "cylindrical", "--motion", "horizontal"});
    EXPECT_EQ(3, text.status);
    EXPECT_EQ("", text.out);
    EXPECT_EQ(0u, text.err.find("sotoc compare: no switching-time solution for the design without mass error"))
        << text.err;
}

// A move of zero length has no stroke: its ratio is no figure (null), while the
// result lines print what the dialog prints for it.
TEST(CompareJson, ZeroLengthMoveHasNoRatio) {
    const Args still = {"compare", "--robot", "cylindrical", "--motion", "horizontal", "--start", "0.7,0", "--end", "0.7,0"};
    const json j = comparejson(still);
    ASSERT_EQ("compared", j["outcome"]);
    for (const char *run : {"tocFree", "tocErr", "sotocErr"}) EXPECT_TRUE(j["runs"][run]["ratio"].is_null()) << run;
    Args japanese = still;
    japanese.insert(japanese.end(), {"--lang", "ja"});
    const RunOutcome lines = runsotoc(japanese);
    EXPECT_EQ(0, lines.status);
    EXPECT_NE(std::string::npos, lines.out.find("行程に対する誤差の比=0.0000[%]")) << lines.out;
    const json moved = comparejson(withbase({}));
    for (const char *run : {"tocFree", "tocErr", "sotocErr"}) EXPECT_TRUE(moved["runs"][run]["ratio"].is_number()) << run;
}

// Results that cannot be written (a full disk, standard output closed) are a
// failure with a message, as JSON and as result lines; a writable file takes them.
TEST(CompareOutput, UnwritableResultsFail) {
    TempDir dir;
    const std::string full = dir.fulldevice("full");
    ASSERT_NE("", full) << "mknod needs root";
    for (const Args &extra : {Args{"--json"}, Args{}}) {
        for (const std::string &out : {full, std::string()}) {
            const RunOutcome r = runsotocinto(out, withbase(extra));
            EXPECT_EQ(1, r.status) << out;
            EXPECT_EQ(0u, r.err.find("sotoc compare: cannot write the results: ")) << r.err;
            EXPECT_NE(std::string::npos, r.err.find(out.empty() ? "Bad file descriptor" : "No space left on device"))
                << r.err;
        }
        const RunOutcome written = runsotocinto(dir.file("results"), withbase(extra));
        EXPECT_EQ(0, written.status);
        EXPECT_EQ("", written.err);
        std::ifstream f(dir.file("results"));
        EXPECT_EQ(runsotoc(withbase(extra)).out, std::string(std::istreambuf_iterator<char>(f), {}));
    }
}

// The rows of a CSV log, its header line into `header`; the comment line before the
// header must name the program as --version does.
std::vector<std::vector<double>> readcsv(const std::string &path, std::string &header) {
    std::ifstream f(path);
    std::string comment;
    std::getline(f, comment);
    EXPECT_EQ("# " + versionline(), comment) << path;
    std::getline(f, header);
    std::vector<std::vector<double>> rows;
    std::string line;
    while (std::getline(f, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) row.push_back(std::stod(cell));
        rows.push_back(row);
    }
    return rows;
}

// The CSV files of --log: nStep + 1 rows at multiples of dt, the units in the
// header, and the tip the JSON reports at its final time.
TEST(CompareLog, ThreeRunsOneRowPerSample) {
    char dir[] = "/tmp/sotoc-log-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string logdir = std::string(dir) + "/new";
    // SOTOC with this error never reaches its last phase: it is judged at the last row.
    const json j = comparejson({"compare", "--robot", "cylindrical", "--motion", "vertical", "--error", "-30",
                                "--log", logdir});
    ASSERT_FALSE(j["runs"]["sotocErr"]["finished"].get<bool>());
    const double dt = j["derived"]["dt"].get<double>();
    for (const char *run : {"tocFree", "tocErr", "sotocErr"}) {
        SCOPED_TRACE(run);
        std::string header;
        const auto rows = readcsv(logdir + "/" + run + ".csv", header);
        EXPECT_EQ("t [s],theta [rad],r [m],x [m],y [m],tau1 [N m],F2 [N]", header);
        ASSERT_EQ(201u, rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(7u, rows[i].size());
            EXPECT_EQ(i * dt, rows[i][0]);
        }
        const json &r = j["runs"][run];
        const double tf = r["tf"].get<double>();
        const auto at = std::find_if(rows.begin(), rows.end(), [&](const std::vector<double> &row) {
            return row[0] <= tf && tf < row[0] + dt;
        });
        ASSERT_NE(rows.end(), at);
        EXPECT_EQ(r["tip"][0].get<double>(), (*at)[3]);
        EXPECT_EQ(r["tip"][1].get<double>(), (*at)[4]);
    }
    std::string header;
    const auto sotocrows = readcsv(logdir + "/sotocErr.csv", header);
    EXPECT_EQ(j["runs"]["sotocErr"]["tip"][0].get<double>(), sotocrows.back()[3]);
    EXPECT_EQ(j["runs"]["sotocErr"]["tip"][1].get<double>(), sotocrows.back()[4]);

    const RunOutcome scara = runsotoc(withbase({"--log", logdir}));
    EXPECT_EQ(0, scara.status);
    readcsv(logdir + "/tocErr.csv", header);
    EXPECT_EQ("t [s],phi1 [rad],phi2 [rad],x [m],y [m],tau1 [N m],tau2 [N m]", header);
    std::system(("rm -r " + std::string(dir)).c_str());
}

// Without a solution nothing is logged: the folders made for --log are removed, a
// folder that was there stays. A CSV file that cannot be written (a full disk) is
// reported and left as it was.
TEST(CompareLog, NothingLoggedLeavesNoFolderMadeForIt) {
    TempDir dir;
    const Args nosolution = {"compare", "--robot", "cylindrical", "--motion", "horizontal", "--log"};
    Args made = nosolution;
    made.push_back(dir.file("new/runs/"));
    EXPECT_EQ(3, runsotoc(made).status);
    EXPECT_EQ(std::vector<std::string>{}, dir.names());
    ASSERT_EQ(0, mkdir(dir.file("kept").c_str(), 0755));
    Args kept = nosolution;
    kept.push_back(dir.file("kept"));
    EXPECT_EQ(3, runsotoc(kept).status);
    EXPECT_EQ(std::vector<std::string>{"kept"}, dir.names());

    ASSERT_NE("", dir.fulldevice("kept/tocErr.csv")) << "mknod needs root";
    const RunOutcome full = runsotoc(withbase({"--log", dir.file("kept")}));
    EXPECT_EQ(1, full.status);
    EXPECT_NE(std::string::npos, full.err.find("cannot write " + dir.file("kept") + "/tocErr.csv: No space left"))
        << full.err;
    struct stat st;
    ASSERT_EQ(0, stat(dir.file("kept/tocErr.csv").c_str(), &st));
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    TempDir logged;
    EXPECT_EQ(0, runsotoc(withbase({"--log", logged.path})).status);
    EXPECT_EQ(std::vector<std::string>({"sotocErr.csv", "tocErr.csv", "tocFree.csv"}), logged.names());
}

}  // namespace

namespace {

// What the controller sees: pairs of runs whose outputs must be the same bytes
// (settings at their defaults given, a count so fine that no printed digit moves),
// and a worked example of the servo's anti-windup.
TEST(CompareSensing, DefaultsGivenAndHugeCountsChangeNoByte) {
    const struct {
        Args a, b;
        bool json;
    } same[] = {
        {{}, {"--sensor-noise", "0,0,0,0", "--sensor-delay", "0", "--seed", "0"}, true},
        {{"--error", "10", "--control-period", "0.002"},
         {"--error", "10", "--control-period", "0.002", "--sensor-delay", "0", "--sensor-noise", "0,0,0,0"}, true},
        {{"--error", "10", "--control-period", "0.002"},
         {"--error", "10", "--control-period", "0.002", "--encoder-counts", "1e12,1e12"}, false},
        {{"--error", "-5", "--control-period", "0.001"},
         {"--error", "-5", "--control-period", "0.001", "--encoder-counts", "1e12,1e12"}, false},
    };
    for (const auto &c : same) {
        Args a = withbase(c.a), b = withbase(c.b);
        if (c.json) {
            a.push_back("--json");
            b.push_back("--json");
        }
        const RunOutcome ra = runsotoc(a), rb = runsotoc(b);
        EXPECT_EQ(0, ra.status) << ra.err;
        EXPECT_FALSE(ra.out.empty());
        EXPECT_EQ(ra.out, rb.out) << b.back();
    }
}

TEST(CompareSensing, NoiseIsAFunctionOfTheSeedAndReachesTheResult) {
    const Args noisy = {"--error", "10", "--control-period", "0.002", "--sensor-noise", "0.002,0.002,0.05,0.05"};
    Args seeded = noisy;
    seeded.insert(seeded.end(), {"--seed", "7"});
    const json a = comparejson(withbase(noisy)), again = comparejson(withbase(noisy)), b = comparejson(withbase(seeded));
    EXPECT_EQ(a["runs"], again["runs"]);
    EXPECT_NE(a["runs"]["sotocErr"], b["runs"]["sotocErr"]);
    EXPECT_EQ(7, b["settings"]["seed"]);
    EXPECT_FALSE(a["settings"].contains("seed"));
    // Each SOTOC phase ended at a control instant: its time is the instant times the period.
    int ended = 0;
    for (const json &phase : b["runs"]["sotocErr"]["phases"]) {
        if (phase["end"].is_null()) continue;
        EXPECT_DOUBLE_EQ(phase["end"].get<double>(), phase["instant"].get<int>() * 0.002);
        ++ended;
    }
    EXPECT_GT(ended, 0);
}

// SCARA, horizontal, 20 % mass error: TOC's servo winds up against the limit and
// has not settled within 4 s; with conditional integration it settles.
TEST(CompareSensing, AntiwindupSettlesARunThatDoesNotSettleWithoutIt) {
    const json without = comparejson(withbase({"--error", "20"}));
    const json with = comparejson(withbase({"--error", "20", "--servo-antiwindup"}));
    EXPECT_TRUE(without["runs"]["tocErr"]["settlingTime"].is_null());
    EXPECT_LT(with["runs"]["tocErr"]["settlingTime"].get<double>(), 4.0);
    EXPECT_EQ("on", with["settings"]["servo-antiwindup"]);
    // The error-free run, never saturated after its final time, is the same either way.
    EXPECT_EQ(without["runs"]["tocFree"]["error"], with["runs"]["tocFree"]["error"]);
    // A longer span: the sample period and the last row follow it.
    const json longer = comparejson(withbase({"--error", "20", "--span", "10"}));
    EXPECT_EQ(10.0 / 200.0, longer["derived"]["dt"].get<double>());
}

TEST(CompareSensing, SettingsThatNeedAControlPeriodAreRefusedWithoutOne) {
    const struct {
        Args args;
        std::string message;
    } cases[] = {
        {{"--sensor-noise", "0.1,0,0,0"}, "--sensor-noise: '0.1,0,0,0' refused"},
        {{"--encoder-counts", "1000,1000"}, "--encoder-counts: '1000,1000' refused"},
        {{"--sensor-delay", "0.01"}, "--sensor-delay: '0.01' refused"},
        {{"--seed", "1.5"}, "--seed: '1.5' refused; accepts one whole number"},
        {{"--control-period", "0"}, "--control-period: '0' refused"},
        {{"--span", "0"}, "--span: '0' refused"},
        {{"--sensor-noise", "0.1,0.1"}, "--sensor-noise: '0.1,0.1' refused; accepts four numbers"},
    };
    for (const auto &c : cases) {
        const RunOutcome r = runsotoc(withbase(c.args));
        EXPECT_EQ(2, r.status) << c.message;
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
        EXPECT_EQ("", r.out);
    }
}

}  // namespace

namespace {

// The result objects of a front end's run that ends with `status`, one a line.
std::vector<json> resultlines(const Args &args, int status, const std::string &input = "") {
    const RunOutcome r = runsotoc(args, input);
    EXPECT_EQ(status, r.status) << r.err;
    std::vector<json> objects;
    std::stringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) objects.push_back(json::parse(line));
    return objects;
}

}  // namespace

// With the minimum-time reference, every writer of results carries the block sotoc
// optimal prints for the same move and each run's final time over its t*; without
// it the same result has neither, and no other field moves.
TEST(CompareReference, BlockOfTheOptimalCommandAndRunsOverItsTime) {
    const struct {
        Args move;         // the options of the move, as sotoc optimal takes them
        Args frontend;     // the writer's own arguments, the move's options added after them
        std::string line;  // a batch line (the move's settings), "" for the others
        bool compared;     // the design solves the move: runs and a gap exist
    } cases[] = {
        {{"--robot", "scara", "--motion", "vertical"}, {"compare", "--json"}, "", true},
        {{"--robot", "scara", "--motion", "horizontal", "--error", "-20"}, {"compare", "--json"}, "", true},
        // No switching-time solution: the reference still answers, with no gap.
        {{"--robot", "cylindrical", "--motion", "horizontal", "--error", "10"}, {"compare", "--json"}, "", false},
        {{"--robot", "scara", "--motion", "vertical"}, {"batch"},
         R"({"robot": "scara", "motion": "vertical", "reference": "optimal"})", true},
        {{"--robot", "scara", "--motion", "vertical"}, {"sweep", "--errors", "-10:10:20"}, "", true},
        {{"--robot", "scara", "--motion", "vertical", "--end", "-0.3,0.4"}, {"map", "--x", "error=0:5:5"}, "", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.frontend[0] + " " + c.move[1] + " " + c.move[3]);
        Args optimal = {"optimal", "--json"};
        optimal.insert(optimal.end(), c.move.begin(), c.move.end());
        const json expected = json::parse(runsotoc(optimal).out)["optimal"];
        Args args = c.frontend;
        if (c.line.empty()) {
            args.insert(args.end(), c.move.begin(), c.move.end());
            args.insert(args.end(), {"--reference", "optimal"});
        }
        const int status = c.compared ? 0 : EXIT_NOSOLUTION;
        const std::vector<json> results = resultlines(args, status, c.line + "\n");
        ASSERT_FALSE(results.empty());
        for (const json &result : results) {
            EXPECT_EQ(expected, result["optimal"]);
            EXPECT_EQ("optimal", result["settings"]["reference"]);
            EXPECT_EQ(c.compared, !result["runs"].is_null());
            if (!c.compared) continue;
            const double tstar = expected["tf"].get<double>();
            for (const char *run : {"tocFree", "tocErr", "sotocErr"})
                EXPECT_EQ(result["runs"][run]["tf"].get<double>() / tstar,
                          result["runs"][run]["tfOverOptimal"].get<double>())
                    << run;
        }
        if (c.frontend[0] != "compare") continue;
        json without = results[0];
        without.erase("optimal");
        without["settings"].erase("reference");
        if (c.compared)
            for (auto &run : without["runs"]) run.erase("tfOverOptimal");
        Args plain = c.frontend;
        plain.insert(plain.end(), c.move.begin(), c.move.end());
        EXPECT_EQ(without, resultlines(plain, status)[0]);
    }
}
