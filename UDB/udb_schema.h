// udb_schema: the columns of one table, in column order.
//
// Both sides describe tables this way: the source builds a schema when it
// opens a table, the destination creates columns from it and reads one back
// from an existing table.  Conformance is positional; column names are not
// compared.
//
// Thread-safety: a plain value; one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "UDB/udb_ftd.h"

class udb_schema {
 public:
  udb_schema() = default;
  virtual ~udb_schema() = default;
  udb_schema(const udb_schema&) = default;
  udb_schema& operator=(const udb_schema&) = default;
  udb_schema(udb_schema&&) = default;
  udb_schema& operator=(udb_schema&&) = default;

  // Adds `ftd` after the existing columns.
  void append(t_ftd ftd);

  std::size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }

  // The column at `position`; outside the schema raises std::out_of_range.
  const t_ftd& at(std::size_t position) const { return fields_.at(position); }
  t_ftd& at(std::size_t position) { return fields_.at(position); }

  // True when this (source) schema may be merged into `destination`: the
  // same number of columns, each conforming to the destination's column at
  // the same position.  An empty schema conforms to an empty one.
  bool conform_to(const udb_schema& destination) const;

  // The first column called `name`, letter case ignored.  REQUIRES: the
  // schema has it (callers look up only names taken from the same table);
  // a miss raises tk_mail_assertion.
  const t_ftd& find_field(const std::string& name) const;
  t_ftd& find_field(const std::string& name);

 private:
  // The position of `name`, or size() when absent.
  std::size_t position_of(const std::string& name) const;

  std::vector<t_ftd> fields_;
};
