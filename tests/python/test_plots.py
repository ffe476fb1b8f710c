"""sotoc.plot_sweep and sotoc.plot_map: the panels of the command's pictures, drawn
from the results with the figures of the result dicts."""

import html
import json
import math
import re

import matplotlib
import numpy
import pytest
import sotoc
from conftest import run

matplotlib.use("Agg")

SWEEP = {"robot": "scara", "motion": "vertical", "errors": (-90, 90, 30)}
MAP = {"robot": "scara", "motion": "horizontal", "y": ("error", -6, 6, 6), "x": ("end-x", 0.2, 1.4, 0.4)}


# The program's colours of TOC and SOTOC (its colour map 0, RGB 230 159 0 and 0 114 178).
ORANGE, BLUE = "#e69f00", "#0072b2"


def curve(axes, colour):
    """The line of a colour in a panel: (x, y) of its points that are finite."""
    line = [ln for ln in axes.get_lines() if ln.get_color() == colour and ln.get_linestyle() != "None"][0]
    x, y = numpy.asarray(line.get_xdata(), float), numpy.asarray(line.get_ydata(), float)
    return list(x[numpy.isfinite(y)]), list(y[numpy.isfinite(y)])


@pytest.mark.parametrize("form", ["records", "arrays", "xarray"])
def test_sweep_panels_show_the_figures_of_the_results(form):
    records = sotoc.sweep(SWEEP["robot"], SWEEP["motion"], errors=SWEEP["errors"], jobs=2)
    given = records if form == "records" else sotoc.sweep("scara", "vertical", errors=SWEEP["errors"], jobs=2, as_=form)
    figure = sotoc.plot_sweep(given)
    top, low = figure.axes
    assert top.get_yscale() == "log" and low.get_yscale() == "linear"
    compared = [r for r in records if r["outcome"] == "compared"]
    assert compared and len(compared) < len(records)  # some mass errors have no solution
    errors = [r["settings"]["error"] for r in compared]
    assert curve(top, ORANGE) == (errors, [r["runs"]["tocErr"]["error"] for r in compared])
    assert curve(top, BLUE) == (errors, [r["runs"]["sotocErr"]["error"] for r in compared])
    assert curve(low, BLUE) == (errors, [r["runs"]["sotocErr"]["tf"] for r in compared])
    unfinished = sum(not r["runs"]["sotocErr"]["finished"] for r in compared)
    texts = [t.get_text() for t in figure.legends[0].get_texts()]
    assert f"SOTOC, last phase not reached: {unfinished}" in texts
    unsolved = [sum(r["outcome"] == sotoc.OUTCOMES[c] for r in records) for c in (1, 2)]
    assert sum(unsolved) == len(records) - len(compared)
    assert f"no solution, error-free design: {unsolved[0]} of {len(records)} errors" in texts
    assert f"no solution, design with the error: {unsolved[1]} of {len(records)} errors" in texts
    assert "Mass-error sweep" in figure._suptitle.get_text()


def test_map_panels_show_the_figures_of_the_results():
    records = sotoc.map(MAP["robot"], MAP["motion"], x=MAP["x"], y=MAP["y"], jobs=2)
    for given in [sotoc.map(MAP["robot"], MAP["motion"], x=MAP["x"], y=MAP["y"], jobs=2, as_=form)
                  for form in ["xarray", "arrays"]]:
        figure = sotoc.plot_map(given)
        panels = figure.axes[:3]
        assert [p.get_title() for p in panels] == ["TOC: positioning error", "SOTOC: positioning error",
                                                   "SOTOC error / TOC error"]
        for panel, run in [(panels[0], "tocErr"), (panels[1], "sotocErr")]:
            cells = numpy.ma.filled(panel.collections[0].get_array(), numpy.nan).reshape(3, 4)
            for r in records:
                runs = r.get("runs")
                want = math.log10(runs[run]["error"]) if runs else math.nan
                got = cells[r["map"]["j"], r["map"]["i"]]
                assert got == pytest.approx(want, rel=1e-14, nan_ok=True)
        unreachable = sum(r["outcome"] == "unreachable" for r in records)
        assert unreachable > 0
        texts = [t.get_text() for t in figure.legends[0].get_texts()]
        assert f"not run (out of reach): {unreachable}" in texts


