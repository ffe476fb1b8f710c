"""The module sotoc: the compiled functions of _sotoc with signatures that inspect
reads, the results of sweeps and maps as arrays, as an xarray.Dataset or as a
pandas.DataFrame, progress bars, and the pictures of the command line drawn with
matplotlib. NumPy, xarray, pandas, tqdm and matplotlib are imported only by the
calls that need them."""

import ast
import importlib
import inspect
import json
import math
import re
import reprlib

import _sotoc

__doc__ = _sotoc.__doc__
__version__ = _sotoc.__version__
OUTCOMES = _sotoc.OUTCOMES  # the outcome words, by their codes in the arrays
RUNNAMES = _sotoc.RUNNAMES  # tocFree, tocErr, sotocErr
MEASURES = _sotoc.MEASURES  # the measures the pictures draw: (name, words, unit, drawn over decades, ratio title,
                           # colour scale's words, the smaller ratio's word)

__all__ = ["compare", "params", "batch", "sweep", "map", "records_frame", "plot_sweep", "plot_map", "OUTCOMES", "RUNNAMES",
           "MEASURES"]

# The forms of the results of sweeps and maps (the argument as_).
FORMS = ("records", "arrays", "xarray")

RUNWORDS = {"tocFree": "error-free TOC", "tocErr": "TOC with the mass error", "sotocErr": "SOTOC with the mass error"}
# The runs' prefixes in the names of the arrays.
RUNPREFIXES = {"tocFree": "free_toc", "tocErr": "toc", "sotocErr": "sotoc"}
# The figures of a run: (member, units, what it is).
RUNFIGURES = [("error", "m", "positioning error with the velocity term"), ("tf", "s", "final time"),
              ("designedTipError", "m", "tip's distance from the goal at the designed final time"),
              ("designedTipSpeed", "m/s", "tip's speed at the designed final time"),
              ("endTipError", "m", "tip's distance from the goal at the end of the run"),
              ("endTipSpeed", "m/s", "tip's speed at the end of the run"),
              ("settlingTime", "s", "settling time")]
# The searches that solve a design, by their codes in the arrays (0: none solved it).
SEARCHES = (None, "standard", "wide")
# Phases of a SOTOC run.
PHASES = 4


def _snake(name):
    """A member's name in lower case with underscores: designedTipError, designed_tip_error."""
    return re.sub(r"([A-Z])", lambda m: "_" + m.group(1).lower(), name)


# The variables kept of each point in the arrays: (name, JSON path in a result, dtype,
# value where the result lacks it or holds null, units, long name, the value as kept).
VARIABLES = [("%s_%s" % (RUNPREFIXES[run], _snake(member)), "runs.%s.%s" % (run, member), "float64", math.nan, unit,
              "%s: %s" % (RUNWORDS[run], what), float) for run in RUNNAMES for member, unit, what in RUNFIGURES] + \
            [("sotoc_finished", "runs.sotocErr.finished", "bool", False, "1",
              "SOTOC with the mass error: reached its last phase", bool),
             ("same_structure", "designs.samestructure", "bool", False, "1",
              "both designs start joint 2 with the same sign (false where not compared)", bool)] + \
            [("%s_search" % design, "designs.%s.search" % design, "int8", 0, "1",
              "%s: the search that solved it, 0 none, 1 standard, 2 wide" % words, SEARCHES.index)
             for design, words in [("free", "error-free design"), ("error", "design with the mass error")]] + \
            [("sotoc_phase%d_fallback" % (k + 1), "runs.sotocErr.phases.%d.by" % k, "bool", False, "1",
              "SOTOC with the mass error: phase %d ended by the fallback" % (k + 1), lambda by: by == "fallback")
             for k in range(PHASES)]
# The names of earlier versions, kept: their JSON paths.
ALIASES = ["runs.%s.%s" % (run, member) for run in RUNNAMES for member in ("error", "tf")] + ["runs.sotocErr.finished"]
# A variable's name by its JSON path.
NAMEOF = {path: name for name, path, *_ in VARIABLES}


def _at(result, path):
    """The value at the dotted path of a result, None where it has none."""
    value = result
    for key in path.split("."):
        if isinstance(value, list):
            value = value[int(key)] if int(key) < len(value) else None
        elif isinstance(value, dict):
            value = value.get(key)
        if value is None:
            return None
    return value


# The axis of a sweep's records, as the command labels it.
ERRORLABEL = "mass error of the design [%]"

