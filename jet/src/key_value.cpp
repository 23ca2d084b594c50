// Key parts of typed values: turns a Value back into the bytes a row stores
// and hands them to the fixed-size, binary or text encoders.
#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <type_traits>

#include "coding.h"
#include "jet/error.h"
#include "jet/index.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kNumericNegativeSign = 0x80;

// The stored bytes of a fixed-size value, held in place: keys are made for
// every row, and a heap vector per part would cost more than the encoding.
struct FixedBytes {
  std::array<std::uint8_t, 17> bytes{};
  std::size_t size = 0;
  std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

template <typename T>
FixedBytes stored_le(T value) {
  FixedBytes out;
  out.size = sizeof(T);
  if constexpr (sizeof(T) == 1) {
    out.bytes[0] = std::uint8_t(value);
  } else if constexpr (sizeof(T) == 2) {
    coding::put_u16(out.bytes.data(), std::bit_cast<std::uint16_t>(value));
  } else if constexpr (sizeof(T) == 4) {
    coding::put_u32(out.bytes.data(), std::bit_cast<std::uint32_t>(value));
  } else {
    coding::put_u64(out.bytes.data(), std::bit_cast<std::uint64_t>(value));
  }
  return out;
}

// Sign byte, then four little-endian words, most significant first.
FixedBytes stored_decimal(const Decimal& d) {
  FixedBytes out;
  out.size = 17;
  out.bytes[0] = d.negative ? kNumericNegativeSign : 0;
  coding::put_u32(out.bytes.data() + 1, std::uint32_t(d.high >> 32));
  coding::put_u32(out.bytes.data() + 5, std::uint32_t(d.high));
  coding::put_u32(out.bytes.data() + 9, std::uint32_t(d.low >> 32));
  coding::put_u32(out.bytes.data() + 13, std::uint32_t(d.low));
  return out;
}

// The stored bytes of a fixed-size value, none if `value` holds none.
FixedBytes stored_fixed(const Value& value) {
  return std::visit(
      [](const auto& v) -> FixedBytes {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Money>) {
          return stored_le(v.ten_thousandths);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          return stored_le(v.days);
        } else if constexpr (std::is_same_v<T, Guid>) {
          FixedBytes out;
          out.size = v.bytes.size();
          std::copy(v.bytes.begin(), v.bytes.end(), out.bytes.begin());
          return out;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return stored_decimal(v);
        } else if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) {
          return stored_le(v);
        } else {
          return FixedBytes{};
        }
      },
      value);
}

[[noreturn]] void mismatch(const ColumnDef& column) {
  throw Error::invalid_argument("value does not fit the key of " +
                                column_type_name(column.type) + " column '" + column.name + "'");
}

}  // namespace

void append_key_part(const ColumnDef& column, const Value& value, bool ascending, SortOrder order,
                     Bytes& out) {
  if (column.type == ColumnType::boolean) {
    const bool* yes = std::get_if<bool>(&value);
    return append_bool_key(yes ? *yes : false, ascending, out);
  }
  if (is_null(value)) return append_null_key(ascending, out);
  if (column.type == ColumnType::text || column.type == ColumnType::memo) {
    const std::string* text = std::get_if<std::string>(&value);
    if (!text) mismatch(column);
    return append_text_key(*text, order, ascending, out);
  }
  if (column.type == ColumnType::binary) {
    const Binary* bytes = std::get_if<Binary>(&value);
    if (!bytes) mismatch(column);
    return append_binary_key(*bytes, ascending, out);
  }
  const FixedBytes stored = stored_fixed(value);
  if (stored.size != fixed_length_of(column.type) || stored.size == 0) mismatch(column);
  append_fixed_key(column.type, stored.view(), ascending, out);
}

std::vector<std::uint8_t> make_index_key(const TableDef& table, const RealIndexDef& index,
                                         const std::vector<Value>& row, JetVersion version) {
  return make_index_row_key(table, index, row, version).key;
}

IndexRowKey make_index_row_key(const TableDef& table, const RealIndexDef& index,
                               const std::vector<Value>& row, JetVersion version) {
  IndexRowKey out;
  out.all_null = true;
  Bytes& key = out.key;
  key.reserve(32);  // most keys; longer ones grow
  for (const IndexColumn& part : index.columns) {
    std::size_t at = 0;
    while (at < table.columns.size() && table.columns[at].number != part.column_number) ++at;
    if (at >= table.columns.size() || at >= row.size()) {
      throw Error::invalid_argument("index " + std::to_string(index.number) + " of table '" +
                                    table.name + "' names column " +
                                    std::to_string(part.column_number) + ", not in the row");
    }
    const ColumnDef& column = table.columns[at];
    bool text = column.type == ColumnType::text || column.type == ColumnType::memo;
    SortOrder order = text ? sort_order_of(column, version) : SortOrder::general_legacy;
    append_key_part(column, row[at], part.ascending, order, key);
    out.all_null = out.all_null && is_null(row[at]);
    out.any_null = out.any_null || is_null(row[at]);
  }
  return out;
}

}  // namespace jet
