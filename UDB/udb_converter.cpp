#include "UDB/udb_converter.h"

#include "TK/tk_trace.h"

udb_format udb_format_from_number(int32_t number) {
  return number == 0 ? udb_format::access97 : udb_format::access2000;
}

int32_t udb_format_number(udb_format format) { return static_cast<int32_t>(format); }

void udb_converter::set_mode(int32_t mode) {
  TK_TRACE(1, "udb_converter::set_mode(%d)", mode);
  mode_ = mode;
}

std::string udb_converter::current_table() const {
  std::lock_guard<std::mutex> hold(current_table_lock_);
  return current_table_;
}

void udb_converter::set_current_table(std::string name) {
  std::lock_guard<std::mutex> hold(current_table_lock_);
  current_table_ = std::move(name);
}
