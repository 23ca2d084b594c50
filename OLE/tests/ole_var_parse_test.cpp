// ole_variant::from_string: how texts read into each type, and that the text
// form of what they read reads back as itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>

#include "OLE/ole_date.h"
#include "OLE/ole_var.h"
#include "TK/tk_trace.h"

namespace {

// A text read as target gives a value of tag vt whose to_string is shown.
struct Case { const char* text; int target; VARTYPE vt; const char* shown; };

void expect_cases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    ole_variant v = ole_variant::from_string(c.text, c.target);
    EXPECT_EQ(v.vt(), c.vt) << "'" << c.text << "' as " << c.target;
    EXPECT_EQ(v.to_string(), c.shown) << "'" << c.text << "' as " << c.target;
    EXPECT_EQ(ole_variant::from_string(c.shown, c.target).to_string(), c.shown) << c.target;
  }
}

TEST(FromString, SmallIntegersMustBeWrittenExactlyAndFitTheirType) {
  expect_cases({
      {"5", VT_I4, VT_I4, "5"}, {"05", VT_I4, VT_EMPTY, ""}, {"+5", VT_I4, VT_EMPTY, ""},
      {" 5", VT_I4, VT_EMPTY, ""}, {"5.0", VT_I4, VT_EMPTY, ""}, {"5x", VT_I4, VT_EMPTY, ""},
      {"-0", VT_I4, VT_EMPTY, ""}, {"", VT_I4, VT_EMPTY, ""}, {"2147483648", VT_I4, VT_EMPTY, ""},
      {"-2147483648", VT_I4, VT_I4, "-2147483648"}, {"2147483647", VT_I4, VT_I4, "2147483647"},
      {"99999999999999999999", VT_I4, VT_EMPTY, ""},
      // out of range: refused, not narrowed
      {"-32768", VT_I2, VT_I2, "-32768"}, {"70000", VT_I2, VT_EMPTY, ""}, {"128", VT_I1, VT_EMPTY, ""},
      {"-128", VT_I1, VT_I1, "-128"}, {"127", VT_I1, VT_I1, "127"}, {"-1", VT_UI1, VT_EMPTY, ""},
      {"255", VT_UI1, VT_UI1, "255"}, {"65535", VT_UI2, VT_UI2, "65535"},
      {"65536", VT_UI2, VT_EMPTY, ""},
  });
}

TEST(FromString, WideIntegersReadTheLeadingNumber) {
  expect_cases({
      {"4294967295", VT_UI4, VT_UI4, "4294967295"}, {"12abc", VT_UI4, VT_UI4, "12"},
      {"abc", VT_UI4, VT_UI4, "0"}, {"4294967296", VT_UI4, VT_EMPTY, ""}, {"-1", VT_UI4, VT_EMPTY, ""},
      {" -9223372036854775808", VT_I8, VT_I8, "-9223372036854775808"},
      {"9223372036854775807", VT_I8, VT_I8, "9223372036854775807"},
      {"42 rows", VT_I8, VT_I8, "42"}, {"x", VT_I8, VT_I8, "0"},
      {"9223372036854775808", VT_I8, VT_EMPTY, ""},
      {"18446744073709551615", VT_UI8, VT_UI8, "18446744073709551615"},
      {"18446744073709551616", VT_UI8, VT_EMPTY, ""},
  });
}

