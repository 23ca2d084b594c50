#include "UDB/udb_converter.h"

#include "TK/tk_trace.h"

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
