// ole_variant::from_string: text to a value of a given type. Texts come
// from SQL Server (catalog defaults, rowset values read as text) and from
// users; a text that does not read as the type gives VT_EMPTY.
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "OLE/ole_date.h"
#include "OLE/ole_number_text.h"
#include "OLE/ole_var.h"
#include "TK/tk_trace.h"
#include "platform/win32/win32_text.h"

namespace {

std::size_t skip_spaces(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

// The C library's atoi/strtoll reading: leading white space, a sign and the
// digits up to the first other character. ok is false when the digits
// exceed 64 bits; no digits read as 0.
long long leading_integer(std::string_view text, bool& ok) {
  std::string copy(text);
  errno = 0;
  long long value = std::strtoll(copy.c_str(), nullptr, 10);
  ok = errno != ERANGE;
  return value;
}

// The scanf "%u" / "%I64u" reading, which also accepts a sign; negative
// texts and values beyond 64 bits are not ok. No digits read as 0.
unsigned long long leading_unsigned(std::string_view text, bool& ok) {
  std::size_t i = skip_spaces(text);
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  unsigned long long value = 0;
  auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
  ok = result.ec != std::errc::result_out_of_range && !(negative && value != 0);
  return result.ec == std::errc() ? value : 0;
}

// The nearest float. Only magnitudes from FLT_MAX plus half its last step
// on become infinities: the largest real as written (3.40282347E+38) is
// FLT_MAX, not infinity.
float narrow_to_float(double value) {
  constexpr double past_float_max = 0x1.ffffffp127;
  if (std::isfinite(value) && std::fabs(value) >= past_float_max) return value > 0 ? HUGE_VALF : -HUGE_VALF;
  return static_cast<float>(value);
}

// The text as atof reads it, a comma taken for the point.
double number(std::string_view text) {
  if (text.find(',') == std::string_view::npos) return ole_atof(text);
  return ole_atof(ole_commas_to_points(text));
}

// True, with the number, for exactly the text std::to_string gives a
// long long: an optional minus, no zero in front, no sign on 0.
bool canonical_integer(std::string_view text, long long& n) {
  const bool minus = !text.empty() && text[0] == '-';
  const std::string_view digits = text.substr(minus ? 1 : 0);
  if (digits.empty() || (digits[0] == '0' && (digits.size() > 1 || minus))) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size();
}

// Whole decimal text of exactly the number (no sign, blank or zero padding).
ole_variant strict_integer(std::string_view text, int target) {
  long long n = 0;
  if (!canonical_integer(text, n)) return ole_variant();
  long long min = 0, max = 0;
  switch (target) {
    case VT_I1: min = INT8_MIN, max = INT8_MAX; break;
    case VT_UI1: min = 0, max = UINT8_MAX; break;
    case VT_I2: min = INT16_MIN, max = INT16_MAX; break;
    case VT_UI2: min = 0, max = UINT16_MAX; break;
    default: min = INT32_MIN, max = INT32_MAX; break;
  }
  if (n < min || n > max) {
    TK_TRACE(2, "Value %lld is out of range of type %d", n, target);
    return ole_variant();
  }
  switch (target) {
    case VT_I1: return ole_variant(static_cast<char>(n));
    case VT_UI1: return ole_variant(static_cast<unsigned char>(n));
    case VT_I2: return ole_variant(static_cast<short>(n));
    case VT_UI2: return ole_variant(static_cast<unsigned short>(n));
    default: return ole_variant(static_cast<int>(n));
  }
}

ole_variant unsigned_integer(std::string_view text, int target) {
  bool ok = false;
  unsigned long long n = leading_unsigned(text, ok);
  if (!ok || (target == VT_UI4 && n > UINT32_MAX)) {
    TK_TRACE(2, "Value '%.*s' is out of range of type %d", static_cast<int>(text.size()),
             text.data(), target);
    return ole_variant();
  }
  if (target == VT_UI4) return ole_variant(static_cast<unsigned int>(n));
  return ole_variant(n);
}

ole_variant signed_hyper(std::string_view text) {
  bool ok = false;
  long long n = leading_integer(text, ok);
  if (!ok) {
    TK_TRACE(2, "Value '%.*s' is out of range of type %d", static_cast<int>(text.size()),
             text.data(), VT_I8);
    return ole_variant();
  }
  return ole_variant(n);
}

ole_variant money(std::string_view text) {
  TK_TRACE(1, "GOT VT_CY");
  CY cy{};
  HRESULT hr = VarCyFromStr(ole_commas_to_points(text).c_str(), LOCALE_EN_US, 0, &cy);
  if (FAILED(hr)) {
    TK_TRACE(3, "VarCyFromStr failed: %08X", static_cast<unsigned>(hr));
    return ole_variant();
  }
  return ole_variant(cy);
}

// True, with the value, for a text `-?digits[.digits]` of at most 19
// digits: every place the text gives is kept, as VarDecFromStr keeps them,
// and the digits fit the decimal's 96 bits without rounding.
bool short_plain_decimal(std::string_view text, DECIMAL& out) {
  const bool minus = !text.empty() && text[0] == '-';
  std::size_t i = minus ? 1 : 0;
  unsigned long long digits = 0;
  std::size_t count = 0, places = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point && count > 0) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9' || ++count > 19) return false;
    digits = digits * 10 + static_cast<unsigned>(c - '0');
    places += point;
  }
  if (count == 0 || (point && places == 0)) return false;
  out = DECIMAL{};
  out.scale = static_cast<BYTE>(places);
  out.sign = minus && digits != 0 ? DECIMAL_NEG : 0;
  out.Lo64 = digits;
  return true;
}

