"""The subcommand reference shows each subcommand's own --help: a page for every
subcommand `sotoc --help` lists, whose option table gives exactly the options of that
help, each with its value and meaning; and the exit statuses page gives every status
each help names."""

import os
import re
import subprocess

from conftest import ENGLISH, HTML, SOTOC, Tables, helptext, page, plain, subcommands


def helprows(text):
    """[(spellings, value, meaning)] of the option lines of a help text, read by its
    columns: a description starts at the column of "Print this help" on the -h,--help
    line, or on the lines below when the option's head reaches that column; the lines
    below that start with spaces and no dash continue it."""
    lines = text.splitlines()
    column = next(l for l in lines if l.lstrip().startswith("-h,--help")).index("Print this help")
    rows = []
    for line in lines:
        if re.match(r"^ +-", line):
            inline = len(line) > column and line[column - 1] == " "
            head = (line[:column] if inline else line).split()
            rows.append([head[0].split(","), " ".join(head[1:]), [line[column:].strip()] if inline else []])
        elif rows and line.startswith(" ") and line.strip():
            rows[-1][2].append(line.strip())
        elif rows and not line.strip():
            break
    return [(spellings, value, " ".join(meaning)) for spellings, value, meaning in rows]


def test_every_subcommand_has_a_page_linked_from_the_index():
    names = subcommands()
    assert len(names) >= 6
    index = page("reference/commands/index.html")
    for name in names:
        assert os.path.exists(os.path.join(HTML, "reference", "commands", name + ".html")), name
        assert f'href="{name}.html"' in index, name


def test_each_page_lists_every_option_of_its_help_with_its_value_and_meaning():
    for name in subcommands():
        want = helprows(helptext(name))
        assert len(want) >= 2 and ["-h", "--help"] in [spellings for spellings, _, _ in want], name
        tables = Tables(page(f"reference/commands/{name}.html")).tables
        assert tables, name
        header, *rows = tables[0]
        assert [cell for cell, _ in header] == ["option", "value", "meaning"], name
        shown = [(row[0][1], row[1][0], row[2][0]) for row in rows]
        assert shown == want, name


def test_each_page_shows_its_whole_help_text():
    for name in subcommands():
        blocks = [plain(b) for b in re.findall(r"<pre>(.*?)</pre>", page(f"reference/commands/{name}.html"), re.S)]
        assert helptext(name).rstrip("\n") in [b.rstrip("\n") for b in blocks], name


def test_exit_statuses_page_gives_every_status_of_every_help():
    rows = Tables(page("reference/exit-statuses.html")).tables[0][1:]
    given = {(row[0][1][0], int(n)) for row in rows for n in re.findall(r"\d+", row[1][0])}
    for name in subcommands():
        flat = " ".join(helptext(name).split())
        sentence = re.search(r"Exit status: (.*?)\.(\s|$)", flat)
        assert sentence, name
        statuses = {int(a or b) for a, b in re.findall(r"(?:^|, )(\d+)|\bor (\d+)", sentence.group(1))}
        assert 0 in statuses and len(statuses) >= 2, name
        for status in statuses:
            assert (name, status) in given, (name, status)
        # The status of a refused option is one the help gives.
        refused = subprocess.run([SOTOC, name, "--no-such-option"], capture_output=True, env=ENGLISH,
                                 stdin=subprocess.DEVNULL, check=False)
        assert refused.returncode in statuses, (name, refused.returncode)
