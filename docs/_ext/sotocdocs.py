"""What the sotoc documentation takes from the built program while it is built.

- One reference page per subcommand, written into reference/commands/ of the folder
  being built (a copy of docs/, see cmake/docs.cmake) for every subcommand that
  `sotoc --help` lists, each showing that subcommand's own --help (directive
  `sotoc-help`); the exit statuses of all of them (directive `sotoc-exit-statuses`).
- Values the program prints, quoted in the text (role `sotoc-value`): the field of
  `sotoc compare ... --json` named by a dotted path, for example
  {sotoc-value}`scara vertical derived.tfNom` (robot, motion, further options, path;
  a format such as `:.4f` may follow the path).
- Claims of the text on such values, checked and not shown (directive `sotoc-claim`).
- Commands with their output (directive `sotoc-console`): each line is run by bash in
  a temporary folder, with the built program first on PATH, and shown with what it
  printed.
  With :files: files of the site are copied into that folder first; with :pictures:
  the files the commands made are shown under it, copied into the folder being built
  (_generated/), from which Sphinx takes them into the site.
- Every other `console` block may only show `./build.sh MODE` commands, each with a
  mode that build.sh accepts; any other command there is a warning, so no shell
  command on a page goes unchecked. Commands for other machines (GNU parallel, ssh,
  Slurm) are shown in `text` blocks: in those and the other shell blocks not run, each
  `sotoc SUBCOMMAND ...` must name a subcommand and only options of its --help.
- The settings of a comparison, as a table made from the program's own table of
  settings (directive `sotoc-settings`, from `sotoc settings --json`), checked against
  the settings of the result JSON's schema.
- The fields of the result JSON, as tables made from its JSON Schema (directive
  `sotoc-schema`), and the columns of the CSV logs, checked against the files that
  `sotoc compare --log` writes (directive `sotoc-csv-columns`).
- The signatures of the Python module's functions, from the module built with the site
  (directive `sotoc-python-signature`).
- A file of the source folder shown as it is, in part (directive
  `sotoc-literalinclude`, the options of literalinclude), for scripts the tests run.
- A notebook of the source folder, run while the site is built with the module built
  with it, shown cell by cell with what each cell printed and drew (directive
  `sotoc-notebook`); shown without outputs when the build has no module.
- The Python API page (reference/python.md), from the docstrings of the built module
  when the build gives its folder (environment variable SOTOC_PYTHON_DIR, see
  conf.py), else a page that says it was not built.

Anything that does not work is a Sphinx warning, which the documentation test turns
into a failure (-W).
"""

import base64
import importlib
import inspect
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

from docutils import nodes
from docutils.parsers.rst import directives
from docutils.statemachine import StringList
from sphinx.errors import ExtensionError
from sphinx.directives.code import LiteralInclude
from sphinx.util import logging
from sphinx.util.docutils import SphinxDirective

logger = logging.getLogger(__name__)

# Generated pages, beside the written ones of reference/.
COMMANDSDIR = os.path.join("reference", "commands")
# Pictures the shown commands made, in the folder being built (never in docs/).
GENERATEDDIR = "_generated"
# The page of the Python API, written when the site is built.
PYTHONPAGE = os.path.join("reference", "python.md")

