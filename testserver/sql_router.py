"""Runs the statements of a batch, and RPC calls, against the fixture."""
import catalog_procs
import rpc_system
from fast_rows import generated_row_blocks
from responder import result_columns
from sql_lexer import SqlError, TokenStream, tokenize
from sql_statements import parse_batch
from tds_tokens import ResultColumn
from tds_types import wire_for


def run_batch(session, sql, resp):
    try:
        execute_text(session, sql, resp)
    except SqlError as e:
        resp.error(e, proc=getattr(e, "proc", ""))
        resp.finish(error=True)
        return
    resp.finish()


def execute_text(session, sql, resp, in_proc=False, variables=None):
    """Reads the whole text, then runs its statements; an error stops the rest."""
    for st in parse_batch(sql, variables):
        _run(session, st, resp, in_proc)


def run_rpc(session, call, resp):
    try:
        if call.name.lower() in rpc_system.PROCS:
            rpc_system.PROCS[call.name.lower()](session, call, resp)
        else:
            args = [(p.name or None, p.value) for p in call.params]
            _exec(session, _split_proc_name(call.name), args, resp)
    except SqlError as e:
        resp.error(e, proc=getattr(e, "proc", ""))
        resp.finish(error=True)
        return
    resp.finish()


def _split_proc_name(name):
    """Parts of an RPC's procedure name; leading empty parts ("..sp_x") are kept."""
    rest = name.lstrip(".")
    try:
        parts = TokenStream(tokenize(rest)).multipart_name()
    except SqlError:
        parts = [rest]
    return [""] * (len(name) - len(rest)) + parts


def _run(session, st, resp, in_proc):
    if st.kind == "set" and st.option == "TEXTSIZE":
        session.textsize = _textsize(st.words[0])
        return
    if st.kind in ("set", "tran"):
        return
    if st.kind == "use":
        db = session.fixture.database(st.database)
        if db is None:
            raise SqlError(911, 1, 16, "Database '%s' does not exist. Make sure that the name is "
                                       "entered correctly." % st.database)
        if not session.fixture.may_open(session.user, db):
            raise SqlError(916, 1, 14, 'The server principal "%s" is not able to access the database '
                                       '"%s" under the current security context.' % (session.user, db.name))
        old, session.database = session.database.name, db
        resp.envchange(1, db.name, old)
        resp.message(5701, 1, 0, "Changed database context to '%s'." % db.name, is_error=False)
        return
    if st.kind == "exec":
        _exec(session, st.proc, st.args, resp)
        return
    if st.kind == "select":
        _select(session, st, resp, in_proc)


def _exec(session, proc_parts, args, resp):
    name = proc_parts[-1]
    proc = catalog_procs.find(name)
    database = session.database
    if len(proc_parts) >= 3 and proc_parts[-3]:
        database = session.fixture.database(proc_parts[-3])
    if proc is None or database is None:
        raise SqlError(2812, 62, 16, "Could not find stored procedure '%s'." % ".".join(proc_parts))
    bound = proc.bind(args)
    results = proc.run(session, database, bound)
    for columns, rows in results:
        resp.result(result_columns(columns, session.version), rows, in_proc=True)
    resp.proc_done(0)


VARIABLES = {
    "@@VERSION": ("nvarchar(300)", lambda s: s.fixture.version),
    "@@SERVERNAME": ("nvarchar(128)", lambda s: s.fixture.name),
    "@@SPID": ("smallint", lambda s: s.spid),
    "@@TRANCOUNT": ("int", lambda s: 0),
    "@@MAX_PRECISION": ("tinyint", lambda s: 38),
    "@@LANGUAGE": ("nvarchar(128)", lambda s: "us_english"),
    "@@TEXTSIZE": ("int", lambda s: s.textsize),
}
FUNCTIONS = {
    "DB_NAME": ("nvarchar(128)", lambda s: s.database.name),
    "USER_NAME": ("nvarchar(128)", lambda s: "dbo"),
    "SUSER_SNAME": ("nvarchar(128)", lambda s: s.user),
    "SYSTEM_USER": ("nvarchar(128)", lambda s: s.user),
}


