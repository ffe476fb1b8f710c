"""The JSON Schema of the result lines (docs/reference/result.schema.json), written from
what each field means: it accepts the real output of every subcommand that writes
result JSON, each kind of line among them, and rejects lines damaged as a faulty
writer would damage them. The site publishes the same file and lists every field the
real output has."""

import copy
import glob
import json
import os
import re
import subprocess

import jsonschema
import pytest

from conftest import ENGLISH, HTML, SOTOC, Tables, page, plain

SCHEMA = os.path.join(os.environ["SOTOC_SOURCE_DIR"], "docs", "reference", "result.schema.json")
EXAMPLE = os.path.join(os.environ["SOTOC_SOURCE_DIR"], "examples", "scara.toml")

# Batch input: a comparison, a line with a field no setting has, a line that is no
# JSON, a line without the motion; each bad line gets {"line": N, "error": ...}.
BATCH = ('{"robot": "scara", "motion": "horizontal", "error": 5}\n'
         '{"robot": "scara", "motion": "vertical", "speed": 1}\n'
         'not json\n'
         '{"robot": "cylindrical"}\n')


def sotoc(args, stdin=None, statuses=(0,)):
    args = [os.fsencode(a) for a in args]  # a file name that is not UTF-8 as its bytes
    r = subprocess.run([SOTOC] + args, input=stdin, capture_output=True, text=True, env=ENGLISH, check=False)
    assert r.returncode in statuses, (args, r.returncode, r.stderr)
    return r.stdout


def lines(text):
    return [json.loads(line) for line in text.splitlines() if line.strip()]


@pytest.fixture(scope="module")
def validator():
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    return jsonschema.Draft202012Validator(schema)


@pytest.fixture(scope="module")
def outputs(tmp_path_factory):
    """{subcommand: [objects]} of small real runs of every writer of result JSON; the
    "edges" at the bounds of the model's values (which once overflowed into nulls) and
    with a robot file whose name is not UTF-8."""
    arm = os.path.join(os.fsencode(tmp_path_factory.mktemp("arm")), b"arm\xff.toml")
    with open(os.path.join(os.environ["SOTOC_SOURCE_DIR"], "examples", "scara.toml"), "rb") as f, open(arm, "wb") as g:
        g.write(f.read())
    edges = [json.loads(sotoc(["compare", "--robot", "scara", "--motion", motion, *more, "--json"], statuses=(0, 3)))
             for motion, more in [("horizontal", ["--param", "wn1=1e9"]), ("horizontal", ["--param", "wn1=1e-9"]),
                                  ("vertical", ["--param", "mwNom=1e9"]), ("vertical", ["--param", "m1Nom=1e-9"]),
                                  ("horizontal", ["--robot-file", os.fsdecode(arm)])]]
    compare = [json.loads(sotoc(["compare", "--robot", robot, "--motion", motion, *more, "--json"], statuses=(0, 3)))
               for robot, motion, more in [("scara", "vertical", []), ("scara", "vertical", ["--error", "-20"]),
                                           ("cylindrical", "horizontal", []),
                                           ("scara", "vertical", ["--error", "45"]),
                                           # Every setting written only when given.
                                           ("scara", "vertical", ["--robot-file", EXAMPLE, "--near", "0.3",
                                                                  "--tolerance", "0.002", "--sotoc-fallback", "0.05",
                                                                  "--joint2-start", "positive", "--design-search",
                                                                  "wide", "--design-error", "L2=-10",
                                                                  "--param", "L1=0.45"]),
                                           # What the controller sees, every reading setting given.
                                           ("scara", "vertical", ["--control-period", "0.002", "--encoder-counts",
                                                                  "10000,10000", "--sensor-noise",
                                                                  "0.0001,0.0001,0.001,0.001", "--seed", "3",
                                                                  "--sensor-delay", "0.001", "--servo-antiwindup",
                                                                  "--span", "5"]),
                                           # The minimum-time reference, with and without a design.
                                           ("scara", "vertical", ["--reference", "optimal"]),
                                           ("cylindrical", "horizontal", ["--error", "10", "--reference",
                                                                          "optimal"])]]
    return {
        "compare": compare,
        "edges": edges,
        # Status 1: not every line ran.
        "batch": lines(sotoc(["batch", "--jobs", "2"], stdin=BATCH, statuses=(1,))),
        "sweep": lines(sotoc(["sweep", "--robot", "scara", "--motion", "horizontal", "--errors", "-10:10:10",
                              "--jobs", "2"])),
        # Points of a SCARA robot's map the arm cannot reach (end x = 0.9 m and more).
        "map": lines(sotoc(["map", "--robot", "scara", "--motion", "vertical", "--x", "end-x=0.5:1.5:0.5",
                            "--y", "error=0:10:10", "--jobs", "2"])),
    }


