#!/usr/bin/env python3
"""Writes the reference pages of the exports from include/tbcom.h.

  docgen.py HEADER DOCS_DIR           writes DOCS_DIR/README.md (the index)
                                      and one page per export family
  docgen.py --check HEADER DOCS_DIR   writes them into a temporary folder and
                                      fails when a page in DOCS_DIR differs,
                                      is missing, is left over from a family
                                      that no longer exists, or lacks the
                                      entry of an export

The header is read with exportgen's parser, so the pages list exactly the
exports that the library, tbctl and the Python module have. Pages carry a
marker line; files in DOCS_DIR without it belong to other generators or to
people and are left alone.
"""
import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exportgen  # noqa: E402

MARKER = "<!-- Generated from include/tbcom.h by tools/exportgen/docgen.py; do not edit. -->"

KIND_NOTES = {
    "u8": "byte (passed in a 32-bit slot)",
    "i32": "32-bit integer",
    "handle": "port handle (32-bit, 0 = closed)",
    "double": "number",
    "single": "number (float)",
    "text_in": "text in (NULL reads as empty)",
    "i32_out": "32-bit integer written by the call",
    "double_out": "double written by the call",
    "handle_inout": "port handle, read and written by the call",
}
UNITS = {"volts": "V", "amperes": "A", "hertz": "Hz", "hz": "Hz", "kilohertz": "kHz", "khz": "kHz",
         "seconds": "s", "milliseconds": "ms", "ms": "ms", "degrees": "degrees", "percent": "%"}
UNIT_AFTER_NAME = r"(?:\s+in)?\s+(volts|amperes|Hz|kHz|seconds|ms|milliseconds|degrees|percent)\b"


def slug(name):
    return re.sub(r"[^a-z0-9]+", "-", name.lower()).strip("-")


def anchor(export_name):
    """GitHub's anchor of the heading "## `Name`"."""
    return export_name.lower()


def escape(text):
    """Markdown-safe prose; `code spans` are kept as they are."""
    parts = re.split(r"(`[^`]*`)", text)
    for i in range(0, len(parts), 2):
        p = parts[i].replace("\\", "\\\\").replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
        p = re.sub(r"(?<![A-Za-z0-9])_|_(?![A-Za-z0-9])", r"\\_", p)  # intraword _ is literal
        parts[i] = re.sub(r"([*\[\]|])", r"\\\1", p)
    return "".join(parts)


def paragraphs(text):
    return [" ".join(p.split()) for p in re.split(r"\n\s*\n", text) if p.strip()]


def prototype(e):
    def param(a):
        sep = "" if a["ctype"].endswith("*") else " "
        return a["ctype"] + sep + a["name"]
    args = ", ".join(param(a) for a in e["args"]) or "void"
    return f"{e['result_ctype']} {e['name']}({args});"


def unit_of(arg, doc):
    """A unit the argument's name or the doc states for it, else ""."""
    if arg["kind"] not in ("double", "single", "i32", "u8"):
        return ""
    if arg["name"].lower() in UNITS:
        return UNITS[arg["name"].lower()]
    # "`frequency` Hz", "phase in degrees", "t1 and t2 in seconds"
    others = r"(?:(?:,|\s+and)\s+`?\w+`?){0,2}"
    m = re.search(r"(?<![\w.])`?" + re.escape(arg["name"]) + r"`?" + others + UNIT_AFTER_NAME, doc)
    return UNITS.get(m.group(1).lower(), m.group(1)) if m else ""


def arg_note(a, e):
    kind, size = a["kind"], a["size"]
    if kind == "text_out":
        return f"text out: longest text {size} characters (buffer of {size + 1} bytes)"
    if kind == "text_ptr_out":
        return f"receives {size} pointer{'s' if size > 1 else ''} to texts of the library"
    if kind == "text_slots":
        return f"{size} slots the library fills with pointers to buffers of its own"
    if kind in ("double_array", "i32_array"):
        return f"array of {'double' if kind == 'double_array' else 'int32_t'}, highest index in `{a['high']}`"
    return KIND_NOTES[kind]


def result_text(e, family_doc):
    """The result's C type and its codes: those the doc states ("1 = done,
    0 = failure"), else a family's rule ("Adjust_* return ..."), else the
    header's conventions."""
    r = e["result"]
    if r == "void":
        return "none (`void`)."
    if r == "handle":
        return "`tbcom_handle`: a port handle, 0 = closed."
    if r == "bool":
        return "`tbcom_bool`: 1 = success, 0 = failure."
    codes = re.findall(r"(?<![\w.])(-?\d+) = ([^,;.()]+)", e["doc"])
    if r == "i32" and len(codes) >= 2:
        return "`int32_t`: " + ", ".join(f"{c} = {escape(m.strip())}" for c, m in codes) + "."
    for prefix, rule in re.findall(r"(\w+_)\* returns? ([^.]+)\.", " ".join(family_doc.split())):
        if e["name"].startswith(prefix):
            return f"`{e['result_ctype']}`: {escape(rule)}."
    if r == "i32" and e["name"].endswith("_gFun"):
        return "`int32_t`: -1 = success, 2 = failure (the \"\\_gFun\" convention)."
    return f"`{e['result_ctype']}`: the value described above."


