"""sotoc.map: lists of dicts equal to the lines of sotoc map, in grid order, for one
worker and for two, over one setting or two, with points out of reach; the
command line's refusals of the axes."""

import math
import pytest
import sotoc

from conftest import alone, jsonlines, refusedalike, run, same


def maplines(options, jobs):
    printed = run(["map"] + options + ["--jobs", str(jobs)])
    assert printed.returncode == 0, printed.stderr
    return jsonlines(printed.stdout)


# Maps as options and as arguments: over one setting with points the SCARA cannot
# reach; over the mass error and another setting, the error along x and along y
# for either robot (three points share each error-free half, along a row or a
# column; a column out of reach among them); over two coordinates of the
# cylindrical robot.
MAPS = [
    (["--robot", "scara", "--motion", "horizontal", "--x", "end-x=-1:1:0.5"],
     {"robot": "scara", "motion": "horizontal", "x": ("end-x", -1, 1, 0.5)}),
    (["--robot", "scara", "--motion", "vertical", "--x", "error=-10:10:10", "--y", "ratios=20:60:20", "--elbow", "down"],
     {"robot": "scara", "motion": "vertical", "x": ["error", -10, 10, 10], "y": ("ratios", 20.0, 60.0, 20.0),
      "elbow": "down"}),
    (["--robot", "cylindrical", "--motion", "vertical", "--y", "error=-5:5:5", "--x", "ratio1=100:300:100"],
     {"robot": "cylindrical", "motion": "vertical", "y": ("error", -5, 5, 5), "x": ("ratio1", 100, 300, 100)}),
    (["--robot", "scara", "--motion", "horizontal", "--y", "error=-6:6:6", "--x", "end-x=0.2:1:0.4"],
     {"robot": "scara", "motion": "horizontal", "y": ("error", -6, 6, 6), "x": ("end-x", 0.2, 1, 0.4)}),
    (["--robot", "cylindrical", "--motion", "vertical", "--x", "error=-6:6:6", "--y", "ratios=300:500:100"],
     {"robot": "cylindrical", "motion": "vertical", "x": ("error", -6, 6, 6), "y": ("ratios", 300, 500, 100)}),
    (["--robot", "cylindrical", "--motion", "vertical", "--x", "start-x=-0.5:0.5:0.5", "--y", "start-y=0:0.2:0.2",
      "--error", "-3"],
     {"robot": "cylindrical", "motion": "vertical", "x": ("start-x", -0.5, 0.5, 0.5), "y": ("start-y", 0, 0.2, 0.2),
      "error": -3}),
    (["--robot", "scara", "--motion", "horizontal", "--x", "design-error:L2=-10:10:10", "--y", "param:TM1=0.04,0.06",
      "--design-error", "IJ1=5"],
     {"robot": "scara", "motion": "horizontal", "x": ("design-error:L2", -10, 10, 10), "y": ("param:TM1", [0.04, 0.06]),
      "designerrors": {"IJ1": 5}}),
    # SOTOC's and TOC's misses over the reading noise and the mass error.
    (["--robot", "scara", "--motion", "horizontal", "--control-period", "0.002", "--x", "noise=0:0.01:0.01",
      "--y", "error=-10:10:20", "--seed", "5"],
     {"robot": "scara", "motion": "horizontal", "control_period": 0.002, "x": ("noise", 0, 0.01, 0.01),
      "y": ("error", -10, 10, 20), "seed": 5}),
]


