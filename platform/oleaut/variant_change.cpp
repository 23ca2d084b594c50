// VariantChangeType: every value is read into text or parsed from text, so
// each pair of types goes through the exact readers and writers of
// number_text and var_number.
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/oleaut/bstr.h"
#include "platform/oleaut/locale.h"
#include "platform/oleaut/number_text.h"
#include "platform/oleaut/var_date.h"
#include "platform/oleaut/var_number.h"
#include "platform/oleaut/variant.h"

using namespace oleaut_detail;

namespace {

struct int_range {
  __int128 min, max;
};

bool integer_range(VARTYPE vt, int_range& r) {
  switch (vt) {
    case VT_I1: r = {INT8_MIN, INT8_MAX}; return true;
    case VT_UI1: r = {0, UINT8_MAX}; return true;
    case VT_I2: r = {INT16_MIN, INT16_MAX}; return true;
    case VT_UI2: r = {0, UINT16_MAX}; return true;
    case VT_I4: case VT_INT: r = {INT32_MIN, INT32_MAX}; return true;
    case VT_UI4: case VT_UINT: r = {0, UINT32_MAX}; return true;
    case VT_I8: r = {INT64_MIN, INT64_MAX}; return true;
    case VT_UI8: r = {0, UINT64_MAX}; return true;
    default: return false;
  }
}

void store_integer(VARIANT& v, VARTYPE vt, __int128 value) {
  v.llVal = 0;
  switch (vt) {
    case VT_I1: v.cVal = static_cast<CHAR>(value); break;
    case VT_UI1: v.bVal = static_cast<BYTE>(value); break;
    case VT_I2: v.iVal = static_cast<SHORT>(value); break;
    case VT_UI2: v.uiVal = static_cast<USHORT>(value); break;
    case VT_I4: case VT_INT: v.lVal = static_cast<LONG>(value); break;
    case VT_UI4: case VT_UINT: v.ulVal = static_cast<ULONG>(value); break;
    case VT_I8: v.llVal = static_cast<LONGLONG>(value); break;
    default: v.ullVal = static_cast<ULONGLONG>(value); break;
  }
  v.vt = vt;
}

bool integer_value(const VARIANT& v, __int128& out) {
  switch (v.vt) {
    case VT_I1: out = v.cVal; return true;
    case VT_UI1: out = v.bVal; return true;
    case VT_I2: out = v.iVal; return true;
    case VT_BOOL: out = v.boolVal; return true;
    case VT_UI2: out = v.uiVal; return true;
    case VT_I4: case VT_INT: out = v.lVal; return true;
    case VT_UI4: case VT_UINT: out = v.ulVal; return true;
    case VT_I8: out = v.llVal; return true;
    case VT_UI8: out = v.ullVal; return true;
    default: return false;
  }
}

std::string integer_text(__int128 value) {
  bool negative = value < 0;
  u128 magnitude = negative ? static_cast<u128>(-(value + 1)) + 1 : static_cast<u128>(value);
  return scaled_to_text(negative, magnitude, 0, '.');
}

std::string double_text(double value, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, value);
  return buf;
}

std::string date_text(DATE date) {
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) return {};
  char buf[64];
  int hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
  const char* half = st.wHour < 12 ? "AM" : "PM";
  if (std::trunc(date) == 0.0)
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour12, st.wMinute, st.wSecond, half);
  else if (st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0)
    std::snprintf(buf, sizeof buf, "%d/%d/%d", st.wMonth, st.wDay, st.wYear);
  else
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", st.wMonth, st.wDay, st.wYear, hour12,
                  st.wMinute, st.wSecond, half);
  return buf;
}

