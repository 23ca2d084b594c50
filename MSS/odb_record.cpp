#include "MSS/odb_record.h"

#include <cstdint>
#include <cstring>

#include "MSS/odb_text.h"
#include "OLE/ole_date.h"
#include "TK/tk_trace.h"

namespace {

std::string column_name(const DBCOLUMNINFO& info) { return info.pwszName != nullptr ? info.pwszName : ""; }

}  // namespace

odb_field::odb_field(std::string name, uint32_t size, ole_variant value)
    : udb_field(std::move(name), size, false, false, std::move(value)) {}

std::string odb_field::to_string() const {
  TK_TRACE(1, "odb_field::to_string");
  std::string text = udb_field::to_string();
  if (vt() != VT_DATE) return text;
  static const std::string fake_day = "1899-12-30";
  std::size_t at = text.find(fake_day);
  if (at == std::string::npos) return text;
  TK_TRACE(2, "Fake date has been found");
  if (text.size() <= fake_day.size()) {
    TK_TRACE(1, "Transform pure fake date to pure time");
    return "00:00:00";
  }
  return text.replace(at, fake_day.size(), "0000-00-00");
}

VARTYPE odb_record::get_vartype(DBTYPE type) {
  TK_TRACE(1, "odb_record::get_vartype(%d)", static_cast<int>(type));
  switch (type) {
    case DBTYPE_I2: case DBTYPE_I4: case DBTYPE_R4: case DBTYPE_R8: case DBTYPE_CY: case DBTYPE_DATE:
    case DBTYPE_BSTR: case DBTYPE_BOOL: case DBTYPE_DECIMAL: case DBTYPE_I1: case DBTYPE_UI1: case DBTYPE_UI2:
    case DBTYPE_UI4: case DBTYPE_I8: case DBTYPE_UI8:
      return type;
    case DBTYPE_GUID: case DBTYPE_STR: case DBTYPE_WSTR:
      return VT_BSTR;
    case DBTYPE_NUMERIC:
      return VT_DECIMAL;
    case DBTYPE_DBTIMESTAMP:
      return VT_DATE;
    default:
      return VT_BLOB;
  }
}

odb_field* odb_record::get_field(const DBCOLUMNINFO& info, const std::string& text) {
  TK_TRACE(1, "odb_record::get_field(%s)", text.c_str());
  std::string name = column_name(info);
  VARTYPE vartype = get_vartype(info.wType);
  if (text.empty()) {
    // An empty text in the source stays an empty text.
    return new odb_field(std::move(name), info.ulColumnSize, vartype == VT_BSTR ? ole_variant("") : ole_variant());
  }
  if (info.wType == DBTYPE_DATE || info.wType == DBTYPE_DBTIMESTAMP) {
    return new odb_field(std::move(name), info.ulColumnSize, ole_date(text).to_variant());
  }
  if (vartype == VT_BSTR) {
    // Text stays text: straight into the value, without the general reading.
    return new odb_field(std::move(name), info.ulColumnSize, ole_variant(text));
  }
  if (vartype == VT_BLOB) {
    // A value the provider gave as text keeps its own bytes.
    return new odb_field(std::move(name), info.ulColumnSize, ole_variant(text.size(), text.data()));
  }
  ole_variant value;
  try {
    value = ole_variant::from_string(text, vartype);
  } catch (const ole_type_exception&) {
    value = ole_variant();
  }
  return new odb_field(std::move(name), info.ulColumnSize, std::move(value));
}

odb_record::odb_record(DBORDINAL count, const BYTE* buffer, const DBCOLUMNINFO* info, const DBBINDING* bindings,
                       const std::vector<std::optional<std::string>>& whole) {
  TK_TRACE(1, "odb_record::ctor");
  TK_ASSERT(buffer != nullptr);
  TK_ASSERT(bindings != nullptr);
  reserve(count);
  for (DBORDINAL i = 0; i < count; ++i) {
    const DBBINDING& b = bindings[i];
    DBSTATUS status = 0;
    DBLENGTH length = 0;
    std::memcpy(&status, buffer + b.obStatus, sizeof status);
    std::memcpy(&length, buffer + b.obLength, sizeof length);
    const std::optional<std::string>* long_value = i < whole.size() && whole[i] ? &whole[i] : nullptr;
    if (status != DBSTATUS_S_OK && long_value == nullptr) {
      TK_TRACE(1, "Field #%d - FAILED, status code=%08X", static_cast<int>(i), static_cast<unsigned>(status));
      append(std::make_unique<odb_field>(column_name(info[i]), info[i].ulColumnSize));
      TK_TRACE(1, "\t<NULL>");
      continue;
    }
    TK_TRACE(1, "offset=%d", static_cast<int>(b.obLength));
    TK_TRACE(1, "Field #%d - OK, length=%d", static_cast<int>(i), static_cast<int>(length));
    const char* bytes = reinterpret_cast<const char*>(buffer + b.obValue);
    std::size_t size = length;
    if (long_value != nullptr) {
      bytes = (*long_value)->data();
      size = (*long_value)->size();
    }
    if (info[i].wType == DBTYPE_BYTES) {
      TK_TRACE(1, "Processing VT_BLOB");
      append(std::make_unique<odb_field>(column_name(info[i]),
                                         static_cast<uint32_t>(size), ole_variant(size, bytes)));
      continue;
    }
    // Bound text sits on even offsets; a whole long value may not.
    std::string text;
    if (reinterpret_cast<std::uintptr_t>(bytes) % alignof(WCHAR) == 0) {
      text = odb_narrow(reinterpret_cast<const WCHAR*>(bytes), size / 2);
    } else {
      std::u16string wide(size / 2, u'\0');
      if (!wide.empty()) std::memcpy(wide.data(), bytes, wide.size() * 2);
      text = odb_narrow(wide.data(), wide.size());
    }
    append(std::unique_ptr<odb_field>(get_field(info[i], text)));
    TK_TRACE(1, "\t%s", text.c_str());
  }
}
