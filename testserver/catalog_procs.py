"""The catalog procedures: sp_databases, sp_tables, sp_columns, sp_pkeys,
sp_statistics, sp_special_columns, sp_datatype_info, sp_server_info (and,
from catalog_empty, those the fixtures have nothing for).

Each answers a list of result sets, (column specs, rows), with the layouts
SQL Server documents.  Names are matched as SQL Server matches them: LIKE
patterns where the procedure takes patterns, case ignored everywhere.
"""
import catalog_empty
from catalog_types import char_octet_length, facts, type_name
from datatype_info import datatype_info_result
from proc_params import REQUIRED, Procedure, int_arg, text_arg
from sql_lexer import SqlError
from sql_like import like

SYSNAME = "sysname"
WILDCARDS = "%_["


def _check_qualifier(database, qualifier):
    if qualifier not in (None, "") and qualifier.lower() != database.name.lower():
        raise SqlError(15250, 1, 16, "The database name component of the object qualifier must "
                                     "be the name of the current database.")


def _exact_or_pattern(database, name, owner):
    """sp_columns' lookup: a plain name naming a table is taken exactly
    (unqualified names resolve to dbo); anything else is a LIKE pattern."""
    plain = not any(ch in (name or "") + (owner or "") for ch in WILDCARDS)
    if plain:
        found = database.find_tables(name, owner or "dbo")
        if found:
            return found
    return [t for t in database.tables
            if like(t.name, name) and like(t.owner, owner if owner is not None else "%")]


def _visible(database, name, owner):
    """sp_pkeys / sp_statistics: one table, an unqualified name meaning dbo's."""
    return database.find_tables(name, owner if owner not in (None, "") else "dbo")[:1]


def sp_databases(session, database, args):
    cols = [("DATABASE_NAME", SYSNAME, False), ("DATABASE_SIZE", "int", True),
            ("REMARKS", "varchar(254)", True)]
    names = sorted((d.name for d in session.fixture.databases), key=str.lower)
    return [(cols, [(n, 1024, None) for n in names])]


# What every database holds besides its own tables: sp_tables lists them
# unless the table type restriction leaves them out; none can be read here.
TABLE_TYPES = ("SYSTEM TABLE", "TABLE", "VIEW")
SYSTEM_TABLES = ("syscolumns", "syscomments", "sysdepends", "sysfilegroups", "sysfiles",
                 "sysforeignkeys", "sysfulltextcatalogs", "sysindexes", "sysindexkeys", "sysmembers",
                 "sysobjects", "syspermissions", "sysproperties", "sysprotects", "sysreferences",
                 "systypes", "sysusers")
SYSTEM_VIEWS = [("dbo", "sysconstraints"), ("dbo", "syssegments")] + [
    ("INFORMATION_SCHEMA", n) for n in (
        "CHECK_CONSTRAINTS", "COLUMN_DOMAIN_USAGE", "COLUMN_PRIVILEGES", "COLUMNS",
        "CONSTRAINT_COLUMN_USAGE", "CONSTRAINT_TABLE_USAGE", "DOMAIN_CONSTRAINTS", "DOMAINS",
        "KEY_COLUMN_USAGE", "PARAMETERS", "REFERENTIAL_CONSTRAINTS", "ROUTINE_COLUMNS", "ROUTINES",
        "SCHEMATA", "TABLE_CONSTRAINTS", "TABLE_PRIVILEGES", "TABLES", "VIEW_COLUMN_USAGE",
        "VIEW_TABLE_USAGE", "VIEWS")]

TABLES_COLS = [("TABLE_QUALIFIER", SYSNAME, True), ("TABLE_OWNER", SYSNAME, True),
               ("TABLE_NAME", SYSNAME, True), ("TABLE_TYPE", "varchar(32)", True),
               ("REMARKS", "varchar(254)", True)]


def sp_tables(session, database, args):
    name, owner = text_arg(args["@table_name"]), text_arg(args["@table_owner"])
    qualifier, types = text_arg(args["@table_qualifier"]), text_arg(args["@table_type"])
    if qualifier == "%" and name == "" and owner == "":
        names = sorted((d.name for d in session.fixture.databases), key=str.lower)
        return [(TABLES_COLS, [(n, None, None, None, None) for n in names])]
    if owner == "%" and name == "" and qualifier == "":
        owners = sorted({t.owner for t in database.tables}, key=str.lower)
        return [(TABLES_COLS, [(None, o, None, None, None) for o in owners])]
    _check_qualifier(database, qualifier)
    wanted = {w.strip().strip("'").upper() for w in types.split(",")} if types else set(TABLE_TYPES)
    rows = []
    for kind in TABLE_TYPES:
        if kind not in wanted:
            continue
        objects = ([(t.owner, t.name) for t in database.tables] if kind == "TABLE" else
                   [("dbo", n) for n in SYSTEM_TABLES] if kind == "SYSTEM TABLE" else SYSTEM_VIEWS)
        for o, n in objects:
            if like(n, name if name is not None else "%") and like(o, owner if owner is not None else "%"):
                rows.append((database.name, o, n, kind, None))
    rows.sort(key=lambda r: (r[3], r[1].lower(), r[2].lower()))
    return [(TABLES_COLS, rows)]