def export_entry(e, family_doc):
    lines = [f"## `{e['name']}`", "", "```c", prototype(e), "```", ""]
    lines += [escape(p) + "\n" for p in paragraphs(e["doc"]) or ["(No description in the header.)"]]
    if e["args"]:
        lines += ["| argument | C type | direction | unit | what it is |", "|---|---|---|---|---|"]
        for a in e["args"]:
            unit = unit_of(a, e["doc"])
            lines.append(f"| `{a['name']}` | `{a['ctype']}` | {a['dir']} | {unit} | {arg_note(a, e)} |")
        lines.append("")
    lines += [f"Result: {result_text(e, family_doc)}", ""]
    return lines


def family_page(family, exports):
    lines = [MARKER, "", f"# {family['name']}", "", "[All families](README.md)", ""]
    if family["doc"].strip():
        lines += ["## Conventions of this family", ""]
        lines += [escape(p) + "\n" for p in paragraphs(family["doc"])]
    lines += ["The [library-wide conventions](README.md#conventions) hold as well.", ""]
    lines += ["| export | summary |", "|---|---|"]
    lines += [f"| [`{e['name']}`](#{anchor(e['name'])}) | {escape(e['summary'])} |" for e in exports]
    lines.append("")
    for e in exports:
        lines += export_entry(e, family["doc"])
    return "\n".join(lines).rstrip() + "\n"


def opening_comment(header_text):
    """The header's first comment as Markdown: its lead paragraph, then its
    "- " items as a list."""
    m = re.match(r"\s*(/\*.*?\*/)", header_text, re.S)
    text = exportgen.comment_text(m.group(1)) if m else ""
    lead, items = [], []
    for line in text.split("\n"):
        stripped = line.strip()
        if stripped.startswith("- "):
            items.append(stripped[2:])
        elif stripped and items:
            items[-1] += " " + stripped
        elif stripped:
            lead.append(stripped)
    lines = [escape(" ".join(lead)), ""] if lead else []
    return lines + ["- " + escape(" ".join(i.split())) for i in items]


def index_page(header_text, families, exports):
    lines = [MARKER, "", "# tbcom reference", "",
             "One page per family of exports, generated from the doc comments of `include/tbcom.h`. Every",
             "function is declared `TBCOM_API <result> TBCOM_CALL <name>(...)`: `__stdcall` on 32-bit",
             "Windows, the platform's C convention elsewhere.", "",
             "| family | exports |", "|---|---|"]
    for f in families:
        count = sum(1 for e in exports if e["family"] == f["name"])
        lines.append(f"| [{escape(f['name'])}]({slug(f['name'])}.md) | {count} |")
    lines += ["", "## Conventions", ""]
    lines += opening_comment(header_text)
    lines += ["", "## All exports", ""]
    for e in sorted(exports, key=lambda e: e["name"].lower()):
        lines.append(f"- [`{e['name']}`]({slug(e['family'])}.md#{anchor(e['name'])}): {escape(e['summary'])}")
    return "\n".join(lines).rstrip() + "\n"


def pages(header_text):
    """File name -> text of every page."""
    families, exports = exportgen.parse_header(header_text)
    out = {"README.md": index_page(header_text, families, exports)}
    for f in families:
        out[slug(f["name"]) + ".md"] = family_page(f, [e for e in exports if e["family"] == f["name"]])
    return out, exports


def generated_here(path):
    with open(path, encoding="utf-8") as f:
        return f.readline().rstrip("\n") == MARKER


def stale_pages(docs, current):
    return sorted(n for n in os.listdir(docs)
                  if n.endswith(".md") and n not in current and generated_here(os.path.join(docs, n)))


def write(header_text, docs):
    out, _ = pages(header_text)
    os.makedirs(docs, exist_ok=True)
    for name in stale_pages(docs, out):
        os.remove(os.path.join(docs, name))
    for name, text in out.items():
        with open(os.path.join(docs, name), "w", encoding="utf-8") as f:
            f.write(text)


def check(header_text, docs):
    """Problems of the committed pages, one line each (none: up to date)."""
    out, exports = pages(header_text)
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        write(header_text, tmp)
        for name in sorted(out):
            committed = os.path.join(docs, name)
            if not os.path.exists(committed):
                problems.append(f"{name}: missing")
                continue
            with open(committed, encoding="utf-8") as a, open(os.path.join(tmp, name), encoding="utf-8") as b:
                if a.read() != b.read():
                    problems.append(f"{name}: differs from what the header gives")
    if os.path.isdir(docs):
        problems += [f"{name}: page of a family the header no longer has" for name in stale_pages(docs, out)]
    for e in exports:
        page = os.path.join(docs, slug(e["family"]) + ".md")
        text = ""
        if os.path.exists(page):
            with open(page, encoding="utf-8") as f:
                text = f.read()
        if f"\n## `{e['name']}`\n" not in text:
            problems.append(f"{e['name']}: no entry in {slug(e['family'])}.md")
    return problems


def main(argv):
    args = argv[1:]
    checking = args[:1] == ["--check"]
    if checking:
        args = args[1:]
    if len(args) != 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    header, docs = args
    text = open(header, encoding="utf-8").read()
    try:
        if not checking:
            write(text, docs)
            return 0
        problems = check(text, docs)
    except exportgen.HeaderError as err:
        print(f"{header}: {err}", file=sys.stderr)
        return 1
    for p in problems:
        print(f"{docs}/{p}", file=sys.stderr)
    if problems:
        print("regenerate with: python3 tools/exportgen/docgen.py include/tbcom.h docs", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
