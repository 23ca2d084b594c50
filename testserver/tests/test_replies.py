"""The order of the tokens in a reply: results, messages, DONE kinds and
their "more", "count" and "error" bits, for batches and RPCs."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from fixtures import ServerFixture  # noqa: E402
from responder import Responder  # noqa: E402
from rpc_reader import Param, RpcCall  # noqa: E402
from session import product_version  # noqa: E402
from sql_router import run_batch, run_rpc  # noqa: E402

NAMES = {0x81: "COLMETADATA", 0xD1: "ROW", 0xD2: "NBCROW", 0xAA: "ERROR", 0xAB: "INFO",
         0x79: "RETURNSTATUS", 0xAC: "RETURNVALUE", 0xE3: "ENVCHANGE"}
DONES = {0xFD: "DONE", 0xFE: "DONEPROC", 0xFF: "DONEINPROC"}


class TokenLog:
    """Stands in for the packet writer: the responder writes one token per call."""

    def __init__(self):
        self.tokens, self.finished = [], 0

    def write(self, data):
        kind = data[0]
        if kind in DONES:
            self.tokens.append("%s %02x" % (DONES[kind], struct.unpack_from("<H", data, 1)[0]))
        else:
            self.tokens.append(NAMES[kind])

    def finish(self):
        self.finished += 1


class Session:
    def __init__(self):
        self.fixture = ServerFixture({"databases": [{"name": "D", "tables": [
            {"name": "T", "columns": [{"name": "a", "type": "int"}], "rows": [[1], [None]]}]}]})
        self.database = self.fixture.database("D")
        self.version, self.spid, self.user, self.textsize = 0x704, 51, "sa", 4096
        self.prepared, self._handles = {}, 0

    def next_handle(self):
        self._handles += 1
        return self._handles


def reply(run, request):
    log = TokenLog()
    run(Session(), request, Responder(log, 0x704, "S"))
    assert log.finished == 1, "a reply must end exactly once"
    return log.tokens


class ReplyOrder(unittest.TestCase):
    BATCHES = [
        ("SELECT 1", ["COLMETADATA", "ROW", "DONE 10"]),
        ("SELECT 1 SELECT * FROM T", ["COLMETADATA", "ROW", "DONE 11", "COLMETADATA", "ROW", "NBCROW", "DONE 10"]),
        ("SET NOCOUNT ON", ["DONE 00"]),
        ("", ["DONE 00"]),
        ("SELECT COUNT(*) FROM T SET ANSI_NULLS ON", ["COLMETADATA", "ROW", "DONE 10"]),  # SET adds none
        ("exec sp_databases", ["COLMETADATA"] + ["NBCROW"] * 5 + ["DONEINPROC 11", "RETURNSTATUS", "DONEPROC 00"]),
        ("SELECT 1 SELECT * FROM Nope", ["COLMETADATA", "ROW", "DONE 11", "ERROR", "DONE 02"]),
        ("SELECT 1; SELEC *", ["ERROR", "DONE 02"]),          # read whole first: nothing runs
        ("USE master", ["ENVCHANGE", "INFO", "DONE 00"]),
        ("exec sp_columns", ["ERROR", "DONE 02"]),
        ("SELECT DB_NAME(), COUNT(*) AS n FROM T", ["COLMETADATA", "ROW", "DONE 10"]),
        ("SELECT a, COUNT(*) FROM T", ["ERROR", "DONE 02"]),
    ]

    def test_batches(self):
        for sql, expected in self.BATCHES:
            with self.subTest(sql=sql):
                self.assertEqual(reply(run_batch, sql), expected)

    def test_rpcs(self):
        cases = [
            (RpcCall("sp_pkeys", [Param("@table_name", "T", False)]),
             ["COLMETADATA", "DONEINPROC 11", "RETURNSTATUS", "DONEPROC 00"]),
            (RpcCall("sp_prepexec", [Param("", None, True), Param("", "@P1 int", False),
                                     Param("", "SELECT @P1", False), Param("", 7, False)]),
             ["COLMETADATA", "ROW", "DONEINPROC 11", "RETURNSTATUS", "RETURNVALUE", "DONEPROC 00"]),
            (RpcCall("sp_nothing", []), ["ERROR", "DONE 02"]),
            (RpcCall("..sp_stored_procedures", []), ["COLMETADATA", "DONEINPROC 11", "RETURNSTATUS", "DONEPROC 00"]),
            (RpcCall("[D]..sp_fkeys", [Param("@pktable_name", "T", False)]),
             ["COLMETADATA", "DONEINPROC 11", "RETURNSTATUS", "DONEPROC 00"]),
        ]
        for call, expected in cases:
            with self.subTest(proc=call.name):
                self.assertEqual(reply(run_rpc, call), expected)


class ProductVersion(unittest.TestCase):
    def test_read_from_the_version_text(self):
        cases = [("Microsoft SQL Server  2000 - 8.00.2039 (Intel X86)", (8, 0, 2039)),
                 ("Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)", (7, 0, 623)),
                 ("Microsoft SQL Server 2005 - 9.00.1399.06 (Intel X86)", (9, 0, 1399)),
                 ("no number here", (10, 0, 4000)), ("x 1999.99.70000 y", (231, 99, 4464))]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(product_version(text), expected)


if __name__ == "__main__":
    unittest.main()
