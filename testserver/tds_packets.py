"""TDS packet framing: reading client messages, writing server replies.

Packet header (8 bytes, big-endian lengths):
  0 type:1   0x01 SQL batch, 0x03 RPC, 0x04 reply, 0x06 attention,
             0x0E transaction manager, 0x10 LOGIN7, 0x12 PRELOGIN
  1 status:1 bit 0 = last packet of the message
  2 length:2 header included
  4 spid:2   6 packet id:1   7 window:1
"""
import select
import struct

SQL_BATCH, RPC, REPLY, ATTENTION, TRANSACTION, LOGIN7, PRELOGIN = 0x01, 0x03, 0x04, 0x06, 0x0E, 0x10, 0x12
HEADER = struct.Struct(">BBHHBB")
MAX_MESSAGE = 64 * 1024 * 1024


class ClientGone(Exception):
    """The client closed the connection."""


class Attention(Exception):
    """The client cancelled the running request."""


def _read_exact(sock, n):
    chunks = []
    while n:
        data = sock.recv(min(n, 1 << 20))
        if not data:
            raise ClientGone()
        chunks.append(data)
        n -= len(data)
    return b"".join(chunks)


def read_message(sock):
    """One whole client message: (type, payload)."""
    parts, total = [], 0
    while True:
        kind, status, length, _spid, _pid, _win = HEADER.unpack(_read_exact(sock, 8))
        if length < 8:
            raise ClientGone()
        payload = _read_exact(sock, length - 8)
        total += len(payload)
        if total > MAX_MESSAGE:
            raise ClientGone()
        parts.append(payload)
        if status & 0x01:
            return kind, b"".join(parts)


class ReplyWriter:
    """Collects reply bytes and sends them as packets of the negotiated size.

    Full packets go out in batches; between batches the socket is polled for
    an attention packet, which raises Attention so a long result stops early.
    """

    BATCH_PACKETS = 64

    def __init__(self, sock, packet_size, spid):
        self.sock = sock
        self.spid = spid
        self.packet_size = packet_size
        self.buf = bytearray()
        self.packet_id = 1

    def set_packet_size(self, size):
        self.packet_size = size

    def write(self, data):
        self.buf += data
        if len(self.buf) >= self.BATCH_PACKETS * (self.packet_size - 8):
            self._send(final=False)
            self._poll_attention()

    def finish(self):
        """Sends what is left, the last packet marked end of message."""
        self._send(final=True)
        self.packet_id = 1

    def _send(self, final):
        room = self.packet_size - 8
        out = []
        pos, end = 0, len(self.buf)
        while end - pos > room or (final and (pos < end or not out)):
            chunk = self.buf[pos:pos + room]
            pos += len(chunk)
            last = final and pos >= end
            out.append(HEADER.pack(REPLY, 1 if last else 0, len(chunk) + 8, self.spid,
                                   self.packet_id, 0))
            out.append(chunk)
            self.packet_id = (self.packet_id + 1) & 0xFF
            if last:
                break
        del self.buf[:pos]
        if out:
            self.sock.sendall(b"".join(out))

    def _poll_attention(self):
        readable, _, _ = select.select([self.sock], [], [], 0)
        if not readable:
            return
        kind, _ = read_message(self.sock)
        if kind == ATTENTION:
            # What is buffered ends at a token boundary (the rows already
            # partly sent are completed), so the reply stays readable.
            raise Attention()
