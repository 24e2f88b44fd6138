"""The .pyi stubs name what the module has: every public class, function, method and property, both ways."""

import ast
import os

import xrddata


def _stub_names():
    tree = ast.parse(open(os.path.join(os.path.dirname(xrddata.__file__), "__init__.pyi")).read())
    names = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members = set()
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    members.add(item.name)
                elif isinstance(item, ast.AnnAssign):
                    members.add(item.target.id)
            names[node.name] = members
        elif isinstance(node, ast.FunctionDef):
            names[node.name] = None
    return names


def test_stubs_match_the_module():
    stubs = _stub_names()
    assert set(stubs) == set(xrddata.__all__)
    for name, members in stubs.items():
        if members is None or name == "FormatError":
            continue
        cls = getattr(xrddata, name)
        public = {m for m in vars(cls) if not m.startswith("_")} | ({"__init__"} & set(vars(cls)))
        stubbed = {m for m in members if not m.startswith("_") or m == "__init__"}
        if "__init__" not in stubbed:
            public.discard("__init__")
        assert stubbed == public, name
