// In-memory doubles of the universal model for tests.  Tables are rows of
// values in a store shared by every database opened over it, so that a
// test can look at a destination after the run has destroyed its objects;
// an engine stands for the file system with a map of stores by path.
// Either side of a conversion can be played by them.  Failures are
// injected per table and per record; catalog operations are logged.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_converter.h"
#include "UDB/udb_database.h"
#include "UDB/udb_engine.h"

// The code of the error by which a memory destination refuses a record.
inline constexpr int memory_record_error_code = 0x10BCE;  // duplicate key

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

struct memory_store {
  std::vector<std::unique_ptr<memory_table>> tables;  // in catalog order
  std::vector<std::string> log;  // "get_table Orders 0x21", "create_table Orders indexes=1", "delete_tab Orders"
  std::map<std::string, memory_failure> fail_get_table, fail_create_table;  // by table name
  std::set<std::pair<std::string, uint32_t>> refused_records;  // (table, appended record from 1)
  udb_format format = udb_format::access2000;

  memory_table* find(const std::string& name);  // case ignored; null when absent
  memory_table& add(memory_table table) {
    return *tables.emplace_back(std::make_unique<memory_table>(std::move(table)));
  }
  std::vector<std::string> names() const;
};

class memory_recordset : public udb_recordset {
 public:
  memory_recordset(std::shared_ptr<memory_store> store, memory_table& table);
  void append_record(const udb_record& record) override;
  udb_record& get_item() override;
  bool is_eof() override { return cursor_ >= table_.rows.size(); }
  void next() override { ++cursor_; }
  void reset() override { cursor_ = 0; }

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

using memory_files = std::map<std::string, std::shared_ptr<memory_store>>;  // by path

class memory_engine : public udb_engine {
 public:
  memory_engine(memory_files& files, udb_format format) : files_(files), format_(format) {}
  // Empties the file's tables but keeps its injected failures, so that a
  // test can set them up before the run makes the file anew.
  std::unique_ptr<udb_database> create_db(const std::string& name) override;
  // A missing file raises a level-0 tk_exception.
  std::unique_ptr<udb_database> open_db(const std::string& name, uint32_t mode, const std::string& password) override;

 private:
  memory_files& files_;
  udb_format format_;
};

// A table of `columns` VT_I4 columns and `row_count` rows holding 1, 2, ...
memory_table memory_int_table(const std::string& name, std::size_t row_count, std::size_t columns = 1);
