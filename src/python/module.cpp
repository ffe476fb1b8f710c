// The module sotoc: its functions, their arguments and their help.
#include <pybind11/pybind11.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "formats/resultfile.h"
#include "formats/resultjson.h"
#include "formats/runcsv.h"
#include "settings/settings.h"
#include "python/calls.h"
#include "study/params.h"
#include "processes/workers.h"

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
    sweep(robot, motion, ..., errors=(FROM, TO, STEP), jobs=None, as_="records",
          progress=False)                   the comparison over a grid of mass errors
    map(robot, motion, ..., x=(NAME, FROM, TO, STEP), y=None, jobs=None,
        as_="records", progress=False)      the comparison over a grid of one
                                            setting or two
    montecarlo(robot, motion, ..., samples=N, uncertain={NAME: DIST}, seed=0,
               sampling="random", jobs=None, progress=False)
                                            the comparison for samples of uncertain
                                            settings: (xarray.Dataset, summary dict)
    records_frame(results)                  results as a flat pandas.DataFrame
    plot_sweep(results, measure="error"),   the panels of sweep --plot and map --plot
    plot_map(ds, measure="error")           as a matplotlib figure

Sweeps and maps return their results as the list of result dicts (as_="records"),
as a dict of NumPy arrays (as_="arrays") or as an xarray.Dataset (as_="xarray"): the
axes' values, and for every point the outcome code (an index into OUTCOMES), every
measure of each run, which search solved each design, whether the designs share
their structure, whether SOTOC reached its last phase and which of its phases the
fallback ended, shaped (ny, nx) for a map over two settings.

Batches, sweeps, maps and Monte Carlo studies run each comparison in its own worker
process. Each call starts from the program's start-up state, whatever ran before. Refused arguments
raise ValueError (TypeError for a value of the wrong type or an argument the
function does not have) with the refusal of the command line; a move without a
switching-time solution is a result, not an error. Ctrl-C during a batch, a sweep,
a map or a study raises KeyboardInterrupt once its worker processes are stopped. Calls from
several threads take turns; other threads run while the comparisons do. A call
from a signal handler while a call of the same thread runs raises RuntimeError.

The result dict (units in brackets):
    settings  robot, motion, ratios [rad/rad; cylindrical joint 2: rad/m],
              start, end [m], elbow, error [%], near [rad, m], sotoc-fallback [s]
              (None: none), tolerance [m]: the settings used, defaults applied;
              near, sotoc-fallback, tolerance, joint2-start, design-search and
              the settings of what the controller sees only when not at their
              defaults
    derived   T1max, T2max, T1maxG, T2maxG: torque limits without and with the
              gravity load [N m; cylindrical joint 2: N]; tfNom: nominal PTP time
              [s]; dt: sample period [s]
    outcome   "compared", "no-free-solution" (the error-free design failed) or
              "no-error-solution" (the design with the mass error failed)
    designs   free and error: solved, ts (switching times and final time [s]),
              chosen trial, search ("standard" or "wide": which found it), both
              trials (sigma2, iterations, verdict, tf [s], residual, guess);
              samestructure (both kept the same starting sign of joint 2)
    runs      tocFree, tocErr, sotocErr: tf [s], tip [m], error (positioning
              error with the velocity term) [m], ratio (to the stroke) [%],
              pastSpan; against the goal point: designedTipError [m] and
              designedTipSpeed [m/s] at the designed final time, endTipError [m]
              and endTipSpeed [m/s] at the end of the run, settlingTime [s];
              sotocErr also finished, and with a fallback or a control period
              phases (end [s], by "state" or "fallback", and with a control
              period the instant that ended it). None without a solution.
    program   version, commit: the module's version and the commit it was built
              from, as sotoc --version prints them
A figure that does not exist is None.)";

// The settings every function takes: their part of the signature and their help.
const char *const SETTINGSIGNATURE =
    "ratios: Optional[Sequence[float]] = None, start: Optional[Sequence[float]] = None, "
    "end: Optional[Sequence[float]] = None, elbow: str = {elbow}";
// The settings of SOTOC's switching rule and of the measures, after the mass error.
const char *const RULESIGNATURE =
    "near: float = {near}, sotoc_fallback: Optional[float] = None, tolerance: float = {tolerance}";
