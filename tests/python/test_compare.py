"""sotoc.compare: the result object of `sotoc compare --json` to the bit, its logged
runs as the CSV files of --log, the same result whatever ran before, and the
command line's refusals."""

import csv
from concurrent.futures import ThreadPoolExecutor
import json
import os

import numpy as np
import pytest
import sotoc

from conftest import jsonlines, refusedalike, run, same

# Settings of both robots and motions as options and as arguments, with the
# outcome each gives: among them a move without an error-free solution, one
# without a solution for the erroneous design and SOTOC runs that never reach
# their last phase.
CASES = [
    ("scara vertical", [], {}, "compared"),
    ("scara horizontal elbow down", ["--elbow", "down", "--end", "0.2,0.6", "--ratios", "50,60", "--error", "-3.5"],
     {"elbow": "down", "end": (0.2, 0.6), "ratios": [50, 60], "error": -3.5}, "compared"),
    ("cylindrical vertical", ["--ratios", "500,500", "--start=-0.5,0.2"],
     {"ratios": (500.0, 500.0), "start": (-0.5, 0.2)}, "compared"),
    ("cylindrical horizontal", ["--end", "0,0.7", "--error", "7"], {"end": (0, 0.7), "error": 7}, "compared"),
    ("cylindrical horizontal", [], {}, "no-free-solution"),
    ("scara vertical", ["--error", "90"], {"error": 90.0}, "no-error-solution"),
    ("scara vertical", ["--error", "-20"], {"error": -20}, "unfinished"),
    ("cylindrical vertical", ["--error", "-50"], {"error": np.float64(-50)}, "unfinished"),
    ("scara vertical", ["--error", "5", "--near", "0.5", "--tolerance", "0.01"],
     {"error": 5, "near": 0.5, "tolerance": 0.01}, "compared"),
    ("scara vertical", ["--error", "5", "--sotoc-fallback", "0.1"], {"error": 5, "sotoc_fallback": 0.1}, "compared"),
    ("scara vertical", ["--error", "5"], {"error": 5, "sotoc_fallback": None}, "unfinished"),
    ("scara vertical", ["--ratios", "46,46", "--joint2-start", "positive", "--design-search", "wide"],
     {"ratios": (46, 46), "joint2_start": "positive", "design_search": "wide"}, "compared"),
    ("scara horizontal", ["--design-error", "L2=-10", "--design-error", "IJ1=20", "--param", "m1Nom=1.5"],
     {"designerrors": {"L2": -10, "IJ1": np.float64(20)}, "params": {"m1Nom": 1.5}}, "unfinished"),
]


def outcome(result):
    if result["outcome"] == "compared" and not result["runs"]["sotocErr"]["finished"]:
        return "unfinished"
    return result["outcome"]


def command(name, options):
    robot, motion = name.split()[:2]
    return ["compare", "--robot", robot, "--motion", motion] + options


def call(name, arguments, **extra):
    robot, motion = name.split()[:2]
    return sotoc.compare(robot, motion, **arguments, **extra)


@pytest.mark.parametrize("name,options,arguments,kind", CASES)
def test_result_equals_the_commands_json(name, options, arguments, kind):
    printed = run(command(name, options) + ["--json"])
    want = jsonlines(printed.stdout)[0]
    got = call(name, arguments)
    assert same(got, want)
    assert outcome(got) == kind


