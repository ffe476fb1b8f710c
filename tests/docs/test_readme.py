"""The README is a front page: short, with the two set-up commands that .ci/run and
build.sh know, examples that run, a picture that is what the command beside it draws
today, and links to pages that the built site has."""

import json
import os
import re
import shlex
import subprocess
import tempfile

from conftest import ENGLISH, HTML, SOTOC

SOURCE = os.environ["SOTOC_SOURCE_DIR"]
# The most lines a front page may have.
MOSTLINES = 150


def readme():
    with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
        return f.read()


def indented(text):
    """The lines of the indented code blocks, indent removed."""
    return [line[4:] for line in text.splitlines() if line.startswith("    ") and line.strip()]


def run(command, folder):
    bindir = os.path.dirname(os.path.abspath(SOTOC))
    env = dict(ENGLISH, PATH=bindir + os.pathsep + ENGLISH.get("PATH", "/usr/bin:/bin"))
    return subprocess.run(["/bin/bash", "-c", command], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, check=False)


def test_front_page_is_short_and_shows_the_two_setup_commands():
    text = readme()
    assert len(text.splitlines()) <= MOSTLINES
    setup = [shlex.split(line, comments=True) for line in indented(text) if line.startswith("./build.sh")]
    assert setup == [["./build.sh", "run"], ["./build.sh", "test"]]
    # The test command is the one the CI runs, and build.sh knows both modes.
    with open(os.path.join(SOURCE, ".ci", "run"), encoding="utf-8") as f:
        ci = [line for line in f.read().splitlines() if line.strip() and not line.startswith("#")]
    assert ci[-1] == "./build.sh test"
    assert not any("build.sh" in line for line in ci[:-1])
    usage = subprocess.run(["/bin/bash", os.path.join(SOURCE, "build.sh")], capture_output=True, text=True,
                           stdin=subprocess.DEVNULL, check=False)
    assert usage.returncode == 2
    assert {"run", "test"} <= set(re.findall(r"\./build\.sh (\w+)", usage.stderr))


def test_examples_run_and_write_what_they_name():
    examples = [line[2:] for line in indented(readme()) if line.startswith("$ sotoc ")]
    picture = [e for e in examples if "docs/gallery/" in e]
    examples = [e for e in examples if e not in picture]
    assert len(examples) == 3 and len(picture) == 1
    for command in examples:
        with tempfile.TemporaryDirectory() as folder:
            r = run(command, folder)
            assert r.returncode == 0, (command, r.stderr)
            assert r.stdout or "--out" in command, command
            for option in ("--out", "--plot"):
                words = command.split()
                if option in words:
                    made = os.path.join(folder, words[words.index(option) + 1])
                    assert os.path.getsize(made) > 0, (command, option)


def test_urdf_shown_is_the_built_in_scara():
    """The URDF on the front page gives the built-in SCARA's result, digit for digit."""
    urdf = "\n".join(line for line in indented(readme()) if line.lstrip().startswith("<"))
    assert urdf.startswith("<robot") and urdf.endswith("</robot>")
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "arm.urdf"), "w", encoding="utf-8") as f:
            f.write(urdf)
        builtin = run("sotoc compare --json --robot scara --motion vertical", folder)
        filed = run("sotoc compare --json --robot-file arm.urdf --motion vertical", folder)
    assert filed.returncode == 0, filed.stderr
    result = json.loads(filed.stdout)
    assert result["settings"].pop("robotfile")["path"] == "arm.urdf"
    assert result == json.loads(builtin.stdout)


def test_picture_is_what_the_command_beside_it_draws():
    text = readme()
    shown = re.findall(r"!\[[^\]]+\]\(([^)]+)\)", text)
    assert len(shown) == 1
    command = next(line[2:] for line in indented(text) if line.startswith("$ sotoc ") and shown[0] in line)
    with tempfile.TemporaryDirectory() as folder:
        os.makedirs(os.path.join(folder, os.path.dirname(shown[0])))
        r = run(command, folder)
        assert r.returncode == 0, r.stderr
        with open(os.path.join(folder, shown[0]), "rb") as a, open(os.path.join(SOURCE, shown[0]), "rb") as b:
            assert pngimage(a.read()) == pngimage(b.read()), "the README's picture is not what its command draws now"


def pngimage(data):
    """The chunks of a PNG but its text chunks, which name the commit that drew it."""
    chunks, at = [], 8
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        kind = data[at + 4:at + 8]
        if kind != b"tEXt":
            chunks.append(data[at:at + 12 + length])
        at += 12 + length
    return chunks


def test_links_lead_to_pages_of_the_built_site():
    links = re.findall(r"\]\((docs/[^)#]+\.md)(?:#[^)]*)?\)", readme())
    assert len(set(links)) >= 10
    for link in set(links):
        assert os.path.isfile(os.path.join(SOURCE, link)), link
        built = os.path.join(HTML, link[len("docs/"):-len(".md")] + ".html")
        assert os.path.isfile(built), built
    assert "build/docs/html" in readme() and os.path.isfile(os.path.join(HTML, "index.html"))
