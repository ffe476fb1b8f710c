"""Sweeps and maps as arrays, as an xarray.Dataset and as a pandas.DataFrame: every
point's figures equal those of the result dicts; grids given as values; what the
arrays cost; the modules imported only when asked; refusals of as_."""

import math
import subprocess
import sys

import numpy
import pytest
import sotoc

from conftest import jsonlines, run, same

# A map over two settings with points out of reach (x) and three mass errors (y).
MAP = {"robot": "scara", "motion": "horizontal", "y": ("error", -6, 6, 6), "x": ("end-x", 0.2, 1.4, 0.4)}
# Sweeps whose points were all compared, and none (no error-free solution).
SWEEPS = [{"robot": "scara", "motion": "vertical", "errors": (-60, 60, 30)},
          {"robot": "cylindrical", "motion": "horizontal", "errors": (0, 1, 0.5)}]


def call(function, arguments, **more):
    given = dict(arguments)
    return getattr(sotoc, function)(given.pop("robot"), given.pop("motion"), **given, **more)


def figure(result, run, name):
    """A run's figure of a result dict, NaN where the run did not happen."""
    runs = result.get("runs")
    value = runs[run].get(name) if runs else None
    return math.nan if value is None else value


def equal(a, b):
    return a == b or (math.isnan(a) and math.isnan(b))


def assert_point_equals_record(arrays, at, record):
    assert sotoc.OUTCOMES[arrays["outcome"][at]] == record["outcome"]
    for run in ["tocFree", "tocErr", "sotocErr"]:
        for name in ["error", "tf"]:
            assert equal(float(arrays[f"runs.{run}.{name}"][at]), figure(record, run, name)), (at, run, name)
    finished = bool(record["runs"]["sotocErr"]["finished"]) if record.get("runs") else False
    assert bool(arrays["runs.sotocErr.finished"][at]) == finished


def test_map_arrays_and_dataset_equal_the_records_point_by_point():
    records = call("map", MAP, jobs=2)
    arrays = call("map", MAP, jobs=2, as_="arrays")
    ds = call("map", MAP, jobs=2, as_="xarray")
    outcomes = {r["outcome"] for r in records}
    assert {"compared", "unreachable"} <= outcomes
    assert list(arrays)[:2] == ["end-x", "error"]
    # The axes' values are the settings each point carries.
    assert list(arrays["end-x"]) == [r["settings"]["end"][0] for r in records if r["map"]["j"] == 0]
    assert list(arrays["error"]) == [r["settings"]["error"] for r in records if r["map"]["i"] == 0]
    assert arrays["outcome"].shape == (3, 4) and arrays["outcome"].dtype == numpy.int8
    for r in records:
        at = (r["map"]["j"], r["map"]["i"])
        assert_point_equals_record(arrays, at, r)
        assert_point_equals_record({k: ds[k].values for k in ds.variables}, at, r)
    assert ds["runs.tocErr.error"].dims == ("error", "end-x")
    assert ds["end-x"].attrs == {"units": "m", "long_name": "end point x [m]"}
    assert ds["error"].attrs["units"] == "%" and ds["runs.sotocErr.tf"].attrs["units"] == "s"
    assert ds["outcome"].attrs["flag_meanings"].split() == list(sotoc.OUTCOMES)
    # The settings no axis varies, a varied number as NaN; the program.
    first = records[0]["settings"]
    assert (ds.attrs["robot"], ds.attrs["motion"], ds.attrs["elbow"]) == ("scara", "horizontal", first["elbow"])
    assert ds.attrs["ratios"] == first["ratios"] and math.isnan(ds.attrs["error"])
    assert math.isnan(ds.attrs["end"][0]) and ds.attrs["end"][1] == first["end"][1]
    assert ds.attrs["program.commit"] == records[0]["program"]["commit"]


