"""Batches, sweeps and maps of the module with few file descriptors to spare: the
comparisons wait for a free worker and give the lines of sotoc; with none to spare
for a worker's pipe, OSError saying so once."""

import json
import subprocess
import sys

import pytest

from conftest import jsonlines, run, same

# A child Python that takes every file descriptor but SPARE (argv[1]) and then
# makes the call argv[2]; prints its result as JSON, or the OSError it raised.
SCRIPT = """
import json, os, resource, sys, sotoc
spare, call = int(sys.argv[1]), sys.argv[2]
soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE, (256, hard))
held = []
try:
    while True:
        held.append(os.open("/dev/null", os.O_RDONLY))
except OSError:
    pass
for _ in range(spare):
    os.close(held.pop())
try:
    if call == "batch":
        got = sotoc.batch([{"robot": "scara", "motion": "horizontal", "error": e} for e in range(1, 13)], jobs=8)
    elif call == "sweep":
        got = sotoc.sweep("cylindrical", "vertical", errors=(-11, 11, 2), jobs=8)
    else:
        got = sotoc.map("scara", "horizontal", x=("error", -4, 4, 2), y=("ratios", 30, 50, 10), jobs=8)
    text = json.dumps(got)
except OSError as e:
    text = "OSError: " + str(e)
for fd in held:
    os.close(fd)
print(text)
"""

COMMANDS = {
    "batch": (["batch"], "".join(json.dumps({"robot": "scara", "motion": "horizontal", "error": e}) + "\n"
                                 for e in range(1, 13))),
    "sweep": (["sweep", "--robot", "cylindrical", "--motion", "vertical", "--errors", "-11:11:2"], None),
    "map": (["map", "--robot", "scara", "--motion", "horizontal", "--x", "error=-4:4:2", "--y",
             "ratios=30:50:10"], None),
}


def withspare(spare, call):
    child = subprocess.run([sys.executable, "-c", SCRIPT, str(spare), call], capture_output=True, text=True,
                           check=False)
    assert child.returncode == 0, child.stderr
    return child.stdout


# Five spare descriptors: a worker keeps one and needs a second while it starts, so
# four run at once of the eight asked for.
@pytest.mark.parametrize("call", ["batch", "sweep", "map"])
def test_few_descriptors_give_the_lines_of_the_command(call):
    args, text = COMMANDS[call]
    want = jsonlines(run(args + ["--jobs", "1"], text).stdout)
    assert len(want) in (12, 15)
    assert same(json.loads(withspare(5, call)), want)


# One spare descriptor: not even one pipe.
@pytest.mark.parametrize("call,first,later", [("batch", "line 1", "lines"), ("sweep", "mass error -11 %", "points"),
                                              ("map", "map point i=0 j=0", "points")])
def test_no_worker_at_all_raises_oserror_once(call, first, later):
    assert withspare(1, call) == (f"OSError: cannot start a worker for {first} (no pipe for a worker: Too many "
                                  f"open files); it and the {later} after it did not run\n")
