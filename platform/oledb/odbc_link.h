// Where the ODBC side meets OLE DB: a result column described as the
// classic SQL Server provider describes it, values as cells, and ODBC
// diagnostics turned into the thread's error object.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/oledb/odbc_core.h"
#include "platform/oledb/oledb.h"
#include "platform/oledb/oledb_errors.h"

struct oledb_column {
  std::string name;
  DBTYPE type = DBTYPE_WSTR;
  DBLENGTH size = 0;
  BYTE precision = 0xFF;
  BYTE scale = 0xFF;
  DBCOLUMNFLAGS flags = 0;
  odbc::fetch_kind fetch = odbc::fetch_kind::text;
  bool known_bound = false;  // a type whose text or bytes never exceed its size's bound
};

// A value: null, UTF-16 text bytes (no terminator) for every type but
// DBTYPE_BYTES, raw bytes for DBTYPE_BYTES.
using oledb_cell = odbc::cell;
using oledb_row = std::vector<oledb_cell>;

// The classic provider's view of an ODBC column: datetime as DBTIMESTAMP,
// money as CY, decimal and numeric as NUMERIC, bit as BOOL, tinyint as
// UI1, uniqueidentifier as GUID, image and timestamp as BYTES; date, time,
// datetime2, datetimeoffset and sql_variant as text, xml and the max types
// as long text or bytes of size 2147483647.  Unknown nullability counts as
// nullable.
oledb_column oledb_describe(const odbc::column_desc& desc);

// The most bytes a value of the column takes when fetched in a block:
// UTF-16 text of its declared length (at least 64 characters, which holds
// any number or date as text) with a terminator, or binary of its length;
// 0 for long columns, those over 4000 characters or 8000 bytes and those
// of types without a known bound (sql_variant, user-defined types), which
// are read whole one row at a time.
std::size_t oledb_block_width(const oledb_column& column);

// Leaves the error object for ODBC diagnostics and answers its HRESULT.
HRESULT oledb_fail_odbc(const odbc::diagnostics& diag);

// UTF-8 to the UTF-16 bytes of a cell; invalid bytes become U+FFFD.
std::string oledb_text_cell_bytes(const std::string& utf8);
