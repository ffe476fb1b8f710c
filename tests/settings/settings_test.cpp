// The table of settings against what users see of it: every row is an option of
// sotoc compare and a field of a batch line that give the same result, every map
// axis sets the numbers its name says, and the defaults are the conditions the
// interactive program reports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "console/report.h"
#include "records/records.h"
#include "settings/settings.h"
#include "study/params.h"
#include "tests/support/run.h"

namespace {

using json = nlohmann::ordered_json;

// A value of each setting other than its default, as typed on the command line and
// as a batch line's field; the settings of the result must echo the field.
struct Typed {
    std::string option, field;
};
const std::map<std::string, Typed> TYPED = {
    {"robot", {"scara", "\"scara\""}},          {"motion", {"vertical", "\"vertical\""}},
    {"ratios", {"50,70", "[50.0,70.0]"}},        {"start", {"0.5,0.3", "[0.5,0.3]"}},
    {"end", {"0.2,0.6", "[0.2,0.6]"}},           {"elbow", {"down", "\"down\""}},
    {"error", {"-20", "-20.0"}},
    {"robotfile", {SOTOC_EXAMPLES "/scara.toml", "\"" SOTOC_EXAMPLES "/scara.toml\""}},
    {"near", {"0.5", "0.5"}},
    {"sotoc-fallback", {"0.1", "0.1"}},
    {"tolerance", {"0.01", "0.01"}},
    {"joint2-start", {"negative", "\"negative\""}},
    {"design-search", {"wide", "\"wide\""}},
    {"designerrors", {"L2=-10", "{\"L2\":-10.0}"}},
    {"params", {"L2=0.45", "{\"L2\":0.45}"}},
    {"control-period", {"0.01", "0.01"}},
    {"encoder-counts", {"1000,2000", "[1000.0,2000.0]"}},
    {"sensor-noise", {"0.001,0,0.01,0", "[0.001,0.0,0.01,0.0]"}},
    {"seed", {"3", "3"}},
    {"sensor-delay", {"0.004", "0.004"}},
    {"servo-antiwindup", {"", "\"on\""}},
    {"span", {"6", "6.0"}},
    {"reference", {"optimal", "\"optimal\""}},
};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string> &more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The one line of a comparison's JSON, solved (status 0) or not (3).
std::string onlyline(const RunOutcome &run) {
    EXPECT_TRUE(run.status == 0 || run.status == 3) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    return run.out;
}

// The compare --json line of the settings of a result object, given as options.
std::string compareof(const json &settings) {
    std::vector<std::string> args = {"compare", "--json"};
    for (const auto &item : settings.items()) {
        std::string text;
        if (item.value().is_null()) continue;  // a setting that is off: not given
        if (item.value().is_string())
            text = item.value().get<std::string>();
        else if (item.value().is_array())
            for (const json &v : item.value()) text += (text.empty() ? "" : ",") + v.dump();
        else
            text = item.value().dump();
        args.insert(args.end(), {"--" + item.key(), text});
    }
    return onlyline(runsotoc(args));
}

// Every row is an option of compare --help and a field of batch: the same value
// typed either way gives the same result line, echoes the value and changes the
// result from that of the defaults.
TEST(SettingTable, EveryRowIsAnOptionAndABatchFieldWithTheSameResult) {
    const RunOutcome help = runsotoc({"compare", "--help"});
    ASSERT_EQ(help.status, 0);
    const std::vector<std::string> base = {"compare", "--json", "--robot", "scara", "--motion", "vertical"};
    const std::string baseline = onlyline(runsotoc(base));
    for (int k = 0; k < SETTINGS; ++k) {
        const SettingRow &row = settingrow(static_cast<Setting>(k));
        const std::string name = row.name;
        const std::string option = "--" + std::string(settingoption(static_cast<Setting>(k), "--"));
        EXPECT_NE(help.out.find("  " + option + " "), std::string::npos) << name;
        ASSERT_EQ(TYPED.count(name), 1u) << "no value to try for the row " << name;
        const Typed &t = TYPED.at(name);
        // The readings of the encoders, the noise and the delay need a control period.
        const bool sampled = needscontrolperiod(static_cast<Setting>(k));
        json object = json::parse(sampled ? R"({"robot":"scara","motion":"vertical","control-period":0.01})"
                                          : R"({"robot":"scara","motion":"vertical"})");
        object[name] = json::parse(t.field);
        std::vector<std::string> typed = sampled ? with(base, {"--control-period", "0.01"}) : base;
        typed = row.flag ? with(typed, {option}) : with(typed, {option, t.option});
        const std::string line = row.required ? baseline : onlyline(runsotoc(typed));
        EXPECT_EQ(onlyline(runsotoc({"batch"}, object.dump() + "\n")), line) << name;
        // A file is echoed with the digest of its bytes.
        const json echoed = json::parse(line).at("settings").at(name);
        EXPECT_EQ(echoed.is_object() && echoed.contains("path") ? echoed.at("path") : echoed, json::parse(t.field))
            << name;
        if (!row.required) {
            EXPECT_NE(line, baseline) << name;
        }
    }
}

// The names of a list written out in a help text or a refusal: "a, b (both
// required),\nc and d" or "a, b, c, d".
std::vector<std::string> listednames(const std::string &text) {
    const std::string list = std::regex_replace(text, std::regex(" \\(both required\\)"), "");
    const std::regex name("[a-z][a-z0-9-]*");
    std::vector<std::string> names;
    for (auto m = std::sregex_iterator(list.begin(), list.end(), name); m != std::sregex_iterator(); ++m)
        if (m->str() != "and") names.push_back(m->str());
    return names;
}

// The fields batch --help names, written out in its text, are those the batch
// reader takes: the names of its refusal of an unknown field, read from the table.
TEST(SettingTable, BatchHelpNamesTheFieldsOfTheReader) {
    const RunOutcome refused = runsotoc({"batch"}, "{\"nosuch\":1}\n");
    const std::string error = json::parse(refused.out).at("error").get<std::string>();
    const std::string accepts = "accepts the fields ";
    ASSERT_NE(error.find(accepts), std::string::npos) << error;
    const std::vector<std::string> taken = listednames(error.substr(error.find(accepts) + accepts.size()));
    const std::string help = runsotoc({"batch", "--help"}).out;
    const std::smatch listed = [&help] {
        std::smatch m;
        std::regex_search(help, m, std::regex("with the fields ([a-z0-9, ()\n-]*), with the values"));
        return m;
    }();
    ASSERT_FALSE(listed.empty()) << help;
    EXPECT_EQ(listednames(listed[1].str()), taken);
    EXPECT_EQ(taken.size(), static_cast<size_t>(SETTINGS));
}

// map --help lists the axes of the table with their units, as they were written out
// before the table.
TEST(SettingTable, MapHelpListsTheAxesWithTheirUnits) {
    const RunOutcome help = runsotoc({"map", "--help"});
    EXPECT_NE(help.out.find("NAME one of error [%], ratio1, ratio2, ratios (both ratios equal), start-x, start-y, "
                            "end-x, end-y [m], near, control-period [s], encoder-counts (both joints equal), noise (all four "
                            "equal), position-noise (both joints equal), velocity-noise (both joints equal), seed, "
                            "sensor-delay, span [s], design-error:NAME (a design error, as --design-error) [%], "
                            "param:NAME (a true primary value, as --param) [its unit]; FROM:TO:STEP"),
              std::string::npos)
        << help.out;
}

// An axis's grid point put into the settings: the field and the indices of its
// numbers an axis of this name sets.
struct AxisCase {
    const char *name, *grid;
    const char *field;
    std::vector<int> indices;  // empty: the field is one number
    double values[2];          // the two points of the grid
};
const AxisCase AXISCASES[] = {
    {"error", "-2:2:4", "error", {}, {-2.0, 2.0}},
    {"ratio1", "50:70:20", "ratios", {0}, {50.0, 70.0}},
    {"ratio2", "50:70:20", "ratios", {1}, {50.0, 70.0}},
    {"ratios", "50:70:20", "ratios", {0, 1}, {50.0, 70.0}},
    {"start-x", "0.5:0.6:0.1", "start", {0}, {0.5, 0.6}},
    {"start-y", "0.1:0.2:0.1", "start", {1}, {0.1, 0.2}},
    {"end-x", "-0.3:-0.2:0.1", "end", {0}, {-0.3, -0.2}},
    {"end-y", "0.4:0.5:0.1", "end", {1}, {0.4, 0.5}},
    {"near", "0.3:0.6:0.3", "near", {}, {0.3, 0.6}},
    {"control-period", "0.01:0.02:0.01", "control-period", {}, {0.01, 0.02}},
    {"encoder-counts", "1000:2000:1000", "encoder-counts", {0, 1}, {1000.0, 2000.0}},
    {"noise", "0.001:0.002:0.001", "sensor-noise", {0, 1, 2, 3}, {0.001, 0.002}},
    {"position-noise", "0.001:0.002:0.001", "sensor-noise", {0, 1}, {0.001, 0.002}},
    {"velocity-noise", "0.001:0.002:0.001", "sensor-noise", {2, 3}, {0.001, 0.002}},
    {"seed", "1:2:1", "seed", {}, {1.0, 2.0}},
    {"sensor-delay", "0.002:0.004:0.002", "sensor-delay", {}, {0.002, 0.004}},
    {"span", "5:6:1", "span", {}, {5.0, 6.0}},
};

// A map over each axis sets the numbers the axis names and leaves the others at
// their defaults; each line is the line of compare for the settings it prints.
TEST(SettingTable, MapOverEachAxisEqualsCompareOfItsSettings) {
    ASSERT_EQ(sizeof AXISCASES / sizeof AXISCASES[0], static_cast<size_t>(AXISNONE));
    for (int a = 0; a < AXISNONE; ++a) {
        const AxisCase &c = AXISCASES[a];
        // The axes of the readings run with a control period, its default elsewhere.
        const bool sampled = needscontrolperiod(axisrow(static_cast<PlotAxis>(a)).setting);
        const std::vector<std::string> base =
            sampled ? std::vector<std::string>{"--robot", "scara", "--motion", "horizontal", "--control-period", "0.01"}
                    : std::vector<std::string>{"--robot", "scara", "--motion", "horizontal"};
        json defaults = json::parse(onlyline(runsotoc(with({"compare", "--json"}, base)))).at("settings");
        if (!c.indices.empty() && !defaults.contains(c.field)) defaults[c.field] = c.indices.size() > 2 || c.indices[0] >= 2 || c.field == std::string("sensor-noise") ? json{0.0, 0.0, 0.0, 0.0} : json{nullptr, nullptr};
        ASSERT_EQ(std::string(axisrow(static_cast<PlotAxis>(a)).name), c.name);
        const RunOutcome map = runsotoc(with(with({"map"}, base), {"--x", std::string(c.name) + "=" + c.grid}));
        ASSERT_EQ(map.status, 0) << map.err;
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = map.out.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(map.out.substr(at, end - at));
        ASSERT_EQ(lines.size(), 2u) << c.name;
        for (int i = 0; i < 2; ++i) {
            json point = json::parse(lines[i]);
            json expected = defaults;
            if (c.indices.empty())
                expected[c.field] = c.values[i];
            else
                for (int n : c.indices) expected[c.field][n] = c.values[i];
            EXPECT_EQ(point.at("settings"), expected) << c.name << " point " << i;
            point.erase("map");
            EXPECT_EQ(point.dump() + "\n", compareof(point.at("settings"))) << c.name << " point " << i;
        }
    }
}

// The numbers after `label` in the report, as many as `count`.
std::vector<double> reported(const std::string &report, const std::string &label, int count) {
    std::string pattern = label;
    for (int k = 0; k < count; ++k) pattern += "[^-0-9]*(-?[0-9.]+)";
    std::smatch m;
    EXPECT_TRUE(std::regex_search(report, m, std::regex(pattern))) << label;
    std::vector<double> v;
    for (int k = 1; k <= count && k < static_cast<int>(m.size()); ++k) v.push_back(std::stod(m[k].str()));
    return v;
}

// The interactive program's conditions report of robot `type` at start-up.
std::string conditions(char type) {
    testing::internal::CaptureStdout();
    initialset();
    app.type = type;
    app.sgnG = MOTIONHORIZONTAL;
    derivesettings();
    testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    printconditions();
    return testing::internal::GetCapturedStdout();
}

// The default of each setting of numbers, for each robot, is what the interactive
// program reports at start-up (to its printed digits), both in the settings of a
// comparison and in compare --help.
TEST(SettingTable, DefaultsOfEachRobotAreTheReportedConditions) {
    const RunOutcome help = runsotoc({"compare", "--help"});
    const struct {
        char type;
        const char *word;
    } robots[] = {{ROBOTCYL, "cylindrical"}, {ROBOTSCARA, "scara"}};
    std::map<std::string, std::string> helpdefaults[2];
    for (int r = 0; r < 2; ++r) {
        const std::string report = conditions(robots[r].type);
        const std::map<std::string, std::vector<double>> wanted = {
            {"ratios", {reported(report, "u1 =", 1).at(0), reported(report, "u2 =", 1).at(0)}},
            {"start", reported(report, R"(\(x0,y0\)=)", 2)},
            {"end", reported(report, R"(\(xf,yf\)=)", 2)},
            {"error", reported(report, "Δm/m=", 1)},
        };
        const json settings =
            json::parse(onlyline(runsotoc({"compare", "--json", "--robot", robots[r].word, "--motion", "horizontal"})))
                .at("settings");
        for (const auto &[name, numbers] : wanted) {
            const json got = settings.at(name);
            ASSERT_EQ(got.is_array() ? got.size() : 1u, numbers.size()) << name;
            std::string text;
            for (size_t k = 0; k < numbers.size(); ++k) {
                const double v = got.is_array() ? got[k].get<double>() : got.get<double>();
                EXPECT_NEAR(v, numbers[k], 0.005) << robots[r].word << " " << name;
                char number[32];
                std::snprintf(number, sizeof number, "%g", numbers[k]);
                text += (k > 0 ? "," : "") + std::string(number);
            }
            helpdefaults[r][name] = text;
        }
    }
    for (const auto &[name, cylindrical] : helpdefaults[0]) {
        const std::string &scara = helpdefaults[1][name];
        const std::string said = cylindrical == scara ? "Default: " + cylindrical + "."
                                                      : "Default: " + cylindrical + " (cylindrical), " + scara +
                                                            " (scara).";
        EXPECT_NE(help.out.find(said), std::string::npos) << name << ": " << said;
    }
}

}  // namespace
