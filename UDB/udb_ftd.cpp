#include "UDB/udb_ftd.h"

#include "TK/tk_trace.h"
#include "UDB/udb_record.h"

namespace {
// Length of a date and time written as "yyyy-mm-dd hh:mm:ss".
constexpr uint32_t date_text_length = 19;

void trace_field(const t_ftd& ftd) {
  TK_TRACE(1, "Got field '%s', vartype=%d, size=%d, b_not_null=%d", ftd.name.c_str(), ftd.vartype,
           static_cast<int>(ftd.size), ftd.b_not_null ? 1 : 0);
}

bool is_one_of(VARTYPE vartype, std::initializer_list<VARTYPE> types) {
  for (VARTYPE t : types) {
    if (vartype == t) return true;
  }
  return false;
}

// A text of `source` characters fits a text of `destination` characters;
// 0 means no limit, so an unlimited text fits only an unlimited one.
bool text_fits(uint32_t source, uint32_t destination) {
  if (destination == 0) return true;
  return source != 0 && destination > source;
}

bool is_date_text(const t_ftd& ftd) { return ftd.vartype == VT_BSTR && ftd.size == date_text_length; }
}  // namespace

t_ftd::t_ftd(uint32_t size, std::string name, VARTYPE vartype, bool b_not_null, bool identity,
             ole_variant default_value, uint32_t reserved)
    : size(size),
      name(std::move(name)),
      vartype(vartype),
      identity(identity),
      b_not_null(b_not_null),
      default_value(std::move(default_value)),
      reserved(reserved) {
  trace_field(*this);
}

t_ftd::t_ftd(const udb_field& field, ole_variant default_value, uint32_t reserved)
    : size(field.size()),
      name(field.name()),
      vartype(field.declared_type()),
      identity(field.identity()),
      b_not_null(field.b_not_null()),
      default_value(std::move(default_value)),
      reserved(reserved) {
  trace_field(*this);
}

bool udb_is_numeric(VARTYPE vartype) {
  return is_one_of(vartype, {VT_BOOL, VT_I1, VT_I2, VT_I4, VT_I8, VT_UI1, VT_UI2, VT_UI4, VT_UI8, VT_R4, VT_R8,
                             VT_DECIMAL, VT_CY});
}

bool t_ftd::operator==(const t_ftd& other) const {
  TK_TRACE(1, "t_ftd::operator ==");
  if ((vartype == VT_DECIMAL && other.vartype == VT_CY) || (vartype == VT_CY && other.vartype == VT_DECIMAL)) {
    return true;
  }
  if (vartype != other.vartype) return false;
  return vartype != VT_BSTR || size == other.size;
}

// The rules are tried in order; the first that applies answers.
bool t_ftd::conform_to(const t_ftd& b) const {
  TK_TRACE(1, "t_ftd::conform_to");
  const t_ftd& a = *this;
  if (a == b) return true;
  if (a.vartype == VT_BSTR && b.vartype == VT_BSTR) return text_fits(a.size, b.size);
  if (udb_is_numeric(a.vartype) && b.vartype == VT_R8) return true;
  if (udb_is_numeric(a.vartype) && a.vartype != VT_R8 && b.vartype == VT_R4) return true;
  if (a.vartype == VT_BOOL && is_one_of(b.vartype, {VT_I1, VT_I2})) return true;
  if (is_one_of(a.vartype, {VT_I1, VT_UI1}) && b.vartype == VT_I2) return true;
  if (is_one_of(a.vartype, {VT_I1, VT_UI1, VT_I2, VT_UI2}) && b.vartype == VT_I4) return true;
  return (a.vartype == VT_DATE && is_date_text(b)) || (is_date_text(a) && b.vartype == VT_DATE);
}