TEST(FromString, FloatsMoneyAndDecimalsAcceptACommaAsPoint) {
  const char* const zero = "0.000000000000000e+000";
  expect_cases({
      {"1,25", VT_R8, VT_R8, "1.250000000000000e+000"}, {"1.5", VT_R4, VT_R4, "1.500000e+000"},
      {"-2.5e-7", VT_R8, VT_R8, "-2.500000000000000e-007"},
      {"abc", VT_R8, VT_R8, zero}, {"--5", VT_R8, VT_R8, zero},
      {"1e-400", VT_R8, VT_R8, zero},  // too small: 0, not infinity
      {"-1e-50", VT_R4, VT_R4, "-0.000000e+000"},
      {"3.40282347E+38", VT_R4, VT_R4, "3.402823e+038"},  // the largest real
      {"-3.4028235e38", VT_R4, VT_R4, "-3.402823e+038"}, {"3.4028236e38", VT_R4, VT_R4, "inf"},
      {"1e999", VT_R8, VT_R8, "inf"}, {"12,50", VT_CY, VT_CY, "12.5"},
      {"0.0001", VT_CY, VT_CY, "0.0001"}, {"1.00005", VT_CY, VT_CY, "1"},  // half to even
      {"922337203685477.5807", VT_CY, VT_CY, "922337203685477.5807"},
      {"-922337203685477.5808", VT_CY, VT_CY, "-922337203685477.5808"},
      {"922337203685477.5808", VT_CY, VT_EMPTY, ""},
      {"12abc", VT_CY, VT_EMPTY, ""}, {"1,234.5", VT_CY, VT_EMPTY, ""},
      {"3,14159", VT_DECIMAL, VT_DECIMAL, "3.14159"}, {"x", VT_DECIMAL, VT_EMPTY, ""},
      {"9999999999999999999999999999", VT_DECIMAL, VT_DECIMAL, "9999999999999999999999999999"},
      {"-9999999999999999999999999999", VT_DECIMAL, VT_DECIMAL, "-9999999999999999999999999999"},
      {"-0.0000000000000000000000000001", VT_DECIMAL, VT_DECIMAL,
       "-0.0000000000000000000000000001"},
      // beyond DECIMAL's range: kept as a double of the same value
      {"123456789012345678901234567890", VT_DECIMAL, VT_R8, "1.234567890123457e+029"},
      {"-1e30", VT_DECIMAL, VT_R8, "-1.000000000000000e+030"},
      {"1e999", VT_DECIMAL, VT_EMPTY, ""},  // beyond a double too: no value
  });
}

TEST(FromString, BooleansBinaryAndDates) {
  expect_cases({
      {"TRUE", VT_BOOL, VT_BOOL, "1"}, {"Yes", VT_BOOL, VT_BOOL, "1"}, {"No", VT_BOOL, VT_BOOL, "0"},
      {"false", VT_BOOL, VT_BOOL, "0"}, {"2", VT_BOOL, VT_BOOL, "1"}, {"abc", VT_BOOL, VT_BOOL, "0"},
      {"1", VT_BOOL, VT_BOOL, "1"}, {"0", VT_BOOL, VT_BOOL, "0"}, {"01", VT_BOOL, VT_BOOL, "1"},
      {"0x00FF10AB", VT_BINARY, VT_BINARY, "0x00FF10AB"}, {"0aff", VT_BLOB, VT_BINARY, "0x0AFF"},
      {"0X00", VT_BLOB, VT_BINARY, "0x00"}, {"zz01", VT_BLOB, VT_BINARY, "0x0001"},
      {"0x", VT_BLOB, VT_BINARY, ""}, {"0x0AF", VT_BLOB, VT_EMPTY, ""},
      {"10:20:30", VT_DATE, VT_DATE, "1899-12-30 10:20:30"},
      {"2005-13-45", VT_DATE, VT_EMPTY, ""},
  });
}

TEST(FromString, DoublesSurviveTheirSeventeenDigitForm) {
  for (double d : {0.1, -1e-300, 123456789.123456789, 1.7976931348623157e308}) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    EXPECT_EQ(ole_variant::from_string(buf, VT_R8).to_double(), d) << buf;
  }
}

// Plain decimals take a quicker way than strtod and VarDecFromStr; the
// double must be the same to the last bit, and the decimal the same value
// with the same places, across lengths, exponents and the edges of range.
TEST(FromString, PlainDecimalsReadAsStrtodAndVarDecFromStrReadThem) {
  std::vector<std::string> texts = {"0.1", "-0.0", "0", "120.00", "-0", "007.50", "9999999999999999999",
                                    "18446744073709551615", "99999999999999999999", "1.000000000000000000", "5.", ".5", "1e308", "1.7976931348623157e308",
                                    "1.7976931348623159e308", "2.2250738585072014e-308", "2.2250738585072011e-308",
                                    "4.9e-324", "1e-400", "1e400", "123456789012345678901234567890.5e-10",
                                    "9007199254740993", "0.30000000000000004", "1E5", "1e+5", "-7.5E-3"};
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string text = random() % 4 == 0 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 25);
    const int point = static_cast<int>(random() % (digits + 2));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (random() % 3 == 0) text += "e" + std::to_string(static_cast<int>(random() % 700) - 350);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const double got = ole_variant::from_string(text, VT_R8).to_double();
    const double want = std::strtod(text.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << text << ": " << got << " vs " << want;
    DECIMAL dec{};
    const ole_variant value = ole_variant::from_string(text, VT_DECIMAL);
    if (FAILED(VarDecFromStr(text.c_str(), LOCALE_EN_US, 0, &dec))) continue;  // kept otherwise
    ASSERT_EQ(value.vt(), VT_DECIMAL) << text;
    const DECIMAL& read = value.variant().decVal;
    EXPECT_TRUE(read.scale == dec.scale && read.sign == dec.sign && read.Hi32 == dec.Hi32 && read.Lo64 == dec.Lo64)
        << text;
  }
}

