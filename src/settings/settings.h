// The table of the settings of a comparison, one row each: its name as the command
// line (--NAME), a batch line (field NAME) and the Python module (keyword NAME) spell
// it, what it takes with its unit and accepted range, its default for each robot, how
// it goes into a pass, and the map axes over its numbers with their labels in the
// pictures. Every front end reads its settings from here. Prints nothing.
#pragma once

#include <string>

#include "settings/request.h"
#include "study/comparison.h"

// A selection's word and its code in the records.
struct SettingWord {
    const char *word;
    char code;
};

// One setting. A selection (robot, motion, elbow, ...) has words; a file (robotfile)
// a name; the others numbers.
struct SettingRow {
    const char *name;          // option --NAME, JSON field NAME, keyword argument NAME
    const SettingWord *words;  // the words of a selection, ended by {nullptr, 0}; null for numbers
    int count;                 // numbers it takes (1 to MAXSETTINGNUMBERS); 0 for a selection
    const char *typeName;      // its argument in --help: NAME, U1,U2, X,Y, PERCENT, down|up
    const char *description;   // what it is, first in its --help line
    bool required;             // has no default: the defaults follow from it
    // Each number v lies in lo < v < hi, or lo <= v (loIncluded), v <= hi (hiIncluded).
    double lo, hi;             // [its unit]
    bool loIncluded, hiIncluded;
    const char *unit;          // of its numbers in a grid's messages: "%", "m", "" for none
    const char *symbol;        // a number in the range --help gives: "U", "X, Y", "error"
    const char *taken;         // the numbers a refusal names before the range: "two numbers U1,U2"
    const char *gridNoun;      // its values in a grid's bounds: "the reduction ratios"
    const char *gridExample;   // a grid of its values, such as "20:200:10"
    char CompareRequest::*code;                 // a selection's field of the request
    double *(*values)(CompareRequest &r);       // the numbers' fields of the request
    void (*fromrecords)(CompareRequest &r);     // puts in its default for robot r.type: the records' value
    void (*apply)(const CompareRequest &r, ComparisonSettings &s);  // how it goes into the pass
    // A number whose default is none at all, held as infinity: the word for it in
    // --help ("off"); it is null in JSON and None in the module. Null for the others.
    const char *offWord = nullptr;
    // Its command-line option --OPTION where it differs from --NAME, else null.
    const char *option = nullptr;
    // Values by parameter name (NAME=NUMBER, repeatable; a JSON object): their field
    // of the request; null for the others.
    ParameterValues CompareRequest::*named = nullptr;
    // Its numbers are whole numbers (the seed).
    bool whole = false;
    // A selection of "off" and "on" that the command line turns on by its option
    // alone, without a word.
    bool flag = false;
};

// Most numbers a setting takes (the four of the reading noise).
constexpr int MAXSETTINGNUMBERS = 4;

// The row of setting s (0..SETTINGS-1), in the order of Setting.
const SettingRow &settingrow(Setting s);

// The keyword of setting s in the Python module: its name with '_' for each '-'
// ("joint2_start"), a name Python can take as a keyword argument.
const char *settingkeyword(Setting s);

// The setting of a keyword, SETTINGS for none.
Setting settingwithkeyword(const std::string &keyword);

// Whether the row's setting names a file (no words, no numbers, no named values).
bool settingisfile(const SettingRow &row);

// The name of setting s after `prefix`: its option where the prefix is "--" and it
// has its own, else its name.
const char *settingoption(Setting s, const char *prefix);

// Whether v lies in the range of row's numbers.
bool settingaccepted(const SettingRow &row, double v);

// The range of the row's numbers as "LO < SYMBOL <= HI", each bound followed by
// `unit` when it is not "" ("-10 m <= start-x <= 10 m").
std::string rangetext(const SettingRow &row, const std::string &symbol, const char *unit);

// Whether setting s's numbers stand for none at all (its offWord, infinity).
bool settingoff(Setting s, const double *v);