// A decimal beyond DECIMAL's range keeps its value as a double rather than
// becoming no value: Access stores decimals as Double anyway. One beyond
// double's range too has no value to keep.
ole_variant decimal(std::string_view text) {
  TK_TRACE(1, "GOT VT_DECIMAL");
  if (DECIMAL plain{}; short_plain_decimal(text, plain)) return ole_variant(plain);
  std::string copy = ole_commas_to_points(text);
  DECIMAL dec{};
  HRESULT hr = VarDecFromStr(copy.c_str(), LOCALE_EN_US, 0, &dec);
  if (hr == DISP_E_OVERFLOW && std::isfinite(ole_atof(copy))) {
    TK_TRACE(2, "Decimal '%s' is out of DECIMAL range, kept as double", copy.c_str());
    return ole_variant(ole_atof(copy));
  }
  if (FAILED(hr)) {
    TK_TRACE(3, "VarDecFromStr failed: %08X", static_cast<unsigned>(hr));
    return ole_variant();
  }
  return ole_variant(dec);
}

ole_variant date(std::string_view text) {
  TK_TRACE(1, "GOT VT_DATE");
  ole_date value{std::string(text)};
  if (value.kind() == ole_date::none) return ole_variant();
  return value.to_variant();
}

ole_variant boolean(std::string_view text) {
  // The provider's form of a bit, read as its number would be.
  if (text == "0" || text == "1") return ole_variant(text == "1");
  auto equals = [text](std::string_view word) { return win32::compare_nocase(text, word) == 0; };
  if (equals("yes") || equals("true")) return ole_variant(true);
  if (equals("no") || equals("false")) return ole_variant(false);
  bool ok = false;
  return ole_variant(leading_integer(text, ok) != 0);
}

// Two hex digits per byte after an optional 0x; a pair that is not hex
// gives 0.
ole_variant binary(std::string_view text) {
  if (text.empty()) {
    TK_TRACE(1, "Empty BLOB");
    return ole_variant();
  }
  if (text.size() % 2 != 0) {
    TK_TRACE(2, "Incorrect BLOB (size is odd)");
    return ole_variant();
  }
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  std::string bytes(text.size() / 2, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned value = 0;
    auto result = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
    if (result.ec != std::errc() || result.ptr != text.data() + 2 * i + 2) value = 0;
    bytes[i] = static_cast<char>(value);
  }
  return ole_variant(bytes.size(), bytes.data());
}

// Every other target: the platform changes the text into it.
ole_variant changed_by_platform(std::string_view text, int target) {
  ole_variant value{std::string(text)};
  VARIANT& var = value.variant();
  HRESULT hr = VariantChangeType(&var, &var, 0, static_cast<VARTYPE>(target));
  if (FAILED(hr)) throw ole_type_exception();
  TK_TRACE(1, "VariantChangeType succeeded");
  return value;
}

}  // namespace

ole_variant ole_variant::from_string(std::string_view text, int target) {
  TK_TRACE(1, "ole_variant::from_string('%.*s', 0x%08X)", static_cast<int>(text.size()),
           text.data(), static_cast<unsigned>(target));
  if (text.empty() && target != VT_BSTR) return ole_variant();
  switch (target) {
    case VT_BLOB: case VT_BINARY: return binary(text);
    case VT_I2: case VT_I4: case VT_I1: case VT_UI1: case VT_UI2: return strict_integer(text, target);
    case VT_UI4: case VT_UI8: return unsigned_integer(text, target);
    case VT_I8: return signed_hyper(text);
    case VT_R4: return ole_variant(narrow_to_float(number(text)));
    case VT_R8: return ole_variant(number(text));
    case VT_CY: return money(text);
    case VT_DECIMAL: return decimal(text);
    case VT_DATE: return date(text);
    case VT_BOOL: return boolean(text);
    default: return changed_by_platform(text, target);
  }
}