// The settings of the designs, after the mass error in the order of the settings.
const char *const DESIGNSIGNATURE =
    "joint2_start: str = {joint2start}, design_search: str = {designsearch}, "
    "design_errors: Optional[Mapping[str, float]] = None, params: Optional[Mapping[str, float]] = None, "
    "control_period: Optional[float] = None, encoder_counts: Optional[Sequence[float]] = None, "
    "sensor_noise: Optional[Sequence[float]] = None, seed: float = 0.0, sensor_delay: float = 0.0, "
    "servo_antiwindup: str = 'off', span: Optional[float] = None, reference: str = 'none'";
const char *const SETTINGSHELP = R"(    robot   str: "cylindrical" (rotary joint 1, prismatic joint 2) or "scara" (two
            rotary joints). Required.
    motion  str: "horizontal" (no gravity) or "vertical" (with gravity). Required.
    ratios  (U1, U2): reduction ratios of joints 1 and 2 [rad/rad; cylindrical joint 2:
            rad/m]; accepts {ratiosaccepted}.
            Default None: {cylratios} cylindrical, {scararatios} scara.
    start   (X, Y): PTP start point [m]; accepts {pointaccepted},
            for the SCARA robot a point it reaches. Default None: {start}.
    end     (X, Y): PTP end point [m], the same. Default None: {end}.
    elbow   str: SCARA elbow bent "down" (joint 2 >= 0) or "up" (joint 2 <= 0).
            Default {elbow}.
    robotfile  str or path: robot file (TOML, .json, .urdf) of an arm of your own, its kind and
            any primary value by the names params returns; robot must name its kind.
            Default None: the built-in robots.
)";
const char *const RULESHELP = R"(    near    float: bound of SOTOC's switching condition, the phase-plane distance
            within which a closest approach to a switching state ends a phase [rad;
            cylindrical: rad and m added]; accepts {nearaccepted}. Default {near}.
    sotoc_fallback
            float: a SOTOC phase not ended by the state this long after its designed
            switching instant ends then [s]; accepts {fallbackaccepted}.
            Default None: no fallback.
    tolerance
            float: distance of the tip from the goal within which a run counts as
            settled [m]; accepts {toleranceaccepted}. Default {tolerance}.
)";
const char *const DESIGNHELP = R"(    joint2_start  str: trials of both designs: "negative" or "positive" (only the
            trial with joint 2 starting so), or "shorter" (both, keeping the shorter
            final time). Default {joint2start}.
    design_search  str: starting guesses of the designs: "standard" (each trial from
            its one standard guess) or "wide" (further guesses when those find no
            solution). Default {designsearch}.
    design_errors  {NAME: PERCENT}: errors of the design with the error in values
            by the names params returns as primary or fixed at start (all but
            errRatio, which is error itself), such as {"L2": -10}: that design
            uses each value times (1 + PERCENT/100), the plant the true value;
            accepts -100 < PERCENT <= 900. Default None: none. Also taken
            by its former name designerrors.
    params  {NAME: VALUE}: true primary values of the arm by those names, as a
            robot file gives them (not the ratios or the points), such as
            {"L2": 0.45}. Default None: the robot's or the robot file's.
    control_period  float: the controller reads the state and sets the torques only
            at multiples of it, holding them in between [s]; accepts
            {controlperiodaccepted}. Default None: it reads the state continuously.
    encoder_counts  (N1, N2): encoder counts per motor revolution of joints 1 and 2:
            positions read to the nearest count, velocities by backward difference
            over the control period (needed); accepts {encoderaccepted}.
            Default None: exact positions and velocities.
    sensor_noise  (SQ1, SQ2, SV1, SV2): standard deviations of the Gaussian noise on
            the readings of the positions [rad; cylindrical joint 2: m] and
            velocities [rad/s; m/s]; needs the control period; accepts
            {noiseaccepted}. Default None: no noise.
    seed    float: seed of the noise, a whole number; accepts {seedaccepted}.
            Default 0.0.
    sensor_delay  float: the controller reads the state of this long ago [s]; needs
            the control period; accepts {delayaccepted}. Default 0.0.
    servo_antiwindup  str: "on": the servo's integrals stop growing while its torque
            saturates (conditional integration), or "off". Default 'off'.
    span    float: simulated span [s]; accepts {spanaccepted}. Default None: 4 s, or
            8 s after a nominal move longer than 4 s.
    reference  str: "optimal": also the minimum-time motion of the move, as
            sotoc optimal solves it (the result's "optimal" and each run's
            "tfOverOptimal"), or "none". Default 'none'.
)";

