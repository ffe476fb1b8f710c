// One comparison as a user asks for it: the settings by name with their words, the
// interactive program's defaults and the dialog's checks, and the pass they make.
// Front ends parse the text (command line, JSON); this prints nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "records/outcome.h"
#include "settings/robotfile.h"
#include "study/comparison.h"

// Values given by the names of the parameter table (records/parameters.h), in the
// order given: design errors [%] or true primary values [their units].
using ParameterValues = std::vector<std::pair<Parameter, double>>;

// One comparison as the user asked for it, defaults applied. Written by
// requestfromoptions; read by the pass set-up (requestsettings) and the result JSON.
struct CompareRequest {
    char type;            // ROBOTCYL or ROBOTSCARA
    char sgnG;            // MOTIONVERTICAL or MOTIONHORIZONTAL
    double u[2];          // reduction ratios u1, u2 [rad/rad], [rad/m] / [rad/rad]
    double start[2];      // PTP start point x0, y0 [m]
    double end[2];        // PTP end point xf, yf [m]
    char elbow;           // SCARA elbow branch: ELBOWDOWN or ELBOWUP
    double errorPercent;  // mass error of the design [%]
    RobotFile robotfile{};  // the arm's own robot file; path "" for the built-in robots
    double near = DEFAULTNEAR;            // SOTOC's switching bound [rad, m, added]
    double fallback = NOFALLBACK;         // SOTOC's fallback after a designed instant [s]; NOFALLBACK: none
    double tolerance = DEFAULTTOLERANCE;  // tip tolerance of the settling time [m]
    char joint2Start = JOINT2SHORTER;    // trials of the designs: JOINT2SHORTER, JOINT2NEGATIVE, JOINT2POSITIVE
    char designSearch = SEARCHSTANDARD;  // starting guesses of the designs: SEARCHSTANDARD or SEARCHWIDE
    ParameterValues designErrors{};  // errors of the design with the error in primary values [%]; none by default
    ParameterValues params{};        // true primary values given by name, over the robot's or file's [their units]
    double controlPeriod = NOCONTROLPERIOD;              // the controller's sampling period [s]; NOCONTROLPERIOD: none
    double encoderCounts[2] = {NOENCODER, NOENCODER};    // counts per motor revolution of joints 1, 2; NOENCODER: exact
    double noiseSd[4] = {0.0, 0.0, 0.0, 0.0};            // reading noise of q1, q2 [rad, m], q1', q2' [rad/s, m/s]
    double seed = 0.0;                                   // seed of the reading noise, a whole number
    double delay = 0.0;                                  // age of the state the controller reads [s]
    char antiwindup = ANTIWINDUPOFF;                     // servo: ANTIWINDUPOFF or ANTIWINDUPON
    double span = AUTOSPAN;                              // simulated span [s]; AUTOSPAN: by the nominal time
    char reference = REFERENCENONE;                      // REFERENCENONE or REFERENCEOPTIMAL
};

// The settings, in the order of their rows (settings/settings.h).
enum Setting {
    SETTINGROBOT,
    SETTINGMOTION,
    SETTINGRATIOS,
    SETTINGSTART,
    SETTINGEND,
    SETTINGELBOW,
    SETTINGERROR,
    SETTINGROBOTFILE,
    // The settings after these are written in a result's settings only when they
    // differ from their defaults, so that a result of the defaults reads as it did
    // before they existed.
    SETTINGNEAR,
    SETTINGFALLBACK,
    SETTINGTOLERANCE,
    SETTINGJOINT2START,
    SETTINGDESIGNSEARCH,
    SETTINGDESIGNERRORS,
    SETTINGPARAMS,
    SETTINGCONTROLPERIOD,
    SETTINGENCODERCOUNTS,
    SETTINGSENSORNOISE,
    SETTINGSEED,
    SETTINGSENSORDELAY,
    SETTINGANTIWINDUP,
    SETTINGSPAN,
    SETTINGREFERENCE,
    SETTINGS,  // the number of settings
};

// The settings as given, before defaults and checks, by Setting. Written by the
// command-line parser, a batch line's reader or the module's arguments; an empty
// entry was not given.
struct CompareOptionValues {
    std::string words[SETTINGS];            // a selection's word ("scara", "up") or a file's name; "" for the others
    std::vector<double> numbers[SETTINGS];  // the numbers of the others, in their units
    std::vector<std::pair<std::string, double>> named[SETTINGS];  // NAME=NUMBER pairs of the named values
    std::string robotDigest;                // the digest a result names for its robot file, "" for none
};

