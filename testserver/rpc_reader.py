"""Reading an RPC request: the procedure and its typed parameters.

RPC message: [ALL_HEADERS from 7.2: total:4 ...] name:US_VARCHAR (or 0xFFFF
proc-id:2) options:2, then parameters: name:B_VARCHAR status:1 TYPE_INFO value.
"""
import datetime
import decimal
import struct
import uuid

from sql_lexer import SqlError
from tds_types import TDS72

PROC_IDS = {1: "sp_cursor", 2: "sp_cursoropen", 9: "sp_cursorclose", 10: "sp_executesql",
            11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec", 15: "sp_unprepare"}
FIXED_SIZES = {0x1F: 0, 0x30: 1, 0x32: 1, 0x34: 2, 0x38: 4, 0x3A: 4, 0x3B: 4, 0x3C: 8,
               0x3D: 8, 0x3E: 8, 0x7A: 4, 0x7F: 8}
BYTE_LEN = (0x26, 0x68, 0x6D, 0x6E, 0x6F, 0x24, 0x6A, 0x6C, 0x28, 0x29, 0x2A, 0x2B)
USHORT_LEN = (0xA7, 0xAF, 0xE7, 0xEF, 0xA5, 0xAD)
LONG_LEN = (0x23, 0x63, 0x22)
NATIONAL = (0xE7, 0xEF, 0x63)
CHARS = (0xA7, 0xAF, 0x23)
INT_FORMATS = {1: "<B", 2: "<h", 4: "<i", 8: "<q"}


class Param:
    def __init__(self, name, value, output):
        self.name, self.value, self.output = name, value, output


class RpcCall:
    def __init__(self, name, params):
        self.name, self.params = name, params


def _bad():
    return SqlError(8009, 1, 16, "The incoming tabular data stream (TDS) remote procedure call "
                                 "(RPC) protocol stream is incorrect.")


class _Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        if self.pos + n > len(self.data):
            raise _bad()
        out = self.data[self.pos:self.pos + n]
        self.pos += n
        return out

    def unpack(self, fmt):
        s = struct.calcsize(fmt)
        return struct.unpack(fmt, self.take(s))[0]

    def at_end(self):
        return self.pos >= len(self.data)


def read_rpc(payload, version):
    r = _Reader(payload)
    if version >= TDS72:
        r.take(r.unpack("<I") - 4)
    name_len = r.unpack("<H")
    if name_len == 0xFFFF:
        proc_id = r.unpack("<H")
        name = PROC_IDS.get(proc_id, "#%d" % proc_id)
    else:
        name = r.take(2 * name_len).decode("utf-16-le", errors="replace")
    r.unpack("<H")
    params = []
    while not r.at_end() and r.data[r.pos] not in (0x80, 0xFF, 0xFE):
        pname = r.take(2 * r.unpack("<B")).decode("utf-16-le", errors="replace")
        status = r.unpack("<B")
        params.append(Param(pname, _read_value(r), bool(status & 0x01)))
    return RpcCall(name, params)


def _read_plp(r):
    total = r.unpack("<Q")
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    parts = []
    while True:
        n = r.unpack("<I")
        if n == 0:
            return b"".join(parts)
        parts.append(r.take(n))


def _read_value(r):
    code = r.unpack("<B")
    if code in FIXED_SIZES:
        raw = r.take(FIXED_SIZES[code])
        return _decode(code, raw, 0, 0) if code != 0x1F else None
    if code in BYTE_LEN:
        maxlen, prec, scale = 0, 0, 0
        if code in (0x6A, 0x6C):
            maxlen, prec, scale = r.take(3)
        elif code in (0x29, 0x2A, 0x2B):
            scale = r.unpack("<B")
        elif code != 0x28:
            maxlen = r.unpack("<B")
        n = r.unpack("<B")
        return None if n == 0 else _decode(code, r.take(n), maxlen or n, scale)
    if code in USHORT_LEN:
        maxlen = r.unpack("<H")
        if code not in (0xA5, 0xAD):
            r.take(5)
        if maxlen == 0xFFFF:
            raw = _read_plp(r)
        else:
            n = r.unpack("<H")
            raw = None if n == 0xFFFF else r.take(n)
        return None if raw is None else _decode(code, raw, len(raw), 0)
    if code in LONG_LEN:
        r.unpack("<i")
        if code != 0x22:
            r.take(5)
        n = r.unpack("<i")
        return None if n < 0 else _decode(code, r.take(n), n, 0)
    if code == 0xF1:
        if r.unpack("<B"):
            raise _bad()
        raw = _read_plp(r)
        return None if raw is None else raw.decode("utf-16-le", errors="replace")
    raise _bad()


def _decode(code, raw, size, scale):
    if code in NATIONAL:
        return raw.decode("utf-16-le", errors="replace")
    if code in CHARS:
        return raw.decode("cp1252", errors="replace")
    if code in (0x30, 0x34, 0x38, 0x7F, 0x26):
        return struct.unpack(INT_FORMATS[len(raw)], raw)[0]
    if code in (0x32, 0x68):
        return raw != b"\x00"
    if code in (0x3B, 0x3E, 0x6D):
        return struct.unpack("<f" if len(raw) == 4 else "<d", raw)[0]
    if code in (0x6A, 0x6C):
        units = int.from_bytes(raw[1:], "little")
        return decimal.Decimal(units if raw[0] else -units).scaleb(-scale)
    if code == 0x24:
        return str(uuid.UUID(bytes_le=raw)).upper()
    if code in (0x3C, 0x7A, 0x6E):
        if len(raw) == 8:
            hi, lo = struct.unpack("<iI", raw)
            return decimal.Decimal((hi << 32) | lo).scaleb(-4)
        return decimal.Decimal(struct.unpack("<i", raw)[0]).scaleb(-4)
    if code in (0x3D, 0x3A, 0x6F):
        if len(raw) == 8:
            days, ticks = struct.unpack("<iI", raw)
            return datetime.datetime(1900, 1, 1) + datetime.timedelta(days=days, seconds=ticks / 300)
        days, minutes = struct.unpack("<HH", raw)
        return datetime.datetime(1900, 1, 1) + datetime.timedelta(days=days, minutes=minutes)
    return bytes(raw)
