"""The tutorial pages, the CSV logs page and the Python API page of the built site:
the pictures shown are those the commands beside them draw, the columns listed are
those of the files the program writes, the scripts shown are those the Slurm tests run,
and the API page is the built module's own help."""

import html
import json
import os
import re
import subprocess
import tempfile

from conftest import ENGLISH, HTML, SOTOC, Tables, consoleblocks, page, plain

SOURCE = os.environ["SOTOC_SOURCE_DIR"]
BUILD = os.environ["SOTOC_BUILD_DIR"]
MODULEDIR = os.environ.get("SOTOC_PYTHON_DIR", "")

PNG = b"\x89PNG\r\n\x1a\n"
# The alt text of a picture made by the commands of a console block.
MADE = re.compile(r'<img alt="([^"]+), made by the commands above" class="[^"]*" src="([^"]+)"')


def commandsof(block):
    return [line[2:] for line in block.splitlines() if line.startswith("$ ")]


def pictures(name):
    """[(commands, [(file name, picture path in the site)])] of the console blocks of a
    page that show pictures: the pictures follow their block."""
    text = page(name)
    blocks = [(m.end(), plain(m.group(1))) for m in
              re.finditer(r'<div class="highlight-console[^"]*"><div class="highlight"><pre>(.*?)</pre>', text, re.S)]
    found = []
    for at, block in blocks:
        following = text[at:]
        nextblock = following.find('<div class="highlight')
        shown = MADE.findall(following if nextblock < 0 else following[:nextblock])
        if shown:
            where = os.path.dirname(os.path.join(HTML, name))
            found.append((commandsof(block), [(n, os.path.normpath(os.path.join(where, html.unescape(src))))
                                             for n, src in shown]))
    return found


def test_tutorials_show_the_pictures_their_commands_draw():
    bindir = os.path.dirname(os.path.abspath(SOTOC))
    env = dict(ENGLISH, PATH=bindir + os.pathsep + ENGLISH.get("PATH", "/usr/bin:/bin"))
    shown = {}
    for name in ["tutorials/sweep.html", "tutorials/maps.html", "tutorials/slurm.html"]:
        for commands, files in pictures(name):
            with tempfile.TemporaryDirectory() as folder:
                for command in commands:
                    subprocess.run(["/bin/bash", "-c", command], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                   capture_output=True, check=True)
                for made, site in files:
                    with open(os.path.join(folder, made), "rb") as a, open(site, "rb") as b:
                        drawn = a.read()
                        assert drawn[:8] == PNG, made
                        assert drawn == b.read(), (name, made)
                    shown[name] = shown.get(name, 0) + 1
    assert shown == {"tutorials/sweep.html": 1, "tutorials/maps.html": 2, "tutorials/slurm.html": 1}
    # Made while the site was built, into the folder built and not into docs/.
    assert not os.path.exists(os.path.join(SOURCE, "docs", "_generated"))


def test_csv_page_lists_the_columns_of_the_written_logs():
    tables = Tables(page("reference/csv-logs.html")).tables
    listed = [[row[0][1][0] for row in table[1:]] for table in tables]
    units = [[row[1][0] for row in table[1:]] for table in tables]
    for k, robot in enumerate(["scara", "cylindrical"]):
        with tempfile.TemporaryDirectory() as folder:
            r = subprocess.run([SOTOC, "compare", "--robot", robot, "--motion", "vertical", "--log", folder, "--json"],
                               capture_output=True, text=True, env=ENGLISH, check=True)
            dt = json.loads(r.stdout)["derived"]["dt"]
            assert sorted(os.listdir(folder)) == ["sotocErr.csv", "tocErr.csv", "tocFree.csv"]
            for name in os.listdir(folder):
                with open(os.path.join(folder, name), encoding="utf-8") as f:
                    rows = [line.rstrip("\n").split(",") for line in f if not line.startswith("#")]
                assert rows[0] == listed[k], (robot, name)
                assert units[k] == [re.search(r"\[(.*)\]", c).group(1) for c in rows[0]]
                # The first column is the time of the sample, dt apart, as the page says.
                assert float(rows[1][0]) == 0.0 and abs(float(rows[2][0]) - dt) <= 1e-12 * dt
        assert listed[k][0] == "t [s]" and len(listed[k]) == 7


def slurmtests():
    r = subprocess.run(["ctest", "--test-dir", BUILD, "-N", "-R", "_slurm$"], capture_output=True, text=True,
                       check=True)
    return set(re.findall(r"Test +#\d+: (\S+)", r.stdout))