# The program's messages in English whatever the builder's locale; no X display, so
# that sotoc render draws on its own private server, the same on every machine.
ENVIRONMENT = {k: v for k, v in os.environ.items()
               if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE", "DISPLAY")}
ENVIRONMENT.update(LANG="C.UTF-8", LC_ALL="C.UTF-8")

# Statuses of `sotoc compare --json` that still print the result object (3: no solution).
JSONSTATUSES = (0, 3)

# Seconds one shown command may take before it counts as failed.
COMMANDTIMEOUT = 300


def program(config):
    if not config.sotoc_program or not os.access(config.sotoc_program, os.X_OK):
        raise ExtensionError(f"sotoc_program: no program at '{config.sotoc_program}' (set it with -D sotoc_program=PATH)")
    return config.sotoc_program


_runs = {}


def runsotoc(config, args):
    """(stdout, stderr, status) of `sotoc ARGS`, each distinct call run once per build."""
    key = tuple(args)
    if key not in _runs:
        r = subprocess.run([program(config)] + list(args), capture_output=True, text=True, env=ENVIRONMENT,
                           timeout=COMMANDTIMEOUT, check=False)
        _runs[key] = (r.stdout, r.stderr, r.returncode)
    return _runs[key]


# --- the help texts ---------------------------------------------------------------

def subcommandsof(helptext):
    """(name, summary) of each line "  NAME  SUMMARY" under "Subcommands:"."""
    lines = helptext.splitlines()
    if "Subcommands:" not in lines:
        return []
    found = []
    for line in lines[lines.index("Subcommands:") + 1:]:
        m = re.match(r"^  ([a-z]+) +(\S.*)$", line)
        if not m:
            break
        found.append((m.group(1), m.group(2)))
    return found


def optionsof(helptext):
    """The help's option entries, in order: (spellings, value, description).

    An entry starts on a line indented by spaces with a dash ("  -h,--help  Print ...",
    "  --robot NAME  Robot: ...", "  --errors FROM:TO:STEP REQUIRED"): the spellings,
    then after one space the value up to a run of two or more spaces, then the
    description, continued by the lines indented deeper that follow.
    """
    entries = []
    current = None
    lines = helptext.splitlines()
    # A head that ends one space short of the descriptions' column has one space before its description.
    column = next((l.index("Print this help") for l in lines if "Print this help" in l), None)
    for line in lines:
        head = re.match(r"^( +)(-\S*)(.*)$", line)
        if head and (current is None or len(head.group(1)) <= current["indent"]):
            spellings = head.group(2).split(",")
            rest = head.group(3).rstrip()
            if column is not None and len(line) > column and line[column - 1] == " " and line[column - 2] != " ":
                rest = line[len(head.group(1)) + len(head.group(2)):column - 1] + "  " + line[column:]
            value, _, text = re.match(r"^(?: (\S+(?: \S+)*))?(\s{2,}|$)(.*)$", rest).groups()
            value = value or ""
            current = {"indent": len(head.group(1)), "spellings": spellings, "value": value, "text": [text] if text else []}
            entries.append(current)
        elif current is not None and line.startswith(" " * (current["indent"] + 1)) and line.strip():
            current["text"].append(line.strip())
        else:
            current = None
    return [(e["spellings"], e["value"], " ".join(e["text"])) for e in entries]


def exitstatusesof(helptext):
    """[(statuses, meaning)] of the help's sentence "Exit status: 0 done, 1 failed, ...";
    [] when it has none."""
    flat = " ".join(helptext.split())
    m = re.search(r"Exit status: (.*?)\.(?:\s|$)", flat)
    if not m:
        return []
    items = []
    for item in re.split(r",\s*(?=\d)", m.group(1)):
        im = re.match(r"^(\d+(?:\s+or\s+\d+)*)\s+(.*)$", item.strip())
        if im:
            items.append((im.group(1), im.group(2)))
    return items


# --- generated pages ----------------------------------------------------------------

def writeifchanged(path, text):
    """Writes `text` to `path` through a temporary beside it, only when it differs."""
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(text)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temporary, path)


def writecommandpages(app):
    out, _, status = runsotoc(app.config, ["--help"])
    subs = subcommandsof(out)
    if status != 0 or not subs:
        raise ExtensionError(f"sotoc --help (status {status}) lists no subcommands")
    folder = os.path.join(app.srcdir, COMMANDSDIR)
    os.makedirs(folder, exist_ok=True)
    for name, summary in subs:
        writeifchanged(os.path.join(folder, name + ".md"),
                       f"# sotoc {name}\n\n{summary[0].upper()}{summary[1:]}.\n\n```{{sotoc-help}} {name}\n```\n")
    listing = "\n".join(name for name, _ in subs)
    writeifchanged(os.path.join(folder, "index.md"),
                   "# Subcommands\n\n`sotoc SUBCOMMAND --help` prints the text each page shows; "
                   "`sotoc --help` prints this:\n\n```{sotoc-help}\n```\n\n"
                   f"```{{toctree}}\n:maxdepth: 1\n\n{listing}\n```\n")


def literal(text, language="text"):
    block = nodes.literal_block(text, text)
    block["language"] = language
    return block


def shownoutput(text):
    """A block of what the program printed: its words are no commands to check."""
    block = literal(text)
    block["sotoc_ran"] = True
    return block


def table(header, rows, widths):
    """A docutils table of plain cells; a cell given as a node list is used as it is."""
    group = nodes.tgroup(cols=len(header))
    for w in widths:
        group += nodes.colspec(colwidth=w)

    def row(cells):
        r = nodes.row()
        for cell in cells:
            entry = nodes.entry()
            entry += nodes.paragraph("", "", *(cell if isinstance(cell, list) else [nodes.Text(cell)]))
            r += entry
        return r

    head = nodes.thead()
    head += row(header)
    body = nodes.tbody()
    for cells in rows:
        body += row(cells)
    group += head
    group += body
    t = nodes.table()
    t += group
    return t