def test_every_line_of_every_writer_is_valid(validator, outputs):
    for subcommand, objects in outputs.items():
        assert objects, subcommand
        for k, obj in enumerate(objects):
            problems = [f"{'/'.join(map(str, e.absolute_path))}: {e.message}" for e in validator.iter_errors(obj)]
            assert not problems, (subcommand, k, problems)


def test_the_runs_hold_every_kind_of_line(outputs):
    """The lines validated above are not all of one kind: results that compared, with
    SOTOC finished and not, without a solution, unreachable map points, map lines and
    a batch's bad lines (numbered from 1 as the input's lines)."""
    everything = [obj for objects in outputs.values() for obj in objects]
    outcomes = {obj.get("outcome") for obj in everything}
    assert {"compared", "no-free-solution", "no-error-solution", "unreachable"} <= outcomes
    finished = {obj["runs"]["sotocErr"]["finished"] for obj in everything if obj.get("outcome") == "compared"}
    assert finished == {True, False}
    assert [obj.get("line") for obj in outputs["batch"]] == [None, 2, 3, 4]
    assert len(outputs["map"]) == 6 and all("map" in obj for obj in outputs["map"])
    assert [obj["settings"]["error"] for obj in outputs["sweep"]] == [-10, 0, 10]


def test_every_result_names_the_program_that_made_it(outputs):
    """Each result and unreachable point carries the version and commit that
    `sotoc --version` prints; a batch's bad line, no result, does not."""
    version = subprocess.run([SOTOC, "--version"], capture_output=True, text=True, env=ENGLISH, check=True).stdout
    for objects in outputs.values():
        for obj in objects:
            if "line" in obj:
                assert "program" not in obj
                continue
            program = obj["program"]
            assert version.splitlines()[0] == f"sotoc {program['version']} (commit {program['commit']})"


def damaged(obj, path, value=None, remove=False):
    """A copy of obj with the field at `path` (keys and list indices) set or removed."""
    copied = copy.deepcopy(obj)
    parent = copied
    for key in path[:-1]:
        parent = parent[key]
    if remove:
        del parent[path[-1]]
    else:
        parent[path[-1]] = value
    return copied


def test_damaged_lines_are_rejected(validator, outputs):
    result = outputs["compare"][0]
    unreachable = next(obj for obj in outputs["map"] if obj["outcome"] == "unreachable")
    badline = outputs["batch"][1]
    chosen = result["designs"]["free"]["chosen"]
    assert validator.is_valid(result) and validator.is_valid(unreachable) and validator.is_valid(badline)
    faults = [
        damaged(result, ["runs", "tocErr", "error"], remove=True),        # a figure left out
        damaged(result, ["derived"], remove=True),                        # a whole part left out
        damaged(result, ["settings", "error"], "10"),                     # a number written as text
        damaged(result, ["runs", "sotocErr", "finished"], 1),             # a flag written as a number
        damaged(result, ["settings", "robot"], "Scara"),                  # a word not among the robots
        damaged(result, ["settings", "ratios"], [50.0]),                  # a pair with one value
        damaged(result, ["designs", "free", "ts"], [0.1, 0.2, 0.3]),      # three of the four instants
        damaged(result, ["designs", "free", "trials", chosen, "tf"], None),  # accepted, yet no time
        damaged(result, ["designs", "free", "trials", 1 - chosen, "tf"], 1.0),  # rejected, yet a time
        damaged(result, ["designs", "free", "chosen"], 2),                # a third trial
        damaged(result, ["runs"], None),                                  # compared, yet no runs
        damaged(result, ["runs", "tocFree", "tip"], {"x": 0.1, "y": 0.2}),
        damaged(result, ["runs", "tocErr", "finished"], True),            # SOTOC's flag on a TOC run
        damaged(result, ["settings", "speed"], 1.0),                      # a setting that does not exist
        damaged(result, ["map"], {"i": -1, "j": 0}),
        damaged(result, ["outcome"], "unreachable"),                      # figures of a point not run
        damaged(result, ["program"], remove=True),                        # where it came from left out
        damaged(result, ["program", "commit"], 123456789012),             # a commit written as a number
        damaged(result, ["program", "version"], "1.0"),                   # a version cut short
        damaged(result, ["program", "built"], "today"),                   # a field the program part has not
        damaged(unreachable, ["program"], remove=True),
        damaged(unreachable, ["reason"], remove=True),
        damaged(unreachable, ["map"], remove=True),
        damaged(badline, ["line"], "2"),
        damaged(badline, ["line"], 0),
    ]
    for k, fault in enumerate(faults):
        assert not validator.is_valid(fault), k


