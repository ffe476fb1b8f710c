"""The help of the module: every function's help starts with its signature, which
the stub beside the module repeats, and names each argument with its unit or
kind and its default."""

import ast
import os
import pydoc

import pytest
import sotoc

FUNCTIONS = ["compare", "batch", "sweep", "map"]


def stub():
    folder = os.path.dirname(sotoc.__file__)
    with open(os.path.join(folder, "sotoc.pyi"), encoding="utf-8") as f:
        return ast.parse(f.read())


def signature(function):
    """The function definition of the first line of a help text."""
    line = function.__doc__.splitlines()[0]
    return ast.parse("def " + line + ": ...").body[0]


def shape(definition):
    """Names, kinds, annotations and defaults of a function's arguments, and what it returns."""
    a = definition.args
    return (
        [(x.arg, ast.unparse(x.annotation)) for x in a.args],
        [ast.unparse(d) for d in a.defaults],
        [(x.arg, ast.unparse(x.annotation)) for x in a.kwonlyargs],
        [None if d is None else ast.unparse(d) for d in a.kw_defaults],
        ast.unparse(definition.returns),
    )


def test_stub_has_the_signatures_of_the_help():
    defined = {d.name: d for d in stub().body if isinstance(d, ast.FunctionDef)}
    assert sorted(defined) == sorted(FUNCTIONS)
    for name in FUNCTIONS:
        assert shape(defined[name]) == shape(signature(getattr(sotoc, name))), name
    assert any(isinstance(d, ast.AnnAssign) and d.target.id == "__version__" for d in stub().body)


@pytest.mark.parametrize("name", FUNCTIONS)
def test_help_names_every_argument_with_unit_and_default(name):
    function = getattr(sotoc, name)
    definition = signature(function)
    text = function.__doc__
    described = {}
    for line in text.split("Arguments:\n")[1].split("\n\n")[0].splitlines():
        if line.startswith("    ") and not line.startswith("     "):
            key = line.split()[0]
            described[key] = ""
        if described and line.startswith("    "):
            described[key] += line + "\n"
    arguments = [a.arg for a in definition.args.args + definition.args.kwonlyargs]
    assert sorted(described) == sorted(arguments)
    defaults = dict(zip([a.arg for a in definition.args.args][-len(definition.args.defaults):] if
                        definition.args.defaults else [], definition.args.defaults))
    defaults.update({a.arg: d for a, d in zip(definition.args.kwonlyargs, definition.args.kw_defaults)})
    for argument in arguments:
        entry = described[argument]
        default = defaults.get(argument)
        if default is None:
            assert "Required." in entry, argument
        else:
            assert "Default " + ast.unparse(default) in entry, argument
    for unit, arguments in {"[m]": ["start", "end"], "[rad/rad": ["ratios"], "[%]": ["error", "errors"]}.items():
        for argument in arguments:
            assert argument not in described or unit in described[argument], (argument, unit)


def test_module_help_lists_the_functions_and_the_units_of_the_results():
    text = pydoc.render_doc(sotoc, renderer=pydoc.plaintext)
    for name in FUNCTIONS:
        assert name + "(" in text
    for field in ["T1max", "tfNom", "tocFree", "sotocErr", "finished", "[N m", "[s]", "[%]"]:
        assert field in sotoc.__doc__, field
    for column, unit in [("t", "[s]"), ("q1", "[rad]"), ("tau2", "[N m]"), ("x", "[m]")]:
        assert any(line.split()[:1] == [column] and unit in line for line in sotoc.compare.__doc__.splitlines())
    assert sotoc.__version__.count(".") == 2