// The noise's seed in the designs' signature and help; a study draws it (an uncertain
// input) and its keyword seed is the draws' seed.
const char *const NOISESEEDSIGNATURE = "seed: float = 0.0, ";
const char *const NOISESEEDHELP = R"(    seed    float: seed of the noise, a whole number; accepts {seedaccepted}.
            Default 0.0.
)";

// `text` without its part `part`.
std::string without(std::string text, const std::string &part) { return text.erase(text.find(part), part.size()); }

const char *const JOBSHELP = R"(    jobs    int: comparisons at once, each in its own worker process, 1 to {maxjobs};
            the results are the same for every number. Default None: the number of
            cores ({cores}).
)";

const char *const COMPAREHELP = R"(compare(robot: str, motion: str, *, {settingsignature}, error: float = {error}, robotfile: Optional[str] = None, {rulesignature}, {designsignature}, logs: bool = False) -> Result

One comparison pass, as `sotoc compare --json` with the same settings: designs the
switching times with the nominal workpiece mass and with the mass error, simulates
error-free TOC, TOC with the error and SOTOC with the error, and returns the result
object (help(sotoc) lists its fields). A move without a switching-time solution is a
result: its outcome says which design failed, and runs is None.

Arguments:
{settings}    error   float: mass error of the design [%]; accepts {erroraccepted}.
            Default {error}.
{rules}{designs}    logs    bool: also return the logged samples of the three runs. Default False.

With logs=True the dict ends with "logs" (None without a solution): for tocFree,
tocErr and sotocErr a dict of NumPy float64 arrays, one element per logged sample,
the values of the CSV files of `sotoc compare --log`:
{columns})";

// Units of the logged columns, in the order of COLUMNKEYS.
const char *const COLUMNUNITS[RUNCOLUMNS] = {"time [s]",
                                             "joint 1 displacement [rad]",
                                             "joint 2 displacement [rad] (cylindrical: radius r [m])",
                                             "tip x [m]",
                                             "tip y [m]",
                                             "joint 1 torque [N m]",
                                             "joint 2 torque [N m] (cylindrical: force F2 [N])"};

const char *const PARAMSHELP = R"(params(robot: str, motion: str, *, {settingsignature}, error: float = {error}, robotfile: Optional[str] = None, {rulesignature}, {designsignature}) -> Dict[str, Any]

Every parameter of the robot model for the robot and the task of the settings, as
`sotoc params --json` with the same settings: the primary values, the values fixed
at start (the drives' sizing) and every derived value, as the comparison pass
derives them with the nominal masses. Returns {"settings": ..., "parameters":
{NAME: {"value", "unit", "kind", "meaning"}}, "program": ...}; kind is "primary",
"fixed at start" or "derived". A robot file gives values by these names.

Arguments:
{settings}    error   float: mass error of the design [%]; accepts {erroraccepted}.
            Default {error}.
{rules}{designs})";

const char *const BATCHHELP = R"(batch(settings: Iterable[Mapping[str, Any]], jobs: Optional[int] = None) -> List[Union[Result, LineRefusal]]

One comparison per dict of settings, as the lines of `sotoc batch` for the same
settings as JSON Lines: a list of result dicts in the order of the settings. A dict
holds the fields robot and motion (required), ratios, start, end, elbow, error,
robotfile, near, sotoc-fallback, tolerance, joint2-start, design-search, designerrors,
params, control-period, encoder-counts, sensor-noise, seed, sensor-delay,
servo-antiwindup, span and reference, with the values, units and defaults of compare's arguments, for example
{"robot": "scara", "motion": "vertical", "error": -20, "designerrors": {"L2": -10}}. A dict that cannot run gives
{"line": N, "error": "..."} in its place, N counting the settings from 1.

Arguments:
    settings  iterable of dicts of settings. Required.
{jobs})";

