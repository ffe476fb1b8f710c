"""The commands the pages show were run against this program: run again in a folder of
their own, each block's commands print what the page shows under them."""

import os
import subprocess
import tempfile

from conftest import ENGLISH, HTML, SOTOC, consoleblocks, page


def commandsandoutputs(block):
    """[(command, output)] of a console block: "$ " lines and the lines under them."""
    pairs = []
    for line in block.splitlines():
        if line.startswith("$ "):
            pairs.append([line[2:], []])
        elif pairs:
            pairs[-1][1].append(line)
    return [(command, "\n".join(lines)) for command, lines in pairs]


def pages():
    found = []
    for folder, _, files in os.walk(HTML):
        found += [os.path.relpath(os.path.join(folder, f), HTML) for f in files if f.endswith(".html")]
    return sorted(found)


def test_getting_started_shows_commands_with_their_output():
    blocks = consoleblocks(page("getting-started.html"))
    ran = [pair for block in blocks for pair in commandsandoutputs(block) if pair[0].startswith("sotoc ")]
    assert len(ran) >= 3
    assert all(output for _, output in ran)


def test_every_command_shown_prints_what_the_page_shows():
    bindir = os.path.dirname(os.path.abspath(SOTOC))
    env = dict(ENGLISH, PATH=bindir + os.pathsep + ENGLISH.get("PATH", "/usr/bin:/bin"))
    checked = 0
    for name in pages():
        for block in consoleblocks(page(name)):
            with tempfile.TemporaryDirectory() as folder:
                # Every command runs, in order, as the build ran them: a command may read
                # what one before it wrote. The output of the program's own is compared.
                for command, shown in commandsandoutputs(block):
                    r = subprocess.run(["/bin/bash", "-c", command], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, check=False)
                    if not command.startswith("sotoc ") or not shown:
                        continue
                    assert r.stdout.rstrip("\n") == shown, (name, command)
                    checked += 1
    assert checked >= 3
