"""sotoc.batch and sotoc.sweep: lists of dicts equal to the lines of sotoc batch and
sotoc sweep, in order, for one worker and for two; settings that cannot run
answered in place; the refusals of their own arguments."""

import json

import numpy as np
import pytest
import sotoc

from conftest import alone, jsonlines, refusedalike, run, same

# Slow vertical comparisons before quick horizontal ones, so that with two workers
# later items end first; one that cannot run, one without a solution.
SETTINGS = [
    {"robot": "scara", "motion": "vertical", "error": -9},
    {"robot": "scara", "motion": "vertical", "error": 4, "elbow": "down", "start": [0.6, 0.2]},
    {"robot": "scara", "motion": "horizontal", "error": -3},
    {"robot": "scara", "motion": "vertical", "mass": 2},
    {"robot": "cylindrical", "motion": "horizontal"},
    {"robot": "cylindrical", "motion": "vertical", "ratios": [500, 500], "error": 7.5},
    {"motion": "vertical"},
    {"robot": "scara", "motion": "horizontal", "ratios": [5, "5"]},
]


def batchlines(settings, jobs):
    text = "".join(json.dumps(s) + "\n" for s in settings)
    return jsonlines(run(["batch", "--jobs", str(jobs)], text).stdout)


@pytest.mark.parametrize("jobs", [1, 2])
def test_batch_equals_the_commands_lines_in_order(jobs):
    want = batchlines(SETTINGS, jobs)
    got = sotoc.batch(SETTINGS, jobs=jobs)
    assert same(got, want)
    assert [r.get("line") for r in got] == [None, None, None, 4, None, None, 7, 8]
    assert got[4]["outcome"] == "no-free-solution"
    assert [r["settings"]["error"] for r in got if "settings" in r] == [-9, 4, -3, 1, 7.5]


def test_batch_takes_any_iterable_and_numpys_numbers():
    plain = [{"robot": "scara", "motion": "vertical", "ratios": [40.0, 45.0], "error": -3.5}]
    numbers = ({"robot": "scara", "motion": "vertical", "ratios": np.array([40, 45]), "error": np.float32(-3.5)},)
    assert same(sotoc.batch(iter(numbers)), batchlines(plain, 1))
    assert sotoc.batch([]) == []


def test_batch_answers_settings_that_cannot_run_in_place():
    got = sotoc.batch([
        {"robot": "scara", "motion": "vertical", "error": float("inf")},
        {"robot": "scara", "motion": "vertical", "ratios": [[[[[40]]]]]},
        {"robot": "scara", "motion": "vertical", "error": -(10**400)},
        {"robot": "scara", "motion": "vertical", "error": 2**70},
        {"robot": "scara", "motion": "vertical", "ratios": []},
    ], jobs=2)
    assert got[0] == {"line": 1, "error": "error: 'inf' refused; accepts one number with -100 < error < 100"}
    assert got[1]["line"] == 2
    assert got[1]["error"].endswith("' refused: nested more than 4 levels deep; accepts one JSON object per line")
    assert got[2] == {"line": 3, "error": "error: '-inf' refused; accepts one number with -100 < error < 100"}
    assert got[3] == {"line": 4, "error": "error: '1180591620717411303424' refused; accepts one number with -100 < error < 100"}
    assert got[4] == {"line": 5, "error": "ratios: '[]' refused; accepts two numbers U1,U2 with 0 < U <= 999.9"}


@pytest.mark.parametrize("settings,message", [
    ({"robot": "scara", "motion": "vertical"}, "settings: accepts a list of dicts of settings"),
    ("scara", "settings: accepts a list of dicts of settings"),
    (5, "settings: accepts a list of dicts of settings"),
    ([{"robot": "scara", "motion": "vertical"}, ["scara"]], "settings[1]: '['scara']' refused; accepts a dict of settings"),
    ([{"robot": "scara", "motion": "vertical", 3: 4}], "settings[0]: '3' refused; the names of settings are str"),
    ([{"robot": "scara", "motion": "vertical", "error": {1}}],
     "settings[0]: '{1}' refused; a setting is a str, a number, a sequence of numbers or None"),
])
def test_batch_refuses_what_are_no_settings(settings, message):
    with pytest.raises(TypeError) as e:
        sotoc.batch(settings)
    assert str(e.value) == message


def sweeplines(options, jobs):
    printed = run(["sweep"] + options + ["--jobs", str(jobs)])
    assert printed.returncode == 0, printed.stderr
    return jsonlines(printed.stdout)