const char *const SWEEPHELP = R"(sweep(robot: str, motion: str, *, {settingsignature}, robotfile: Optional[str] = None, {rulesignature}, {designsignature}, errors: Union[Tuple[float, float, float], Sequence[float]], jobs: Optional[int] = None, as_: str = 'records', progress: bool = False) -> {gatheredtype}

The comparison of compare for every mass error of a grid, as the lines of
`sotoc sweep --errors FROM:TO:STEP` with the same settings: a list of result dicts in
grid order, each with its mass error among its settings (or the arrays of as_). The
error-free design and run are made once; each point runs in its own worker process.

Arguments:
{settings}{rules}{designs}    errors  (FROM, TO, STEP), a tuple: mass errors of the design [%]. Point i is
            FROM + i STEP; TO is the last point when it lies on the grid within a
            millionth of STEP. STEP > 0, FROM <= TO. Any other sequence of numbers (a
            list, a tuple of another length, a NumPy array such as
            numpy.arange(-10, 11, 5.0)) is the mass errors
            themselves, each above the one before. Every point strictly between
            {errorlimits}. Required.
{jobs}{gathered})";

const char *const MAPHELP = R"(map(robot: str, motion: str, *, {settingsignature}, error: Optional[float] = None, robotfile: Optional[str] = None, {rulesignature}, {designsignature}, x: Union[Tuple[str, float, float, float], Tuple[str, Sequence[float]]], y: Optional[Union[Tuple[str, float, float, float], Tuple[str, Sequence[float]]]] = None, jobs: Optional[int] = None, as_: str = 'records', progress: bool = False) -> {gatheredtype}

The comparison of compare for every point of a grid of one setting (x) or two (x and
y), as the lines of `sotoc map --x NAME=FROM:TO:STEP [--y NAME=FROM:TO:STEP]` with the
same settings: a list of result dicts in grid order (y outer, x inner), each the
object of compare with "map": {"i": I, "j": J} added, the point's indices along x
and y (J = 0 without y). A point the SCARA robot cannot reach has the outcome
"unreachable" and no figures. Points that differ only in the mass error share their
error-free half; each point runs in its own worker process. A setting the axes
replace in every point is refused (error with an error axis, ratios with a ratios
axis or with ratio1 and ratio2, start with start-x and start-y, end with end-x and
end-y).

Arguments:
{settings}    error   float: mass error of the design [%]; accepts {erroraccepted}.
            Default None: {error}, unless an axis varies it.
{rules}{designs}    x       (NAME, FROM, TO, STEP) or (NAME, VALUES): the setting varied along x
            (inner, index i), NAME one of {axisnames} (ratios: both ratios equal);
            FROM, TO, STEP as errors of sweep, or VALUES a sequence of increasing
            values, in the setting's unit (error [%], ratios [rad/rad; cylindrical
            joint 2: rad/m], points [m]) and range. Required.
    y       (NAME, FROM, TO, STEP) or (NAME, VALUES): the setting varied along y
            (outer, index j), another than x. Default None: a one-axis map.
{jobs}{gathered})";

const char *const MONTECARLOHELP = R"(montecarlo(robot: str, motion: str, *, {settingsignature}, error: Optional[float] = None, robotfile: Optional[str] = None, {rulesignature}, {studydesignsignature}, samples: int, seed: int = 0, uncertain: Union[Mapping[str, str], Sequence[str], str], sampling: str = 'random', jobs: Optional[int] = None, progress: bool = False) -> Tuple[xarray.Dataset, Dict[str, Any]]

