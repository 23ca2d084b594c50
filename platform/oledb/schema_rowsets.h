// The catalog rowsets DBSCHEMA_TABLES (9 columns), DBSCHEMA_PRIMARY_KEYS
// (8) and DBSCHEMA_INDEXES (25) in OLE DB's column layout, built from the
// ODBC catalog functions (SQLTables, SQLPrimaryKeys, SQLStatistics).
// Restrictions are matched exactly; TABLE_TYPE is "TABLE" for user tables;
// key and index columns come in ordinal order; the statistics row of the
// table itself (no index name) is not an index.
#pragma once

#include <memory>

#include "platform/oledb/rowset.h"

// Reads the catalog `schema` with `restrictions` (VT_EMPTY: unrestricted,
// VT_BSTR: the exact value) on `connection`.  An unknown schema answers
// DB_E_NOTSUPPORTED.
HRESULT oledb_schema_rowset(const std::shared_ptr<odbc::connection>& connection, REFGUID schema, ULONG count,
                            const VARIANT restrictions[], std::unique_ptr<oledb_row_source>& out);
