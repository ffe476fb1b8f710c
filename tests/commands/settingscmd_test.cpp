#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run.h"

namespace {

using json = nlohmann::ordered_json;
using Args = std::vector<std::string>;

json listing() {
    const RunOutcome r = runsotoc({"settings", "--json"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    return json::parse(r.out, nullptr, false);
}

// "0.7,0" as numbers.
std::vector<double> numbers(const std::string &text) {
    std::vector<double> v;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) v.push_back(std::strtod(part.c_str(), nullptr));
    return v;
}

// The listed defaults are those a comparison of either robot runs with when no
// setting is given, as its result line reports them.
TEST(SettingsListing, DefaultsAreWhatAComparisonRunsWith) {
    const json settings = listing();
    ASSERT_TRUE(settings.is_array());
    int checked = 0;
    for (const char *robot : {"cylindrical", "scara"}) {
        // The cylindrical robot's default horizontal move has no solution (status 3);
        // its line still reports the settings.
        const RunOutcome r = runsotoc({"compare", "--robot", robot, "--motion", "horizontal", "--json"});
        ASSERT_TRUE(r.status == 0 || r.status == 3) << r.err;
        const json ran = json::parse(r.out)["settings"];
        for (const json &s : settings) {
            const std::string name = s["name"];
            ASSERT_TRUE(ran.contains(name)) << name;
            if (s["required"].get<bool>()) continue;
            const std::string listed = s["default"][robot];
            const json &value = ran[name];
            if (value.is_string()) {
                EXPECT_EQ(listed, value.get<std::string>()) << name;
            } else {
                const std::vector<double> v = numbers(listed);
                const json values = value.is_array() ? value : json::array({value});
                ASSERT_EQ(values.size(), v.size()) << name << " " << listed;
                for (size_t i = 0; i < v.size(); ++i) EXPECT_DOUBLE_EQ(values[i].get<double>(), v[i]) << name;
            }
            ++checked;
        }
    }
    EXPECT_LE(10, checked);
}

// The listed range of each number is what compare refuses beyond: a bound the
// listing excludes is refused, and so is a value past either bound; both numbers of
// a pair are checked by their first.
TEST(SettingsListing, RangesAreWhatCompareRefuses) {
    int checked = 0;
    for (const json &s : listing()) {
        const std::string accepts = s["accepts"], name = s["name"];
        double lo = 0, hi = 0;
        char lorel[3] = "", hirel[3] = "";
        // "LO [unit] <= SYMBOL < HI [unit]": the bounds and their relations.
        std::string text = accepts;
        for (const char *unit : {" %", " m"})
            for (size_t at; (at = text.find(unit)) != std::string::npos;) text.erase(at, 2);
        const size_t first = text.find(' '), last = text.rfind(' ');
        if (first == std::string::npos || std::sscanf(text.c_str(), "%lf %2s", &lo, lorel) != 2) continue;
        const size_t hibegin = text.rfind(' ', last - 1);
        ASSERT_EQ(1, std::sscanf(text.c_str() + hibegin, " %2s", hirel)) << accepts;
        hi = std::strtod(text.c_str() + last + 1, nullptr);
        const double span = hi - lo;
        const bool pair = s["argument"].get<std::string>().find(',') != std::string::npos;
        const auto refused = [&](double v) {
            char value[32];
            std::snprintf(value, sizeof value, "%.6g", v);
            const std::string one = value, given = pair ? one + "," + (name == "ratios" ? "40" : "0") : one;
            const RunOutcome r = runsotoc({"compare", "--robot", "scara", "--motion", "horizontal", "--" + name, given});
            return r.status == 2 && r.err.find("--" + name + ": '" + given + "' refused") != std::string::npos;
        };
        EXPECT_TRUE(refused(lo - span / 1000)) << name;
        EXPECT_TRUE(refused(hi + span / 1000)) << name;
        if (std::string(lorel) == "<") {
            EXPECT_TRUE(refused(lo)) << name;
        }
        if (std::string(hirel) == "<") {
            EXPECT_TRUE(refused(hi)) << name;
        }
        ++checked;
    }
    EXPECT_LE(4, checked);
}

// The text listing names every setting of the JSON, in its order, with its default.
TEST(SettingsListing, TextNamesEverySettingInOrder) {
    const RunOutcome text = runsotoc({"settings"});
    EXPECT_EQ(0, text.status);
    size_t at = 0;
    for (const json &s : listing()) {
        const size_t found = text.out.find("\n" + s["name"].get<std::string>() + "\n", at == 0 ? 0 : at);
        const bool first = at == 0 && text.out.rfind(s["name"].get<std::string>() + "\n", 0) == 0;
        ASSERT_TRUE(first || found != std::string::npos) << s["name"];
        at = first ? 1 : found + 1;
    }
    const RunOutcome refused = runsotoc({"settings", "--robot", "scara"});
    EXPECT_EQ(2, refused.status);
    EXPECT_EQ("", refused.out);
}

}  // namespace
