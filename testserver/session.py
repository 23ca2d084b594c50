"""One client connection: pre-login, login, then requests until the client leaves."""
import re
import struct
import traceback

import tds_tokens as tok
from responder import Responder
from rpc_reader import read_rpc
from sql_lexer import SqlError
from sql_router import run_batch, run_rpc
from tds_login import Login, LoginError, prelogin_reply
from tds_packets import (ATTENTION, LOGIN7, PRELOGIN, RPC, SQL_BATCH, TRANSACTION, Attention,
                         ClientGone, ReplyWriter, read_message)
from tds_types import COLLATION, TDS72

MIN_PACKET, MAX_PACKET = 512, 32767


def product_version(version_text):
    """(major, minor, build) read from an @@VERSION text, or SQL Server 2008's."""
    m = re.search(r"(\d{1,3})\.(\d{1,3})\.(\d{1,5})", version_text)
    if not m:
        return (10, 0, 4000)
    major, minor, build = (int(g) for g in m.groups())
    return (major & 0xFF, minor & 0xFF, build & 0xFFFF)


def _short(value):
    text = repr(value)
    return text if len(text) <= 200 else text[:200] + "...(%d)" % len(text)


class Session:
    def __init__(self, sock, fixture, spid, log):
        self.sock = sock
        self.fixture = fixture
        self.spid = spid
        self.log = log
        self.version = TDS72
        self.database = None
        self.user = ""
        self.writer = ReplyWriter(sock, 4096, spid)
        self.prepared = {}
        self.textsize = 4096   # SQL Server's until the client sets TEXTSIZE
        self._handles = 0

    def next_handle(self):
        self._handles += 1
        return self._handles

    @property
    def server_name(self):
        return self.fixture.name

    def responder(self):
        return Responder(self.writer, self.version, self.server_name)

    def run(self):
        try:
            if not self._login():
                return
            while True:
                kind, payload = read_message(self.sock)
                self._request(kind, payload)
        except ClientGone:
            pass
        except (ConnectionError, OSError):
            pass

    def _login(self):
        kind, payload = read_message(self.sock)
        major, minor, build = product_version(self.fixture.version)
        if kind == PRELOGIN:
            reply = prelogin_reply(bytes([major, minor]) + struct.pack(">HH", build, 0))
            self.writer.write(reply)
            self.writer.finish()
            kind, payload = read_message(self.sock)
        if kind != LOGIN7:
            return False
        try:
            login = Login(payload)
        except LoginError as e:
            self.log("login refused: %s" % e)
            return False
        self.version = login.version
        resp = self.responder()
        self.log("login user=%r database=%r app=%r tds=0x%x" % (login.user, login.database,
                                                                  login.app, login.version))
        if self.fixture.logins.get(login.user) != login.password:
            resp.message(18456, 1, 14, "Login failed for user '%s'." % login.user)
            resp.finish(error=True)
            return False
        db_name = login.database or "master"
        database = self.fixture.database(db_name)
        if database is None or not self.fixture.may_open(login.user, database):
            resp.message(4060, 1, 11, "Cannot open database \"%s\" requested by the login. "
                         "The login failed." % db_name)
            resp.message(18456, 1, 14, "Login failed for user '%s'." % login.user)
            resp.finish(error=True)
            return False
        self.user, self.database = login.user, database
        packet_size = min(max(login.packet_size, MIN_PACKET), MAX_PACKET)
        resp.envchange(1, database.name, "master")
        resp.message(5701, 2, 0, "Changed database context to '%s'." % database.name, is_error=False)
        resp.writer.write(tok.envchange_collation(COLLATION))
        resp.envchange(2, "us_english", "")
        resp.message(5703, 1, 0, "Changed language setting to us_english.", is_error=False)
        resp.writer.write(tok.loginack(self.version, "Microsoft SQL Server",
                                       (major, minor, build >> 8, build & 0xFF)))
        resp.envchange(4, str(packet_size), str(login.packet_size))
        resp.finish()
        self.writer.set_packet_size(packet_size)
        return True

    def _request(self, kind, payload):
        resp = self.responder()
        if kind == ATTENTION:
            resp.finish(attention=True)
            return
        if kind == TRANSACTION:
            self._transaction(payload, resp)
            return
        if kind not in (SQL_BATCH, RPC):
            raise ClientGone()
        try:
            if kind == SQL_BATCH:
                text = self._batch_text(payload)
                self.log("batch: %s" % text)
                run_batch(self, text, resp)
            else:
                call = read_rpc(payload, self.version)
                self.log("rpc: %s %s" % (call.name, [(p.name, _short(p.value)) for p in call.params]))
                run_rpc(self, call, resp)
        except Attention:
            resp.finish(attention=True)
        except SqlError as e:
            # An error no statement caught (a malformed request): refuse the whole request.
            resp.error(e)
            resp.finish(error=True)
        except Exception as e:  # a fault of this server: say so rather than drop the client
            traceback.print_exc()
            resp.message(50000, 1, 16, "test server fault: %s: %s" % (type(e).__name__, e))
            resp.finish(error=True)

    def _transaction(self, payload, resp):
        """A transaction manager request (begin 5, commit 7, rollback 8): nothing
        is ever written here, so it only moves the transaction descriptor."""
        headers_len = struct.unpack_from("<I", payload, 0)[0] if len(payload) >= 4 else 0
        request = struct.unpack_from("<H", payload, headers_len)[0] if len(payload) >= headers_len + 2 else 0
        self.log("transaction request %d" % request)
        descriptor = struct.pack("<Q", self.spid)
        if request == 5:
            resp.writer.write(tok.envchange_binary(8, descriptor, b""))
        elif request in (7, 8):
            resp.writer.write(tok.envchange_binary(9 if request == 7 else 10, b"", descriptor))
        else:
            resp.message(3903, 1, 16, "The request has no corresponding transaction request.")
            resp.finish(error=True)
            return
        resp.finish()

    def _batch_text(self, payload):
        if self.version >= TDS72 and len(payload) >= 4:
            headers_len = struct.unpack_from("<I", payload, 0)[0]
            payload = payload[headers_len:]
        return payload.decode("utf-16-le", errors="replace")


