// Python values to and from comparisons: arguments read into settings with the
// refusals of the command line (TypeError for a value of the wrong type, ValueError
// for one refused), result objects walked into Python objects, batch settings into
// JSON objects.
#pragma once

#include <pybind11/pybind11.h>

#include <nlohmann/json.hpp>

#include "jobs/grid.h"
#include "jobs/montecarlo.h"
#include "settings/request.h"

namespace py = pybind11;

// The settings of one comparison as keyword arguments named as the table's rows
// (settings/settings.h), by Setting: a selection a str, a setting of one number a
// number, one of more numbers a sequence of them; None (or no object: sweeps have
// no error) for a setting not given.
struct SettingArguments {
    py::object given[SETTINGS];
};

// Reading the arguments runs Python code (an iterator, a number's __float__ or
// __index__, a sequence's items), which may itself call the module: every call reads
// its arguments with the functions below into plain values before it takes its turn
// on the records, and checks them against the records' defaults only then.

// The settings as the command line's options would give them; raises TypeError
// for a value of the wrong type and ValueError for one the options refuse as typed
// (no numbers, a number beyond the range of a double).
CompareOptionValues valuesof(const SettingArguments &a);

// The request of the settings, defaults applied, as sotoc compare takes them;
// raises ValueError with the command line's refusal, warns as warnnotices. Needs the
// records.
CompareRequest requestof(const CompareOptionValues &values);

// Warns (UserWarning) of each thing robot file `file` gives that the model ignores;
// raises what a warning turned into an error raises.
void warnnotices(const RobotFile &file);

// The number of workers as --jobs would be typed: "" for None (every core), else
// the digits of a whole number. Raises TypeError for anything but an int (numpy's too).
std::string jobstext(const py::object &jobs);

// The number of workers of jobstext's text: every core for "", else 1..MAXJOBS;
// raises ValueError with the refusal of --jobs.
int jobsof(const std::string &text);

// The mass errors (FROM, TO, STEP) [%] of a sweep as --errors would be typed,
// "FROM:TO:STEP", or those of any other sequence than a tuple of three (a list, a
// tuple of two or four, a NumPy array) as the list of them, "V1,V2,..."; raises TypeError for anything but a
// sequence of numbers.
std::string errorstext(const py::object &errors);

// The grid of errorstext's text, as --errors reads it; raises ValueError with its refusal.
Grid gridof(const std::string &text);

// A map's axis (NAME, FROM, TO, STEP) or (NAME, VALUES) as --x or --y (`option`)
// takes it: "NAME=FROM:TO:STEP" or "NAME=V1,V2,...", "" for None when the axis is
// not `required`. Raises TypeError for anything but a str and numbers.
std::string axistext(const py::object &axis, const char *option, bool required);

// The study's own settings of a Monte Carlo study as its options would be typed:
// samples and seed ints (seed None for 0; numpy's too), uncertain a mapping of
// NAME to DIST, a sequence of "NAME=DIST" strs or one such str, sampling a str.
// Raises TypeError for a value of another type; samples beyond the range of an int
// are that range's nearest bound, which readmontecarlo refuses.
StudyTexts studyof(const py::object &samples, const py::object &seed, const py::object &uncertain,
                   const py::object &sampling);

// Whether flag `name` is set: `v` must be True or False (a str such as 'no' is no
// flag); TypeError naming the flag otherwise.
bool flagof(const py::object &v, const char *name);

// A JSON value as Python objects: objects as dict (keys in order), arrays as list,
// numbers as int or float (a number that is not finite as None, as in the JSON
// text), strings, booleans and null. The keys are interned: the dicts of many
// results share one str per key.
py::object pythonof(const nlohmann::ordered_json &j);

// A batch item's settings, a mapping with str keys, as a JSON object: str, bool,
// int, float (numpy's numbers too), None, sequences and mappings. Raises TypeError
// for any other value; refuses, with the item's refusal, a value nested more than
// MAXNESTING levels deep.
Outcome jsonof(const py::handle &settings, nlohmann::ordered_json &j);
