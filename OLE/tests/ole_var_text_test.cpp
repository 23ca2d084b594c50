// ole_variant's text forms and number conversions.
#include <gtest/gtest.h>

#include <string>

#include "OLE/ole_var.h"

namespace {

ole_variant bool_holding(VARIANT_BOOL raw) {
  ole_variant v(true);
  v.variant().boolVal = raw;
  return v;
}

// The integer, real and binary forms are checked with the from_string tables.
TEST(ToString, FormsOfValuesNotReadFromText) {
  CY cy{};
  cy.int64 = -5;
  SYSTEMTIME st{2005, 1, 0, 31, 10, 20, 30, 0};
  struct Case { ole_variant value; const char* text; } cases[] = {
      {ole_variant(), ""}, {ole_variant::from_string("x", VT_NULL), ""},
      {ole_variant(true), "1"}, {ole_variant(false), "0"}, {bool_holding(1), "0"},
      {ole_variant(1.5), "1.500000000000000e+000"},
      {ole_variant(-1.25e-300), "-1.250000000000000e-300"},
      {ole_variant(cy), "-0.0005"}, {ole_variant(st), "2005-01-31 10:20:30"},
      {ole_variant("text"), "text"}, {ole_variant(std::string("a\0b", 3)), "a"},
      {ole_variant(std::size_t{0}, nullptr), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.to_string(), c.text) << c.text;
}

TEST(ToString, DecimalAndMoneyUseAPointWhateverTheLocale) {
  oleaut_set_user_default_lcid(0x0407);  // German writes "1,5"
  std::string decimal = ole_variant::from_string("-1.5", VT_DECIMAL).to_string();
  std::string money = ole_variant::from_string("2.25", VT_CY).to_string();
  oleaut_set_user_default_lcid(LOCALE_EN_US);
  EXPECT_EQ(decimal, "-1.5");
  EXPECT_EQ(money, "2.25");
}

TEST(Conversions, ToLongToDoubleToBool) {
  DECIMAL big{};
  ASSERT_EQ(VarDecFromStr("3000000000", LOCALE_EN_US, 0, &big), S_OK);
  struct Case { ole_variant value; long as_long; double as_double; bool as_bool; } cases[] = {
      {ole_variant(), 0, 0.0, false}, {ole_variant(true), -1, -1.0, true},
      {bool_holding(1), 1, 1.0, false}, {ole_variant(-2.7), -2, -2.7, true},
      {ole_variant(0.25f), 0, 0.25, true}, {ole_variant(3e10), INT32_MIN, 3e10, true},
      {ole_variant('\xFF'), -1, -1.0, true}, {ole_variant(4294967295u), -1, 4294967295.0, true},
      {ole_variant(static_cast<unsigned short>(65535)), 65535, 65535.0, true},
      {ole_variant(0x100000001LL), 1, 4294967297.0, true},
      {ole_variant(9007199254740993ULL), 1, 9007199254740992.0, true},
      {ole_variant(-9223372036854775807LL - 1), 0, -9223372036854775808.0, true},
      {ole_variant::from_string("2.5", VT_DECIMAL), 2, 2.5, true},
      {ole_variant::from_string("0.4", VT_DECIMAL), 0, 0.4, false},
      {ole_variant(big), 0, 3e9, false},  // beyond 32 bits: to_long gives 0
  };
  for (const Case& c : cases) {
    std::string shown = c.value.to_string();
    EXPECT_EQ(c.value.to_long(), c.as_long) << shown;
    EXPECT_EQ(c.value.to_double(), c.as_double) << shown;
    EXPECT_EQ(c.value.to_bool(), c.as_bool) << shown;
  }
  ole_variant money = ole_variant::from_string("-922337203685477.5808", VT_CY);
  EXPECT_EQ(money.to_double(), -922337203685477.5808);
}

TEST(Conversions, UnsupportedTagsAreInternalErrors) {
  for (const ole_variant& v : {ole_variant("5"), ole_variant::from_string("2005-01-31", VT_DATE)}) {
    EXPECT_THROW(v.to_long(), tk_mail_assertion);
    EXPECT_THROW(v.to_double(), tk_mail_assertion);
    EXPECT_THROW(v.to_bool(), tk_mail_assertion);
  }
  ole_variant money = ole_variant::from_string("1", VT_CY);
  EXPECT_THROW(money.to_long(), tk_mail_assertion);
  EXPECT_THROW(money.to_bool(), tk_mail_assertion);
}

}  // namespace
