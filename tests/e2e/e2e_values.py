"""Values of the source fixture and of the readers brought to one form per
Access column type, so that what a reader shows can be compared with what
the server served (after the documented mappings: money to Currency,
decimal, bigint and float to Double, real to Single, dates to Date/Time at
whole seconds, GUIDs to braced text, binary to Binary or OLE object)."""
import datetime
import decimal
import math
import struct
import sys

INTEGERS = ("byte", "integer", "long")
TEXTS = ("text", "memo")
BINARIES = ("binary", "ole")
ACCESS_EPOCH = datetime.datetime(1899, 12, 30)


def _as_datetime(value):
    if isinstance(value, datetime.datetime):
        return value.replace(tzinfo=None)
    if isinstance(value, datetime.date):
        return datetime.datetime(value.year, value.month, value.day)
    if isinstance(value, datetime.time):
        return datetime.datetime.combine(ACCESS_EPOCH.date(), value)
    raise TypeError("not a date: %r" % (value,))


def _single(x):
    return struct.unpack("<f", struct.pack("<f", float(x)))[0]


def _jet_text(text, jet3):
    """Access 95/97 files hold code page 1252 text: other characters become
    "?".  Access 2000 files hold UTF-16 and keep every character."""
    if jet3:
        return text.encode("cp1252", "replace").decode("cp1252")
    return text


def _server_text(value):
    """The text SQL Server gives a time, datetime2 or datetimeoffset of scale
    7, which old clients receive instead of the value (seven fraction digits,
    the offset after a blank)."""
    fraction = ".%06d0" % value.microsecond
    if isinstance(value, datetime.time):
        return value.strftime("%H:%M:%S") + fraction
    text = value.strftime("%Y-%m-%d %H:%M:%S").rjust(19, "0") + fraction
    offset = value.utcoffset()
    if offset is not None:
        minutes = int(offset.total_seconds()) // 60
        text += " %s%02d:%02d" % ("-" if minutes < 0 else "+", abs(minutes) // 60, abs(minutes) % 60)
    return text


def expected(kind, value, jet3=False):
    """The fixture's value as the Access column of type `kind` keeps it."""
    if value is None:
        return False if kind == "boolean" else None
    if kind in INTEGERS:
        return int(value)
    if kind == "boolean":
        return bool(value)
    if kind == "currency":
        return decimal.Decimal(value).quantize(decimal.Decimal("0.0001"))
    if kind == "float":
        return _single(value)
    if kind == "double":
        return float(value)
    if kind == "datetime":
        return _as_datetime(value)
    if kind in TEXTS:
        text = _server_text(value) if isinstance(value, (datetime.time, datetime.datetime)) else str(value)
        if len(text) == 36 and text.count("-") == 4:
            text = "{" + text + "}"
        return _jet_text(text, jet3)
    if kind in BINARIES:
        return bytes(value)
    raise TypeError("no mapping for %s" % kind)


def from_reader(kind, value):
    """A value as mdb-reader hands it (JSON from mdb_reader_dump.mjs)."""
    if value is None:
        return None
    if kind == "currency":
        return decimal.Decimal(value)
    if kind == "datetime":
        return datetime.datetime.strptime(value, "%Y-%m-%dT%H:%M:%S.%fZ")
    if kind in BINARIES:
        return bytes.fromhex(value)
    if kind in ("float", "double"):
        return float(value)
    return value


def from_export(kind, text):
    """A value as mdb-export prints it (text; None for NULL)."""
    if text is None:
        return None
    if kind in INTEGERS:
        return int(text)
    if kind == "boolean":
        return text == "1"
    if kind == "currency":
        return decimal.Decimal(text)
    if kind in ("float", "double"):
        value = float(text)  # mdb-export rounds the largest doubles up past the range
        return math.copysign(sys.float_info.max, value) if math.isinf(value) else value
    if kind == "datetime":
        return datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
    if kind in BINARIES:
        return bytes.fromhex(text)
    return text


def _export_text(text):
    """What mdb-export makes of a text: a character beyond UCS-2 becomes "??"."""
    return "".join("??" if ord(c) > 0xFFFF else c for c in text)


# mdb-export prints at most this many characters of a long text.
EXPORT_TEXT_CAP = 100_000


def same(kind, want, got, export=False):
    """True when a reader's value equals the expected one.  Through
    mdb-export (export=True) an empty text prints as NULL does, a character
    beyond UCS-2 prints as "??" and long texts print cut short."""
    if export and kind in TEXTS:
        if {want, got} <= {None, ""}:
            return True
        if want is not None and got is not None:
            want = _export_text(want)
            if len(got) >= EXPORT_TEXT_CAP and want.startswith(got):
                return True
    if want is None or got is None:
        return want is got
    if kind == "float":
        return math.isclose(want, got, rel_tol=1e-6, abs_tol=1e-30)
    if kind == "double":
        return math.isclose(want, got, rel_tol=1e-12, abs_tol=1e-300)
    if kind == "datetime":
        return abs((want - got).total_seconds()) <= 1.0  # kept at whole seconds
    if kind in TEXTS:
        a, b = want.rstrip(" "), got.rstrip(" ")
        return a == b or (a.startswith("{") and a.lower() == b.lower())
    return want == got
