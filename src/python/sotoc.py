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

__all__ = ["compare", "params", "batch", "sweep", "map", "records_frame", "plot_sweep", "plot_map", "OUTCOMES", "RUNNAMES"]

# The forms of the results of sweeps and maps (the argument as_).
FORMS = ("records", "arrays", "xarray")

# The figures kept of each run in the arrays: (key, dtype, value where the run did
# not happen, unit, what it is). The runs' words name them in labels.
FIGURES = [("runs.%s.error" % run, "float64", math.nan, "m", "%s: positioning error with the velocity term")
           for run in RUNNAMES] + \
          [("runs.%s.tf" % run, "float64", math.nan, "s", "%s: final time") for run in RUNNAMES] + \
          [("runs.sotocErr.finished", "bool", False, "", "%s: reached its last phase")]
RUNWORDS = {"tocFree": "error-free TOC", "tocErr": "TOC with the mass error", "sotocErr": "SOTOC with the mass error"}

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
            for key, dtype, missing, _, _ in FIGURES:
                self.arrays[key] = numpy.full(count, missing, dtype=dtype)
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
            runs = result.get("runs")
            for key, _, missing, _, _ in FIGURES if runs else []:
                _, run, figure = key.split(".")
                value = runs[run].get(figure)
                self.arrays[key][k] = missing if value is None else value
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
            "flag_values": list(range(len(OUTCOMES))), "flag_meanings": " ".join(OUTCOMES)})}
        for key, _, _, unit, what in FIGURES:
            attrs = {"long_name": what % RUNWORDS[key.split(".")[1]]}
            if unit:
                attrs["units"] = unit
            variables[key] = (dims, arrays[key], attrs)
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
# not run. Map cells without figures: dark grey, light grey, black; the reach circles
# a black line under a white one.
TOCCOLOUR, SOTOCCOLOUR, GREY = "#e69f00", "#0072b2", "#6e6e6e"
LIGHTGREY, DARKGREY = "#d7d7d7", "#505050"
TOCSTYLE, SOTOCSTYLE, TOCMARK, SOTOCMARK = "--", "-", "s", "o"
NOFIGURESMARKS = {NOFREESOLUTION: ("^", GREY), NOERRSOLUTION: ("v", GREY)}
NOTRUNMARK = ("D", "black")
REACHWIDTH, REACHINNERWIDTH = 2.0, 0.8
# Share of the x span left free at each side; half width around a single point [axis unit].
XMARGIN, SINGLEPOINTMARGIN = 0.02, 1.0
# Room above the longest final time, as a share of it.
TIMEHEADROOM = 0.12
# Smallest half range of the scale of which came closer [decades].
MINWINDECADES = 1.0


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
        axes = [(d, data[d].attrs.get("long_name", d), arrays[d]) for d in reversed(data[FIGURES[0][0]].dims)]
        return (axes, arrays) + _picture(data.attrs.get("title"), data.attrs.get("reach"))
    if isinstance(data, dict):
        keys = [k for k in data if k not in ("outcome", "title", "reach") and k not in {f[0] for f in FIGURES}]
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


