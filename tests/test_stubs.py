"""The type stub and the signatures follow the built module: a class, field, method or parameter added to
the module without its stub entry fails here."""

import ast
import inspect
import os
import re
import sys
import types

import pytest

MODULE_NAME = "pyrandel.lib._pyrandel"
PICKLING = {"__init__", "__reduce__", "__setstate__", "__deepcopy__"}


@pytest.fixture(scope="module")
def stub(mod):
    # Beside the extension in a wheel; in the sources of an editable install.
    import pyrandel.lib
    for folder in [os.path.dirname(mod.__file__), *pyrandel.lib.__path__]:
        path = os.path.join(folder, "_pyrandel.pyi")
        if os.path.exists(path):
            with open(path) as f:
                return ast.parse(f.read())
    pytest.fail("no _pyrandel.pyi beside the package")


def stub_classes(stub):
    return {node.name: node for node in stub.body if isinstance(node, ast.ClassDef)}


def module_names(stub):
    names = set()
    for node in stub.body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
        elif isinstance(node, ast.Import):
            names.update(a.asname or a.name for a in node.names)
    return names


def members(node):
    """{name: ("method", FunctionDef) | ("property", writable) | ("field", None) | ("member", None)}"""
    out = {}
    for item in node.body:
        if isinstance(item, ast.FunctionDef):
            decos = [ast.unparse(d) for d in item.decorator_list]
            if "property" in decos:
                out[item.name] = ("property", False)
            elif any(d.endswith(".setter") for d in decos):
                out[item.name] = ("property", True)
            else:
                out[item.name] = ("method", item)
        elif isinstance(item, ast.AnnAssign):
            out[item.target.id] = ("field", None)
        elif isinstance(item, ast.Assign):
            out[item.targets[0].id] = ("member", None)
    return out


def built_classes(mod):
    return [obj for obj in vars(mod).values()
            if isinstance(obj, type) and obj.__module__ == MODULE_NAME and not issubclass(obj, int)]


def public(names):
    return {n for n in names if not (n.startswith("__") and n.endswith("__"))}


def test_module_namespace_matches_stub(mod, stub):
    assert public(dir(mod)) == public(module_names(stub))


def test_every_built_class_has_a_stub(mod, stub):
    missing = {c.__name__ for c in built_classes(mod)} - set(stub_classes(stub))
    assert not missing


def test_enumerations_match_stub(mod, stub):
    classes = stub_classes(stub)
    for name in ("DIFFUSION_COEFF_METHODS", "PAH_GROWTH_MODELS", "SOOT_COALES_TYPES", "TEMPERATURE_SOLVERS",
                 "VALIDATION_CASES", "VI", "boundary_type"):
        node = classes[name]
        stubbed = [(item.targets[0].id, ast.literal_eval(item.value)) for item in node.body
                   if isinstance(item, ast.Assign)]
        assert stubbed == [(m.name, int(m)) for m in getattr(mod, name)]


def class_names_in_stub(classes, name):
    node = classes[name]
    names = dict(members(node))
    for base in node.bases:
        if isinstance(base, ast.Name) and base.id in classes:
            for k, v in class_names_in_stub(classes, base.id).items():
                names.setdefault(k, v)
    return names


def check_class(mod, stub, cls):
    classes = stub_classes(stub)
    assert cls.__name__ in classes, f"no stub for {cls.__name__}"
    node = classes[cls.__name__]
    assert ast.get_docstring(node) == cls.__doc__
    stub_bases = [ast.unparse(b) for b in node.bases]
    assert stub_bases == [b.__name__ for b in cls.__bases__ if b is not object]
    stubbed = class_names_in_stub(classes, cls.__name__)
    assert public(dir(cls)) - public(dir(object)) == public(stubbed)
    assert PICKLING <= set(stubbed)
    # Dunders of the class's own (a call operator, say) are stubbed too.
    own = {n for n in vars(cls) if n.startswith("__") and n not in
           {"__doc__", "__new__", "__pyx_vtable__", "__module__", "__dict__", "__weakref__"}}
    assert own <= set(stubbed)

    inst = cls.__new__(cls)
    for name, (kind, info) in stubbed.items():
        attr = inspect.getattr_static(cls, name)
        if kind == "method":
            if name == "__init__":
                params = [a.arg for a in info.args.args[1:]]
                assert cls.__doc__ == f"{cls.__name__}({', '.join(params)})"
                assert list(inspect.signature(cls).parameters) == params
            sig = inspect.signature(getattr(cls, name))
            params = list(sig.parameters.values())[1:]
            runtime = [(p.name, p.kind == p.POSITIONAL_ONLY) for p in params]
            args = info.args
            stubbed_params = ([(a.arg, True) for a in args.posonlyargs[1:]] +
                              [(a.arg, False) for a in args.args[1 if not args.posonlyargs else 0:]])
            assert stubbed_params == runtime, name
        else:
            assert isinstance(attr, types.GetSetDescriptorType), name
            writable = False
            # A false value too: a setter may act on a true one (soot_enabled reads the gas object).
            for value in (object(), False):
                try:
                    attr.__set__(inst, value)
                    writable = True
                except AttributeError:
                    continue
                except Exception:  # the setter refused the value: it exists
                    writable = True
                break
            # A plain annotation or a property with a setter is writable; a bare property is not.
            assert writable == (kind == "field" or info), name


def test_stub_classes_match_built_classes(mod, stub):
    for cls in built_classes(mod):
        check_class(mod, stub, cls)


def test_stub_check_sees_a_missing_name(mod, stub):
    class_node = stub_classes(stub)["CSootGas"]
    trimmed = ast.Module(body=[n for n in stub.body if n is not class_node] + [ast.ClassDef(
        name="CSootGas", bases=[], keywords=[], decorator_list=[],
        body=[n for n in class_node.body if not (isinstance(n, ast.FunctionDef) and n.name == "update_MWs")])],
        type_ignores=[])
    with pytest.raises(AssertionError):
        check_class(mod, trimmed, mod.CSootGas)