// The setting of a name, SETTINGS for none.
Setting settingnamed(const std::string &name);

// What setting s accepts, as refusals and the help say it.
std::string settingaccepts(Setting s);

// The refusal of `value` for setting s: "<prefix><name>: '<value>' refused; accepts ...".
std::string settingrefusal(const char *prefix, Setting s, const std::string &value);

// The defaults of the interactive program for robot `type` and motion `sgnG` (the
// records as initialset left them).
CompareRequest defaultrequest(char type, char sgnG);

// Applies the defaults of the interactive program (the records as initialset left
// them, or those of the robot of a robot file when one is given, the records left as
// they were) and the dialog's checks. The robot may be left out with a robot file,
// which names it. Fills r, or refuses with one line that names the setting (with
// `prefix` before its name), the value and what is accepted.
Outcome requestfromoptions(const CompareOptionValues &v, const char *prefix, CompareRequest &r);

// requestfromoptions without its check that the SCARA reaches the start and end
// points: the settings of a point that could not run, as its result names them, and
// those of a map before its axes put in theirs.
Outcome requestwithoutreach(const CompareOptionValues &v, const char *prefix, CompareRequest &r);

// Whether setting s reads through the sampled controller and so needs a control
// period when it is not at its default: the encoders, the noise and the delay.
bool needscontrolperiod(Setting s);

// Refuses r when it gives a setting that needs a control period without one,
// naming the setting (with `prefix` before its name).
Outcome checkcontrolperiod(const CompareRequest &r, const char *prefix);

// Refuses r's point `s` (SETTINGSTART or SETTINGEND) when r is for the SCARA and it
// cannot reach the point.
Outcome checkreach(const CompareRequest &r, const char *prefix, Setting s);

// The numbers of setting s in r (its row's count of them), such as the two ratios
// or the one mass error; null for the selections, which are words.
double *settingvalues(CompareRequest &r, Setting s);

// Whether parameter k takes a value by name in setting s (SETTINGDESIGNERRORS or
// SETTINGPARAMS) for robot `type`: a primary value a robot file may give; for
// SETTINGPARAMS none that another setting gives (the ratios and the points).
bool namedparameter(Setting s, Parameter k, char type, bool rigid);

// Whether setting s takes parameter k for some robot in some model.
bool namedbyanyarm(Setting s, Parameter k);

// The names setting s takes for robot `type`, separated by ", ".
std::string namedparameters(Setting s, char type, bool rigid);

// Whether v is a value parameter k takes: its range (records/parameters.h).
bool parameteraccepted(Parameter k, double v);

// What parameter k accepts for robot `type`, as refusals say it: "a number from 1e-09 to 1e+09 in m".
std::string parameteraccepts(Parameter k, char type);

// The robot of the request as a robot file gives it: its robot file (the built-in
// robot for none) with the request's params in place of the file's same values.
RobotFile armof(const CompareRequest &r);

// The distances from the base of the points the arm of a request reaches [m]: the
// SCARA's |L1 - L2| to L1 + L2 of its robot file and params (the built-in links
// where they give none); the cylindrical robot's prismatic joint, which has no
// stops, every distance from 0 to infinity.
struct ArmReach {
    double inner, outer;  // [m]
};
ArmReach armreach(const CompareRequest &r);

// Puts the records as initialset leaves them, with the request's robot file and
// params in place of the start values (installrobot).
void installarm(const CompareRequest &r);

// The settings of the pass for a request; tfNomBasis is left 0 for the caller.
ComparisonSettings requestsettings(const CompareRequest &r);

// The pass of a request standing alone, on the records set up for its robot
// (installrobot): its time base from its own nominal derivation.
ComparisonResult standalonepass(const CompareRequest &r);

// Whether a result's settings name setting s of r: always the first ones, the
// later ones when r differs from their default.
bool settingwritten(const CompareRequest &r, Setting s);

// Words of the selections in options and JSON: robot, motion, elbow.
const char *robotword(char type);
const char *motionword(char sgnG);
const char *elbowword(char elbow);

// The word of selection s (SETTINGROBOT, SETTINGMOTION, SETTINGELBOW, ...) for `code`; "?" for none.
const char *settingword(Setting s, char code);

// Shortest text of a number that reads back to the same double ("nan", "inf" too).
std::string numbertext(double v);

// Numbers as numbertext gives them, separated by commas ("40,40").
std::string numberlist(const std::vector<double> &v);
