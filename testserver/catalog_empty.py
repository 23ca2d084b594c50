"""Catalog procedures the fixtures have nothing for (stored procedures,
privileges, foreign keys): they answer an empty result with the layout SQL
Server documents, so a driver's catalog call succeeds and finds nothing."""
from proc_params import REQUIRED, Procedure

S = "sysname"
LAYOUTS = {
    "sp_fkeys": (
        [("@pktable_name", None), ("@pktable_owner", None), ("@pktable_qualifier", None),
         ("@fktable_name", None), ("@fktable_owner", None), ("@fktable_qualifier", None)],
        [("PKTABLE_QUALIFIER", S), ("PKTABLE_OWNER", S), ("PKTABLE_NAME", S), ("PKCOLUMN_NAME", S),
         ("FKTABLE_QUALIFIER", S), ("FKTABLE_OWNER", S), ("FKTABLE_NAME", S), ("FKCOLUMN_NAME", S),
         ("KEY_SEQ", "smallint"), ("UPDATE_RULE", "smallint"), ("DELETE_RULE", "smallint"),
         ("FK_NAME", S), ("PK_NAME", S), ("DEFERRABILITY", "smallint")]),
    "sp_stored_procedures": (
        [("@sp_name", None), ("@sp_owner", None), ("@sp_qualifier", None), ("@fUsePattern", 1)],
        [("PROCEDURE_QUALIFIER", S), ("PROCEDURE_OWNER", S), ("PROCEDURE_NAME", "nvarchar(134)"),
         ("NUM_INPUT_PARAMS", "int"), ("NUM_OUTPUT_PARAMS", "int"), ("NUM_RESULT_SETS", "int"),
         ("REMARKS", "varchar(254)"), ("PROCEDURE_TYPE", "smallint")]),
    "sp_sproc_columns": (
        [("@procedure_name", "%"), ("@procedure_owner", None), ("@procedure_qualifier", None),
         ("@column_name", None), ("@ODBCVer", 2), ("@fUsePattern", 1)],
        [("PROCEDURE_QUALIFIER", S), ("PROCEDURE_OWNER", S), ("PROCEDURE_NAME", "nvarchar(134)"),
         ("COLUMN_NAME", S), ("COLUMN_TYPE", "smallint"), ("DATA_TYPE", "smallint"), ("TYPE_NAME", S),
         ("PRECISION", "int"), ("LENGTH", "int"), ("SCALE", "smallint"), ("RADIX", "smallint"),
         ("NULLABLE", "smallint"), ("REMARKS", "varchar(254)"), ("COLUMN_DEF", "nvarchar(4000)"),
         ("SQL_DATA_TYPE", "smallint"), ("SQL_DATETIME_SUB", "smallint"), ("CHAR_OCTET_LENGTH", "int"),
         ("ORDINAL_POSITION", "int"), ("IS_NULLABLE", "varchar(254)"), ("SS_DATA_TYPE", "tinyint")]),
    "sp_table_privileges": (
        [("@table_name", REQUIRED), ("@table_owner", None), ("@table_qualifier", None),
         ("@fUsePattern", 1)],
        [("TABLE_QUALIFIER", S), ("TABLE_OWNER", S), ("TABLE_NAME", S), ("GRANTOR", S),
         ("GRANTEE", S), ("PRIVILEGE", "varchar(32)"), ("IS_GRANTABLE", "varchar(3)")]),
    "sp_column_privileges": (
        [("@table_name", REQUIRED), ("@table_owner", None), ("@table_qualifier", None),
         ("@column_name", None)],
        [("TABLE_QUALIFIER", S), ("TABLE_OWNER", S), ("TABLE_NAME", S), ("COLUMN_NAME", S),
         ("GRANTOR", S), ("GRANTEE", S), ("PRIVILEGE", "varchar(32)"), ("IS_GRANTABLE", "varchar(3)")]),
}


def _empty(columns):
    specs = [(name, type_text, True) for name, type_text in columns]
    return lambda session, database, args: [(specs, [])]


PROCEDURES = [Procedure(name, params, _empty(columns)) for name, (params, columns) in LAYOUTS.items()]
