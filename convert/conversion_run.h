// conversion_run: one run of the conversion driver.
//
// It opens the source and the destination through the sides, walks the
// tables of the settings in order and, per table, applies the mode, creates
// the destination table (columns, and indexes unless they are skipped) and
// copies every record, keeping the progress counters of the settings.
//
// Errors, in three guards:
//   per record: an error by which the destination refused the record is
//     reported with "<table>, record #<n>" (n from 1) and the copy goes on;
//   per table: any other error of the family is reported with the table's
//     name and the driver goes on with the next table;
//   whole run: what escapes (errors opening the databases, the stop signal
//     of an abort, errors outside the family) ends the run.
// A stop request of the worker thread, asked between records and between
// tables, ends the run like an abort-level error.  However the run ends,
// the finished flag is set; when it ends early the settings' stopped flag is
// set too and the counters keep their values.
//
// Thread-safety: runs on one thread; other threads may read the progress
// counters, the current table name and the finished flag meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_converter.h"
#include "convert/conversion_sides.h"
#include "convert/error_handler.h"

// Reported when the worker thread is asked to stop during a run.
inline constexpr char conversion_msg_stopped[] = "The conversion was stopped before it completed.";
// Reported for a merge into a table whose columns do not fit the source's.
inline constexpr char conversion_msg_not_conform[] =
    "The structure of data source does not conform to the destination table.";

class conversion_run {
 public:
  // All references must outlive the run.  `format` is the settings' format,
  // used when the mode is 0 (an existing file keeps its own).
  // `stop_requested` is asked between records and between tables.
  conversion_run(udb_converter& settings, udb_format format, conversion_sides& sides, error_handler& handler,
                 std::function<bool()> stop_requested);
  ~conversion_run();

  conversion_run(const conversion_run&) = delete;
  conversion_run& operator=(const conversion_run&) = delete;

  // Runs the conversion once.  Never throws: every error ends in the error
  // handler (an internal error ends the process there).
  void operator()() noexcept;

 private:
  void run_steps();
  void open_databases();
  void walk_tables();
  void convert_table(const std::string& name);
  std::string destination_name(const std::string& name, bool& generated);
  void copy_records(udb_recordset& source, udb_recordset& destination, const std::string& name);
  void append_one(udb_recordset& destination, const udb_record& record, const std::string& name,
                  uint64_t number);
  void stop_point();
  void end_early(const tk_exception& e) noexcept;
  void end_early(const std::string& text) noexcept;
  void release() noexcept;

  udb_converter& settings_;
  const udb_format format_;
  conversion_sides& sides_;
  error_handler& handler_;
  std::function<bool()> stop_requested_;

  // Created in this order and released in the reverse one.
  std::unique_ptr<udb_engine> engine_;
  std::unique_ptr<udb_database> source_;
  std::unique_ptr<udb_database> destination_;
  std::unique_ptr<table_name_validator> validator_;
};
