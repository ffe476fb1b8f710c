#!/usr/bin/python3
"""Peak resident memory of sotoc map against its number of points.

Runs a SCARA map over start points x, y from -10 m to 10 m (nearly all of them out
of the arm's reach, so they cost little) with about 4,000 and about 40,000 points,
writing the lines to a file, and prints the largest resident set of the command and
its workers (wait4) with the size of the lines written.

    /usr/bin/python3 bench/map_memory.py build/sotoc [--plot]

With --plot each map also draws its picture, which keeps a few figures per point.
"""
import os
import subprocess
import sys
import tempfile

# Grid steps [m] of the two maps: 63 x 63 and 201 x 201 points.
STEPS = ("0.32", "0.1")


def peak(command):
    """Runs the command; its status and peak resident memory [kB] with its workers'."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    return os.waitstatus_to_exitcode(status), usage.ru_maxrss


def main():
    sotoc, plot = sys.argv[1], "--plot" in sys.argv[2:]
    with tempfile.TemporaryDirectory() as folder:
        for step in STEPS:
            out = os.path.join(folder, "map.jsonl")
            axes = ["--x", "start-x=-10:10:" + step, "--y", "start-y=-10:10:" + step]
            command = [sotoc, "map", "--robot", "scara", "--motion", "horizontal", *axes, "--jobs", "2", "--out", out]
            if plot:
                command += ["--plot", os.path.join(folder, "map.png")]
            status, kilobytes = peak(command)
            with open(out, "rb") as f:
                points = sum(1 for _ in f)
            print(f"{points:6d} points: status {status}, peak resident {kilobytes / 1024:.1f} MiB, "
                  f"lines written {os.path.getsize(out) / 2**20:.1f} MiB")


if __name__ == "__main__":
    main()