# The outcome codes the plots tell apart: compared, the two designs' failures (the
# error-free design's, the design's with the error); the others did not run.
COMPARED, UNREACHABLE = OUTCOMES.index("compared"), OUTCOMES.index("unreachable")
NOFREESOLUTION, NOERRSOLUTION = 1, 2


def _signature(function):
    """The signature the first line of the compiled function's help writes out, with
    its annotations as text."""
    definition = ast.parse("def " + function.__doc__.splitlines()[0] + ": ...").body[0]
    a = definition.args
    parameters = []
    defaults = [None] * (len(a.args) - len(a.defaults)) + list(a.defaults)
    for argument, default in zip(a.args, defaults):
        parameters.append(inspect.Parameter(
            argument.arg, inspect.Parameter.POSITIONAL_OR_KEYWORD, annotation=ast.unparse(argument.annotation),
            default=inspect.Parameter.empty if default is None else ast.literal_eval(default)))
    for argument, default in zip(a.kwonlyargs, a.kw_defaults):
        parameters.append(inspect.Parameter(
            argument.arg, inspect.Parameter.KEYWORD_ONLY, annotation=ast.unparse(argument.annotation),
            default=inspect.Parameter.empty if default is None else ast.literal_eval(default)))
    return inspect.Signature(parameters, return_annotation=ast.unparse(definition.returns))


def _front(compiled):
    """The compiled function as a Python function with its name, help and signature;
    the compiled one reads and refuses the arguments."""
    def function(*args, **kwargs):
        return compiled(*args, **kwargs)
    function.__name__ = function.__qualname__ = compiled.__name__
    function.__doc__ = compiled.__doc__
    function.__signature__ = _signature(compiled)
    return function


compare = _front(_sotoc.compare)
params = _front(_sotoc.params)
batch = _front(_sotoc.batch)
sweep = _front(_sotoc.sweep)
map = _front(_sotoc.map)  # noqa: A001  (the subcommand's name)


def _progressbar(count):
    """A tqdm progress bar of `count` points: a widget in a notebook that has
    ipywidgets, else text on standard error (which a notebook shows too)."""
    try:
        from tqdm.auto import tqdm
        return tqdm(total=count, unit="point")
    except ImportError:
        from tqdm import tqdm
        return tqdm(total=count, unit="point")


def _units(label):
    """The units in the brackets of an axis's label ("%", "rad/rad; rad/m")."""
    return "; ".join(re.findall(r"\[([^\]]*)\]", label))


