// The settings of one comparison as the subcommands take them: options of a
// command line or fields of a JSON line, with the interactive program's defaults
// and the dialog's checks.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "app/comparison.h"

namespace CLI {
class App;
class Option;
}

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
};

// The settings as given, before defaults and checks. Written by the command-line
// parser or a batch line's reader; an empty field was not given.
struct CompareOptionValues {
    std::string robot;           // "cylindrical" or "scara"
    std::string motion;          // "horizontal" or "vertical"
    std::vector<double> ratios;  // u1, u2
    std::vector<double> start;   // x0, y0 [m]
    std::vector<double> end;     // xf, yf [m]
    std::string elbow;           // "down" or "up"
    std::vector<double> error;   // mass error [%], one value
};

// Exit statuses of the subcommands beside 0 (done).
constexpr int EXIT_REFUSED = 2;     // an option or a value was refused
constexpr int EXIT_NOSOLUTION = 3;  // the switching-time design has no solution

// The settings, in the order of their names.
enum Setting {
    SETTINGROBOT,
    SETTINGMOTION,
    SETTINGRATIOS,
    SETTINGSTART,
    SETTINGEND,
    SETTINGELBOW,
    SETTINGERROR,
    SETTINGS,  // the number of settings
};

// Names of the settings, as options (prefix "--") and as JSON fields (no prefix).
extern const char *const SETTINGNAMES[SETTINGS];

// The setting of a name, SETTINGS for none.
Setting settingnamed(const std::string &name);

// The refusal of `value` for setting s: "<prefix><name>: '<value>' refused; accepts ...".
std::string settingrefusal(const char *prefix, Setting s, const std::string &value);

// Adds --robot, --motion, --ratios, --start, --end, --elbow and --error to `cmd`,
// each with its units, accepted values and default in the help; numbers are read
// strictly, a list's numbers separated by commas. Reads the defaults
// from the records, so initialset must have run.
void addcompareoptions(CLI::App &cmd, CompareOptionValues &v);

// Adds option `name` taking one number, read strictly (readnumber of
// app/usertext.h) into v; a text that is no number is refused while parsing. v
// keeps its value when the option is not given.
CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, int &v, const std::string &help);
CLI::Option *addnumberoption(CLI::App &cmd, const std::string &name, double &v, const std::string &help);

// Adds --jobs N (1..MAXJOBS comparisons at once in worker processes) to `cmd` and
// sets `jobs` to its default, the number of cores.
void addjobsoption(CLI::App &cmd, int &jobs);

// Parses the arguments of subcommand `cmd` (argv[0] is its name) and prints
// nothing: "" when they were taken, else the refusal, one line of at most about
// MESSAGEBYTES. --help throws CLI::Success for the caller to print.
std::string argumentsrefusal(CLI::App &cmd, int argc, const char *const *argv);

// Parses the arguments of subcommand `cmd` (argv[0] is its name). Returns true to go
// on; false with `status` set after the help was printed (0) or an argument was
// refused (EXIT_REFUSED, one line on standard error, nothing on standard output).
bool parsecommand(CLI::App &cmd, int argc, char **argv, int &status);

// Prints `message` of subcommand `cmd` (a refusal or why it failed) as one line on
// standard error.
void reportproblem(const CLI::App &cmd, const std::string &message);

// Applies the defaults of the interactive program (the records as initialset left
// them) and the dialog's checks. Returns "" and fills r, or one line that names the
// setting (with `prefix` before its name), the value and what is accepted.
std::string requestfromoptions(const CompareOptionValues &v, const char *prefix, CompareRequest &r);

// The same for the fields of a JSON object (a batch line, the settings of a result):
// every key must name a setting, every value have its type.
std::string requestfromobject(const nlohmann::ordered_json &j, CompareRequest &r);

// The settings of the pass for a request; tfNomBasis is left 0 for the caller.
ComparisonSettings requestsettings(const CompareRequest &r);

// The pass of a request standing alone: its time base from its own nominal derivation.
ComparisonResult standalonepass(const CompareRequest &r);

// Words of the selections in options and JSON: robot, motion, elbow.
const char *robotword(char type);
const char *motionword(char sgnG);
const char *elbowword(char elbow);

// Shortest text of a number that reads back to the same double ("nan", "inf" too).
std::string numbertext(double v);
