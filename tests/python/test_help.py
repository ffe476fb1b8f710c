"""The help of the module: every function's help starts with its signature, which
the stub beside the module repeats, and names each argument with its unit or
kind and its default."""

import ast
import os
import pydoc

import pytest
import sotoc

FUNCTIONS = ["compare", "params", "batch", "sweep", "map"]


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


@pytest.mark.parametrize("name", FUNCTIONS)
def test_an_unknown_keyword_is_named_with_the_arguments_of_the_help(name):
    function = getattr(sotoc, name)
    definition = signature(function)
    arguments = ", ".join(a.arg for a in definition.args.args + definition.args.kwonlyargs)
    with pytest.raises(TypeError) as e:
        function(*["scara"] * len(definition.args.args), eror=5)
    assert str(e.value) == f"{name}() got an unexpected keyword argument 'eror'; its arguments are {arguments}"


@pytest.mark.parametrize("call,message", [
    (lambda: sotoc.sweep("scara", "vertical", errors=(0, 1, 1), error=5),
     "sweep() got an unexpected keyword argument 'error'; its arguments are robot, motion, ratios, start, end, "
     "elbow, robotfile, errors, jobs"),
    (lambda: sotoc.sweep("scara", "vertical"), "sweep() missing required argument 'errors'"),
    (lambda: sotoc.map("scara", motion="vertical"), "map() missing required argument 'x'"),
    (lambda: sotoc.compare("scara", "vertical", robot="scara"), "compare() got multiple values for argument 'robot'"),
    (lambda: sotoc.compare("scara", "vertical", (40, 40)),
     "compare() takes 2 positional arguments but 3 were given; its arguments are robot, motion, ratios, start, "
     "end, elbow, error, robotfile, logs"),
    (lambda: sotoc.batch([], 1, 2), "batch() takes 2 positional arguments but 3 were given; its arguments are "
                                    "settings, jobs"),
    (lambda: sotoc.batch(jobs=1), "batch() missing required argument 'settings'"),
])
def test_arguments_a_function_cannot_take_raise_type_error_saying_why(call, message):
    with pytest.raises(TypeError) as e:
        call()
    assert str(e.value) == message
