#include "platform/dao/values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace dao_impl {
namespace {

// The characters code page 1252 places at 0x80..0x9F (five positions are
// unassigned there).
constexpr char32_t kC1Range[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
                                 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C,
                                 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
                                 0x0153, 0x017E, 0x0178};

bool in_cp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return true;
  for (char32_t known : kC1Range) {
    if (c == known) return true;
  }
  return false;
}

// Decodes one UTF-8 sequence at text[i]; answers its length, 0 when the
// bytes there are not UTF-8.
std::size_t decode(std::string_view text, std::size_t i, char32_t& c) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  c = n == 1 ? lead : lead & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    unsigned char b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  static const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

// The types whose VARIANTs own nothing, so that a bitwise copy is a copy.
bool is_plain_scalar(VARTYPE vt) {
  switch (vt) {
    case VT_BOOL: case VT_UI1: case VT_I2: case VT_I4: case VT_CY: case VT_R4: case VT_R8: case VT_DATE:
      return true;
    default:
      return false;
  }
}

// Changes `value` to `vt`; answers 0 or the DAO error number. A plain
// scalar of that type already is copied as it stands.
LONG change(const VARIANT& value, VARTYPE vt, VARIANT& out) {
  VariantInit(&out);
  if (value.vt == vt && is_plain_scalar(vt)) {
    out = value;
    return 0;
  }
  HRESULT hr = VariantChangeType(&out, &value, 0, vt);
  if (SUCCEEDED(hr)) return 0;
  return hr == DISP_E_OVERFLOW ? 3349 : 3421;
}

struct variant_holder {
  VARIANT v;
  variant_holder() { VariantInit(&v); }
  ~variant_holder() { VariantClear(&v); }
};

std::string date_text(DATE date) {
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) return std::string();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                st.wMinute, st.wSecond);
  return buf;
}

LONG to_text(const VARIANT& value, const jet::ColumnDef& column, bool jet3, jet::Value& out) {
  std::string text;
  if (value.vt == VT_DATE) {
    text = date_text(value.date);
    if (text.empty()) return 3421;
  } else if (value.vt == VT_BSTR) {
    text.assign(value.bstrVal ? value.bstrVal : "", SysStringByteLen(value.bstrVal));
  } else {
    if (value.vt == (VT_ARRAY | VT_UI1)) return 3421;
    variant_holder h;
    if (LONG error = change(value, VT_BSTR, h.v)) return error;
    text.assign(h.v.bstrVal ? h.v.bstrVal : "", SysStringByteLen(h.v.bstrVal));
  }
  // Plain ASCII is in the 1252 repertoire as it stands.
  const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  if (jet3 && !std::all_of(text.begin(), text.end(), ascii)) text = to_cp1252_repertoire(text);
  if (column.type == jet::ColumnType::text && character_count(text) > static_cast<std::size_t>(declared_size(column, jet3)))
    return 3163;
  out = std::move(text);
  return 0;
}

LONG to_binary(const VARIANT& value, const jet::ColumnDef& column, jet::Value& out) {
  jet::Binary bytes;
  if (value.vt == (VT_ARRAY | VT_UI1)) {
    SAFEARRAY* sa = value.parray;
    LONG lo = 0, hi = -1;
    if (sa == nullptr || SafeArrayGetDim(sa) != 1 || FAILED(SafeArrayGetLBound(sa, 1, &lo)) ||
        FAILED(SafeArrayGetUBound(sa, 1, &hi)))
      return 3421;
    void* data = nullptr;
    if (hi >= lo) {
      if (FAILED(SafeArrayAccessData(sa, &data))) return 3421;
      bytes.assign(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + (hi - lo + 1));
      SafeArrayUnaccessData(sa);
    }
  } else if (value.vt == VT_BSTR) {
    bytes.assign(value.bstrVal, value.bstrVal + SysStringByteLen(value.bstrVal));
  } else {
    return 3421;
  }
  if (column.type == jet::ColumnType::binary && bytes.size() > column.length) return 3163;
  out = std::move(bytes);
  return 0;
}

}  // namespace

LONG declared_size(const jet::ColumnDef& column, bool jet3) {
  switch (column.type) {
    case jet::ColumnType::text: return jet3 ? column.length : column.length / 2;
    case jet::ColumnType::binary: return column.length;
    case jet::ColumnType::memo:
    case jet::ColumnType::ole: return 0;
    case jet::ColumnType::boolean: return 1;
    default: return jet::fixed_length_of(column.type);
  }
}

