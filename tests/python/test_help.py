"""The help of the module: every function's help starts with its signature, which
the stub beside the module repeats, and names each argument with its unit or
kind and its default."""

import ast
import inspect
import os
import pydoc

import pytest
import sotoc

FUNCTIONS = ["compare", "params", "batch", "sweep", "map", "montecarlo"]  # compiled, each help starting with its signature
HELPERS = ["records_frame", "plot_sweep", "plot_map"]


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
    assert sorted(defined) == sorted(FUNCTIONS + HELPERS)
    for name in FUNCTIONS:
        assert shape(defined[name]) == shape(signature(getattr(sotoc, name))), name
    assert any(isinstance(d, ast.AnnAssign) and d.target.id == "__version__" for d in stub().body)


def parameters(definition):
    """A function definition's parameters as inspect.signature gives them: name,
    kind, annotation and default, each as text."""
    a = definition.args
    defaults = [None] * (len(a.args) - len(a.defaults)) + list(a.defaults)
    kinds = [("POSITIONAL_OR_KEYWORD", x, d) for x, d in zip(a.args, defaults)] + \
            [("KEYWORD_ONLY", x, d) for x, d in zip(a.kwonlyargs, a.kw_defaults)]
    return [(x.arg, kind, ast.unparse(x.annotation), None if d is None else repr(ast.literal_eval(d)))
            for kind, x, d in kinds], ast.unparse(definition.returns)


@pytest.mark.parametrize("name", FUNCTIONS + HELPERS)
def test_inspect_reads_the_signature_of_the_stub(name):
    got = inspect.signature(getattr(sotoc, name))
    read = ([(p.name, p.kind.name, p.annotation, None if p.default is p.empty else repr(p.default))
             for p in got.parameters.values()], got.return_annotation)
    defined = {d.name: d for d in stub().body if isinstance(d, ast.FunctionDef)}
    assert read == parameters(defined[name])


def test_signature_binds_what_the_function_takes():
    bound = inspect.signature(sotoc.sweep).bind("scara", "vertical", errors=(0, 1, 1), as_="arrays")
    assert bound.arguments == {"robot": "scara", "motion": "vertical", "errors": (0, 1, 1), "as_": "arrays"}
    with pytest.raises(TypeError):
        inspect.signature(sotoc.compare).bind("scara", "vertical", (40, 40))
    # The stub's types resolve: the result dicts are TypedDicts.
    classes = {d.name for d in stub().body if isinstance(d, ast.ClassDef)}
    assert {"Result", "Settings", "Run", "Designs"} <= classes


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
     "elbow, robotfile, near, sotoc_fallback, tolerance, joint2_start, design_search, design_errors, params, "
     "control_period, encoder_counts, sensor_noise, seed, sensor_delay, servo_antiwindup, span, reference, errors, "
         "jobs, as_, progress"),
    (lambda: sotoc.sweep("scara", "vertical"), "sweep() missing required argument 'errors'"),
    (lambda: sotoc.map("scara", motion="vertical"), "map() missing required argument 'x'"),
    (lambda: sotoc.compare("scara", "vertical", robot="scara"), "compare() got multiple values for argument 'robot'"),
    (lambda: sotoc.compare("scara", "vertical", (40, 40)),
     "compare() takes 2 positional arguments but 3 were given; its arguments are robot, motion, ratios, start, "
     "end, elbow, error, robotfile, near, sotoc_fallback, tolerance, joint2_start, design_search, design_errors, "
         "params, control_period, encoder_counts, sensor_noise, seed, sensor_delay, servo_antiwindup, span, "
         "reference, logs"),
    (lambda: sotoc.batch([], 1, 2), "batch() takes 2 positional arguments but 3 were given; its arguments are "
                                    "settings, jobs"),
    (lambda: sotoc.batch(jobs=1), "batch() missing required argument 'settings'"),
    (lambda: sotoc.sweep("scara", "vertical", errors=(0, 1, 1), design_errors={"L2": 1}, designerrors={"L2": 1}),
     "sweep() got multiple values for argument 'design_errors' (also as 'designerrors')"),
])
def test_arguments_a_function_cannot_take_raise_type_error_saying_why(call, message):
    with pytest.raises(TypeError) as e:
        call()
    assert str(e.value) == message


def table_names():
    """The names of the settings as the module's batch reader takes them, from the
    table: its refusal of a field that names none lists them."""
    [answer] = sotoc.batch([{"nosuch": 1}])
    listed = answer["error"].split("accepts the fields ")[1]
    return listed.split(", ")


def test_help_and_stub_name_every_setting_of_the_table():
    names = table_names()
    assert names[:2] == ["robot", "motion"]
    own = {"compare": ["logs"], "sweep": ["errors", "jobs", "as_", "progress"],
           "map": ["x", "y", "jobs", "as_", "progress"]}
    # As Python spells a keyword; the design errors with '_' between their words too.
    keywords = [n.replace("-", "_").replace("designerrors", "design_errors") for n in names]
    settings = {"compare": keywords, "sweep": [n for n in keywords if n != "error"], "map": keywords}
    defined = {d.name: d for d in stub().body if isinstance(d, ast.FunctionDef)}
    for name in own:
        expected = settings[name] + own[name]
        for definition in [signature(getattr(sotoc, name)), defined[name]]:
            arguments = [a.arg for a in definition.args.args + definition.args.kwonlyargs]
            assert sorted(arguments) == sorted(expected), name
    written = sotoc.batch.__doc__.split("the fields ")[1].split(", with")[0]
    words = written.replace("(required)", "").replace(",", " ").split()
    assert [w for w in words if w != "and"] == names
