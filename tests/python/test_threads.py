"""Calls made while a call reads its arguments, from a signal handler within a
call, beside a call in another thread and from a daemon thread the interpreter
leaves behind: each answers as the command line does, or raises RuntimeError, and
never hangs; the process always ends well. The calls run in child processes with a
time limit, so that a hang fails the test instead of stopping the suite."""

import json
import os
import subprocess
import sys
import threading

import pytest
import sotoc

from conftest import jsonlines, run, same

# Longest a child Python may take: far beyond what its calls need, a guard against a hang.
PATIENCE = 120


def python(code, *args):
    """A child Python running `code`; its output, or a failure when it hangs."""
    try:
        done = subprocess.run([sys.executable, "-c", code, *args], capture_output=True, text=True,
                              timeout=PATIENCE, check=False)
    except subprocess.TimeoutExpired:
        pytest.fail(f"hung: {code}")
    assert (done.returncode, done.stderr) == (0, ""), done.stderr
    return done.stdout


CANDIDATES = [{"robot": "scara", "motion": "vertical", "error": e} for e in (-5, 90, 3)] + [
    {"robot": "cylindrical", "motion": "horizontal"}, {"robot": "cylindrical", "motion": "vertical", "error": -2}]


def test_a_generator_of_settings_that_compares_runs_the_batch():
    code = f"""
import json, sotoc
candidates = {CANDIDATES!r}
print(json.dumps(sotoc.batch((s for s in candidates if sotoc.compare(**s)["outcome"] == "compared"), jobs=2)))
"""
    got = json.loads(python(code))
    everything = jsonlines(run(["batch"], "".join(json.dumps(c) + "\n" for c in CANDIDATES)).stdout)
    want = [r for r in everything if r["outcome"] == "compared"]
    assert len(want) == 3
    assert same(got, want)


def test_a_number_whose_float_calls_the_module_is_read():
    code = """
import json, numbers, sotoc
class Error:
    def __float__(self):
        return sotoc.compare("scara", "vertical", error=-7)["settings"]["error"]
numbers.Real.register(Error)
print(json.dumps(sotoc.compare("scara", "horizontal", error=Error())))
"""
    want = jsonlines(run(["compare", "--robot", "scara", "--motion", "horizontal", "--error", "-7", "--json"]).stdout)
    assert same(json.loads(python(code)), want[0])


def test_an_axis_whose_items_call_the_module_is_read():
    code = """
import json, sotoc
class Axis:
    def __len__(self):
        return 4
    def __getitem__(self, k):
        if k >= 4:
            raise IndexError(k)
        sotoc.sweep("scara", "vertical", errors=(1, 2, 1), jobs=1)
        return ("end-x", 0.2, 0.6, 0.2)[k]
print(json.dumps(sotoc.map("scara", "horizontal", x=Axis(), y=("error", -4, 4, 4), jobs=2)))
"""
    printed = run(["map", "--robot", "scara", "--motion", "horizontal", "--x", "end-x=0.2:0.6:0.2", "--y",
                   "error=-4:4:4"])
    want = jsonlines(printed.stdout)
    assert len(want) == 9
    assert same(json.loads(python(code)), want)


def test_a_call_from_a_signal_handler_within_a_call_raises_runtime_error():
    code = """
import signal, sotoc
def handler(number, frame):
    sotoc.compare("scara", "vertical")
signal.signal(signal.SIGALRM, handler)
signal.setitimer(signal.ITIMER_REAL, 0.5)
try:
    sotoc.sweep("scara", "vertical", errors=(-99, 99, 0.01), jobs=2)
    print("finished")
except RuntimeError as e:
    print(e)
print(sotoc.compare("scara", "vertical", error=-7)["settings"]["error"])
"""
    assert python(code) == ("sotoc.compare called while sotoc.sweep runs in the same thread (from a signal handler "
                            "or a finalizer); a call cannot start within another\n-7.0\n")


# A daemon thread inside a long call when the main thread ends: call, then how long
# the main thread lives [s].
DAEMON = """
import sys, threading, time, sotoc
calls = {
    "compare": lambda: [sotoc.compare("scara", "vertical") for _ in range(1000)],
    "batch": lambda: sotoc.batch([{"robot": "scara", "motion": "vertical", "error": e / 10}
                                  for e in range(-900, 900)], jobs=2),
    "sweep": lambda: sotoc.sweep("scara", "vertical", errors=(-99, 99, 0.5), jobs=2),
    "map": lambda: sotoc.map("scara", "vertical", x=("error", -99, 99, 0.5), y=("ratios", 10, 100, 1), jobs=2),
}
threading.Thread(target=calls[sys.argv[1]], daemon=True).start()
time.sleep(float(sys.argv[2]))
"""

# Runs of each call: about two in three ended in an abort before the threads were
# parked at the end, so eight runs of each catch it every time.
ENDINGS = 8


@pytest.mark.parametrize("call", ["compare", "batch", "sweep", "map"])
def test_a_daemon_thread_inside_a_call_lets_the_process_end_well(call):
    for k in range(ENDINGS):
        assert python(DAEMON, call, str(0.1 + 0.05 * k)) == ""


def state_and_children(tid):
    """The scheduler state of thread `tid` of this process and its child processes."""
    with open(f"/proc/self/task/{tid}/stat", encoding="utf-8") as f:
        state = f.read().rsplit(")", 1)[1].split()[0]
    with open(f"/proc/self/task/{tid}/children", encoding="utf-8") as f:
        return state, f.read().split()


def running_alone(tid, done):
    """How often, until `done` is set, this thread ran Python code between two looks
    that found thread `tid` running with no worker process: it ran while `tid` ran
    without the GIL in this process, as in the error-free half of a sweep or a map."""
    found = 0
    while not done.is_set():
        before = state_and_children(tid)
        found += 1
        after = state_and_children(tid)
        if before != ("R", []) or after != ("R", []):
            found -= 1
    return found


# Calls whose error-free halves run in this process between their workers, one worker at a time.
HALVES = {
    "sweep": lambda: sotoc.sweep("scara", "vertical", errors=(1, 2, 1), jobs=1),
    "map": lambda: sotoc.map("scara", "vertical", x=("error", -5, 5, 5), y=("ratios", 20, 60, 20), jobs=1),
}


# Looks that must find the caller running without the GIL in one call: while the
# half runs the looker makes hundreds to thousands; a half run holding the GIL lets
# a few dozen at most slip through, at the edges of the caller's other steps.
FOUND = 100


@pytest.mark.parametrize("call", list(HALVES))
def test_other_threads_run_while_the_error_free_half_runs(call):
    found = []
    for _ in range(3):
        started, done, looked = threading.Event(), threading.Event(), threading.Event()
        results = []

        def caller():
            results.append(threading.get_native_id())
            started.set()
            results.append(HALVES[call]())
            done.set()
            looked.wait()  # the looker sees this thread until it is done looking

        def looker():
            found.append(running_alone(results[0], done))
            looked.set()
        threads = [threading.Thread(target=caller), threading.Thread(target=looker)]
        threads[0].start()
        started.wait()
        threads[1].start()
        for t in threads:
            t.join()
        assert results[1]
        if found[-1] >= FOUND:
            break
    assert found[-1] >= FOUND, found
