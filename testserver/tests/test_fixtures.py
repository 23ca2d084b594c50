"""Fixture files: values read by column type, bad fixtures refused with a
clear message, generated rows made the same way by the row-at-a-time and
the block encoders."""
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

import fast_rows  # noqa: E402
import fixtures  # noqa: E402
import tds_tokens as tok  # noqa: E402
from tds_types import wire_for  # noqa: E402

FIXTURE_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fixtures")


def one_table(columns, rows=(), generate=None):
    spec = {"name": "T", "columns": columns, "rows": list(rows)}
    if generate:
        spec["generate"] = generate
    return fixtures.ServerFixture({"databases": [{"name": "D", "tables": [spec]}]}).database("D").tables[0]


class BadFixtures(unittest.TestCase):
    CASES = [
        ([{"name": "a", "type": "int", "nullable": False}], [[None]], "NULL in NOT NULL column T.a"),
        ([{"name": "a", "type": "varchar(3)"}], [["abcd"]], "longer than varchar(3)"),
        ([{"name": "a", "type": "tinyint"}], [[256]], "out of range for tinyint"),
        ([{"name": "a", "type": "int"}], [[1, 2]], "row of T has 2 values for 1 columns"),
        ([{"name": "a", "type": "int"}, {"name": "A", "type": "int"}], [], "two columns of one name"),
        ([{"name": "a", "type": "integer"}], [], "unknown column type"),
    ]

    def test_refused(self):
        for columns, rows, message in self.CASES:
            with self.subTest(message=message):
                with self.assertRaises((ValueError, fixtures.FixtureError)) as cm:
                    one_table(columns, rows)
                self.assertIn(message, str(cm.exception))

    def test_varchar_refuses_text_outside_its_code_page(self):
        with self.assertRaises(UnicodeEncodeError):
            one_table([{"name": "a", "type": "varchar(5)"}], [["Łódź"]])


class Generated(unittest.TestCase):
    COLUMNS = [
        {"name": "ID", "type": "int", "nullable": False},
        {"name": "Code", "type": "char(5)", "nullable": False},
        {"name": "Amount", "type": "decimal(12,2)"},
        {"name": "At", "type": "datetime"},
        {"name": "AtNN", "type": "datetime", "nullable": False},
        {"name": "Note", "type": "nvarchar(20)"},
        {"name": "Big", "type": "bigint"},
        {"name": "Blob", "type": "varbinary(max)"},
        {"name": "When", "type": "datetime2(7)"},
    ]
    GENERATE = {"rows": 2500, "columns": {
        "ID": {"seq": 10, "step": 3}, "Code": {"format": "C{n3:04d}"},
        "Amount": {"cycle": ["1.5", "-2"], "null_every": 3},
        "At": {"date_from": "2004-01-01 10:00:00", "step_minutes": 7, "null_every": 4},
        "AtNN": {"date_from": "1899-12-30 00:00:00", "step_minutes": 1441},
        "Note": {"format": "n{n}", "null_every": 5}, "Big": {"seq": -5}}}

    def test_block_encoding_equals_row_encoding(self):
        table = one_table(self.COLUMNS, generate=self.GENERATE)
        for version in (0x701, 0x702, 0x703, 0x704):
            with self.subTest(version=hex(version)):
                cols = [tok.ResultColumn(c.name, wire_for(c.sql_type, version, c.nullable), c.nullable)
                        for c in table.columns]
                row_bytes = b"".join(tok.row_encoder(cols, 0x702)(r) for r in table.rows())
                blocks = b"".join(b for b, _ in fast_rows.generated_row_blocks(table, [c.wire for c in cols]))
                self.assertEqual(blocks, row_bytes)

    def test_generated_values(self):
        rows = list(one_table(self.COLUMNS, generate=self.GENERATE).rows())
        self.assertEqual(len(rows), 2500)
        self.assertEqual(rows[0][:2], (10, "C0001"))
        self.assertEqual(rows[999][1], "C0000")
        self.assertEqual([r[2] for r in rows[:3]], [1.5, -2, None])
        self.assertIsNone(rows[4][5])


class ShippedFixtures(unittest.TestCase):
    def test_demo_has_what_the_demo_needs(self):
        fx = fixtures.load(os.path.join(FIXTURE_DIR, "demo.json"))
        harbor = fx.database("Harbor")
        names = {(t.owner, t.name) for t in harbor.tables}
        for wanted in [("dbo", "Orders"), ("sales", "Orders"), ("dbo", "a.b"), ("dbo", "[x]"),
                       ("dbo", "Price]List")]:
            self.assertIn(wanted, names)
        self.assertIn(70, {len(n) for _, n in names})
        types = {c.sql_type.name for t in harbor.tables for c in t.columns}
        self.assertTrue({"bit", "tinyint", "smallint", "int", "bigint", "decimal", "numeric", "money",
                         "smallmoney", "real", "float", "datetime", "smalldatetime", "char", "varchar",
                         "text", "nchar", "nvarchar", "ntext", "binary", "varbinary", "image",
                         "uniqueidentifier", "timestamp", "date", "time", "datetime2", "datetimeoffset",
                         "xml"} <= types)
        docs = harbor.find_tables("Documents")[0]
        longest = max(len(v) for r in docs.rows() for v in r if isinstance(v, (str, bytes)))
        self.assertGreater(longest, 2000000)
        self.assertGreater(sum(t.row_count() for t in harbor.tables), 4000)

    def test_bench_fixture_is_a_million_rows_not_held(self):
        with open(os.path.join(FIXTURE_DIR, "bench.json")) as f:
            spec = json.load(f)
        self.assertEqual(spec["databases"][0]["tables"][0]["generate"]["rows"], 1000000)
        self.assertNotIn("rows", spec["databases"][0]["tables"][0])

    def test_unreadable_file_is_a_clear_error(self):
        with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
            f.write("{not json")
        try:
            with self.assertRaises(ValueError):
                fixtures.load(f.name)
        finally:
            os.unlink(f.name)


if __name__ == "__main__":
    unittest.main()
