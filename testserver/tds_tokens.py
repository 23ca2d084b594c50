"""Builders for the tokens of a tabular result (server to client).

Byte maps (little-endian unless noted):
  LOGINACK   AD len:2 interface:1 tds_version:4(big-endian) name:B_VARCHAR prog_version:4
  ENVCHANGE  E3 len:2 type:1 new old          (B_VARCHAR texts, B_VARBYTE collation)
  ERROR/INFO AA|AB len:2 number:4 state:1 class:1 text:US_VARCHAR server:B_VARCHAR
             proc:B_VARCHAR line:4 (2 before 7.2)
  DONE*      FD|FE|FF status:2 curcmd:2 rowcount:8 (4 before 7.2)
  RETURNSTATUS 79 value:4
  RETURNVALUE AC ordinal:2 name:B_VARCHAR status:1 usertype flags:2 TYPE_INFO value
  COLMETADATA 81 count:2 { usertype:4 (2 before 7.2) flags:2 TYPE_INFO
             [table name of TEXT/NTEXT/IMAGE] name:B_VARCHAR }
  ROW        D1 values;  NBCROW D2 null-bitmap values-of-non-null-columns
"""
import struct

from tds_types import TDS72, TDS73

DONE_FINAL, DONE_MORE, DONE_ERROR, DONE_COUNT, DONE_ATTN = 0x00, 0x01, 0x02, 0x10, 0x20
DONE, DONEPROC, DONEINPROC = 0xFD, 0xFE, 0xFF

# COLMETADATA flags
FLAG_NULLABLE, FLAG_IDENTITY = 0x0001, 0x0010
FLAG_UPDATABLE_UNKNOWN = 0x0008


def b_varchar(text):
    data = text.encode("utf-16-le")
    return bytes([len(data) // 2]) + data


def us_varchar(text):
    data = text.encode("utf-16-le")
    return struct.pack("<H", len(data) // 2) + data


def loginack(version, prog_name, prog_version):
    tds_ver = {0x701: 0x71000001, 0x702: 0x72090002, 0x703: 0x730B0003, 0x704: 0x74000004}[version]
    body = (b"\x01" + struct.pack(">I", tds_ver) + b_varchar(prog_name) + bytes(prog_version))
    return b"\xad" + struct.pack("<H", len(body)) + body


def envchange_text(kind, new, old):
    body = bytes([kind]) + b_varchar(new) + b_varchar(old)
    return b"\xe3" + struct.pack("<H", len(body)) + body


def envchange_binary(kind, new, old):
    """ENVCHANGE whose values are B_VARBYTE (transaction descriptors)."""
    body = bytes([kind, len(new)]) + new + bytes([len(old)]) + old
    return b"\xe3" + struct.pack("<H", len(body)) + body


def envchange_collation(collation):
    body = b"\x07" + bytes([len(collation)]) + collation + b"\x00"
    return b"\xe3" + struct.pack("<H", len(body)) + body


def message(is_error, number, state, severity, text, server, proc, line, version):
    body = (struct.pack("<iBB", number, state, severity) + us_varchar(text)
            + b_varchar(server) + b_varchar(proc)
            + (struct.pack("<i", line) if version >= TDS72 else struct.pack("<h", line)))
    return (b"\xaa" if is_error else b"\xab") + struct.pack("<H", len(body)) + body


def done(kind, status, curcmd, rowcount, version):
    count = struct.pack("<Q", rowcount) if version >= TDS72 else struct.pack("<I", rowcount & 0xFFFFFFFF)
    return bytes([kind]) + struct.pack("<HH", status, curcmd) + count


def returnstatus(value):
    return b"\x79" + struct.pack("<i", value)


def returnvalue(ordinal, name, wire, value, version):
    """RETURNVALUE: ordinal:2 name:B_VARCHAR status:1 usertype flags:2 TYPE_INFO value."""
    return (b"\xac" + struct.pack("<H", ordinal) + b_varchar(name) + b"\x01"
            + struct.pack("<I" if version >= TDS72 else "<H", wire.usertype)
            + struct.pack("<H", FLAG_NULLABLE) + wire.typeinfo + wire.encode(value))


class ResultColumn:
    """A column of a result set: its name, wire form and flags."""

    def __init__(self, name, wire, nullable=True, identity=False, table_name=""):
        self.name = name
        self.wire = wire
        self.nullable = nullable
        self.identity = identity
        self.table_name = table_name


def colmetadata(columns, version):
    out = [b"\x81", struct.pack("<H", len(columns))]
    for c in columns:
        flags = FLAG_UPDATABLE_UNKNOWN | (FLAG_NULLABLE if c.nullable else 0) | (FLAG_IDENTITY if c.identity else 0)
        out.append(struct.pack("<I" if version >= TDS72 else "<H", c.wire.usertype))
        out.append(struct.pack("<H", flags))
        out.append(c.wire.typeinfo)
        if c.wire.is_text_ptr:
            if version >= TDS72:
                out.append(b"\x01" + us_varchar(c.table_name))
            else:
                out.append(us_varchar(c.table_name))
        out.append(b_varchar(c.name))
    return b"".join(out)


def row_encoder(columns, version):
    """A function turning one row (sequence of values) into ROW or NBCROW bytes."""
    encoders = [c.wire.encode for c in columns]
    count = len(encoders)
    use_nbc = version >= TDS73

    def encode(values):
        if use_nbc and None in values:
            bitmap = bytearray((count + 7) // 8)
            parts = [b"\xd2", b""]
            for i, (enc, v) in enumerate(zip(encoders, values)):
                if v is None:
                    bitmap[i >> 3] |= 1 << (i & 7)
                else:
                    parts.append(enc(v))
            parts[1] = bytes(bitmap)
            return b"".join(parts)
        return b"\xd1" + b"".join([enc(v) for enc, v in zip(encoders, values)])
    return encode