@pytest.mark.parametrize("arguments", SWEEPS)
def test_sweep_arrays_equal_the_records_point_by_point(arguments):
    records = call("sweep", arguments)
    arrays = call("sweep", arguments, as_="arrays")
    assert list(arrays["error"]) == [r["settings"]["error"] for r in records]
    assert arrays["outcome"].shape == (len(records),)
    for at, r in enumerate(records):
        assert_point_equals_record(arrays, at, r)
    ds = call("sweep", arguments, as_="xarray")
    assert ds["runs.sotocErr.error"].dims == ("error",)
    assert numpy.array_equal(ds["runs.tocErr.tf"].values, arrays["runs.tocErr.tf"], equal_nan=True)


def test_records_frame_is_flat_with_nan_where_a_run_did_not_happen():
    records = call("map", MAP, jobs=2)
    frame = sotoc.records_frame(records)
    assert len(frame) == len(records)
    for column in ["settings.robot", "settings.end.0", "settings.end.1", "derived.tfNom", "outcome",
                   "designs.free.trials.1.verdict", "runs.sotocErr.finished", "map.i", "program.commit"]:
        assert column in frame.columns, column
    assert not any(isinstance(v, (dict, list)) for v in frame.iloc[0])
    for k, r in enumerate(records):
        row = frame.iloc[k]
        assert row["settings.end.0"] == r["settings"]["end"][0] and row["map.j"] == r["map"]["j"]
        assert equal(float(row["runs.sotocErr.error"]), figure(r, "sotocErr", "error"))
        if r["outcome"] == "unreachable":
            assert row["reason"] == r["reason"] and math.isnan(row["derived.tfNom"])


def test_sequences_are_values_and_a_tuple_of_three_is_from_to_step():
    def errors(results):
        return [r["settings"]["error"] for r in results]
    assert errors(sotoc.sweep("scara", "vertical", errors=numpy.arange(0, 3, 1.0))) == [0, 1, 2]
    assert errors(sotoc.sweep("scara", "vertical", errors=(0, 3, 1))) == [0, 1, 2, 3]
    assert errors(sotoc.sweep("scara", "vertical", errors=(0, 2))) == [0, 2]  # not FROM:TO without a STEP
    assert errors(sotoc.sweep("scara", "vertical", errors=(0, 1, 2, 3))) == [0, 1, 2, 3]
    uneven = [-40, 0.1 + 0.2, 2.5, 37]
    got = sotoc.sweep("scara", "vertical", errors=uneven, jobs=2)
    assert errors(got) == uneven and got[1]["settings"]["error"] != 0.3  # the doubles given
    printed = run(["sweep", "--robot", "scara", "--motion", "vertical", "--errors", "-40,0.30000000000000004,2.5,37",
                   "--jobs", "2"])
    assert same(got, jsonlines(printed.stdout))
    # A map axis of values, as (NAME, VALUES).
    got = sotoc.map("scara", "vertical", x=("ratios", numpy.array([30.0, 45.0, 100.0])), y=("error", [-5, 5]))
    printed = run(["map", "--robot", "scara", "--motion", "vertical", "--x", "ratios=30,45,100", "--y", "error=-5,5"])
    assert same(got, jsonlines(printed.stdout))
    assert [r["settings"]["ratios"][1] for r in got[:3]] == [30, 45, 100]


@pytest.mark.parametrize("arguments,kind,message", [
    ({"errors": [0, 3, 1]}, ValueError, "--errors: '0,3,1' refused; the grid point 1 % (point 2) does not lie above "
                                        "the one before, 3 %"),
    ({"errors": numpy.array([-100.0, 0.0])}, ValueError,
     "--errors: '-100,0' refused; the grid point -100 % (point 0) lies outside the mass errors -100 % < error < 100 %"),
    ({"errors": []}, ValueError, "--errors: '' refused; expected FROM:TO:STEP or values V1,V2,... [%] "
                                 "(for example -50:50:1), got \"\""),
    ({"errors": numpy.zeros((2, 2))}, TypeError, None),
    ({"errors": (0, 1, 1), "as_": "frame"}, ValueError,
     "as_: 'frame' refused; accepts 'records', 'arrays' or 'xarray'"),
])
def test_grids_and_forms_refused(arguments, kind, message):
    with pytest.raises(kind) as e:
        sotoc.sweep("scara", "vertical", **arguments)
    assert message is None or str(e.value) == message


