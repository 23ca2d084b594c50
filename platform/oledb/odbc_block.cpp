// Reading a result in blocks of rows: one SQLFetch fills every bound
// column's array for up to kBlockRows rows, which fetch then hands out one
// at a time as whole values, as the row-by-row reading gives them.
#include <algorithm>
#include <cstring>

#include "platform/oledb/odbc_block.h"
#include "platform/oledb/odbc_cells.h"

namespace odbc {
namespace {

constexpr std::size_t kBlockRows = 128;
constexpr std::size_t kBlockBytes = 512 * 1024;  // rows are fewer when they are wide

SQLPOINTER attr(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

block_column make_column(fetch_kind kind, std::size_t width) {
  block_column c;
  c.kind = kind;
  switch (kind) {
    case fetch_kind::timestamp: c.c_type = SQL_C_TYPE_TIMESTAMP, c.width = sizeof(SQL_TIMESTAMP_STRUCT); break;
    case fetch_kind::guid: c.c_type = SQL_C_GUID, c.width = sizeof(SQLGUID); break;
    case fetch_kind::binary: c.c_type = SQL_C_BINARY, c.width = width; break;
    default: c.c_type = SQL_C_WCHAR, c.width = width; break;
  }
  return c;
}

// One value of row r; false when it was cut to its buffer.
bool take_value(const block_column& c, std::size_t r, cell& out) {
  const SQLLEN length = c.indicators[r];
  const char* value = c.values.data() + r * c.width;
  if (length == SQL_NULL_DATA) {
    out.is_null = true;
    out.bytes.clear();
    return true;
  }
  out.is_null = false;
  if (c.kind == fetch_kind::timestamp) {
    SQL_TIMESTAMP_STRUCT ts;
    std::memcpy(&ts, value, sizeof ts);
    out.bytes = timestamp_text(ts);
    return true;
  }
  if (c.kind == fetch_kind::guid) {
    SQLGUID g;
    std::memcpy(&g, value, sizeof g);
    out.bytes = guid_text(g);
    return true;
  }
  const std::size_t room = c.kind == fetch_kind::binary ? c.width : c.width - 2;
  if (length == SQL_NO_TOTAL || length < 0 || static_cast<std::size_t>(length) > room) return false;
  out.bytes.assign(value, static_cast<std::size_t>(length));
  if (c.kind == fetch_kind::dated_text) pad_year(out.bytes);
  return true;
}

}  // namespace

bool statement::bind_block(const std::vector<fetch_kind>& kinds, const std::vector<std::size_t>& widths) {
  if (stmt_ == nullptr || kinds.empty() || kinds.size() != widths.size()) return false;
  auto b = std::make_unique<block_buffers>();
  std::size_t row_bytes = 0;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    b->columns.push_back(make_column(kinds[i], widths[i]));
    if (b->columns.back().width == 0) return false;
    row_bytes += b->columns.back().width;
  }
  const std::size_t rows = std::min(kBlockRows, kBlockBytes / row_bytes);
  if (rows < 2) return false;
  for (block_column& c : b->columns) {
    c.values.resize(c.width * rows);
    c.indicators.resize(rows);
  }
  b->status.resize(rows);
  block_ = std::move(b);
  bool bound = SQL_SUCCEEDED(SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_BIND_TYPE, attr(SQL_BIND_BY_COLUMN), 0)) &&
               SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, attr(rows), 0) == SQL_SUCCESS &&
               SQL_SUCCEEDED(SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_STATUS_PTR, block_->status.data(), 0)) &&
               SQL_SUCCEEDED(SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &block_->fetched, 0));
  for (std::size_t i = 0; bound && i < block_->columns.size(); ++i) {
    block_column& c = block_->columns[i];
    bound = SQL_SUCCEEDED(SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), c.c_type, c.values.data(),
                                     static_cast<SQLLEN>(c.width), c.indicators.data()));
  }
  if (!bound) unbind_block();
  return bound;
}

void statement::unbind_block() {
  if (!block_) return;
  SQLFreeStmt(stmt_, SQL_UNBIND);
  SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, attr(1), 0);
  SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
  SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
  block_.reset();
}

// Fills the buffers with the next block; fetched 0 at the end.
bool statement::next_block(diagnostics& diag) {
  block_buffers& b = *block_;
  b.fetched = 0;
  b.next = 0;
  b.warnings.clear();
  SQLRETURN rc = SQLFetch(stmt_);
  if (rc == SQL_NO_DATA) {
    b.ended = true;
    return true;
  }
  if (failed(rc, diag)) return false;
  if (rc == SQL_SUCCESS_WITH_INFO) collect(SQL_HANDLE_STMT, stmt_, b.warnings);
  if (b.fetched == 0) b.ended = true;
  return true;
}

bool statement::fetch_from_block(std::vector<cell>& row, bool* got, diagnostics& diag) {
  *got = false;
  block_buffers& b = *block_;
  if (b.next >= b.fetched) {
    if (b.ended || !next_block(diag)) return b.ended;
    if (b.ended) return true;
  }
  const std::size_t r = b.next++;
  if (b.status[r] == SQL_ROW_ERROR) {
    diag = b.warnings;
    if (diag.empty()) diag.push_back({"HY000", 0, "The ODBC driver reported an error without a message."});
    return false;
  }
  row.resize(b.columns.size());
  for (std::size_t i = 0; i < b.columns.size(); ++i) {
    if (!take_value(b.columns[i], r, row[i])) {
      diag.push_back({"01004", 0, "String data, right truncated."});
      return false;
    }
  }
  *got = true;
  return true;
}

}  // namespace odbc
