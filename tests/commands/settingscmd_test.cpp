#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
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
            // Settings added after the mass error are written only when not at
            // their defaults: one absent from a default run is at its default.
            if (!ran.contains(name)) continue;
            if (s["required"].get<bool>()) continue;
            const std::string listed = s["default"][robot];
            const json &value = ran[name];
            if (value.is_null()) {
                EXPECT_EQ("off", listed) << name;
            } else if (value.is_string()) {
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
    // Every optional single setting, written or not, is listed with its default.
    for (const json &s : settings) {
        const std::string name = s["name"];
        if (s["required"].get<bool>() || s["argument"].get<std::string>().find(',') != std::string::npos) continue;
        EXPECT_TRUE(s.contains("default")) << name;
    }
}

// The listed range of each number is what compare refuses beyond: a bound the
// listing excludes is refused, and so is a value past either bound; both numbers of
// a pair are checked by their first.
TEST(SettingsListing, RangesAreWhatCompareRefuses) {
    int checked = 0;
    for (const json &s : listing()) {
        const std::string accepts = s["accepts"], name = s["name"];
        // "LO [unit] <= SYMBOL < HI [unit]": the bounds and their relations, the
        // symbol perhaps of several words ("X, Y").
        std::vector<std::string> words;
        std::istringstream in(accepts);
        for (std::string w; in >> w;) words.push_back(w);
        size_t firstrel = 0, lastrel = 0;
        for (size_t k = 0; k < words.size(); ++k)
            if (words[k] == "<" || words[k] == "<=") (firstrel == 0 ? firstrel : lastrel) = k;
        if (firstrel == 0 || lastrel == 0 || lastrel + 1 >= words.size()) continue;  // words, not numbers
        const double lo = std::strtod(words[0].c_str(), nullptr), hi = std::strtod(words[lastrel + 1].c_str(), nullptr);
        const std::string lorel = words[firstrel], hirel = words[lastrel];
        const double span = hi - lo;
        const bool pair = s["argument"].get<std::string>().find(',') != std::string::npos;
        const bool named = s["argument"].get<std::string>().find('=') != std::string::npos;  // NAME=NUMBER
        const std::string option = s["option"];
        const auto refused = [&](double v) {
            char value[32];
            std::snprintf(value, sizeof value, "%.6g", v);
            const std::string one = value, given = pair    ? one + "," + (name == "ratios" ? "40" : "0")
                                                  : named ? "L2=" + one
                                                          : one;
            const RunOutcome r = runsotoc({"compare", "--robot", "scara", "--motion", "horizontal", option, given});
            return r.status == 2 && r.err.find(option + ": '" + given + "' refused") != std::string::npos;
        };
        EXPECT_TRUE(refused(lo - span / 1000)) << name;
        EXPECT_TRUE(refused(hi + span / 1000)) << name;
        if (lorel == "<") {
            EXPECT_TRUE(refused(lo)) << name;
        }
        if (hirel == "<") {
            EXPECT_TRUE(refused(hi)) << name;
        }
        ++checked;
    }
    EXPECT_LE(4, checked);
}

// Every setting says what it accepts, in the text as in the JSON. A selection lists
// its words: each is taken (params checks the settings and runs nothing), and a
// word it does not list is refused with the same list.
TEST(SettingsListing, EverySettingSaysWhatItAccepts) {
    const RunOutcome text = runsotoc({"settings"});
    ASSERT_EQ(0, text.status);
    // params with `option` given `word`, the robot and motion required.
    const auto params = [](const std::string &option, const std::string &word) {
        Args args = {"params", "--robot", "scara", "--motion", "horizontal"};
        const auto at = std::find(args.begin(), args.end(), option);
        if (at == args.end()) args.insert(args.end(), {option, word});
        else *(at + 1) = word;
        return runsotoc(args);
    };
    const struct {
        const char *name;
        std::vector<std::string> words;
    } selections[] = {
        {"robot", {"cylindrical", "scara"}},
        {"motion", {"horizontal", "vertical"}},
        {"elbow", {"down", "up"}},
        {"joint2-start", {"negative", "positive", "shorter"}},
        {"design-search", {"standard", "wide"}},
    };
    int words = 0;
    for (const json &s : listing()) {
        const std::string name = s["name"], accepts = s["accepts"], option = s["option"];
        EXPECT_NE("", accepts) << name;
        EXPECT_NE(std::string::npos, text.out.find("\n    accepts: " + accepts + "\n")) << name;
        for (const auto &selection : selections) {
            if (name != selection.name) continue;
            std::string list;
            for (size_t k = 0; k < selection.words.size(); ++k) {
                const std::string &word = selection.words[k];
                list += (k == 0 ? "" : k + 1 == selection.words.size() ? " or " : ", ") + word;
                EXPECT_EQ(0, params(option, word).status) << name << " " << word;
            }
            EXPECT_EQ(list, accepts);
            const RunOutcome refused = params(option, "sideways");
            EXPECT_EQ(2, refused.status) << name;
            EXPECT_NE(std::string::npos, refused.err.find(option + ": 'sideways' refused; accepts " + accepts + "\n"))
                << refused.err;
            ++words;
        }
    }
    EXPECT_EQ(5, words) << "every selection listed";
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