def test_a_one_axis_map_is_drawn_as_a_sweep():
    ds = sotoc.map("scara", "vertical", x=("ratios", 40, 80, 20), as_="xarray")
    figure = sotoc.plot_map(ds)
    assert len(figure.axes) == 2 and figure.axes[1].get_xlabel() == ds["ratios"].attrs["long_name"]


# Each measure as plot_sweep and plot_map take it: (name, its member in a run, drawn
# over decades, units in the label).
MEASURES = [("error", "error", True, "[m]"), ("designedTipError", "designedTipError", True, "[m]"),
            ("endTipError", "endTipError", True, "[m]"), ("settlingTime", "settlingTime", False, "[s]"),
            ("tf", "tf", False, "[s]")]


@pytest.mark.parametrize("measure,member,logscale,unit", MEASURES)
def test_each_measure_drawn_as_the_results_give_it(measure, member, logscale, unit):
    """The upper panel of a sweep and the value panels of a map show the measure of
    the result dicts, on its scale and with its unit; a run without a value is left
    out of the curve and the cells."""
    records = sotoc.sweep("scara", "horizontal", errors=(-10, 10, 5), jobs=2)
    top, low = sotoc.plot_sweep(records, measure=measure).axes
    assert top.get_yscale() == ("log" if logscale else "linear") and top.get_ylabel().endswith(unit)
    assert low.get_ylabel() == ("positioning error [m]" if measure == "tf" else "final time [s]")
    for colour, run in [(ORANGE, "tocErr"), (BLUE, "sotocErr")]:
        shown = [r for r in records if r["outcome"] == "compared" and r["runs"][run][member] is not None]
        assert curve(top, colour) == ([r["settings"]["error"] for r in shown], [r["runs"][run][member] for r in shown])
    maprecords = sotoc.map(MAP["robot"], MAP["motion"], x=MAP["x"], y=MAP["y"], jobs=2)
    panels = sotoc.plot_map(sotoc.map(MAP["robot"], MAP["motion"], x=MAP["x"], y=MAP["y"], jobs=2, as_="arrays"),
                            measure=measure).axes[:3]
    for panel, run in [(panels[0], "tocErr"), (panels[1], "sotocErr")]:
        cells = numpy.ma.filled(panel.collections[0].get_array(), numpy.nan).reshape(3, 4)
        for r in maprecords:
            value = r["runs"][run][member] if r.get("runs") else None
            want = math.nan if value is None else math.log10(value) if logscale else value
            assert cells[r["map"]["j"], r["map"]["i"]] == pytest.approx(want, rel=1e-14, nan_ok=True)


@pytest.mark.parametrize("plot", [sotoc.plot_sweep, sotoc.plot_map])
def test_an_unknown_measure_refused_with_the_accepted_ones(plot):
    with pytest.raises(ValueError) as e:
        plot({}, measure="positioning")
    assert str(e.value) == (plot.__name__ + ": measure 'positioning' refused; accepts 'error', 'designedTipError', "
                            "'endTipError', 'settlingTime', 'tf'")


def svgtexts(path):
    """The texts of the program's SVG picture, its title lines first."""
    svg = open(path, encoding="utf-8").read()
    return [html.unescape(re.sub(r"<[^>]*>", "", t)).strip() for t in re.findall(r"<text[^>]*>(.*?)</text>", svg, re.S)]


# Each figure of the module against the program's picture of the same result lines:
# the title lines equal; TOC's lines orange, dashed, with squares and SOTOC's blue,
# solid, with circles; the marks of the two design failures apart (grey triangles up
# and down on the sweep, the map's cells in the patterns its legend names, with the
# program's legend texts); the ratio's scale dark to light through a grey middle; the reach circles of
# an arm of 0.4 m and 0.3 m links at 0.1 m and 0.7 m over a map of end points.
ARM = 'kind = "scara"\nL1 = 0.4\nL2 = 0.3\nx0 = 0.5\ny0 = 0.0\nxf = -0.3\nyf = 0.3\n'
PICTURES = [
    ("sweep", "vertical", {"errors": (-90, 90, 30)}, "records", None),
    ("sweep", "vertical", {"errors": (-90, 90, 30)}, "xarray", None),
    ("map", "horizontal", {"x": ("end-x", -0.9, 0.9, 0.3), "y": ("end-y", -0.9, 0.9, 0.3)}, "arrays", (0.1, 0.7)),
]


