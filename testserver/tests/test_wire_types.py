"""The wire forms of column types, checked byte by byte against the layouts
SQL Server sends (and FreeTDS reads)."""
import datetime
import decimal
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

import tds_tokens as tok  # noqa: E402
from tds_types import COLLATION, SqlType, wire_for  # noqa: E402

D = decimal.Decimal
DT = datetime.datetime
U16 = "utf-16-le"
TZ1 = datetime.timezone(datetime.timedelta(hours=1))


def enc(type_text, value, version=0x704, nullable=True):
    return wire_for(SqlType(type_text), version, nullable).encode(value)


class ValueEncoding(unittest.TestCase):
    CASES = [
        # type, nullable, value, expected bytes
        ("int", False, 1, b"\x01\x00\x00\x00"),
        ("int", True, None, b"\x00"),
        ("int", True, 5, b"\x04\x05\x00\x00\x00"),
        ("bigint", True, -1, b"\x08" + b"\xff" * 8),
        ("tinyint", False, 255, b"\xff"),
        ("smallint", True, -32768, b"\x02\x00\x80"),
        ("bit", True, True, b"\x01\x01"),
        ("bit", False, False, b"\x00"),
        ("real", True, 1.5, b"\x04" + struct.pack("<f", 1.5)),
        ("float", False, -2.0, struct.pack("<d", -2.0)),
        ("money", False, D("1.0001"), struct.pack("<iI", 0, 10001)),
        ("money", False, D("-1"), bytes.fromhex("fffffffff0d8ffff")),
        ("money", True, D("922337203685477.5807"), b"\x08" + bytes.fromhex("ffffff7fffffffff")),
        ("smallmoney", False, D("214748.3647"), struct.pack("<i", 2147483647)),
        ("datetime", False, DT(1900, 1, 1), b"\x00" * 8),
        ("datetime", False, DT(1899, 12, 30, 14, 30), struct.pack("<iI", -2, 15660000)),
        ("datetime", True, DT(2004, 5, 6, 7, 8, 9, 123000), b"\x08" + struct.pack("<iI", 38111, 7706737)),
        ("datetime", False, DT(2004, 1, 1, 23, 59, 59, 999000), struct.pack("<iI", 37986, 0)),
        ("smalldatetime", False, DT(2004, 1, 1, 0, 1), struct.pack("<HH", 37985, 1)),
        ("decimal(10,2)", True, D("12.50"), bytes([9, 1]) + (1250).to_bytes(8, "little")),
        ("decimal(5,0)", True, D("-3"), bytes([5, 0]) + (3).to_bytes(4, "little")),
        ("numeric(38,10)", True, D("-0.0000000001"), bytes([17, 0]) + (1).to_bytes(16, "little")),
        ("decimal(10,2)", True, None, b"\x00"),
        ("uniqueidentifier", True, "6F9619FF-8B86-D011-B42D-00C04FC964FF",
         b"\x10" + bytes.fromhex("FF19966F868B11D0B42D00C04FC964FF")),
        ("varchar(10)", True, "abc", b"\x03\x00abc"),
        ("varchar(10)", True, "", b"\x00\x00"),
        ("varchar(10)", True, None, b"\xff\xff"),
        ("varchar(10)", True, "Ø", b"\x01\x00\xd8"),
        ("char(4)", True, "ab", b"\x04\x00ab  "),
        ("nchar(2)", True, "a", b"\x04\x00a\x00 \x00"),
        ("nvarchar(5)", True, "Ø🐟", b"\x06\x00" + "Ø🐟".encode(U16)),
        ("binary(4)", True, b"\x01", b"\x04\x00\x01\x00\x00\x00"),
        ("varbinary(4)", True, b"", b"\x00\x00"),
        ("timestamp", False, b"\x00" * 7 + b"\x01", b"\x08\x00" + b"\x00" * 7 + b"\x01"),
        ("varchar(max)", True, "", b"\x00" * 8 + b"\x00" * 4),
        ("varchar(max)", True, None, b"\xff" * 8),
        ("nvarchar(max)", True, "é", struct.pack("<QI", 2, 2) + "é".encode(U16) + b"\x00" * 4),
        ("date", True, datetime.date(1, 1, 1), b"\x03\x00\x00\x00"),
        ("date", True, datetime.date(2004, 2, 29), b"\x03" + (731639).to_bytes(3, "little")),
        ("time(7)", True, datetime.time(0, 0, 1), b"\x05" + (10 ** 7).to_bytes(5, "little")),
        ("time(0)", True, datetime.time(1, 0, 0), b"\x03" + (3600).to_bytes(3, "little")),
        ("datetime2(3)", True, DT(1, 1, 1, 0, 0, 0, 5000),
         b"\x07" + (5).to_bytes(4, "little") + b"\x00\x00\x00"),
        ("sql_variant", True, None, b"\x00" * 4),
        ("sql_variant", True, 5000, struct.pack("<IBBi", 6, 0x38, 0, 5000)),
        ("sql_variant", True, "ab", struct.pack("<IBB", 13, 0xE7, 7) + COLLATION + b"\x40\x1f" + "ab".encode(U16)),
        ("sql_variant", True, D("-1.5"), struct.pack("<IBBBBB", 21, 0x6C, 2, 38, 1, 0) + (15).to_bytes(16, "little")),
        ("datetimeoffset(0)", True, DT(2004, 1, 1, 12, 0, tzinfo=TZ1),
         b"\x08" + (39600).to_bytes(3, "little") + (731580).to_bytes(3, "little") + b"\x3c\x00"),
    ]

    def test_values(self):
        for type_text, nullable, value, expected in self.CASES:
            with self.subTest(type=type_text, value=value):
                self.assertEqual(enc(type_text, value, nullable=nullable), expected)

    def test_long_values_are_sent_in_chunks(self):
        data = bytes(range(256)) * 300      # 76,800 bytes: one full chunk and a rest
        out = enc("varbinary(max)", data)
        self.assertEqual(out[:12], struct.pack("<QI", len(data), 65536))
        rest = 12 + 65536
        self.assertEqual(out[rest:rest + 4], struct.pack("<I", len(data) - 65536))
        self.assertEqual(out[-4:], b"\x00" * 4)
        self.assertEqual(out[12:rest] + out[rest + 4:-4], data)

    def test_text_pointer_form(self):
        out = enc("text", "ab", version=0x701)
        self.assertEqual(out[0], 16)
        self.assertEqual(out[25:], struct.pack("<I", 2) + b"ab")
        self.assertEqual(enc("image", None, version=0x701), b"\x00")


