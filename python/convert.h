// Python values to and from comparisons: arguments read into settings with the
// refusals of the command line (TypeError for a value of the wrong type, ValueError
// for one refused), result objects walked into Python objects, batch settings into
// JSON objects.
#pragma once

#include <pybind11/pybind11.h>

#include <nlohmann/json.hpp>

#include "jobs/grid.h"
#include "study/request.h"

namespace py = pybind11;

// The settings of one comparison as keyword arguments: robot, motion and elbow
// are str, ratios, start and end sequences of two numbers, error a number; None
// (or no object: sweeps have no error) for a setting not given.
struct SettingArguments {
    py::object robot, motion, ratios, start, end, elbow, error;
};

// The settings as the command line's options would give them; raises TypeError
// for a value of the wrong type and ValueError for one the options refuse as typed
// (no numbers, a number beyond the range of a double).
CompareOptionValues valuesof(const SettingArguments &a);

// The request of the arguments, defaults applied, as sotoc compare takes them;
// raises TypeError or ValueError with the command line's refusal.
CompareRequest requestof(const SettingArguments &a);

// The number of workers: None for every core, else a whole number 1..MAXJOBS.
int jobsof(const py::object &jobs);

// The mass errors (FROM, TO, STEP) [%] of a sweep, as --errors reads them.
Grid gridof(const py::object &errors);

// A map's axis (NAME, FROM, TO, STEP) as --x or --y (`option`) takes it:
// "NAME=FROM:TO:STEP", "" for None. Raises TypeError for anything but a str and
// numbers.
std::string axistext(const py::object &axis, const char *option);

// A JSON value as Python objects: objects as dict (keys in order), arrays as list,
// numbers as int or float (a number that is not finite as None, as in the JSON
// text), strings, booleans and null.
py::object pythonof(const nlohmann::ordered_json &j);

// A batch item's settings, a mapping with str keys, as a JSON object: str, bool,
// int, float (numpy's numbers too), None, sequences and mappings. Raises TypeError
// for any other value; a value nested more than MAXNESTING levels deep gives
// false, with the item's refusal in `why`.
bool jsonof(const py::handle &settings, nlohmann::ordered_json &j, std::string &why);
