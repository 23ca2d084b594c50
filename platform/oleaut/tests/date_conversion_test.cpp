// DATE against calendar fields, and the English (United States) date texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/oleaut/oleauto.h"

namespace {

SYSTEMTIME fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  auto w = [](int n) { return static_cast<WORD>(n); };
  return SYSTEMTIME{w(y), w(mo), 0, w(d), w(h), w(mi), w(s), 0};
}

// Every field but the day of the week, milliseconds included.
std::string shown(const SYSTEMTIME& st) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", st.wYear, st.wMonth,
                st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  return buf;
}

std::string date_shown(double date) {
  SYSTEMTIME st{};
  EXPECT_TRUE(VariantTimeToSystemTime(date, &st)) << date;
  return shown(st);
}

TEST(VariantTime, MapsCalendarFieldsBothWays) {
  struct Case { SYSTEMTIME st; double date; } cases[] = {
      {fields(1899, 12, 30), 0.0}, {fields(1899, 12, 30, 12), 0.5}, {fields(1899, 12, 31, 6), 1.25},
      {fields(1899, 12, 29, 6), -1.25}, {fields(1899, 12, 29), -1.0},
      {fields(1800, 1, 1, 18), -36522.75}, {fields(1900, 1, 1), 2.0}, {fields(1900, 3, 1), 61.0},
      {fields(2000, 2, 29), 36585.0}, {fields(2005, 1, 31, 23, 59, 59), 38383.0 + 86399.0 / 86400.0},
      {fields(100, 1, 1), -657434.0},
      {fields(9999, 12, 31, 23, 59, 59), 2958465.0 + 86399.0 / 86400.0},
  };
  for (const Case& c : cases) {
    double date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&c.st, &date)) << c.date;
    EXPECT_DOUBLE_EQ(date, c.date);
    EXPECT_EQ(date_shown(c.date), shown(c.st));
  }
}

TEST(VariantTime, NegativeFractionIsTheTimeOfDayAndSecondsRoundAcrossMidnight) {
  struct Case { double date; SYSTEMTIME st; } cases[] = {
      {-0.25, fields(1899, 12, 30, 6)},
      {1.0 - 0.4 / 86400.0, fields(1899, 12, 31)},
      {0.5 + 0.6 / 86400.0, fields(1899, 12, 30, 12, 0, 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(date_shown(c.date), shown(c.st)) << c.date;
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(0.0, &st));
  EXPECT_EQ(st.wDayOfWeek, 6);  // 1899-12-30 was a Saturday
}

TEST(VariantTime, RefusesFieldsAndDatesOutOfRange) {
  const SYSTEMTIME bad[] = {fields(99, 12, 31),   fields(10000, 1, 1),  fields(2005, 0, 1),
                            fields(2005, 13, 1),  fields(2005, 2, 29),  fields(2005, 4, 31),
                            fields(2005, 1, 0),   fields(2005, 1, 1, 24), fields(2005, 1, 1, 0, 60),
                            fields(2005, 1, 1, 0, 0, 60), fields(0, 0, 0, 10, 20, 30)};
  for (const SYSTEMTIME& st : bad) {
    double date = 42.0;
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &date)) << st.wYear << "-" << st.wMonth;
    EXPECT_EQ(date, 42.0);
  }
  SYSTEMTIME st{};
  EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &st));
  EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &st));
  EXPECT_FALSE(VariantTimeToSystemTime(2958465.0 + 86399.6 / 86400.0, &st));
}

TEST(VarDateFromStr, ReadsUnitedStatesConventions) {
  struct Case { const char* text; SYSTEMTIME want; } cases[] = {
      {"1/2/2004", fields(2004, 1, 2)}, {"12/31/1999 11:59:59 PM", fields(1999, 12, 31, 23, 59, 59)},
      {"1/2/04", fields(2004, 1, 2)}, {"1/2/30", fields(1930, 1, 2)},
      {"2005-01-31", fields(2005, 1, 31)}, {"2005-01-31 10:20", fields(2005, 1, 31, 10, 20)},
      {"2005/1/31 10:20:30", fields(2005, 1, 31, 10, 20, 30)},
      {"January 2, 2004", fields(2004, 1, 2)}, {"2 jan 2004", fields(2004, 1, 2)},
      {"31-Jan-2005 12:05 AM", fields(2005, 1, 31, 0, 5)},
      {"Monday, January 31, 2005", fields(2005, 1, 31)},
      {"10:20 pm", fields(1899, 12, 30, 22, 20)}, {"12:05:00 PM", fields(1899, 12, 30, 12, 5)},
  };
  for (const Case& c : cases) {
    DATE date = 0;
    ASSERT_EQ(VarDateFromStr(c.text, LOCALE_EN_US, 0, &date), S_OK) << c.text;
    EXPECT_EQ(date_shown(date), shown(c.want)) << c.text;
  }
}

TEST(VarDateFromStr, RefusesOtherTexts) {
  const char* texts[] = {"31.01.2005 10:20:30", "31.01.2005", "13/1/2005", "2/30/2005",
                         "20050131",            "10:20:30.5", "1/2",       "",
                         "hello",               "1/2/2004 13:00 PM", "25:00", "1/2/3/4"};
  for (const char* text : texts) {
    DATE date = 7.0;
    EXPECT_EQ(VarDateFromStr(text, LOCALE_EN_US, 0, &date), DISP_E_TYPEMISMATCH) << text;
    EXPECT_EQ(date, 7.0) << text;
  }
}

}  // namespace
