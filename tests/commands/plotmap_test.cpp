// sotoc plot of a map's lines, made from real comparisons of sotoc batch: the
// colours of who came closer where the results say so, black where the SCARA cannot
// reach, the same picture from shuffled shards, and refusals naming file and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "formats/resultfile.h"
#include "plots/plot.h"
#include "study/params.h"
#include "tests/support/imagedecode.h"
#include "tests/support/run.h"
#include "tests/support/tempdir.h"

namespace {

using json = nlohmann::json;

std::string content(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void write(const std::string &path, const std::vector<json> &lines) {
    std::ofstream f(path);
    for (const json &l : lines) f << l.dump() << "\n";
}

// The SCARA with gravity over end points x -0.7 to 0.9 m by 0.4, y -0.5 to 0.7 m by
// 0.6, in grid order, as a map writes them: each compared point the line of sotoc
// batch with its indices, each point out of reach its settings and "unreachable",
// all with the program that made them.
std::vector<json> scaramap() {
    std::vector<json> settings;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 5; ++i)
            settings.push_back({{"robot", "scara"}, {"motion", "vertical"}, {"end", {-0.7 + 0.4 * i, -0.5 + 0.6 * j}}});
    std::string input;
    for (const json &s : settings) input += s.dump() + "\n";
    const RunOutcome batch = runsotoc({"batch", "--jobs", "2"}, input);
    std::vector<json> lines;
    std::istringstream out(batch.out);
    for (size_t k = 0; k < settings.size(); ++k) {
        std::string line;
        if (!std::getline(out, line)) return {};
        json r = json::parse(line);
        if (!r.contains("settings")) r = {{"settings", settings[k]}, {"outcome", "unreachable"}};
        r["map"] = {{"i", k % 5}, {"j", k / 5}};
        lines.push_back(r);
    }
    // A map names the program on the lines of points out of reach too.
    const auto ran = std::find_if(lines.begin(), lines.end(), [](const json &r) { return r.contains("program"); });
    if (ran == lines.end()) return {};
    for (json &r : lines) r["program"] = ran->at("program");
    return lines;
}


// Results closer than this to equal show almost the scale's middle [decades].
constexpr double NEARLYEQUAL = 0.02;
// Grey of the middle of the scale of which came closer (112, 113, 115) by ITU-R
// BT.601's weights.
constexpr double EQUALGREY = 0.299 * 112 + 0.587 * 113 + 0.114 * 115;

double grey(Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// Whether the pixels around (x, y) of panel k, over a square of `half` [m] each way,
// are lines on white: some black and some white.
bool patterned(const RgbImage &pic, const MapFrame &f, int k, double x, double y, double half) {
    int black = 0, white = 0;
    for (int a = -10; a <= 10; ++a)
        for (int b = -10; b <= 10; ++b) {
            const double g = grey(mappixel(pic, f, k, x + a * half / 10.0, y + b * half / 10.0));
            black += g < 60.0;
            white += g > 250.0;
        }
    return black > 10 && white > 100;
}

// Where the results say SOTOC came closer the picture of who came closer is darker
// than its middle, where TOC did lighter; points out of reach and points without a
// solution are lines on white in every panel.
TEST(PlotMap, ColoursFollowTheResults) {
    initialset();
    TempDir dir;
    const std::vector<json> map = scaramap();
    ASSERT_EQ(map.size(), 15u);
    write(dir.file("map.jsonl"), map);
    ASSERT_EQ(runsotoc({"plot", dir.file("map.jsonl"), "--plot", dir.file("map.png")}).status, 0);
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = readresults({dir.file("map.jsonl")}, false, setup, points);
    ASSERT_TRUE(read.ok()) << read.message;
    EXPECT_EQ(setup.xaxis, AXISENDX);
    EXPECT_EQ(setup.yaxis, AXISENDY);
    const MapFrame f = mapframe(setup, points);
    RgbImage pic;
    ASSERT_TRUE(readpng(dir.file("map.png"), pic));
    int sotocwins = 0, tocwins = 0, unreachable = 0, unsolved = 0;
    for (const json &r : map) {
        const double x = r["settings"]["end"][0], y = r["settings"]["end"][1];
        const std::string at = "end point " + std::to_string(x) + ", " + std::to_string(y);
        if (r["outcome"] == "unreachable") {
            ++unreachable;
            EXPECT_GT(std::hypot(x, y), 0.9) << at;
            // Looked at a quarter of the cell farther out, clear of the reach circle.
            const double outx = x + std::copysign(0.1, x), outy = y + std::copysign(0.15, y);
            for (int k = 0; k < 3; ++k) EXPECT_TRUE(patterned(pic, f, k, outx, outy, 0.04)) << at << " panel " << k;
            continue;
        }
        if (r["outcome"] != "compared") {
            ++unsolved;
            for (int k = 0; k < 3; ++k) EXPECT_TRUE(patterned(pic, f, k, x, y, 0.1)) << at << " panel " << k;
            continue;
        }
        const json &runs = r["runs"];
        if (!runs["sotocErr"]["finished"].get<bool>()) continue;
        const double win = std::log10(runs["sotocErr"]["error"].get<double>() / runs["tocErr"]["error"].get<double>());
        if (std::fabs(win) < NEARLYEQUAL) continue;
        const Rgb c = mappixel(pic, f, 2, x, y);
        if (win < 0.0) {
            ++sotocwins;
            EXPECT_LT(grey(c), EQUALGREY) << at << ": SOTOC closer, so darker";
        } else {
            ++tocwins;
            EXPECT_GT(grey(c), EQUALGREY) << at << ": TOC closer, so lighter";
        }
    }
    EXPECT_GT(sotocwins, 0);
    EXPECT_GT(tocwins, 0);
    EXPECT_GT(unreachable, 0);
    EXPECT_GT(unsolved, 0);
}

// The shards of a map in any order draw the picture of its lines in grid order, as
// sotoc plot does from files and as map --plot does from its own output.
TEST(PlotMap, ShuffledShardsDrawTheSamePicture) {
    initialset();
    TempDir dir;
    std::vector<json> map = scaramap();
    ASSERT_EQ(map.size(), 15u);
    write(dir.file("map.jsonl"), map);
    write(dir.file("a.jsonl"), {map[14], map[2], map[9], map[0], map[7], map[11], map[4]});
    write(dir.file("b.jsonl"), {map[5], map[13], map[1], map[10], map[6], map[3], map[12], map[8]});
    ASSERT_EQ(runsotoc({"plot", dir.file("map.jsonl"), "--plot", dir.file("ordered.png")}).status, 0);
    ASSERT_EQ(runsotoc({"plot", dir.file("b.jsonl"), dir.file("a.jsonl"), "--plot", dir.file("shards.png")}).status, 0);
    const std::string ordered = content(dir.file("ordered.png"));
    EXPECT_GT(ordered.size(), 10000u);
    EXPECT_EQ(content(dir.file("shards.png")), ordered);
    // Lines read one at a time, as a run hands them on while it writes them.
    ResultReading reading{{"results"}, {}};
    std::string message;
    std::istringstream shuffled(content(dir.file("b.jsonl")) + content(dir.file("a.jsonl")));
    std::string line;
    for (int number = 1; std::getline(shuffled, line); ++number) {
        const Outcome read = readresultline(reading, line, number);
        ASSERT_TRUE(read.ok()) << read.message;
    }
    OutputFile out;
    ASSERT_TRUE(beginoutput(dir.file("text.png"), out).ok());
    const Outcome drawn = plotreading(reading, out);
    ASSERT_TRUE(drawn.ok()) << drawn.message;
    EXPECT_EQ(content(dir.file("text.png")), ordered);
}

// Shards whose lines name different builds are not merged: the refusal names the
// line and both programs, no picture is made; --mixed-programs draws them as one map.
TEST(PlotMap, ShardsOfDifferentBuildsMergedOnlyWhenAsked) {
    initialset();
    TempDir dir;
    std::vector<json> map = scaramap();
    ASSERT_EQ(map.size(), 15u);
    const json program = map[0].at("program");
    std::vector<json> a(map.begin(), map.begin() + 7), b(map.begin() + 7, map.end());
    for (json &line : b) line["program"]["commit"] = "fedcba987654";
    write(dir.file("a.jsonl"), a);
    write(dir.file("b.jsonl"), b);
    write(dir.file("map.jsonl"), map);
    const RunOutcome refused = runsotoc({"plot", dir.file("a.jsonl"), dir.file("b.jsonl"), "--plot", dir.file("m.png")});
    EXPECT_EQ(1, refused.status);
    const std::string made = "sotoc " + program.at("version").get<std::string>() + " (commit ";
    EXPECT_NE(std::string::npos, refused.err.find(dir.file("b.jsonl") + ":1: made by " + made + "fedcba987654), " +
                                                  "the first result (" + dir.file("a.jsonl") + ":1) by " + made +
                                                  program.at("commit").get<std::string>() + ")"))
        << refused.err;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.jsonl", "b.jsonl", "map.jsonl"}));
    ASSERT_EQ(0, runsotoc({"plot", dir.file("a.jsonl"), dir.file("b.jsonl"), "--mixed-programs", "--plot",
                           dir.file("m.png")}).status);
    ASSERT_EQ(0, runsotoc({"plot", dir.file("map.jsonl"), "--plot", dir.file("whole.png")}).status);
    EXPECT_EQ(content(dir.file("whole.png")), content(dir.file("m.png")));
}

// Lines that are no single map are refused with the file and line that does not
// fit; the picture is not made.
TEST(PlotMap, LinesOfNoSingleMapRefused) {
    TempDir dir;
    const json settings = {{"robot", "scara"}, {"motion", "vertical"}};
    const RunOutcome batch = runsotoc({"batch"}, settings.dump() + "\n");
    ASSERT_EQ(batch.status, 0);
    const json sweepline = json::parse(batch.out);
    json a = sweepline, b = sweepline, c = sweepline;
    a["map"] = {{"i", 0}, {"j", 0}};
    b["map"] = {{"i", 1}, {"j", 0}};
    b["settings"]["start"] = {0.6, 0.0};
    c["map"] = {{"i", 0}, {"j", 1}};
    c["settings"]["start"] = {0.6, 0.0};
    write(dir.file("map.jsonl"), {a, b});
    write(dir.file("sweep.jsonl"), {sweepline});
    write(dir.file("neither.jsonl"), {c});
    const struct {
        std::vector<std::string> files;
        std::string says;
    } refused[] = {
        {{"map.jsonl", "sweep.jsonl"}, "sweep.jsonl:1: a sweep's result (no \"map\" key) among a map's"},
        {{"sweep.jsonl", "map.jsonl"}, "map.jsonl:1: a map's result among a sweep's"},
        {{"map.jsonl", "neither.jsonl"}, "neither.jsonl:1: its start-x varies along neither axis of the map"},
    };
    for (const auto &r : refused) {
        const RunOutcome plot =
            runsotoc({"plot", dir.file(r.files[0]), dir.file(r.files[1]), "--plot", dir.file("p.png")});
        EXPECT_EQ(plot.status, 1);
        EXPECT_EQ(plot.err.find("sotoc plot: " + dir.path + "/" + r.says), 0u) << plot.err;
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"map.jsonl", "neither.jsonl", "sweep.jsonl"}));
    EXPECT_EQ(runsotoc({"plot", dir.file("map.jsonl"), "--plot", dir.file("p.png")}).status, 0);
}