class TypeInfoByVersion(unittest.TestCase):
    CASES = [
        # type, version, nullable, usertype, TYPE_INFO, carries a table name
        ("int", 0x704, False, 0, b"\x38", False),
        ("int", 0x704, True, 0, b"\x26\x04", False),
        ("money", 0x704, True, 0, b"\x6e\x08", False),
        ("smalldatetime", 0x704, True, 0, b"\x6f\x04", False),
        ("decimal(10,2)", 0x704, True, 0, b"\x6a\x09\x0a\x02", False),
        ("numeric(38,4)", 0x704, True, 0, b"\x6c\x11\x26\x04", False),
        ("varchar(10)", 0x704, True, 0, b"\xa7\x0a\x00" + COLLATION, False),
        ("nchar(3)", 0x704, True, 0, b"\xef\x06\x00" + COLLATION, False),
        ("binary(8)", 0x704, True, 0, b"\xad\x08\x00", False),
        ("timestamp", 0x704, False, 80, b"\xad\x08\x00", False),
        ("varchar(max)", 0x704, True, 0, b"\xa7\xff\xff" + COLLATION, False),
        ("varchar(max)", 0x701, True, 0, b"\x23\xff\xff\xff\x7f" + COLLATION, True),
        ("nvarchar(max)", 0x701, True, 0, b"\x63\xff\xff\xff\x3f" + COLLATION, True),
        ("varbinary(max)", 0x701, True, 0, b"\x22\xff\xff\xff\x7f", True),
        ("xml", 0x702, True, 0, b"\xf1\x00", False),
        ("xml", 0x701, True, 0, b"\x63\xff\xff\xff\x3f" + COLLATION, True),
        ("image", 0x704, True, 0, b"\x22\xff\xff\xff\x7f", True),
        ("date", 0x703, True, 0, b"\x28", False),
        ("date", 0x702, True, 0, b"\xe7\x14\x00" + COLLATION, False),
        ("datetime2(7)", 0x702, True, 0, b"\xe7\x36\x00" + COLLATION, False),
        ("datetimeoffset(7)", 0x704, True, 0, b"\x2b\x07", False),
    ]

    def test_type_info(self):
        for type_text, version, nullable, usertype, typeinfo, text_ptr in self.CASES:
            with self.subTest(type=type_text, version=hex(version)):
                wire = wire_for(SqlType(type_text), version, nullable)
                self.assertEqual((wire.usertype, wire.typeinfo, wire.is_text_ptr),
                                 (usertype, typeinfo, text_ptr))

    def test_dates_as_text_before_7_3(self):
        self.assertEqual(enc("datetime2(7)", DT(1, 2, 3, 4, 5, 6, 7), version=0x702),
                         b"\x36\x00" + "0001-02-03 04:05:06.0000070".encode(U16))
        self.assertEqual(enc("datetimeoffset(0)", DT(2004, 1, 1, 12, tzinfo=TZ1), version=0x701),
                         b"\x34\x00" + "2004-01-01 12:00:00 +01:00".encode(U16))

    def test_unknown_and_unreadable_types_are_refused(self):
        for text in ("integer", "varchar(", "decimal(10,2,3)", ""):
            with self.subTest(text=text):
                self.assertRaises(ValueError, SqlType, text)