LONG to_jet_value(const VARIANT& value, const jet::ColumnDef& column, bool jet3, jet::Value& out) {
  using jet::ColumnType;
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
    out = column.type == ColumnType::boolean ? jet::Value(false) : jet::Value(jet::Null{});
    return 0;
  }
  variant_holder h;
  LONG error = 0;
  switch (column.type) {
    case ColumnType::boolean:
      if (!(error = change(value, VT_BOOL, h.v))) out = h.v.boolVal != 0;
      return error;
    case ColumnType::byte:
      if (!(error = change(value, VT_UI1, h.v))) out = static_cast<std::uint8_t>(h.v.bVal);
      return error;
    case ColumnType::integer:
      if (!(error = change(value, VT_I2, h.v))) out = static_cast<std::int16_t>(h.v.iVal);
      return error;
    case ColumnType::long_integer:
      if (!(error = change(value, VT_I4, h.v))) out = static_cast<std::int32_t>(h.v.lVal);
      return error;
    case ColumnType::money:
      if (!(error = change(value, VT_CY, h.v))) out = jet::Money{h.v.cyVal.int64};
      return error;
    case ColumnType::single:
      if (!(error = change(value, VT_R4, h.v))) out = h.v.fltVal;
      return error;
    case ColumnType::double_:
      if (!(error = change(value, VT_R8, h.v))) out = h.v.dblVal;
      return error;
    case ColumnType::datetime:
      if (!(error = change(value, VT_DATE, h.v))) out = jet::DateTime{h.v.date};
      return error;
    case ColumnType::text:
    case ColumnType::memo:
      return to_text(value, column, jet3, out);
    case ColumnType::binary:
    case ColumnType::ole:
      return to_binary(value, column, out);
    default:
      return 3421;  // GUID, decimal and the types of later engines are not written
  }
}

HRESULT from_jet_value(const jet::Value& value, VARIANT* out) {
  VariantInit(out);
  struct visitor {
    VARIANT* v;
    void operator()(const jet::Null&) { v->vt = VT_NULL; }
    void operator()(bool b) { v->vt = VT_BOOL, v->boolVal = vbool(b); }
    void operator()(std::uint8_t x) { v->vt = VT_UI1, v->bVal = x; }
    void operator()(std::int16_t x) { v->vt = VT_I2, v->iVal = x; }
    void operator()(std::int32_t x) { v->vt = VT_I4, v->lVal = x; }
    void operator()(const jet::Money& m) { v->vt = VT_CY, v->cyVal.int64 = m.ten_thousandths; }
    void operator()(float x) { v->vt = VT_R4, v->fltVal = x; }
    void operator()(double x) { v->vt = VT_R8, v->dblVal = x; }
    void operator()(const jet::DateTime& d) { v->vt = VT_DATE, v->date = d.days; }
    void operator()(const std::string& s) { v->vt = VT_BSTR, v->bstrVal = make_bstr(s); }
    void operator()(const jet::Binary& b) {
      SAFEARRAYBOUND bound{static_cast<ULONG>(b.size()), 0};
      SAFEARRAY* sa = SafeArrayCreate(VT_UI1, 1, &bound);
      if (sa == nullptr) return;
      void* data = nullptr;
      if (!b.empty() && SUCCEEDED(SafeArrayAccessData(sa, &data))) {
        std::memcpy(data, b.data(), b.size());
        SafeArrayUnaccessData(sa);
      }
      v->vt = VT_ARRAY | VT_UI1, v->parray = sa;
    }
    void operator()(const jet::Guid& g) { v->vt = VT_BSTR, v->bstrVal = make_bstr(jet::to_string(g)); }
    void operator()(const jet::Decimal& d) { v->vt = VT_BSTR, v->bstrVal = make_bstr(jet::to_string(d)); }
  };
  std::visit(visitor{out}, value);
  return out->vt == VT_EMPTY ? E_OUTOFMEMORY : S_OK;
}

std::string to_cp1252_repertoire(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    std::size_t n = decode(text, i, c);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    if (in_cp1252(c)) out.append(text.substr(i, n));
    else out += '?';
    i += n;
  }
  return out;
}

std::string file_state::stored(const std::string& text) const { return jet3() ? to_cp1252_repertoire(text) : text; }

std::size_t character_count(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char b : text) count += (b & 0xC0) != 0x80;
  return count;
}

}  // namespace dao_impl
