#include "UDB/udb_database.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_names.h"

udb_database::udb_database(std::string name, uint32_t open_mode, bool case_sensitive)
    : name_(std::move(name)), open_mode_(open_mode), case_sensitive_(case_sensitive) {
  TK_TRACE(1, "udb_database::ctor(%s)", name_.c_str());
}

udb_database::~udb_database() { TK_TRACE(1, "udb_database::dtor"); }

std::size_t udb_database::position_of(const std::string& name) const {
  for (std::size_t i = 0; i < table_names_.size(); ++i) {
    TK_TRACE(1, "Compare with %s", table_names_[i].c_str());
    if (udb_same_name(table_names_[i], name, case_sensitive_)) {
      TK_TRACE(1, "table exists");
      return i;
    }
  }
  TK_TRACE(1, "table not found");
  return table_names_.size();
}

bool udb_database::is_table_exist(const std::string& name) const {
  TK_TRACE(1, "udb_database::is_table_exist(%s)", name.c_str());
  return position_of(name) < table_names_.size();
}

bool udb_database::delete_tab(const std::string& name) {
  TK_TRACE(1, "udb_database::delete_tab (%s)", name.c_str());
  std::size_t i = position_of(name);
  // The driver deletes only a table that is_table_exist has just found.
  if (i == table_names_.size()) tk_assert_failed(TK_SOURCE_FILE, __LINE__);
  table_names_.erase(table_names_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

std::unique_ptr<udb_recordset> udb_database::query(const std::string&) {
  tk_assert_failed(TK_SOURCE_FILE, __LINE__);
}

void udb_database::create_relationships(const udb_database&) {}