class HelpDirective(SphinxDirective):
    """The --help of one subcommand: a table of its options, then the whole text; with
    no subcommand named, the program's own --help."""
    optional_arguments = 1

    def run(self):
        name = self.arguments[0] if self.arguments else ""
        out, err, status = runsotoc(self.config, [name, "--help"] if name else ["--help"])
        if status != 0 or not out:
            logger.warning(f"sotoc {name} --help ended with status {status}: {err.strip()}", location=self.get_location())
            return []
        if not name:
            return [shownoutput(out)]
        options = optionsof(out)
        if not options:
            logger.warning(f"sotoc {name} --help lists no options", location=self.get_location())
        rows = [[self.joined(spellings), value, text] for spellings, value, text in options]
        section = nodes.container(classes=["sotoc-options"])
        section += nodes.rubric("", "Options")
        section += table(["option", "value", "meaning"], rows, [22, 22, 56])
        section += nodes.rubric("", f"sotoc {name} --help")
        section += shownoutput(out)
        return [section]

    @staticmethod
    def joined(spellings):
        """The spellings as literal nodes with ", " between them."""
        parts = []
        for k, s in enumerate(spellings):
            if k:
                parts.append(nodes.Text(", "))
            parts.append(nodes.literal(s, s))
        return parts


class ExitStatusesDirective(SphinxDirective):
    """The exit statuses of every subcommand, from its --help."""

    def run(self):
        out, _, _ = runsotoc(self.config, ["--help"])
        rows = []
        for name, _ in subcommandsof(out):
            help_, _, _ = runsotoc(self.config, [name, "--help"])
            statuses = exitstatusesof(help_)
            if not statuses:
                logger.warning(f"sotoc {name} --help names no exit statuses", location=self.get_location())
            for number, meaning in statuses:
                rows.append([[nodes.literal(name, name)], number, meaning])
        return [table(["subcommand", "status", "meaning"], rows, [20, 15, 65])]


# --- values quoted from the program ---------------------------------------------------

def comparefield(config, tokens):
    """The field of `sotoc compare --json` that tokens "ROBOT MOTION [OPTIONS] PATH"
    name (PATH dotted, list items by number). Raises ValueError when there is none."""
    if len(tokens) < 3:
        raise ValueError("needs ROBOT MOTION [OPTIONS] PATH")
    args = ["compare", "--robot", tokens[0], "--motion", tokens[1]] + tokens[2:-1] + ["--json"]
    out, err, status = runsotoc(config, args)
    if status not in JSONSTATUSES:
        raise ValueError(f"sotoc {' '.join(args)}: status {status}: {err.strip()}")
    value = json.loads(out)
    try:
        for key in tokens[-1].split("."):
            value = value[int(key)] if isinstance(value, list) else value[key]
    except (KeyError, IndexError, TypeError, ValueError) as e:
        raise ValueError(f"sotoc {' '.join(args)} has no {tokens[-1]} ({e!r})") from None
    return value

def formatvalue(value, form):
    if isinstance(value, bool):
        return "yes" if value else "no"
    if isinstance(value, (int, float)):
        return format(value, form or ".6g")
    if isinstance(value, list):
        return ", ".join(formatvalue(v, form) for v in value)
    if value is None:
        return "none"
    return str(value)


def valuerole(name, rawtext, text, lineno, inliner, options=None, content=None):
    env = inliner.document.settings.env
    tokens = text.split()
    form = ""
    if tokens:
        tokens[-1], _, form = tokens[-1].partition(":")
    try:
        shown = formatvalue(comparefield(env.config, tokens), form)
    except ValueError as e:
        logger.warning(f"sotoc-value '{text}': {e}", location=(env.docname, lineno))
        return [nodes.Text(text)], []
    return [nodes.Text(shown)], []


# A claim's comparisons.
CLAIMS = {"==": lambda a, b: a == b, "!=": lambda a, b: a != b, "<": lambda a, b: a < b,
          ">": lambda a, b: a > b, "<=": lambda a, b: a <= b, ">=": lambda a, b: a >= b}


