#include "platform/oledb/odbc_core.h"

#include <sql.h>
#include <sqlext.h>

#include "platform/oledb/odbc_block.h"
#include "platform/oledb/odbc_cells.h"

namespace odbc {
namespace {

SQLHENV environment() {
  static SQLHENV env = [] {
    SQLHENV handle = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle))) return static_cast<SQLHENV>(SQL_NULL_HENV);
    SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return handle;
  }();
  return env;
}

SQLCHAR* arg(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data())); }

}  // namespace

// Appends the diagnostic records of `handle`.
void collect(SQLSMALLINT type, SQLHANDLE handle, diagnostics& diag) {
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLCHAR message[4096] = {0};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length))) break;
    diag.push_back({reinterpret_cast<char*>(state), native, reinterpret_cast<char*>(message)});
  }
}

connection::~connection() {
  if (connected_) SQLDisconnect(dbc_);
  if (dbc_ != nullptr) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
}

bool connection::open(const std::string& odbc_string, int login_timeout_seconds, diagnostics& diag) {
  SQLHENV env = environment();
  if (env == SQL_NULL_HENV) {
    diag.push_back({"IM004", 0, "The ODBC driver manager could not be started."});
    return false;
  }
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    collect(SQL_HANDLE_ENV, env, diag);
    return false;
  }
  dbc_ = dbc;
  auto timeout = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(login_timeout_seconds));
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, timeout, 0);
  SQLSetConnectAttr(dbc, SQL_ATTR_CONNECTION_TIMEOUT, timeout, 0);
  std::string in = odbc_string;
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, arg(in), static_cast<SQLSMALLINT>(in.size()), nullptr, 0, nullptr,
                                  SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    collect(SQL_HANDLE_DBC, dbc, diag);
    if (diag.empty()) diag.push_back({"08001", 0, "The server could not be reached."});
    return false;
  }
  connected_ = true;
  return true;
}

statement::statement(std::shared_ptr<connection> owner) : owner_(std::move(owner)) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, owner_->handle(), &stmt))) stmt_ = stmt;
}

statement::~statement() {
  if (stmt_ != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}  // the bound buffers outlive the handle

bool statement::failed(short rc, diagnostics& diag) const {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return false;
  if (stmt_ != nullptr) collect(SQL_HANDLE_STMT, stmt_, diag);
  else collect(SQL_HANDLE_DBC, owner_->handle(), diag);
  if (diag.empty()) diag.push_back({"HY000", 0, "The ODBC driver reported an error without a message."});
  return true;
}

bool statement::execute(const std::string& sql, bool* has_result, diagnostics& diag) {
  *has_result = false;
  if (stmt_ == nullptr) return !failed(SQL_ERROR, diag);
  std::string text = sql;
  SQLRETURN rc = SQLExecDirect(stmt_, arg(text), static_cast<SQLINTEGER>(text.size()));
  if (rc == SQL_NO_DATA) return true;
  if (failed(rc, diag)) return false;
  for (;;) {
    SQLSMALLINT count = 0;
    if (failed(SQLNumResultCols(stmt_, &count), diag)) return false;
    if (count > 0) {
      *has_result = true;
      return true;
    }
    rc = SQLMoreResults(stmt_);
    if (rc == SQL_NO_DATA) return true;
    if (failed(rc, diag)) return false;
  }
}

bool statement::tables(diagnostics& diag) {
  if (stmt_ == nullptr) return !failed(SQL_ERROR, diag);
  return !failed(SQLTables(stmt_, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), diag);
}

bool statement::primary_keys(const std::string* owner, const std::string& table, diagnostics& diag) {
  if (stmt_ == nullptr) return !failed(SQL_ERROR, diag);
  return !failed(SQLPrimaryKeys(stmt_, nullptr, 0, owner ? arg(*owner) : nullptr,
                                owner ? static_cast<SQLSMALLINT>(owner->size()) : 0, arg(table),
                                static_cast<SQLSMALLINT>(table.size())),
                 diag);
}

bool statement::statistics(const std::string* owner, const std::string& table, diagnostics& diag) {
  if (stmt_ == nullptr) return !failed(SQL_ERROR, diag);
  return !failed(SQLStatistics(stmt_, nullptr, 0, owner ? arg(*owner) : nullptr,
                               owner ? static_cast<SQLSMALLINT>(owner->size()) : 0, arg(table),
                               static_cast<SQLSMALLINT>(table.size()), SQL_INDEX_ALL, SQL_QUICK),
                 diag);
}

bool statement::describe(std::vector<column_desc>& columns, diagnostics& diag) {
  columns.clear();
  SQLSMALLINT count = 0;
  if (failed(SQLNumResultCols(stmt_, &count), diag)) return false;
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
    SQLCHAR name[512] = {0};
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    if (failed(SQLDescribeCol(stmt_, i, name, sizeof name, &name_length, &type, &size, &digits, &nullable), diag))
      return false;
    SQLCHAR type_name[128] = {0};
    SQLSMALLINT type_name_length = 0;
    SQLColAttribute(stmt_, i, SQL_DESC_TYPE_NAME, type_name, sizeof type_name, &type_name_length, nullptr);
    columns.push_back({reinterpret_cast<char*>(name), type, static_cast<unsigned long>(size), digits,
                       nullable == SQL_NO_NULLS, reinterpret_cast<char*>(type_name)});
  }
  return true;
}

