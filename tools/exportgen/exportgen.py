#!/usr/bin/env python3
"""Reads the exports of include/tbcom.h and writes what is built from them.

The public header is the one list of exports. From its prototypes and doc
comments this writes, into OUTDIR:

  export_table.json  every export: name, family, doc, result and argument
                     kinds (the Python module and the reference pages read it)
  export_impl.h      the internal names of the export bodies (src/api defines
                     tbcom_impl_<Name>)
  export_shim.cpp    the exported functions: each calls its body, and while a
                     protocol trace is on writes the call, its arguments, its
                     result and what it wrote for the host
  export_table.cpp   the C++ export table with one typed caller per export
                     (tbctl and the tests call exports by name through it)

Argument kinds come from the C types, sizes from the doc comment:
  uint8_t u8, int32_t i32, tbcom_handle handle, double, float single,
  const char * text_in, char ** text_out (its doc must state "Longest text:
  N", or begin "As <Export>" naming one with a text out), or, when the doc names elements as "x[0..17]" or "x[1]", an array of
  that many text pointers (text_slots; text_ptr_out for const char **, one
  pointer when the doc names no element),
  int32_t * / double * i32_out / double_out, tbcom_handle * handle_inout,
  const double * / const int32_t * an input array whose highest index is the
  argument named <name>High.
Anything else stops the build with a message that names the export.
"""
import json
import re
import sys

SCALARS = {
    "uint8_t": "u8",
    "int32_t": "i32",
    "tbcom_handle": "handle",
    "double": "double",
    "float": "single",
}
RESULTS = {
    "void": "void",
    "tbcom_bool": "bool",
    "int32_t": "i32",
    "tbcom_handle": "handle",
    "double": "double",
}


class HeaderError(Exception):
    pass


def first_sentence(doc):
    """The doc comment's first sentence, the one-line doc of tbctl list."""
    text = " ".join(doc.split())
    m = re.match(r"(.+?\.)(\s|$)", text)
    return m.group(1) if m else text


def comment_text(block):
    """The text of a /* ... */ block without its comment marks."""
    body = block.strip()
    body = re.sub(r"^/\*+", "", body)
    body = re.sub(r"\*+/$", "", body)
    lines = [re.sub(r"^\s*\*\s?", "", ln) for ln in body.split("\n")]
    return "\n".join(lines).strip()


def element_count(doc, name):
    """The number of elements a doc comment gives `name`: "slots[0..17]" is
    18, "pair[1]" is 2; 0 when the doc names none."""
    top = -1
    for m in re.finditer(re.escape(name) + r"\[(\d+)(?:\.\.(\d+))?\]", doc):
        top = max(top, int(m.group(2) or m.group(1)))
    return top + 1


def inherited_longest(doc, known):
    """ "As Recv645Data, ..." takes the longest text of the export it names."""
    m = re.match(r"As (\w+)\b", doc)
    if not m or m.group(1) not in known:
        return None
    sizes = [a["size"] for a in known[m.group(1)]["args"] if a["kind"] == "text_out"]
    return sizes[0] if len(sizes) == 1 else None


def parse_arg(export, text, doc, names, known):
    text = " ".join(text.split())
    m = re.match(r"^(const\s+)?(\w+)\s*(\*{0,2})\s*(\w+)$", text)
    if not m:
        raise HeaderError(f"{export}: cannot read argument '{text}'")
    const, ctype, stars, name = bool(m.group(1)), m.group(2), m.group(3), m.group(4)
    arg = {"name": name, "ctype": text.rsplit(name, 1)[0].strip(), "dir": "in", "size": 0}
    if not stars:
        if ctype not in SCALARS:
            raise HeaderError(f"{export}: unknown argument type '{ctype}'")
        arg["kind"] = SCALARS[ctype]
    elif ctype == "char" and stars == "*" and const:
        arg["kind"] = "text_in"
    elif ctype == "char" and stars == "**":
        count = element_count(doc, name) or (1 if const else 0)
        if count:
            arg["kind"] = "text_ptr_out" if const else "text_slots"
            arg["size"] = count
            arg["dir"] = "out" if const else "inout"
        else:
            longest = re.search(r"Longest\s+text:\s*(\d+)", doc, re.I)
            size = int(longest.group(1)) if longest else inherited_longest(doc, known)
            if size is None:
                raise HeaderError(f"{export}: text out '{name}' without 'Longest text: N' in its doc")
            arg["kind"] = "text_out"
            arg["size"] = size
            arg["dir"] = "out"
    elif stars == "*" and const and ctype in ("double", "int32_t"):
        high = name + "High"
        if high not in names:
            raise HeaderError(f"{export}: array '{name}' without an argument '{high}'")
        arg["kind"] = "double_array" if ctype == "double" else "i32_array"
        arg["high"] = high
    elif stars == "*" and not const and ctype in ("double", "int32_t"):
        arg["kind"] = "double_out" if ctype == "double" else "i32_out"
        arg["dir"] = "out"
    elif stars == "*" and not const and ctype == "tbcom_handle":
        arg["kind"] = "handle_inout"
        arg["dir"] = "inout"
    else:
        raise HeaderError(f"{export}: unsupported argument type '{text}'")
    return arg