class ClaimDirective(SphinxDirective):
    """What the text around says of a result, checked and not shown: one claim a line,
    "ROBOT MOTION [OPTIONS] PATH OP VALUE", OP one of == != < > <= >=, VALUE in JSON
    (true, null, 0.2, "compared")."""
    has_content = True

    def run(self):
        for line in self.content:
            tokens = line.split()
            at = next((k for k, t in enumerate(tokens) if t in CLAIMS), None)
            try:
                if at is None:
                    raise ValueError("has no comparison")
                actual = comparefield(self.config, tokens[:at])
                expected = json.loads(" ".join(tokens[at + 1:]))
                holds = CLAIMS[tokens[at]](actual, expected)
            except (ValueError, TypeError) as e:
                logger.warning(f"sotoc-claim '{line}': {e}", location=self.get_location())
                continue
            if not holds:
                logger.warning(f"sotoc-claim '{line}' does not hold: the value is {json.dumps(actual)}",
                               location=self.get_location())
        return []


# --- shell commands ----------------------------------------------------------------

def commandsof(block):
    """The commands of a console block: its lines that start with "$ "."""
    return [line[2:].strip() for line in block.astext().splitlines() if line.startswith("$ ")]


def runshown(config, folder, command):
    """Runs `command` with bash in `folder`, the built program first on PATH, stdin empty."""
    bindir = os.path.join(folder, ".bin")
    if not os.path.isdir(bindir):
        os.mkdir(bindir)
        os.symlink(os.path.abspath(program(config)), os.path.join(bindir, "sotoc"))
    env = dict(ENVIRONMENT, PATH=bindir + os.pathsep + ENVIRONMENT.get("PATH", "/usr/bin:/bin"))
    return subprocess.run(["/bin/bash", "-c", command], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=COMMANDTIMEOUT,
                          check=False)


class ConsoleDirective(SphinxDirective):
    """Commands, one a line, run in one temporary folder in order and shown with
    their output. Every command must end with status 0, the last one with
    :status: when it is given. :files: names files of the site, relative to the page,
    copied into the folder first (the text says so); :pictures: names files the
    commands write (PNG, SVG), shown under the block in that order."""
    has_content = True
    option_spec = {"status": directives.nonnegative_int, "files": directives.unchanged_required,
                   "pictures": directives.unchanged_required}

    def run(self):
        commands = [line[2:] if line.startswith("$ ") else line for line in self.content if line.strip()]
        shown = []
        with tempfile.TemporaryDirectory(prefix="sotoc-docs-") as folder:
            for name in self.options.get("files", "").split():
                relative, path = self.env.relfn2path(name, self.env.docname)
                self.env.note_dependency(relative)
                if os.path.isfile(path):
                    shutil.copy(path, folder)
                else:
                    logger.warning(f"sotoc-console: no file '{name}' to copy", location=self.get_location())
            for k, command in enumerate(commands):
                expected = self.options.get("status", 0) if k == len(commands) - 1 else 0
                r = runshown(self.config, folder, command)
                if r.returncode != expected:
                    logger.warning(f"'{command}' ended with status {r.returncode}, not {expected}:\n{r.stdout}",
                                   location=self.get_location())
                shown.append(f"$ {command}\n{r.stdout}")
            pictures = [self.picture(folder, name) for name in self.options.get("pictures", "").split()]
        block = literal("".join(shown).rstrip("\n"), "console")
        block["sotoc_ran"] = True
        return [block] + [p for p in pictures if p is not None]

    def picture(self, folder, name):
        """The image node of file `name` of the commands' folder, copied into the
        folder being built; None (and a warning) when the commands made no such file."""
        made = os.path.join(folder, name)
        if not os.path.isfile(made) or os.path.getsize(made) == 0:
            logger.warning(f"the commands made no picture '{name}'", location=self.get_location())
            return None
        stored = os.path.join(GENERATEDDIR, self.env.docname.replace("/", "-") + "-" + os.path.basename(name))
        os.makedirs(os.path.join(self.env.srcdir, GENERATEDDIR), exist_ok=True)
        shutil.copyfile(made, os.path.join(self.env.srcdir, stored))
        return nodes.image(uri="/" + stored, alt=f"{name}, made by the commands above", classes=["sotoc-picture"])


_modes = {}


def buildmodes(config):
    """The modes `./build.sh` accepts, from the usage line it prints when given none."""
    if "modes" in _modes:
        return _modes["modes"]
    r = subprocess.run(["/bin/bash", os.path.join(config.sotoc_source, "build.sh")], capture_output=True, text=True,
                       env=ENVIRONMENT, stdin=subprocess.DEVNULL, timeout=COMMANDTIMEOUT, check=False)
    _modes["modes"] = set(re.findall(r"\./build\.sh (\w+)", r.stderr))
    return _modes["modes"]


# The languages of blocks that show commands.
SHELLBLOCKS = ("console", "text", "bash", "sh", "shell")