The comparison of compare for each of `samples` samples of the uncertain inputs, as
`sotoc montecarlo --samples N --seed S --uncertain NAME=DIST ... --sampling WORD` with
the same settings: returns (ds, summary). ds is an xarray.Dataset over the dimension
"sample" (the samples' indices): each input's drawn value under its NAME; "outcome",
an index into sotoc.OUTCOMES; and for each run RUN of tocFree, tocErr and sotocErr
"runs.RUN.M" for every figure M of a run (tf, error, ratio, designedTipError,
designedTipSpeed, endTipError, endTipSpeed, settlingTime, pastSpan, and finished of
sotocErr), NaN (False) where the run did not happen; units and labels in the
variables' attrs, the settings no input draws and the study's seed, samples and
sampling in its attrs. summary is the summary object the command prints, as a dict:
the probability that SOTOC comes closer than TOC with its 95 % Wilson interval, the
quantiles with bootstrap intervals, the counts and the inputs' rank correlations with
the misses. The values equal the command's lines for the same seed; each sample runs
in its own worker process. An argument whose value an input draws (error with an
uncertain error, ...) is refused.

Arguments:
{settings}    error   float: mass error of the design [%]; accepts {erroraccepted}.
            Default None: {error}, unless an input draws it.
{rules}{studydesigns}    samples int: the number of samples N, 1 to 1000000. Required.
    seed    int: seed of the draws, 0 to 4294967295. Default 0.
    uncertain dict of NAME: DIST, list of "NAME=DIST" or one such str: the
            uncertain inputs, NAME one of {axisnames} (the noise's seed: seed),
            DIST normal:MEAN,SD (SD 0: a point), uniform:LO,HI,
            truncnormal:MEAN,SD,LO,HI or lognormal:ZETA,SIGMA (exp(ZETA + SIGMA z)),
            in the setting's unit (errors in %). Required.
    sampling str: "random" (independent draws), "lhs" (Latin hypercube) or "sobol"
            (scrambled Sobol points). Default 'random'.
{jobs}    progress bool: show the samples done and the time left with a tqdm progress
            bar, in a notebook too. Default False.
)";

// The arguments of sweep and map that choose how the results come back.
const char *const GATHEREDHELP = R"(    as_     str: "records" (the list of result dicts), "arrays" (a dict of NumPy
            arrays: each axis's values under its name, x first; "outcome", int8, an
            index into sotoc.OUTCOMES; for RUN free_toc, toc and sotoc (the runs
            tocFree, tocErr, sotocErr) RUN_error, RUN_tf, RUN_designed_tip_error,
            RUN_end_tip_error [m], RUN_designed_tip_speed, RUN_end_tip_speed [m/s],
            RUN_settling_time [s], float64, NaN where the run did not happen or the
            result holds null; sotoc_finished, same_structure and
            sotoc_phaseK_fallback (K 1 to 4), bool; free_search and error_search,
            int8, 0 unsolved, 1 standard, 2 wide; the older names
            "runs.RUN.error", "runs.RUN.tf" and "runs.sotocErr.finished" too; each
            of one element per point, shaped (ny, nx) for a map over two settings)
            or "xarray" (the same as an xarray.Dataset: the axes as coordinates;
            units, long_name and the JSON path of the result (json_path) in the
            variables' attrs; the settings no axis varies in its attrs).
            Default 'records'.
    progress bool: show the points done and the time left with a tqdm progress bar,
            in a notebook too. Default False.
)";

const char *const GATHEREDTYPE = "Union[List[Result], Dict[str, numpy.ndarray], xarray.Dataset]";

using Fields = std::vector<std::pair<std::string, std::string>>;

// `text` with each {name} of the fields replaced by its value, in the fields' order.
std::string fill(std::string text, const Fields &fields) {
    for (const auto &[name, value] : fields) {
        const std::string mark = "{" + name + "}";
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
            text.replace(at, mark.size(), value);
    }
    return text;
}

// A default as Python writes it.
std::string literal(const py::object &v) { return py::repr(v).cast<std::string>(); }

std::string pairtext(const double v[2]) { return "(" + numbertext(v[0]) + ", " + numbertext(v[1]) + ")"; }

