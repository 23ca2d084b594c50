"""Reading T-SQL text: tokens, statements, LIKE patterns, and the errors
SQL Server gives for text it cannot read."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from sql_lexer import SqlError, tokenize  # noqa: E402
from sql_like import like  # noqa: E402
from sql_statements import parse_batch  # noqa: E402


class Tokens(unittest.TestCase):
    def test_quoted_forms_are_undoubled(self):
        cases = [("[a]]b]", "qident", "a]b"), ('"x""y"', "qident", 'x"y'),
                 ("'O''Brien'", "string", "O'Brien"), ("N'x'", "string", "x"),
                 ("[Order Details]", "qident", "Order Details"), ("@@VERSION", "var", "@@VERSION")]
        for text, kind, value in cases:
            with self.subTest(text=text):
                tok = tokenize(text)[0]
                self.assertEqual((tok.kind, tok.value), (kind, value))

    def test_comments_are_skipped(self):
        kinds = [t.kind for t in tokenize("SELECT /* a */ 1 -- b\n")]
        self.assertEqual(kinds, ["ident", "number", "eof"])

    def test_unclosed_quotes(self):
        for text in ("'abc", "[abc", "EXEC sp_columns @table_name=[[x]]", "SELECT * FROM [a]]"):
            with self.subTest(text=text):
                with self.assertRaises(SqlError) as cm:
                    tokenize(text)
                self.assertEqual(cm.exception.number, 105)


class Statements(unittest.TestCase):
    def test_syntax_errors_name_the_token(self):
        cases = [("SELECT * FROM", "FROM"), ("SELECT FROM t", "FROM"),
                 ("SELECT * FROM t WHERE", "WHERE"), ("SET BOGUS ON", "BOGUS"),
                 ("EXEC sp_columns @table_name=", "="), ("SELECT * FROM t t2 t3", "t3"),
                 ("SELECT 1 SELECT", "SELECT")]
        for text, near in cases:
            with self.subTest(text=text):
                with self.assertRaises(SqlError) as cm:
                    parse_batch(text)
                self.assertEqual(cm.exception.number, 102)
                self.assertEqual(cm.exception.text, "Incorrect syntax near '%s'." % near)

    def test_exec_arguments(self):
        st = parse_batch("EXEC sp_columns @table_name=[Order Details], @table_owner=[dbo]")[0]
        self.assertEqual(st.proc, ["sp_columns"])
        self.assertEqual(st.args, [("@table_name", "Order Details"), ("@table_owner", "dbo")])
        st = parse_batch("sp_columns N'a''b', NULL, -5")[0]
        self.assertEqual(st.args, [(None, "a'b"), (None, None), (None, -5)])
        st = parse_batch("exec [Harbor]..sp_tables")[0]
        self.assertEqual(st.proc, ["Harbor", "", "sp_tables"])

    def test_a_procedure_call_without_exec_only_opens_a_batch(self):
        self.assertEqual(parse_batch("sp_databases")[0].kind, "exec")
        with self.assertRaises(SqlError):
            parse_batch("SET NOCOUNT ON sp_databases")

    def test_select_forms(self):
        st = parse_batch("SELECT COUNT(*) FROM [dbo].[a.b]")[0]
        self.assertEqual((st.items[0].kind, st.table), ("count", ["dbo", "a.b"]))
        st = parse_batch("select * from [Price]]List] where 1=0")[0]
        self.assertEqual((st.table, st.where), (["Price]List"], False))
        st = parse_batch("SELECT ID AS x, [Value.With.Dots] FROM t")[0]
        self.assertEqual([(i.value, i.alias) for i in st.items], [("ID", "x"), ("Value.With.Dots", None)])

    def test_session_settings_are_read(self):
        batch = ("SET TEXTSIZE 2147483647 SET QUOTED_IDENTIFIER ON; set transaction isolation level "
                 "read committed\nSET ANSI_NULLS ON IF @@TRANCOUNT > 0 COMMIT TRAN")
        self.assertEqual([s.kind for s in parse_batch(batch)], ["set", "set", "set", "set", "tran"])


class LikePatterns(unittest.TestCase):
    CASES = [
        ("Orders", "orders", True), ("Orders", "Ord%", True), ("Orders", "Order_", True),
        ("a_b", "a_b", True), ("axb", "a_b", True), ("a_b", "a[_]b", True), ("axb", "a[_]b", False),
        ("[x]", "[x]", False), ("x", "[x]", True), ("[x]", "[[]x]", True),
        ("Price]List", "Price]List", True), ("b", "[a-c]", True), ("d", "[^a-c]", True),
        ("a", "[^a-c]", False), ("100%", "100[%]", True), ("abc", "[abc", False),
        ("Ørret", "ø%", True), ("line\nbreak", "line%", True), ("", "%", True), ("a", "", False),
    ]

    def test_like(self):
        for text, pattern, expected in self.CASES:
            with self.subTest(text=text, pattern=pattern):
                self.assertEqual(like(text, pattern), expected)


if __name__ == "__main__":
    unittest.main()