def test_every_method_has_a_text_signature(mod):
    for cls in built_classes(mod):
        for name, attr in vars(cls).items():
            if isinstance(attr, types.MethodDescriptorType):
                assert attr.__text_signature__ and attr.__text_signature__.startswith("($self"), name


@pytest.mark.parametrize("name", sorted({"CSootModel", "CPFROde", "CPFRSootOde", "CFlameSolver", "CFVSolver",
                                          "CSootGas", "CSootWrapper", "CReactDim", "CMonodisperseSootModel",
                                          "CFrenklachHACA", "CPSRSoot", "CTempFlameSolverOpt"}))
def test_constructor_signature_names_its_keywords(mod, name):
    """The names inspect.signature gives are the ones the constructor takes by keyword."""
    cls = getattr(mod, name)
    sig = inspect.signature(cls)
    assert sig == inspect.signature(cls.__new__(cls).__init__)
    assert str(sig) == cls.__doc__[len(name):] and cls.__text_signature__ == str(sig)
    assert all(p.kind == p.POSITIONAL_OR_KEYWORD for p in sig.parameters.values())

    def refusal(**kw):
        try:
            cls(**kw)
        except Exception as e:  # a value of the wrong kind, or the keyword itself
            return str(e)
        return ""

    assert "keyword" not in refusal(**{p: None for p in sig.parameters})
    assert "unexpected keyword argument 'nope'" in refusal(**{p: None for p in sig.parameters}, nope=None)


@pytest.mark.parametrize("name", ["CPFROde", "CPFRSootOde"])
def test_call_operator_signature(mod, name):
    cls = getattr(mod, name)
    assert str(inspect.signature(cls.__call__)) == "(self, /, t, y)"
    ode = cls.__new__(cls)
    assert str(inspect.signature(ode)) == str(inspect.signature(ode.__call__)) == "(t, y)"
    # The method in the class's dictionary is the call operator: it parses and refuses as a call does.
    for call in (ode, ode.__call__):
        with pytest.raises(TypeError, match=r"__call__\(\) got an unexpected keyword argument 'z'"):
            call(t=0.0, y=None, z=None)


def test_python_subclasses_keep_constructor_and_call(mod):
    """A Python subclass without its own __init__ or __call__ reaches the class's through the dictionary."""
    from fakes import FakeGas

    class Ode(mod.CPFRSootOde):
        pass

    class Overriding(mod.CPFRSootOde):
        def __init__(self, phase, extra):
            super().__init__(phase=phase)
            self.extra = extra

        def __call__(self, t, y):
            return ("called", t, super().__call__(t=t, y=y))

    gas = FakeGas()
    assert Ode(phase=gas).gas is gas
    assert str(inspect.signature(Ode)) == "(phase)"
    over = Overriding(gas, 7)
    assert over.gas is gas and over.extra == 7
    with pytest.raises(IndexError):  # the base's evaluation ran on the empty state vector
        over(0.0, [])
    with pytest.raises(TypeError, match="takes exactly 1 positional argument"):
        Ode(gas, gas)


def test_signatures_of_bound_methods(mod):
    soot = mod.CSootModel()
    assert str(inspect.signature(soot.update_gas)) == "(T, P, density, viscosity, mean_MW, X)"
    assert str(inspect.signature(soot.update_solution)) == "(solution, /)"
    assert str(inspect.signature(soot.initialize)) == "()"
    # A documented method keeps its text after the signature.
    assert mod.CSootModel.SSA.__doc__ == "Return soot specific surface area in m2/g"
    assert mod.CSootModel.initialize.__doc__ is None


def test_version_written_at_build_time_is_the_installed_one(run_python):
    """The version the build wrote into the package is the distribution's; without a build, none. Importing
    the package reads no distribution metadata (that took most of the import's time)."""
    import importlib.util
    from importlib import metadata

    import pyrandel
    if importlib.util.find_spec("pyrandel._version") is None:  # run from the sources
        assert pyrandel.__version__ == "0+unknown"
    else:
        assert pyrandel.__version__ == metadata.version("pyrandel")
    proc = run_python("""
        import sys
        before = "importlib.metadata" in sys.modules
        import pyrandel
        print(before, "importlib.metadata" in sys.modules, pyrandel.__version__)
    """)
    assert proc.returncode == 0, proc.stderr
    before, after, version = proc.stdout.split()
    assert after == before and version == pyrandel.__version__


def test_readme_code_type_checks_against_the_stub(tmp_path, monkeypatch):
    """The README's Python blocks, in order, as one script: mypy with the project's settings sees no error."""
    api = pytest.importorskip("mypy.api")
    import pyrandel
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    with open(os.path.join(root, "README.md")) as f:
        blocks = re.findall(r"```python\n(.*?)```", f.read(), re.S)
    script = tmp_path / "readme.py"
    script.write_text("\n".join(blocks))
    # The stub of the package imported here: from the environment for an installed wheel, from the
    # sources otherwise (mypy does not follow an editable install's import hook).
    package_root = os.path.dirname(os.path.dirname(os.path.abspath(pyrandel.__file__)))
    args = [str(script), "--config-file", os.path.join(root, "pyproject.toml"), "--no-incremental",
            "--cache-dir", os.devnull, "--python-executable", sys.executable]
    if "site-packages" in package_root.split(os.sep):
        monkeypatch.delenv("MYPYPATH", raising=False)
    else:
        monkeypatch.setenv("MYPYPATH", package_root)
    out, err, status = api.run(args)
    assert status == 0, out + err
