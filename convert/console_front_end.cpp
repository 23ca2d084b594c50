#include "convert/console_front_end.h"

#include "TK/tk_trace.h"

void console_front_end::database_started(const std::string& source, uint32_t table_count) {
  out_ << "Converting database " << source << " (" << table_count << " tables)\n";
}

// Standard error is flushed at once so that the lines of both streams keep
// the order in which they were written.
void console_front_end::table_missing(const std::string& table) {
  out_.flush();
  err_ << "Table " << table << " not exists\n";
  err_.flush();
}

void console_front_end::table_started(const std::string& table, uint32_t record_count) {
  out_ << "Converting table " << table << " (" << record_count << " records)\n";
}

void console_front_end::report_error(const std::string& message) {
  out_ << "Error:\n" << std::flush;
  out_ << message << '\n' << std::flush;
}

continue_answer console_front_end::ask_continue(const std::string&) { return continue_answer{}; }

void console_front_end::show_abort(const std::string&) {}

void console_front_end::show_internal_error(const std::string& message) {
  out_ << "Internal error: " << message << '\n' << std::flush;
}

void console_front_end::show_unexpected_error(const std::string& text) {
  TK_TRACE(3, "ERROR:\n%s", text.c_str());
  out_.flush();
  err_ << text << '\n';
  err_.flush();
}
