// udb_database: one open database of the universal model, the contract
// between the conversion driver and both database sides.
//
// The source database is only read (tables opened and walked), the
// destination only written (tables created or deleted, records added); each
// side implements the whole interface, and an operation that a side cannot
// perform raises tk_mail_assertion rather than doing nothing.
//
// Ownership: an engine hands out databases; the caller owns each one and
// destroys it after every recordset taken from it and before the engine.
// create_table, get_table and query hand out recordsets that the caller
// owns.
// Thread-safety: one thread at a time (the thread that runs the conversion).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"

// Open flags of get_table.
inline constexpr uint32_t udb_open_read_only = 0x01;
// With both bits set the table's indexes are not read.
inline constexpr uint32_t udb_open_skip_indexes = 0x20 | 0x40;

class udb_database {
 public:
  // `open_mode` is what the engine was given (1: read only).  Names are
  // compared exactly when `case_sensitive` is set, else with case ignored.
  udb_database(std::string name, uint32_t open_mode, bool case_sensitive = false);
  udb_database(const udb_database&) = delete;
  udb_database& operator=(const udb_database&) = delete;

  // Virtual operations, in slot order.
  virtual ~udb_database();
  // Makes the table and answers a recordset over it, positioned for adding
  // records.  A side that opens an existing table of that name instead
  // says so.
  virtual std::unique_ptr<udb_recordset> create_table(const std::string& name, const udb_schema& schema,
                                                      const udb_indexes& indexes) = 0;
  // Removes the table.  Base body: removes the name from table_names(),
  // keeping the others in order, and answers true.  REQUIRES: the name is
  // listed (else tk_mail_assertion).
  virtual bool delete_tab(const std::string& name);
  // Opens an existing table for reading with open flags (udb_open_*).
  virtual std::unique_ptr<udb_recordset> get_table(const std::string& name, uint32_t open_flags) = 0;
  // Runs a statement and answers a recordset over its result.  Base body:
  // tk_mail_assertion (only the source side runs statements).
  virtual std::unique_ptr<udb_recordset> query(const std::string& statement);
  // Base body: does nothing; nothing in the conversion calls it.
  virtual void create_relationships(const udb_database& source);

  // True when the catalog lists `name` (compared as the constructor says).
  bool is_table_exist(const std::string& name) const;

  const std::string& name() const { return name_; }
  uint32_t open_mode() const { return open_mode_; }
  bool case_sensitive() const { return case_sensitive_; }
  // The catalog as loaded when the database was opened, kept up to date by
  // delete_tab and by the destination's create_table.
  const std::vector<std::string>& table_names() const { return table_names_; }

 protected:
  std::vector<std::string>& mutable_table_names() { return table_names_; }

 private:
  // The position of `name` in the catalog, or its size when absent.
  std::size_t position_of(const std::string& name) const;

  std::string name_;
  uint32_t open_mode_;
  bool case_sensitive_;
  std::vector<std::string> table_names_;
};
