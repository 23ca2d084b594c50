"""What the catalog procedures report for each column type: ODBC data type,
precision, length, scale, radix and SQL Server's own type number."""

# name: (ODBC 2 type, ODBC 3 type, precision, length, scale, radix, SS_DATA_TYPE,
#        SQL_DATA_TYPE, SQL_DATETIME_SUB); None where the server reports NULL.
FIXED = {
    "bit": (-7, -7, 1, 1, None, None, 50, -7, None),
    "tinyint": (-6, -6, 3, 1, 0, 10, 38, -6, None),
    "smallint": (5, 5, 5, 2, 0, 10, 38, 5, None),
    "int": (4, 4, 10, 4, 0, 10, 38, 4, None),
    "bigint": (-5, -5, 19, 8, 0, 10, 108, -5, None),
    "money": (3, 3, 19, 21, 4, 10, 110, 3, None),
    "smallmoney": (3, 3, 10, 12, 4, 10, 110, 3, None),
    "real": (7, 7, 7, 4, None, 10, 109, 7, None),
    "float": (6, 6, 15, 8, None, 10, 109, 6, None),
    "datetime": (11, 93, 23, 16, 3, None, 111, 9, 3),
    "smalldatetime": (11, 93, 16, 16, 0, None, 111, 9, 3),
    "uniqueidentifier": (-11, -11, 36, 16, None, None, 39, -11, None),
    "timestamp": (-2, -2, 8, 8, None, None, 45, -2, None),
    "text": (-1, -1, 2147483647, 2147483647, None, None, 35, -1, None),
    "ntext": (-10, -10, 1073741823, 2147483646, None, None, 35, -10, None),
    "image": (-4, -4, 2147483647, 2147483647, None, None, 34, -4, None),
    "xml": (-10, -152, 0, 0, None, None, 0, -152, None),
    "date": (-9, 91, 10, 20, None, None, 0, 9, 1),
    "sql_variant": (-150, -150, 0, 8016, None, None, 39, -150, None),
}
SS_VAR = {"char": 47, "varchar": 39, "nchar": 47, "nvarchar": 39, "binary": 45, "varbinary": 37}
ODBC_VAR = {"char": 1, "varchar": 12, "nchar": -8, "nvarchar": -9, "binary": -2, "varbinary": -3}
ODBC_LONG = {"varchar": -1, "nvarchar": -10, "varbinary": -4}


class TypeFacts:
    def __init__(self, odbc2, odbc3, precision, length, scale, radix, ss_type, sql_type, sub):
        self.odbc2, self.odbc3, self.precision, self.length = odbc2, odbc3, precision, length
        self.scale, self.radix, self.ss_type, self.sql_type, self.sub = scale, radix, ss_type, sql_type, sub

    def data_type(self, odbc_version):
        return self.odbc3 if odbc_version == 3 else self.odbc2


def facts(t):
    """TypeFacts for a SqlType."""
    n = t.name
    if n == "sysname":
        return TypeFacts(-9, -9, 128, 256, None, None, 39, -9, None)
    if n in FIXED:
        return TypeFacts(*FIXED[n])
    if n in ("decimal", "numeric"):
        code = 3 if n == "decimal" else 2
        return TypeFacts(code, code, t.precision, t.precision + 2, t.scale, 10,
                         106 if n == "decimal" else 108, code, None)
    if n in ODBC_VAR:
        if t.is_max:
            code = ODBC_LONG[n]
            size = 1073741823 if n == "nvarchar" else 2147483647
            return TypeFacts(code, code, size, 2 * size if n == "nvarchar" else size,
                             None, None, SS_VAR[n], code, None)
        width = 2 if n in ("nchar", "nvarchar") else 1
        return TypeFacts(ODBC_VAR[n], ODBC_VAR[n], t.length, t.length * width, None, None,
                         SS_VAR[n], ODBC_VAR[n], None)
    # time, datetime2, datetimeoffset: reported as the text SQL Server 2008 gives ODBC 2 clients.
    chars = {"time": 8, "datetime2": 19, "datetimeoffset": 26}[n] + (t.scale + 1 if t.scale else 0)
    odbc3 = {"time": -154, "datetime2": 93, "datetimeoffset": -155}[n]
    return TypeFacts(-9, odbc3, chars, 2 * chars, t.scale, None, 0, -9 if n == "time" else 9,
                     None if n == "time" else 3)


def type_name(column):
    """TYPE_NAME as sp_columns shows it: the base name, "int identity" for identities."""
    n = column.sql_type.name
    return n + " identity" if column.identity else n


def char_octet_length(column, f):
    return f.length if column.sql_type.is_text_kind() or column.sql_type.name in (
        "binary", "varbinary", "image") else None