// The value as text: exact for integers, money and decimals; 17 digits for
// doubles when the text feeds another number (exact), 15 for display.
// Display text uses the user's decimal separator, inner text ".".
HRESULT value_text(const VARIANT& v, bool for_number, std::string& out) {
  LCID lcid = for_number ? LOCALE_EN_US : LOCALE_USER_DEFAULT;
  __int128 integer = 0;
  BSTR bstr = nullptr;
  HRESULT hr = S_OK;
  if (v.vt == VT_BOOL && !for_number) {
    out = v.boolVal ? "True" : "False";
  } else if (integer_value(v, integer)) {
    out = integer_text(integer);
  } else if (v.vt == VT_R8 || v.vt == VT_R4) {
    double d = v.vt == VT_R8 ? v.dblVal : v.fltVal;
    out = double_text(d, for_number ? 17 : (v.vt == VT_R8 ? 15 : 7));
    for (char& c : out)
      if (c == '.') c = oleaut_decimal_separator(lcid);
  } else if (v.vt == VT_DATE) {
    out = for_number ? double_text(v.date, 17) : date_text(v.date);
    if (out.empty()) hr = DISP_E_OVERFLOW;
  } else if (v.vt == VT_CY || v.vt == VT_DECIMAL) {
    hr = v.vt == VT_CY ? VarBstrFromCy(v.cyVal, lcid, 0, &bstr)
                       : VarBstrFromDec(&v.decVal, lcid, 0, &bstr);
    if (SUCCEEDED(hr)) out.assign(bstr, SysStringByteLen(bstr));
    SysFreeString(bstr);
  } else if (v.vt == VT_BSTR) {
    out = v.bstrVal == nullptr ? "" : v.bstrVal;
  } else if (v.vt == VT_EMPTY) {
    out = for_number ? "0" : "";
  } else {
    hr = DISP_E_TYPEMISMATCH;
  }
  return hr;
}