@pytest.mark.parametrize("jobs", [1, 2])
def test_sweep_equals_the_commands_lines_in_grid_order(jobs):
    want = sweeplines(["--robot", "scara", "--motion", "vertical", "--errors", "-30:30:7.5"], jobs)
    got = sotoc.sweep("scara", "vertical", errors=(-30, 30, 7.5), jobs=jobs)
    assert same(got, want)
    assert [r["settings"]["error"] for r in got] == [-30, -22.5, -15, -7.5, 0, 7.5, 15, 22.5, 30]
    if jobs == 2:
        alone(got)
    options = ["--robot", "cylindrical", "--motion", "vertical", "--ratios", "500,500", "--elbow", "down",
               "--start=-0.5,0.2", "--errors", "-99.9:99.9:33.3"]
    got = sotoc.sweep("cylindrical", "vertical", ratios=(500, 500), elbow="down", start=(-0.5, 0.2),
                      errors=(-99.9, 99.9, 33.3), jobs=jobs)
    assert same(got, sweeplines(options, jobs))
    assert len(got) == 7


def test_sweep_without_solution_gives_every_point():
    got = sotoc.sweep("cylindrical", "horizontal", errors=(0, 1, 0.5))
    assert same(got, sweeplines(["--robot", "cylindrical", "--motion", "horizontal", "--errors", "0:1:0.5"], 2))
    assert [r["outcome"] for r in got] == ["no-free-solution"] * 3


# Refused arguments of a sweep as the command line refuses them, each beside an
# accepted neighbour: (refused, their options, accepted).
REFUSED = [
    ({"errors": (0, 1, 0)}, ["--errors", "0:1:0"], {"errors": (0, 1, 1)}),
    ({"errors": (2, 1, 1)}, ["--errors", "2:1:1"], {"errors": (1, 1, 1)}),
    ({"errors": (2, 1)}, ["--errors", "2,1"], {"errors": (1, 2)}),  # two values, not FROM, TO
    ({"errors": (-100, 0, 50)}, ["--errors", "-100:0:50"], {"errors": (-99, 0, 50)}),
    ({"errors": [-100, 0, 50]}, ["--errors", "-100,0,50"], {"errors": [-99, 0, 50]}),
    ({"errors": (0, 1, float("nan"))}, ["--errors", "0:1:nan"], {"errors": (0, 1, 0.5)}),
    ({"errors": (0, 1, 1), "jobs": 0}, ["--errors", "0:1:1", "--jobs", "0"], {"errors": (0, 1, 1), "jobs": 1}),
    ({"errors": (0, 1, 1), "jobs": 257}, ["--errors", "0:1:1", "--jobs", "257"],
     {"errors": (0, 1, 1), "jobs": np.int64(256)}),
    ({"errors": (0, 1, 1), "ratios": (0, 1)}, ["--errors", "0:1:1", "--ratios", "0,1"],
     {"errors": (0, 1, 1), "ratios": (1, 1)}),
]


@pytest.mark.parametrize("refused,options,accepted", REFUSED)
def test_sweep_refusals_are_the_command_lines(refused, options, accepted):
    refusedalike("sweep", "scara", "vertical", options, refused)
    assert sotoc.sweep("scara", "vertical", **accepted)


@pytest.mark.parametrize("arguments,message", [
    ({"errors": "0:1:1"}, "--errors: '0:1:1' refused; accepts three numbers (FROM, TO, STEP) as a tuple or a "
                          "sequence of values [%]"),
    ({"errors": (0, "1", 1)}, "--errors: '(0, '1', 1)' refused; accepts three numbers (FROM, TO, STEP) as a tuple "
                              "or a sequence of values [%]"),
    ({"errors": (0, 1, 1), "jobs": 1.5}, "--jobs: '1.5' refused; accepts a whole number from 1 to 256"),
    ({"errors": (0, 1, 1), "jobs": "2"}, "--jobs: '2' refused; accepts a whole number from 1 to 256"),
    ({"errors": (0, 1, 1), "jobs": True}, "--jobs: 'True' refused; accepts a whole number from 1 to 256"),
])
def test_sweep_wrong_types_raise_type_error(arguments, message):
    with pytest.raises(TypeError) as e:
        sotoc.sweep("scara", "vertical", **arguments)
    assert str(e.value) == message
    with pytest.raises(TypeError):
        sotoc.sweep("scara", "vertical")  # errors is required
    with pytest.raises(TypeError) as e:
        sotoc.batch([], jobs=arguments.get("jobs", "x"))
    assert str(e.value).startswith("--jobs: '")


def test_batch_names_the_design_rules_as_a_batch_line_does():
    """A dict of batch spells the settings as a batch line does: "joint2-start"."""
    settings = [{"robot": "scara", "motion": "vertical", "ratios": [46, 46], "joint2-start": "negative"}]
    got = sotoc.batch(settings, jobs=1)
    assert same(got, batchlines(settings, 1))
    assert got[0]["settings"]["joint2-start"] == "negative"
    assert got[0]["designs"]["free"]["trials"][1]["verdict"] == "not-run"