class _Gathering:
    """The results of a sweep or a map as they arrive, in grid order (made and fed by
    _sotoc): kept as dicts, or only their figures, in arrays of one element per point.

    as_       one of FORMS; refused with ValueError before any point runs
    progress  whether a progress bar shows the points done
    axes      the axes, x first: dicts of name, setting, first, count (the numbers of
              the setting it sets), label and values
    count     points of the run"""

    def __init__(self, as_, progress, axes, count):
        if not isinstance(as_, str) or as_ not in FORMS:
            raise ValueError(f"as_: {as_!r} refused; accepts 'records', 'arrays' or 'xarray'")
        self.form = as_
        self.xarray = importlib.import_module("xarray") if as_ == "xarray" else None
        self.axes = axes
        self.count = count
        self.done = 0
        self.first = None  # the first result, for the settings no axis varies
        self.records = []
        self.shared = None  # what the program's picture of the results shares (_sotoc sets it): title, reach
        self.arrays = {}
        if as_ != "records":
            import numpy
            self.arrays["outcome"] = numpy.zeros(count, dtype="int8")
            for name, _, dtype, missing, *_ in VARIABLES:
                self.arrays[name] = numpy.full(count, missing, dtype=dtype)
        self.bar = _progressbar(count) if progress else None

    def add(self, result):
        k = self.done
        self.done += 1
        if self.form == "records":
            self.records.append(result)
        else:
            if self.first is None:
                self.first = {"settings": result["settings"], "program": result["program"]}
            self.arrays["outcome"][k] = OUTCOMES.index(result["outcome"])
            for name, path, _, missing, _, _, kept in VARIABLES:
                value = _at(result, path)
                self.arrays[name][k] = missing if value is None else kept(value)
        if self.bar is not None:
            self.bar.update(1)

    def close(self):
        if self.bar is not None:
            self.bar.close()

    def end(self):
        """The results in their form."""
        self.close()
        if self.form == "records":
            return self.records
        import numpy
        shape = tuple(len(a["values"]) for a in reversed(self.axes))
        arrays = {a["name"]: numpy.array(a["values"], dtype="float64") for a in self.axes}
        arrays.update({key: values.reshape(shape) for key, values in self.arrays.items()})
        arrays.update({path: arrays[NAMEOF[path]] for path in ALIASES})
        if self.form == "arrays":
            arrays.update(self.picture())
            return arrays
        return self.dataset(arrays)

    def picture(self):
        """The title (its two lines, joined by a newline) and the arm's reach [m] of the
        program's picture of the results; none without results."""
        if self.shared is None:
            return {}
        return {"title": "\n".join(self.shared["title"]), "reach": tuple(self.shared["reach"])}

    def dataset(self, arrays):
        dims = tuple(a["name"] for a in reversed(self.axes))
        coords = {a["name"]: (a["name"], arrays[a["name"]], {"units": _units(a["label"]), "long_name": a["label"]})
                  for a in self.axes}
        variables = {"outcome": (dims, arrays["outcome"], {
            "long_name": "outcome of the comparison", "units": "1", "json_path": "outcome",
            "flag_values": list(range(len(OUTCOMES))), "flag_meanings": " ".join(OUTCOMES)})}
        for name, path, _, _, unit, what, _ in VARIABLES:
            variables[name] = (dims, arrays[name], {"long_name": what, "units": unit, "json_path": path})
        for path in ALIASES:
            variables[path] = variables[NAMEOF[path]]
        attrs = self.settings()
        attrs.update(self.picture())
        return self.xarray.Dataset(variables, coords=coords, attrs=attrs)

    def settings(self):
        """The settings of the points for the Dataset's attrs, each setting flat: the
        numbers an axis varies as NaN; the program that made them."""
        if self.first is None:
            return {}
        attrs = {}
        for name, value in self.first["settings"].items():
            if isinstance(value, dict):  # values by parameter name: one attr each
                varied = {a["name"].split(":", 1)[1] for a in self.axes if a["setting"] == name}
                attrs.update({name + "." + k: math.nan if k in varied else v for k, v in value.items()})
                continue
            if isinstance(value, list):
                value = list(value)
            for a in self.axes:
                if a["setting"] == name:
                    if isinstance(value, list):
                        value[a["first"]:a["first"] + a["count"]] = [math.nan] * a["count"]
                    else:
                        value = math.nan
            attrs[name] = value
        attrs.update({"program." + k: v for k, v in self.first["program"].items()})
        return attrs


def _flat(value, prefix, row):
    """The leaves of a result into row, under dotted names; the items of a list
    numbered from 0; nothing for None, which other rows may fill."""
    if isinstance(value, dict):
        for key, item in value.items():
            _flat(item, prefix + key + ".", row)
    elif isinstance(value, list):
        for k, item in enumerate(value):
            _flat(item, prefix + str(k) + ".", row)
    elif value is not None:
        row[prefix[:-1]] = value


def _isresult(value):
    """Whether value is a line of results: a dict with its settings, or a batch's bad line."""
    return isinstance(value, dict) and (isinstance(value.get("settings"), dict) or "line" in value)


def records_frame(results: "Union[Result, Iterable[Mapping[str, Any]]]") -> "pandas.DataFrame":
    """The results of compare, batch, sweep or map (a list of result dicts, or one) as a
    flat pandas.DataFrame: one row per result, a column per figure under its dotted
    name ("settings.error", "settings.ratios.0", "runs.sotocErr.error", "map.i"),
    NaN where a result lacks it (the runs of a point without a solution, a figure
    that does not exist). The columns are in the order of the results' keys. Anything
    else (a str, a number, the arrays or Dataset of as_="arrays" or "xarray") raises
    TypeError."""
    import pandas
    if isinstance(results, dict):
        results = [results]
    refusal = TypeError("records_frame: %s refused; takes a result dict or an iterable of them (compare, batch, or "
                        "sweep and map with as_=\"records\"), not arrays" % reprlib.repr(results))
    try:
        results = list(results)
    except TypeError:
        raise refusal from None
    if not all(_isresult(r) for r in results):
        raise refusal
    rows = []
    for result in results:
        row = {}
        _flat({k: v for k, v in result.items() if k != "logs"}, "", row)
        rows.append(row)
    columns = {}
    for row in sorted(rows, key=len, reverse=True):
        columns.update(dict.fromkeys(row))
    return pandas.DataFrame.from_records(rows, columns=list(columns))


