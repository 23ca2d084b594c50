// DATE against calendar fields, and the English (United States) date texts.
#include <gtest/gtest.h>

#include "platform/oleaut/oleauto.h"

namespace {

SYSTEMTIME fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  return st;
}

void expect_fields(const SYSTEMTIME& st, const SYSTEMTIME& want, double date) {
  EXPECT_EQ(st.wYear, want.wYear) << date;
  EXPECT_EQ(st.wMonth, want.wMonth) << date;
  EXPECT_EQ(st.wDay, want.wDay) << date;
  EXPECT_EQ(st.wHour, want.wHour) << date;
  EXPECT_EQ(st.wMinute, want.wMinute) << date;
  EXPECT_EQ(st.wSecond, want.wSecond) << date;
  EXPECT_EQ(st.wMilliseconds, 0) << date;
}

TEST(VariantTime, MapsCalendarFieldsBothWays) {
  struct Case {
    SYSTEMTIME st;
    double date;
  } cases[] = {
      {fields(1899, 12, 30), 0.0},
      {fields(1899, 12, 30, 12), 0.5},
      {fields(1899, 12, 31, 6), 1.25},
      {fields(1899, 12, 29, 6), -1.25},
      {fields(1899, 12, 29), -1.0},
      {fields(1800, 1, 1, 18), -36522.75},
      {fields(1900, 1, 1), 2.0},
      {fields(1900, 3, 1), 61.0},
      {fields(2000, 2, 29), 36585.0},
      {fields(2005, 1, 31, 23, 59, 59), 38383.0 + 86399.0 / 86400.0},
      {fields(100, 1, 1), -657434.0},
      {fields(9999, 12, 31, 23, 59, 59), 2958465.0 + 86399.0 / 86400.0},
  };
  for (const Case& c : cases) {
    double date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&c.st, &date)) << c.date;
    EXPECT_DOUBLE_EQ(date, c.date);
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(c.date, &back)) << c.date;
    expect_fields(back, c.st, c.date);
  }
}

TEST(VariantTime, NegativeFractionIsTheTimeOfDay) {
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(-0.25, &st));
  expect_fields(st, fields(1899, 12, 30, 6), -0.25);
  ASSERT_TRUE(VariantTimeToSystemTime(0.0, &st));
  EXPECT_EQ(st.wDayOfWeek, 6);  // 1899-12-30 was a Saturday
}

TEST(VariantTime, RoundsToTheSecondAcrossMidnight) {
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(1.0 - 0.4 / 86400.0, &st));
  expect_fields(st, fields(1899, 12, 31), 1.0);
  ASSERT_TRUE(VariantTimeToSystemTime(0.5 + 0.6 / 86400.0, &st));
  expect_fields(st, fields(1899, 12, 30, 12, 0, 1), 0.5);
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
  struct Case {
    const char* text;
    SYSTEMTIME want;
  } cases[] = {
      {"1/2/2004", fields(2004, 1, 2)},
      {"12/31/1999 11:59:59 PM", fields(1999, 12, 31, 23, 59, 59)},
      {"1/2/04", fields(2004, 1, 2)},
      {"1/2/30", fields(1930, 1, 2)},
      {"2005-01-31", fields(2005, 1, 31)},
      {"2005-01-31 10:20", fields(2005, 1, 31, 10, 20)},
      {"2005/1/31 10:20:30", fields(2005, 1, 31, 10, 20, 30)},
      {"January 2, 2004", fields(2004, 1, 2)},
      {"2 jan 2004", fields(2004, 1, 2)},
      {"31-Jan-2005 12:05 AM", fields(2005, 1, 31, 0, 5)},
      {"Monday, January 31, 2005", fields(2005, 1, 31)},
      {"10:20 pm", fields(1899, 12, 30, 22, 20)},
      {"12:05:00 PM", fields(1899, 12, 30, 12, 5)},
  };
  for (const Case& c : cases) {
    DATE date = 0;
    ASSERT_EQ(VarDateFromStr(c.text, LOCALE_EN_US, 0, &date), S_OK) << c.text;
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(date, &st));
    expect_fields(st, c.want, date);
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
