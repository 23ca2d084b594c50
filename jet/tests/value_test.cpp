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

// Sound values of every fixed type are checked against mdb-export.
TEST(Values, FixedValueOfTheWrongSizeIsRefused) {
  EXPECT_THROW(decode_fixed_value(ColumnType::double_, testing::Bytes{1, 2, 3}, 0, 0, 1), Error);
}

}  // namespace
}  // namespace jet
