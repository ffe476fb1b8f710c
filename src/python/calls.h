// Folder python/: the Python module sotoc, a front end beside commands/ (comparisons, batches, sweeps and maps as dicts and NumPy arrays); uses records/, processes/, study/, settings/, formats/, jobs/.
// The module's calls. Each reads its arguments, then takes its turn on the
// program-wide records, starts from the records as initialset leaves them (so that
// whatever ran before, the same arguments give the same results) and answers as the
// subcommands do: dicts equal to their JSON objects. Comparisons run with the GIL
// released. Refused arguments raise TypeError or ValueError with the command line's
// refusal; a call made from within another of the same thread (a signal handler)
// raises RuntimeError; Ctrl-C while workers run raises KeyboardInterrupt once they
// are stopped.
#pragma once

#include <pybind11/pybind11.h>

#include "python/convert.h"

// Keys of a logged run's columns in the order of runrow (formats/runcsv.h).
extern const char *const COLUMNKEYS[];

// One comparison pass, as sotoc compare --json; with `logs` true also the three
// runs' logged samples as NumPy arrays ("logs", None without a solution).
py::dict compare(const SettingArguments &a, const py::object &logs);

// Every parameter of the robot model for the settings, as sotoc params --json.
py::dict params(const SettingArguments &a);

// One comparison per mapping of settings, as the lines of sotoc batch; an item that
// cannot run gives its error dict in its place.
py::list batch(const py::object &settings, const py::object &jobs);

// How a sweep or a map hands its results back: `as` names the form ("records",
// "arrays", "xarray"), `progress` whether a progress bar shows the points done.
// The module's Python side (sotoc.py) gathers the results in that form.
struct Gathered {
    py::object as;
    py::object progress;
};

// The comparison for every mass error of the grid (FROM, TO, STEP) or of the list of
// values, as the lines of sotoc sweep, gathered as `gathered` asks.
py::object sweep(const SettingArguments &a, const py::object &errors, const py::object &jobs,
                 const Gathered &gathered);

// What the pictures of result lines (JSON texts, as a sweep or a map writes them)
// share, as the program draws them: {"title": (first line, second line), "reach":
// (inner, outer) [m]}, the reach of the arm that ran (the outer one infinite for the
// cylindrical robot). Raises ValueError with the reader's refusal when the lines
// make no picture.
py::dict plotsetup(const py::object &lines);

// The comparison for every point of the axes x and y (NAME, FROM, TO, STEP) or
// (NAME, VALUES), as the lines of sotoc map, gathered as `gathered` asks.
py::object map(const SettingArguments &a, const py::object &x, const py::object &y, const py::object &jobs,
               const Gathered &gathered);

// The study's own arguments of montecarlo, as given.
struct Study {
    py::object samples, seed, uncertain, sampling;
};

// The comparison for each sample of the uncertain inputs, as the lines of sotoc
// montecarlo, gathered by the Python side into an xarray.Dataset over the samples
// (sotoc._StudyGathering), and the summary dict: the tuple (Dataset, summary).
// `progress` whether a progress bar shows the samples done.
py::tuple montecarlo(const SettingArguments &a, const Study &study, const py::object &jobs, const py::object &progress);
