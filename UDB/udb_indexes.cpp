#include "UDB/udb_indexes.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_names.h"

void udb_indexes::append(udb_index entry) { entries_.push_back(std::move(entry)); }

bool udb_indexes::is_acceptable_name(const std::string& name) const {
  TK_TRACE(1, "udb_indexes::is_acceptable_name(%s)", name.c_str());
  for (const udb_index& entry : entries_) {
    if (udb_same_name(entry.name, name)) return false;
  }
  return true;
}

udb_index& udb_indexes::get_index(const std::string& name) {
  TK_TRACE(1, "udb_indexes::get_index(%s)", name.c_str());
  for (udb_index& entry : entries_) {
    if (udb_same_name(entry.name, name)) return entry;
  }
  // Callers look up only a name that is_acceptable_name has just refused.
  tk_assert_failed("UDB/udb_indexes.h", __LINE__);
}