// What the help texts say of the defaults and the accepted values: the records'
// start values (initialset) and the checks of the settings.
Fields helpfields(const CompareRequest &c, const CompareRequest &s) {
    std::string columns;
    for (int k = 0; k < RUNCOLUMNS; ++k) {
        char line[96];
        std::snprintf(line, sizeof line, "    %-6s%s\n", COLUMNKEYS[k], COLUMNUNITS[k]);
        columns += line;
    }
    return {{"settingsignature", SETTINGSIGNATURE},
            {"rulesignature", RULESIGNATURE},
            {"settings", SETTINGSHELP},
            {"rules", RULESHELP},
            {"designsignature", DESIGNSIGNATURE},
            {"designs", DESIGNHELP},
            {"studydesignsignature", without(DESIGNSIGNATURE, NOISESEEDSIGNATURE)},
            {"studydesigns", without(DESIGNHELP, NOISESEEDHELP)},
            {"jobs", JOBSHELP},
            {"gathered", GATHEREDHELP},
            {"gatheredtype", GATHEREDTYPE},
            {"columns", columns},
            {"ratiosaccepted", settingaccepts(SETTINGRATIOS)},
            {"pointaccepted", settingaccepts(SETTINGSTART)},
            {"erroraccepted", settingaccepts(SETTINGERROR)},
            {"nearaccepted", settingaccepts(SETTINGNEAR)},
            {"fallbackaccepted", settingaccepts(SETTINGFALLBACK)},
            {"toleranceaccepted", settingaccepts(SETTINGTOLERANCE)},
            {"controlperiodaccepted", settingaccepts(SETTINGCONTROLPERIOD)},
            {"encoderaccepted", settingaccepts(SETTINGENCODERCOUNTS)},
            {"noiseaccepted", settingaccepts(SETTINGSENSORNOISE)},
            {"seedaccepted", settingaccepts(SETTINGSEED)},
            {"delayaccepted", settingaccepts(SETTINGSENSORDELAY)},
            {"spanaccepted", settingaccepts(SETTINGSPAN)},
            {"near", literal(py::float_(c.near))},
            {"tolerance", literal(py::float_(c.tolerance))},
            {"cylratios", pairtext(c.u)},
            {"scararatios", pairtext(s.u)},
            {"start", pairtext(c.start)},
            {"end", pairtext(c.end)},
            {"elbow", literal(py::str(elbowword(c.elbow)))},
            {"joint2start", literal(py::str(settingword(SETTINGJOINT2START, c.joint2Start)))},
            {"designsearch", literal(py::str(settingword(SETTINGDESIGNSEARCH, c.designSearch)))},
            {"error", literal(py::float_(c.errorPercent))},
            {"errorlimits", numbertext(-MAXERRORPERCENT) + " and " + numbertext(MAXERRORPERCENT)},
            {"axisnames", axisnames()},
            {"maxjobs", std::to_string(MAXJOBS)},
            {"cores", std::to_string(cores())}};
}

// The arguments a function takes: the positional ones first, then the keyword-only
// ones; those without a default are required.
struct Parameters {
    const char *function;
    std::vector<const char *> names;     // in order
    size_t positional;                   // the first names, also taken by position
    std::vector<const char *> required;  // the names without a default
};

// The design errors' keyword: with '_' between its words as every other keyword of
// two words, where the setting's name (a result's and a batch line's field) has none.
const char *const DESIGNERRORSKEYWORD = "design_errors";
// The design errors' former keyword, still taken for them.
const char *const DESIGNERRORSALIAS = "designerrors";

// The keyword of setting s in the functions' signatures.
const char *keyword(Setting s) { return s == SETTINGDESIGNERRORS ? DESIGNERRORSKEYWORD : settingkeyword(s); }

// The keyword a given name stands for: the name itself, or that of an alias.
std::string unaliased(const std::string &name) { return name == DESIGNERRORSALIAS ? DESIGNERRORSKEYWORD : name; }

// The setting of a keyword of the signatures, SETTINGS for none.
Setting withkeyword(const std::string &name) {
    int s = 0;
    while (s < SETTINGS && name != keyword(static_cast<Setting>(s))) ++s;
    return static_cast<Setting>(s);
}

// The keywords of the settings, in the order of their rows, without `left` (SETTINGS
// for none), then `more`.
std::vector<const char *> settingnames(Setting left, std::vector<const char *> more) {
    std::vector<const char *> names;
    for (int s = 0; s < SETTINGS; ++s)
        if (s != left) names.push_back(keyword(static_cast<Setting>(s)));
    names.insert(names.end(), more.begin(), more.end());
    return names;
}

const Parameters COMPAREPARAMETERS{"compare", settingnames(SETTINGS, {"logs"}), 2, {"robot", "motion"}};
const Parameters PARAMSPARAMETERS{"params", settingnames(SETTINGS, {}), 2, {"robot", "motion"}};
const Parameters BATCHPARAMETERS{"batch", {"settings", "jobs"}, 2, {"settings"}};
// A sweep's points vary the mass error.
const Parameters SWEEPPARAMETERS{"sweep", settingnames(SETTINGERROR, {"errors", "jobs", "as_", "progress"}), 2,
                                 {"robot", "motion", "errors"}};
