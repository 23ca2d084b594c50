"""Whole conversions by the built QUILLAGENT from the TDS test server, each
written file read back by jetcheck --strict, mdbtools and mdb-reader."""
import glob
import json
import os
import shutil
import tempfile
import unittest

from e2e_support import (SHARED_DIR, TestServer, jetcheck_strict, load_fixture, mdb_export, mdb_reader,
                         mdb_tables, run_agent, tool)
from e2e_values import expected, from_export, from_reader, same

# Where each Harbor table lands: Access refuses some names, and the second
# Orders (sales.Orders) takes the next free name.
HARBOR_DESTINATIONS = {
    ("dbo", "Orders"): "Orders",
    ("sales", "Orders"): "Orders_",
    ("dbo", "Price]List"): "Price_List",
    ("dbo", "[x]"): "_x_",
    ("dbo", "a.b"): "a_b",
    ("dbo", "Quarterly_Regional_Sales_Figures_By_Product_Category_And_Channel_2004x"):
        "Quarterly_Regional_Sales_Figures_By_Product_Category_And_Channel",
}
FORMATS = {"0": "JET3", "1": "JET4"}
server = None


def setUpModule():
    global server
    server = TestServer("demo.json")


def tearDownModule():
    server.stop()


class Workspace(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="e2e-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def convert(self, name, *options, **login):
        return run_agent(server.port, self.path(name), *options, **login)

    def assert_sound(self, path):
        code, output = jetcheck_strict(path)
        self.assertEqual(code, 0, output)

    def counts(self, path):
        return {t: int(tool("mdb-count", path, t)) for t in mdb_tables(path)}


class HarborConversion(Workspace):
    """The whole demo database, in both formats, every value compared."""

    @classmethod
    def setUpClass(cls):
        cls.fixture = load_fixture("demo.json").database("Harbor")
        cls.top = tempfile.mkdtemp(prefix="e2e-harbor-")
        cls.results = {}
        for acc_ver in FORMATS:
            dest = os.path.join(cls.top, "harbor%s.mdb" % acc_ver)
            cls.results[acc_ver] = (dest,) + run_agent(server.port, dest, "--acc_ver=" + acc_ver)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.top, ignore_errors=True)

    def destination(self, table):
        return HARBOR_DESTINATIONS.get((table.owner, table.name), table.name)

    def test_console_lines_and_exit_code(self):
        for acc_ver, (dest, code, out, err) in self.results.items():
            with self.subTest(acc_ver=acc_ver):
                self.assertEqual(code, 0, out + err)
                lines = out.splitlines()
                self.assertEqual(lines[0], "Converting database Harbor (12 tables)")
                for table in self.fixture.tables:
                    if table.name == "Events":
                        continue  # test_every_table_is_written names it
                    self.assertIn("Converting table %s (%d records)" % (table.name, table.row_count()), lines)
                self.assertEqual(err, "")

    def test_files_are_sound_for_every_checker(self):
        for acc_ver, (dest, *_) in self.results.items():
            with self.subTest(acc_ver=acc_ver):
                self.assert_sound(dest)
                self.assertEqual(tool("mdb-ver", dest).strip(), FORMATS[acc_ver])
                schema = tool("mdb-schema", "--indexes", dest, "mysql")
                self.assertIn("ADD PRIMARY KEY (`CustomerID`)", schema)
                self.assertIn("ADD UNIQUE INDEX `UX_Customers_Code` (`Code`)", schema)
                self.assertIn("Required: yes", tool("mdb-prop", dest, "Customers"))

    def test_every_value_reads_back_through_both_readers(self):
        for acc_ver, (dest, *_) in self.results.items():
            written = set(mdb_tables(dest))
            read = mdb_reader(dest)
            for table in self.fixture.tables:
                name = self.destination(table)
                if name not in written:
                    continue  # test_every_table_is_written names it
                with self.subTest(acc_ver=acc_ver, table=name):
                    kinds = [c["type"] for c in read[name]["columns"]]
                    self.assertEqual(len(kinds), len(table.columns))
                    jet3 = acc_ver == "0"
                    want = [[expected(k, v, jet3) for k, v in zip(kinds, row)] for row in table.rows()]
                    by_reader = [[from_reader(k, v) for k, v in zip(kinds, row)] for row in read[name]["rows"]]
                    by_export = [[from_export(k, v) for k, v in zip(kinds, row)] for row in mdb_export(dest, name)]
                    for reader, rows in (("mdb-reader", by_reader), ("mdb-export", by_export)):
                        self.assertEqual(len(rows), len(want), reader)
                        for number, (w, g) in enumerate(zip(want, rows), 1):
                            bad = [(c.name, x, y) for c, k, x, y in zip(table.columns, kinds, w, g) if not same(k, x, y, reader == "mdb-export")]
                            self.assertEqual(bad, [], "%s, row %d" % (reader, number))

    def test_long_values_over_two_million_bytes_arrive_whole(self):
        for acc_ver, (dest, *_) in self.results.items():
            with self.subTest(acc_ver=acc_ver):
                documents = mdb_reader(dest)["Documents"]
                longest = max(len(v) // 2 if c["type"] == "ole" else len(v.encode("utf-8"))
                              for row in documents["rows"] for c, v in zip(documents["columns"], row)
                              if isinstance(v, str))
                self.assertGreater(longest, 2_000_000)

    def test_every_table_is_written(self):
        for acc_ver, (dest, code, out, err) in self.results.items():
            with self.subTest(acc_ver=acc_ver):
                self.assertNotIn("Error:", out)
                self.assertEqual(sorted(mdb_tables(dest)), sorted(self.destination(t) for t in self.fixture.tables))


