// The module sotoc: its functions, their arguments and their help.
#include <pybind11/pybind11.h>

#include <string>

#include "formats/runcsv.h"
#include "python/calls.h"
#include "study/params.h"
#include "workers/workers.h"

namespace {

const char *const ABOUT = R"(Time-optimal control of a two-axis robot arm, with and without state observation.

Runs the comparisons of the sotoc program: how far normal time-optimal control
(TOC) and state-observed TOC (SOTOC) miss the goal when the switching times were
designed with a wrong workpiece mass. Results are the objects that
`sotoc compare --json` prints, as dicts with the same keys in the same order and
the same numbers to the last bit.

    compare(robot, motion, ...)             one comparison; logs=True adds the runs
                                            as NumPy arrays
    batch(settings, jobs=None)              one comparison per dict of settings
    sweep(robot, motion, ..., errors=(FROM, TO, STEP), jobs=None)
                                            the comparison over a grid of mass errors

Batches and sweeps run each comparison in its own worker process. Each call
starts from the program's start-up state, whatever ran before. Refused arguments
raise ValueError (TypeError for a value of the wrong type) with the refusal of
the command line; a move without a switching-time solution is a result, not an
error. Ctrl-C during a batch or a sweep raises KeyboardInterrupt once its worker
processes are stopped.

The result dict (units in brackets):
    settings  robot, motion, ratios [rad/rad; cylindrical joint 2: rad/m],
              start, end [m], elbow, error [%]: the settings used, defaults applied
    derived   T1max, T2max, T1maxG, T2maxG: torque limits without and with the
              gravity load [N m; cylindrical joint 2: N]; tfNom: nominal PTP time
              [s]; dt: sample period [s]
    outcome   "compared", "no-free-solution" (the error-free design failed) or
              "no-error-solution" (the design with the mass error failed)
    designs   free and error: solved, ts (switching times and final time [s]),
              chosen trial, both trials (sigma2, iterations, verdict, tf [s])
    runs      tocFree, tocErr, sotocErr: tf [s], tip [m], error (positioning
              error with the velocity term) [m], ratio (to the stroke) [%],
              pastSpan; sotocErr also finished. None without a solution.
A figure that does not exist is None.)";

// A default as Python writes it.
std::string literal(const py::object &v) { return py::repr(v).cast<std::string>(); }
std::string elbowdefault(const CompareRequest &d) { return literal(py::str(elbowword(d.elbow))); }
std::string errordefault(const CompareRequest &d) { return literal(py::float_(d.errorPercent)); }

// The help of the settings every function takes, defaults from the records.
std::string settingshelp() {
    const CompareRequest c = defaultrequest(ROBOTCYL, MOTIONHORIZONTAL);
    const CompareRequest s = defaultrequest(ROBOTSCARA, MOTIONHORIZONTAL);
    const auto pair = [](const double v[2]) { return "(" + numbertext(v[0]) + ", " + numbertext(v[1]) + ")"; };
    return "    robot   str: \"cylindrical\" (rotary joint 1, prismatic joint 2) or \"scara\" (two\n"
           "            rotary joints). Required.\n"
           "    motion  str: \"horizontal\" (no gravity) or \"vertical\" (with gravity). Required.\n"
           "    ratios  (U1, U2): reduction ratios of joints 1 and 2 [rad/rad; cylindrical joint 2:\n"
           "            rad/m]; accepts " + settingaccepts(SETTINGRATIOS) + ".\n"
           "            Default None: " + pair(c.u) + " cylindrical, " + pair(s.u) + " scara.\n"
           "    start   (X, Y): PTP start point [m]; accepts " + settingaccepts(SETTINGSTART) + ",\n"
           "            for the SCARA robot a point it reaches. Default None: " + pair(c.start) + ".\n"
           "    end     (X, Y): PTP end point [m], the same. Default None: " + pair(c.end) + ".\n"
           "    elbow   str: SCARA elbow bent \"down\" (joint 2 >= 0) or \"up\" (joint 2 <= 0).\n"
           "            Default " + elbowdefault(c) + ".\n";
}

std::string jobshelp() {
    return "    jobs    int: comparisons at once, each in its own worker process, 1 to " +
           std::to_string(MAXJOBS) + "; the\n            results are the same for every number. Default None: the number of cores (" +
           std::to_string(cores()) + ").\n";
}

