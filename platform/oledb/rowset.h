// Rowsets of the provider: where the rows come from (a result read whole
// into memory, or an ODBC statement streamed on a connection of its own)
// and the COM rowset (IRowset, IColumnsInfo, IAccessor) over either.
//
// Thread-safety: a rowset belongs to one thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/oledb/odbc_link.h"
#include "platform/oledb/row_prefetch.h"

class oledb_row_source {
 public:
  virtual ~oledb_row_source() = default;
  const std::vector<oledb_column>& columns() const { return columns_; }
  // The next row; *got false at the end.  Failures leave the error object.
  virtual HRESULT next(oledb_row& row, bool* got) = 0;
  // Back before the first row.
  virtual HRESULT restart() = 0;

 protected:
  std::vector<oledb_column> columns_;
};

// Rows held in memory: statement results and catalogs.  Reading a
// statement's result whole frees its connection for the next statement,
// since FreeTDS serves one active statement per connection.
class oledb_buffered_source : public oledb_row_source {
 public:
  oledb_buffered_source(std::vector<oledb_column> columns, std::vector<oledb_row> rows);
  // Reads the statement's current result whole and closes its cursor.
  static HRESULT read_all(odbc::statement& statement, std::unique_ptr<oledb_row_source>& out);
  HRESULT next(oledb_row& row, bool* got) override;
  HRESULT restart() override;

 private:
  std::vector<oledb_row> rows_;
  std::size_t position_ = 0;
};

// A table read as it is fetched, on a connection of its own; a restart
// runs the statement again.  Rows fetched in blocks are read a few blocks
// ahead on a thread of the source's own (see row_prefetch).
class oledb_streamed_source : public oledb_row_source {
 public:
  static HRESULT open(std::shared_ptr<odbc::connection> connection, std::string sql,
                      std::unique_ptr<oledb_row_source>& out);
  HRESULT next(oledb_row& row, bool* got) override;
  HRESULT restart() override;

 private:
  oledb_streamed_source(std::shared_ptr<odbc::connection> connection, std::string sql);
  HRESULT run();
  void bind_block();

  std::shared_ptr<odbc::connection> connection_;
  std::unique_ptr<odbc::statement> statement_;
  std::unique_ptr<odbc::row_prefetch> prefetch_;  // stops before statement_ goes
  std::vector<odbc::fetch_kind> kinds_;
  std::string sql_;
  bool at_end_ = false;
};

// A new rowset (one reference, the caller's) over the rows of `source`.
IRowset* oledb_make_rowset(std::unique_ptr<oledb_row_source> source);

// Reads the columns of the statement's current result.
HRESULT oledb_read_columns(odbc::statement& statement, std::vector<oledb_column>& columns,
                           std::vector<odbc::fetch_kind>& kinds);

// A text cell from UTF-8, and the UTF-8 text of a text cell (lone
// surrogates become U+FFFD).
oledb_cell oledb_text_cell(const std::string& utf8);
std::string oledb_cell_text(const oledb_cell& cell);
