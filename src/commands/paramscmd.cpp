#include "commands/paramscmd.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/options.h"
#include "formats/resultjson.h"
#include "processes/interrupt.h"
#include "records/parameters.h"
#include "settings/robotvalues.h"
#include "study/params.h"

namespace {

const char *const ABOUT =
    "Prints every parameter of the robot model for the robot and the task the settings give: the\n"
    "primary values, the values fixed at start (the drives' sizing) and every value derived from\n"
    "them as the comparison pass derives them with the nominal masses, each with its unit and kind,\n"
    "as a table or as JSON. A robot file and --design-error name its primary values and those fixed\n"
    "at start, all but errRatio (the mass error of the design, which --error gives); --param the same\n"
    "but the ratios and the points. What a robot file gives that the model ignores (a URDF's velocity\n"
    "limits) is said on standard error and printed below the table as \"notice: FILE:LINE: ...\" lines\n"
    "(in the JSON the list \"notices\"). Runs no design and no simulation. Exit status: 0 printed, 1 not\n"
    "written, 2 refused options.";

// Widths of the table's columns: name, value, unit, kind.
constexpr int NAMEWIDTH = 9;
constexpr int VALUEWIDTH = 22;
constexpr int UNITWIDTH = 13;
constexpr int KINDWIDTH = 15;

std::string row(const std::string &name, const std::string &value, const std::string &unit,
                const std::string &kind, const std::string &meaning) {
    char line[256];
    std::snprintf(line, sizeof line, "%-*s %-*s %-*s %-*s %s\n", NAMEWIDTH, name.c_str(), VALUEWIDTH, value.c_str(),
                  UNITWIDTH, unit.c_str(), KINDWIDTH, kind.c_str(), meaning.c_str());
    return line;
}

// The table: a heading, then one line per parameter of the robot, in the table's
// order; below it a line "notice: NOTICE" for each thing its robot file gives that
// the model ignores.
std::string paramstable(const CompareRequest &request, const std::vector<double> &values) {
    std::string text = row("name", "value", "unit", "kind", "meaning");
    for (int k = 0; k < PARAMETERS; ++k) {
        const Parameter p = static_cast<Parameter>(k);
        if (!parameterof(p, request.type)) continue;
        const ParameterRow &r = parameterrow(p);
        text += row(r.name, numbertext(values[k]), parameterunit(p, request.type), kindword(r.kind), r.meaning);
    }
    for (const std::string &notice : request.robotfile.notices) text += "notice: " + notice + "\n";
    return text;
}

}  // namespace

int paramscommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, "sotoc params"};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    bool json = false;
    cmd.add_flag("--json", json, "Print one JSON object (settings, parameters by name, program) instead.");
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    CompareRequest request;
    const Outcome taken = requestfromoptions(values, "--", request);
    if (!taken.ok()) {
        reportproblem(cmd, taken.message);
        return taken.status;
    }
    reportnotices(cmd, request.robotfile);
    const std::vector<double> model = robotvalues(request);
    const std::string text = json ? paramsjson(request, model).dump() + "\n" : paramstable(request, model);
    const Outcome written = writeresults(STDOUT_FILENO, text);
    if (!written.ok()) reportproblem(cmd, written.message);
    return written.ok() ? 0 : written.status;
}