# --- the pictures ----------------------------------------------------------------------

# The colours, styles and marks of the command's pictures (its colour map 0): TOC
# orange, dashed, squares; SOTOC blue, solid, circles, open where SOTOC never reached
# its last phase; on the x axis grey triangles up where the error-free design has no
# solution, down where the design with the error has none, black diamonds that did
# not run. Map cells without figures: line patterns on white, horizontal where the
# error-free design has no solution, vertical where the design with the error has
# none, crossed diagonals that did not run; diagonal hatching over the cells where
# SOTOC never reached its last phase; the ratio of SOTOC's to TOC's value on cividis,
# dark blue (SOTOC's smaller) over mid-grey to light yellow; the reach circles a
# black line under a white one.
TOCCOLOUR, SOTOCCOLOUR, GREY = "#e69f00", "#0072b2", "#6e6e6e"
NOFIGURESPATTERNS, UNFINISHEDPATTERN = ("---", "|||", "xxx"), "///"
RATIOSCALE = "cividis"
TOCSTYLE, SOTOCSTYLE, TOCMARK, SOTOCMARK = "--", "-", "s", "o"
NOFIGURESMARKS = {NOFREESOLUTION: ("^", GREY), NOERRSOLUTION: ("v", GREY)}
NOTRUNMARK = ("D", "black")
REACHWIDTH, REACHINNERWIDTH = 2.0, 0.8
# Share of the x span left free at each side; half width around a single point [axis unit].
XMARGIN, SINGLEPOINTMARGIN = 0.02, 1.0
# Room above the longest final time, as a share of it.
TIMEHEADROOM = 0.12
# Smallest half range of the scale of which came closer [decades], and of a ratio of times.
MINWINDECADES, MINWINTIMEDECADES = 1.0, 0.1


def _measure(measure, caller):
    """The row of MEASURES named `measure`; ValueError naming the accepted ones."""
    for row in MEASURES:
        if measure == row[0]:
            return row
    raise ValueError("%s: measure %s refused; accepts %s" % (caller, reprlib.repr(measure),
                                                             ", ".join(repr(row[0]) for row in MEASURES)))


def _picture(title, reach):
    """The title lines and the reach of the program's picture, from what the arrays or
    the Dataset carry: (("", ""), (nan, nan)) when they carry none."""
    lines = tuple(title.split("\n", 1)) if title else ("", "")
    return lines, tuple(reach) if reach is not None else (math.nan, math.nan)


def _table(data):
    """The figures of a sweep or a map (records of a sweep, its arrays or Dataset, or
    the arrays or Dataset of a map) as (axes, arrays, title, reach): axes a list of
    (name, label, values), x first; arrays as as_="arrays" gives them; the title lines
    and the arm's reach [m] of the program's picture."""
    import numpy
    if hasattr(data, "data_vars"):  # an xarray.Dataset
        arrays = {k: numpy.asarray(data[k].values) for k in data.variables}
        axes = [(d, data[d].attrs.get("long_name", d), arrays[d]) for d in reversed(data["outcome"].dims)]
        return (axes, arrays) + _picture(data.attrs.get("title"), data.attrs.get("reach"))
    if isinstance(data, dict):
        keys = [k for k in data if k not in ("outcome", "title", "reach") and k not in NAMEOF.values()
                and k not in ALIASES]
        return ([(k, k, numpy.asarray(data[k])) for k in keys], data) + _picture(data.get("title"), data.get("reach"))
    results = list(data)
    if any("map" in r for r in results):
        raise ValueError("plot_sweep: map results are drawn from their arrays: sotoc.map(..., as_='arrays')")
    gathering = _Gathering("arrays", False, [{"name": "error", "label": ERRORLABEL,
                                              "values": [r["settings"]["error"] for r in results]}], len(results))
    for r in results:
        gathering.add(r)
    if results:
        gathering.shared = _sotoc.plotsetup([json.dumps(r) for r in results])
    arrays = gathering.end()
    return [("error", ERRORLABEL, arrays["error"])], arrays, *_picture(arrays.get("title"), arrays.get("reach"))


def _nofigures(axes, x, outcome, ylow):
    """Marks of the points without figures on the panel's floor, which design failed
    told apart."""
    import numpy
    for code in range(len(OUTCOMES)):
        at = outcome == code
        if code == COMPARED or not at.any():
            continue
        mark, colour = NOFIGURESMARKS.get(code, NOTRUNMARK)
        axes.plot(x[at], numpy.full(int(at.sum()), ylow), mark, color=colour, linestyle="none", clip_on=False)


