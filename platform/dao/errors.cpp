// DAO error numbers and the texts this engine gives them, and the mapping
// of engine exceptions onto them.
#include <map>
#include <new>

#include "platform/dao/internal.h"
#include "platform/win32/win32_text.h"

namespace dao_impl {
namespace {

// Jet error numbers as DAO reports them; the texts are this engine's own,
// except 3047, which callers compare.
const std::map<LONG, const char*>& texts() {
  static const std::map<LONG, const char*> table = {
      {7, "There is not enough memory for the operation."},
      {3000, "The database engine failed."},
      {3001, "An argument of the call is not valid."},
      {3010, "A table of that name already exists in the database."},
      {3011, "The database has no object of that name."},
      {3020, "There is no pending row to write; start one with AddNew."},
      {3021, "There is no current record."},
      {3022, "The row was not added: its key is already in a unique index or the primary key."},
      {3024, "The database file was not found."},
      {3026, "The database file would grow past the size its format allows."},
      {3027, "The database or the object is read-only."},
      {3031, "The database password is wrong."},
      {3043, "Reading or writing the database file failed."},
      {3044, "The path of the database file is not valid."},
      {3045, "The database file is in use and cannot be opened."},
      {3047, "Record is too large."},
      {3078, "The statement names a table the database does not have."},
      {3125, "The name is not one the database accepts for an object."},
      {3129, "The statement is not one this engine runs."},
      {3163, "The value is longer than the field holds."},
      {3191, "A field name appears twice in the table definition."},
      {3204, "The database file already exists."},
      {3219, "The operation is not allowed here."},
      {3251, "The object does not support this operation."},
      {3259, "The field type is not valid."},
      {3264, "A table or index must have at least one field."},
      {3265, "The collection has no item of that name or position."},
      {3283, "The table already has a primary key."},
      {3284, "An index of that name already exists."},
      {3314, "A required field was left without a value."},
      {3315, "The field does not accept an empty text."},
      {3343, "The file is not a database this engine can read."},
      {3349, "The value is outside the range of the field's type."},
      {3367, "The collection already holds an object of that name."},
      {3420, "The object is closed and can no longer be used."},
      {3421, "The value cannot be converted to the field's type."},
  };
  return table;
}

LONG number_of_kind(jet::ErrorKind kind) {
  switch (kind) {
    case jet::ErrorKind::corruption: return 3343;
    case jet::ErrorKind::io: return 3043;
    case jet::ErrorKind::not_supported: return 3251;
    case jet::ErrorKind::invalid_argument: return 3001;
  }
  return 3000;
}

}  // namespace

std::string error_text(LONG number) {
  auto it = texts().find(number);
  return it == texts().end() ? std::string() : std::string(it->second);
}

HRESULT fail(const error_sink& errors, LONG number, std::string description) {
  if (description.empty()) description = error_text(number);
  if (description.empty()) description = error_text(3000);
  errors->number = number;
  errors->description = std::move(description);
  return static_cast<HRESULT>(0x800A0000u | (static_cast<ULONG>(number) & 0xFFFFu));
}

// A Jet number the table knows keeps the table's text (3047 must read as
// callers expect); another keeps the engine's own sentence.
HRESULT fail_from_current_exception(const error_sink& errors) noexcept {
  try {
    throw;
  } catch (const jet::Error& e) {
    LONG number = e.jet_number() != 0 ? e.jet_number() : number_of_kind(e.kind());
    return fail(errors, number, error_text(number).empty() ? std::string(e.what()) : std::string());
  } catch (const std::bad_alloc&) {
    return fail(errors, 7);
  } catch (const std::exception& e) {
    return fail(errors, 3000, std::string(error_text(3000)) + " " + e.what());
  } catch (...) {
    return fail(errors, 3000);
  }
}

bool text_arg(const VARIANT& v, std::string& out) {
  if (v.vt == VT_EMPTY) return out.clear(), true;
  if (v.vt != VT_BSTR) return false;
  out.assign(v.bstrVal ? v.bstrVal : "", SysStringByteLen(v.bstrVal));
  return true;
}

bool long_arg(const VARIANT& v, LONG& out) {
  VARIANT copy;
  VariantInit(&copy);
  if (v.vt == VT_BSTR || FAILED(VariantChangeType(&copy, &v, 0, VT_I4))) return false;
  out = copy.lVal;
  return true;
}

bool bool_arg(const VARIANT& v, bool fallback, bool& out) {
  if (v.vt == VT_EMPTY) return out = fallback, true;
  LONG value = 0;
  if (!long_arg(v, value)) return false;
  out = value != 0;
  return true;
}

bool key_arg(const VARIANT& v, item_key& out) {
  out = item_key{};
  if (v.vt == VT_BSTR) return out.by_name = true, text_arg(v, out.name);
  return long_arg(v, out.position);
}

BSTR make_bstr(const std::string& text) {
  return SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
}

VARIANT_BOOL vbool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

bool same_name(const std::string& a, const std::string& b) { return win32::compare_nocase(a, b) == 0; }

}  // namespace dao_impl
