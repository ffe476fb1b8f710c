"""The site's claims on the program's results (directive `sotoc-claim`) hold or warn as
their comparison says, at the boundary of each operator: a page of claims on one value
is built with the site's extension alone, and each false claim, and no true one, is a
warning of the build."""

import os
import subprocess
import sys
import tempfile

from conftest import ENGLISH, SOTOC

EXTENSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "_ext")

# The mass error of a default comparison is 1 %: each operator against that value and
# against values just beside it, with whether the claim holds.
FIELD = "scara horizontal settings.error"
CLAIMS = [
    ("== 1", True), ("== 1.000001", False), ("== 0.999999", False),
    ("!= 1", False), ("!= 1.000001", True),
    ("< 1", False), ("< 1.000001", True), ("< 0.999999", False),
    ("> 1", False), ("> 0.999999", True), ("> 1.000001", False),
    ("<= 1", True), ("<= 0.999999", False), ("<= 1.000001", True),
    (">= 1", True), (">= 1.000001", False), (">= 0.999999", True),
]


def buildwarnings(lines):
    """The warnings of building a page that holds one claim directive of `lines`."""
    with tempfile.TemporaryDirectory() as folder:
        source, out = os.path.join(folder, "source"), os.path.join(folder, "html")
        os.mkdir(source)
        with open(os.path.join(source, "conf.py"), "w", encoding="utf-8") as f:
            f.write(f"import sys\nsys.path.insert(0, {EXTENSIONS!r})\nextensions = ['sotocdocs']\n")
        with open(os.path.join(source, "index.rst"), "w", encoding="utf-8") as f:
            f.write("Claims\n======\n\n.. sotoc-claim::\n\n" + "".join(f"   {line}\n" for line in lines))
        r = subprocess.run([sys.executable, "-m", "sphinx", "-q", "-b", "html", "-D", f"sotoc_program={SOTOC}",
                            source, out], capture_output=True, text=True, env=ENGLISH, check=False)
        assert r.returncode == 0, r.stderr
        return r.stderr


def test_each_operator_holds_or_warns_at_its_boundary():
    lines = [f"{FIELD} {claim}" for claim, _ in CLAIMS]
    warnings = buildwarnings(lines)
    for line, (claim, holds) in zip(lines, CLAIMS):
        warned = f"sotoc-claim '{line}' does not hold: the value is 1.0" in warnings
        assert warned != holds, (claim, warnings)
    assert warnings.count("WARNING") == sum(not holds for _, holds in CLAIMS), warnings