def _curves(axes, x, outcome, toc, sotoc, finished):
    """TOC and SOTOC over the compared points, broken where a point has none."""
    import numpy
    compared = outcome == COMPARED
    # TOC always reaches its last phase: it is clock-driven.
    for values, reached, colour, style, mark, label in [
            (toc, compared, TOCCOLOUR, TOCSTYLE, TOCMARK, "TOC (designed with the error)"),
            (sotoc, finished, SOTOCCOLOUR, SOTOCSTYLE, SOTOCMARK, "SOTOC (designed with the error)")]:
        axes.plot(x, numpy.where(compared, values, numpy.nan), style, color=colour, marker=mark,
                  markevery=list(numpy.flatnonzero(compared & reached)), label=label)
    open_ = compared & ~finished
    axes.plot(x[open_], sotoc[open_], SOTOCMARK, color=SOTOCCOLOUR, markerfacecolor="white", linestyle="none",
              label="SOTOC, last phase not reached: %d" % int(open_.sum()))


def _measurepanel(panel, x, outcome, column, finished, measure):
    """The values of a measure of TOC and SOTOC over x: distances on a log scale, times
    on a linear one from 0, the final times with the error-free one dashed."""
    import numpy
    name, words, unit, logscale, *_ = measure
    member = _snake(name)
    toc, sotoc = column["toc_" + member], column["sotoc_" + member]
    if name == "tf":
        free = column["free_toc_tf"]
        shared = numpy.unique(free[numpy.isfinite(free)])
        freelabel = ("error-free TOC final time %.4f s" % shared[0] if len(shared) == 1 else
                     "error-free TOC final time" if len(shared) else "error-free TOC: no solution")
        panel.plot(x, free, "--", color="black", label=freelabel)
    _curves(panel, x, outcome, toc, sotoc, finished)
    if logscale:
        panel.set_yscale("log")
    else:
        values = numpy.concatenate([toc, sotoc] + ([column["free_toc_tf"]] if name == "tf" else []))
        longest = numpy.nanmax(values) if numpy.isfinite(values).any() else 0.0
        panel.set_ylim(0.0, (1.0 + TIMEHEADROOM) * longest if longest > 0 else 1.0)
    panel.set_ylabel("%s [%s]" % (words, unit))
    _nofigures(panel, x, outcome, panel.get_ylim()[0])
    compared = outcome == COMPARED
    for values, colour in [(toc, TOCCOLOUR), (sotoc, SOTOCCOLOUR)]:
        none = compared & numpy.isnan(values)
        panel.plot(x[none], [panel.get_ylim()[0]] * int(none.sum()), "x", color=colour, linestyle="none",
                   clip_on=False)


