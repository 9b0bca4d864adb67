#!/usr/bin/env python3
"""Builds the importable Python package from the export table.

  pygen.py EXPORT_TABLE_JSON SOURCE_PACKAGE_DIR OUT_PACKAGE_DIR

Copies the hand-written package files (python/tbcom/*.py) into
OUT_PACKAGE_DIR and writes _exports.py beside them: the export table as data
and one function per export, with the header's argument names and doc, that
hands its arguments to _runtime.call. The calling rules are in
python/tbcom/__init__.py; this file only spells them out per export.
"""
import glob
import json
import os
import pprint
import shutil
import sys
import textwrap

PY_TYPES = {
    "u8": "int", "i32": "int", "handle": "int", "double": "float", "single": "float",
    "text_in": "str", "text_out": "str", "i32_out": "int", "double_out": "float",
    "handle_inout": "int", "double_array": "sequence of float", "i32_array": "sequence of int",
    "text_slots": "TextSlots",
}
RESULT_TYPES = {"void": "None", "bool": "bool", "i32": "int", "handle": "int", "double": "float"}


def high_args(export):
    """Names of the arguments that hold an array's highest index."""
    return {a["high"] for a in export["args"] if a.get("high")}


def parameters(export):
    """The Python signature: the inputs in header order, then the text-out
    buffers' initial contents as keywords."""
    highs = high_args(export)
    ins = [a["name"] for a in export["args"]
           if a["dir"] in ("in", "inout") and a["name"] not in highs]
    outs = [a["name"] for a in export["args"] if a["kind"] == "text_out"]
    return ins + (["*"] + [f'{n}=""' for n in outs] if outs else [])


def outputs(export):
    return [a for a in export["args"] if a["dir"] in ("out", "inout")]


def output_type(a):
    if a["kind"] == "text_ptr_out":
        texts = "str" if a["size"] == 1 else f"tuple of {a['size']} str"
        return texts + " (None where the library wrote no pointer)"
    if a["kind"] == "text_out":
        return f"str, at most {a['size']} characters"
    return PY_TYPES[a["kind"]]


def docstring(export):
    body = textwrap.fill(export["doc"] or "(No description in the header.)", 76)
    highs = high_args(export)
    ins = [f"{a['name']}: {PY_TYPES.get(a['kind'], a['kind'])}" for a in export["args"]
           if a["dir"] in ("in", "inout") and a["name"] not in highs]
    lines = [body, "", "Inputs: " + (", ".join(ins) if ins else "none") + "."]
    result = RESULT_TYPES[export["result"]]
    outs = outputs(export)
    if outs:
        fields = [f"returned: {result}"] + [f"{a['name']}: {output_type(a)}" for a in outs]
        lines.append(f"Returns {export['name']}_Result(" + ", ".join(fields) + ").")
    else:
        lines.append(f"Returns {result}.")
    text = "\n".join(lines).replace("\\", "\\\\").replace('"""', '\\"\\"\\"')
    return textwrap.indent(f'"""{text}\n"""', "    ")


def wrapper(index, export):
    name = export["name"]
    lines = []
    result_type = "None"
    if outputs(export):
        result_type = f"{name}_Result"
        fields = ["returned"] + [a["name"] for a in outputs(export)]
        lines.append(f"{result_type} = _namedtuple({result_type!r}, {fields!r})")
        lines.append("")
        lines.append("")
    lines.append(f"def {name}({', '.join(parameters(export))}):")
    lines.append(docstring(export))
    lines.append(f"    return _runtime.call(EXPORTS, EXPORTS[{index}], {result_type}, locals())")
    return "\n".join(lines)


def public_names(exports):
    """Every function and every result type of the module."""
    names = []
    for e in exports:
        names += [e["name"]] + ([e["name"] + "_Result"] if outputs(e) else [])
    return names


def module_text(table):
    exports = table["exports"]
    parts = [
        "# Generated from include/tbcom.h (through export_table.json) by",
        "# tools/exportgen/pygen.py; do not edit.",
        "from collections import namedtuple as _namedtuple",
        "",
        "from . import _runtime",
        "",
        "FAMILIES = " + pprint.pformat(table["families"], width=110, sort_dicts=False),
        "",
        "EXPORTS = " + pprint.pformat(exports, width=110, sort_dicts=False),
        "",
        "__all__ = " + pprint.pformat(public_names(exports), width=110, compact=True),
    ]
    text = "\n".join(parts) + "\n"
    for i, e in enumerate(exports):
        text += "\n\n" + wrapper(i, e) + "\n"
    return text


def main(argv):
    if len(argv) != 4:
        print("usage: pygen.py EXPORT_TABLE_JSON SOURCE_PACKAGE_DIR OUT_PACKAGE_DIR", file=sys.stderr)
        return 2
    table_path, source, out = argv[1:]
    with open(table_path, encoding="utf-8") as f:
        table = json.load(f)
    os.makedirs(out, exist_ok=True)
    for path in glob.glob(os.path.join(source, "*.py")):
        shutil.copyfile(path, os.path.join(out, os.path.basename(path)))
    text = module_text(table)
    compile(text, "_exports.py", "exec")  # a broken module fails the build, not the import
    with open(os.path.join(out, "_exports.py"), "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