TEST(FromString, OtherTargetsGoThroughThePlatform) {
  ole_variant text = ole_variant::from_string("", VT_BSTR);
  EXPECT_EQ(text.vt(), VT_BSTR);
  EXPECT_EQ(text.to_string(), "");
  EXPECT_EQ(ole_variant::from_string("héllo", VT_BSTR).to_string(), "héllo");
  EXPECT_EQ(ole_variant::from_string("x", VT_NULL).vt(), VT_NULL);
  EXPECT_EQ(ole_variant::from_string("x", VT_EMPTY).vt(), VT_EMPTY);
  ole_variant number = ole_variant::from_string("-7", VT_INT);
  EXPECT_EQ(number.vt(), VT_INT);
  EXPECT_EQ(number.variant().intVal, -7);
  EXPECT_THROW(ole_variant::from_string("abc", VT_INT), ole_type_exception);
  for (int target : {int{VT_DISPATCH}, int{VT_ERROR}, int{VT_UNKNOWN}, 15, 0x1234})
    EXPECT_THAT([target] { ole_variant::from_string("1", target); },
                testing::ThrowsMessage<ole_type_exception>(
                    testing::StrEq("The operating type is not supported yet")))
        << target;
}

// Texts made of the characters that matter to the readers (digits, signs,
// separators, exponent and marker letters, bytes above 0x7F) in every
// target: each gives a value or ole_type_exception, never a crash.
TEST(FromString, HostileTextsGiveAValueOrTheTypeError) {
  const std::string alphabet = "0123456789 +-.,:/eExXaAmMpPJan\t\x80\xFF";
  const int targets[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8,  VT_UI8,
                         VT_R4, VT_R8,  VT_CY, VT_DECIMAL, VT_DATE, VT_BOOL, VT_BLOB,
                         VT_BINARY, VT_BSTR, VT_INT, VT_UINT, VT_NULL, VT_EMPTY};
  std::mt19937 random(20050131);
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    if (round % 100 == 0) text.append(5000, '9');
    for (int target : targets) {
      try {
        (void)ole_variant::from_string(text, target).to_string();
      } catch (const ole_type_exception&) {
      }
    }
    (void)ole_date(text).to_variant().to_string();
  }
}

// What support finds in the trace when texts do not read as their type.
TEST(FromString, FailuresLeaveTheirTraceLines) {
  if (tk_trace_sink::active()) GTEST_SKIP() << "QUILL_TRACE installed a sink";
  std::string file = testing::TempDir() + "quill_parse_trace_" + std::to_string(::getpid()) + ".txt";
  {
    tk_trace_sink sink(file, 2, true, false);
    for (auto [text, target] : {std::pair{"12abc", VT_CY}, {"x", VT_DECIMAL}, {"1e30", VT_DECIMAL},
                                {"0x0AF", VT_BLOB}, {"1:2", VT_DATE}})
      ole_variant::from_string(text, target);
  }
  std::stringstream trace;
  trace << std::ifstream(file).rdbuf();
  std::remove(file.c_str());
  EXPECT_EQ(trace.str(),
            "VarCyFromStr failed: 80020005\r\n"
            "VarDecFromStr failed: 80020005\r\n"
            "Decimal '1e30' is out of DECIMAL range, kept as double\r\n"
            "Incorrect BLOB (size is odd)\r\n"
            "Invalid date/time format: '1:2'\r\n");
}

}  // namespace
