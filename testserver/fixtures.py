"""Fixture databases read from a JSON file.

Layout of the file:
  {"server": {"name": .., "version": "Microsoft SQL Server  2000 - ..",
              "logins": {"user": "password",
                         "user2": {"password": .., "databases": [..]}, ..}},
   "databases": [{"name": .., "tables": [{
       "owner": "dbo", "name": ..,
       "columns": [{"name": .., "type": "decimal(10,2)", "nullable": true,
                    "identity": false, "default": "((0))"}, ..],
       "primary_key": {"name": .., "columns": [..], "clustered": true},
       "indexes": [{"name": .., "columns": [..], "unique": false}],
       "rows": [[v, ..], ..],
       "generate": {"rows": N, "columns": {"col": spec, ..}}}]}]}
Values are JSON scalars read by column type: dates as "YYYY-MM-DD hh:mm:ss.fff",
exact numbers as text, binary as "0x.." hex; {"repeat": text, "length": n}
builds a long text (or, for binary columns, repeats the hex bytes) at load
time.  Generated rows are made one at a time when read (fixture_values.py).
"""
import json

from fixture_values import make_generator, read_value
from tds_types import SqlType

SYSTEM_DATABASES = ("master", "model", "msdb", "tempdb")


class FixtureError(Exception):
    pass


class Column:
    def __init__(self, spec, ordinal):
        self.name = spec["name"]
        self.type_text = spec["type"]
        self.sql_type = SqlType(spec["type"])
        self.identity = bool(spec.get("identity", False))
        self.nullable = bool(spec.get("nullable", True)) and not self.identity \
            and self.sql_type.name != "timestamp"
        self.default = spec.get("default")
        self.ordinal = ordinal


class Index:
    def __init__(self, name, columns, unique, primary, clustered):
        self.name, self.columns = name, list(columns)
        self.unique, self.primary, self.clustered = unique, primary, clustered


class Table:
    def __init__(self, spec):
        self.owner = spec.get("owner", "dbo")
        self.name = spec["name"]
        self.columns = [Column(c, i + 1) for i, c in enumerate(spec["columns"])]
        names = [c.name.lower() for c in self.columns]
        if len(set(names)) != len(names):
            raise FixtureError("table %s has two columns of one name" % self.name)
        self.indexes = []
        pk = spec.get("primary_key")
        if pk:
            self.indexes.append(Index(pk["name"], pk["columns"], True, True, pk.get("clustered", True)))
        for ix in spec.get("indexes", []):
            self.indexes.append(Index(ix["name"], ix["columns"], bool(ix.get("unique")), False,
                                      bool(ix.get("clustered"))))
        for ix in self.indexes:
            for col in ix.columns:
                if col.lower() not in names:
                    raise FixtureError("index %s names unknown column %s" % (ix.name, col))
        self._rows = [self._read_row(r) for r in spec.get("rows", [])]
        gen = spec.get("generate")
        self._generated = gen and int(gen["rows"])
        self.generator_specs = gen.get("columns", {}) if gen else {}
        self._make_row = make_generator(self.columns, self.generator_specs) if gen else None

    def _read_row(self, raw):
        if len(raw) != len(self.columns):
            raise FixtureError("row of %s has %d values for %d columns"
                               % (self.name, len(raw), len(self.columns)))
        row = tuple(read_value(c, v) for c, v in zip(self.columns, raw))
        for c, v in zip(self.columns, row):
            if v is None and not c.nullable:
                raise FixtureError("NULL in NOT NULL column %s.%s" % (self.name, c.name))
        return row

    def column(self, name):
        for c in self.columns:
            if c.name.lower() == name.lower():
                return c
        return None

    def row_count(self):
        return len(self._rows) + (self._generated or 0)

    def rows(self):
        yield from self._rows
        if self._generated:
            make = self._make_row
            for i in range(self._generated):
                yield make(i)

    def explicit_rows(self):
        return self._rows

    def generated_count(self):
        return self._generated or 0

    def primary_key(self):
        return next((ix for ix in self.indexes if ix.primary), None)


class Database:
    def __init__(self, spec):
        self.name = spec["name"]
        self.tables = [Table(t) for t in spec.get("tables", [])]

    def find_tables(self, name, owner=None):
        """Tables of this name (case ignored), under the owner when given."""
        return [t for t in self.tables if t.name.lower() == name.lower()
                and (owner is None or t.owner.lower() == owner.lower())]


class ServerFixture:
    def __init__(self, spec):
        server = spec.get("server", {})
        self.name = server.get("name", "QUILLTEST")
        self.version = server.get(
            "version", "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n"
            "\tCopyright (c) 1988-2003 Microsoft Corporation\n\tDeveloper Edition on Windows NT 5.1 "
            "(Build 2600: Service Pack 2)\n")
        self.logins, self.login_databases = {}, {}
        for user, entry in server.get("logins", {"sa": "quill"}).items():
            if isinstance(entry, dict):
                self.logins[user] = entry["password"]
                self.login_databases[user] = {d.lower() for d in entry.get("databases", [])}
            else:
                self.logins[user] = entry
        self.databases = [Database({"name": n}) for n in SYSTEM_DATABASES]
        for d in spec.get("databases", []):
            self.databases.append(Database(d))

    def may_open(self, user, database):
        """Whether the login may use the database (every one unless its list says)."""
        allowed = self.login_databases.get(user)
        return allowed is None or database.name.lower() in allowed

    def database(self, name):
        for d in self.databases:
            if d.name.lower() == name.lower():
                return d
        return None


def load(path, version=None, logins=None):
    with open(path, encoding="utf-8") as f:
        spec = json.load(f)
    fixture = ServerFixture(spec)
    if version is not None:
        fixture.version = version
    if logins:
        fixture.logins.update(logins)
    return fixture
