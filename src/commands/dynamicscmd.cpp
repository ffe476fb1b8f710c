#include "commands/dynamicscmd.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <string>
#include <vector>

#include "commands/options.h"
#include "processes/interrupt.h"
#include "settings/robotvalues.h"
#include "settings/usertext.h"
#include "simulation/dynamics.h"
#include "study/params.h"

namespace {

using json = nlohmann::ordered_json;

const char *const ABOUT =
    "Prints the equations of motion of the robot the settings give (built-in or a robot file, with\n"
    "the nominal masses) at one state: the inertia matrix M(q) of the arm [kg m^2; kg m and kg for\n"
    "the slide], the motors' inertias referred to the joints that add to its diagonal, the\n"
    "velocity-product torques C(q, q') q' and the gravity torques G(q) (those that hold the arm still;\n"
    "vertical motion: 9.8 m/s^2 along -y, the joint axes along z) [N m; N for the slide], and with\n"
    "--torque the joint accelerations the simulation integrates [rad/s^2; m/s^2]:\n"
    "(M + diag(motor inertias)) q'' + C q' + G = torque. The built-in arms' point masses are shown\n"
    "as the rigid bodies they are: masses at the elbow and the tip. Exit status: 0 printed, 1 not\n"
    "written, 2 refused options.";

// The two numbers of a pair option "A,B", or the refusal naming the option.
Outcome pairof(const std::string &option, const std::string &text, double pair[2]) {
    const std::vector<std::string> parts = splitat(text, ',');
    if (parts.size() == 2 && readnumber(parts[0], pair[0]) && readnumber(parts[1], pair[1])) return succeeded();
    return refused("--" + option + ": '" + excerpt(text) + "' refused; accepts two numbers A,B");
}

// Two numbers, a zero printed without a sign.
std::string pairtext(const double v[2]) { return numbertext(v[0] + 0.0) + "  " + numbertext(v[1] + 0.0); }

// The terms as text lines, or as one JSON object.
std::string dynamicstext(const RigidState &s, const double IM[2], const double *acc, bool asjson) {
    if (asjson) {
        json j{{"inertia", {{s.M[0][0], s.M[0][1]}, {s.M[1][0], s.M[1][1]}}},
               {"motorInertia", {IM[0], IM[1]}},
               {"velocityTorques", {s.C[0] + 0.0, s.C[1] + 0.0}},
               {"gravityTorques", {s.G[0], s.G[1]}}};
        if (acc) j["accelerations"] = {acc[0], acc[1]};
        return j.dump() + "\n";
    }
    std::string text = "inertia          " + pairtext(s.M[0]) + "\n                 " + pairtext(s.M[1]) + "\n";
    text += "motorInertia     " + pairtext(IM) + "\n";
    text += "velocityTorques  " + pairtext(s.C) + "\n";
    text += "gravityTorques   " + pairtext(s.G) + "\n";
    if (acc) text += "accelerations    " + pairtext(acc) + "\n";
    return text;
}

}  // namespace

int dynamicscommand(int argc, char **argv) {
    initialset();
    CLI::App cmd{ABOUT, "sotoc dynamics"};
    CompareOptionValues values;
    addcompareoptions(cmd, values);
    std::string qtext, dqtext = "0,0", torquetext;
    cmd.add_option("--q", qtext, "Joint displacements Q1,Q2 [rad, m / rad, rad] (required).")->required();
    cmd.add_option("--dq", dqtext, "Joint velocities DQ1,DQ2 [rad/s, m/s / rad/s, rad/s]; 0,0 by default.");
    cmd.add_option("--torque", torquetext, "Joint torques T1,T2 [N m, N / N m, N m]: also print the accelerations.");
    bool asjson = false;
    cmd.add_flag("--json", asjson, "Print one JSON object instead: inertia, motorInertia, velocityTorques, "
                                   "gravityTorques, accelerations (with --torque).");
    int status = 0;
    if (!parsecommand(cmd, argc, argv, status)) return status;
    CompareRequest request;
    double x[4], tau[2];
    Outcome taken = requestfromoptions(values, "--", request);
    if (taken.ok()) taken = pairof("q", qtext, x);
    if (taken.ok()) taken = pairof("dq", dqtext, x + 2);
    if (taken.ok() && !torquetext.empty()) taken = pairof("torque", torquetext, tau);
    if (!taken.ok()) {
        reportproblem(cmd, taken.message);
        return taken.status;
    }
    reportnotices(cmd, request.robotfile);
    robotvalues(request);
    MotionTerms m;
    motionterms(request.type, m);
    const RigidTerms t = m.rigid ? m.body : rigidterms(armbodies(request.type), m.gravity);
    double trig[4] = {0.0, 0.0, 0.0, 0.0}, acc[2] = {0.0, 0.0};
    rigidtrig(t, x, trig);
    RigidState s;
    rigidstate(t, x, trig, s);
    if (!torquetext.empty()) {
        motiontrig(m, x, trig);
        accelerations(m, tau[0], tau[1], x, trig, acc);
    }
    const double IM[2] = {t.IM1, t.IM2};
    const Outcome written = writeresults(STDOUT_FILENO, dynamicstext(s, IM, torquetext.empty() ? nullptr : acc, asjson));
    if (!written.ok()) reportproblem(cmd, written.message);
    return written.ok() ? 0 : written.status;
}