FRAMEREFUSAL = ("records_frame: %s refused; takes a result dict or an iterable of them (compare, batch, or sweep "
                "and map with as_=\"records\"), not arrays")


@pytest.mark.parametrize("given,message", [
    (lambda: "abc", FRAMEREFUSAL % "'abc'"),
    (lambda: numpy.array(1.0), FRAMEREFUSAL % "array(1.)"),
    (lambda: 5, FRAMEREFUSAL % "5"),
    (lambda: [{"settings": {}}, "x"], FRAMEREFUSAL % "[{'settings': {}}, 'x']"),
    (lambda: call("map", MAP, as_="arrays"), None),
    (lambda: call("map", MAP, as_="xarray"), None),
    (lambda: call("sweep", {"robot": "scara", "motion": "vertical", "errors": (0, 1, 1)}, as_="arrays"), None),
])
def test_records_frame_refuses_what_is_no_records(given, message):
    with pytest.raises(TypeError) as e:
        sotoc.records_frame(given())
    assert str(e.value) == message if message else str(e.value).startswith("records_frame: ")


@pytest.mark.parametrize("arguments", [{"progress": "no"}, {"progress": 0}, {"progress": None}])
def test_progress_is_a_bool(arguments):
    with pytest.raises(TypeError) as e:
        sotoc.sweep("scara", "vertical", errors=(0, 1, 1), **arguments)
    assert str(e.value) == "progress: '%s' refused; accepts True or False" % arguments["progress"]


def test_arrays_of_a_200_by_200_map_cost_at_most_200_bytes_a_point():
    """The arrays a map of 200 x 200 points returns, gathered from the results of a
    small map fed in grid order as the compiled part feeds them: 21 figures of 8
    bytes, the outcome, searches and facts of one; the older names are the same
    arrays, at no cost."""
    small = call("map", MAP, jobs=2)
    axes = [{"name": "end-x", "setting": "end", "first": 0, "count": 1, "label": "end point x [m]",
             "values": list(numpy.linspace(-1, 1, 200))},
            {"name": "error", "setting": "error", "first": 0, "count": 1, "label": "mass error of the design [%]",
             "values": list(numpy.linspace(-50, 50, 200))}]
    gathering = sotoc._Gathering("arrays", False, axes, 200 * 200)
    for k in range(200 * 200):
        gathering.add(small[k % len(small)])
    arrays = gathering.end()
    assert arrays["runs.tocErr.error"].shape == (200, 200)
    assert_point_equals_record(arrays, (199, 199), small[(200 * 200 - 1) % len(small)])
    assert arrays["runs.tocErr.error"] is arrays["toc_error"]
    assert sum(a.nbytes for a in {id(a): a for a in arrays.values()}.values()) <= 200 * 200 * 200


def test_xarray_pandas_and_tqdm_imported_only_when_asked():
    code = ("import sys, sotoc; sotoc.sweep('scara', 'vertical', errors=(0, 1, 1), as_='arrays'); "
            "print(sorted(m for m in ('xarray', 'pandas', 'tqdm', 'matplotlib') if m in sys.modules))")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=False)
    assert (done.returncode, done.stdout, done.stderr) == (0, "[]\n", "")


