// Internal to the conversions: numbers in text read exactly, as a digit
// string and a power of ten, then rounded half to even into the target's
// integer form; and exact integers written back as text. Nothing here is
// part of the OLE Automation surface.
#pragma once

#include <string>

#include "platform/oleaut/oleaut_types.h"

namespace oleaut_detail {

using u128 = unsigned __int128;

// value = (negative ? -1 : 1) * digits * 10^exponent; digits has no leading
// zeros and is empty for zero.
struct parsed_number {
  bool negative = false;
  std::string digits;
  long exponent = 0;
};

// Reads [blanks][+|-][digits][sep digits][e|E[+|-]digits][blanks] with at
// least one digit before the exponent. DISP_E_TYPEMISMATCH for anything
// else (a null text included); out is written only on success.
HRESULT parse_number(const char* text, char decimal_sep, parsed_number& out);

// The magnitude |value| * 10^shift rounded half to even to an integer, in
// out. DISP_E_OVERFLOW when it exceeds limit.
HRESULT round_magnitude(const parsed_number& n, long shift, u128 limit, u128& out);

// The value rounded half to even to an integer in [min, max], in out;
// DISP_E_OVERFLOW outside.
HRESULT to_integer(const parsed_number& n, __int128 min, __int128 max, __int128& out);

// The nearest double (DISP_E_OVERFLOW beyond its range).
HRESULT to_double(const parsed_number& n, double& out);

// magnitude / 10^scale as text: no trailing zeros after the separator, no
// separator when nothing follows it, "-" only for a non-zero negative value.
std::string scaled_to_text(bool negative, u128 magnitude, int scale, char sep);

u128 power_of_ten(int exponent);  // exponent 0..38

// A decimal's 96-bit magnitude, without its sign and scale.
inline u128 decimal_magnitude(const DECIMAL& dec) { return (static_cast<u128>(dec.Hi32) << 64) | dec.Lo64; }

// The largest magnitudes money holds, positive and negative, in its unit of
// a ten-thousandth.
inline constexpr u128 kCyPositiveMax = static_cast<u128>(INT64_MAX);
inline constexpr u128 kCyNegativeMax = static_cast<u128>(INT64_MAX) + 1;

}  // namespace oleaut_detail