def stack_bytes(args):
    return sum(8 if a["kind"] == "double" else 4 for a in args)


def parse_header(text):
    exports = []
    family, family_doc = "", ""
    families = []
    pending_doc = ""
    known = {}
    pos = 0
    token = re.compile(
        r"(/\*.*?\*/)|(TBCOM_API\s+(\w+)\s+TBCOM_CALL\s+(\w+)\s*\(([^)]*)\)\s*;)|(\n[ \t]*\n)", re.S)
    for m in token.finditer(text):
        if m.group(1):
            body = comment_text(m.group(1))
            title = re.match(r"^-{4}\s*(.+?)\s*-*\s*(?:\n|$)", body)
            if title:
                family = title.group(1).strip()
                family_doc = body[title.end():].strip()
                families.append({"name": family, "doc": family_doc})
                pending_doc = ""
            else:
                pending_doc = body
            pos = m.end()
            continue
        if m.group(6):
            # A blank line ends the doc comment it follows; one standing
            # between a family's title and its first export states the
            # family's conventions.
            if pending_doc and families and not any(e["family"] == family for e in exports):
                families[-1]["doc"] = "\n\n".join(d for d in (families[-1]["doc"], pending_doc) if d)
            pending_doc = ""
            continue
        result, name, arglist = m.group(3), m.group(4), m.group(5)
        between = text[pos:m.start()]
        doc = pending_doc if between.strip() == "" else ""
        pending_doc = ""
        pos = m.end()
        if not family:
            continue
        if result not in RESULTS:
            raise HeaderError(f"{name}: unknown result type '{result}'")
        raw = [a.strip() for a in arglist.split(",")]
        if raw == ["void"] or raw == [""]:
            raw = []
        names = [re.sub(r".*?(\w+)$", r"\1", " ".join(a.split())) for a in raw]
        args = [parse_arg(name, a, doc, names, known) for a in raw]
        exports.append({
            "name": name,
            "family": family,
            "doc": " ".join(doc.split()),
            "summary": first_sentence(doc) if doc else "",
            "result": RESULTS[result],
            "result_ctype": result,
            "args": args,
            "stack_bytes": stack_bytes(args),
        })
        known[name] = exports[-1]
    if not exports:
        raise HeaderError("no exports found")
    seen = set()
    for e in exports:
        if e["name"] in seen:
            raise HeaderError(f"{e['name']}: declared twice")
        seen.add(e["name"])
    return families, exports


def c_string(s):
    out = []
    for ch in s.encode("utf-8"):
        c = chr(ch)
        if c in '"\\':
            out.append("\\" + c)
        elif 32 <= ch < 127 and c != "?":
            out.append(c)
        else:
            out.append("\\%03o" % ch)
    return '"' + "".join(out) + '"'


def params(e):
    return ", ".join(f"{a['ctype']} {a['name']}" for a in e["args"]) or "void"


def call_args(e):
    return ", ".join(a["name"] for a in e["args"])


TRACE_IN = {
    "u8": "u8", "i32": "i32", "handle": "u32", "double": "real", "single": "real",
    "text_in": "text", "text_out": "ref", "text_ptr_out": "ref", "text_slots": "ref",
    "i32_out": "ref", "double_out": "ref", "handle_inout": "handleRef",
}


def write_impl(exports, path):
    lines = [
        "// Generated from include/tbcom.h by tools/exportgen/exportgen.py; do not edit.",
        "// The export bodies in src/api, under internal names: the exported",
        "// functions (export_shim.cpp) call them.",
        "#pragma once",
        '#include "tbcom.h"',
        'extern "C" {',
    ]
    for e in exports:
        lines.append(f"{e['result_ctype']} tbcom_impl_{e['name']}({params(e)});")
    lines.append("}")
    open(path, "w").write("\n".join(lines) + "\n")


