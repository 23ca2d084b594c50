// console_front_end: the agent's side of a conversion, as console lines.
//
// Progress goes to standard output ("Converting database ...", "Converting
// table ..."), a listed table that the source lacks to standard error, and
// every reported error to standard output as the line "Error:" followed by
// the message.  Nothing asks the user anything: recoverable errors go on.
//
// Thread-safety: one thread at a time (the agent has one thread).
#pragma once

#include <ostream>

#include "convert/conversion_front_end.h"

class console_front_end : public conversion_front_end {
 public:
  // `out` and `err` (standard output and error in the agent) must outlive
  // this object.
  console_front_end(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void run_started() override {}
  bool converts_all_tables_when_none_listed() const override { return true; }
  void database_started(const std::string& source, uint32_t table_count) override;
  void table_missing(const std::string& table) override;
  void table_started(const std::string& table, uint32_t record_count) override;

  void report_error(const std::string& message) override;
  continue_answer ask_continue(const std::string& message) override;
  void show_abort(const std::string& message) override;
  void show_internal_error(const std::string& message) override;
  void show_unexpected_error(const std::string& text) override;

 private:
  std::ostream& out_;
  std::ostream& err_;
};