def test_a_diverged_line_holds_no_figures(validator, outputs):
    """A comparison whose figures overflowed is written as its settings, the outcome
    "diverged" and why, as the result reference shows it; never as figures."""
    result = outputs["compare"][0]
    diverged = {"settings": result["settings"], "outcome": "diverged",
                "reason": "the model's values overflow: runs.tocErr.endTipError is no finite number",
                "program": result["program"]}
    assert validator.is_valid(diverged) and validator.is_valid(damaged(diverged, ["map"], {"i": 0, "j": 1}))
    faults = [damaged(diverged, ["derived"], result["derived"]), damaged(diverged, ["runs"], None),
              damaged(diverged, ["reason"], remove=True), damaged(diverged, ["reason"], ""),
              damaged(result, ["outcome"], "diverged"), damaged(result, ["derived", "tfNom"], None)]
    for k, fault in enumerate(faults):
        assert not validator.is_valid(fault), k


def test_a_new_top_level_field_is_accepted(validator, outputs):
    """Fields may be added beside the documented ones (the top level is open)."""
    assert validator.is_valid(damaged(outputs["compare"][0], ["version"], "0.0"))


# Objects whose keys are the names of parameters, not fields.
BYNAME = ("settings.designerrors", "settings.params")


def fieldpaths(value, prefix=""):
    """Dotted paths of every field of a JSON value, list items as PATH[]; not the
    parameter names within BYNAME."""
    paths = set()
    if isinstance(value, dict):
        for key, item in value.items():
            paths.add(prefix + key)
            if prefix + key not in BYNAME:
                paths |= fieldpaths(item, prefix + key + ".")
    elif isinstance(value, list):
        for item in value:
            paths |= fieldpaths(item, prefix[:-1] + "[].")
    return paths


def test_the_site_publishes_the_schema_and_lists_every_field(outputs):
    text = page("reference/result-json.html")
    published = glob.glob(os.path.join(HTML, "_downloads", "*", "result.schema.json"))
    assert len(published) == 1
    with open(published[0], encoding="utf-8") as a, open(SCHEMA, encoding="utf-8") as b:
        assert a.read() == b.read()
    assert re.search(r'href="[^"]*_downloads/[^"]+/result\.schema\.json"', text)
    listed = {row[0][1][0] for table in Tables(text).tables for row in table[1:] if row[0][1]}
    assert seenfields(outputs) - listed == set()


def seenfields(outputs):
    seen = set()
    for objects in outputs.values():
        for obj in objects:
            seen |= fieldpaths(obj)
    return seen


def test_every_field_the_reference_lists_is_in_a_real_line(outputs):
    """The other way round: the tables list no field that no line has."""
    listed = {row[0][1][0] for table in Tables(page("reference/result-json.html")).tables
              for row in table[1:] if row[0][1]}
    assert listed - seenfields(outputs) == set()


def words(value):
    """The keys and the words among the values of a JSON value."""
    if isinstance(value, dict):
        return set(value) | {w for item in value.values() for w in words(item)}
    if isinstance(value, list):
        return {w for item in value for w in words(item)}
    return {value} if isinstance(value, str) else set()


def schemawords(schema):
    """The words a line may hold as values, by the schema's enums and consts."""
    if isinstance(schema, dict):
        own = set(schema.get("enum", [])) | ({schema["const"]} if "const" in schema else set())
        return {w for w in own if isinstance(w, str)} | {w for item in schema.values() for w in schemawords(item)}
    if isinstance(schema, list):
        return {w for item in schema for w in schemawords(item)}
    return set()


def test_the_guide_names_every_field_of_a_result_and_no_other(outputs):
    """The comparisons guide's account of the result object (its example and its list)
    names, as code, every field of a result, and every field it names (a name that is no
    value a line may hold, no option and no command) is one that real results have."""
    text = page("guide/compare.html")
    section = text[text.index('id="the-result-object"'):]
    section = section[:section.index("<section")] if "<section" in section else section
    named = {plain(code) for code in re.findall(r'<code class="docutils literal notranslate">(.*?)</code>', section, re.S)}
    example = json.loads(plain(re.search(r"<pre>(.*?)</pre>", section, re.S).group(1)))
    results = [obj for objects in outputs.values() for obj in objects if "outcome" in obj and "map" not in obj]
    paths = {path for obj in results for path in fieldpaths(obj)}
    keys = {path.rsplit(".", 1)[-1].removesuffix("[]") for path in paths}
    assert keys - (named | words(example)) == set()
    with open(SCHEMA, encoding="utf-8") as f:
        values = schemawords(json.load(f)) | {"null", "true", "false"}
    fields = {n for n in named if n not in values and " " not in n and not n.startswith("--")}
    assert fields - keys - paths == set()
    assert fieldpaths(example) <= paths
