#include "platform/oleaut/number_text.h"

#include <cctype>
#include <charconv>
#include <cstring>

namespace oleaut_detail {

namespace {

constexpr long kExponentClamp = 100000;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

const char* skip_blanks(const char* p) {
  while (is_blank(*p)) ++p;
  return p;
}

// Reads an optional exponent at p; returns false on a bare "e".
bool read_exponent(const char*& p, long& exponent) {
  if (*p != 'e' && *p != 'E') return true;
  ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (!is_digit(*p)) return false;
  long value = 0;
  for (; is_digit(*p); ++p)
    if (value < kExponentClamp) value = value * 10 + (*p - '0');
  exponent = negative ? -value : value;
  return true;
}

void strip_leading_zeros(std::string& digits) {
  std::size_t first = digits.find_first_not_of('0');
  digits.erase(0, first == std::string::npos ? digits.size() : first);
}

// Decimal digits of a 128-bit value.
u128 digits_to_u128(const std::string& digits, std::size_t count, bool& overflow) {
  overflow = count > 38;
  u128 value = 0;
  for (std::size_t i = 0; i < count && !overflow; ++i) value = value * 10 + (digits[i] - '0');
  return value;
}

bool round_up_needed(const std::string& tail, bool head_is_odd) {
  if (tail.empty() || tail[0] < '5') return false;
  if (tail[0] > '5') return true;
  bool rest_nonzero = tail.find_first_not_of('0', 1) != std::string::npos;
  return rest_nonzero || head_is_odd;
}

}  // namespace

HRESULT parse_number(const char* text, char decimal_sep, parsed_number& out) {
  if (text == nullptr) return DISP_E_TYPEMISMATCH;
  parsed_number n;
  const char* p = skip_blanks(text);
  if (*p == '+' || *p == '-') n.negative = *p++ == '-';
  std::size_t digit_count = 0;
  for (; is_digit(*p); ++p, ++digit_count) n.digits.push_back(*p);
  if (*p == decimal_sep) {
    for (++p; is_digit(*p); ++p, ++digit_count) {
      n.digits.push_back(*p);
      --n.exponent;
    }
  }
  long exponent = 0;
  if (digit_count == 0 || !read_exponent(p, exponent)) return DISP_E_TYPEMISMATCH;
  if (*skip_blanks(p) != '\0') return DISP_E_TYPEMISMATCH;
  n.exponent += exponent;
  strip_leading_zeros(n.digits);
  if (n.digits.empty()) n.negative = false;
  out = std::move(n);
  return S_OK;
}

HRESULT round_magnitude(const parsed_number& n, long shift, u128 limit, u128& out) {
  bool overflow = false;
  u128 value = 0;
  long e = n.exponent + shift;
  std::size_t count = n.digits.size();
  if (count == 0) {
    value = 0;
  } else if (e >= 0) {
    if (static_cast<long>(count) + e > 38) return DISP_E_OVERFLOW;
    value = digits_to_u128(n.digits, count, overflow) * power_of_ten(static_cast<int>(e));
  } else if (static_cast<std::size_t>(-e) > count) {
    value = 0;
  } else {
    std::size_t keep = count - static_cast<std::size_t>(-e);
    value = digits_to_u128(n.digits, keep, overflow);
    if (!overflow && round_up_needed(n.digits.substr(keep), value % 2 == 1)) ++value;
  }
  if (overflow || value > limit) return DISP_E_OVERFLOW;
  out = value;
  return S_OK;
}

HRESULT to_integer(const parsed_number& n, __int128 min, __int128 max, __int128& out) {
  u128 limit = n.negative ? static_cast<u128>(-(min + 1)) + 1 : static_cast<u128>(max);
  if (n.negative && min >= 0) limit = 0;
  u128 magnitude = 0;
  HRESULT hr = round_magnitude(n, 0, limit, magnitude);
  if (FAILED(hr)) return hr;
  out = n.negative ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
  return S_OK;
}

HRESULT to_double(const parsed_number& n, double& out) {
  if (n.digits.empty()) {
    out = 0.0;
    return S_OK;
  }
  std::string text = n.digits + "e" + std::to_string(n.exponent);
  double value = 0.0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    bool tiny = n.exponent + static_cast<long>(n.digits.size()) < 0;
    if (!tiny) return DISP_E_OVERFLOW;
    value = 0.0;
  } else if (result.ec != std::errc()) {
    return DISP_E_TYPEMISMATCH;
  }
  out = n.negative ? -value : value;
  return S_OK;
}

u128 power_of_ten(int exponent) {
  u128 value = 1;
  for (int i = 0; i < exponent; ++i) value *= 10;
  return value;
}

std::string scaled_to_text(bool negative, u128 magnitude, int scale, char sep) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  bool zero = digits == "0";
  if (static_cast<int>(digits.size()) <= scale)
    digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
  std::size_t point = digits.size() - static_cast<std::size_t>(scale);
  std::string fraction = digits.substr(point);
  std::size_t last = fraction.find_last_not_of('0');
  fraction.erase(last == std::string::npos ? 0 : last + 1);
  std::string text = (negative && !zero) ? "-" : "";
  text += digits.substr(0, point);
  if (!fraction.empty()) text += sep + fraction;
  return text;
}

}  // namespace oleaut_detail
