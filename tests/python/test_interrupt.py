"""Ctrl-C while a batch, a sweep or a map runs: KeyboardInterrupt in the caller, and no
worker process left behind, neither running nor unreaped."""

import os
import signal
import subprocess
import sys
import time

import pytest

# A child Python running a long call, which says how it ended and whether any
# child process of its own is left.
SCRIPT = """
import os, sys, sotoc
settings = [{"robot": "scara", "motion": "vertical", "error": -50 + i % 100} for i in range(2000)]
try:
    if sys.argv[1] == "batch":
        sotoc.batch(settings, jobs=2)
    elif sys.argv[1] == "sweep":
        sotoc.sweep("scara", "vertical", errors=(-99, 99, 0.01), jobs=2)
    else:
        sotoc.map("scara", "vertical", x=("error", -99, 99, 0.5), y=("ratios", 10, 100, 1), jobs=2)
    print("finished")
except KeyboardInterrupt:
    try:
        os.waitpid(-1, os.WNOHANG)
        print("interrupted, a child left")
    except ChildProcessError:
        print("interrupted, no child left")
"""

# Longest wait for the child to start its workers or to end: a guard against a
# hang, far beyond what either takes.
PATIENCE = 60.0


def children(pid):
    """The processes whose parent is `pid`."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat", encoding="utf-8") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            found.append(int(entry))
    return found


def gone(pid):
    return not os.path.exists(f"/proc/{pid}")


@pytest.mark.parametrize("call", ["batch", "sweep", "map"])
def test_ctrl_c_raises_keyboard_interrupt_and_stops_the_workers(call):
    child = subprocess.Popen([sys.executable, "-c", SCRIPT, call], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True)
    try:
        deadline = time.monotonic() + PATIENCE
        workers = []
        while len(workers) < 2 and time.monotonic() < deadline and child.poll() is None:
            time.sleep(0.05)
            workers = children(child.pid)
        assert len(workers) >= 2, "two workers run"
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=PATIENCE)
    finally:
        child.kill()
        child.wait()
    assert (out, err) == ("interrupted, no child left\n", "")
    assert child.returncode == 0
    assert all(gone(w) for w in workers)