def plot_sweep(results: "Union[Iterable[Result], Dict[str, numpy.ndarray], xarray.Dataset]",
               measure: "str" = "error") -> "Figure":
    """The picture of `sotoc sweep --plot` drawn with matplotlib: the measure of TOC
    (orange, dashed, squares) and SOTOC (blue, solid, circles) over the varied setting, one of the names of
    sotoc.MEASURES as --measure takes them (distances on a log scale, times on a
    linear one); under it their final times [s] with the error-free final time
    dashed (their positioning errors under the final time); open circles where SOTOC
    never reached its last phase, crosses on the floor where a run has no value of
    the measure, grey triangles without a solution (up: the error-free design's,
    down: the design's with the error), black diamonds that did not run, the legend
    beside them and the program's title. `results` are a sweep's records, or the arrays or
    Dataset (as_="arrays", "xarray") of a sweep or a one-axis map. Returns the
    matplotlib Figure; ValueError for another measure."""
    import numpy
    from matplotlib.figure import Figure
    row = _measure(measure, "plot_sweep")
    axes_, a, title, _ = _table(results)
    (name, label, x), = axes_[:1]
    order = numpy.argsort(x, kind="stable")
    x = numpy.asarray(x, dtype=float)[order]
    outcome = numpy.asarray(a["outcome"]).reshape(-1)[order]
    column = {k: numpy.asarray(a[k]).reshape(-1)[order] for k, *_ in VARIABLES}
    finished = column["sotoc_finished"].astype(bool)
    figure = Figure(figsize=(12, 9))
    top, low = figure.subplots(2, 1, sharex=True)
    figure.subplots_adjust(left=0.08, right=0.70, bottom=0.09, top=0.88, hspace=0.1)
    _measurepanel(top, x, outcome, column, finished, row)
    _measurepanel(low, x, outcome, column, finished, _measure("error" if measure == "tf" else "tf", "plot_sweep"))
    low.set_xlabel(label)
    pad = XMARGIN * (x[-1] - x[0]) if len(x) and x[-1] > x[0] else SINGLEPOINTMARGIN
    if len(x):
        low.set_xlim(x[0] - pad, x[-1] + pad)
    for panel in (top, low):
        panel.grid(True, which="both", alpha=0.3)
    handles, labels = (low if measure != "tf" else top).get_legend_handles_labels()
    of = " of %d %s" % (len(x), "errors" if name == "error" and len(axes_) == 1 else "points")
    for code, text in [(NOFREESOLUTION, "no solution, error-free design: %d" + of),
                       (NOERRSOLUTION, "no solution, design with the error: %d" + of)]:
        mark, colour = NOFIGURESMARKS[code]
        handles.append(top.plot([], [], mark, color=colour, linestyle="none")[0])
        labels.append(text % int((outcome == code).sum()))
    notrun = int((~numpy.isin(outcome, [COMPARED, NOFREESOLUTION, NOERRSOLUTION])).sum())
    if notrun:
        handles.append(top.plot([], [], NOTRUNMARK[0], color=NOTRUNMARK[1], linestyle="none")[0])
        labels.append("not run (out of reach): %d" % notrun)
    member = _snake(measure)
    novalue = int(((outcome == COMPARED) & numpy.isnan(column["toc_" + member])).sum() +
                  ((outcome == COMPARED) & numpy.isnan(column["sotoc_" + member])).sum())
    if novalue:
        handles.append(top.plot([], [], "x", color="black", linestyle="none")[0])
        labels.append("no %s: %d runs" % (row[1], novalue))
    figure.legend(handles, labels, loc="upper left", bbox_to_anchor=(0.72, 0.88), frameon=False)
    figure.suptitle("\n".join(title) if title[0] else "Mass-error sweep" if name == "error" else "Map")
    return figure


def _edges(values):
    """Cell edges around grid values: halfway between neighbours, half a step beyond
    the ends (one unit around a single value)."""
    import numpy
    v = numpy.asarray(values, dtype=float)
    if len(v) == 1:
        return numpy.array([v[0] - 0.5, v[0] + 0.5])
    middle = (v[1:] + v[:-1]) / 2
    return numpy.concatenate([[2 * v[0] - middle[0]], middle, [2 * v[-1] - middle[-1]]])


