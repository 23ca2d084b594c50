// In-memory doubles of the universal model for tests: tables held as rows
// of values, databases over a shared store (so a test can look at a
// destination after the run has destroyed its database object), and an
// engine over a map of such stores that stands for the file system.
//
// Both sides of a conversion can be played by them.  Failures are injected
// per table (get_table, create_table) and per record (append_record); every
// catalog operation is written to the store's log.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_database.h"
#include "UDB/udb_engine.h"

// The error by which a memory destination refuses one record (it plays the
// destination's own per-record error): level 0, code 0x10BCE (duplicate key).
class memory_record_error : public tk_exception {
 public:
  memory_record_error();
};

struct memory_table {
  std::string name;
  udb_schema schema;
  udb_indexes indexes;
  std::vector<std::vector<ole_variant>> rows;
};

// A failure to inject: raised as tk_exception(message, level).
struct memory_failure {
  std::string message;
  int level = tk_level_recoverable;
};

// The contents of one database, shared by every object opened over it.
struct memory_store {
  std::vector<std::unique_ptr<memory_table>> tables;  // in catalog order
  std::vector<std::string> log;      // "get_table Orders 0x21", ...
  std::map<std::string, memory_failure> fail_get_table;     // by table name
  std::map<std::string, memory_failure> fail_create_table;  // by table name
  std::set<std::pair<std::string, uint32_t>> refused_records;  // (table, row from 1)
  int format_code = 0;

  // The table called `name` (case ignored), or null.
  memory_table* find(const std::string& name);
  memory_table& add(memory_table table);
  // The names of the tables, in catalog order.
  std::vector<std::string> names() const;
};

class memory_recordset : public udb_recordset {
 public:
  memory_recordset(std::shared_ptr<memory_store> store, memory_table& table);
  void append_record(const udb_record& record) override;
  udb_record& get_item() override;
  bool is_eof() override;
  void next() override;
  void reset() override;

 private:
  std::shared_ptr<memory_store> store_;
  memory_table& table_;
  std::size_t cursor_ = 0;
  uint32_t appended_ = 0;
  std::unique_ptr<udb_record> current_;
};

class memory_database : public udb_database {
 public:
  memory_database(std::string name, uint32_t open_mode, std::shared_ptr<memory_store> store);
  // Creates the table, or opens it when it already exists.
  std::unique_ptr<udb_recordset> create_table(const std::string& name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  bool delete_tab(const std::string& name) override;
  std::unique_ptr<udb_recordset> get_table(const std::string& name, uint32_t open_flags) override;

 private:
  std::shared_ptr<memory_store> store_;
};

// Database files by path.
using memory_files = std::map<std::string, std::shared_ptr<memory_store>>;

class memory_engine : public udb_engine {
 public:
  memory_engine(memory_files& files, int format_code) : files_(files), format_code_(format_code) {}
  std::unique_ptr<udb_database> create_db(const std::string& name) override;
  // A missing file raises tk_exception of level 0.
  std::unique_ptr<udb_database> open_db(const std::string& name, uint32_t mode, const std::string& password) override;

 private:
  memory_files& files_;
  int format_code_;
};

// Test helpers.
// A column descriptor without default or hint.
t_ftd memory_column(const std::string& name, VARTYPE vartype, uint32_t size = 0);
// A table with `columns` and `row_count` rows of integer values 1, 2, ...
memory_table memory_int_table(const std::string& name, std::size_t row_count, std::size_t columns = 1);
