"""A bare TDS client for the tests that real drivers cannot drive
(sending an attention at a chosen moment, looking at exact reply bytes)."""
import socket
import struct

HEADER = struct.Struct(">BBHHBB")
ALL_HEADERS = struct.pack("<IIHQI", 22, 18, 2, 0, 1)   # transaction descriptor header


def _packet(kind, payload, last=True):
    return HEADER.pack(kind, 1 if last else 0, len(payload) + 8, 0, 1, 0) + payload


def login7(user, password, database, tds_version=0x74000004):
    def enc_pw(text):
        out = bytearray()
        for b in text.encode("utf-16-le"):
            out.append((((b & 0x0F) << 4) | (b >> 4)) ^ 0xA5)
        return bytes(out)
    fields = [("rawhost", "host".encode("utf-16-le")), ("user", user.encode("utf-16-le")),
              ("pw", enc_pw(password)), ("app", "raw".encode("utf-16-le")),
              ("server", b""), ("ext", b""), ("lib", "raw".encode("utf-16-le")),
              ("lang", b""), ("db", database.encode("utf-16-le"))]
    fixed = 94
    offsets, data = bytearray(), bytearray()
    for name, value in fields:
        offsets += struct.pack("<HH", fixed + len(data), len(value) // (1 if name == "ext" else 2))
        data += value
    offsets += b"\x00" * 6 + struct.pack("<HHHHHHI", fixed + len(data), 0, fixed + len(data), 0,
                                          fixed + len(data), 0, 0)
    head = struct.pack("<IIIIII", fixed + len(data), tds_version, 4096, 7, 0, 0) + \
        bytes([0xE0, 0x03, 0, 0]) + struct.pack("<iI", 0, 0x409)
    return head + bytes(offsets) + bytes(data)


class RawClient:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)

    def send(self, kind, payload):
        self.sock.sendall(_packet(kind, payload))

    def read_packet(self):
        head = self._exact(8)
        kind, status, length, _, _, _ = HEADER.unpack(head)
        return status, self._exact(length - 8)

    def read_reply(self):
        parts = []
        while True:
            status, data = self.read_packet()
            parts.append(data)
            if status & 1:
                return b"".join(parts)

    def _exact(self, n):
        out = b""
        while len(out) < n:
            chunk = self.sock.recv(n - len(out))
            if not chunk:
                raise ConnectionError("server closed the connection")
            out += chunk
        return out

    def login(self, user, password, database):
        self.send(0x12, b"\x00\x00\x0b\x00\x06\x01\x00\x11\x00\x01\xff" + b"\x0b\x00\x00\x00\x00\x00\x00")
        self.read_reply()
        self.send(0x10, login7(user, password, database))
        return self.read_reply()

    def batch(self, sql):
        self.send(0x01, ALL_HEADERS + sql.encode("utf-16-le"))

    def close(self):
        self.sock.close()
