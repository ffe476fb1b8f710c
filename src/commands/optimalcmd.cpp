#include "commands/optimalcmd.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "atomicwrite/outfile.h"
#include "commands/options.h"
#include "design/design.h"
#include "formats/resultjson.h"
#include "optimal/optimal.h"
#include "processes/interrupt.h"
#include "records/records.h"
#include "settings/robotvalues.h"
#include "settings/usertext.h"
#include "study/params.h"

namespace {

using json = nlohmann::ordered_json;

const char *const ABOUT =
    "Solves the minimum-time motion of the move the options give (built-in robot or a robot file, the\n"
    "nominal masses): from rest at the start to rest at the goal with each joint's torque within its\n"
    "limit for the motion, on the plant the simulation integrates, by Hermite-Simpson collocation and\n"
    "an interior-point solver, the mesh doubled until the final time t* changes by at most 0.1 %.\n"
    "Started from the switching-time design's motion where it has one. Prints t*, the solver's\n"
    "outcome, the switches of each joint's torque between its limits and the arcs off them, whether\n"
    "that is the structure the design assumes (joint 1 one switch, joint 2 two), and the designed\n"
    "final time over t*. Exit status: 0 solved, 1 not written, 2 refused options, 3 not solved.";

// The block as lines of text.
std::string optimallines(const json &b) {
    auto text = [](const json &v) { return v.is_null() ? std::string("none") : numbertext(v.get<double>()); };
    std::string t = "minimum time t* [s]      " + numbertext(b["tf"].get<double>()) + "\n";
    t += "solved                   " + std::string(b["solved"].get<bool>() ? "yes" : "no") + " (status " +
         std::to_string(b["status"].get<int>()) + ", " + std::to_string(b["iterations"].get<int>()) +
         " iterations, " + std::to_string(b["intervals"].get<int>()) + " intervals)\n";
    t += "switches joint 1, 2      " + std::to_string(b["switches"][0].get<int>()) + "  " +
         std::to_string(b["switches"][1].get<int>()) + "\n";
    t += "arcs off the limits      " + std::to_string(b["interiorArcs"][0].get<int>()) + "  " +
         std::to_string(b["interiorArcs"][1].get<int>()) + "\n";
    t += "design's structure       " + std::string(b["designStructure"].get<bool>() ? "yes" : "no") + "\n";
    t += "designed tf [s]          " + text(b["designedTf"]) + "\n";
    t += "gap designed tf / t*     " + text(b["gap"]) + "\n";
    return t;
}

// The samples as CSV into the begun output: time, state and torques, one row each.
Outcome writesamples(OutputFile &out, const OptimalSolution &s) {
    std::string text = "t,q1,q2,dq1,dq2,tau1,tau2\n";
    char row[256];
    for (const OptimalSample &x : s.samples) {
        std::snprintf(row, sizeof row, "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n", x.t, x.x[0], x.x[1], x.x[2],
                      x.x[3], x.u[0], x.u[1]);
        text += row;
    }
    const Outcome written = writeoutput(out, text.data(), text.size());
    if (!written.ok()) {
        abandonoutput(out);
        return written;
    }
    return commitoutput(out);
}

}  // namespace

int optimalcommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, "sotoc optimal"};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    bool asjson = false;
    std::string log;
    cmd.add_flag("--json", asjson, "Print one JSON object with the block 'optimal' instead.");
    cmd.add_option("--log", log, "Also write the nodes and midpoints of the solution to FILE (CSV: t, q1, q2, dq1, "
                                 "dq2, tau1, tau2).")
        ->type_name("FILE")
        ->check(nonempty("a file"));
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    CompareRequest request;
    OutputFile out{};
    Outcome taken = requestfromoptions(values, "--", request);
    if (taken.ok() && !log.empty() && !beginoutput(log, out).ok()) taken = refused(outputrefusal("--log", out));
    if (!taken.ok()) {
        reportproblem(cmd, taken.message);
        return taken.status;
    }
    robotvalues(request);
    app.designErr = DESIGNNOMINAL;
    const bool designed = designswitching() == 1;
    OptimalProblem p;
    optimalproblem(request.type, designed, p);
    OptimalSolution sol;
    solveoptimal(p, OPTIMALDEFAULTS, sol);
    const json block = optimaljson(sol, designed, p.ts[3]);
    const std::string text = asjson ? json{{"optimal", block}}.dump() + "\n" : optimallines(block);
    Outcome written = writeresults(STDOUT_FILENO, text);
    if (!log.empty()) {
        if (written.ok())
            written = writesamples(out, sol);
        else
            abandonoutput(out);
    }
    if (!written.ok()) {
        reportproblem(cmd, written.message);
        return written.status;
    }
    if (sol.solved) return 0;
    reportproblem(cmd, "no minimum-time motion found (solver status " + std::to_string(sol.status) + ")");
    return EXIT_NOSOLUTION;
}
