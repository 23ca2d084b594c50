"""What the end-to-end tests share: the built programs, the test server, and
the independent readers (mdbtools, mdb-reader, jetcheck) of written files."""
import csv
import io
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SERVER_DIR = os.path.join(ROOT, "testserver")
sys.path.insert(0, SERVER_DIR)
import fixtures  # noqa: E402  (the test server's own fixture reader)

AGENT = os.environ.get("QUILL_AGENT", os.path.join(ROOT, "build", "agent", "QUILLAGENT"))
JETCHECK = os.environ.get("QUILL_JETCHECK", os.path.join(ROOT, "build", "jet", "jetcheck"))
MDB_READER_DIR = os.environ.get("QUILL_MDB_READER_DIR", os.path.join(ROOT, "build", "mdb-reader"))
SHARED_DIR = os.environ.get("QUILL_SHARED_DIR", os.path.join(os.path.dirname(ROOT), "shared"))
NULL = "<NULL>"


class TestServer:
    """The TDS test server on a free loopback port, stopped with SIGTERM."""

    def __init__(self, fixture):
        self.fixture = fixture if os.path.isabs(fixture) else os.path.join(SERVER_DIR, "fixtures", fixture)
        self.dir = tempfile.mkdtemp(prefix="e2e-server-")
        port_file = os.path.join(self.dir, "port")
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(SERVER_DIR, "server.py"), "--fixture", self.fixture,
             "--port", "0", "--port-file", port_file],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + 120
        while not os.path.exists(port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("test server did not start: %s" % self.proc.stderr.read())
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.communicate(timeout=30)


def run_agent(server_port, dest, *options, user="quill", password="Secret-1", src="Harbor", cwd=None):
    """Runs QUILLAGENT; answers (exit code, stdout, stderr)."""
    args = [AGENT, "--mssqlh=127.0.0.1,%d" % server_port, "--mssqlu=" + user, "--mssqlp=" + password,
            "--src=" + src, "--dest=" + dest] + list(options)
    done = subprocess.run(args, capture_output=True, text=True, timeout=900, cwd=cwd)
    return done.returncode, done.stdout, done.stderr


def tool(*args):
    return subprocess.run(list(args), capture_output=True, text=True, check=True, timeout=600).stdout


def jetcheck_strict(path, strict=True):
    """(exit code, output) of jetcheck --strict (or without it)."""
    done = subprocess.run([JETCHECK] + (["--strict"] if strict else []) + [path], capture_output=True, text=True,
                          timeout=600)
    return done.returncode, done.stdout + done.stderr


def mdb_tables(path):
    return [t for t in tool("mdb-tables", "-1", path).splitlines() if t]


def mdb_export(path, table):
    """The rows as mdb-export prints them: a list of lists of texts, NULL as None."""
    text = tool("mdb-export", "-H", "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", "-0", NULL, path, table)
    csv.field_size_limit(sys.maxsize)  # long values run to megabytes
    rows = list(csv.reader(io.StringIO(text, newline="")))
    return [[None if v == NULL else v for v in row] for row in rows]


def ensure_mdb_reader():
    """Installs the npm package mdb-reader into the build tree on first use."""
    if os.path.isdir(os.path.join(MDB_READER_DIR, "node_modules", "mdb-reader")):
        return
    os.makedirs(MDB_READER_DIR, exist_ok=True)
    subprocess.run(["npm", "install", "--no-audit", "--no-fund", "--prefix", MDB_READER_DIR, "mdb-reader@3.2.0"],
                   check=True, capture_output=True, timeout=600)


def mdb_reader(path):
    """The file as mdb-reader reads it: {table: {"columns": [...], "rows": [...]}}."""
    ensure_mdb_reader()
    out = tool("node", os.path.join(HERE, "mdb_reader_dump.mjs"), MDB_READER_DIR, path)
    return json.loads(out)["tables"]


def load_fixture(name):
    return fixtures.load(os.path.join(SERVER_DIR, "fixtures", name))