def test_progress_bar_counts_the_points_on_standard_error():
    code = "import sotoc; sotoc.map('scara', 'vertical', x=('error', -1, 1, 1), y=('ratios', [40, 50]), progress=True)"
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=False)
    assert done.returncode == 0, done.stderr
    assert "6/6" in done.stderr.split("\r")[-1]
    quiet = subprocess.run([sys.executable, "-c", code.replace("progress=True", "progress=False")],
                           capture_output=True, text=True, check=False)
    assert (quiet.returncode, quiet.stderr) == (0, "")


# Every variable of the arrays and the Dataset: its name, the result's JSON path and
# units, for each run the figures of its dict, then the facts of each point.
RUNPREFIXES = {"free_toc": "tocFree", "toc": "tocErr", "sotoc": "sotocErr"}
RUNMEMBERS = {"error": ("error", "m"), "tf": ("tf", "s"), "designed_tip_error": ("designedTipError", "m"),
              "designed_tip_speed": ("designedTipSpeed", "m/s"), "end_tip_error": ("endTipError", "m"),
              "end_tip_speed": ("endTipSpeed", "m/s"), "settling_time": ("settlingTime", "s")}
VARIABLES = [(f"{prefix}_{name}", f"runs.{run}.{member}", unit)
             for prefix, run in RUNPREFIXES.items() for name, (member, unit) in RUNMEMBERS.items()] + \
            [("sotoc_finished", "runs.sotocErr.finished", "1"), ("same_structure", "designs.samestructure", "1"),
             ("free_search", "designs.free.search", "1"), ("error_search", "designs.error.search", "1")] + \
            [(f"sotoc_phase{k + 1}_fallback", f"runs.sotocErr.phases.{k}.by", "1") for k in range(4)]


def expected(record, path):
    """What a point's variable holds of the record at the JSON path: NaN (False, 0)
    where it has none; a search's code; whether a phase ended by the fallback."""
    value = record
    for key in path.split("."):
        value = value[int(key)] if isinstance(value, list) else (value or {}).get(key)
    if path.endswith("search"):
        return {None: 0, "standard": 1, "wide": 2}[value]
    if path.endswith(".by"):
        return value == "fallback"
    if path.endswith(("finished", "samestructure")):
        return bool(value)
    return math.nan if value is None else value


@pytest.mark.parametrize("form", ["arrays", "xarray"])
def test_every_measure_and_fact_of_a_point_is_its_json_lines(form):
    """The variables of a sweep with a fallback equal the values of its JSON lines
    under the variables' paths, with their units, names Python takes unquoted, and
    the older names still there."""
    args = ["--robot", "scara", "--motion", "vertical", "--errors", "-40:40:20", "--sotoc-fallback", "0.05"]
    lines = jsonlines(run(["sweep"] + args).stdout)
    got = sotoc.sweep("scara", "vertical", errors=(-40, 40, 20), sotoc_fallback=0.05, jobs=2, as_=form)
    values = {k: numpy.asarray(got[k]) for k in (got.variables if form == "xarray" else got)}
    seen = set()
    for name, path, unit in VARIABLES:
        assert name.isidentifier(), name
        for at, line in enumerate(lines):
            want = expected(line, path)
            assert equal(float(values[name][at]), float(want)), (name, at)
            seen.add((name, want if not isinstance(want, float) or not math.isnan(want) else "nan"))
        if form == "xarray":
            assert got[name].attrs["json_path"] == path and got[name].attrs["units"] == unit, name
            assert got[name].attrs["long_name"], name
    # The sweep holds what the table can tell apart: runs without a settling time,
    # a phase ended by the fallback, both searches' codes or one of them.
    assert ("sotoc_settling_time", "nan") in seen and ("sotoc_phase1_fallback", True) in seen
    for old in ["runs.tocErr.error", "runs.sotocErr.tf", "runs.sotocErr.finished"]:
        assert numpy.array_equal(values[old], values[{"runs.sotocErr.finished": "sotoc_finished"}.get(
            old, old.replace("runs.tocErr.", "toc_").replace("runs.sotocErr.", "sotoc_"))], equal_nan=True)
