"""PRELOGIN answer and LOGIN7 reading.

PRELOGIN options: token:1 offset:2(BE) length:2(BE) ... 0xFF, then data.
  0 VERSION (6 bytes), 1 ENCRYPTION (1 byte; 2 = not supported),
  2 INSTOPT, 3 THREADID, 4 MARS.
LOGIN7 (little-endian): length:4 tds_version:4 packet_size:4 prog_version:4
  pid:4 connection_id:4 flags1..3,type:4 timezone:4 lcid:4, then from byte 36
  offset:2/length:2 pairs (lengths in UTF-16 characters) for host, user,
  password, app, server, extension, library, language, database; the
  password's bytes are nibble-swapped and xor-ed with 0xA5.
"""
import struct

# TDS version as LOGIN7 carries it (read little-endian) -> protocol level.
LOGIN_VERSIONS = {0x71000000: 0x701, 0x71000001: 0x701,
                  0x72090002: 0x702, 0x730A0003: 0x703, 0x730B0003: 0x703,
                  0x74000004: 0x704}


class LoginError(Exception):
    pass


def prelogin_reply(version_bytes=b"\x0a\x00\x0f\xa0\x00\x00"):
    options = [(0x00, version_bytes), (0x01, b"\x02"), (0x02, b"\x00"),
               (0x03, b""), (0x04, b"\x00")]
    head_len = 5 * len(options) + 1
    head, data, offset = bytearray(), bytearray(), head_len
    for token, value in options:
        head += struct.pack(">BHH", token, offset + len(data), len(value))
        data += value
    return bytes(head) + b"\xff" + bytes(data)


def prelogin_encryption(payload):
    """The ENCRYPTION option a client sent, or None."""
    pos = 0
    while pos + 5 <= len(payload) and payload[pos] != 0xFF:
        token, offset, length = struct.unpack_from(">BHH", payload, pos)
        if token == 0x01 and length >= 1 and offset < len(payload):
            return payload[offset]
        pos += 5
    return None


def _decode_password(raw):
    out = bytearray()
    for b in raw:
        b ^= 0xA5
        out.append(((b & 0x0F) << 4) | (b >> 4))
    return bytes(out).decode("utf-16-le", errors="replace")


class Login:
    """What a LOGIN7 message asked for."""

    def __init__(self, payload):
        if len(payload) < 94:
            raise LoginError("short LOGIN7")
        length, raw_version, packet_size = struct.unpack_from("<III", payload, 0)
        self.raw_version = raw_version
        if raw_version not in LOGIN_VERSIONS:
            raise LoginError("unsupported TDS version 0x%08x" % raw_version)
        self.version = min(LOGIN_VERSIONS[raw_version], 0x704)
        self.packet_size = packet_size or 4096

        def text(index, password=False):
            off, count = struct.unpack_from("<HH", payload, 36 + 4 * index)
            raw = payload[off:off + 2 * count]
            return _decode_password(raw) if password else raw.decode("utf-16-le", errors="replace")
        self.host = text(0)
        self.user = text(1)
        self.password = text(2, password=True)
        self.app = text(3)
        self.server = text(4)
        self.library = text(6)
        self.language = text(7)
        self.database = text(8)
