#!/usr/bin/python3
"""Costs of the Python module, run by hand after a build (not a test):

    /usr/bin/python3 bench/python_bench.py build

- the call of sotoc.compare against the comparison pass itself (the standalone
  benchmarks of build/bench/sotoc_bench), in processor time per comparison;
- sotoc.sweep of 101 points on 2 workers against `sotoc sweep --jobs 2`, in wall
  time (lines to /dev/null), alternating, the best of several rounds;
- how long a batch takes to raise KeyboardInterrupt after SIGINT, its workers
  stopped.

The machine's other work shows in wall times; the best of the rounds is the
least disturbed.
"""

import json
import os
import signal
import subprocess
import sys
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
sys.path.insert(0, os.path.join(BUILD, "python"))
import sotoc  # noqa: E402  (from the build folder)

ROUNDS = 5
CALLS = {"cylinder_vertical": ("cylindrical", "vertical"), "scara_horizontal": ("scara", "horizontal"),
         "scara_vertical": ("scara", "vertical")}


def passtimes():
    """Processor time of the pass alone per comparison [s], from the C++ benchmark."""
    done = subprocess.run([os.path.join(BUILD, "bench", "sotoc_bench"), "--benchmark_filter=^standalone/",
                           f"--benchmark_repetitions={ROUNDS}", "--benchmark_format=json"],
                          capture_output=True, text=True, check=True)
    times = {}
    for b in json.loads(done.stdout)["benchmarks"]:
        if b.get("run_type") == "iteration":
            name = b["run_name"].split("/")[1]
            times[name] = min(times.get(name, 1e9), b["cpu_time"] / 1000.0)
    return times


def calltime(robot, motion):
    """Processor time of one sotoc.compare call [s], the best of the rounds."""
    best = 1e9
    for _ in range(ROUNDS):
        calls = 0
        start = time.process_time()
        while time.process_time() - start < 1.0:
            sotoc.compare(robot, motion)
            calls += 1
        best = min(best, (time.process_time() - start) / calls)
    return best


def sweeptimes():
    """Wall times [s] of a 101-point sweep on 2 workers: the module's and the command's."""
    command = [os.path.join(BUILD, "sotoc"), "sweep", "--robot", "scara", "--motion", "vertical",
               "--errors", "-50:50:1", "--jobs", "2"]
    module, program = [], []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        sotoc.sweep("scara", "vertical", errors=(-50, 50, 1), jobs=2)
        module.append(time.perf_counter() - start)
        start = time.perf_counter()
        with open(os.devnull, "w", encoding="utf-8") as null:
            subprocess.run(command, stdout=null, check=True)
        program.append(time.perf_counter() - start)
    return min(module), min(program)


INTERRUPTED = """
import sotoc
try:
    sotoc.batch([{"robot": "scara", "motion": "vertical", "error": e % 90} for e in range(5000)], jobs=2)
except KeyboardInterrupt:
    pass
"""


def interrupttime():
    """Wall time [s] from SIGINT to the end of a Python process in a long batch."""
    child = subprocess.Popen([sys.executable, "-c", INTERRUPTED], env=dict(os.environ, PYTHONPATH=os.path.join(BUILD, "python")))
    time.sleep(2.0)
    start = time.perf_counter()
    child.send_signal(signal.SIGINT)
    child.wait()
    return time.perf_counter() - start


def main():
    passes = passtimes()
    print("sotoc.compare against the pass alone (processor time per comparison):")
    for name, (robot, motion) in CALLS.items():
        call = calltime(robot, motion)
        print(f"  {name:18s} pass {passes[name] * 1e3:8.3f} ms   call {call * 1e3:8.3f} ms   "
              f"overhead {100.0 * (call - passes[name]) / passes[name]:+6.2f} %")
    module, program = sweeptimes()
    print(f"101-point sweep on 2 workers (wall time, best of {ROUNDS}): sotoc.sweep {module:.3f} s, "
          f"sotoc sweep --jobs 2 {program:.3f} s, {100.0 * (module - program) / program:+.2f} %")
    print(f"Ctrl-C during a batch: KeyboardInterrupt and the process ended after {interrupttime():.3f} s")


if __name__ == "__main__":
    main()