// The default of setting s for robot `type` as --help prints it ("40,40", "up", "off").
std::string defaulttext(Setting s, char type);

// The --help line of setting s: what it is, its range, and "Required." or its
// default, once when both robots share it, else for each.
std::string settinghelp(Setting s);

// The settings a map can vary, one along each axis, in the order of axisrow; then
// for each parameter k (records/parameters.h) its design error (AXISDESIGNERROR + k)
// and its true value (AXISPARAM + k), those namedparameter takes.
enum PlotAxis {
    AXISERROR,   // mass error of the design [%]
    AXISRATIO1,  // reduction ratio u1
    AXISRATIO2,  // reduction ratio u2
    AXISRATIOS,  // both reduction ratios, equal
    AXISSTARTX,  // start point x [m]
    AXISSTARTY,  // start point y [m]
    AXISENDX,    // end point x [m]
    AXISENDY,    // end point y [m]
    AXISNEAR,    // SOTOC's switching bound [rad, m]
    AXISCONTROLPERIOD,  // the controller's sampling period [s]
    AXISENCODER,        // both encoders' counts per revolution, equal
    AXISNOISE,          // all four noise standard deviations, equal [rad, m, rad/s, m/s]
    AXISPOSITIONNOISE,  // both position noise standard deviations, equal [rad, m]
    AXISVELOCITYNOISE,  // both velocity noise standard deviations, equal [rad/s, m/s]
    AXISSEED,           // the seed of the noise
    AXISDELAY,          // the sensor delay [s]
    AXISSPAN,           // the simulated span [s]
    AXISNONE,    // no setting: the number of axes of the table, and a picture without a y axis
    AXISDESIGNERROR,                        // + k: design error of parameter k [%] (design-error:NAME)
    AXISPARAM = AXISDESIGNERROR + PARAMETERS,  // + k: true value of parameter k [its unit] (param:NAME)
    AXISEND = AXISPARAM + PARAMETERS,          // after the last axis
};

// The axis of the design error (SETTINGDESIGNERRORS) or true value (SETTINGPARAMS) of k.
PlotAxis namedaxis(Setting s, Parameter k);

// Whether axis a is one of the table's (below AXISNONE), not one of a parameter.
bool tableaxis(PlotAxis a);

// The setting axis a varies, and for an axis of a parameter that parameter.
Setting axissetting(PlotAxis a);
Parameter axisparameter(PlotAxis a);

// The axis's name: its row's ("ratio1"), or "design-error:NAME", "param:NAME".
std::string axisname(PlotAxis a);

// Puts value v of axis a into request r (both ratios for AXISRATIOS; a parameter's
// named value, replacing one given for it).
void setaxisvalue(PlotAxis a, CompareRequest &r, double v);

// One map axis: a setting's numbers first..first+count-1 set to each value of a grid.
struct AxisRow {
    const char *name;         // NAME in --x NAME=FROM:TO:STEP and a picture's messages
    Setting setting;          // the setting it varies
    int first, count;         // the numbers of the setting it sets
    const char *label[2];     // label in the pictures with its unit: cylindrical, SCARA robot
    const char *note;         // said after its name in --help ("both ratios equal"), "" for nothing
};

// The row of axis a (0..AXISNONE-1), in the order of PlotAxis.
const AxisRow &axisrow(PlotAxis a);

// The value of a request's setting along axis a (AXISRATIOS: u1) [its unit]; a
// parameter's named value, 0 when none is given for it.
double axisvalue(PlotAxis a, const CompareRequest &r);

// The axis's label with its unit, for robot `type` (the cylindrical joint 2 is prismatic).
std::string axislabel(PlotAxis a, char type);

// The names of the axes of the table, then design-error:NAME and param:NAME,
// separated by ", ".
std::string axisnames();

// The same as --help lists them: each with its note, a unit after the last of the
// axes in a row that share it ("error [%], ratio1, ..., end-y [m], ...").
std::string axishelp();
