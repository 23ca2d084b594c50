#include "jet/value.h"

#include <gtest/gtest.h>

#include "field_decoder.h"
#include "page_builder.h"

namespace jet {
namespace {

TEST(Values, DatesToCivilTime) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "1899-12-30 00:00:00"},       {1.0, "1899-12-31 00:00:00"},
      {2.5, "1900-01-01 12:00:00"},       {36526.0, "2000-01-01 00:00:00"},
      {-1.25, "1899-12-29 06:00:00"},     {-0.5, "1899-12-30 12:00:00"},
      {39144.634027777778, "2007-03-03 15:13:00"},
      {0.99999999, "1899-12-31 00:00:00"},  // rounds up into the next day
      {2958465.9999884, "9999-12-31 23:59:59"},
  };
  for (const auto& [days, civil] : cases) EXPECT_EQ(to_string(to_civil(DateTime{days})), civil) << days;
}

TEST(Values, DecimalsGuidsAndMoneyRender) {
  EXPECT_EQ(to_string(Decimal{false, 0, 12345, 18, 2}), "123.45");
  EXPECT_EQ(to_string(Decimal{true, 0, 5, 18, 3}), "-0.005");
  EXPECT_EQ(to_string(Decimal{true, 0, 0, 18, 0}), "0");
  EXPECT_EQ(to_string(Decimal{false, 0x4B3B4CA85A86C47Aull, 0x098A223FFFFFFFFFull, 38, 0}),
            "99999999999999999999999999999999999999");
  EXPECT_EQ(to_display_string(Money{-15000}), "-1.5000");
  EXPECT_EQ(to_display_string(Money{123}), "0.0123");
  Guid g;
  for (std::size_t i = 0; i < 16; ++i) g.bytes[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(to_string(g), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
}

TEST(Values, FixedTypesDecodeFromStoredBytes) {
  using testing::Bytes;
  const std::tuple<ColumnType, Bytes, Value> cases[] = {
      {ColumnType::byte, {0xFE}, std::uint8_t{254}},
      {ColumnType::integer, {0xFE, 0xFF}, std::int16_t{-2}},
      {ColumnType::long_integer, {0x00, 0x00, 0x00, 0x80}, std::int32_t{INT32_MIN}},
      {ColumnType::money, {0x10, 0x27, 0, 0, 0, 0, 0, 0}, Money{10000}},
      {ColumnType::single, {0x00, 0x00, 0xC0, 0x3F}, 1.5f},
      {ColumnType::double_, {0, 0, 0, 0, 0, 0, 0x04, 0x40}, 2.5},
      {ColumnType::datetime, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, DateTime{1.0}},
      {ColumnType::numeric,
       {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x39, 0x30, 0, 0}, Decimal{true, 0, 12345, 10, 2}},
  };
  for (const auto& [type, bytes, expected] : cases) {
    EXPECT_EQ(decode_fixed_value(type, bytes, 10, 2, 1), expected) << column_type_name(type);
  }
  EXPECT_THROW(decode_fixed_value(ColumnType::double_, Bytes{1, 2, 3}, 0, 0, 1), Error);
}

}  // namespace
}  // namespace jet
