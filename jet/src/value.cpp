#include "jet/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace jet {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, CivilTime& out) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  out.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
  out.month = static_cast<int>(m);
  out.day = static_cast<int>(d);
}


std::string shortest(double v) {
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, result.ptr);
}

std::string shortest(float v) {
  char buf[64];
  auto result = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, result.ptr);
}

std::string money_string(Money m) {
  const bool negative = m.ten_thousandths < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(m.ten_thousandths)
                                           : static_cast<std::uint64_t>(m.ten_thousandths);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
  return buf;
}

std::string hex(const Binary& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (auto b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0xF];
  }
  return out;
}

}  // namespace

CivilTime to_civil(DateTime value) {
  CivilTime out;
  if (!std::isfinite(value.days) || std::fabs(value.days) > 3.0e6) return out;
  double whole = std::trunc(value.days);
  std::int64_t seconds = std::llround(std::fabs(value.days - whole) * kSecondsPerDay);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += value.days < 0 ? -1 : 1;
  }
  civil_from_days(days_from_civil(1899, 12, 30) + static_cast<std::int64_t>(whole), out);
  out.hour = static_cast<int>(seconds / 3600);
  out.minute = static_cast<int>(seconds / 60 % 60);
  out.second = static_cast<int>(seconds % 60);
  return out;
}

std::string to_string(const CivilTime& t) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

std::string to_string(const Guid& g) {
  const auto& b = g.bytes;
  char buf[48];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return buf;
}

std::string to_string(const Decimal& d) {
  // Long division of the 128-bit magnitude by 10, 32 bits at a time.
  std::uint32_t limbs[4] = {static_cast<std::uint32_t>(d.high >> 32),
                            static_cast<std::uint32_t>(d.high),
                            static_cast<std::uint32_t>(d.low >> 32),
                            static_cast<std::uint32_t>(d.low)};
  std::string reversed;  // least significant digit first
  bool nonzero = true;
  while (nonzero) {
    std::uint64_t remainder = 0;
    nonzero = false;
    for (auto& limb : limbs) {
      const std::uint64_t current = (remainder << 32) | limb;
      limb = static_cast<std::uint32_t>(current / 10);
      remainder = current % 10;
      nonzero = nonzero || limb != 0;
    }
    reversed.push_back(static_cast<char>('0' + remainder));
  }
  while (reversed.size() <= d.scale) reversed.push_back('0');
  const bool zero = d.high == 0 && d.low == 0;
  std::string out = d.negative && !zero ? "-" : "";
  for (std::size_t i = reversed.size(); i-- > 0;) {
    out.push_back(reversed[i]);
    if (i == d.scale && i > 0) out.push_back('.');
  }
  return out;
}

std::string to_display_string(const Value& value) {
  struct Visitor {
    std::string operator()(const Null&) const { return "NULL"; }
    std::string operator()(bool v) const { return v ? "1" : "0"; }
    std::string operator()(std::uint8_t v) const { return std::to_string(v); }
    std::string operator()(std::int16_t v) const { return std::to_string(v); }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(Money v) const { return money_string(v); }
    std::string operator()(float v) const { return shortest(v); }
    std::string operator()(double v) const { return shortest(v); }
    std::string operator()(DateTime v) const { return to_string(to_civil(v)); }
    std::string operator()(const std::string& v) const { return v; }
    std::string operator()(const Binary& v) const { return hex(v); }
    std::string operator()(const Guid& v) const { return to_string(v); }
    std::string operator()(const Decimal& v) const { return to_string(v); }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace jet
