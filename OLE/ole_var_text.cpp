// ole_variant's conversions to numbers, booleans and text.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "OLE/ole_date.h"
#include "OLE/ole_number_text.h"
#include "OLE/ole_var.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

// Text forms of binary data stop after this many bytes.
constexpr std::size_t kMaxRenderedBytes = 0x50000;

// A double truncated toward zero; values a 32-bit number cannot hold (NaN
// included) give 0x80000000, the value x86 conversions produce.
long truncate_to_long(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<long>(static_cast<std::int32_t>(value));
}

// printf's "%.<digits>e" with an exponent of at least three digits, as the
// system's C run time writes it: 1.500000000000000e+000.
std::string exponent_form(double value, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits, value);
  std::string text = buf;
  std::size_t e = text.find('e');
  if (e == std::string::npos || e + 2 >= text.size()) return text;  // inf, nan
  std::size_t exponent_digits = text.size() - (e + 2);
  if (exponent_digits < 3) text.insert(e + 2, 3 - exponent_digits, '0');
  return text;
}

std::string take_bstr(BSTR bstr) {
  std::string text = bstr == nullptr ? "" : std::string(bstr, SysStringByteLen(bstr));
  SysFreeString(bstr);
  return text;
}

}  // namespace

long ole_variant::to_long() const {
  TK_TRACE(1, "ole_variant::to_long(vt=%08X)", static_cast<unsigned>(var_.vt));
  switch (var_.vt) {
    case VT_EMPTY: case VT_NULL: return 0;
    case VT_I2: return var_.iVal;
    case VT_BOOL: return var_.boolVal;
    case VT_I4: case VT_UI4: return static_cast<std::int32_t>(var_.ulVal);
    case VT_R4: return truncate_to_long(var_.fltVal);
    case VT_R8: return truncate_to_long(var_.dblVal);
    case VT_I1: return static_cast<signed char>(var_.cVal);
    case VT_UI1: return var_.bVal;
    case VT_UI2: return var_.uiVal;
    case VT_I8: return static_cast<std::int32_t>(static_cast<std::uint32_t>(hyper_));
    case VT_UI8: return static_cast<std::int32_t>(static_cast<std::uint32_t>(uhyper_));
    case VT_DECIMAL: {
      LONG result = 0;
      HRESULT hr = VarI4FromDec(&var_.decVal, &result);
      TK_TRACE(1, "from DECIMAL, hr=%08X", static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? result : 0;
    }
    default:
      TK_ASSERT(false);
      return 0;
  }
}

double ole_variant::to_double() const {
  TK_TRACE(1, "ole_variant::to_double(%08X)", static_cast<unsigned>(var_.vt));
  double result = 0.0;
  HRESULT hr = S_OK;
  switch (var_.vt) {
    case VT_EMPTY: case VT_NULL: return 0.0;
    case VT_I2: return var_.iVal;
    case VT_BOOL: return var_.boolVal;
    case VT_I1: return static_cast<signed char>(var_.cVal);
    case VT_UI1: return var_.bVal;
    case VT_UI2: return var_.uiVal;
    case VT_I4: return var_.lVal;
    case VT_UI4: return var_.ulVal;
    case VT_R4: return var_.fltVal;
    case VT_R8: return var_.dblVal;
    case VT_I8: return static_cast<double>(hyper_);    // the full value
    case VT_UI8: return static_cast<double>(uhyper_);  // the full value
    case VT_CY:
      hr = VarR8FromCy(var_.cyVal, &result);
      TK_TRACE(1, "from CURRECY: res=%lg, hr=%08X", result, static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? result : 0.0;
    case VT_DECIMAL:
      hr = VarR8FromDec(&var_.decVal, &result);
      TK_TRACE(1, "from DECIMAL: res=%lg, hr=%08X", result, static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? result : 0.0;
    default:
      TK_ASSERT(false);
      return 0.0;
  }
}

bool ole_variant::to_bool() const {
  TK_TRACE(1, "ole_variant::to_bool(vt=%08X)", static_cast<unsigned>(var_.vt));
  switch (var_.vt) {
    case VT_EMPTY: case VT_NULL: return false;
    case VT_I2: case VT_UI2: return var_.uiVal != 0;
    case VT_I4: case VT_UI4: return var_.ulVal != 0;
    case VT_I1: case VT_UI1: return var_.bVal != 0;
    case VT_I8: return hyper_ != 0;
    case VT_UI8: return uhyper_ != 0;
    case VT_R4: return var_.fltVal != 0.0f;
    case VT_R8: return var_.dblVal != 0.0;
    case VT_BOOL: return var_.boolVal == VARIANT_TRUE;
    case VT_DECIMAL: return to_long() != 0;
    default:
      TK_ASSERT(false);
      return false;
  }
}

std::string ole_variant::to_string() const {
  TK_TRACE(1, "ole_variant::to_string (vt=%08X)", static_cast<unsigned>(var_.vt));
  char buf[32];
  switch (var_.vt) {
    case VT_BINARY: return binary_to_string();
    case VT_DECIMAL: return decimal_to_string();
    case VT_CY: return money_to_string();
    case VT_DATE:
      TK_TRACE(1, "Converting VT_DATE");
      return ole_date(var_.date).to_string();
    case VT_BSTR: return var_.bstrVal == nullptr ? "" : var_.bstrVal;
    case VT_BOOL:
      TK_TRACE(1, "to_string - bool: %d", static_cast<int>(var_.boolVal));
      return var_.boolVal == VARIANT_TRUE ? "1" : "0";
    case VT_I2: std::snprintf(buf, sizeof buf, "%d", var_.iVal); return buf;
    case VT_I1: std::snprintf(buf, sizeof buf, "%d", static_cast<signed char>(var_.cVal)); return buf;
    case VT_I4: std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(var_.lVal)); return buf;
    case VT_UI1: std::snprintf(buf, sizeof buf, "%u", var_.bVal); return buf;
    case VT_UI2: std::snprintf(buf, sizeof buf, "%u", var_.uiVal); return buf;
    case VT_UI4: std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(var_.ulVal)); return buf;
    case VT_R4: return exponent_form(static_cast<double>(var_.fltVal), 6);
    case VT_R8: return exponent_form(var_.dblVal, 15);
    case VT_I8: std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(hyper_)); return buf;
    case VT_UI8:
      std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(uhyper_));
      return buf;
    default: return "";
  }
}

