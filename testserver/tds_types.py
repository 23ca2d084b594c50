"""SQL Server column types and how each one travels on the wire.

A column is declared with its SQL Server type text ("int", "decimal(10,2)",
"nvarchar(max)", "timestamp") and becomes a SqlType.  wire_for(sql_type,
version) answers the type as the negotiated protocol version carries it:
the TYPE_INFO bytes for COLMETADATA and an encoder turning one Python value
(None for NULL) into the bytes of a ROW.  Older versions see newer types the
way SQL Server downgrades them: max types as TEXT/NTEXT/IMAGE below 7.2, the
date and time types as nvarchar below 7.3.
"""
import datetime
import decimal
import re
import struct
import uuid

import tds_temporal

TDS71, TDS72, TDS73, TDS74 = 0x701, 0x702, 0x703, 0x704

# SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, case/kana/width ignored, sort 52.
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])
VARCHAR_CODEC = "cp1252"
PLP_NULL = b"\xff" * 8
TEXT_NULL = b"\x00"
# 16-byte text pointer and 8-byte timestamp that precede every TEXT value.
TEXT_PTR = b"\x10" + b"\xaa" * 16 + b"\x00" * 8
PLP_CHUNK = 65536

_TYPE_RE = re.compile(r"^\s*([a-z0-9_ ]+?)\s*(?:\(\s*(max|\d+)\s*(?:,\s*(\d+)\s*)?\))?\s*$", re.I)


class SqlType:
    """A declared SQL Server column type: name, length, precision, scale."""

    def __init__(self, text):
        m = _TYPE_RE.match(text)
        if not m:
            raise ValueError("unreadable column type %r" % text)
        self.name = m.group(1).lower()
        arg, arg2 = m.group(2), m.group(3)
        self.is_max = arg is not None and arg.lower() == "max"
        self.length = None if arg is None or self.is_max else int(arg)
        self.scale = int(arg2) if arg2 is not None else None
        if self.name not in _KNOWN:
            raise ValueError("unknown column type %r" % text)
        if self.name in ("decimal", "numeric"):
            self.precision = self.length if self.length is not None else 18
            self.scale = self.scale if self.scale is not None else 0
        elif self.name in ("time", "datetime2", "datetimeoffset"):
            self.precision = None
            self.scale = self.length if self.length is not None else 7
        elif self.name in ("char", "varchar", "nchar", "nvarchar", "binary", "varbinary"):
            if self.length is None and not self.is_max:
                self.length = 1
        self.text = text

    def is_text_kind(self):
        return self.name in ("char", "varchar", "text", "nchar", "nvarchar", "ntext", "xml")

    def __repr__(self):
        return "SqlType(%r)" % self.text


_KNOWN = {
    "bit", "tinyint", "smallint", "int", "bigint", "decimal", "numeric", "money",
    "smallmoney", "real", "float", "datetime", "smalldatetime", "char", "varchar",
    "text", "nchar", "nvarchar", "ntext", "binary", "varbinary", "image",
    "uniqueidentifier", "timestamp", "date", "time", "datetime2", "datetimeoffset",
    "xml", "sysname", "sql_variant",
}


class Wire:
    """One column as sent: usertype, TYPE_INFO bytes, value encoder."""

    def __init__(self, usertype, typeinfo, encode, is_text_ptr=False):
        self.usertype = usertype
        self.typeinfo = typeinfo
        self.encode = encode
        self.is_text_ptr = is_text_ptr   # TEXT/NTEXT/IMAGE carry a table name


# --- value encoders -------------------------------------------------------

def _fixed(fmt):
    s = struct.Struct("<" + fmt)
    return lambda v: s.pack(v)


def _intn(size, fmt):
    s = struct.Struct("<B" + fmt)
    return lambda v: b"\x00" if v is None else s.pack(size, v)


def _bit(v):
    return b"\x01" if v else b"\x00"


def _bitn(v):
    return b"\x00" if v is None else (b"\x01\x01" if v else b"\x01\x00")


def _money8(v):
    units = int((decimal.Decimal(v) * 10000).to_integral_value(decimal.ROUND_HALF_EVEN))
    return struct.pack("<iI", units >> 32, units & 0xFFFFFFFF)


def _money4(v):
    units = int((decimal.Decimal(v) * 10000).to_integral_value(decimal.ROUND_HALF_EVEN))
    return struct.pack("<i", units)


_EPOCH_1900 = datetime.datetime(1900, 1, 1)


def _as_datetime(v):
    if isinstance(v, datetime.datetime):
        return v
    if isinstance(v, datetime.date):
        return datetime.datetime(v.year, v.month, v.day)
    raise TypeError("not a date: %r" % (v,))


