"""sotoc.montecarlo: the Dataset's values and the summary equal the lines and the
summary of sotoc montecarlo for the same seed, the inputs given as a dict or as a
list; the command line's refusals."""

import math

import pytest
import sotoc

from conftest import jsonlines, refusedalike, run, same

# The horizontal SCARA with a little reading noise, whose noise seed is drawn.
NOISY = {"robot": "scara", "motion": "horizontal", "error": 3, "control_period": 0.001,
         "sensor_noise": (0.0003, 0.0003, 0, 0)}
NOISYOPTIONS = ["--robot", "scara", "--motion", "horizontal", "--error", "3", "--control-period", "0.001",
                "--sensor-noise", "0.0003,0.0003,0,0"]

# Studies as options and as arguments: two inputs as a dict in a Latin hypercube,
# the same as a list in Sobol points, and the noise's seed drawn (seed then the
# draws' seed, not the noise's).
STUDIES = [
    (["--robot", "scara", "--motion", "vertical", "--samples", "5", "--seed", "3", "--sampling", "lhs",
      "--uncertain", "error=normal:0,3", "--uncertain", "design-error:L2=uniform:-3,3"],
     {"robot": "scara", "motion": "vertical", "samples": 5, "seed": 3, "sampling": "lhs",
      "uncertain": {"error": "normal:0,3", "design-error:L2": "uniform:-3,3"}, "jobs": 2}),
    (["--robot", "cylindrical", "--motion", "vertical", "--samples", "4", "--sampling", "sobol",
      "--uncertain", "error=truncnormal:0,5,-4,4", "--uncertain", "ratio1=uniform:150,250"],
     {"robot": "cylindrical", "motion": "vertical", "samples": 4, "sampling": "sobol",
      "uncertain": ["error=truncnormal:0,5,-4,4", "ratio1=uniform:150,250"], "jobs": 1, "progress": True}),
    (NOISYOPTIONS + ["--samples", "4", "--seed", "5", "--uncertain", "seed=uniform:3,5"],
     dict(NOISY, samples=4, seed=5, uncertain="seed=uniform:3,5")),
]


@pytest.mark.parametrize("options, arguments", STUDIES)
def test_dataset_and_summary_equal_the_commands(options, arguments):
    printed = run(["montecarlo"] + options + ["--jobs", "2"])
    assert printed.returncode == 0, printed.stderr
    *lines, summary = jsonlines(printed.stdout)
    ds, got = sotoc.montecarlo(**arguments)
    assert same(got, summary)
    assert list(ds["sample"].values) == [line["sample"] for line in lines]
    for line in lines:
        i = line["sample"]
        for name, value in line["drawn"].items():
            assert ds[name].values[i] == value
        assert sotoc.OUTCOMES[ds["outcome"].values[i]] == line["outcome"]
        for run_, figures in line["runs"].items():
            for figure, value in figures.items():
                key = "runs.%s.%s" % (run_, figure)
                if key not in ds:
                    assert isinstance(value, (list, dict)), key  # the tip, the phases
                elif value is None:
                    assert math.isnan(ds[key].values[i]), key
                else:
                    assert ds[key].values[i] == value, key
    assert ds.attrs["montecarlo.seed"] == summary["montecarlo"]["seed"]
    name = next(iter(lines[0]["drawn"]))
    assert ds[name].attrs["long_name"]


# Refusals as the command words them: an option whose value an input draws, an
# input the command refuses, the study's own settings out of range.
REFUSALS = [
    (["--error", "3", "--uncertain", "error=normal:0,1"], {"error": 3, "uncertain": {"error": "normal:0,1"}}),
    (["--design-error", "L2=2", "--uncertain", "design-error:L2=normal:0,1"],
     {"design_errors": {"L2": 2}, "uncertain": ["design-error:L2=normal:0,1"]}),
    (["--uncertain", "error=cauchy:0,1"], {"uncertain": "error=cauchy:0,1"}),
    (["--uncertain", "mass=normal:0,1"], {"uncertain": {"mass": "normal:0,1"}}),
    (["--uncertain", "error=normal:0,1", "--samples", "0"], {"uncertain": "error=normal:0,1", "samples": 0}),
    (["--uncertain", "error=normal:0,1", "--seed", "-1"], {"uncertain": "error=normal:0,1", "seed": -1}),
    (["--uncertain", "error=normal:0,1", "--sampling", "halton"], {"uncertain": "error=normal:0,1", "sampling": "halton"}),
]


@pytest.mark.parametrize("options, refused", REFUSALS)
def test_refusals_are_the_commands(options, refused):
    counted = "--samples" in options
    refusedalike("montecarlo", "scara", "vertical", options + ([] if counted else ["--samples", "2"]),
                 refused if counted else dict(refused, samples=2))


@pytest.mark.parametrize("wrong", [{"samples": "2"}, {"samples": 2.0}, {"seed": 1.5}, {"uncertain": 3},
                                   {"uncertain": {"error": 0}}, {"sampling": 1}])
def test_arguments_of_the_wrong_type_raise_typeerror(wrong):
    arguments = dict({"samples": 2, "uncertain": "error=normal:0,1"}, **wrong)
    with pytest.raises(TypeError):
        sotoc.montecarlo("scara", "vertical", **arguments)
