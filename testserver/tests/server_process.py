"""Starts the test server as its own process for a test and stops it."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER_DIR = os.path.dirname(HERE)
FIXTURES = os.path.join(SERVER_DIR, "fixtures")
DRIVER = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"


class ServerProcess:
    def __init__(self, fixture, *options):
        self.fixture = fixture if os.path.isabs(fixture) else os.path.join(FIXTURES, fixture)
        self.options = list(options)
        self.dir = tempfile.mkdtemp(prefix="tds-test-")
        self.port = None
        self.proc = None

    @property
    def request_log(self):
        return os.path.join(self.dir, "requests.log")

    def start(self):
        port_file = os.path.join(self.dir, "port")
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(SERVER_DIR, "server.py"), "--fixture", self.fixture,
             "--port", "0", "--port-file", port_file, "--log", self.request_log] + self.options,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + 60
        while not os.path.exists(port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("server did not start: %s" % self.proc.stderr.read())
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())
        return self

    def stop(self):
        """SIGTERM; answers the exit code and what the server wrote to stderr."""
        self.proc.send_signal(signal.SIGTERM)
        try:
            _, err = self.proc.communicate(timeout=30)
        finally:
            shutil.rmtree(self.dir, ignore_errors=True)
        return self.proc.returncode, err

    def odbc(self, user="quill", password="Secret-1", database="Small", version="7.4"):
        return ("DRIVER=%s;SERVER=127.0.0.1;PORT=%d;UID=%s;PWD=%s;DATABASE=%s;TDS_Version=%s;"
                "ClientCharset=UTF-8" % (DRIVER, self.port, user, password, database, version))

    def requests(self):
        with open(self.request_log, encoding="utf-8") as f:
            return f.read().splitlines()