def readcsv(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    # A comment naming the program, the header, the samples.
    assert rows[0][0].startswith("# sotoc ") and len(rows[0]) == 1, rows[0]
    return np.array([[float(v) for v in row] for row in rows[2:]])


@pytest.mark.parametrize("name,options,arguments,kind", [c for c in CASES if c[3] in ("compared", "unfinished")][:5])
def test_logs_are_the_values_of_the_csv_files(name, options, arguments, kind, folder):
    assert run(command(name, options) + ["--log", folder]).returncode == 0
    got = call(name, arguments, logs=True)
    assert list(got)[-1] == "logs"
    assert same({k: v for k, v in got.items() if k != "logs"}, printedjson(name, options))
    assert list(got["logs"]) == ["tocFree", "tocErr", "sotocErr"]
    for run_name, columns in got["logs"].items():
        table = readcsv(os.path.join(folder, run_name + ".csv"))
        assert list(columns) == ["t", "q1", "q2", "x", "y", "tau1", "tau2"]
        for c, values in enumerate(columns.values()):
            assert values.dtype == np.float64 and values.shape == (table.shape[0],)
            assert values.tobytes() == table[:, c].tobytes(), (run_name, c)
    assert table.shape == (201, 7)


def test_no_solution_has_no_logs():
    got = sotoc.compare("cylindrical", "horizontal", logs=True)
    assert got["outcome"] == "no-free-solution" and got["runs"] is None and got["logs"] is None


def printedjson(name, options):
    """The result object that `sotoc compare --json` prints."""
    printed = run(command(name, options) + ["--json"])
    assert printed.returncode == 0, printed.stderr
    return jsonlines(printed.stdout)[0]


def test_same_arguments_same_result_whatever_ran_between(folder):
    assert run(command("scara horizontal", []) + ["--log", folder]).returncode == 0
    sotoc.compare("scara", "horizontal", ratios=(50, 60), start=(0.5, 0.1), end=(0.1, 0.5), elbow="down", error=-5)
    sotoc.compare("cylindrical", "vertical", ratios=(500, 500), logs=True)
    sotoc.sweep("cylindrical", "vertical", ratios=(20, 20), errors=(-2, 2, 2), jobs=2)
    sotoc.batch([{"robot": "scara", "motion": "vertical", "start": [0.3, 0.3]}], jobs=1)
    assert same(sotoc.compare("scara", "horizontal"), printedjson("scara horizontal", []))
    again = sotoc.compare("scara", "horizontal", logs=True)["logs"]
    for name, columns in again.items():
        table = readcsv(os.path.join(folder, name + ".csv"))
        for c, values in enumerate(columns.values()):
            assert values.tobytes() == table[:, c].tobytes(), (name, c)


# Refused arguments as the command line refuses the same values, each beside a
# neighbour that is accepted: (refused arguments, their options beside --robot and
# --motion, accepted arguments).
REFUSED = [
    ({"robot": "robotx"}, [], {"robot": "scara"}),
    ({"motion": ""}, [], {"motion": "horizontal"}),
    ({"ratios": (0, 5)}, ["--ratios", "0,5"], {"ratios": (0.001, 5)}),
    ({"ratios": (1000, 5)}, ["--ratios", "1000,5"], {"ratios": (999.9, 5)}),
    ({"ratios": [5]}, ["--ratios", "5"], {"ratios": [5, 5]}),
    ({"ratios": (1, 2, 3)}, ["--ratios", "1,2,3"], {"ratios": (1, 2)}),
    ({"ratios": ()}, ["--ratios", ""], {"ratios": None}),
    ({"start": (10.5, 0)}, ["--start", "10.5,0"], {"start": (0.5, 0)}),
    ({"end": (2, 0)}, ["--end", "2,0"], {"end": (0.5, 0.5)}),
    ({"elbow": "sideways"}, ["--elbow", "sideways"], {"elbow": "down"}),
    ({"joint2_start": "both"}, ["--joint2-start", "both"], {"joint2_start": "negative"}),
    ({"design_search": "narrow"}, ["--design-search", "narrow"], {"design_search": "standard"}),
    ({"error": 100}, ["--error", "100"], {"error": 99.99}),
    ({"error": -100.0}, ["--error", "-100"], {"error": -99.0}),
    ({"error": float("inf")}, ["--error", "inf"], {"error": 0}),
    ({"error": float("nan")}, ["--error", "nan"], {"error": -0.0}),
    ({"design_errors": {"L2": -100}}, ["--design-error", "L2=-100"], {"design_errors": {"L2": -99}}),
    ({"designerrors": {"Q": 1}}, ["--design-error", "Q=1"], {"designerrors": {"L1": 1}}),
    ({"params": {"L2": 0}}, ["--param", "L2=0"], {"params": {"L2": 0.3}}),
    ({"params": {"wn1": 1e300}}, ["--param", "wn1=1e300"], {"params": {"wn1": 1e9}}),
    ({"params": {"wn1": 1e-300}}, ["--param", "wn1=1e-300"], {"params": {"wn1": 1e-9}}),
    # An empty text names nothing: never the setting left out.
    ({"robotfile": ""}, ["--robot-file", ""], {"robotfile": None}),
    ({"design_search": ""}, ["--design-search", ""], {"design_search": "wide"}),
    ({"elbow": ""}, ["--elbow", ""], {"elbow": "up"}),
]


@pytest.mark.parametrize("refused,options,accepted", REFUSED)
def test_refusals_are_the_command_lines(refused, options, accepted):
    arguments = {"robot": "scara", "motion": "horizontal", **refused}
    refusedalike("compare", arguments.pop("robot"), arguments.pop("motion"), options, arguments)
    fine = {"robot": "scara", "motion": "horizontal", **accepted}
    assert sotoc.compare(fine.pop("robot"), fine.pop("motion"), **fine)["outcome"]


def test_design_errors_are_taken_by_their_keyword_and_by_its_former_spelling():
    """design_errors, and designerrors as before, give the design errors: the result
    is that of the command line's --design-error, not that of no design error."""
    plain = sotoc.compare("scara", "vertical")
    command = json.loads(run(["compare", "--robot", "scara", "--motion", "vertical", "--design-error", "L2=-10",
                              "--design-error", "IJ1=5", "--json"]).stdout)
    for keyword in ("design_errors", "designerrors"):
        given = sotoc.compare("scara", "vertical", **{keyword: {"L2": -10, "IJ1": 5}})
        assert given == command and given != plain, keyword


@pytest.mark.parametrize("arguments,message", [
    ({"robot": 5}, "--robot: '5' refused; accepts cylindrical or scara"),
    ({"motion": None}, "--motion: 'None' refused; accepts horizontal or vertical"),
    ({"ratios": "40,40"}, "--ratios: '40,40' refused; accepts two numbers U1,U2 with 0 < U <= 999.9"),
    ({"start": (0.5, "0")}, "--start: '(0.5, '0')' refused; accepts two numbers X,Y [m] with -10 <= X, Y <= 10"),
    ({"end": 0.5}, "--end: '0.5' refused; accepts two numbers X,Y [m] with -10 <= X, Y <= 10"),
    ({"ratios": (True, 40)}, "--ratios: '(True, 40)' refused; accepts two numbers U1,U2 with 0 < U <= 999.9"),
    ({"elbow": 1}, "--elbow: '1' refused; accepts down or up"),
    ({"error": "1"}, "--error: '1' refused; accepts one number with -100 < error < 100"),
    ({"error": [1.0]}, "--error: '[1.0]' refused; accepts one number with -100 < error < 100"),
    ({"designerrors": [("L2", 1)]},
     "--design-error: '[('L2', 1)]' refused; accepts NAME=PERCENT with -100 < PERCENT <= 900"),
    ({"designerrors": {"L2": "1"}},
     "--design-error: '{'L2': '1'}' refused; accepts NAME=PERCENT with -100 < PERCENT <= 900"),
    ({"logs": "no"}, "logs: 'no' refused; accepts True or False"),
    ({"logs": 1}, "logs: '1' refused; accepts True or False"),
])
def test_wrong_types_raise_type_error_naming_what_is_accepted(arguments, message):
    given = {"robot": "scara", "motion": "vertical", **arguments}
    with pytest.raises(TypeError) as e:
        sotoc.compare(given.pop("robot"), given.pop("motion"), **given)
    assert str(e.value) == message
    with pytest.raises(TypeError):
        sotoc.compare("scara", "vertical", (40, 40))  # the settings are keyword arguments


def test_numbers_beyond_a_double_refused_as_typed():
    with pytest.raises(ValueError) as e:
        sotoc.compare("scara", "vertical", error=10**400)
    assert str(e.value).startswith("--error: '1000000") and "accepts one number" in str(e.value)
    assert same(sotoc.compare("scara", "vertical", error=-3, ratios=np.array([40, 40])),
                printedjson("scara vertical", ["--error", "-3", "--ratios", "40,40"]))


def test_calls_from_threads_take_turns(folder):
    assert run(command("cylindrical vertical", ["--ratios", "500,500", "--log", folder])).returncode == 0
    q2 = readcsv(os.path.join(folder, "sotocErr.csv"))[:, 2].tolist()
    sweep = jsonlines(run(["sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "-4:4:2"]).stdout)
    batch = [{"robot": "cylindrical", "motion": "vertical", "start": [-0.5, 0.2]}] * 3
    batched = jsonlines(run(["batch"], "".join(json.dumps(b) + "\n" for b in batch)).stdout)
    # Each call with what the command line prints for it.
    calls = [
        (lambda: sotoc.compare("scara", "vertical", error=-7), printedjson("scara vertical", ["--error", "-7"])),
        (lambda: sotoc.compare("cylindrical", "vertical", ratios=(500, 500), logs=True)["logs"]["sotocErr"]["q2"]
         .tolist(), q2),
        (lambda: sotoc.sweep("scara", "horizontal", errors=(-4, 4, 2), jobs=2), sweep),
        (lambda: sotoc.batch(batch, jobs=2), batched),
        (lambda: sotoc.compare("scara", "horizontal", elbow="down", end=(0.2, 0.6)),
         printedjson("scara horizontal", ["--elbow", "down", "--end", "0.2,0.6"])),
    ]
    assert len(sweep) == 5 and len(batched) == 3
    with ThreadPoolExecutor(max_workers=len(calls)) as pool:
        for _ in range(2):
            together = [f.result() for f in [pool.submit(call) for call, _ in calls]]
            assert [same(got, want) for got, (_, want) in zip(together, calls)] == [True] * len(calls)
