"""The subcommand reference shows each subcommand's own --help: a page for every
subcommand `sotoc --help` lists, whose option table names exactly the options of that
help; and the exit statuses page gives every status each help names."""

import os
import re

from conftest import HTML, Tables, helptext, page, plain, subcommands


def helpoptions(text):
    """The spellings of the option lines of a help text: lines indented by spaces whose
    first word starts with a dash ("  -h,--help  Print ..." gives -h and --help)."""
    names = set()
    for line in text.splitlines():
        m = re.match(r"^ +(-\S+)", line)
        if m:
            names.update(s for s in m.group(1).split(",") if s)
    return names


def test_every_subcommand_has_a_page_linked_from_the_index():
    names = subcommands()
    assert len(names) >= 6
    index = page("reference/commands/index.html")
    for name in names:
        assert os.path.exists(os.path.join(HTML, "reference", "commands", name + ".html")), name
        assert f'href="{name}.html"' in index, name


def test_each_page_lists_every_option_of_its_help_and_no_other():
    for name in subcommands():
        text = helptext(name)
        want = helpoptions(text)
        assert "--help" in want and len(want) >= 3, name
        tables = Tables(page(f"reference/commands/{name}.html")).tables
        assert tables, name
        header, *rows = tables[0]
        assert [cell for cell, _ in header] == ["option", "value", "meaning"], name
        shown = {code for row in rows for code in row[0][1]}
        assert shown == want, name
        # One row per option line of the help.
        assert len(rows) == len(re.findall(r"^ +-", text, re.M)), name


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