class Options(Workspace):
    def test_table_definitions_only(self):
        code, out, err = self.convert("defs.mdb", "--acc_ver=1", "--tab_def")
        self.assertEqual(code, 0, out + err)
        self.assert_sound(self.path("defs.mdb"))
        counts = self.counts(self.path("defs.mdb"))
        self.assertIn("Customers", counts)
        self.assertEqual(set(counts.values()), {0})
        self.assertIn("Converting table Customers (200 records)", out)

    def test_skipped_indexes(self):
        for acc_ver in FORMATS:
            with self.subTest(acc_ver=acc_ver):
                dest = self.path("noidx%s.mdb" % acc_ver)
                code, out, err = run_agent(server.port, dest, "--acc_ver=" + acc_ver, "--skip_idx")
                self.assertEqual(code, 0, out + err)
                self.assert_sound(dest)
                self.assertNotIn("ADD ", tool("mdb-schema", "--indexes", dest, "mysql"))
                self.assertEqual(self.counts(dest)["Orders"], 1000)

    def test_table_file_with_a_table_the_source_lacks(self):
        listing = self.path("tables.txt")
        with open(listing, "w") as f:
            f.write("Customers\n\nNope\n")
        code, out, err = self.convert("some.mdb", "--acc_ver=0", "--tab_file=" + listing)
        self.assertEqual(code, 0, out + err)
        self.assertEqual(out, "Converting database Harbor (2 tables)\nConverting table Customers (200 records)\n")
        self.assertEqual(err, "Table Nope not exists\n")
        self.assertEqual(self.counts(self.path("some.mdb")), {"Customers": 200})
        self.assert_sound(self.path("some.mdb"))


class Failures(Workspace):
    def assert_nothing_written(self, name):
        self.assertFalse(os.path.exists(self.path(name)))

    def test_refused_login(self):
        code, out, err = self.convert("x.mdb", "--acc_ver=1", password="wrong")
        self.assertEqual((code, out), (255, "Error:\nInvalid user name or password.\n"))
        self.assert_nothing_written("x.mdb")

    def test_unreachable_server(self):
        code, out, err = run_agent(1, self.path("x.mdb"), "--acc_ver=1")
        self.assertEqual(code, 255)
        self.assertTrue(out.startswith("Error:\n") and len(out.splitlines()) == 2, out)
        self.assert_nothing_written("x.mdb")

    def test_missing_source_database(self):
        code, out, err = self.convert("x.mdb", "--acc_ver=1", src="Nope")
        self.assertEqual((code, out, err), (255, "", "Database 'Nope' does not exist\n"))
        self.assert_nothing_written("x.mdb")

    def test_record_too_large(self):
        wide = {"owner": "dbo", "name": "Wide",
                "columns": [{"name": "ID", "type": "int", "nullable": False}] +
                           [{"name": "T%02d" % i, "type": "nvarchar(255)"} for i in range(20)],
                "primary_key": {"name": "PK_Wide", "columns": ["ID"]},
                "rows": [[1] + ["\u0416" * 250] * 20, [2] + ["ok"] * 20]}
        spec = {"server": {"logins": {"quill": "Secret-1"}}, "databases": [{"name": "Wide", "tables": [wide]}]}
        fixture = self.path("wide.json")
        with open(fixture, "w", encoding="utf-8") as f:
            json.dump(spec, f)
        wide_server = TestServer(fixture)
        self.addCleanup(wide_server.stop)
        for acc_ver in FORMATS:
            with self.subTest(acc_ver=acc_ver):
                dest = self.path("wide%s.mdb" % acc_ver)
                code, out, err = run_agent(wide_server.port, dest, "--acc_ver=" + acc_ver, src="Wide")
                self.assertEqual(code, 0, out + err)
                lines = out.splitlines()
                self.assertEqual(lines[:3], ["Converting database Wide (1 tables)",
                                             "Converting table Wide (2 records)", "Error:"])
                self.assertTrue(lines[3].startswith("Wide, record #1: Record is too large."), lines[3])
                self.assertEqual(len(lines), 4)
                self.assert_sound(dest)
                rows = mdb_export(dest, "Wide")
                self.assertEqual([r[0] for r in rows], ["1", "2"])
                self.assertEqual(rows[1][1:], ["ok"] * 20)