@pytest.mark.parametrize("kind, motion, options, form, circles", PICTURES)
def test_figures_look_like_the_programs_pictures(tmp_path, kind, motion, options, form, circles):
    (tmp_path / "arm.toml").write_text(ARM)
    options = dict(options, robotfile=str(tmp_path / "arm.toml")) if kind == "map" else options
    records = getattr(sotoc, kind)("scara", motion, jobs=2, **options)
    drawn = records if form == "records" else getattr(sotoc, kind)("scara", motion, jobs=2, as_=form, **options)
    (tmp_path / "r.jsonl").write_text("".join(json.dumps(r) + "\n" for r in records))
    assert run(["plot", str(tmp_path / "r.jsonl"), "--plot", str(tmp_path / "r.svg")]).returncode == 0
    figure = sotoc.plot_sweep(drawn) if kind == "sweep" else sotoc.plot_map(drawn)
    assert figure._suptitle.get_text().split("\n") == svgtexts(tmp_path / "r.svg")[:2]
    lines = [ln for panel in figure.axes for ln in panel.get_lines()]
    if kind == "sweep":
        styles = {(ln.get_color(), ln.get_linestyle(), ln.get_marker()) for ln in lines if ln.get_label()[:1] != "_"}
        assert (ORANGE, "--", "s") in styles and (BLUE, "-", "o") in styles
        marks = {(ln.get_marker(), ln.get_color()) for ln in lines if len(ln.get_xdata()) and ln.get_linestyle() == "None"}
        failed = {sotoc.OUTCOMES[1]: ("^", "#6e6e6e"), sotoc.OUTCOMES[2]: ("v", "#6e6e6e")}
        assert {failed[r["outcome"]] for r in records if r["outcome"] in failed} <= marks
        assert {r["outcome"] for r in records if r["outcome"] in failed}  # a design failed somewhere
        return
    white = [ln for ln in lines if ln.get_color() == "white"]
    radii = sorted({round(float(numpy.hypot(ln.get_xdata()[0], ln.get_ydata()[0])), 9) for ln in white})
    assert radii == list(circles)
    legend = figure.legends[0]
    texts = [tx.get_text() for tx in legend.get_texts()]
    assert set(texts) <= set(svgtexts(tmp_path / "r.svg"))
    # The cells under each pattern of the legend are those of the kind it names.
    kinds = {"no solution, error-free design": sotoc.OUTCOMES[1], "no solution, design with error": sotoc.OUTCOMES[2],
             "not run (out of reach)": "unreachable"}
    hatched = {c.get_hatch(): {tuple(numpy.round(path.vertices[:4].mean(axis=0), 6)) for path in c.get_paths()}
               for c in figure.axes[0].collections if c.get_hatch()}
    handles = legend.legend_handles if hasattr(legend, "legend_handles") else legend.legendHandles
    drawn = {kinds[text.split(":")[0]]: hatched[handle.get_hatch()]
             for handle, text in zip(handles, texts) if text.split(":")[0] in kinds}
    assert len(drawn) == 3 and drawn[sotoc.OUTCOMES[1]] and drawn["unreachable"]
    for kind, cells in drawn.items():
        assert cells == {tuple(round(v, 6) for v in r["settings"]["end"]) for r in records
                         if r["outcome"] == kind}
    ratio = figure.axes[2].collections[0].get_cmap()
    grey = [0.2126 * r + 0.7152 * g + 0.0722 * b for r, g, b, _ in (ratio(0.0), ratio(0.5), ratio(1.0))]
    assert grey == sorted(grey) and max(ratio(0.5)[:3]) - min(ratio(0.5)[:3]) < 0.05