// The texts of an SVG's <text> elements, their character references ("&#x4d;") of
// ASCII written out.
std::vector<std::string> svgtexts(const std::string &svg) {
    static const std::regex element("<text[^>]*>([\\s\\S]*?)</text>"), tag("<[^>]*>"), reference("&#x([0-9a-fA-F]+);");
    std::vector<std::string> texts;
    for (std::sregex_iterator m(svg.begin(), svg.end(), element), end; m != end; ++m) {
        const std::string inner = std::regex_replace((*m)[1].str(), tag, "");
        std::string text;
        size_t at = 0;
        for (std::sregex_iterator r(inner.begin(), inner.end(), reference); r != end; ++r) {
            text += inner.substr(at, r->position() - at);
            const long code = std::stol((*r)[1].str(), nullptr, 16);
            text += code < 0x80 ? static_cast<char>(code) : '?';
            at = r->position() + r->length();
        }
        texts.push_back(text + inner.substr(at));
    }
    return texts;
}

// Distances from the base [m], every RAYSTEP along a ray below the base to the left
// (clear of the base's mark and the other point's), at which the first panel of a
// workspace map shows white: the inner line of a reach circle, as no cell is white.
constexpr double RAYANGLE = 200.0 * M_PI / 180.0, RAYFROM = 0.06, RAYTO = 1.0, RAYSTEP = 0.001;
std::vector<double> whiteonray(const RgbImage &pic, const MapFrame &f) {
    std::vector<double> white;
    for (double r = RAYFROM; r <= RAYTO; r += RAYSTEP) {
        const Rgb c = mappixel(pic, f, 0, r * std::cos(RAYANGLE), r * std::sin(RAYANGLE));
        if (c.r >= 245 && c.g >= 245 && c.b >= 245) white.push_back(r);
    }
    return white;
}