HRESULT bool_from_text(const std::string& text, char sep, VARIANT& out) {
  std::string lower;
  for (char c : text) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  std::size_t first = lower.find_first_not_of(' ');
  std::size_t last = lower.find_last_not_of(' ');
  lower = first == std::string::npos ? "" : lower.substr(first, last - first + 1);
  bool value;
  if (lower == "true" || lower == "false") {
    value = lower == "true";
  } else {
    parsed_number n;
    HRESULT hr = parse_number(lower.c_str(), sep, n);
    if (FAILED(hr)) return hr;
    value = !n.digits.empty();
  }
  out.vt = VT_BOOL;
  out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT double_from_text(const std::string& text, char sep, VARTYPE vt, VARIANT& out) {
  parsed_number n;
  double d = 0.0;
  HRESULT hr = parse_number(text.c_str(), sep, n);
  if (SUCCEEDED(hr)) hr = to_double(n, d);
  if (FAILED(hr)) return hr;
  // Up to FLT_MAX plus half its last step a value still rounds to FLT_MAX.
  if (vt == VT_R4 && std::fabs(d) >= 0x1.ffffffp127) return DISP_E_OVERFLOW;
  out.vt = vt;
  if (vt == VT_R4) out.fltVal = static_cast<float>(d);
  if (vt == VT_R8) out.dblVal = d;
  if (vt == VT_DATE) out.date = d;
  return S_OK;
}

// Text from a number (numeric_source) uses ".", text from a BSTR the
// user's decimal separator.
HRESULT from_text(const std::string& text, VARTYPE vt, bool numeric_source, VARIANT& out) {
  LCID lcid = numeric_source ? LOCALE_EN_US : LOCALE_USER_DEFAULT;
  char sep = oleaut_decimal_separator(lcid);
  int_range range{};
  if (integer_range(vt, range)) {
    parsed_number n;
    __int128 value = 0;
    HRESULT hr = parse_number(text.c_str(), sep, n);
    if (SUCCEEDED(hr)) hr = to_integer(n, range.min, range.max, value);
    if (SUCCEEDED(hr)) store_integer(out, vt, value);
    return hr;
  }
  switch (vt) {
    case VT_R4: case VT_R8: return double_from_text(text, sep, vt, out);
    case VT_CY: out.vt = VT_CY; return VarCyFromStr(text.c_str(), lcid, 0, &out.cyVal);
    case VT_BOOL: return bool_from_text(text, sep, out);
    case VT_DATE:
      if (numeric_source) return double_from_text(text, sep, vt, out);
      out.vt = VT_DATE;
      return VarDateFromStr(text.c_str(), lcid, 0, &out.date);
    case VT_DECIMAL: {
      DECIMAL dec{};
      HRESULT hr = VarDecFromStr(text.c_str(), lcid, 0, &dec);
      if (SUCCEEDED(hr)) out.decVal = dec, out.vt = VT_DECIMAL;
      return hr;
    }
    case VT_BSTR:
      out.vt = VT_BSTR;
      out.bstrVal = SysAllocStringByteLen(text.data(), static_cast<UINT>(text.size()));
      return out.bstrVal == nullptr ? E_OUTOFMEMORY : S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

bool is_value_type(VARTYPE vt) {
  if (vt & VT_BYREF) return false;
  if (vt & VT_ARRAY) return true;
  return vt <= VT_UINT && vt != 15;
}

// The exact conversions that need no text: an integer to another integer
// type, a decimal of at most four places to money, and a decimal whose
// digits a double holds exactly to a double (the quotient of two exact
// doubles is rounded once, as reading its text rounds it).  Answers false
// for every other pair, which goes through text.  The results, overflow
// included, are those the text way gives.
bool change_directly(const VARIANT& src, VARTYPE vt, VARIANT& out, HRESULT& hr) {
  if (src.vt == VT_DECIMAL && vt == VT_R8 && src.decVal.Hi32 == 0 && src.decVal.Lo64 != 0 &&
      src.decVal.Lo64 <= (1ULL << 53) && src.decVal.scale <= 22) {
    static constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const double magnitude = static_cast<double>(src.decVal.Lo64) / kTens[src.decVal.scale];
    out.vt = VT_R8;
    out.dblVal = (src.decVal.sign & DECIMAL_NEG) != 0 ? -magnitude : magnitude;
    hr = S_OK;
    return true;
  }
  __int128 integer = 0;
  int_range range{};
  if (integer_value(src, integer) && integer_range(vt, range)) {
    hr = integer < range.min || integer > range.max ? DISP_E_OVERFLOW : S_OK;
    if (SUCCEEDED(hr)) store_integer(out, vt, integer);
    return true;
  }
  if (src.vt == VT_DECIMAL && vt == VT_CY && src.decVal.scale <= 4) {
    const u128 magnitude = decimal_magnitude(src.decVal) * power_of_ten(4 - src.decVal.scale);
    const bool negative = (src.decVal.sign & DECIMAL_NEG) != 0;
    if (magnitude > (negative ? kCyNegativeMax : kCyPositiveMax)) {
      hr = DISP_E_OVERFLOW;
      return true;
    }
    const __int128 value = static_cast<__int128>(magnitude);
    out.vt = VT_CY;
    out.cyVal.int64 = static_cast<LONGLONG>(negative ? -value : value);
    hr = S_OK;
    return true;
  }
  return false;
}

HRESULT change(const VARIANT& src, VARTYPE vt, VARIANT& out) {
  if (vt == VT_EMPTY || vt == VT_NULL) {
    if (src.vt == VT_NULL && vt == VT_EMPTY) return DISP_E_TYPEMISMATCH;
    if ((src.vt & (VT_ARRAY | VT_BYREF)) || src.vt > VT_UINT || src.vt == 15 || src.vt == VT_ERROR)
      return DISP_E_TYPEMISMATCH;
    out.vt = vt;
    return S_OK;
  }
  if (src.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  HRESULT direct = S_OK;
  if (change_directly(src, vt, out, direct)) return direct;
  std::string text;
  HRESULT hr = value_text(src, vt != VT_BSTR, text);
  if (FAILED(hr)) return hr;
  return from_text(text, vt, src.vt != VT_BSTR, out);
}

}  // namespace

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT, VARTYPE vt) {
  if (dest == nullptr || src == nullptr) return E_INVALIDARG;
  if (!is_value_type(vt)) return DISP_E_BADVARTYPE;
  if (src->vt == vt) return VariantCopy(dest, src);
  VARIANT result;
  VariantInit(&result);
  result.llVal = 0;
  HRESULT hr = change(*src, vt, result);
  if (FAILED(hr)) return hr;
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dest = result;
  return S_OK;
}