def plot_map(ds: "Union[xarray.Dataset, Dict[str, numpy.ndarray]]", measure: "str" = "error") -> "Figure":
    """The picture of `sotoc map --plot` over two settings drawn with matplotlib: three
    panels over x and y, the measure (one of the names of sotoc.MEASURES, as
    --measure takes them; default the positioning error with the velocity term [m])
    of TOC and of SOTOC on one colour scale (viridis; over decades for distances,
    linear for times), and which came closer (or was sooner), log10(SOTOC / TOC) on
    cividis (dark blue: SOTOC's value smaller, mid-grey: equal, light yellow: TOC's);
    cells without figures as line patterns on white (horizontal: the error-free
    design has no solution, vertical: the design with the error has none, crossed
    diagonals: not run), blank where a run has no value of the measure, hatched where
    SOTOC never reached its last phase; the arm's reach circles over a workspace and
    the program's title. `ds` is the Dataset or the arrays of the map (as_="xarray"
    or "arrays"); a one-axis map is drawn as plot_sweep draws it. Returns the
    matplotlib Figure; ValueError for another measure."""
    import numpy
    from matplotlib.figure import Figure
    from matplotlib.patches import Patch
    name, words, unit, logscale, ratio, scale, better = _measure(measure, "plot_map")
    axes_, a, title, reach = _table(ds)
    if len(axes_) == 1:
        return plot_sweep(ds, measure)
    (xname, xlabel, x), (yname, ylabel, y) = axes_
    outcome = numpy.asarray(a["outcome"])
    toc, sotoc = numpy.asarray(a["toc_" + _snake(name)]), numpy.asarray(a["sotoc_" + _snake(name)])
    finished = numpy.asarray(a["sotoc_finished"], dtype=bool)
    compared = outcome == COMPARED
    with numpy.errstate(divide="ignore", invalid="ignore"):
        logtoc, logsotoc = (numpy.log10(toc), numpy.log10(sotoc)) if logscale else (toc, sotoc)
        win = numpy.where(sotoc == toc, 0.0, numpy.log10(sotoc) - numpy.log10(toc))
    scaled = compared & finished
    errors = numpy.concatenate([logtoc[compared & numpy.isfinite(logtoc)], logsotoc[scaled & numpy.isfinite(logsotoc)]])
    low, high = (errors.min(), errors.max()) if len(errors) else (-3.0, 0.0)
    step = MINWINDECADES if logscale else MINWINTIMEDECADES
    most = max(step, numpy.abs(win[scaled & numpy.isfinite(win)]).max(initial=0.0))
    most = step * math.ceil(most / step)
    figure = Figure(figsize=(15, 8.15))
    panels = figure.subplots(1, 3, sharey=True)
    figure.subplots_adjust(left=0.06, right=0.98, bottom=0.28, top=0.85, wspace=0.08)
    xe, ye = _edges(x), _edges(y)
    # Cells without figures: 0 the error-free design failed, 1 the design with the error, 2 not run.
    nofigures = numpy.where(compared, numpy.nan, numpy.where(outcome == NOFREESOLUTION, 0.0,
                                                             numpy.where(outcome == NOERRSOLUTION, 1.0, 2.0)))
    shown = []
    for panel, values, cmap, limits, heading in [
            (panels[0], logtoc, "viridis", (low, high), "TOC: " + words),
            (panels[1], logsotoc, "viridis", (low, high), "SOTOC: " + words),
            (panels[2], win, RATIOSCALE, (-most, most), ratio)]:
        shown.append(panel.pcolormesh(xe, ye, numpy.where(compared, values, numpy.nan), cmap=cmap,
                                      vmin=limits[0], vmax=limits[1]))
        for code, hatch in enumerate(NOFIGURESPATTERNS):
            _pattern(panel, xe, ye, nofigures == code, hatch)
        if {xname, yname} in ({"start-x", "start-y"}, {"end-x", "end-y"}):
            _reachcircles(panel, reach)
        if panel is not panels[0]:
            _pattern(panel, xe, ye, compared & ~finished, UNFINISHEDPATTERN, None)
        panel.set_title(heading)
        panel.set_xlabel(xlabel)
    panels[0].set_ylabel(ylabel)
    bar = figure.colorbar(shown[0], ax=list(panels[:2]), orientation="horizontal", fraction=0.05, pad=0.12)
    bar.set_label(("log10 of the %s [%s], both panels" if logscale else "%s [%s], both panels") % (scale, unit))
    bar = figure.colorbar(shown[2], ax=panels[2], orientation="horizontal", fraction=0.05, pad=0.12)
    bar.set_label("log10(SOTOC / TOC): ◀ SOTOC %s, TOC %s ▶" % (better, better))
    novalue = int((compared & numpy.isnan(toc)).sum() + (compared & numpy.isnan(sotoc)).sum())
    counts = [("no solution, error-free design: %d" % int((outcome == NOFREESOLUTION).sum()), NOFIGURESPATTERNS[0]),
              ("no solution, design with error: %d" % int((outcome == NOERRSOLUTION).sum()), NOFIGURESPATTERNS[1]),
              ("not run (out of reach): %d" % int((nofigures == 2.0).sum()), NOFIGURESPATTERNS[2]),
              ("last phase not reached (hatched): %d" % int((compared & ~finished).sum()), UNFINISHEDPATTERN)] + \
             ([("no %s (blank): %d runs" % (words, novalue), "")] if novalue else [])
    figure.legend([Patch(facecolor="white", edgecolor="black", hatch=h) for _, h in counts], [t for t, _ in counts],
                  loc="lower center", ncol=3, frameon=False)
    figure.suptitle("\n".join(title) if title[0] else "Map")
    return figure




def _pattern(panel, xe, ye, cells, hatch, fill="white"):
    """Black lines of the hatch over the cells, on white (`fill`) or over their colour (None)."""
    import numpy
    from matplotlib.colors import ListedColormap
    panel.pcolor(xe, ye, numpy.ma.masked_where(~cells, numpy.ones(cells.shape)), hatch=hatch, edgecolor="black",
                 linewidth=0.0, cmap=ListedColormap([fill or "none"]))