// A workspace map of an arm of 0.4 m and 0.3 m links from its robot file, of the
// built-in SCARA with links of 0.5 m and 0.3 m by --param and of the cylindrical
// robot: the reach circles lie at |L1 - L2| and L1 + L2 of the arm that ran (the
// cylindrical robot, whose prismatic joint has no stops, has none; white elsewhere
// only in the patterned cells without figures), the legend says
// those distances and the title names the robot file by its name and the first
// digits of its SHA-256 digest (sha256sum's).
TEST(PlotMap, ReachAndTitleComeFromTheArmThatRan) {
    initialset();
    TempDir dir;
    {
        std::ofstream arm(dir.file("arm.toml"));
        arm << "kind = \"scara\"\nL1 = 0.4\nL2 = 0.3\nx0 = 0.5\ny0 = 0.0\nxf = -0.3\nyf = 0.3\n";
    }
    const std::string digest = runprogram({"/usr/bin/sha256sum", dir.file("arm.toml")}).out.substr(0, 8);
    ASSERT_EQ(digest.size(), 8u);
    const std::string robot = "SCARA robot, horizontal motion, elbow up";
    struct Arm {
        std::vector<std::string> options;
        std::vector<double> circles;  // [m]
        std::string reach, title;     // legend entry ("" for none) and first title line
    };
    const Arm arms[] = {
        {{"--robot-file", dir.file("arm.toml")}, {0.1, 0.7}, "SCARA reach: 0.1 to 0.7 m",
         "Map: " + robot + ";  robot file arm.toml (SHA-256 " + digest + ")"},
        {{"--robot", "scara", "--param", "L1=0.5", "--param", "L2=0.3"}, {0.2, 0.8}, "SCARA reach: 0.2 to 0.8 m",
         "Map: " + robot},
        {{"--robot", "cylindrical"}, {}, "", "Map: Cylindrical-coordinate robot, horizontal motion"},
    };
    for (const Arm &arm : arms) {
        const std::string &what = arm.options[1];
        std::vector<std::string> args = {"map", "--motion", "horizontal", "--x", "end-x=-0.9:0.9:0.3", "--y",
                                         "end-y=-0.9:0.9:0.3", "--out", dir.file("m.jsonl"), "--plot",
                                         dir.file("m.png")};
        args.insert(args.end(), arm.options.begin(), arm.options.end());
        ASSERT_EQ(runsotoc(args).status, 0) << what;
        ASSERT_EQ(runsotoc({"plot", dir.file("m.jsonl"), "--plot", dir.file("m.svg")}).status, 0) << what;
        PlotSetup setup{};
        std::vector<PlotPoint> points;
        ASSERT_TRUE(readresults({dir.file("m.jsonl")}, false, setup, points).ok()) << what;
        RgbImage pic;
        ASSERT_TRUE(readpng(dir.file("m.png"), pic));
        const std::vector<double> white = whiteonray(pic, mapframe(setup, points));
        // Cells without figures are patterned on white: white elsewhere is a circle's.
        // A cell is half the grid's 0.3 m step wide about its point, and reaches up to
        // 0.01 m (its overlap and antialiasing) into its neighbours.
        auto patterned = [&](double r) {
            const double x = r * std::cos(RAYANGLE), y = r * std::sin(RAYANGLE);
            return std::any_of(points.begin(), points.end(), [&](const PlotPoint &p) {
                return p.outcome != POINTCOMPARED && std::fabs(p.x - x) <= 0.16 && std::fabs(p.y - y) <= 0.16;
            });
        };
        for (double r : white)
            EXPECT_TRUE(patterned(r) || std::any_of(arm.circles.begin(), arm.circles.end(),
                                                    [r](double c) { return std::fabs(r - c) < 0.01; }))
                << what << ": white at " << r << " m, on no reach circle";
        for (double c : arm.circles)
            EXPECT_TRUE(std::any_of(white.begin(), white.end(), [c](double r) { return std::fabs(r - c) < 0.005; }))
                << what << ": no circle at " << c << " m";
        const std::vector<std::string> texts = svgtexts(content(dir.file("m.svg")));
        ASSERT_FALSE(texts.empty()) << what;
        EXPECT_EQ(texts[0], arm.title) << what;
        const bool reach = std::any_of(texts.begin(), texts.end(),
                                       [](const std::string &t) { return t.find("reach:") != std::string::npos; });
        EXPECT_EQ(reach, !arm.reach.empty()) << what;
        if (!arm.reach.empty()) {
            EXPECT_NE(std::find(texts.begin(), texts.end(), arm.reach), texts.end()) << what;
        }
    }
}

}  // namespace