@pytest.mark.parametrize("options,arguments", MAPS)
@pytest.mark.parametrize("jobs", [1, 2])
def test_map_equals_the_commands_lines_in_grid_order(options, arguments, jobs):
    given = dict(arguments)
    got = sotoc.map(given.pop("robot"), given.pop("motion"), jobs=jobs, **given)
    assert same(got, maplines(options, jobs))
    nx = len({r["map"]["i"] for r in got})
    assert [(r["map"]["i"], r["map"]["j"]) for r in got] == [(k % nx, k // nx) for k in range(len(got))]
    if jobs == 2:
        alone(got)


def test_points_out_of_reach_are_results():
    got = sotoc.map("scara", "horizontal", x=("end-x", -1, 1, 0.5))
    assert [r["outcome"] for r in got] == ["unreachable", "compared", "compared", "compared", "unreachable"]
    assert got[0]["reason"].startswith("end: '-1,0.4' refused")
    assert [r["settings"]["end"] for r in got] == [[-1, 0.4], [-0.5, 0.4], [0, 0.4], [0.5, 0.4], [1, 0.4]]


# Refusals as the command line's, each beside an accepted neighbour: (refused
# arguments, their options, accepted arguments).
REFUSED = [
    ({"x": ("foo", 1, 2, 1)}, ["--x", "foo=1:2:1"], {"x": ("error", 1, 2, 1)}),
    ({"x": ("error", -10, 10, 10), "error": 3}, ["--x", "error=-10:10:10", "--error", "3"],
     {"x": ("error", -10, 10, 10)}),
    ({"x": ("error", 1, 2, 1), "y": ("error", 1, 2, 1)}, ["--x", "error=1:2:1", "--y", "error=1:2:1"],
     {"x": ("error", 1, 2, 1), "y": ("ratio1", 10, 20, 10)}),
    ({"x": ("ratios", 1, 2, 1), "y": ("ratio2", 1, 2, 1)}, ["--x", "ratios=1:2:1", "--y", "ratio2=1:2:1"],
     {"x": ("ratio1", 10, 20, 10), "y": ("ratio2", 10, 20, 10)}),
    ({"x": ("error", -100, 0, 50)}, ["--x", "error=-100:0:50"], {"x": ("error", -99, 0, 50)}),
    ({"x": ("end-x", 0, 1, 0)}, ["--x", "end-x=0:1:0"], {"x": ("end-x", 0, 1, 1)}),
    ({"x": ("end-x", 0, 1)}, ["--x", "end-x=0:1"], {"x": ("end-x", 0, 1, 1)}),
    ({"x": ("end-x", 0, 0.5, 0.5), "start": (2, 0)}, ["--x", "end-x=0:0.5:0.5", "--start", "2,0"],
     {"x": ("end-x", 0, 0.5, 0.5), "start": (0.5, 0)}),
    ({"x": ("error", 0, 1, 1), "jobs": 0}, ["--x", "error=0:1:1", "--jobs", "0"], {"x": ("error", 0, 1, 1), "jobs": 2}),
    ({"x": ("noise", 0, 0.01, 0.01)}, ["--x", "noise=0:0.01:0.01"],
     {"x": ("noise", 0, 0.01, 0.01), "control_period": 0.01}),
]


@pytest.mark.parametrize("refused,options,accepted", REFUSED)
def test_map_refusals_are_the_command_lines(refused, options, accepted):
    refusedalike("map", "scara", "vertical", options, refused)
    assert sotoc.map("scara", "vertical", **accepted)


@pytest.mark.parametrize("arguments,message", [
    ({"x": "error=1:2:1"}, "--x: 'error=1:2:1' refused; accepts (NAME, FROM, TO, STEP) or (NAME, VALUES) with NAME one "
                           "of error, ratio1, ratio2, ratios, start-x, start-y, end-x, end-y, near, control-period, encoder-counts, noise, position-noise, velocity-noise, seed, sensor-delay, span, design-error:NAME, param:NAME"),
    ({"x": (1, 1, 2, 1)}, "--x: '(1, 1, 2, 1)' refused; accepts (NAME, FROM, TO, STEP) or (NAME, VALUES) with NAME one "
                          "of error, ratio1, ratio2, ratios, start-x, start-y, end-x, end-y, near, control-period, encoder-counts, noise, position-noise, velocity-noise, seed, sensor-delay, span, design-error:NAME, param:NAME"),
    ({"x": ("error", 1, 2, 1), "y": ("end-x", "0", 1, 1)},
     "--y: '('end-x', '0', 1, 1)' refused; accepts (NAME, FROM, TO, STEP) or (NAME, VALUES) with NAME one of error, "
     "ratio1, ratio2, ratios, start-x, start-y, end-x, end-y, near, control-period, encoder-counts, noise, position-noise, velocity-noise, seed, sensor-delay, span, design-error:NAME, param:NAME"),
    ({"x": ("error", 1, 2, 1), "error": "3"}, "--error: '3' refused; accepts one number with -100 < error < 100"),
    ({"x": None}, "--x: 'None' refused; accepts (NAME, FROM, TO, STEP) or (NAME, VALUES) with NAME one "
                  "of error, ratio1, ratio2, ratios, start-x, start-y, end-x, end-y, near, control-period, encoder-counts, noise, position-noise, velocity-noise, seed, sensor-delay, span, design-error:NAME, param:NAME"),
])
def test_map_wrong_types_raise_type_error(arguments, message):
    with pytest.raises(TypeError) as e:
        sotoc.map("scara", "vertical", **arguments)
    assert str(e.value) == message
    with pytest.raises(TypeError):
        sotoc.map("scara", "vertical")  # x is required


def test_xarray_of_a_design_error_axis_names_it_with_its_unit():
    with pytest.raises(ValueError) as e:  # the axis sets L2's design error in every point
        sotoc.map("scara", "horizontal", x=("design-error:L2", [-10, 10]), designerrors={"IJ1": 5, "L2": 3})
    assert str(e.value) == "--design-error: 'L2=3' refused; --x design-error:L2 sets it in every point of the map"
    ds = sotoc.map("scara", "horizontal", x=("design-error:L2", [-10, 10]), designerrors={"IJ1": 5},
                   as_="xarray", jobs=1)
    assert list(ds.coords) == ["design-error:L2"]
    assert list(ds.coords["design-error:L2"].values) == [-10, 10]
    assert ds.coords["design-error:L2"].attrs["units"] == "%"
    assert ds.attrs["designerrors.IJ1"] == 5 and math.isnan(ds.attrs["designerrors.L2"])