def _datetime8(v):
    d = _as_datetime(v) - _EPOCH_1900
    ticks = round((d.seconds + d.microseconds / 1e6) * 300)
    days = d.days
    if ticks >= 300 * 86400:
        days, ticks = days + 1, 0
    return struct.pack("<iI", days, ticks)


def _datetime4(v):
    d = _as_datetime(v) - _EPOCH_1900
    minutes = round((d.seconds + d.microseconds / 1e6) / 60)
    return struct.pack("<HH", d.days, minutes)


def _with_len(fixed_encode, size):
    head = bytes([size])
    return lambda v: b"\x00" if v is None else head + fixed_encode(v)


def _decimal_encoder(precision, scale):
    size = 5 if precision <= 9 else 9 if precision <= 19 else 13 if precision <= 28 else 17
    q = decimal.Decimal(1).scaleb(-scale)
    wide = decimal.Context(prec=80)

    def enc(v):
        if v is None:
            return b"\x00"
        units = int(decimal.Decimal(v).quantize(q, rounding=decimal.ROUND_HALF_EVEN, context=wide)
                    .scaleb(scale, context=wide))
        sign = 0 if units < 0 else 1
        return bytes([size, sign]) + abs(units).to_bytes(size - 1, "little")
    return enc, size


def _guid(v):
    if v is None:
        return b"\x00"
    return b"\x10" + uuid.UUID(str(v)).bytes_le


def _text_bytes(v, national):
    if isinstance(v, bytes):
        return v
    return v.encode("utf-16-le") if national else v.encode(VARCHAR_CODEC)


def _short_var(national=None):
    """USHORT-length value: varchar/nvarchar/varbinary up to 8000 bytes."""
    def enc(v):
        if v is None:
            return b"\xff\xff"
        data = v if national is None else _text_bytes(v, national)
        return struct.pack("<H", len(data)) + data
    return enc


