#include "commands/settingscmd.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <string>

#include "commands/options.h"
#include "processes/interrupt.h"
#include "settings/settings.h"
#include "study/params.h"

namespace {

using json = nlohmann::ordered_json;

const char *const ABOUT =
    "Lists the settings of a comparison, as compare, batch, sweep, map and the Python module take\n"
    "them: each with what it takes, its unit, its accepted range, its default for each robot and\n"
    "the map axes over its numbers (--x NAME=FROM:TO:STEP). Exit status: 0 listed, 1 not written,\n"
    "2 refused options.";

// What setting s takes: its words, the file or the named values as refusals say it,
// or its numbers' range with the unit.
std::string takentext(Setting s) {
    const SettingRow &row = settingrow(s);
    if (row.words != nullptr || settingisfile(row) || *row.symbol == '\0') return settingaccepts(s);
    return rangetext(row, row.symbol, row.unit);
}

// The axes of a named setting s: "design-error:NAME", one for each name it takes.
std::string namedaxistext(Setting s) {
    const std::string one = axisname(namedaxis(s, PARAML2));
    return one.substr(0, one.find(':')) + ":NAME";
}

// The axes over setting s, each with its note: "ratio1, ratio2, ratios (both ratios equal)".
std::string axestext(Setting s) {
    if (settingrow(s).named != nullptr) return namedaxistext(s);
    std::string text;
    for (int a = 0; a < AXISNONE; ++a) {
        const AxisRow &axis = axisrow(static_cast<PlotAxis>(a));
        if (axis.setting != s) continue;
        text += (text.empty() ? "" : ", ") + std::string(axis.name);
        if (*axis.note != '\0') text += std::string(" (") + axis.note + ")";
    }
    return text;
}

json settingjson(Setting s) {
    const SettingRow &row = settingrow(s);
    json j = {{"name", row.name}, {"option", std::string("--") + settingoption(s, "--")}, {"argument", row.typeName}, {"description", row.description},
              {"accepts", takentext(s)}, {"unit", row.unit}, {"required", row.required}};
    if (!row.required) j["default"] = {{"cylindrical", defaulttext(s, ROBOTCYL)}, {"scara", defaulttext(s, ROBOTSCARA)}};
    json axes = json::array();
    for (int a = 0; a < AXISNONE; ++a) {
        const AxisRow &axis = axisrow(static_cast<PlotAxis>(a));
        if (axis.setting != s) continue;
        axes.push_back({{"name", axis.name},
                        {"label", {{"cylindrical", axis.label[0]}, {"scara", axis.label[1]}}},
                        {"note", axis.note}});
    }
    if (row.named != nullptr) {
        const char *label = s == SETTINGDESIGNERRORS ? "design error of NAME [%]" : "NAME, its meaning [its unit]";
        axes.push_back({{"name", namedaxistext(s)},
                        {"label", {{"cylindrical", label}, {"scara", label}}},
                        {"note", "NAME one of the names the setting takes"}});
    }
    j["axes"] = axes;
    return j;
}

// One line of the text table: name, what it takes, defaults, axes.
std::string settingline(Setting s) {
    const SettingRow &row = settingrow(s);
    std::string line = std::string(row.name) + "\n    " + row.description + "\n    option: --" +
                       settingoption(s, "--") + " " + row.typeName + "\n    accepts: " + takentext(s);
    if (row.required) {
        line += "\n    required";
    } else {
        const std::string cylindrical = defaulttext(s, ROBOTCYL), scara = defaulttext(s, ROBOTSCARA);
        line += "\n    default: " + (cylindrical == scara ? cylindrical
                                                          : cylindrical + " (cylindrical), " + scara + " (scara)");
    }
    const std::string axes = axestext(s);
    if (!axes.empty()) line += "\n    map axes: " + axes;
    return line + "\n";
}

}  // namespace

int settingscommand(int argc, char **argv) {
    initialset();  // the defaults are the records' start values
    CLI::App cmd{ABOUT, "sotoc settings"};
    bool asjson = false;
    cmd.add_flag("--json", asjson, "Print one JSON array, one object per setting, instead.");
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    std::string text;
    if (asjson) {
        json all = json::array();
        for (int s = 0; s < SETTINGS; ++s) all.push_back(settingjson(static_cast<Setting>(s)));
        text = all.dump() + "\n";
    } else {
        for (int s = 0; s < SETTINGS; ++s) text += settingline(static_cast<Setting>(s));
    }
    const Outcome written = writeresults(STDOUT_FILENO, text);
    if (written.ok()) return 0;
    reportproblem(cmd, written.message);
    return 1;
}
