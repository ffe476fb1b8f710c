#!/usr/bin/python3
"""Draws how far TOC and SOTOC miss the goal over a sweep of the mass error.

    PYTHONPATH=build/python /usr/bin/python3 examples/sweep_plot.py misses.png

runs the comparison of the default SCARA robot with gravity for mass errors from
-50 % to 50 % in steps of 2.5 % (sotoc.sweep, one worker process per core) and
draws the positioning error with the velocity term of TOC (red) and SOTOC (blue;
open circles where it never reached its last phase) against the mass error into
a PNG file, on a logarithmic scale: it runs from millimetres to metres. Mass
errors without a switching-time solution are left out. --robot, --motion and --errors FROM TO STEP choose other sweeps.
"""

import argparse
import os
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the back end is chosen)

import sotoc  # noqa: E402


def misses(results):
    """Mass errors [%], the positioning errors [m] of TOC and SOTOC and whether SOTOC
    reached its last phase, for the points that were compared."""
    compared = [r for r in results if r["outcome"] == "compared"]
    errors = [r["settings"]["error"] for r in compared]
    toc = [r["runs"]["tocErr"]["error"] for r in compared]
    sotoc_ = [r["runs"]["sotocErr"]["error"] for r in compared]
    finished = [r["runs"]["sotocErr"]["finished"] for r in compared]
    return errors, toc, sotoc_, finished


def draw(results, title):
    errors, toc, sotoc_, finished = misses(results)
    figure, axes = plt.subplots(figsize=(8, 5), dpi=100)
    axes.semilogy(errors, toc, "o-", color="red", label="TOC")
    axes.semilogy(errors, sotoc_, "-", color="blue")
    for done, marker, label in [(True, "o", "SOTOC"), (False, "o", "SOTOC, last phase never reached")]:
        points = [(e, m) for e, m, f in zip(errors, sotoc_, finished) if f == done]
        axes.semilogy([e for e, _ in points], [m for _, m in points], marker, linestyle="none", color="blue",
                      markerfacecolor="blue" if done else "white", label=label)
    axes.set_xlabel("mass error of the design [%]")
    axes.set_ylabel("positioning error with the velocity term [m]")
    axes.set_title(title)
    axes.grid(True, which="both", alpha=0.3)
    axes.legend()
    figure.tight_layout()
    return figure


def save(figure, path):
    """Writes the picture to a temporary beside `path`, renamed over it once complete."""
    folder, name = os.path.split(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix="." + name + ".", dir=folder)
    try:
        with os.fdopen(handle, "wb") as f:
            figure.savefig(f, format="png")
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(temporary, 0o666 & ~umask)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("picture", help="PNG file to write")
    parser.add_argument("--robot", default="scara", choices=["cylindrical", "scara"])
    parser.add_argument("--motion", default="vertical", choices=["horizontal", "vertical"])
    parser.add_argument("--errors", nargs=3, type=float, default=[-50.0, 50.0, 2.5], metavar=("FROM", "TO", "STEP"),
                        help="mass errors of the design [%%] (default -50 50 2.5)")
    options = parser.parse_args()
    try:
        results = sotoc.sweep(options.robot, options.motion, errors=tuple(options.errors))
        save(draw(results, f"{options.robot}, {options.motion}"), options.picture)
    except (ValueError, OSError) as e:
        sys.exit(f"sweep_plot.py: {e}")


if __name__ == "__main__":
    main()
