"""sotoc.params and the keyword robotfile: the objects of `sotoc params --json` and
`sotoc compare --json --robot-file` to the bit, a file that restates the built-in
robot giving its results, and the file's refusals with their line."""

import json
import os
import pathlib
import warnings

import pytest
import sotoc

from conftest import SOURCE, run, same

SCARAFILE = os.path.join(SOURCE, "examples", "scara.toml")


def test_params_is_the_object_of_the_command():
    for robot, motion, more, options in [("scara", "vertical", {}, []),
                                         ("cylindrical", "horizontal", {"ratios": (50, 60)}, ["--ratios", "50,60"])]:
        want = json.loads(run(["params", "--json", "--robot", robot, "--motion", motion] + options).stdout)
        assert same(sotoc.params(robot, motion, **more), want)


def test_robotfile_gives_the_built_in_results_and_names_the_file():
    plain = sotoc.compare("scara", "vertical", error=-20)
    filed = sotoc.compare("scara", "vertical", error=-20, robotfile=pathlib.Path(SCARAFILE))
    named = filed["settings"].pop("robotfile")
    assert named["path"] == SCARAFILE
    assert same(filed, plain)
    printed = run(["compare", "--json", "--robot", "scara", "--motion", "vertical", "--error", "-20",
                   "--robot-file", SCARAFILE]).stdout
    assert json.loads(printed)["settings"]["robotfile"] == named


def test_robotfile_changes_the_parameters(folder):
    arm = os.path.join(folder, "arm.toml")
    with open(arm, "w", encoding="utf-8") as f:
        f.write('kind = "scara"\nL2 = "0.5 m"\n')
    p = sotoc.params("scara", "horizontal", robotfile=arm)["parameters"]
    # IJ2 = mw L2^2 = 0.25 and IM2 = (0.25 / 50^2) 40^2 = 0.16, by hand.
    assert p["L2"]["value"] == 0.5
    assert p["IJ2"]["value"] == pytest.approx(0.25, rel=1e-12)
    assert p["IM2"]["value"] == pytest.approx(0.16, rel=1e-12)
    results = sotoc.batch([{"motion": "horizontal", "robotfile": arm}])
    assert results[0]["settings"]["robotfile"]["path"] == arm


def test_refused_robotfile_names_its_line(folder):
    arm = os.path.join(folder, "arm.toml")
    with open(arm, "w", encoding="utf-8") as f:
        f.write('kind = "scara"\nm1Nom = "-1 kg"\n')
    with pytest.raises(ValueError) as e:
        sotoc.compare("scara", "vertical", robotfile=arm)
    assert str(e.value) == f"--robot-file: {arm}:2: m1Nom: -1 refused; accepts a number from 1e-09 to 1e+09 in kg"
    pipe = os.path.join(folder, "pipe.toml")
    os.mkfifo(pipe)
    with pytest.raises(ValueError) as e:
        sotoc.params("scara", "vertical", robotfile=pipe)
    assert str(e.value) == f"--robot-file: {pipe}:1: not a regular file"
    with pytest.raises(TypeError):
        sotoc.params("scara", "vertical", robotfile=3)


def test_robotfile_named_in_bytes_that_are_not_utf8(folder):
    """A file whose name is not UTF-8, given as bytes, as the str os.fsdecode makes of
    them or as a path, runs the file's arm; the result names it with the byte as the
    four characters \\xFF, a str that prints."""
    raw = os.fsencode(folder) + b"/arm\xff.toml"
    with open(raw, "w", encoding="utf-8") as f:
        f.write('kind = "scara"\nL2 = "0.5 m"\n')
    named = folder + "/arm\\xFF.toml"
    for given in (raw, os.fsdecode(raw), pathlib.Path(os.fsdecode(raw))):
        result = sotoc.compare("scara", "horizontal", robotfile=given)
        assert result["settings"]["robotfile"]["path"] == named
        assert sotoc.params("scara", "horizontal", robotfile=given)["parameters"]["L2"]["value"] == 0.5


def test_ignored_velocity_limits_are_warned_of_by_every_call():
    """Every call that reads a URDF warns of each joint's velocity limit, which the
    model ignores, as the command line says it; params also lists them under
    "notices". A TOML file warns of nothing, and a warning made an error raises."""
    urdf = os.path.join(SOURCE, "examples", "scara-rigid.urdf")
    ignored = [f"{urdf}:9: joint 'shoulder': velocity limit 10 rad/s ignored; the model limits the joints' efforts only",
               f"{urdf}:22: joint 'elbow': velocity limit 10 rad/s ignored; the model limits the joints' efforts only"]
    calls = [lambda f: sotoc.compare("scara", "horizontal", robotfile=f),
             lambda f: sotoc.params("scara", "horizontal", robotfile=f),
             lambda f: sotoc.sweep("scara", "horizontal", robotfile=f, errors=[1], jobs=1),
             lambda f: sotoc.map("scara", "horizontal", robotfile=f, x=("param:L2", [0.4]), jobs=1),
             lambda f: sotoc.batch([{"motion": "horizontal", "robotfile": f}], jobs=1)]
    for call in calls:
        with warnings.catch_warnings(record=True) as said:
            warnings.simplefilter("always")
            call(urdf)
        assert [str(w.message) for w in said] == ignored
        assert all(w.category is UserWarning for w in said)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            call(SCARAFILE)
            with pytest.raises(UserWarning):
                call(urdf)
    assert sotoc.params("scara", "horizontal", robotfile=urdf)["notices"] == ignored
    assert "notices" not in sotoc.params("scara", "horizontal", robotfile=SCARAFILE)