const Parameters MAPPARAMETERS{"map", settingnames(SETTINGS, {"x", "y", "jobs", "as_", "progress"}), 2,
                               {"robot", "motion", "x"}};

// A Monte Carlo study's inputs are drawn: its own settings, the noise's seed among them.
const Parameters MONTECARLOPARAMETERS{
    "montecarlo",
    settingnames(SETTINGSEED, {"samples", "seed", "uncertain", "sampling", "jobs", "progress"}),
    2,
    {"robot", "motion", "samples", "uncertain"}};

bool among(const std::vector<const char *> &names, size_t first, size_t last, const std::string &name) {
    for (size_t k = first; k < last && k < names.size(); ++k)
        if (name == names[k]) return true;
    return false;
}

// Why the function cannot take these arguments, as Python words it, with the
// arguments it has: a keyword it does not have, too many by position, one given
// twice, or one required and missing.
std::string argumentsrefusal(const Parameters &p, const py::args &args, const py::kwargs &kwargs) {
    std::string names;
    for (const char *name : p.names) names += (names.empty() ? "" : ", ") + std::string(name);
    const std::string function = std::string(p.function) + "()";
    for (const auto &item : kwargs) {
        const std::string name = unaliased(py::str(item.first).cast<std::string>());
        if (!among(p.names, 0, p.names.size(), name))
            return function + " got an unexpected keyword argument '" + name + "'; its arguments are " + names;
        if (among(p.names, 0, std::min(args.size(), p.positional), name))
            return function + " got multiple values for argument '" + name + "'";
    }
    if (kwargs.contains(DESIGNERRORSKEYWORD) && kwargs.contains(DESIGNERRORSALIAS))
        return function + " got multiple values for argument '" + DESIGNERRORSKEYWORD + "' (also as '" +
               DESIGNERRORSALIAS + "')";
    if (args.size() > p.positional)
        return function + " takes " + std::to_string(p.positional) + " positional arguments but " +
               std::to_string(args.size()) + " were given; its arguments are " + names;
    for (const char *name : p.required)
        if (!among(p.names, 0, args.size(), name) && !kwargs.contains(name))
            return function + " missing required argument '" + name + "'";
    return function + " cannot take these arguments; its arguments are " + names;
}

// Adds the function's fallback, called when the arguments do not fit it: raises
// TypeError saying why. Without a help of its own, the function's help stays its own.
void refuseotherarguments(py::module_ &m, const Parameters &p) {
    m.def(p.function, [&p](const py::args &args, const py::kwargs &kwargs) {
        throw py::type_error(argumentsrefusal(p, args, kwargs));
    });
}

// The arguments of a call that fit function p: robot and motion by position or by
// name, the others by name. Raises TypeError saying why when they do not fit.
struct Bound {
    SettingArguments settings;           // by Setting; no object for one not given
    std::map<std::string, py::object> more;  // the function's other arguments given, by name
    // The argument `name` of `more`, or `otherwise` when it was not given.
    py::object get(const std::string &name, py::object otherwise) const {
        const auto found = more.find(name);
        return found == more.end() ? otherwise : found->second;
    }
    // The arguments as_ and progress, their defaults where not given.
    Gathered gathered() const {
        const bool progress = flagof(get("progress", py::bool_(false)), "progress");
        return Gathered{get("as_", py::str("records")), py::bool_(progress)};
    }
};

Bound bind(const Parameters &p, const py::args &args, const py::kwargs &kwargs) {
    bool fits = args.size() <= p.positional;
    for (const auto &item : kwargs) {
        const std::string name = unaliased(py::str(item.first).cast<std::string>());
        fits = fits && among(p.names, 0, p.names.size(), name) && !among(p.names, 0, args.size(), name);
    }
    fits = fits && !(kwargs.contains(DESIGNERRORSKEYWORD) && kwargs.contains(DESIGNERRORSALIAS));
    for (const char *name : p.required) fits = fits && (among(p.names, 0, args.size(), name) || kwargs.contains(name));
    if (!fits) throw py::type_error(argumentsrefusal(p, args, kwargs));
    Bound b;
    const auto take = [&b](const std::string &name, const py::object &value) {
        const Setting s = withkeyword(name);
        if (s == SETTINGS)
            b.more[name] = value;
        else
            b.settings.given[s] = value;
    };
    for (size_t k = 0; k < args.size(); ++k) take(p.names[k], args[k]);
    for (const auto &item : kwargs)
        take(unaliased(py::str(item.first).cast<std::string>()), py::reinterpret_borrow<py::object>(item.second));
    return b;
}