std::string ole_variant::binary_to_string() const {
  TK_TRACE(1, "Converting VT_ARRAY");
  SAFEARRAY* array = var_.parray;
  LONG lower = 0, upper = -1;
  if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower)
    return "";
  std::size_t count = static_cast<std::size_t>(static_cast<LONGLONG>(upper) - lower + 1);
  if (count > kMaxRenderedBytes) {
    TK_TRACE(2, "Binary value of %zu bytes rendered as its first %zu", count, kMaxRenderedBytes);
    count = kMaxRenderedBytes;
  }
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return "";
  std::string text = "0x" + tk_hex_string(count, data);
  SafeArrayUnaccessData(array);
  return text;
}

std::string ole_variant::decimal_to_string() const {
  TK_TRACE(1, "Converting VT_DECIMAL");
  BSTR bstr = nullptr;
  if (FAILED(VarBstrFromDec(&var_.decVal, LOCALE_USER_DEFAULT, 0, &bstr))) return "";
  return ole_commas_to_points(take_bstr(bstr));
}

std::string ole_variant::money_to_string() const {
  TK_TRACE(1, "Converting VT_CY");
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &var_, 0, VT_BSTR))) return "";
  std::string result = ole_commas_to_points(text.bstrVal == nullptr ? "" : text.bstrVal);
  VariantClear(&text);
  return result;
}
