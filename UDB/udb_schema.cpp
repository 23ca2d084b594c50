#include "UDB/udb_schema.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_names.h"

void udb_schema::append(t_ftd ftd) { fields_.push_back(std::move(ftd)); }

bool udb_schema::conform_to(const udb_schema& destination) const {
  TK_TRACE(1, "udb_schema::conform_to");
  if (size() != destination.size()) {
    TK_TRACE(2, "Tables are not conformed: src_size=%d, dest_size=%d", static_cast<int>(size()),
             static_cast<int>(destination.size()));
    return false;
  }
  for (std::size_t i = 0; i < size(); ++i) {
    if (!fields_[i].conform_to(destination.fields_[i])) {
      TK_TRACE(2, "Column #%d doesn't conform (src_vt=%d, dest_vt=%d)", static_cast<int>(i + 1),
               fields_[i].vartype, destination.fields_[i].vartype);
      return false;
    }
  }
  return true;
}

std::size_t udb_schema::position_of(const std::string& name) const {
  TK_TRACE(1, "udb_schema::find_field(%s)", name.c_str());
  std::size_t i = 0;
  while (i < fields_.size() && !udb_same_name(fields_[i].name, name)) ++i;
  return i;
}

const t_ftd& udb_schema::find_field(const std::string& name) const {
  std::size_t i = position_of(name);
  if (i == fields_.size()) tk_assert_failed(TK_SOURCE_FILE, __LINE__);
  return fields_[i];
}

t_ftd& udb_schema::find_field(const std::string& name) {
  std::size_t i = position_of(name);
  if (i == fields_.size()) tk_assert_failed(TK_SOURCE_FILE, __LINE__);
  return fields_[i];
}
