"""One export added to a copy of the header reaches every generated output:
the export table (tbctl), the Python module and the reference pages; the
pages' check names what is missing and leaves other generators' files alone."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS = os.path.join(ROOT, "tools", "exportgen")
sys.path.insert(0, TOOLS)
import docgen  # noqa: E402

ANCHOR = "TBCOM_API void TBCOM_CALL Set_DoubleARangBL(int32_t value);\n"
ADDED = ("/* The bench's name at `volts` volts. Longest text: 12 characters. */\n"
         "TBCOM_API tbcom_bool TBCOM_CALL Bench_Name(char **name, double volts, uint8_t port);\n")


class AddedExport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="tbcom-gen-")
        original = open(os.path.join(ROOT, "include", "tbcom.h"), encoding="utf-8").read()
        assert ANCHOR in original
        cls.header_text = original.replace(ANCHOR, ANCHOR + ADDED)
        cls.header = os.path.join(cls.tmp, "tbcom.h")
        with open(cls.header, "w", encoding="utf-8") as f:
            f.write(cls.header_text)
        subprocess.run([sys.executable, os.path.join(TOOLS, "exportgen.py"), cls.header, cls.tmp], check=True)
        subprocess.run([sys.executable, os.path.join(TOOLS, "pygen.py"), os.path.join(cls.tmp, "export_table.json"),
                        os.path.join(ROOT, "python", "tbcom"), os.path.join(cls.tmp, "python", "tbcom")], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_export_table_and_tbctl_table(self):
        table = json.load(open(os.path.join(self.tmp, "export_table.json"), encoding="utf-8"))
        added = [e for e in table["exports"] if e["name"] == "Bench_Name"]
        self.assertEqual(len(added), 1)
        self.assertEqual(added[0]["family"], "Frame and state")
        self.assertEqual([(a["kind"], a["size"]) for a in added[0]["args"]], [("text_out", 12), ("double", 0), ("u8", 0)])
        self.assertIn('"Bench_Name"', open(os.path.join(self.tmp, "export_table.cpp")).read())

    def test_python_module(self):
        probe = ("import inspect, tbcom; f = tbcom.Bench_Name; print(inspect.signature(f)); "
                 "print(f.__doc__.split(chr(10))[0]); print(tbcom.Bench_Name_Result._fields)")
        out = subprocess.run([sys.executable, "-c", probe], capture_output=True, text=True, check=True,
                             env=dict(os.environ, PYTHONPATH=os.path.join(self.tmp, "python"))).stdout
        self.assertEqual(out.splitlines(), [
            "(volts, port, *, name='')",
            "The bench's name at `volts` volts. Longest text: 12 characters.",
            "('returned', 'name')"])

    def test_reference_page_and_check(self):
        pages, _ = docgen.pages(self.header_text)
        page = pages["frame-and-state.md"]
        self.assertIn("\n## `Bench_Name`\n", page)
        self.assertIn("tbcom_bool Bench_Name(char **name, double volts, uint8_t port);", page)
        self.assertIn("| `name` | `char **` | out |  | text out: longest text 12 characters (buffer of 13 bytes) |", page)
        self.assertIn("| `volts` | `double` | in | V | number |", page)
        self.assertIn("[`Bench_Name`](frame-and-state.md#bench_name)", pages["README.md"])
        # The committed pages lack it: the check says which page and export.
        problems = docgen.check(self.header_text, os.path.join(ROOT, "docs"))
        self.assertIn("Bench_Name: no entry in frame-and-state.md", problems)
        self.assertIn("frame-and-state.md: differs from what the header gives", problems)
        self.assertEqual(len(problems), 3, problems)  # and the index

    def test_foreign_and_stale_pages(self):
        docs = os.path.join(self.tmp, "docs")
        docgen.write(self.header_text, docs)
        with open(os.path.join(docs, "fault-matrix.md"), "w") as f:
            f.write("# Fault matrix\n")
        with open(os.path.join(docs, "old-family.md"), "w") as f:
            f.write(docgen.MARKER + "\n# Old family\n")
        self.assertEqual(docgen.check(self.header_text, docs),
                         ["old-family.md: page of a family the header no longer has"])
        docgen.write(self.header_text, docs)
        self.assertEqual(docgen.check(self.header_text, docs), [])
        self.assertTrue(os.path.exists(os.path.join(docs, "fault-matrix.md")))
        self.assertFalse(os.path.exists(os.path.join(docs, "old-family.md")))


if __name__ == "__main__":
    unittest.main()
