"""What a sweep and a map hold while they run: the results they return and little
more per point. A child Python's peak resident memory after a call of two sizes,
less the size of the results returned (their objects, each counted once)."""

import subprocess
import sys

import pytest

CODE = """
import sys, sotoc

def size(o, seen):
    if id(o) in seen:
        return 0
    seen.add(id(o))
    s = sys.getsizeof(o)
    if isinstance(o, dict):
        s += sum(size(k, seen) + size(v, seen) for k, v in o.items())
    elif isinstance(o, list):
        s += sum(size(v, seen) for v in o)
    return s

n = int(sys.argv[2])
if sys.argv[1] == "sweep":
    results = sotoc.sweep("scara", "horizontal", errors=(-40, -40 + (n - 1) / 10, 0.1), jobs=2)
else:
    results = sotoc.map("scara", "horizontal", x=("error", -40, -40 + (n // 2 - 1) / 10, 0.1),
                        y=("ratios", 40, 50, 10), jobs=2)
assert len(results) == n and all(r["outcome"] == "compared" for r in results)
# The peak of this program's memory, not of the process it was forked from (as ru_maxrss).
with open("/proc/self/status", encoding="utf-8") as f:
    peak = [int(line.split()[1]) * 1024 for line in f if line.startswith("VmHWM:")][0]
print(peak, size(results, set()))
"""

# The two sizes [points], and what the call may hold beyond its results per point
# [bytes]: a result's dict takes about 5 kB, its line of text about 1.5 kB, which
# the call does not keep once the dict is made.
SIZES = (100, 600)
BEYOND = 1536


@pytest.mark.parametrize("call", ["sweep", "map"])
def test_a_call_holds_its_results_and_little_more(call):
    measured = []
    for n in SIZES:
        done = subprocess.run([sys.executable, "-c", CODE, call, str(n)], capture_output=True, text=True, check=False)
        assert (done.returncode, done.stderr) == (0, ""), done.stderr
        measured.append([int(v) for v in done.stdout.split()])
    (peak1, held1), (peak2, held2) = measured
    points = SIZES[1] - SIZES[0]
    assert (peak2 - peak1) - (held2 - held1) < BEYOND * points, measured