std::string comparehelp(const CompareRequest &d) {
    std::string columns;
    const char *const units[RUNCOLUMNS] = {"time [s]",
                                           "joint 1 displacement [rad]",
                                           "joint 2 displacement [rad] (cylindrical: radius r [m])",
                                           "tip x [m]",
                                           "tip y [m]",
                                           "joint 1 torque [N m]",
                                           "joint 2 torque [N m] (cylindrical: force F2 [N])"};
    for (int c = 0; c < RUNCOLUMNS; ++c) columns += "        " + std::string(COLUMNKEYS[c]) + std::string(6 - std::string(COLUMNKEYS[c]).size(), ' ') + units[c] + "\n";
    return "compare(robot: str, motion: str, *, ratios: Optional[Sequence[float]] = None, "
           "start: Optional[Sequence[float]] = None, end: Optional[Sequence[float]] = None, "
           "elbow: str = " + elbowdefault(d) + ", error: float = " + errordefault(d) +
           ", logs: bool = False) -> Dict[str, Any]\n\n"
           "One comparison pass, as `sotoc compare --json` with the same settings: designs the\n"
           "switching times with the nominal workpiece mass and with the mass error, simulates\n"
           "error-free TOC, TOC with the error and SOTOC with the error, and returns the result\n"
           "object (help(sotoc) lists its fields). A move without a switching-time solution is a\n"
           "result: its outcome says which design failed, and runs is None.\n\n"
           "Arguments:\n" + settingshelp() +
           "    error   float: mass error of the design [%]; accepts " + settingaccepts(SETTINGERROR) +
           ".\n            Default " + errordefault(d) + ".\n"
           "    logs    bool: also return the logged samples of the three runs. Default False.\n\n"
           "With logs=True the dict ends with \"logs\" (None without a solution): for tocFree,\n"
           "tocErr and sotocErr a dict of NumPy float64 arrays, one element per logged sample,\n"
           "the values of the CSV files of `sotoc compare --log`:\n" + columns;
}

std::string batchhelp() {
    return "batch(settings: Iterable[Mapping[str, Any]], jobs: Optional[int] = None) -> List[Dict[str, Any]]\n\n"
           "One comparison per dict of settings, as the lines of `sotoc batch` for the same\n"
           "settings as JSON Lines: a list of result dicts in the order of the settings. A dict\n"
           "holds the fields robot and motion (required), ratios, start, end, elbow and error, with\n"
           "the values, units and defaults of compare's arguments, for example\n"
           "{\"robot\": \"scara\", \"motion\": \"vertical\", \"error\": -20}. A dict that cannot run gives\n"
           "{\"line\": N, \"error\": \"...\"} in its place, N counting the settings from 1.\n\n"
           "Arguments:\n"
           "    settings  iterable of dicts of settings. Required.\n" + jobshelp();
}

std::string sweephelp(const CompareRequest &d) {
    return "sweep(robot: str, motion: str, *, ratios: Optional[Sequence[float]] = None, "
           "start: Optional[Sequence[float]] = None, end: Optional[Sequence[float]] = None, "
           "elbow: str = " + elbowdefault(d) + ", errors: Tuple[float, float, float], "
           "jobs: Optional[int] = None) "
           "-> List[Dict[str, Any]]\n\n"
           "The comparison of compare for every mass error of a grid, as the lines of\n"
           "`sotoc sweep --errors FROM:TO:STEP` with the same settings: a list of result dicts in\n"
           "grid order, each with its mass error among its settings. The error-free design and run\n"
           "are made once; each point runs in its own worker process.\n\n"
           "Arguments:\n" + settingshelp() +
           "    errors  (FROM, TO, STEP): mass errors of the design [%]. Point i is FROM + i STEP;\n"
           "            TO is the last point when it lies on the grid within a millionth of STEP.\n"
           "            STEP > 0, FROM <= TO, every point strictly between " + numbertext(-MAXERRORPERCENT) +
           " and " + numbertext(MAXERRORPERCENT) + ". Required.\n" +
           jobshelp();
}

}  // namespace

PYBIND11_MODULE(sotoc, m) {
    py::options options;
    options.disable_function_signatures();  // each help starts with its signature, written out
    initialset();
    const CompareRequest d = defaultrequest(ROBOTCYL, MOTIONHORIZONTAL);
    m.doc() = ABOUT;
    m.attr("__version__") = SOTOC_VERSION;
    m.def(
        "compare",
        [](py::object robot, py::object motion, py::object ratios, py::object start, py::object end, py::object elbow,
           py::object error, bool logs) {
            return compare(SettingArguments{robot, motion, ratios, start, end, elbow, error}, logs);
        },
        comparehelp(d).c_str(), py::arg("robot"), py::arg("motion"), py::kw_only(), py::arg("ratios") = py::none(),
        py::arg("start") = py::none(), py::arg("end") = py::none(), py::arg("elbow") = elbowword(d.elbow),
        py::arg("error") = d.errorPercent, py::arg("logs") = false);
    m.def("batch", &batch, batchhelp().c_str(), py::arg("settings"), py::arg("jobs") = py::none());
    m.def(
        "sweep",
        [](py::object robot, py::object motion, py::object ratios, py::object start, py::object end, py::object elbow,
           py::object errors, py::object jobs) {
            return sweep(SettingArguments{robot, motion, ratios, start, end, elbow, py::object()}, errors, jobs);
        },
        sweephelp(d).c_str(), py::arg("robot"), py::arg("motion"), py::kw_only(), py::arg("ratios") = py::none(),
        py::arg("start") = py::none(), py::arg("end") = py::none(), py::arg("elbow") = elbowword(d.elbow),
        py::arg("errors"), py::arg("jobs") = py::none());
}