def plot_sweep(results: "Union[Iterable[Result], Dict[str, numpy.ndarray], xarray.Dataset]") -> "Figure":
    """The picture of `sotoc sweep --plot` drawn with matplotlib: the positioning error
    with the velocity term [m] of TOC (orange, dashed, squares) and SOTOC (blue, solid,
    circles) on a log scale over the varied setting, their final times [s] under it
    with the error-free final time dashed, open circles where SOTOC never reached its
    last phase, grey triangles without a solution (up: the error-free design's, down:
    the design's with the error), black diamonds that did not run, the legend beside
    them and the program's title.
    `results` are a sweep's records, or the arrays or Dataset (as_="arrays",
    "xarray") of a sweep or a one-axis map. Returns the matplotlib Figure."""
    import numpy
    from matplotlib.figure import Figure
    axes_, a, title, _ = _table(results)
    (name, label, x), = axes_[:1]
    order = numpy.argsort(x, kind="stable")
    x = numpy.asarray(x, dtype=float)[order]
    outcome = numpy.asarray(a["outcome"]).reshape(-1)[order]
    column = {k: numpy.asarray(a[k]).reshape(-1)[order] for k, *_ in FIGURES}
    finished = column["runs.sotocErr.finished"].astype(bool)
    figure = Figure(figsize=(12, 9))
    top, low = figure.subplots(2, 1, sharex=True)
    figure.subplots_adjust(left=0.08, right=0.70, bottom=0.09, top=0.88, hspace=0.1)
    _curves(top, x, outcome, column["runs.tocErr.error"], column["runs.sotocErr.error"], finished)
    top.set_yscale("log")
    top.set_ylabel("positioning error with velocity term [m]")
    floor = top.get_ylim()[0]
    _nofigures(top, x, outcome, floor)
    free = column["runs.tocFree.tf"]
    shared = numpy.unique(free[numpy.isfinite(free)])
    freelabel = ("error-free TOC final time %.4f s" % shared[0] if len(shared) == 1 else
                 "error-free TOC final time" if len(shared) else "error-free TOC: no solution")
    low.plot(x, free, "--", color="black", label=freelabel)
    _curves(low, x, outcome, column["runs.tocErr.tf"], column["runs.sotocErr.tf"], finished)
    times = numpy.concatenate([free, column["runs.tocErr.tf"], column["runs.sotocErr.tf"]])
    longest = numpy.nanmax(times) if numpy.isfinite(times).any() else 0.0
    low.set_ylim(0.0, (1.0 + TIMEHEADROOM) * longest if longest > 0 else 1.0)
    _nofigures(low, x, outcome, 0.0)
    low.set_ylabel("final time [s]")
    low.set_xlabel(label)
    pad = XMARGIN * (x[-1] - x[0]) if len(x) and x[-1] > x[0] else SINGLEPOINTMARGIN
    if len(x):
        low.set_xlim(x[0] - pad, x[-1] + pad)
    for panel in (top, low):
        panel.grid(True, which="both", alpha=0.3)
    handles, labels = low.get_legend_handles_labels()
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


