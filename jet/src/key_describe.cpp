// Key parts read back for listing: undoes the fixed-size encodings and
// skips over text bodies.
#include <algorithm>
#include <cstdio>
#include <string>

#include "coding.h"
#include "jet/error.h"
#include "jet/index.h"
#include "key_internal.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

[[noreturn]] void short_key(std::size_t need, std::size_t have) {
  throw Error::corruption(kNoPage, "index key", std::to_string(need) + " more bytes",
                          std::to_string(have));
}

Bytes take(std::span<const std::uint8_t> key, std::size_t& pos, std::size_t n, bool ascending) {
  if (key.size() - pos < n) short_key(n, key.size() - pos);
  Bytes out(key.begin() + pos, key.begin() + pos + n);
  if (!ascending) for (auto& b : out) b = std::uint8_t(~b);
  pos += n;
  return out;
}

// Ascending body bytes of a fixed-size type back to its stored bytes.
Bytes unkey_fixed(ColumnType type, Bytes body) {
  if (type == ColumnType::numeric) {
    bool negative = body[0] == 0x00;
    if (negative) for (auto& b : body) b = std::uint8_t(~b);
    Bytes stored(17);
    stored[0] = negative ? 0x80 : 0x00;
    for (std::size_t w = 1; w < 17; w += 4)
      for (int i = 0; i < 4; ++i) stored[w + i] = body[w + 3 - i];
    return stored;
  }
  bool is_float = type == ColumnType::single || type == ColumnType::double_ ||
                  type == ColumnType::datetime;
  if (is_float && (body[0] & 0x80) == 0) {
    for (auto& b : body) b = std::uint8_t(~b);
  } else if (type != ColumnType::byte) {
    body[0] ^= 0x80;
  }
  return Bytes(body.rbegin(), body.rend());
}

Value stored_value(ColumnType type, const Bytes& s, std::uint8_t scale) {
  const std::uint8_t* p = s.data();
  switch (type) {
    case ColumnType::byte: return p[0];
    case ColumnType::integer: return coding::get_i16(p);
    case ColumnType::long_integer: return coding::get_i32(p);
    case ColumnType::money: return Money{coding::get_i64(p)};
    case ColumnType::single: return coding::get_f32(p);
    case ColumnType::double_: return coding::get_f64(p);
    case ColumnType::datetime: return DateTime{coding::get_f64(p)};
    default: break;
  }
  Decimal d;
  d.negative = p[0] != 0;
  d.high = (std::uint64_t(coding::get_u32(p + 1)) << 32) | coding::get_u32(p + 5);
  d.low = (std::uint64_t(coding::get_u32(p + 9)) << 32) | coding::get_u32(p + 13);
  d.scale = scale;
  return d;
}

// Binary groups: 8 bytes and a 9 while more follow, else the used length.
Bytes unkey_binary(std::span<const std::uint8_t> key, std::size_t& pos, bool ascending) {
  Bytes out;
  for (;;) {
    Bytes group = take(key, pos, 8, ascending);
    if (key.size() - pos < 1) short_key(1, 0);
    std::uint8_t marker = key[pos++];
    if (marker == 9) {
      out.insert(out.end(), group.begin(), group.end());
      continue;
    }
    std::uint8_t used = ascending ? marker : std::uint8_t(~marker);
    out.insert(out.end(), group.begin(), group.begin() + std::min<std::size_t>(used, 8));
    return out;
  }
}

// Skips a text body: through its first 00 byte (or FF when descending).
// Exact for General legacy bodies and for General 97 bodies without extra
// codes; a General 97 body with extra codes may end on a half-zero byte,
// which this misses (listing only, so the rest of such a key is skipped).
void skip_text(std::span<const std::uint8_t> key, std::size_t& pos, bool ascending) {
  while (pos < key.size()) {
    std::uint8_t b = key[pos++];
    if (b == 0x00 || (!ascending && b == 0xFF && pos < key.size() && key[pos] != 0x00)) return;
  }
}

std::string hex(const Bytes& bytes) {
  std::string out;
  char buf[3];
  for (auto b : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", b);
    out += buf;
  }
  return out;
}

}  // namespace

std::string describe_key_part(const ColumnDef& column, std::span<const std::uint8_t> key,
                              std::size_t& pos, bool ascending) {
  if (pos >= key.size()) short_key(1, 0);
  std::uint8_t flag = key[pos++];
  if (column.type == ColumnType::boolean) {
    if (pos >= key.size()) short_key(1, 0);
    bool yes = key[pos++] == (ascending ? 0x00 : 0xFF);
    return yes ? "Yes" : "No";
  }
  if (flag == kKeyAscNull || flag == kKeyDescNull) return "NULL";
  switch (column.type) {
    case ColumnType::text:
    case ColumnType::memo: skip_text(key, pos, ascending); return "<text>";
    case ColumnType::binary: return hex(unkey_binary(key, pos, ascending));
    case ColumnType::guid: {
      Bytes ordered = unkey_binary(key, pos, ascending);
      if (ordered.size() != 16) return hex(ordered);
      Guid g;
      auto stored = guid_key_order(ordered);  // the swap is its own inverse
      std::copy(stored.begin(), stored.end(), g.bytes.begin());
      return to_string(g);
    }
    default: break;
  }
  std::uint16_t size = fixed_length_of(column.type);
  if (size == 0) return "<" + column_type_name(column.type) + ">";
  Bytes body = take(key, pos, size, true);
  if (!ascending && column.type != ColumnType::numeric) {
    for (auto& b : body) b = std::uint8_t(~b);
  } else if (!ascending) {
    for (std::size_t i = 1; i < body.size(); ++i) body[i] = std::uint8_t(~body[i]);
  }
  return to_display_string(stored_value(column.type, unkey_fixed(column.type, body), column.scale));
}

std::string describe_key(const TableDef& table, const RealIndexDef& index,
                         std::span<const std::uint8_t> key) {
  std::string out = "(";
  std::size_t pos = 0;
  for (std::size_t i = 0; i < index.columns.size(); ++i) {
    const IndexColumn& part = index.columns[i];
    auto column = std::find_if(table.columns.begin(), table.columns.end(),
                               [&](const ColumnDef& c) { return c.number == part.column_number; });
    if (i > 0) out += ", ";
    if (column == table.columns.end()) return out + "...)";
    try {
      out += describe_key_part(*column, key, pos, part.ascending);
    } catch (const Error&) {
      return out + "...)";
    }
  }
  return out + ")";
}

std::string key_to_hex(std::span<const std::uint8_t> key) {
  std::string out;
  char buf[4];
  for (std::size_t i = 0; i < key.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", key[i]);
    out += buf;
  }
  return out;
}

}  // namespace jet
