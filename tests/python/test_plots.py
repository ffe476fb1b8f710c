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
        assert [p.get_title() for p in panels] == ["TOC: positioning error with velocity term",
                                                   "SOTOC: positioning error with velocity term",
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


def svgtitle(path):
    """The first two texts of the program's SVG picture: its title lines."""
    svg = open(path, encoding="utf-8").read()
    texts = [html.unescape(re.sub(r"<[^>]*>", "", t)).strip() for t in re.findall(r"<text[^>]*>(.*?)</text>", svg, re.S)]
    return texts[:2]


# Each figure of the module against the program's picture of the same result lines:
# the title lines equal; TOC's lines orange, dashed, with squares and SOTOC's blue,
# solid, with circles; the marks of the two design failures apart (grey triangles up
# and down on the sweep, dark and light grey cells on the map); the reach circles of
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
    assert figure._suptitle.get_text().split("\n") == svgtitle(tmp_path / "r.svg")
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
    cells = figure.axes[0].collections[1].get_cmap()
    assert [matplotlib.colors.to_hex(cells(k / 2)) for k in range(3)] == ["#505050", "#d7d7d7", "#000000"]