def test_slurm_page_shows_the_scripts_the_slurm_tests_run():
    text = page("tutorials/slurm.html")
    blocks = [plain(b) for b in re.findall(r'<div class="highlight-(?:bash|text)[^"]*"><div class="highlight"><pre>(.*?)</pre>',
                                           text, re.S)]
    assert len(blocks) == 4
    with open(os.path.join(SOURCE, "tests", "slurm", "jobarray_test.sh"), encoding="utf-8") as f:
        script = f.read()
    with open(os.path.join(SOURCE, "tests", "support", "slurmcluster.sh"), encoding="utf-8") as f:
        cluster = f.read()
    assert blocks[0] in script and "sbatch --wait" in blocks[0] and "--shard" in blocks[0]
    assert blocks[1] in script and "plot" in blocks[1]
    assert blocks[2] in cluster and "PartitionName=" in blocks[2]
    assert blocks[3] in script
    # The script runs as tests of this build.
    assert {"sweep_slurm", "map_slurm"} <= slurmtests()


def test_python_api_page_is_the_modules_help():
    text = page("reference/python.html")
    if not MODULEDIR:
        assert "made without the Python module" in plain(text)
        return
    r = subprocess.run(["/usr/bin/python3", "-c",
                        "import json, sotoc; print(json.dumps({n: getattr(sotoc, n).__doc__ "
                        "for n in ['compare', 'batch', 'sweep', 'map']}))"],
                       capture_output=True, text=True, env=dict(ENGLISH, PYTHONPATH=MODULEDIR), check=True)
    docs = json.loads(r.stdout)
    for name, doc in docs.items():
        signature, _, body = doc.partition("\n")
        entry = re.search(rf'<dt class="sig[^"]*" id="sotoc\.{name}">(.*?)</dt>', text, re.S)
        assert entry, name
        # The signature as the help's first line writes it, "sotoc." before it.
        shown = re.sub(r"\s", "", plain(entry.group(1))).replace("→", "->").rstrip("#")
        assert shown == "sotoc." + re.sub(r"\s", "", signature), name
        assert body.strip("\n") in [b.strip("\n") for b in preformatted(text)], name


def test_python_guide_shows_the_signatures_of_the_modules_help():
    """The guide's signatures are the first lines of the functions' help, every
    argument there (whitespace and a last comma aside)."""
    blocks = [re.sub(r"\s", "", b) for b in preformatted(page("guide/python.html"))]
    if not MODULEDIR:
        assert "has no Python module" in plain(page("guide/python.html"))
        return
    r = subprocess.run(["/usr/bin/python3", "-c",
                        "import json, sotoc; print(json.dumps({n: getattr(sotoc, n).__doc__.partition('\\n')[0] "
                        "for n in ['compare', 'params', 'batch', 'sweep', 'map']}))"],
                       capture_output=True, text=True, env=dict(ENGLISH, PYTHONPATH=MODULEDIR), check=True)
    for name, signature in json.loads(r.stdout).items():
        assert re.sub(r"\s", "", signature) in [b.replace(",)", ")") for b in blocks], name


def test_python_tutorial_shows_the_notebook_as_run():
    """Every code cell of the notebook in the source, in order, and under the cells that
    draw, a PNG picture of a figure; without the module, the cells and no picture."""
    with open(os.path.join(SOURCE, "examples", "sweep_and_map.ipynb"), encoding="utf-8") as f:
        cells = json.load(f)["cells"]
    code = ["".join(c["source"]) for c in cells if c["cell_type"] == "code"]
    text = page("tutorials/python.html")
    start = text.index('id="in-a-notebook"')
    shown = preformatted(text[start:])
    assert [s.strip("\n") for s in shown if s.strip("\n") in code] == code
    drawn = re.findall(r'<img alt="a figure the cell above drew"[^>]* src="([^"]+)"', text[start:])
    assert len(drawn) == (3 if MODULEDIR else 0)  # the sweep, the map, the logged torques
    for src in drawn:
        with open(os.path.normpath(os.path.join(HTML, "tutorials", html.unescape(src))), "rb") as f:
            assert f.read(8) == PNG
    if MODULEDIR:  # the shape the map cell gives, as the notebook's own test reads it
        assert "(3, 5)" in [s.strip("\n") for s in shown]


def preformatted(text):
    return [plain(b) for b in re.findall(r"<pre>(.*?)</pre>", text, re.S)]


def test_source_layout_table_is_that_of_layers_txt():
    """The development page's table of src/ lists every folder of layers.txt, bottom
    up, each with exactly the folders it may include, and each folder exists with its
    first header saying what it holds."""
    allowed = []
    with open(os.path.join(SOURCE, "layers.txt"), encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if words:
                allowed.append((words[0], set(words[1:])))
    table = next(t for t in Tables(page("guide/development.html")).tables
                 if [cell for cell, _ in t[0]] == ["folder", "holds", "includes"])
    shown = [(row[0][1][0].rstrip("/"), {c.rstrip("/") for c in row[2][1]}) for row in table[1:]]
    assert shown == allowed
    for folder, _ in allowed:
        headers = sorted(n for n in os.listdir(os.path.join(SOURCE, "src", folder)) if n.endswith(".h"))
        if headers:
            with open(os.path.join(SOURCE, "src", folder, headers[0]), encoding="utf-8") as f:
                assert f.readline().startswith(f"// Folder {folder}/: "), folder
