// Key parts of non-text values: exact bytes for a few values, order of keys
// following order of values (ascending and descending), and listing back.
#include <gtest/gtest.h>

#include <limits>

#include "jet/error.h"
#include "jet/index.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

ColumnDef column_of(ColumnType type, std::uint8_t scale = 0) {
  ColumnDef c;
  c.type = type;
  c.scale = scale;
  return c;
}

Bytes key_of(ColumnType type, const Value& value, bool ascending) {
  Bytes out;
  append_key_part(column_of(type, 2), value, ascending, SortOrder::general_legacy, out);
  return out;
}

Decimal decimal(bool negative, std::uint64_t low, std::uint64_t high = 0) {
  return Decimal{negative, high, low, 18, 2};
}

Guid guid(std::uint8_t first, std::uint8_t last) {
  Guid g;
  g.bytes[3] = first;  // most significant byte of the first (little-endian) field
  g.bytes[15] = last;
  return g;
}

TEST(KeyEncoder, ExactBytesOfSampleValues) {
  struct Case {
    ColumnType type;
    Value value;
    bool ascending;
    std::string hex;
  } cases[] = {
      {ColumnType::long_integer, std::int32_t{1}, true, "7F 80 00 00 01"},
      {ColumnType::long_integer, std::int32_t{-1}, true, "7F 7F FF FF FF"},
      {ColumnType::long_integer, std::int32_t{1}, false, "80 7F FF FF FE"},
      {ColumnType::integer, std::int16_t{256}, true, "7F 81 00"},
      {ColumnType::byte, std::uint8_t{5}, false, "80 FA"},
      {ColumnType::money, Money{10000}, true, "7F 80 00 00 00 00 00 27 10"},
      {ColumnType::double_, 1.0, true, "7F BF F0 00 00 00 00 00 00"},
      {ColumnType::double_, -1.0, true, "7F 40 0F FF FF FF FF FF FF"},
      {ColumnType::single, 0.0f, true, "7F 80 00 00 00"},
      {ColumnType::boolean, true, true, "7F 00"},
      {ColumnType::boolean, false, true, "7F FF"},
      {ColumnType::boolean, true, false, "80 FF"},
      {ColumnType::long_integer, Null{}, true, "00"},
      {ColumnType::long_integer, Null{}, false, "FF"},
      {ColumnType::binary, Binary{1, 2, 3}, true, "7F 01 02 03 00 00 00 00 00 03"},
      {ColumnType::binary, Binary{1, 2, 3}, false, "80 FE FD FC FF FF FF FF FF FC"},
      {ColumnType::binary, Binary{1, 2, 3, 4, 5, 6, 7, 8, 9}, false,
       "80 FE FD FC FB FA F9 F8 F7 09 F6 FF FF FF FF FF FF FF FE"},
      {ColumnType::binary, Binary{}, true, "7F"},
      {ColumnType::numeric, decimal(false, 1), true,
       "7F FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01"},
      {ColumnType::numeric, decimal(true, 1), true,
       "7F 00 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FE"},
      {ColumnType::guid, guid(0xAB, 0xCD), true,
       "7F AB 00 00 00 00 00 00 00 09 00 00 00 00 00 00 00 CD 08"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(key_to_hex(key_of(c.type, c.value, c.ascending)), c.hex)
        << column_type_name(c.type) << " " << to_display_string(c.value);
  }
}

// Values listed in ascending order for each type.
std::vector<std::pair<ColumnType, std::vector<Value>>> ordered_values() {
  const double inf = std::numeric_limits<double>::infinity();
  return {
      {ColumnType::byte, {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{127}, std::uint8_t{255}}},
      {ColumnType::integer, {std::int16_t{-32768}, std::int16_t{-1}, std::int16_t{0},
                             std::int16_t{1}, std::int16_t{32767}}},
      {ColumnType::long_integer, {std::int32_t{INT32_MIN}, std::int32_t{-256}, std::int32_t{-1},
                                  std::int32_t{0}, std::int32_t{255}, std::int32_t{INT32_MAX}}},
      {ColumnType::money, {Money{INT64_MIN}, Money{-10000}, Money{0}, Money{1}, Money{INT64_MAX}}},
      {ColumnType::single, {-1e30f, -2.5f, -0.5f, 0.0f, 1e-30f, 0.5f, 3.0f, 1e30f}},
      {ColumnType::double_, {-inf, -1e300, -2.0, -1.0, -1e-300, 0.0, 1e-300, 1.0, 2.0, 1e300, inf}},
      {ColumnType::datetime, {DateTime{-700000.5}, DateTime{-1.25}, DateTime{0}, DateTime{2.75},
                              DateTime{45000.5}}},
      {ColumnType::numeric, {decimal(true, 0, 5), decimal(true, 1000), decimal(true, 1),
                             decimal(false, 0), decimal(false, 1), decimal(false, 1000),
                             decimal(false, 0, 5)}},
      {ColumnType::binary, {Binary{0}, Binary{0, 0}, Binary{1}, Binary{1, 2, 3, 4, 5, 6, 7, 8},
                            Binary{1, 2, 3, 4, 5, 6, 7, 8, 0}, Binary{1, 2, 3, 4, 5, 6, 7, 9},
                            Binary{2}}},
      {ColumnType::guid, {guid(0, 0), guid(0, 1), guid(1, 0), guid(0xFF, 0xFF)}},
      {ColumnType::boolean, {true, false}},
  };
}

TEST(KeyEncoder, KeysSortLikeValuesInBothDirections) {
  for (const auto& [type, values] : ordered_values()) {
    for (std::size_t i = 1; i < values.size(); ++i) {
      std::string what = column_type_name(type) + " " + to_display_string(values[i - 1]) +
                         " < " + to_display_string(values[i]);
      EXPECT_LT(key_of(type, values[i - 1], true), key_of(type, values[i], true)) << what;
      // Legacy numeric keys keep negatives below the rest in descending
      // order too (as Access 2000 writes them).
      bool sign_change = type == ColumnType::numeric &&
                         std::get<Decimal>(values[i - 1]).negative != std::get<Decimal>(values[i]).negative;
      if (sign_change) continue;
      EXPECT_GT(key_of(type, values[i - 1], false), key_of(type, values[i], false)) << what;
    }
    if (type == ColumnType::boolean) continue;
    // NULL sorts first ascending and last descending.
    EXPECT_LT(key_of(type, Null{}, true), key_of(type, values.front(), true));
    EXPECT_GT(key_of(type, Null{}, false), key_of(type, values.front(), false));
  }
}

// Every key lists back as the value it was made of.
TEST(KeyEncoder, DescribeReadsEveryKeyBack) {
  for (const auto& [type, values] : ordered_values()) {
    for (const Value& value : values) {
      std::string want = type == ColumnType::boolean ? (std::get<bool>(value) ? "Yes" : "No") : to_display_string(value);
      if (auto d = std::get_if<Decimal>(&value)) want = to_string(Decimal{d->negative && (d->high || d->low), d->high, d->low, d->precision, d->scale});  // -0 lists as 0
      for (bool ascending : {true, false}) {
        Bytes key = key_of(type, value, ascending);
        std::size_t pos = 0;
        EXPECT_EQ(describe_key_part(column_of(type, 2), key, pos, ascending), want)
            << column_type_name(type) << (ascending ? " asc" : " desc");
        EXPECT_EQ(pos, key.size());
      }
    }
  }
}

TEST(KeyEncoder, DescribeKeyListsEveryPart) {
  TableDef table;
  table.columns = {column_of(ColumnType::long_integer), column_of(ColumnType::text),
                   column_of(ColumnType::datetime)};
  for (std::uint16_t i = 0; i < 3; ++i) table.columns[i].number = i;
  RealIndexDef index;
  index.columns = {{2, false}, {1, true}, {0, true}};
  std::vector<Value> row = {std::int32_t{-7}, std::string("x"), DateTime{1.5}};
  Bytes key = make_index_key(table, index, row, JetVersion::jet4);
  EXPECT_EQ(describe_key(table, index, key), "(1899-12-31 12:00:00, <text>, -7)");
  key.resize(key.size() - 2);
  EXPECT_EQ(describe_key(table, index, key), "(1899-12-31 12:00:00, <text>, ...)");
}

TEST(KeyEncoder, RejectsMismatchedValuesAndKeysThatEndEarly) {
  const std::pair<ColumnType, Value> mismatched[] = {
      {ColumnType::long_integer, std::string("1")}, {ColumnType::long_integer, std::int16_t{1}},
      {ColumnType::text, std::int32_t{1}},          {ColumnType::binary, std::string("x")},
      {ColumnType::ole, Binary{1}}};
  for (const auto& [type, value] : mismatched) EXPECT_THROW(key_of(type, value, true), Error) << column_type_name(type);
  Bytes out;
  EXPECT_THROW(append_fixed_key(ColumnType::double_, Bytes(4), true, out), Error);
  const std::pair<ColumnType, Bytes> cut[] = {{ColumnType::long_integer, {0x7F, 0x80, 0x00}},
                                              {ColumnType::binary, {0x7F, 1, 2, 3}},
                                              {ColumnType::text, {}}};
  for (const auto& [type, key] : cut) {
    std::size_t pos = 0;
    EXPECT_THROW(describe_key_part(column_of(type), key, pos, true), Error) << column_type_name(type);
  }
}

}  // namespace
}  // namespace jet
