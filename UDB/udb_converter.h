// udb_converter: the engine-neutral settings and progress of one conversion.
//
// Settings: what to do with an existing destination (`mode`), which source
// tables to take (`tables`, in conversion order) and two switches: copy table
// definitions only (`tab_def`) and do not create indexes (`skip_idx`).
//
// Progress: the table count, the index of the current table, the current
// table's name, its record count and the index of the record being copied.
// Only the thread that runs the conversion writes them.  The four counters
// are atomic and the name is copied under a lock, so a window thread may
// read any of them at any time while the run goes on; it sees either the
// old or the new value of each, never a torn one.
//
// Thread-safety: the settings belong to the thread that configures and runs
// the conversion; no other thread reads them during a run.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_converter.h"

// What the driver does with a destination file that already exists.
enum udb_mode : int32_t {
  udb_mode_overwrite_database = 0,  // the front end removes the file first
  udb_mode_overwrite_tables = 1,    // a selected table that exists is recreated
  udb_mode_skip_tables = 2,         // a selected table that exists is left alone
  udb_mode_merge = 3,               // records are added to a conforming table
};

// The destination file format.  The settings store it as a number (the
// agent's "--acc_ver=" value): 0 Access 95/97, 1 Access 2000.
enum class udb_format : int32_t {
  access97 = 0,    // Access 95/97: a Jet 3 file
  access2000 = 1,  // Access 2000: a Jet 4 file
};

// The format a stored number selects: 0 Access 95/97, any other number
// Access 2000.
udb_format udb_format_from_number(int32_t number);
// The number the settings store for a format.
int32_t udb_format_number(udb_format format);

class udb_converter : public tk_converter {
 public:
  udb_converter() = default;

  // Stores the mode without checking it: the front ends offer or accept
  // only the four values of udb_mode.
  void set_mode(int32_t mode);
  int32_t mode() const { return mode_; }

  // The source tables to convert, in conversion order.  The agent leaves it
  // empty to mean every table of the source.
  const std::vector<std::string>& tables() const { return tables_; }
  void set_tables(std::vector<std::string> tables) { tables_ = std::move(tables); }

  bool tab_def() const { return tab_def_; }
  void set_tab_def(bool tab_def) { tab_def_ = tab_def; }

  bool skip_idx() const { return skip_idx_; }
  void set_skip_idx(bool skip_idx) { skip_idx_ = skip_idx; }

  // The source name of the table being converted; empty before the first
  // run, the last table's name after it.  Returns a copy: safe from any
  // thread.
  std::string current_table() const;
  void set_current_table(std::string name);

  // The record count of the current source table.
  uint32_t records_in_table() const { return records_in_table_.load(); }
  void set_records_in_table(uint32_t count) { records_in_table_.store(count); }

  // Records of the current table handled so far (the 0-based index of the
  // record being copied).
  uint32_t current_record() const { return current_record_.load(); }
  void set_current_record(uint32_t index) { current_record_.store(index); }

  // The number of tables in this run.
  uint32_t table_count() const { return table_count_.load(); }
  void set_table_count(uint32_t count) { table_count_.store(count); }

  // Tables handled so far in this run.
  uint32_t current_table_index() const { return current_table_index_.load(); }
  void set_current_table_index(uint32_t index) { current_table_index_.store(index); }

  // True when the last run ended early: it could not start or the error
  // handler stopped it.  The driver sets it; the agent turns it into a
  // failing exit code.  A run that only reported recoverable errors is not
  // stopped.
  bool stopped() const { return stopped_.load(); }
  void set_stopped(bool stopped) { stopped_.store(stopped); }

 private:
  int32_t mode_ = udb_mode_overwrite_database;
  std::vector<std::string> tables_;
  bool tab_def_ = false;
  bool skip_idx_ = false;

  mutable std::mutex current_table_lock_;
  std::string current_table_;
  std::atomic<uint32_t> records_in_table_{0};
  std::atomic<uint32_t> current_record_{0};
  std::atomic<uint32_t> table_count_{0};
  std::atomic<uint32_t> current_table_index_{0};
  std::atomic<bool> stopped_{false};
};