def plot_map(ds: "Union[xarray.Dataset, Dict[str, numpy.ndarray]]") -> "Figure":
    """The picture of `sotoc map --plot` over two settings drawn with matplotlib: three
    panels over x and y, the positioning error with the velocity term [m] of TOC and
    of SOTOC on one log colour scale (viridis), and which came closer,
    log10(SOTOC error / TOC error) on a diverging scale (blue: SOTOC closer, red: TOC
    closer); cells where the error-free design has no solution dark grey, where the
    design with the error has none light grey, that did not run black, hatched where
    SOTOC never reached its last phase; the arm's reach circles over a workspace and
    the program's title. `ds` is the Dataset or the arrays of the map
    (as_="xarray" or "arrays"); a one-axis map is drawn as plot_sweep draws it.
    Returns the matplotlib Figure."""
    import numpy
    from matplotlib.colors import ListedColormap
    from matplotlib.figure import Figure
    from matplotlib.patches import Patch
    axes_, a, title, reach = _table(ds)
    if len(axes_) == 1:
        return plot_sweep(ds)
    (xname, xlabel, x), (yname, ylabel, y) = axes_
    outcome = numpy.asarray(a["outcome"])
    toc, sotoc = numpy.asarray(a["runs.tocErr.error"]), numpy.asarray(a["runs.sotocErr.error"])
    finished = numpy.asarray(a["runs.sotocErr.finished"], dtype=bool)
    compared = outcome == COMPARED
    with numpy.errstate(divide="ignore", invalid="ignore"):
        logtoc, logsotoc = numpy.log10(toc), numpy.log10(sotoc)
        win = numpy.where(sotoc == toc, 0.0, logsotoc - logtoc)
    scaled = compared & finished
    errors = numpy.concatenate([logtoc[compared & numpy.isfinite(logtoc)], logsotoc[scaled & numpy.isfinite(logsotoc)]])
    low, high = (errors.min(), errors.max()) if len(errors) else (-3.0, 0.0)
    most = max(MINWINDECADES, numpy.abs(win[scaled & numpy.isfinite(win)]).max(initial=0.0))
    most = math.ceil(most)
    figure = Figure(figsize=(15, 8.15))
    panels = figure.subplots(1, 3, sharey=True)
    figure.subplots_adjust(left=0.06, right=0.98, bottom=0.28, top=0.85, wspace=0.08)
    xe, ye = _edges(x), _edges(y)
    # Cells without figures: 0 the error-free design failed, 1 the design with the error, 2 not run.
    nofigures = numpy.where(compared, numpy.nan, numpy.where(outcome == NOFREESOLUTION, 0.0,
                                                             numpy.where(outcome == NOERRSOLUTION, 1.0, 2.0)))
    shown = []
    for panel, values, cmap, limits, heading in [
            (panels[0], logtoc, "viridis", (low, high), "TOC: positioning error with velocity term"),
            (panels[1], logsotoc, "viridis", (low, high), "SOTOC: positioning error with velocity term"),
            (panels[2], win, "RdBu_r", (-most, most), "SOTOC error / TOC error")]:
        shown.append(panel.pcolormesh(xe, ye, numpy.where(compared, values, numpy.nan), cmap=cmap,
                                      vmin=limits[0], vmax=limits[1]))
        panel.pcolormesh(xe, ye, nofigures, cmap=ListedColormap([DARKGREY, LIGHTGREY, "black"]), vmin=0, vmax=2)
        if {xname, yname} in ({"start-x", "start-y"}, {"end-x", "end-y"}):
            _reachcircles(panel, reach)
        if panel is not panels[0]:
            unfinished = numpy.where(compared & ~finished, 1.0, numpy.nan)
            panel.pcolor(xe, ye, numpy.ma.masked_invalid(unfinished), hatch="///", alpha=0.0)
        panel.set_title(heading)
        panel.set_xlabel(xlabel)
    panels[0].set_ylabel(ylabel)
    bar = figure.colorbar(shown[0], ax=list(panels[:2]), orientation="horizontal", fraction=0.05, pad=0.12)
    bar.set_label("log10 of the positioning error with velocity term [m], both panels")
    bar = figure.colorbar(shown[2], ax=panels[2], orientation="horizontal", fraction=0.05, pad=0.12)
    bar.set_label("log10(SOTOC / TOC): ◀ blue: SOTOC closer, red: TOC closer ▶")
    counts = [("no solution, error-free design: %d" % int((outcome == NOFREESOLUTION).sum()), DARKGREY, ""),
              ("no solution, design with the error: %d" % int((outcome == NOERRSOLUTION).sum()), LIGHTGREY, ""),
              ("not run (out of reach): %d" % int((nofigures == 2.0).sum()), "black", ""),
              ("SOTOC, last phase not reached (hatched): %d" % int((compared & ~finished).sum()), "white", "///")]
    figure.legend([Patch(facecolor=c, edgecolor="black", hatch=h) for _, c, h in counts], [t for t, _, _ in counts],
                  loc="lower center", ncol=3, frameon=False)
    figure.suptitle("\n".join(title) if title[0] else "Map")
    return figure


def _reachcircles(panel, reach):
    """The arm's reach about the base [m], as the program draws it: a black line under
    a white one; none where the arm reaches every distance (0 and infinity)."""
    import numpy
    angles = numpy.linspace(0.0, 2.0 * math.pi, 181)
    for r in reach:
        if 0.0 < r < math.inf:
            for colour, width in (("black", REACHWIDTH), ("white", REACHINNERWIDTH)):
                panel.plot(r * numpy.cos(angles), r * numpy.sin(angles), color=colour, linewidth=width)