# A call of the program in a block that is not run: "sotoc SUBCOMMAND ARGS" up to the
# end of the (continued) line or a shell operator; the program may be named by a path.
SHOWNCALL = re.compile(r"(?<![\w$.-])(?:[\w./-]*/)?sotoc ([a-z]+)\b([^\n|;&>]*)")


def shownoptions(config, subcommand):
    """The option spellings of `sotoc SUBCOMMAND --help`; None when it has no help."""
    out, _, status = runsotoc(config, [subcommand, "--help"])
    if status != 0:
        return None
    return {spelling for spellings, _, _ in optionsof(out) for spelling in spellings}


def checkshowncalls(app, block):
    """Each call of the program shown in a block that is not run names a subcommand
    and only options of its --help."""
    text = block.astext().replace("\\\n", " ")
    for m in SHOWNCALL.finditer(text):
        known = shownoptions(app.config, m.group(1))
        if known is None:
            logger.warning(f"'sotoc {m.group(1)}': no such subcommand", location=block)
            continue
        for option in re.findall(r"(?<!\S)--[a-z][a-z-]*", m.group(2)):
            if option not in known:
                logger.warning(f"'sotoc {m.group(1)}' has no option {option}", location=block)


def checkconsoleblocks(app, doctree):
    """Every console block not made by sotoc-console shows commands that are not to be
    run while the site is built: each must be a `./build.sh MODE` that build.sh accepts.
    In every block not run, the calls of the program must name its subcommands and
    their options (checkshowncalls)."""
    for block in doctree.findall(nodes.literal_block):
        if block.get("sotoc_ran"):
            continue
        if block.get("language") in SHELLBLOCKS:
            checkshowncalls(app, block)
        if block.get("language") != "console":
            continue
        for command in commandsof(block):
            words = shlex.split(command, comments=True)
            if words[:1] != ["./build.sh"]:
                logger.warning(f"'{command}' is not checked: show it with sotoc-console", location=block)
            elif len(words) < 2 or words[1] not in buildmodes(app.config):
                logger.warning(f"'{command}': build.sh has no such mode", location=block)


# --- the result JSON and the CSV logs ---------------------------------------------------

def schemapart(schema, node):
    """The node with its $ref followed, the referring node's own keys put over the
    referred one's, and the properties and required fields of both merged."""
    if "$ref" not in node:
        return node
    name = node["$ref"].rsplit("/", 1)[-1]
    referred = schemapart(schema, schema["$defs"][name])
    merged = dict(referred)
    merged.update({k: v for k, v in node.items() if k != "$ref"})
    merged["properties"] = {**referred.get("properties", {}), **node.get("properties", {})}
    merged["required"] = referred.get("required", []) + node.get("required", [])
    merged["description"] = node.get("description", referred.get("description", ""))
    return merged


def schematype(schema, node):
    """What a field holds, in words: its values, its type or its alternatives."""
    if "$ref" in node and not node.get("properties"):
        referred = schemapart(schema, node)
        if "properties" in referred and referred["properties"]:
            return "object"
        return schematype(schema, {k: v for k, v in referred.items() if k != "$ref"})
    if "const" in node:
        return json.dumps(node["const"])
    if "enum" in node:
        return " | ".join(json.dumps(v) for v in node["enum"])
    if "oneOf" in node:
        return " or ".join(schematype(schema, alternative) for alternative in node["oneOf"])
    kinds = node.get("type", "object")
    words = []
    for kind in kinds if isinstance(kinds, list) else [kinds]:
        if kind == "array" and "items" in node:
            item = schematype(schema, node["items"])
            count = node.get("minItems")
            words.append(f"[{item} × {count}]" if count is not None and count == node.get("maxItems") else f"[{item}, ...]")
        else:
            words.append(kind)
    return " or ".join(words)


def schemarows(schema, node, prefix):
    """[(path, type, required, meaning)] of the fields of an object node and of the
    objects within it (an array's items as PATH[])."""
    node = schemapart(schema, node)
    rows = []
    for name, field in node.get("properties", {}).items():
        path = prefix + name
        resolved = schemapart(schema, field)
        rows.append((path, schematype(schema, field), name in node.get("required", []),
                     field.get("description") or resolved.get("description", "")))
        inner = [resolved] + [schemapart(schema, a) for a in resolved.get("oneOf", [])]
        for part in inner:
            if part.get("properties"):
                rows += schemarows(schema, part, path + ".")
                break
            if "items" in part and schemapart(schema, part["items"]).get("properties"):
                rows += schemarows(schema, part["items"], path + "[].")
                break
    return rows