def _padded(length, national=None):
    """char/nchar/binary values padded to the declared length as SQL Server pads."""
    pad = b"\x00" if national is None else (" ".encode("utf-16-le") if national else b" ")

    def enc(v):
        if v is None:
            return b"\xff\xff"
        data = v if national is None else _text_bytes(v, national)
        width = length * (2 if national else 1)
        if len(data) < width:
            data += pad * ((width - len(data)) // len(pad))
        return struct.pack("<H", len(data)) + data
    return enc


def _plp(national=None):
    def enc(v):
        if v is None:
            return PLP_NULL
        data = v if national is None else _text_bytes(v, national)
        parts = [struct.pack("<Q", len(data))]
        for i in range(0, len(data), PLP_CHUNK):
            chunk = data[i:i + PLP_CHUNK]
            parts.append(struct.pack("<I", len(chunk)))
            parts.append(chunk)
        parts.append(b"\x00\x00\x00\x00")
        return b"".join(parts)
    return enc


def _text_ptr(national=None):
    def enc(v):
        if v is None:
            return TEXT_NULL
        data = v if national is None else _text_bytes(v, national)
        return TEXT_PTR + struct.pack("<I", len(data)) + data
    return enc


def _text_typeinfo(code, national):
    maxlen = 0x3FFFFFFF if national else 0x7FFFFFFF
    return bytes([code]) + struct.pack("<i", maxlen) + (COLLATION if code != 0x22 else b"")


def _var_typeinfo(code, byte_len, collated):
    return bytes([code]) + struct.pack("<H", byte_len) + (COLLATION if collated else b"")


def wire_for(t, version, nullable=True):
    """The Wire for SqlType t under protocol version (0x701 .. 0x704)."""
    n = t.name
    fixed = {"tinyint": (0x30, 1, "B"), "smallint": (0x34, 2, "h"), "int": (0x38, 4, "i"),
             "bigint": (0x7F, 8, "q"), "real": (0x3B, 4, "f"), "float": (0x3E, 8, "d")}
    if n in fixed:
        code, size, fmt = fixed[n]
        if not nullable:
            return Wire(0, bytes([code]), _fixed(fmt))
        ncode = 0x6D if n in ("real", "float") else 0x26
        return Wire(0, bytes([ncode, size]), _intn(size, fmt))
    if n == "bit":
        return Wire(0, b"\x32", _bit) if not nullable else Wire(0, b"\x68\x01", _bitn)
    if n in ("money", "smallmoney", "datetime", "smalldatetime"):
        size = 8 if n in ("money", "datetime") else 4
        enc = {"money": _money8, "smallmoney": _money4, "datetime": _datetime8,
               "smalldatetime": _datetime4}[n]
        if not nullable:
            code = {"money": 0x3C, "smallmoney": 0x7A, "datetime": 0x3D, "smalldatetime": 0x3A}[n]
            return Wire(0, bytes([code]), enc)
        ncode = 0x6E if n in ("money", "smallmoney") else 0x6F
        return Wire(0, bytes([ncode, size]), _with_len(enc, size))
    if n in ("decimal", "numeric"):
        enc, size = _decimal_encoder(t.precision, t.scale)
        code = 0x6A if n == "decimal" else 0x6C
        return Wire(0, bytes([code, size, t.precision, t.scale]), enc)
    if n == "uniqueidentifier":
        return Wire(0, b"\x24\x10", _guid)
    if n == "timestamp":
        return Wire(80, _var_typeinfo(0xAD, 8, False), _short_var())
    if n in ("char", "varchar", "nchar", "nvarchar", "sysname", "binary", "varbinary"):
        return _wire_var(t, version)
    if n in ("text", "ntext", "image"):
        return _wire_text(n, version)
    if n == "xml":
        if version >= TDS72:
            return Wire(0, b"\xf1\x00", _plp(True))
        return _wire_text("ntext", version)
    if n in tds_temporal.TEXT_LENGTHS:
        if version < TDS73:
            chars = 10 if n == "date" else tds_temporal.text_length(t)
            enc = _short_var(True)
            return Wire(0, _var_typeinfo(0xE7, 2 * chars, True),
                        lambda v, t=t: enc(None if v is None else tds_temporal.format_temporal(t, v)))
        if n == "date":
            return Wire(0, b"\x28", tds_temporal.date_encoder)
        code = {"time": 0x29, "datetime2": 0x2A, "datetimeoffset": 0x2B}[n]
        enc = {"time": tds_temporal.time_encoder, "datetime2": tds_temporal.datetime2_encoder,
               "datetimeoffset": tds_temporal.datetimeoffset_encoder}[n](t.scale)
        return Wire(0, bytes([code, t.scale]), enc)
    if n == "sql_variant":
        return Wire(0, b"\x62" + struct.pack("<i", 8016), _variant)
    raise ValueError("no wire form for %s" % t.text)


def _variant_parts(v):
    """(base type, properties, data) of a sql_variant value."""
    if isinstance(v, bool):
        return 0x32, b"", b"\x01" if v else b"\x00"
    if isinstance(v, int):
        if -2 ** 31 <= v < 2 ** 31:
            return 0x38, b"", struct.pack("<i", v)
        return 0x7F, b"", struct.pack("<q", v)
    if isinstance(v, float):
        return 0x3E, b"", struct.pack("<d", v)
    if isinstance(v, decimal.Decimal):
        exponent = v.as_tuple().exponent
        scale = max(0, -exponent) if isinstance(exponent, int) else 0
        enc, _ = _decimal_encoder(38, scale)
        return 0x6C, bytes([38, scale]), enc(v)[1:]
    if isinstance(v, datetime.datetime):
        return 0x3D, b"", _datetime8(v)
    if isinstance(v, bytes):
        return 0xA5, struct.pack("<H", 8000), v
    return 0xE7, COLLATION + struct.pack("<H", 8000), str(v).encode("utf-16-le")


def _variant(v):
    """sql_variant: total:4 (0 = NULL) base-type:1 prop-count:1 props data."""
    if v is None:
        return b"\x00\x00\x00\x00"
    base, props, data = _variant_parts(v)
    return struct.pack("<IBB", 2 + len(props) + len(data), base, len(props)) + props + data


def _wire_var(t, version):
    n = "nvarchar" if t.name == "sysname" else t.name
    length = 128 if t.name == "sysname" else t.length
    national = True if n in ("nchar", "nvarchar") else False if n in ("char", "varchar") else None
    if t.is_max:
        if version < TDS72:
            return _wire_text({"varchar": "text", "nvarchar": "ntext", "varbinary": "image"}[n], version)
        code = {"varchar": 0xA7, "nvarchar": 0xE7, "varbinary": 0xA5}[n]
        return Wire(0, _var_typeinfo(code, 0xFFFF, national is not None), _plp(national))
    code = {"char": 0xAF, "varchar": 0xA7, "nchar": 0xEF, "nvarchar": 0xE7,
            "binary": 0xAD, "varbinary": 0xA5}[n]
    byte_len = length * (2 if national else 1)
    enc = _padded(length, national) if n in ("char", "nchar", "binary") else _short_var(national)
    return Wire(0, _var_typeinfo(code, byte_len, national is not None), enc)


def _wire_text(n, version):
    code = {"text": 0x23, "ntext": 0x63, "image": 0x22}[n]
    national = True if n == "ntext" else False if n == "text" else None
    return Wire(0, _text_typeinfo(code, national), _text_ptr(national), is_text_ptr=True)
