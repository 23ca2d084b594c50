"""The catalog procedures' answers: which tables a name or pattern reaches,
row layouts and order, and SQL Server's errors for bad arguments."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

import catalog_procs  # noqa: E402
from fixtures import ServerFixture  # noqa: E402
from sql_lexer import SqlError  # noqa: E402


def table(owner, name, pk=None, indexes=(), rows=()):
    return {"owner": owner, "name": name,
            "columns": [{"name": "ID", "type": "int", "nullable": False, "identity": True},
                        {"name": "Code", "type": "char(1)", "default": "('Y')"},
                        {"name": "Ref", "type": "int"}],
            "primary_key": pk, "indexes": list(indexes), "rows": list(rows)}


FIXTURE = ServerFixture({"databases": [{"name": "Cat", "tables": [
    table("dbo", "Orders", pk={"name": "PK_Orders", "columns": ["Ref", "ID"]},
          indexes=[{"name": "IX_b", "columns": ["Code"]}, {"name": "UX_a", "columns": ["Code", "Ref"],
                                                            "unique": True}],
          rows=[[1, "a", 2], [2, "b", 3]]),
    table("sales", "Orders"), table("sales", "Only"), table("dbo", "a_b"), table("dbo", "axb"),
    table("dbo", "[x]"), table("dbo", "x")]}]})


class Session:
    fixture = FIXTURE
    version = 0x704


def call(proc, *args, **named):
    p = catalog_procs.find(proc)
    bound = p.bind([(None, a) for a in args] + [("@" + k, v) for k, v in named.items()])
    return p.run(Session(), FIXTURE.database("Cat"), bound)


def tables_reached(proc, *args, **named):
    (_, rows), = call(proc, *args, **named)
    return sorted({(r[1], r[2]) for r in rows})


class ColumnsLookup(unittest.TestCase):
    CASES = [
        # arguments, tables whose columns come back
        ({"table_name": "Orders"}, [("dbo", "Orders")]),
        ({"table_name": "orders", "table_owner": "sales"}, [("sales", "Orders")]),
        ({"table_name": "Orders", "table_owner": "%"}, [("dbo", "Orders"), ("sales", "Orders")]),
        ({"table_name": "Only"}, [("sales", "Only")]),          # no dbo table: the pattern reaches it
        ({"table_name": "a_b"}, [("dbo", "a_b"), ("dbo", "axb")]),
        ({"table_name": "a[_]b"}, [("dbo", "a_b")]),
        ({"table_name": "[x]"}, [("dbo", "x")]),
        ({"table_name": "[[]x]"}, [("dbo", "[x]")]),
        ({"table_name": "Nope"}, []),
    ]

    def test_which_tables(self):
        for named, expected in self.CASES:
            with self.subTest(**named):
                self.assertEqual(tables_reached("sp_columns", **named), expected)

    def test_row_layout(self):
        (cols, rows), = call("sp_columns", "Orders", ODBCVer=3)
        self.assertEqual([c[0] for c in cols][:6], ["TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME",
                                                    "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME"])
        self.assertEqual(len(cols), 19)
        self.assertEqual([(r[3], r[5], r[12], r[16], r[17]) for r in rows],
                         [("ID", "int identity", None, 1, "NO"), ("Code", "char", "('Y')", 2, "YES"),
                          ("Ref", "int", None, 3, "YES")])

    def test_column_pattern(self):
        (_, rows), = call("sp_columns", "Orders", column_name="%e%")
        self.assertEqual([r[3] for r in rows], ["Code", "Ref"])


class KeysAndIndexes(unittest.TestCase):
    def test_primary_key_columns_in_key_order(self):
        (_, rows), = call("sp_pkeys", "Orders")
        self.assertEqual([(r[3], r[4], r[5]) for r in rows], [("Ref", 1, "PK_Orders"), ("ID", 2, "PK_Orders")])
        self.assertEqual(call("sp_pkeys", "Orders", "sales")[0][1], [])

    def test_statistics_order(self):
        (_, rows), = call("sp_statistics", "Orders")
        self.assertEqual([(r[3], r[5], r[6], r[7], r[8]) for r in rows], [
            (None, None, 0, None, None),
            (0, "PK_Orders", 1, 1, "Ref"), (0, "PK_Orders", 1, 2, "ID"),
            (0, "UX_a", 3, 1, "Code"), (0, "UX_a", 3, 2, "Ref"),
            (1, "IX_b", 3, 1, "Code")])
        (_, unique), = call("sp_statistics", "Orders", is_unique="Y")
        self.assertNotIn("IX_b", [r[5] for r in unique])

    def test_tables_and_databases(self):
        self.assertEqual(len(tables_reached("sp_tables", table_type="'TABLE'")), 7)
        self.assertEqual(tables_reached("sp_tables", "Orders", "sales"), [("sales", "Orders")])
        (_, rows), = call("sp_tables")
        self.assertEqual(sorted({r[3] for r in rows}), ["SYSTEM TABLE", "TABLE", "VIEW"])
        self.assertEqual(rows[0][2:4], ("syscolumns", "SYSTEM TABLE"))     # ordered by type first
        self.assertIn(("INFORMATION_SCHEMA", "TABLES"), tables_reached("sp_tables", table_type="'VIEW'"))
        self.assertEqual(tables_reached("sp_tables", "sys%", table_type="'TABLE'"), [])
        (_, rows), = call("sp_databases")
        self.assertEqual([r[0] for r in rows], ["Cat", "master", "model", "msdb", "tempdb"])


class ArgumentErrors(unittest.TestCase):
    CASES = [
        (lambda: call("sp_columns"), 201,
         "Procedure or function 'sp_columns' expects parameter '@table_name', which was not supplied."),
        (lambda: call("sp_columns", "T", bogus=1), 8145, "@bogus is not a parameter for procedure sp_columns."),
        (lambda: call("sp_pkeys", "a", "b", "c", "d"), 8144,
         "Procedure or function sp_pkeys has too many arguments specified."),
        (lambda: call("sp_columns", "Orders", table_qualifier="Other"), 15250,
         "The database name component of the object qualifier must be the name of the current database."),
    ]

    def test_errors(self):
        for run, number, text in self.CASES:
            with self.subTest(number=number):
                with self.assertRaises(SqlError) as cm:
                    run()
                self.assertEqual((cm.exception.number, cm.exception.text), (number, text))


if __name__ == "__main__":
    unittest.main()