class SchemaDirective(SphinxDirective):
    """The fields of one definition of a JSON Schema: "FILE DEFINITION", FILE relative
    to the page."""
    required_arguments = 2

    def run(self):
        relative, path = self.env.relfn2path(self.arguments[0], self.env.docname)
        self.env.note_dependency(relative)
        try:
            with open(path, encoding="utf-8") as f:
                schema = json.load(f)
            definition = schema["$defs"][self.arguments[1]]
        except (OSError, ValueError, KeyError) as e:
            logger.warning(f"sotoc-schema: {self.arguments[0]} has no definition {self.arguments[1]} ({e!r})",
                           location=self.get_location())
            return []
        rows = [[[nodes.literal(p, p)], kind, "yes" if needed else "no", meaning]
                for p, kind, needed, meaning in schemarows(schema, definition, "")]
        return [table(["field", "type", "required", "meaning [unit]"], rows, [24, 22, 9, 45])]


class SettingsDirective(SphinxDirective):
    """The settings of a comparison, as `sotoc settings --json` lists them from the
    program's table: name, what it takes, defaults and map axes. The argument is the
    JSON Schema of the results (relative to the page): a setting without a field of
    that name in its `settings`, or a field there that is no setting, is a warning."""
    required_arguments = 1

    def run(self):
        out, err, status = runsotoc(self.config, ["settings", "--json"])
        try:
            settings = json.loads(out)
        except ValueError:
            settings = None
        if status != 0 or not isinstance(settings, list):
            logger.warning(f"sotoc settings --json failed (status {status}): {err.strip()}",
                           location=self.get_location())
            return []
        relative, path = self.env.relfn2path(self.arguments[0], self.env.docname)
        self.env.note_dependency(relative)
        with open(path, encoding="utf-8") as f:
            fields = set(json.load(f)["$defs"]["settings"]["properties"])
        names = {s["name"] for s in settings}
        for name in sorted(names ^ fields):
            where = "the result schema" if name in names else "the program's settings"
            logger.warning(f"setting '{name}' is missing from {where}", location=self.get_location())
        rows = []
        for s in settings:
            default = "required" if s["required"] else (
                s["default"]["cylindrical"] if s["default"]["cylindrical"] == s["default"]["scara"]
                else f'{s["default"]["cylindrical"]} (cylindrical), {s["default"]["scara"]} (SCARA)')
            axes = ", ".join(a["name"] + (f' ({a["note"]})' if a["note"] else "") for a in s["axes"])
            option = f'{s["option"]} {s["argument"]}'
            rows.append([[nodes.literal(option, option)], s["description"], s["accepts"], default, axes or "-"])
        return [table(["option / field", "what it is [unit]", "accepts", "default", "map axes"], rows,
                      [18, 32, 22, 16, 16])]


