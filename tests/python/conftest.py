"""Helpers of the Python module's tests: the program to compare with, its JSON
lines, scratch folders. CTest sets the environment (cmake/python.cmake)."""

import json
import os
import subprocess
import tempfile

import pytest

SOTOC = os.environ["SOTOC_BINARY"]
SOURCE = os.environ["SOTOC_SOURCE_DIR"]


def run(args, text=None):
    """The program with `args` (a subcommand first) and `text` as its input."""
    return subprocess.run([SOTOC] + args, input=text, capture_output=True, text=True, check=False)


def refusedalike(subcommand, robot, motion, options, refused):
    """`sotoc <subcommand>` refuses `options` with the message that the module's
    function of the same name raises as ValueError for the arguments `refused`."""
    import sotoc
    line = run([subcommand, "--robot", robot, "--motion", motion] + options).stderr
    with pytest.raises(ValueError) as e:
        getattr(sotoc, subcommand)(robot, motion, **refused)
    assert f"sotoc {subcommand}: {e.value}\n" == line


def jsonlines(text):
    return [json.loads(line) for line in text.splitlines()]


def same(a, b):
    """Equal values with their keys in the same order, every float to the bit (and
    -0.0 apart from 0.0): their JSON texts are equal."""
    return json.dumps(a) == json.dumps(b)


def alone(results):
    """Each result of a sweep or a map equals the comparison of the settings it prints
    made on its own by `sotoc batch` (not the sweep's or the map's code); a point out
    of reach has the batch's refusal of its settings as its reason."""
    text = "".join(json.dumps(r["settings"]) + "\n" for r in results)
    printed = run(["batch", "--jobs", "2"], text)
    refused = any(r["outcome"] == "unreachable" for r in results)
    assert (printed.returncode, printed.stderr) == (int(refused), "")  # status 1 for a line refused
    for got, want in zip(results, jsonlines(printed.stdout), strict=True):
        if got["outcome"] == "unreachable":
            assert got["reason"] == want["error"]
        else:
            assert same({k: v for k, v in got.items() if k != "map"}, want)


@pytest.fixture
def folder():
    """A scratch folder, removed with what it holds after the test."""
    with tempfile.TemporaryDirectory(prefix="sotoc-test-") as path:
        yield path
