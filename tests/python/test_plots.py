"""sotoc.plot_sweep and sotoc.plot_map: the panels of the command's pictures, drawn
from the results with the figures of the result dicts."""

import math

import matplotlib
import numpy
import pytest
import sotoc

matplotlib.use("Agg")

SWEEP = {"robot": "scara", "motion": "vertical", "errors": (-90, 90, 30)}
MAP = {"robot": "scara", "motion": "horizontal", "y": ("error", -6, 6, 6), "x": ("end-x", 0.2, 1.4, 0.4)}


def curve(axes, colour):
    """The line of a colour in a panel: (x, y) of its points that are finite."""
    line = [ln for ln in axes.get_lines() if ln.get_color() == colour and ln.get_linestyle() == "-"][0]
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
    assert curve(top, "red") == (errors, [r["runs"]["tocErr"]["error"] for r in compared])
    assert curve(top, "blue") == (errors, [r["runs"]["sotocErr"]["error"] for r in compared])
    assert curve(low, "blue") == (errors, [r["runs"]["sotocErr"]["tf"] for r in compared])
    unfinished = sum(not r["runs"]["sotocErr"]["finished"] for r in compared)
    texts = [t.get_text() for t in figure.legends[0].get_texts()]
    assert f"SOTOC, last phase not reached: {unfinished}" in texts
    assert f"no solution: {len(records) - len(compared)} of {len(records)} points" in texts
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
    for colour, run in [("red", "tocErr"), ("blue", "sotocErr")]:
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
