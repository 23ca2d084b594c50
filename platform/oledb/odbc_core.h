// The ODBC calls of the provider, kept apart from the OLE DB types (the
// ODBC headers define Windows type names of their own): a connection, a
// statement with its results and catalog functions, and the reading of a
// row's values whole, in pieces where they are long.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace odbc {

struct diagnostic {
  std::string sqlstate;
  std::int32_t native_error = 0;
  std::string message;
};
using diagnostics = std::vector<diagnostic>;

// SQL type codes the provider maps (ODBC's and SQL Server's own).
enum sql_type : short {
  t_char = 1, t_numeric = 2, t_decimal = 3, t_integer = 4, t_smallint = 5, t_float = 6, t_real = 7,
  t_double = 8, t_datetime = 9, t_varchar = 12, t_type_date = 91, t_type_time = 92, t_type_timestamp = 93,
  t_longvarchar = -1, t_binary = -2, t_varbinary = -3, t_longvarbinary = -4, t_bigint = -5, t_tinyint = -6,
  t_bit = -7, t_wchar = -8, t_wvarchar = -9, t_wlongvarchar = -10, t_guid = -11, t_ss_variant = -150,
  t_ss_xml = -152, t_ss_time2 = -154, t_ss_timestampoffset = -155,
};

struct column_desc {
  std::string name;
  short type = 0;
  unsigned long size = 0;
  short digits = 0;
  bool not_null = false;  // false also when unknown
  std::string type_name;
};

// How a value is read: UTF-16 text (little-endian bytes), raw bytes, a
// timestamp or a GUID written as text, or the text of a newer date type
// (date, datetime2, datetimeoffset) with its year in four digits.
enum class fetch_kind { text, binary, timestamp, guid, dated_text };

struct cell {
  bool is_null = true;
  std::string bytes;
};

class connection {
 public:
  connection() = default;
  ~connection();
  connection(const connection&) = delete;
  connection& operator=(const connection&) = delete;
  bool open(const std::string& odbc_string, int login_timeout_seconds, diagnostics& diag);
  void* handle() const { return dbc_; }

 private:
  void* dbc_ = nullptr;
  bool connected_ = false;
};

class statement {
 public:
  explicit statement(std::shared_ptr<connection> owner);
  ~statement();
  statement(const statement&) = delete;
  statement& operator=(const statement&) = delete;

  // Runs SQL text (UTF-8) and moves to the first result with columns;
  // *has_result false when there is none.
  bool execute(const std::string& sql, bool* has_result, diagnostics& diag);
  // Catalog functions; owner null means any owner.
  bool tables(diagnostics& diag);
  bool primary_keys(const std::string* owner, const std::string& table, diagnostics& diag);
  bool statistics(const std::string* owner, const std::string& table, diagnostics& diag);

  bool describe(std::vector<column_desc>& columns, diagnostics& diag);
  // Makes fetch read the current result many rows at a time into bound
  // buffers. widths[i] is the most bytes a value of column i takes (UTF-16
  // text with its terminator, or binary; ignored for timestamps and GUIDs),
  // 0 when it has no bound. Answers false, and rows stay read one at a time
  // with every value whole, when a text or binary column has no bound or
  // the driver refuses row arrays. Call after execute, before any fetch.
  bool bind_block(const std::vector<fetch_kind>& kinds, const std::vector<std::size_t>& widths);
  // The next row of the current result, each value whole; *got false at
  // the end. A value longer than its bound width fails (01004).
  bool fetch(const std::vector<fetch_kind>& kinds, std::vector<cell>& row, bool* got, diagnostics& diag);
  // Frees the statement (and so its connection) for the next one; a block
  // binding ends with it.
  void close_cursor();

  struct block_buffers;

 private:
  bool read_cell(unsigned short ordinal, fetch_kind kind, cell& out, diagnostics& diag);
  bool fetch_from_block(std::vector<cell>& row, bool* got, diagnostics& diag);
  bool next_block(diagnostics& diag);
  void unbind_block();
  bool failed(short rc, diagnostics& diag) const;

  std::shared_ptr<connection> owner_;
  void* stmt_ = nullptr;
  std::string piece_;  // one piece of a long value, reused for every cell
  std::unique_ptr<block_buffers> block_;
};

}  // namespace odbc