def write_shim(exports, path):
    lines = [
        "// Generated from include/tbcom.h by tools/exportgen/exportgen.py; do not edit.",
        "// The exported functions. With the protocol trace off each is one flag",
        "// check and a call of its body; with it on the call is written before and",
        "// after, with what the body wrote for the host.",
        '#include "api/trace_args.h"',
        '#include "export_impl.h"',
        "",
        "using tbcom::api::TraceArgs;",
        "using tbcom::api::TraceEnd;",
        "using tbcom::api::TraceStart;",
        "",
        'extern "C" {',
        "",
    ]
    for e in exports:
        name, args = e["name"], e["args"]
        ret = e["result_ctype"]
        lines.append(f"TBCOM_API {ret} TBCOM_CALL {name}({params(e)}) {{")
        lines.append(f"    if (!tbcom::trace::On()) return tbcom_impl_{name}({call_args(e)});")
        ins = []
        for a in args:
            k, n = a["kind"], a["name"]
            if k in ("double_array", "i32_array"):
                ins.append(f".array({c_string(n)}, {n}, {a['high']})")
            else:
                ins.append(f".{TRACE_IN[k]}({c_string(n)}, {n})")
        fill_in = "t_" + "".join(ins) if ins else "(void)t_"
        for a in args:
            if a["kind"] in ("text_ptr_out", "text_slots"):
                lines.append(f"    const auto {a['name']}_before = tbcom::api::PtrSnapshot<{a['size']}>({a['name']});")
        lines.append(f"    TraceStart({c_string(name)}, [&](TraceArgs& t_) {{ {fill_in}; }});")
        outs = []
        for a in args:
            k, n = a["kind"], a["name"]
            if k == "text_out":
                outs.append(f".textOut({c_string(n)}, {n}, {a['size']})")
            elif k in ("text_ptr_out", "text_slots"):
                outs.append(f".textPtrs({c_string(n)}, {n}, {n}_before)")
            elif k in ("i32_out", "double_out", "handle_inout"):
                outs.append(f".valueOut({c_string(n)}, {n})")
        if e["result"] == "void":
            lines.append(f"    tbcom_impl_{name}({call_args(e)});")
            lines.append(f"    TraceEnd({c_string(name)}, [&](TraceArgs& t_) {{ t_.none(){''.join(outs)}; }});")
        else:
            lines.append(f"    const {ret} r = tbcom_impl_{name}({call_args(e)});")
            lines.append(f"    TraceEnd({c_string(name)}, [&](TraceArgs& t_) {{ t_.result(r){''.join(outs)}; }});")
            lines.append("    return r;")
        lines.append("}")
        lines.append("")
    lines.append("}  // extern \"C\"")
    open(path, "w").write("\n".join(lines) + "\n")


CALL_GETTERS = {
    "u8": "u8", "i32": "i32", "handle": "handle", "double": "real", "single": "single",
    "text_in": "textIn", "text_out": "textOut", "text_ptr_out": "textPtrOut", "text_slots": "textSlots",
    "i32_out": "i32Out", "double_out": "doubleOut", "handle_inout": "handleInOut",
    "double_array": "doubleArray", "i32_array": "i32Array",
}


def camel(kind):
    special = {"i32_out": "I32Out", "handle_inout": "HandleInOut", "i32_array": "I32Array", "u8": "U8", "i32": "I32"}
    return special.get(kind) or "".join(w.capitalize() for w in kind.split("_"))


def write_table(families, exports, path):
    lines = [
        "// Generated from include/tbcom.h by tools/exportgen/exportgen.py; do not edit.",
        '#include "export_table.h"',
        "",
        "namespace tbcom::table {",
        "namespace {",
        "",
    ]
    for e in exports:
        lines.append(f"const Arg kArgs_{e['name']}[] = {{")
        for a in e["args"]:
            lines.append(f"    {{{c_string(a['name'])}, {c_string(a['ctype'])}, Kind::{camel(a['kind'])}, {a['size']}}},")
        if not e["args"]:
            lines.append("    {nullptr, nullptr, Kind::U8, 0},")
        lines.append("};")
        getters = []
        for i, a in enumerate(e["args"]):
            getters.append(f"c.{CALL_GETTERS[a['kind']]}({i})")
        call = f"{e['name']}({', '.join(getters)})"
        lines.append(f"void Invoke_{e['name']}(Call& c) {{")
        if e["result"] == "void":
            lines.append(f"    c.prepare();")
            lines.append(f"    {call};")
            lines.append("    c.finish();")
        else:
            lines.append("    c.prepare();")
            lines.append(f"    const auto r = {call};")
            lines.append("    c.finish(r);")
        lines.append("}")
        lines.append("")
    lines.append("}  // namespace")
    lines.append("")
    lines.append("const Family kFamilies[] = {")
    for f in families:
        lines.append(f"    {{{c_string(f['name'])}, {c_string(' '.join(f['doc'].split()))}}},")
    lines.append("};")
    lines.append("const Export kExports[] = {")
    for e in exports:
        lines.append(
            f"    {{{c_string(e['name'])}, {c_string(e['family'])}, {c_string(e['summary'])}, "
            f"{c_string(e['doc'])}, Result::{camel(e['result'])}, {len(e['args'])}, kArgs_{e['name']}, "
            f"Invoke_{e['name']}}},")
    lines.append("};")
    lines.append("")
    lines.append("std::span<const Export> Exports() { return kExports; }")
    lines.append("std::span<const Family> Families() { return kFamilies; }")
    lines.append("")
    lines.append("}  // namespace tbcom::table")
    open(path, "w").write("\n".join(lines) + "\n")


def main(argv):
    if len(argv) != 3:
        print("usage: exportgen.py HEADER OUTDIR", file=sys.stderr)
        return 2
    header, outdir = argv[1], argv[2]
    try:
        families, exports = parse_header(open(header, encoding="utf-8").read())
    except HeaderError as err:
        print(f"{header}: {err}", file=sys.stderr)
        return 1
    with open(f"{outdir}/export_table.json", "w") as f:
        json.dump({"families": families, "exports": exports}, f, indent=1, ensure_ascii=False)
        f.write("\n")
    write_impl(exports, f"{outdir}/export_impl.h")
    write_shim(exports, f"{outdir}/export_shim.cpp")
    write_table(families, exports, f"{outdir}/export_table.cpp")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
