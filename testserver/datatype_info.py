"""sp_datatype_info: one row per type the server offers (SQLGetTypeInfo)."""

COLUMNS = [
    ("TYPE_NAME", "sysname", False), ("DATA_TYPE", "smallint", False), ("PRECISION", "int", True),
    ("LITERAL_PREFIX", "varchar(32)", True), ("LITERAL_SUFFIX", "varchar(32)", True),
    ("CREATE_PARAMS", "varchar(32)", True), ("NULLABLE", "smallint", False),
    ("CASE_SENSITIVE", "smallint", False), ("SEARCHABLE", "smallint", False),
    ("UNSIGNED_ATTRIBUTE", "smallint", True), ("MONEY", "smallint", False),
    ("AUTO_INCREMENT", "smallint", True), ("LOCAL_TYPE_NAME", "sysname", True),
    ("MINIMUM_SCALE", "smallint", True), ("MAXIMUM_SCALE", "smallint", True),
    ("SQL_DATA_TYPE", "smallint", False), ("SQL_DATETIME_SUB", "smallint", True),
    ("NUM_PREC_RADIX", "int", True), ("INTERVAL_PRECISION", "smallint", True),
    ("USERTYPE", "smallint", True)]

# name, ODBC 2 type, ODBC 3 type, precision, prefix, suffix, create params,
# searchable, unsigned, money, auto-increment, min scale, max scale, radix, usertype
TYPES = [
    ("bit", -7, -7, 1, None, None, None, 2, None, 0, None, 0, 0, None, 16),
    ("tinyint", -6, -6, 3, None, None, None, 2, 1, 0, 0, 0, 0, 10, 5),
    ("tinyint identity", -6, -6, 3, None, None, None, 2, 1, 0, 1, 0, 0, 10, 5),
    ("bigint", -5, -5, 19, None, None, None, 2, 0, 0, 0, 0, 0, 10, 0),
    ("bigint identity", -5, -5, 19, None, None, None, 2, 0, 0, 1, 0, 0, 10, 0),
    ("image", -4, -4, 2147483647, "0x", None, None, 0, None, 0, None, None, None, None, 20),
    ("varbinary", -3, -3, 8000, "0x", None, "max length", 2, None, 0, None, None, None, None, 4),
    ("binary", -2, -2, 8000, "0x", None, "length", 2, None, 0, None, None, None, None, 3),
    ("timestamp", -2, -2, 8, "0x", None, None, 2, None, 0, None, None, None, None, 80),
    ("text", -1, -1, 2147483647, "'", "'", None, 1, None, 0, None, None, None, None, 19),
    ("char", 1, 1, 8000, "'", "'", "length", 3, None, 0, None, None, None, None, 1),
    ("numeric", 2, 2, 38, None, None, "precision,scale", 2, 0, 0, 0, 0, 38, 10, 10),
    ("numeric() identity", 2, 2, 38, None, None, "precision", 2, 0, 0, 1, 0, 0, 10, 10),
    ("decimal", 3, 3, 38, None, None, "precision,scale", 2, 0, 0, 0, 0, 38, 10, 24),
    ("money", 3, 3, 19, "$", None, None, 2, 0, 1, 0, 4, 4, 10, 11),
    ("smallmoney", 3, 3, 10, "$", None, None, 2, 0, 1, 0, 4, 4, 10, 21),
    ("decimal() identity", 3, 3, 38, None, None, "precision", 2, 0, 0, 1, 0, 0, 10, 24),
    ("int", 4, 4, 10, None, None, None, 2, 0, 0, 0, 0, 0, 10, 7),
    ("int identity", 4, 4, 10, None, None, None, 2, 0, 0, 1, 0, 0, 10, 7),
    ("smallint", 5, 5, 5, None, None, None, 2, 0, 0, 0, 0, 0, 10, 6),
    ("smallint identity", 5, 5, 5, None, None, None, 2, 0, 0, 1, 0, 0, 10, 6),
    ("float", 6, 6, 53, None, None, None, 2, 0, 0, 0, None, None, 2, 8),
    ("real", 7, 7, 24, None, None, None, 2, 0, 0, 0, None, None, 2, 23),
    ("varchar", 12, 12, 8000, "'", "'", "max length", 3, None, 0, None, None, None, None, 2),
    ("datetime", 11, 93, 23, "'", "'", None, 3, None, 0, None, 3, 3, None, 12),
    ("smalldatetime", 11, 93, 16, "'", "'", None, 3, None, 0, None, 0, 0, None, 22),
    ("ntext", -10, -10, 1073741823, "N'", "'", None, 1, None, 0, None, None, None, None, 0),
    ("nvarchar", -9, -9, 4000, "N'", "'", "max length", 3, None, 0, None, None, None, None, 0),
    ("sysname", -9, -9, 128, "N'", "'", None, 3, None, 0, None, None, None, None, 18),
    ("nchar", -8, -8, 4000, "N'", "'", "length", 3, None, 0, None, None, None, None, 0),
    ("uniqueidentifier", -11, -11, 36, "'", "'", None, 2, None, 0, None, None, None, None, 0),
]


def datatype_info_result(data_type, odbc_version):
    rows = []
    for (name, odbc2, odbc3, precision, prefix, suffix, params, searchable, unsigned, money,
         auto, min_scale, max_scale, radix, usertype) in TYPES:
        code = odbc3 if odbc_version == 3 else odbc2
        if data_type and code != data_type:
            continue
        case_sensitive = 0
        sql_data_type = 9 if code in (11, 93) else code
        sub = 3 if code in (11, 93) else None
        nullable = 0 if "identity" in name or name == "timestamp" else 1
        rows.append((name, code, precision, prefix, suffix, params, nullable, case_sensitive,
                     searchable, unsigned, money, auto, name, min_scale, max_scale,
                     sql_data_type, sub, radix, None, usertype))
    rows.sort(key=lambda r: (r[1], r[0]))
    return COLUMNS, rows