def _reachcircles(panel, reach):
    """The arm's reach about the base [m], as the program draws it: a black line under
    a white one; none where the arm reaches every distance (0 and infinity)."""
    import numpy
    angles = numpy.linspace(0.0, 2.0 * math.pi, 181)
    for r in reach:
        if 0.0 < r < math.inf:
            for colour, width in (("black", REACHWIDTH), ("white", REACHINNERWIDTH)):
                panel.plot(r * numpy.cos(angles), r * numpy.sin(angles), color=colour, linewidth=width)


# --- Monte Carlo studies ---------------------------------------------------------------

# The figures of each run kept over a study's samples: (figure, dtype, value where the
# run did not happen, unit, what it is). A run that never settled has no settling time.
STUDYFIGURES = [("tf", "float64", math.nan, "s", "%s: final time"),
                ("error", "float64", math.nan, "m", "%s: positioning error with the velocity term"),
                ("ratio", "float64", math.nan, "%", "%s: positioning error as a share of the stroke"),
                ("designedTipError", "float64", math.nan, "m", "%s: tip's distance from the goal at the designed time"),
                ("designedTipSpeed", "float64", math.nan, "m/s", "%s: tip's speed at the designed time"),
                ("endTipError", "float64", math.nan, "m", "%s: tip's distance from the goal at the end of the span"),
                ("endTipSpeed", "float64", math.nan, "m/s", "%s: tip's speed at the end of the span"),
                ("settlingTime", "float64", math.nan, "s", "%s: settling time"),
                ("pastSpan", "bool", False, "", "%s: ran past the span")]
STUDYRUNFIGURES = [(run, figure) for run in RUNNAMES for figure in STUDYFIGURES] + \
                  [("sotocErr", ("finished", "bool", False, "", "%s: reached its last phase"))]


class _StudyGathering(_Gathering):
    """The sample lines of a Monte Carlo study as they arrive, in index order (made and
    fed by _sotoc), kept as arrays of one element per sample.

    progress  whether a progress bar shows the samples done
    inputs    the uncertain inputs: dicts of name, setting, first, count and label
    count     samples of the study"""

    def __init__(self, progress, inputs, count):
        import numpy
        self.xarray = importlib.import_module("xarray")
        self.axes = inputs
        self.count = count
        self.done = 0
        self.first = None
        self.study = {}
        self.arrays = {"sample": numpy.arange(count, dtype="int64"), "outcome": numpy.zeros(count, dtype="int8")}
        for a in inputs:
            self.arrays[a["name"]] = numpy.full(count, math.nan)
        for run, (figure, dtype, missing, _, _) in STUDYRUNFIGURES:
            self.arrays["runs.%s.%s" % (run, figure)] = numpy.full(count, missing, dtype=dtype)
        self.bar = _progressbar(count) if progress else None

    def add(self, line):
        k = line["sample"]
        self.done += 1
        if self.first is None:
            self.first = {"settings": line["settings"], "program": line["program"]}
            self.study = line["montecarlo"]
        for name, value in line["drawn"].items():
            self.arrays[name][k] = value
        self.arrays["outcome"][k] = OUTCOMES.index(line["outcome"])
        runs = line.get("runs") or {}
        for run, (figure, _, missing, _, _) in STUDYRUNFIGURES:
            value = runs.get(run, {}).get(figure)
            self.arrays["runs.%s.%s" % (run, figure)][k] = missing if value is None else value
        if self.bar is not None:
            self.bar.update(1)

    def end(self):
        """The samples as an xarray.Dataset over the dimension "sample"."""
        self.close()
        dims = ("sample",)
        variables = {a["name"]: (dims, self.arrays[a["name"]], {"units": _units(a["label"]), "long_name": a["label"]})
                     for a in self.axes}
        variables["outcome"] = (dims, self.arrays["outcome"], {
            "flag_values": list(range(len(OUTCOMES))), "flag_meanings": " ".join(OUTCOMES)})
        for run, (figure, _, _, unit, what) in STUDYRUNFIGURES:
            attrs = {"long_name": what % RUNWORDS[run]}
            if unit:
                attrs["units"] = unit
            variables["runs.%s.%s" % (run, figure)] = (dims, self.arrays["runs.%s.%s" % (run, figure)], attrs)
        attrs = self.settings()
        attrs.update({"montecarlo." + k: v for k, v in self.study.items()})
        coords = {"sample": ("sample", self.arrays["sample"], {"long_name": "index of the sample"})}
        return self.xarray.Dataset(variables, coords=coords, attrs=attrs)


montecarlo = _front(_sotoc.montecarlo)
__all__.append("montecarlo")
