"""The server as real clients meet it: FreeTDS's tsql, the FreeTDS ODBC
driver through unixODBC (odbc_fetch), and a bare client for attention."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import raw_client  # noqa: E402
from raw_client import RawClient  # noqa: E402
from server_process import SERVER_DIR, ServerProcess  # noqa: E402

ODBC_FETCH = os.environ.get("QUILL_ODBC_FETCH", "")
VERSIONS = ("7.1", "7.2", "7.3", "7.4")


def tsql(server, sql, user="quill", password="Secret-1", database="Small"):
    out = subprocess.run(["tsql", "-H", "127.0.0.1", "-p", str(server.port), "-U", user, "-P", password,
                          "-D", database], input=sql + "\ngo\nexit\n", capture_output=True, text=True,
                         timeout=60)
    return out.stdout + out.stderr


def fetch(server, *args, database="Harbor", version="7.4", extra="", encoding="utf-8", **login):
    out = subprocess.run([ODBC_FETCH, server.odbc(database=database, version=version, **login) + extra]
                         + list(args),
                         capture_output=True, encoding=encoding, timeout=120)
    return out.returncode, out.stdout.splitlines(), out.stderr


class ServerCase(unittest.TestCase):
    FIXTURE = "small.json"
    OPTIONS = ()

    @classmethod
    def setUpClass(cls):
        cls.server = ServerProcess(cls.FIXTURE, *cls.OPTIONS).start()

    @classmethod
    def tearDownClass(cls):
        code, err = cls.server.stop()
        assert code == 0 and "Traceback" not in err, "server ended badly (%s): %s" % (code, err)


@unittest.skipUnless(shutil.which("tsql"), "FreeTDS tsql not installed")
class LoginThroughTsql(ServerCase):
    OPTIONS = ("--version-text", "Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)")

    def test_version_text_is_the_configured_one(self):
        self.assertIn("Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)", tsql(self.server, "SELECT @@VERSION"))

    def test_refused_logins(self):
        cases = [({"password": "wrong"}, "Msg 18456", "Login failed for user 'quill'."),
                 ({"user": "nobody"}, "Msg 18456", "Login failed for user 'nobody'."),
                 ({"database": "NoSuchDb"}, "Msg 4060",
                  'Cannot open database "NoSuchDb" requested by the login. The login failed.')]
        for kwargs, number, text in cases:
            with self.subTest(**kwargs):
                out = tsql(self.server, "SELECT 1", **kwargs)
                self.assertIn(number, out)
                self.assertIn(text, out)

    def test_statement_errors(self):
        cases = [("SELECT * FROM [dbo].[Nope]", "Invalid object name 'dbo.Nope'."),
                 ("exec sp_nothing", "Could not find stored procedure 'sp_nothing'."),
                 ("SELECT * FROM [People", "Unclosed quotation mark after the character string 'People"),
                 ("SELECT Nope FROM People", "Invalid column name 'Nope'."),
                 ("DELETE FROM People", "Incorrect syntax near 'DELETE'.")]
        for sql, text in cases:
            with self.subTest(sql=sql):
                self.assertIn(text, tsql(self.server, sql))


@unittest.skipUnless(os.path.exists(ODBC_FETCH), "odbc_fetch not built (QUILL_ODBC_FETCH)")
class DemoThroughOdbc(ServerCase):
    FIXTURE = "demo.json"

    def test_every_table_reads_under_every_version(self):
        tables = {"[dbo].[Customers]": 200, "[dbo].[Products]": 120, "[dbo].[Orders]": 1000,
                  "[dbo].[Order Details]": 3000, "[sales].[Orders]": 5, "[dbo].[Employees]": 8,
                  "[dbo].[Events]": 500, "[dbo].[Documents]": 4, "[dbo].[a.b]": 2, "[dbo].[[x]]]": 2,
                  "[dbo].[Price]]List]": 2,
                  "[dbo].[Quarterly_Regional_Sales_Figures_By_Product_Category_And_Channel_2004x]": 3}
        for version in VERSIONS:
            for name, count in tables.items():
                with self.subTest(version=version, table=name):
                    code, lines, err = fetch(self.server, name, version=version)
                    self.assertEqual((code, err), (0, ""))
                    self.assertTrue(lines[-1].startswith("rows=%d " % count), lines[-1])

    def test_values_agree_across_versions(self):
        sql = "SELECT EmployeeID, FirstName, LastName, Title, Salary, HireDate FROM [dbo].[Employees]"
        first = None
        for version in VERSIONS:
            code, lines, err = fetch(self.server, "--sql", sql, version=version)
            self.assertEqual(code, 0, err)
            first = first or lines[:-1]
            self.assertEqual(lines[:-1], first, version)
        self.assertIn("5\tἈλέξανδρος\tΠαπαδόπουλος\tSelger\t0.00\t2002-02-28 12:00:00.000", first)
        self.assertIn("3\tZoë\tMüller\t\tNULL\t2000-07-01 08:00:00.000", first)

    def test_long_values_follow_textsize(self):
        sql = "SELECT DocID, Body, Scan, Summary, Attachment FROM [dbo].[Documents]"
        for version in ("7.1", "7.4"):
            for prefix, body, scan in (("", 4096, 4096), ("SET TEXTSIZE 2147483647 ", 2100000, 2100001)):
                with self.subTest(version=version, textsize=prefix):
                    code, lines, err = fetch(self.server, "--sql", prefix + sql, version=version,
                                             extra=";ClientCharset=ISO-8859-1", encoding="latin-1")
                    self.assertEqual(code, 0, err)
                    cells = lines[1].split("\t")
                    self.assertEqual([len(cells[1]), len(cells[2]) // 2, len(cells[3])],
                                     [body, scan, min(2000001, body)])

    def test_catalog_functions(self):
        cases = [(("--columns", "Order Details"), 5, "Harbor\tdbo\tOrder Details\tQuantity\t5\tsmallint"),
                 (("--columns", "Orders", "sales"), 3, "Harbor\tsales\tOrders\tAmount\t2\tnumeric\t18"),
                 (("--pkeys", "Order Details"), 2, "Harbor\tdbo\tOrder Details\tProductID\t2\tPK_Order_Details"),
                 (("--columns", "[x]"), 3, "Harbor\tdbo\t[x]\tBeløp €\t3\tmoney"),     # the driver escapes [
                 (("--pkeys", "Price]List"), 1, "Price]List\tItem]No\t1\tPK_Price]List"),
                 (("--statistics", "Customers"), 5, "UX_Customers_Code\t3\t1\tCode\tA"),
                 (("--tables",), 51, "Harbor\tdbo\tPrice]List\tTABLE\tNULL"),   # with system tables and views
                 (("--typeinfo",), 31, "int identity\t4\t10")]
        for args, count, expected in cases:
            with self.subTest(args=args):
                code, lines, err = fetch(self.server, *args)
                self.assertEqual(code, 0, err)
                self.assertTrue(lines[-1].startswith("rows=%d " % count), lines[-1])
                self.assertTrue(any(expected in line for line in lines), lines[:8])

    def test_statements_the_source_side_sends(self):
        cases = [("SELECT COUNT(*) FROM [dbo].[Order Details]", ["3000"]),
                 ("EXEC sp_columns @table_name=[a.b], @table_owner=[dbo]", 2),
                 ("exec sp_databases", ["Empty\t1024\tNULL", "Harbor\t1024\tNULL", "master\t1024\tNULL",
                                        "model\t1024\tNULL", "msdb\t1024\tNULL", "tempdb\t1024\tNULL"]),
                 ("SELECT * FROM [Price]]List] WHERE 1=0", [])]
        for sql, expected in cases:
            with self.subTest(sql=sql):
                code, lines, err = fetch(self.server, "--sql", sql)
                self.assertEqual(code, 0, err)
                if isinstance(expected, int):
                    self.assertEqual(len(lines) - 1, expected)
                else:
                    self.assertEqual(lines[:-1], expected)

    def test_a_login_limited_to_some_databases(self):
        ok = fetch(self.server, "--sql", "SELECT DB_NAME()", user="reader", password="r3ad-only")
        self.assertEqual(ok[:2], (0, ["Harbor", ok[1][-1]]))
        code, _, err = fetch(self.server, "--sql", "SELECT 1", database="Empty", user="reader",
                             password="r3ad-only")
        self.assertEqual(code, 1)
        self.assertIn('Cannot open database "Empty" requested by the login.', err)
        code, _, err = fetch(self.server, "--sql", "USE Empty", user="reader", password="r3ad-only")
        self.assertIn("(916)", err)

    def test_refusals_reach_the_driver(self):
        cases = [("EXEC sp_columns @table_name=[[x]]", "(105)"), ("SELECT * FROM [dbo].[x]", "(208)"),
                 ("EXEC sp_columns", "(201)"), ("SELECT TOP 1 * FROM [dbo].[Orders]", "(102)"),
                 ("SELECT 1 SELECT * FROM [dbo].[Nope]", "(208)")]     # an error after a first result
        for sql, number in cases:
            with self.subTest(sql=sql):
                code, _, err = fetch(self.server, "--sql", sql)
                self.assertEqual(code, 1)
                self.assertIn(number, err)


@unittest.skipUnless(os.path.exists(ODBC_FETCH), "odbc_fetch not built (QUILL_ODBC_FETCH)")
class VariantThroughOdbc(ServerCase):
    FIXTURE = "variant.json"

    def test_each_base_type_arrives(self):
        for version in ("7.1", "7.4"):
            code, lines, err = fetch(self.server, "[dbo].[Settings]", database="Variant", version=version)
            self.assertEqual(code, 0, err)
            self.assertEqual(lines[:-1], ["MaxRows\t5000", "Big\t9000000000", "VatRate\t0.25",
                                          "Started\t2004-01-01 08:00:00.000", "Fee\t12.50", "Key\tcafe",
                                          "Unset\tNULL", "Currency\tNOK"])


class Attention(ServerCase):
    @classmethod
    def setUpClass(cls):
        sys.path.insert(0, SERVER_DIR)
        import make_bench_fixture
        cls.tmp = tempfile.mkdtemp()
        cls.FIXTURE = os.path.join(cls.tmp, "bench.json")
        with open(cls.FIXTURE, "w") as f:
            json.dump(make_bench_fixture.fixture(300000), f)
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_malformed_requests_close_only_their_connection(self):
        cases = [(0x10, b"\x00" * 20), (0x10, b"\xff" * 200), (0x01, b"\x00" * 7), (0x03, b"\x01\x02")]
        for kind, payload in cases:
            with self.subTest(kind=kind, payload=payload[:4]):
                client = RawClient(self.server.port)
                try:
                    client.send(0x12, b"\xff")
                    client.read_reply()
                    if kind != 0x10:
                        client.send(0x10, raw_client.login7("quill", "Secret-1", "Bench"))
                        client.read_reply()
                    client.send(kind, payload)
                    try:
                        reply = client.read_reply()
                        self.assertIn(b"\xaa", reply)       # refused with an error
                    except ConnectionError:
                        pass                               # or the connection was closed
                finally:
                    client.close()
        good = RawClient(self.server.port)
        self.assertIn(b"\xad", good.login("quill", "Secret-1", "Bench"))
        good.close()

    def test_cancel_stops_a_long_result_and_the_connection_goes_on(self):
        client = RawClient(self.server.port)
        try:
            self.assertIn(b"\xad", client.login("quill", "Secret-1", "Bench"))
            client.batch("SELECT * FROM [dbo].[Sales]")
            for _ in range(3):
                client.read_packet()
            client.send(0x06, b"")
            received = 0
            while True:
                status, data = client.read_packet()
                received += len(data)
                if status & 1:
                    break
            self.assertEqual(data[-13:-10], b"\xfd\x20\x00")      # DONE with the attention bit
            self.assertLess(received, 30 * 1024 * 1024)           # far from the whole table
            client.batch("SELECT @@SPID")
            self.assertEqual(client.read_reply()[-13:-10], b"\xfd\x10\x00")
        finally:
            client.close()


if __name__ == "__main__":
    unittest.main()