def _select(session, st, resp, in_proc):
    if st.table is None:
        _select_constants(session, st, resp, in_proc)
        return
    table = _resolve_table(session, st.table)
    columns, getters = [], []
    if any(i.kind == "count" for i in st.items):
        bad = next((i for i in st.items if i.kind in ("star", "column")), None)
        if bad:
            raise SqlError(8120, 1, 16, "Column '%s.%s' is invalid in the select list because it is "
                           "not contained in either an aggregate function or the GROUP BY clause."
                           % (table.name, bad.value or "*"))
        count = table.row_count() if st.where is not False else 0
        _select_constants(session, st, resp, in_proc, count)
        return
    for item in st.items:
        if item.kind == "star":
            for c in table.columns:
                columns.append(_table_column(c, table, session.version))
                getters.append(c.ordinal - 1)
        elif item.kind == "column":
            c = table.column(item.value)
            if c is None:
                raise SqlError(207, 1, 16, "Invalid column name '%s'." % item.value)
            col = _table_column(c, table, session.version)
            col.name = item.alias or c.name
            columns.append(col)
            getters.append(c.ordinal - 1)
        else:
            raise SqlError(102, 1, 15, "Incorrect syntax near '%s'." % (item.value or "*"))
    limits = [_long_limit(table.columns[g], session.textsize) for g in getters]
    if st.where is False:
        resp.result(columns, [], in_proc)
    elif any(limits):
        rows = (tuple(_cut(r[g], lim) for g, lim in zip(getters, limits)) for r in table.rows())
        resp.result(columns, rows, in_proc)
    elif getters == list(range(len(table.columns))):
        blocks = generated_row_blocks(table, [c.wire for c in columns])
        resp.result(columns, table.explicit_rows(), in_proc, blocks)
    else:
        rows = (tuple(r[g] for g in getters) for r in table.rows())
        resp.result(columns, rows, in_proc)


DEFAULT_TEXTSIZE = 4096
MAX_TEXTSIZE = 2147483647
LONG_TYPES = ("text", "ntext", "image")


def _textsize(word):
    """SET TEXTSIZE n: 0 restores the default, -1 means the largest."""
    try:
        n = int(word)
    except ValueError:
        raise SqlError(102, 1, 15, "Incorrect syntax near '%s'." % word)
    return DEFAULT_TEXTSIZE if n == 0 else MAX_TEXTSIZE if n < 0 else min(n, MAX_TEXTSIZE)


def _long_limit(column, textsize):
    """Characters (or bytes) of the column a SELECT returns under TEXTSIZE, or None."""
    t = column.sql_type
    if textsize >= MAX_TEXTSIZE or not (t.name in LONG_TYPES or t.is_max):
        return None
    return textsize // 2 if t.name in ("ntext", "nvarchar") else textsize


def _cut(value, limit):
    return value[:limit] if limit is not None and value is not None else value


def _table_column(c, table, version):
    return ResultColumn(c.name, wire_for(c.sql_type, version, c.nullable), c.nullable,
                        c.identity, table_name=table.name)


def _select_constants(session, st, resp, in_proc, count=None):
    """A one-row result of variables, functions and literals; with count
    given, COUNT(*) items answer it (a SELECT COUNT(*) FROM a table)."""
    columns, row = [], []
    for item in st.items:
        if item.kind == "count" and count is not None:
            type_text, value = "int", count
        else:
            type_text, value = _constant(session, item)
        columns.append((item.alias or "", type_text, True))
        row.append(value)
    resp.result(result_columns(columns, session.version), [tuple(row)], in_proc)


def _constant(session, item):
    """(type, value) of a select item that needs no table."""
    if item.kind == "variable" and item.value in VARIABLES:
        type_text, get = VARIABLES[item.value]
        return type_text, get(session)
    if item.kind == "function" and item.value in FUNCTIONS:
        type_text, get = FUNCTIONS[item.value]
        return type_text, get(session)
    if item.kind == "literal":
        value = item.value
        if item.literal == "number":
            return ("int", int(value)) if value.isdigit() else ("varchar(%d)" % len(value), value)
        national = item.literal == "nstring"
        return "%s(%d)" % ("nvarchar" if national else "varchar", max(1, len(value))), value
    if item.kind in ("star", "column", "count"):
        raise SqlError(263, 1, 16, "Must specify table to select from.")
    raise SqlError(195, 10, 15, "'%s' is not a recognized built-in function name." % item.value)


def _resolve_table(session, parts):
    written = ".".join(parts)
    name = parts[-1]
    owner = parts[-2] if len(parts) >= 2 and parts[-2] else "dbo"
    database = session.database
    if len(parts) >= 3 and parts[-3]:
        database = session.fixture.database(parts[-3])
    found = database.find_tables(name, owner) if database else []
    if not found:
        raise SqlError(208, 1, 16, "Invalid object name '%s'." % written)
    return found[0]

