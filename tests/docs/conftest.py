"""Helpers of the tests of the built documentation site: the program, the pages as
text and tables. CTest sets the environment (cmake/docs.cmake) and builds the site
first (test `docs`)."""

import html
import html.parser
import os
import re
import subprocess

SOTOC = os.environ["SOTOC_BINARY"]
HTML = os.environ["SOTOC_DOCS_HTML"]

# The program's messages in English, and no X display, as the site was built.
ENGLISH = {k: v for k, v in os.environ.items()
           if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE", "DISPLAY")}
ENGLISH.update(LANG="C.UTF-8", LC_ALL="C.UTF-8")


def helptext(*args):
    r = subprocess.run([SOTOC, *args, "--help"], capture_output=True, text=True, env=ENGLISH, check=True)
    return r.stdout


def subcommands():
    """The first word of each line after "Subcommands:" up to the first empty line."""
    lines = helptext().splitlines()
    names = []
    for line in lines[lines.index("Subcommands:") + 1:]:
        if not line.strip():
            break
        names.append(line.split()[0])
    return names


def page(name):
    with open(os.path.join(HTML, name), encoding="utf-8") as f:
        return f.read()


def plain(fragment):
    """The text of an HTML fragment: tags dropped, entities decoded."""
    return html.unescape(re.sub(r"<[^>]+>", "", fragment))


class Tables(html.parser.HTMLParser):
    """The tables of a page: rows of cells, each cell (text, [texts of its <code>])."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.tables, self.cell, self.code = [], None, None
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            self.tables.append([])
        elif tag == "tr" and self.tables:
            self.tables[-1].append([])
        elif tag in ("td", "th") and self.tables:
            self.cell = ["", []]
        elif tag == "code" and self.cell is not None:
            self.code = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.tables[-1][-1].append((self.cell[0].strip(), self.cell[1]))
            self.cell = None
        elif tag == "code" and self.code is not None:
            self.cell[1].append(self.code)
            self.code = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell[0] += data
        if self.code is not None:
            self.code += data


def consoleblocks(text):
    """The text of each console block of a page."""
    return [plain(m) for m in re.findall(r'<div class="highlight-console[^"]*"><div class="highlight"><pre>(.*?)</pre>',
                                         text, re.S)]