// Defines function p with its help, taking its arguments as bind does.
template <class Call>
void define(py::module_ &m, const Parameters &p, const std::string &help, Call call) {
    m.def(p.function, [&p, call](const py::args &args, const py::kwargs &kwargs) { return call(bind(p, args, kwargs)); },
          help.c_str());
}

}  // namespace

// The compiled part of the module sotoc, which sotoc.py imports and completes.
PYBIND11_MODULE(_sotoc, m) {
    py::options options;
    options.disable_function_signatures();  // each help starts with its signature, written out
    initialset();
    const CompareRequest d = defaultrequest(ROBOTCYL, MOTIONHORIZONTAL);
    const Fields fields = helpfields(d, defaultrequest(ROBOTSCARA, MOTIONHORIZONTAL));
    m.doc() = ABOUT;
    m.attr("__version__") = SOTOC_VERSION;
    define(m, COMPAREPARAMETERS, fill(COMPAREHELP, fields),
           [](const Bound &b) { return compare(b.settings, b.get("logs", py::bool_(false))); });
    define(m, PARAMSPARAMETERS, fill(PARAMSHELP, fields), [](const Bound &b) { return params(b.settings); });
    m.def("batch", &batch, fill(BATCHHELP, fields).c_str(), py::arg("settings"), py::arg("jobs") = py::none());
    refuseotherarguments(m, BATCHPARAMETERS);
    m.def("plotsetup", &plotsetup, "plotsetup(lines: Sequence[str]) -> Dict[str, Tuple[float, float]]\n\n"
          "The title lines and the arm's reach [m] of the picture of result lines (JSON texts), as the program "
          "draws them; ValueError when they make no picture.", py::arg("lines"));
    define(m, SWEEPPARAMETERS, fill(SWEEPHELP, fields),
           [](const Bound &b) {
               return sweep(b.settings, b.get("errors", py::none()), b.get("jobs", py::none()), b.gathered());
           });
    define(m, MAPPARAMETERS, fill(MAPHELP, fields), [](const Bound &b) {
        return map(b.settings, b.get("x", py::none()), b.get("y", py::none()), b.get("jobs", py::none()),
                   b.gathered());
    });
    define(m, MONTECARLOPARAMETERS, fill(MONTECARLOHELP, fields), [](Bound b) {
        // seed is the draws' seed here, bound as the noise's keyword of the same name
        const py::object seed = b.settings.given[SETTINGSEED] ? b.settings.given[SETTINGSEED] : py::none();
        b.settings.given[SETTINGSEED] = py::object();
        const Study study{b.get("samples", py::none()), seed, b.get("uncertain", py::none()),
                          b.get("sampling", py::str("random"))};
        return montecarlo(b.settings, study, b.get("jobs", py::none()),
                          py::bool_(flagof(b.get("progress", py::bool_(false)), "progress")));
    });
    // The outcomes of a result, by their codes in the arrays of sweeps and maps.
    m.attr("OUTCOMES") =
        py::make_tuple(outcomeword(COMPARED), outcomeword(NOFREESOLUTION), outcomeword(NOERRSOLUTION), UNREACHABLE,
                       outcomeword(DIVERGED));
    m.attr("RUNNAMES") = py::make_tuple(RUNNAMES[0], RUNNAMES[1], RUNNAMES[2]);
    // The measures the pictures draw, as --measure names them: (name, words, unit,
    // drawn over decades, the title of the ratio of SOTOC's to TOC's value, the words
    // of a map's colour scale, the word of SOTOC's smaller value: "closer", "sooner").
    py::list measures;
    for (int k = 0; k < MEASURES; ++k) {
        const MeasureRow &row = measurerow(static_cast<Measure>(k));
        measures.append(py::make_tuple(row.name, row.words, row.unit, row.logscale, row.ratio, row.scale, row.better));
    }
    m.attr("MEASURES") = py::tuple(measures);
}