namespace {

// A run's value of measure `name` in a result, NaN where it is null.
double figure(const json &result, const char *run, const char *name) {
    const json &v = result.at("runs").at(run).at(name);
    return v.is_null() ? NAN : v.get<double>();
}

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

// For each measure, a map's picture of it shows at every point what sotoc compare
// --json reports for the same settings: the values read for the picture are
// compare's, their cells blank where a run has none, the ends of a linear scale at
// the smallest and largest value, and the ratio panel blue where SOTOC's value is
// the smaller, red where TOC's is (times closer than a percent or so to equal, and
// distances than a tenth of a decade, show almost white).
TEST(PlotMap, EachMeasureDrawnAsCompareReportsIt) {
    initialset();
    TempDir dir;
    const RunOutcome map = runsotoc({"map", "--robot", "scara", "--motion", "horizontal", "--x", "end-x=-0.6,0.2,0.6",
                                     "--y", "error=-5,5", "--jobs", "2", "--out", dir.file("map.jsonl")});
    ASSERT_EQ(map.status, 0) << map.err;
    std::vector<json> compared;  // compare --json of each point, in grid order
    for (const char *error : {"-5", "5"})
        for (const char *x : {"-0.6", "0.2", "0.6"}) {
            const RunOutcome r = runsotoc({"compare", "--json", "--robot", "scara", "--motion", "horizontal", "--end",
                                           std::string(x) + ",0.4", "--error", error});
            ASSERT_EQ(r.status, 0) << r.err;
            compared.push_back(json::parse(r.out));
        }
    PlotSetup setup{};
    std::vector<PlotPoint> points;
    const Outcome read = readresults({dir.file("map.jsonl")}, false, setup, points);
    ASSERT_TRUE(read.ok()) << read.message;
    ASSERT_EQ(points.size(), compared.size());
    const MapFrame f = mapframe(setup, points);
    const Rgb LOW = {68, 1, 84}, HIGH = {253, 231, 37}, BLANK = {255, 255, 255};
    auto is = [](Rgb a, Rgb b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) <= 6; };
    const struct {
        const char *name;
        Measure measure;
        bool linear;
    } measures[] = {{"error", MEASUREERROR, false},      {"designedTipError", MEASUREDESIGNEDTIP, false},
                    {"endTipError", MEASUREENDTIP, false}, {"settlingTime", MEASURESETTLING, true},
                    {"tf", MEASURETF, true}};
    for (const auto &m : measures) {
        const std::string png = dir.file(std::string(m.name) + ".png");
        const RunOutcome drawn = runsotoc({"plot", dir.file("map.jsonl"), "--measure", m.name, "--plot", png});
        ASSERT_EQ(drawn.status, 0) << m.name << ": " << drawn.err;
        RgbImage pic;
        ASSERT_TRUE(readpng(png, pic)) << m.name;
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        int blanks = 0, wins = 0;
        for (size_t k = 0; k < points.size(); ++k) {
            const PlotPoint &p = points[k];
            const std::string at = std::string(m.name) + " at point " + std::to_string(k);
            ASSERT_EQ(compared[k].at("outcome"), "compared") << at;
            const double toc = figure(compared[k], "tocErr", m.name), sotoc = figure(compared[k], "sotocErr", m.name);
            EXPECT_TRUE(same(measureof(p, m.measure, false), toc)) << at << ": " << measureof(p, m.measure, false);
            EXPECT_TRUE(same(measureof(p, m.measure, true), sotoc)) << at << ": " << measureof(p, m.measure, true);
            for (int panel = 0; panel < 2; ++panel) {
                const double v = panel == 0 ? toc : sotoc;
                if (std::isnan(v)) {
                    ++blanks;
                    EXPECT_TRUE(is(mappixel(pic, f, panel, p.x, p.y), BLANK)) << at << " panel " << panel;
                }
                lo = std::isnan(v) ? lo : std::min(lo, v);
                hi = std::isnan(v) ? hi : std::max(hi, v);
            }
            const double win = std::log10(sotoc / toc);
            if (std::isnan(win) || std::fabs(win) < (m.linear ? 0.005 : 0.1)) continue;
            ++wins;
            const Rgb c = mappixel(pic, f, 2, p.x, p.y);
            EXPECT_EQ(win < 0.0, c.b > c.r) << at << ": log10(SOTOC / TOC) " << win;
        }
        EXPECT_GT(wins, 0) << m.name;
        if (!m.linear) continue;
        EXPECT_EQ(blanks > 0, m.measure == MEASURESETTLING) << m.name;
        for (const PlotPoint &p : points)
            for (int panel = 0; panel < 2; ++panel) {
                const double v = measureof(p, m.measure, panel == 1);
                const Rgb c = mappixel(pic, f, panel, p.x, p.y);
                EXPECT_TRUE(v != lo || is(c, LOW)) << m.name << " smallest " << v;
                EXPECT_TRUE(v != hi || is(c, HIGH)) << m.name << " largest " << v;
            }
    }
}
