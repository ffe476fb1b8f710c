"""The gallery of the built site: every picture on it is the file that the commands
shown above it write, byte for byte, when run again in an empty folder; each is the
kind of file and the size in pixels that the subcommand's documentation promises."""

import os
import struct
import subprocess
import tempfile

from conftest import ENGLISH, SOTOC
from test_pages import pictures

PNG = b"\x89PNG\r\n\x1a\n"
GIF = b"GIF89a"

# Picture sizes [pixels]: a comparison's figure and a map over two settings as the
# guide gives them, a sweep's page, the window's default size.
# Every figure's default page: 7.2 x 4.5 in at 300 pixels per inch.
FIGURE = SWEEP = MAP = (2158, 1350)
WINDOW = (800, 800)


def size(data):
    """(width, height) of a PNG (its IHDR chunk) or a GIF (its logical screen)."""
    if data[:8] == PNG:
        return struct.unpack(">II", data[16:24])
    if data[:6] == GIF:
        return struct.unpack("<HH", data[6:10])
    raise AssertionError("neither PNG nor GIF")


def test_every_gallery_picture_is_what_its_commands_make():
    bindir = os.path.dirname(os.path.abspath(SOTOC))
    env = dict(ENGLISH, PATH=bindir + os.pathsep + ENGLISH.get("PATH", "/usr/bin:/bin"))
    sizes = {}
    for commands, files in pictures("gallery.html"):
        assert commands and all(c.startswith("sotoc ") for c in commands), commands
        with tempfile.TemporaryDirectory() as folder:
            for command in commands:
                subprocess.run(["/bin/bash", "-c", command], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                               capture_output=True, check=True)
            for made, site in files:
                with open(os.path.join(folder, made), "rb") as a, open(site, "rb") as b:
                    drawn = a.read()
                    assert drawn == b.read(), made
                sizes[made] = size(drawn)
    assert sizes == {"compare.png": FIGURE, "sweep.png": SWEEP, "workspace.png": MAP, "ratios.png": MAP,
                     "last.png": WINDOW, "motion.gif": WINDOW}
