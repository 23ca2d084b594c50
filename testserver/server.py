"""The test server: listens on loopback and serves each client on its own thread.

  python3 testserver/server.py --fixture F.json [--port 0] [--port-file P]
        [--version-text TEXT] [--login USER:PASSWORD] [--log FILE]

With --port 0 the system picks a free port; the port is printed on stdout
as "listening on 127.0.0.1:PORT" and written to --port-file once the server
accepts connections.  SIGTERM and SIGINT stop it cleanly.
"""
import argparse
import itertools
import os
import signal
import socket
import socketserver
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import fixtures  # noqa: E402
from session import Session  # noqa: E402


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        server = self.server
        spid = next(server.spids)
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        Session(self.request, server.fixture, spid, server.log).run()


class TdsServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, fixture, port=0, log_path=None):
        super().__init__(("127.0.0.1", port), _Handler)
        self.fixture = fixture
        self.spids = itertools.count(51)
        self._log_lock = threading.Lock()
        self._log_file = open(log_path, "a", encoding="utf-8") if log_path else None

    @property
    def port(self):
        return self.server_address[1]

    def log(self, line):
        if self._log_file:
            with self._log_lock:
                self._log_file.write(line.replace("\r", "\\r").replace("\n", "\\n") + "\n")
                self._log_file.flush()

    def server_close(self):
        super().server_close()
        if self._log_file:
            self._log_file.close()


def _parse_login(text):
    user, sep, password = text.partition(":")
    if not sep:
        raise argparse.ArgumentTypeError("--login wants USER:PASSWORD")
    return user, password


def main(argv=None):
    ap = argparse.ArgumentParser(description="TDS test server serving fixture databases")
    ap.add_argument("--fixture", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--version-text", help="the @@VERSION text to answer")
    ap.add_argument("--login", type=_parse_login, action="append", default=[],
                    help="an accepted USER:PASSWORD (repeatable)")
    ap.add_argument("--log", help="append each request received to this file")
    args = ap.parse_args(argv)
    try:
        fixture = fixtures.load(args.fixture, args.version_text, dict(args.login))
    except (OSError, ValueError, KeyError, fixtures.FixtureError) as e:
        print("cannot load fixture %s: %s" % (args.fixture, e), file=sys.stderr)
        return 2
    server = TdsServer(fixture, args.port, args.log)

    def stop(_signum, _frame):
        threading.Thread(target=server.shutdown, daemon=True).start()
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.port)
        os.replace(tmp, args.port_file)
    print("listening on 127.0.0.1:%d" % server.port, flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
