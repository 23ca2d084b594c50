// The bound buffers of a statement read in blocks of rows: one array per
// column (column-wise binding), its length indicators, and the status of
// every row of the last block.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "platform/oledb/odbc_core.h"

namespace odbc {

struct block_column {
  fetch_kind kind = fetch_kind::text;
  SQLSMALLINT c_type = SQL_C_WCHAR;
  std::size_t width = 0;  // bytes of one row's value
  std::vector<char> values;
  std::vector<SQLLEN> indicators;
};

struct statement::block_buffers {
  std::vector<block_column> columns;
  std::vector<SQLUSMALLINT> status;
  SQLULEN fetched = 0;  // rows of the last block
  std::size_t next = 0;  // the next of them to hand out
  bool ended = false;
  diagnostics warnings;  // of the last block, reported with a row in error
};

// Appends the diagnostic records of `handle`.
void collect(SQLSMALLINT type, SQLHANDLE handle, diagnostics& diag);

}  // namespace odbc