COLUMNS_COLS = [
    ("TABLE_QUALIFIER", SYSNAME, True), ("TABLE_OWNER", SYSNAME, True), ("TABLE_NAME", SYSNAME, True),
    ("COLUMN_NAME", SYSNAME, True), ("DATA_TYPE", "smallint", True), ("TYPE_NAME", SYSNAME, True),
    ("PRECISION", "int", True), ("LENGTH", "int", True), ("SCALE", "smallint", True),
    ("RADIX", "smallint", True), ("NULLABLE", "smallint", True), ("REMARKS", "varchar(254)", True),
    ("COLUMN_DEF", "nvarchar(4000)", True), ("SQL_DATA_TYPE", "smallint", True),
    ("SQL_DATETIME_SUB", "smallint", True), ("CHAR_OCTET_LENGTH", "int", True),
    ("ORDINAL_POSITION", "int", True), ("IS_NULLABLE", "varchar(254)", True),
    ("SS_DATA_TYPE", "tinyint", True)]


def sp_columns(session, database, args):
    name, owner = text_arg(args["@table_name"]), text_arg(args["@table_owner"])
    _check_qualifier(database, text_arg(args["@table_qualifier"]))
    column_pattern = text_arg(args["@column_name"])
    odbc = int_arg(args["@ODBCVer"], 2)
    tables = sorted(_exact_or_pattern(database, name, owner),
                    key=lambda t: (t.owner.lower(), t.name.lower()))
    rows = []
    for t in tables:
        for c in t.columns:
            if column_pattern is not None and not like(c.name, column_pattern):
                continue
            f = facts(c.sql_type)
            rows.append((database.name, t.owner, t.name, c.name, f.data_type(odbc), type_name(c),
                         f.precision, f.length, f.scale, f.radix, int(c.nullable), None,
                         c.default, f.sql_type, f.sub, char_octet_length(c, f), c.ordinal,
                         "YES" if c.nullable else "NO", f.ss_type))
    return [(COLUMNS_COLS, rows)]


def sp_pkeys(session, database, args):
    _check_qualifier(database, text_arg(args["@table_qualifier"]))
    cols = [("TABLE_QUALIFIER", SYSNAME, True), ("TABLE_OWNER", SYSNAME, True),
            ("TABLE_NAME", SYSNAME, False), ("COLUMN_NAME", SYSNAME, False),
            ("KEY_SEQ", "smallint", False), ("PK_NAME", SYSNAME, True)]
    rows = []
    for t in _visible(database, text_arg(args["@table_name"]), text_arg(args["@table_owner"])):
        pk = t.primary_key()
        if pk:
            for seq, col in enumerate(pk.columns, 1):
                rows.append((database.name, t.owner, t.name, t.column(col).name, seq, pk.name))
    return [(cols, rows)]


STATISTICS_COLS = [
    ("TABLE_QUALIFIER", SYSNAME, True), ("TABLE_OWNER", SYSNAME, True), ("TABLE_NAME", SYSNAME, False),
    ("NON_UNIQUE", "smallint", True), ("INDEX_QUALIFIER", SYSNAME, True),
    ("INDEX_NAME", SYSNAME, True), ("TYPE", "smallint", False), ("SEQ_IN_INDEX", "smallint", True),
    ("COLUMN_NAME", SYSNAME, True), ("COLLATION", "char(1)", True), ("CARDINALITY", "int", True),
    ("PAGES", "int", True), ("FILTER_CONDITION", "varchar(128)", True)]


