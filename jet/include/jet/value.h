// Typed column values as the engine returns them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// SQL NULL.
struct Null {
  bool operator==(const Null&) const = default;
};

// Currency: a signed count of ten-thousandths (Jet stores it so).
struct Money {
  std::int64_t ten_thousandths = 0;
  bool operator==(const Money&) const = default;
};

// Date/time as Jet stores it: days since 1899-12-30; the fraction is the
// time of day (its sign is ignored for dates before 1899-12-30).
struct DateTime {
  double days = 0;
  bool operator==(const DateTime&) const = default;
};

// Calendar form of a DateTime, rounded to the nearest second.
struct CivilTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
  bool operator==(const CivilTime&) const = default;
};
CivilTime to_civil(DateTime value);
// "YYYY-MM-DD HH:MM:SS".
std::string to_string(const CivilTime& value);

// A 16-byte GUID in its stored (Windows, mixed-endian) byte order.
struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex, Windows order).
std::string to_string(const Guid& value);

// A scaled decimal: value = (negative ? -1 : 1) * magnitude / 10^scale,
// magnitude up to 128 bits (high, low words).
struct Decimal {
  bool negative = false;
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  std::uint8_t precision = 18;
  std::uint8_t scale = 0;
  bool operator==(const Decimal&) const = default;
};
// Plain decimal notation with exactly `scale` digits after the point
// ("-12.50"); zero is "0" followed by the scale's digits.
std::string to_string(const Decimal& value);

using Binary = std::vector<std::uint8_t>;

// One column value. Which alternative holds depends on the column type:
//   boolean -> bool         byte -> std::uint8_t     integer -> std::int16_t
//   long_integer -> std::int32_t   money -> Money    single -> float
//   double_ -> double       datetime -> DateTime     text, memo -> std::string (UTF-8)
//   binary, ole -> Binary   guid -> Guid             numeric -> Decimal
//   complex -> std::int32_t  types !is_decoded_type() -> Binary (raw bytes)
// and Null for NULL (never for boolean, which cannot be NULL).
using Value = std::variant<Null, bool, std::uint8_t, std::int16_t, std::int32_t, Money, float,
                           double, DateTime, std::string, Binary, Guid, Decimal>;

inline bool is_null(const Value& value) { return std::holds_alternative<Null>(value); }

// A readable rendering for diagnostics and tools: numbers in shortest
// round-trip form, money with 4 decimals, dates as to_string(CivilTime),
// binary as lower-case hex, NULL as "NULL".
std::string to_display_string(const Value& value);

}  // namespace jet
