// conversion_sides: how the driver reaches the two database sides of a run.
//
// The driver talks to the source and the destination only through the
// universal model (udb_database, udb_recordset, udb_engine).  This interface
// is where those objects come from: the SQL Server source database, the
// Access engine loaded for a format, the format of an existing Access file
// and the validator that makes table names safe for Access.  The real sides
// plug in here; tests hand the driver in-memory doubles.
//
// Ownership: every object answered is new and owned by the caller, who
// destroys databases before the engine that made them.
// Thread-safety: used by the thread that runs the conversion.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_converter.h"
#include "UDB/udb_database.h"
#include "UDB/udb_engine.h"

// Makes destination table names acceptable to Access and unique in the run.
// For each table the driver asks is_acceptable; when refused it uses
// get_safe_name and adds the generated name to the taken names; it always
// adds the name used to the names in use.
class table_name_validator {
 public:
  virtual ~table_name_validator() = default;
  virtual bool is_acceptable(const std::string& name) = 0;
  virtual std::string get_safe_name(const std::string& name) = 0;
  virtual void add_taken_name(const std::string& name) = 0;
  virtual void add_name_in_use(const std::string& name) = 0;
};

class conversion_sides {
 public:
  virtual ~conversion_sides() = default;

  // Opens the source database `name` read only (open mode 1) with the
  // connected SQL Server engine.  Failures raise the source's errors.
  virtual std::unique_ptr<udb_database> open_source(const std::string& name) = 0;

  // The format of the existing Access file
  // `path`.  A file that is not an Access file raises an abort-level error.
  virtual udb_format destination_format(const std::string& path) = 0;

  // An Access engine loaded for `format`.  An engine that cannot be
  // loaded raises an abort-level error.
  virtual std::unique_ptr<udb_engine> make_destination_engine(udb_format format) = 0;

  // The table-name validator of a run, built from the tables to convert and
  // the destination's existing tables.
  virtual std::unique_ptr<table_name_validator> make_table_validator(
      const std::vector<std::string>& tables, const std::vector<std::string>& existing) = 0;

  // True for an error by which the destination refused one record (the
  // Access side's own error); the driver reports it for that record and
  // copies the next.  Other errors end the table.
  virtual bool is_record_error(const tk_exception& e) const = 0;
};

// The sides of this build: the source is opened through the process's SQL
// Server engine (mss_engine, which must exist and be connected); the
// destination is the Access side (dao_engine, Access validators, and
// dao_exception as the error that refuses one record).
std::shared_ptr<conversion_sides> make_default_conversion_sides();
