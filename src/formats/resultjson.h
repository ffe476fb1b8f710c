// The result object of one comparison in JSON, as compare --json prints it and
// as each line of a batch holds it, and the settings read back from JSON fields.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "optimal/optimal.h"
#include "study/comparison.h"
#include "settings/request.h"

// The program's version and the commit it was built from ("-dirty" when tracked files
// differed from it, "unknown" outside a git checkout), as sotoc --version prints them.
// Defined by the build (cmake/buildcommit.cmake) in this folder's library.
extern const char SOTOC_RELEASE[];
extern const char SOTOC_COMMIT[];

// Where a result came from: {"version": SOTOC_RELEASE, "commit": SOTOC_COMMIT}, the
// "program" member of every result object.
nlohmann::ordered_json programjson();

// The same in words, "sotoc VERSION (commit COMMIT)", the first line of --version and
// of the CSV logs' comment.
std::string programtext(const std::string &version, const std::string &commit);

// The settings of a request in the order of the table's rows, as the result's
// "settings" member holds them.
nlohmann::ordered_json settingsjson(CompareRequest q);

// Settings used (the request), derived values, outcome, both designs, the figures of
// the three runs (a figure that does not exist is null) and the program that made it;
// of a pass that diverged its settings, the outcome "diverged", why as "reason"
// (divergence) and the program.
nlohmann::ordered_json resultjson(const CompareRequest &request, const ComparisonResult &r);

// The block "optimal" of a minimum-time solution: t*, the solver's outcome, the mesh,
// the torque structure, and when `designed` the design's final time tfDesigned [s]
// with the gap tfDesigned / t* (both null otherwise).
nlohmann::ordered_json optimaljson(const OptimalSolution &s, bool designed, double tfDesigned);

// The object of a point a map could not run (a SCARA point out of reach): its
// settings, the outcome "unreachable", the refusal sotoc compare gives for them as
// "reason", no figures, and the program that made it.
nlohmann::ordered_json unreachablejson(const CompareRequest &request, const std::string &reason);

// The parameters of the robot model of a request (robotvalues of
// settings/robotvalues.h, by Parameter): its settings, then under "parameters" each
// parameter of its robot by name with its value, unit, kind and meaning, in the
// table's order, under "notices" what its robot file gives that the model ignores
// (only when it gives such), and the program that made it.
nlohmann::ordered_json paramsjson(const CompareRequest &request, const std::vector<double> &values);

// A map's line: the object with "map": {"i": i, "j": j} after its other fields, so
// that the text before it is the object's own, digit for digit.
std::string mapline(nlohmann::ordered_json object, int i, int j);

// The request of the fields of a JSON object (a batch line, the settings of a
// result), with the defaults and checks of requestfromoptions: every key must name
// a setting, every value have its type; refuses with the line that names the field.
Outcome requestfromobject(const nlohmann::ordered_json &j, CompareRequest &r);

// The same without the check that the SCARA reaches the points (requestwithoutreach):
// the settings of a point that could not run.
Outcome requestfromobjectwithoutreach(const nlohmann::ordered_json &j, CompareRequest &r);

// Words of the outcome and of a trial's verdict, as the result object has them.
const char *outcomeword(ComparisonOutcome o);
const char *verdictword(TrialVerdict v);

// Why a pass diverged: the first derived value or figure of its runs that is no
// finite number, named by its place in a result object.
std::string divergence(const ComparisonResult &r);

// Why a pass found no solution: which design, and the verdicts of both its trials.
std::string nosolution(const ComparisonResult &r);

// Why a pass that did not compare did not: divergence or nosolution.
std::string uncompared(const ComparisonResult &r);

// The name of a run in the result object and in the log file names.
extern const char *const RUNNAMES[3];  // "tocFree", "tocErr", "sotocErr"

// The outcome of a map's point that could not run: "unreachable".
extern const char *const UNREACHABLE;