class Tokens(unittest.TestCase):
    def test_done_count_width_follows_version(self):
        self.assertEqual(tok.done(tok.DONE, 0x10, 0xC1, 3, 0x701), b"\xfd\x10\x00\xc1\x00\x03\x00\x00\x00")
        self.assertEqual(len(tok.done(tok.DONE, 0x10, 0xC1, 3, 0x702)), 13)

    def test_error_message_layout(self):
        out = tok.message(True, 208, 1, 16, "Invalid object name 'x'.", "S", "", 1, 0x704)
        self.assertEqual(out[0], 0xAA)
        self.assertEqual(struct.unpack_from("<H", out, 1)[0], len(out) - 3)
        self.assertEqual(struct.unpack_from("<iBBH", out, 3), (208, 1, 16, 24))
        self.assertEqual(out[-4:], b"\x01\x00\x00\x00")

    def test_nbcrow_carries_only_non_null_values(self):
        cols = [tok.ResultColumn("a", wire_for(SqlType("int"), 0x704)),
                tok.ResultColumn("b", wire_for(SqlType("varchar(5)"), 0x704))]
        self.assertEqual(tok.row_encoder(cols, 0x704)((None, "x")), b"\xd2\x01\x01\x00x")
        self.assertEqual(tok.row_encoder(cols, 0x702)((None, "x")), b"\xd1\x00\x01\x00x")

    def test_loginack_reports_the_negotiated_version(self):
        out = tok.loginack(0x701, "Microsoft SQL Server", (8, 0, 7, 0xF7))
        self.assertEqual(out[4:8], b"\x71\x00\x00\x01")
        self.assertEqual(out[-4:], bytes([8, 0, 7, 0xF7]))


if __name__ == "__main__":
    unittest.main()