def sp_statistics(session, database, args):
    _check_qualifier(database, text_arg(args["@table_qualifier"]))
    index_pattern = text_arg(args["@index_name"]) or "%"
    unique_only = (text_arg(args["@is_unique"]) or "N").upper() == "Y"
    rows = []
    for t in _visible(database, text_arg(args["@table_name"]), text_arg(args["@table_owner"])):
        count = t.row_count()
        pages = max(1, count // 50)
        rows.append((database.name, t.owner, t.name, None, None, None, 0, None, None, None,
                     count, pages, None))
        entries = []
        for ix in t.indexes:
            if (unique_only and not ix.unique) or not like(ix.name, index_pattern):
                continue
            kind = 1 if ix.clustered else 3
            for seq, col in enumerate(ix.columns, 1):
                entries.append((database.name, t.owner, t.name, 0 if ix.unique else 1, t.name,
                                ix.name, kind, seq, t.column(col).name, "A",
                                count if ix.unique else None, pages, None))
        entries.sort(key=lambda r: (r[3], r[6], r[5].lower(), r[7]))
        rows.extend(entries)
    return [(STATISTICS_COLS, rows)]


def sp_special_columns(session, database, args):
    _check_qualifier(database, text_arg(args["@table_qualifier"]))
    cols = [("SCOPE", "smallint", True), ("COLUMN_NAME", SYSNAME, False),
            ("DATA_TYPE", "smallint", True), ("TYPE_NAME", SYSNAME, False),
            ("PRECISION", "int", True), ("LENGTH", "int", True), ("SCALE", "smallint", True),
            ("PSEUDO_COLUMN", "smallint", True)]
    odbc = int_arg(args["@ODBCVer"], 2)
    want_version = (text_arg(args["@col_type"]) or "R").upper() == "V"
    rows = []
    for t in _visible(database, text_arg(args["@table_name"]), text_arg(args["@table_owner"])):
        if want_version:
            chosen = [c for c in t.columns if c.sql_type.name == "timestamp"]
        else:
            key = t.primary_key() or next((ix for ix in t.indexes if ix.unique), None)
            chosen = [t.column(n) for n in key.columns] if key else []
        for c in chosen:
            f = facts(c.sql_type)
            rows.append((None if want_version else 1, c.name, f.data_type(odbc), type_name(c),
                         f.precision, f.length, f.scale, 1))
    return [(cols, rows)]


def sp_datatype_info(session, database, args):
    return [datatype_info_result(int_arg(args["@data_type"], 0), int_arg(args["@ODBCVer"], 2))]


def sp_server_info(session, database, args):
    cols = [("attribute_id", "int", False), ("attribute_name", "varchar(60)", False),
            ("attribute_value", "varchar(255)", True)]
    rows = [(1, "DBMS_NAME", "Microsoft SQL Server"), (2, "DBMS_VER", session.fixture.version[:255]),
            (10, "OWNER_TERM", "owner"), (11, "TABLE_TERM", "table"),
            (12, "MAX_OWNER_NAME_LENGTH", "128"), (13, "TABLE_LENGTH", "128"),
            (14, "MAX_QUAL_LENGTH", "128"), (15, "COLUMN_LENGTH", "128"),
            (16, "IDENTIFIER_CASE", "MIXED"), (18, "COLLATION_SEQ", "charset=iso_1 sort_order=nocase_iso charset_num=1 sort_order_num=52")]
    wanted = args["@attribute_id"]
    if wanted is not None:
        rows = [r for r in rows if r[0] == int_arg(wanted, 0)]
    return [(cols, rows)]


_PROCS = [
    Procedure("sp_databases", [], sp_databases),
    Procedure("sp_tables", [("@table_name", None), ("@table_owner", None),
                            ("@table_qualifier", None), ("@table_type", None),
                            ("@fUsePattern", 1)], sp_tables),
    Procedure("sp_columns", [("@table_name", REQUIRED), ("@table_owner", None),
                             ("@table_qualifier", None), ("@column_name", None),
                             ("@ODBCVer", 2)], sp_columns),
    Procedure("sp_pkeys", [("@table_name", REQUIRED), ("@table_owner", None),
                           ("@table_qualifier", None)], sp_pkeys),
    Procedure("sp_statistics", [("@table_name", REQUIRED), ("@table_owner", None),
                                ("@table_qualifier", None), ("@index_name", "%"),
                                ("@is_unique", "N"), ("@accuracy", "Q")], sp_statistics),
    Procedure("sp_special_columns", [("@table_name", REQUIRED), ("@table_owner", None),
                                     ("@table_qualifier", None), ("@col_type", "R"),
                                     ("@scope", "T"), ("@nullable", "U"), ("@ODBCVer", 2)],
              sp_special_columns),
    Procedure("sp_datatype_info", [("@data_type", 0), ("@ODBCVer", 2)], sp_datatype_info),
    Procedure("sp_datatype_info_90", [("@data_type", 0), ("@ODBCVer", 2)], sp_datatype_info),
    Procedure("sp_datatype_info_100", [("@data_type", 0), ("@ODBCVer", 2)], sp_datatype_info),
    Procedure("sp_server_info", [("@attribute_id", None)], sp_server_info),
]
_BY_NAME = {p.name.lower(): p for p in _PROCS + catalog_empty.PROCEDURES}


def find(name):
    """The procedure of this name (case ignored), or None."""
    return _BY_NAME.get(name.lower())