class ExistingFiles(Workspace):
    """Modes 1 to 3 open an existing file for writing; mode 0 replaces it."""

    def prepare(self, name, acc_ver, *options):
        listing = self.path("first.txt")
        with open(listing, "w") as f:
            f.write("Customers\nProducts\n")
        code, out, err = self.convert(name, "--acc_ver=" + acc_ver, "--tab_file=" + listing, *options)
        self.assertEqual(code, 0, out + err)

    def again(self, name, mode, tables, acc_ver="1"):
        listing = self.path("again.txt")
        with open(listing, "w") as f:
            f.write("\n".join(tables) + "\n")
        result = self.convert(name, "--acc_ver=" + acc_ver, "--mode=%d" % mode, "--tab_file=" + listing)
        for missing in ("not supported", "does not support this operation"):
            if missing in result[1]:
                self.skipTest("the engine cannot yet do this to an existing file: " + result[1].strip())
        return result

    def test_each_mode_on_a_file_we_wrote(self):
        for acc_ver in FORMATS:
            for mode, want in ((0, {"Orders": 1000}),
                               (1, {"Customers": 0, "Products": 120, "Orders": 1000}),
                               (2, {"Customers": 0, "Products": 0, "Orders": 1000}),
                               (3, {"Customers": 0, "Products": 120, "Orders": 1000})):
                with self.subTest(acc_ver=acc_ver, mode=mode):
                    name = "m%d_%s.mdb" % (mode, acc_ver)
                    self.prepare(name, acc_ver, "--tab_def")
                    other = "0" if acc_ver == "1" else "1"  # the file's own format wins
                    code, out, err = self.again(name, mode, ["Products", "Orders"] if mode else ["Orders"], other)
                    self.assertEqual((code, err), (0, ""), out)
                    self.assertNotIn("Error:", out)
                    self.assertEqual(self.counts(self.path(name)), want)
                    expected_ver = FORMATS[other] if mode == 0 else FORMATS[acc_ver]
                    self.assertEqual(tool("mdb-ver", self.path(name)).strip(), expected_ver)
                    self.assert_sound(self.path(name))

    def test_merge_reports_each_duplicate_key_and_goes_on(self):
        self.prepare("dup.mdb", "1")
        code, out, err = self.again("dup.mdb", 3, ["Customers", "Orders"])
        self.assertEqual(code, 0, out + err)
        lines = out.splitlines()
        self.assertEqual(lines[:3], ["Converting database Harbor (2 tables)", "Converting table Customers (200 records)",
                                     "Error:"])
        self.assertEqual(lines[3], "Customers, record #1: Duplicate field values being used for an unique index "
                                   "were found. See 'Troubleshooting' article of the product documentation for "
                                   "solution.")
        self.assertEqual(lines.count("Error:"), 200)
        self.assertEqual(lines[-1], "Converting table Orders (1000 records)")
        self.assertEqual(self.counts(self.path("dup.mdb")), {"Customers": 200, "Products": 120, "Orders": 1000})
        self.assert_sound(self.path("dup.mdb"))

    def test_files_access_made(self):
        samples = sorted(glob.glob(os.path.join(SHARED_DIR, "jet-reference", "samples", "*", "test*.mdb")))
        if not samples:
            self.skipTest("no Access-made samples beside the project")
        for sample in samples:
            for mode in (1, 2, 3):
                with self.subTest(sample=os.path.basename(sample), mode=mode):
                    name = "copy%d.mdb" % mode
                    shutil.copy(sample, self.path(name))
                    before = self.counts(self.path(name))
                    strict = jetcheck_strict(sample)[0] == 0  # some Access files leave pages unreclaimed
                    code, out, err = self.again(name, mode, ["Customers"])
                    self.assertEqual((code, err), (0, ""), out)
                    self.assertNotIn("Error:", out)
                    after = self.counts(self.path(name))
                    self.assertEqual(after, dict(before, Customers=200))
                    self.assertEqual(tool("mdb-ver", self.path(name)), tool("mdb-ver", sample))
                    code, output = jetcheck_strict(self.path(name), strict)
                    self.assertEqual(code, 0, output)
                    mdb_reader(self.path(name))


if __name__ == "__main__":
    unittest.main()
