"""cmake --install puts the built site, page for page, in share/doc/sotoc/html."""

import filecmp
import os
import subprocess
import tempfile

from conftest import HTML


def files(root):
    found = set()
    for folder, _, names in os.walk(root):
        found |= {os.path.relpath(os.path.join(folder, n), root) for n in names}
    return found


def test_install_copies_the_built_site():
    with tempfile.TemporaryDirectory() as prefix:
        r = subprocess.run([os.environ["CMAKE_PROGRAM"], "--install", os.environ["SOTOC_BUILD_DIR"], "--prefix", prefix],
                           capture_output=True, text=True, check=False)
        assert r.returncode == 0, r.stdout + r.stderr
        installed = os.path.join(prefix, "share", "doc", "sotoc", "html")
        built = files(HTML) - {".buildinfo"}
        assert {"index.html", "method.html", "getting-started.html", "reference/commands/compare.html"} <= built
        assert files(installed) == built
        for name in built:
            assert filecmp.cmp(os.path.join(HTML, name), os.path.join(installed, name), shallow=False), name
