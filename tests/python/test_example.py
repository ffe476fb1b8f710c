"""examples/sweep_plot.py: a sweep drawn into a PNG file, written whole; refused
settings and a folder that does not exist leave no file."""

import os
import subprocess
import sys

import matplotlib.image

from conftest import SOURCE

EXAMPLE = os.path.join(SOURCE, "examples", "sweep_plot.py")


def example(*args):
    return subprocess.run([sys.executable, EXAMPLE, *args], capture_output=True, text=True, check=False)


def test_example_draws_both_controllers_into_a_png(folder):
    picture = os.path.join(folder, "misses.png")
    done = example(picture, "--errors", "-10", "10", "5")
    assert (done.returncode, done.stdout, done.stderr) == (0, "", "")
    assert os.listdir(folder) == ["misses.png"]
    with open(picture, "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"
    pixels = matplotlib.image.imread(picture)
    assert pixels.shape[:2] == (500, 800)
    red = ((pixels[:, :, 0] > 0.9) & (pixels[:, :, 1] < 0.1) & (pixels[:, :, 2] < 0.1)).sum()
    blue = ((pixels[:, :, 2] > 0.9) & (pixels[:, :, 0] < 0.1) & (pixels[:, :, 1] < 0.1)).sum()
    assert red > 100 and blue > 100, "both controllers drawn"


def test_example_refusals_leave_no_file(folder):
    refused = example(os.path.join(folder, "misses.png"), "--errors", "-100", "0", "10")
    assert refused.returncode == 1
    assert "--errors: '-100:0:10' refused" in refused.stderr
    missing = example(os.path.join(folder, "no", "misses.png"), "--errors", "0", "1", "1")
    assert missing.returncode == 1 and "No such file or directory" in missing.stderr
    assert os.listdir(folder) == []
