// Key parts of fixed-size, yes/no and binary values.
//
// Bodies, all big-endian so that byte order is value order:
//   byte                 the byte
//   integer/long/money   the two's complement value with its sign bit flipped
//   single/double/date   IEEE bits: sign bit flipped when >= 0, all bits
//                        inverted when < 0
//   numeric              0xFF (>= 0) or 0x00 (< 0), then the 16-byte magnitude,
//                        inverted when < 0
//   GUID, binary         8-byte groups (see append_binary_key)
// A descending body is the ascending one inverted (numeric: all but the sign
// byte; binary: all but the 9 that joins groups).
#include <algorithm>
#include <string>

#include "jet/error.h"
#include "jet/index.h"
#include "key_internal.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kGroupSize = 8;
constexpr std::uint8_t kMoreGroups = 9;
constexpr std::uint8_t kBoolYesAsc = 0x00;
constexpr std::uint8_t kBoolNoAsc = 0xFF;
constexpr std::uint8_t kNumericNonNegative = 0xFF;
constexpr std::uint8_t kNumericNegative = 0x00;

void invert(std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) p[i] = std::uint8_t(~p[i]);
}

void append_integer(std::span<const std::uint8_t> stored, bool ascending, Bytes& out) {
  std::size_t at = out.size();
  out.insert(out.end(), stored.rbegin(), stored.rend());
  out[at] ^= 0x80;
  if (!ascending) invert(out.data() + at, stored.size());
}

void append_float(std::span<const std::uint8_t> stored, bool ascending, Bytes& out) {
  std::size_t at = out.size();
  out.insert(out.end(), stored.rbegin(), stored.rend());
  bool negative = (out[at] & 0x80) != 0;
  if (!negative) out[at] ^= 0x80;
  if (negative == ascending) invert(out.data() + at, stored.size());
}

// The stored magnitude is four little-endian 32-bit words, most significant
// word first.
void append_numeric(std::span<const std::uint8_t> stored, bool ascending, Bytes& out) {
  bool negative = (stored[0] & 0x80) != 0;
  std::size_t at = out.size();
  out.push_back(0);
  for (std::size_t word = 1; word < stored.size(); word += 4) {
    for (int i = 3; i >= 0; --i) out.push_back(stored[word + i]);
  }
  if (negative == ascending) invert(out.data() + at, stored.size());
  out[at] = negative ? kNumericNegative : kNumericNonNegative;
}

}  // namespace

std::array<std::uint8_t, 16> guid_key_order(std::span<const std::uint8_t> stored) {
  std::array<std::uint8_t, 16> out{};
  std::copy(stored.begin(), stored.begin() + 16, out.begin());
  std::reverse(out.begin(), out.begin() + 4);
  std::reverse(out.begin() + 4, out.begin() + 6);
  std::reverse(out.begin() + 6, out.begin() + 8);
  return out;
}

void append_null_key(bool ascending, Bytes& out) {
  out.push_back(ascending ? kKeyAscNull : kKeyDescNull);
}

void append_fixed_key(ColumnType type, std::span<const std::uint8_t> stored, bool ascending,
                      Bytes& out) {
  std::uint16_t size = fixed_length_of(type);
  if (size == 0 || type == ColumnType::boolean || stored.size() != size) {
    throw Error::invalid_argument("no fixed-size key for " + column_type_name(type) + " value of " +
                                  std::to_string(stored.size()) + " bytes");
  }
  out.push_back(ascending ? kKeyAscPresent : kKeyDescPresent);
  switch (type) {
    case ColumnType::byte:
      out.push_back(ascending ? stored[0] : std::uint8_t(~stored[0]));
      break;
    case ColumnType::single:
    case ColumnType::double_:
    case ColumnType::datetime: append_float(stored, ascending, out); break;
    case ColumnType::numeric: append_numeric(stored, ascending, out); break;
    case ColumnType::guid: {
      auto ordered = guid_key_order(stored);
      out.pop_back();  // append_binary_key writes the flag again
      append_binary_key(ordered, ascending, out);
      break;
    }
    default: append_integer(stored, ascending, out); break;
  }
}

void append_bool_key(bool value, bool ascending, Bytes& out) {
  out.push_back(ascending ? kKeyAscPresent : kKeyDescPresent);
  std::uint8_t body = value ? kBoolYesAsc : kBoolNoAsc;
  out.push_back(ascending ? body : std::uint8_t(~body));
}

void append_binary_key(std::span<const std::uint8_t> bytes, bool ascending, Bytes& out) {
  out.push_back(ascending ? kKeyAscPresent : kKeyDescPresent);
  std::size_t pos = 0;
  while (bytes.size() - pos > kGroupSize) {
    std::size_t at = out.size();
    out.insert(out.end(), bytes.begin() + pos, bytes.begin() + pos + kGroupSize);
    if (!ascending) invert(out.data() + at, kGroupSize);
    out.push_back(kMoreGroups);
    pos += kGroupSize;
  }
  if (pos == bytes.size()) return;
  std::size_t at = out.size();
  std::size_t used = bytes.size() - pos;
  out.insert(out.end(), bytes.begin() + pos, bytes.end());
  out.insert(out.end(), kGroupSize - used, 0);
  out.push_back(std::uint8_t(used));
  if (!ascending) invert(out.data() + at, kGroupSize + 1);
}

}  // namespace jet