bool statement::fetch(const std::vector<fetch_kind>& kinds, std::vector<cell>& row, bool* got, diagnostics& diag) {
  if (block_) return fetch_from_block(row, got, diag);
  *got = false;
  SQLRETURN rc = SQLFetch(stmt_);
  if (rc == SQL_NO_DATA) return true;
  if (failed(rc, diag)) return false;
  row.assign(kinds.size(), cell{});
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (!read_cell(static_cast<unsigned short>(i + 1), kinds[i], row[i], diag)) return false;
  }
  *got = true;
  return true;
}

bool statement::read_cell(unsigned short ordinal, fetch_kind kind, cell& out, diagnostics& diag) {
  SQLLEN indicator = 0;
  if (kind == fetch_kind::timestamp) {
    SQL_TIMESTAMP_STRUCT ts{};
    if (failed(SQLGetData(stmt_, ordinal, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator), diag)) return false;
    if (indicator == SQL_NULL_DATA) return true;
    out = {false, timestamp_text(ts)};
    return true;
  }
  if (kind == fetch_kind::guid) {
    SQLGUID g{};
    if (failed(SQLGetData(stmt_, ordinal, SQL_C_GUID, &g, sizeof g, &indicator), diag)) return false;
    if (indicator == SQL_NULL_DATA) return true;
    out = {false, guid_text(g)};
    return true;
  }
  // Text and binary values arrive in pieces until the whole value is read.
  const bool wide = kind != fetch_kind::binary;
  const SQLSMALLINT c_type = wide ? SQL_C_WCHAR : SQL_C_BINARY;
  static constexpr std::size_t chunk = 64 * 1024;
  piece_.resize(chunk);
  const std::size_t room = wide ? chunk - 2 : chunk;
  std::string value;
  for (;;) {
    SQLRETURN rc = SQLGetData(stmt_, ordinal, c_type, piece_.data(), static_cast<SQLLEN>(chunk), &indicator);
    if (rc == SQL_NO_DATA) break;
    if (failed(rc, diag)) return false;
    if (indicator == SQL_NULL_DATA) return true;
    bool more = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room);
    value.append(piece_.data(), more ? room : static_cast<std::size_t>(indicator));
    if (!more) break;
  }
  if (kind == fetch_kind::dated_text) pad_year(value);
  out = {false, std::move(value)};
  return true;
}

void statement::close_cursor() {
  if (stmt_ != nullptr) SQLFreeStmt(stmt_, SQL_CLOSE);
  unbind_block();
}

}  // namespace odbc