def csvheaders(folder):
    """{file name: its column names} of the CSV files in `folder`: the first line of
    each that is no comment (#)."""
    found = {}
    for name in sorted(os.listdir(folder)):
        if name.endswith(".csv"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                header = next((line for line in f if not line.startswith("#")), "")
            found[name] = header.rstrip("\n").split(",")
    return found


class CsvColumnsDirective(SphinxDirective):
    """The columns of the CSV logs of `sotoc compare --robot ROBOT --motion MOTION
    --log DIR` (the arguments), with their meanings, one a line of the content:
    "COLUMN: meaning", COLUMN as the header has it ("t [s]"). The logs are written
    while the site is built; each of their headers must have exactly these columns in
    this order, else a warning."""
    required_arguments = 2
    has_content = True

    def run(self):
        documented = [line.split(": ", 1) for line in self.content if line.strip()]
        if any(len(d) != 2 for d in documented):
            logger.warning("sotoc-csv-columns: each line is 'COLUMN: meaning'", location=self.get_location())
            return []
        robot, motion = self.arguments
        with tempfile.TemporaryDirectory(prefix="sotoc-docs-") as folder:
            _, err, status = runsotoc(self.config, ["compare", "--robot", robot, "--motion", motion, "--log", folder])
            headers = csvheaders(folder)
        if status != 0 or len(headers) != 3:
            logger.warning(f"sotoc compare --robot {robot} --motion {motion} --log wrote {len(headers)} CSV files "
                           f"(status {status}): {err.strip()}", location=self.get_location())
        for name, header in headers.items():
            if header != [column for column, _ in documented]:
                logger.warning(f"{name} of the {robot} robot has the columns {header}, the page "
                               f"{[column for column, _ in documented]}", location=self.get_location())
        rows = []
        for column, meaning in documented:
            m = re.match(r"^(.*?) \[(.*)\]$", column)
            rows.append([[nodes.literal(column, column)], m.group(2) if m else "", meaning])
        return [table(["column", "unit", "meaning"], rows, [20, 12, 68])]


# --- files of the source folder ---------------------------------------------------------

class SourceIncludeDirective(LiteralInclude):
    """literalinclude of a file named relative to the source folder (sotoc_source)."""

    def run(self):
        target = os.path.join(self.config.sotoc_source, self.arguments[0])
        folder = os.path.dirname(self.env.doc2path(self.env.docname))
        self.arguments[0] = os.path.relpath(target, folder)
        return super().run()


# --- notebooks ---------------------------------------------------------------------------

# Seconds one cell of a shown notebook may take.
CELLTIMEOUT = 600


def executednotebook(config, path):
    """The notebook at `path`, run headless in a Python kernel that finds the built
    module (sotoc_python_dir), or as it is when the build has no module."""
    import nbformat
    notebook = nbformat.read(path, as_version=4)
    if not config.sotoc_python_dir:
        return notebook
    import nbclient
    saved = {k: os.environ.get(k) for k in ("PYTHONPATH", "PYDEVD_DISABLE_FILE_VALIDATION")}
    os.environ["PYTHONPATH"] = os.path.abspath(config.sotoc_python_dir)
    os.environ["PYDEVD_DISABLE_FILE_VALIDATION"] = "1"  # the kernel's debugger warns of frozen modules
    try:
        with tempfile.TemporaryDirectory(prefix="sotoc-notebook-") as folder:
            nbclient.NotebookClient(notebook, kernel_name="python3", timeout=CELLTIMEOUT,
                                    resources={"metadata": {"path": folder}}).execute()
    finally:
        for k, v in saved.items():
            if v is None:
                os.environ.pop(k, None)
            else:
                os.environ[k] = v
    return notebook


class NotebookDirective(SphinxDirective):
    """A notebook named relative to the source folder (sotoc_source): its text cells as
    text (their headings as rubrics, the page keeps its own sections), its code cells as
    Python, and under each what it printed on standard output, the value it gave (as
    text) and what it drew (PNG pictures, copied into the folder being built). A cell
    that raised is a warning."""
    required_arguments = 1

    def run(self):
        path = os.path.join(self.config.sotoc_source, self.arguments[0])
        self.env.note_dependency(path)
        try:
            notebook = executednotebook(self.config, path)
        except Exception as e:  # nbclient raises the cell's error; any failure is a warning
            logger.warning(f"sotoc-notebook: {self.arguments[0]} did not run: {e}", location=self.get_location())
            return []
        shown = []
        for k, cell in enumerate(notebook.cells):
            if cell.cell_type == "markdown":
                shown += self.text(cell.source)
            elif cell.cell_type == "code":
                shown.append(literal(cell.source, "python"))
                shown += [self.output(output, f"{k}-{j}") for j, output in enumerate(cell.get("outputs", []))]
        return [node for node in shown if node is not None]

    def text(self, source):
        """The nodes of a text cell: headings as rubrics, the rest parsed as the page is."""
        result, lines = [], []
        for line in source.splitlines() + ["# "]:
            heading = re.match(r"#+\s+(.*)", line)
            if heading is None:
                lines.append(line)
                continue
            if any(s.strip() for s in lines):
                container = nodes.container()
                self.state.nested_parse(StringList(lines), self.content_offset, container)
                result += container.children
            lines = []
            if heading.group(1):
                result.append(nodes.rubric(heading.group(1), heading.group(1)))
        return result

    def output(self, output, name):
        """The node of one output: a picture, the plain text of a value, a stream; an
        error is a warning."""
        if output.output_type == "error":
            logger.warning(f"sotoc-notebook: a cell raised {output.ename}: {output.evalue}",
                           location=self.get_location())
            return None
        if output.output_type == "stream":  # standard error holds the progress bars: not shown
            return literal(output.text.rstrip("\n")) if output.name == "stdout" else None
        data = output.get("data", {})
        if "image/png" in data:
            stored = os.path.join(GENERATEDDIR, f"{self.env.docname.replace('/', '-')}-cell{name}.png")
            os.makedirs(os.path.join(self.env.srcdir, GENERATEDDIR), exist_ok=True)
            with open(os.path.join(self.env.srcdir, stored), "wb") as f:
                f.write(base64.b64decode(data["image/png"]))
            return nodes.image(uri="/" + stored, alt="a figure the cell above drew", classes=["sotoc-picture"])
        if "text/plain" in data:
            return literal(data["text/plain"])
        return None


# --- the Python API -----------------------------------------------------------------------

def importedmodule(config):
    """The module sotoc of the folder sotoc_python_dir, or None when no folder is given.
    A module found elsewhere (an installed one) is not documented."""
    if not config.sotoc_python_dir:
        return None
    folder = os.path.abspath(config.sotoc_python_dir)
    if folder not in sys.path:
        sys.path.insert(0, folder)
    try:
        module = importlib.import_module("sotoc")
    except ImportError as e:
        raise ExtensionError(f"sotoc_python_dir: the module sotoc does not import from {folder}: {e}") from None
    if os.path.dirname(os.path.abspath(module.__file__)) != folder:
        raise ExtensionError(f"sotoc_python_dir: sotoc was imported from {module.__file__}, not from {folder}")
    return module


PYTHONINTRO = """# Python API

The module `sotoc` runs the comparisons of the program from Python: each function takes
the settings of the subcommand of the same name and returns the result objects of the
[result JSON](result-json.md) as dicts with the same keys in the same order.
"""


def writepythonpage(app):
    """The API page: the module's own docstrings as `help(sotoc)` shows them, or a
    note that this build has no module."""
    module = importedmodule(app.config)
    if module is None:
        body = ("This build of the site was made without the Python module (the build option "
                "`SOTOC_PYTHON` was off), so its functions are not listed here.\n")
    else:
        body = ("The text below is the module's own help, made from the module built with this site; "
                "`help(sotoc)` and `help(sotoc.compare)` print the same.\n\n"
                "```{eval-rst}\n.. automodule:: sotoc\n   :members:\n```\n")
    writeifchanged(os.path.join(app.srcdir, PYTHONPAGE), PYTHONINTRO + "\n" + body)


class PythonSignatureDirective(SphinxDirective):
    """The signature of a function of the module as its help writes it out, one
    argument a line; without the module, a note that this build has none."""
    required_arguments = 1

    def run(self):
        module = importedmodule(self.config)
        if module is None:
            return [nodes.paragraph("", "(This build of the site has no Python module.)")]
        function = getattr(module, self.arguments[0], None)
        if function is None:
            logger.warning(f"sotoc has no function {self.arguments[0]}", location=self.get_location())
            return []
        signature = inspect.signature(function)
        lines = []
        for parameter in signature.parameters.values():
            if parameter.kind == inspect.Parameter.KEYWORD_ONLY and "*" not in lines:
                lines.append("*")
            default = "" if parameter.default is inspect.Parameter.empty else f" = {parameter.default!r}"
            lines.append(f"{parameter.name}: {parameter.annotation}{default}")
        returned = signature.return_annotation
        text = (f"{self.arguments[0]}(\n" + "".join(f"    {line},\n" for line in lines) +
                f") -> {returned}")
        return [literal(text, "python")]


def plaindocstring(app, what, name, obj, options, lines):
    """Docstrings are written for help(), in plain text with columns: shown as such."""
    if lines:
        lines[:] = ["::", ""] + ["    " + line for line in lines]


def setup(app):
    app.setup_extension("sphinx.ext.autodoc")
    app.add_config_value("sotoc_program", "", "env")
    app.add_config_value("sotoc_source", "", "env")
    app.add_config_value("sotoc_python_dir", "", "env")
    app.connect("builder-inited", writecommandpages)
    app.connect("builder-inited", writepythonpage)
    app.connect("autodoc-process-docstring", plaindocstring)
    app.connect("doctree-read", checkconsoleblocks)
    app.add_directive("sotoc-help", HelpDirective)
    app.add_directive("sotoc-exit-statuses", ExitStatusesDirective)
    app.add_directive("sotoc-console", ConsoleDirective)
    app.add_directive("sotoc-claim", ClaimDirective)
    app.add_role("sotoc-value", valuerole)
    app.add_directive("sotoc-schema", SchemaDirective)
    app.add_directive("sotoc-csv-columns", CsvColumnsDirective)
    app.add_directive("sotoc-settings", SettingsDirective)
    app.add_directive("sotoc-literalinclude", SourceIncludeDirective)
    app.add_directive("sotoc-notebook", NotebookDirective)
    app.add_directive("sotoc-python-signature", PythonSignatureDirective)
    return {"version": "1", "parallel_read_safe": False, "parallel_write_safe": True}
