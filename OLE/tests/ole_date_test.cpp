// ole_date: reading texts through the ordered layouts, classification,
// AM/PM, seconds rounding, DATE and VARIANT input, and the three forms.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "OLE/ole_date.h"

namespace {

void expect_shown(std::initializer_list<std::pair<const char*, const char*>> cases) {
  for (auto [text, shown] : cases) EXPECT_EQ(ole_date{std::string(text)}.to_string(), shown) << text;
}

TEST(DateText, LayoutsKindsAndForms) {
  const auto date_only = ole_date::date_only, date_time = ole_date::date_time;
  const auto time_only = ole_date::time_only, none = ole_date::none;
  struct Case { const char* text; ole_date::kind_t kind; const char* shown; } cases[] = {
      {"20050131235959", date_time, "2005-01-31 23:59:59"}, {"20050131", date_only, "2005-01-31"},
      {"20050131000000", date_time, "2005-01-31"}, {"10:20:30", time_only, "0000-00-00 10:20:30"},
      {"10:20:30.5", time_only, "0000-00-00 10:20:31"},
      {"10:20:30.499", time_only, "0000-00-00 10:20:30"},
      {"  10:20:30  ", time_only, "0000-00-00 10:20:30"}, {"1/2/2004", date_only, "2004-01-02"},
      {"Jan 31, 2005 10:20", date_time, "2005-01-31 10:20:00"},
      {"2005-01-31 10:20", date_time, "2005-01-31 10:20:00"}, {"2005-01-31", date_only, "2005-01-31"},
      {"2005-01-31 10:20:30.5", date_time, "2005-01-31 10:20:31"},
      {"2005-01-31 00:00:00.2", date_only, "2005-01-31"},
      {"31.01.2005 10:20:30", date_time, "2005-01-31 10:20:30"},
      {"31.01.2005", date_only, "2005-01-31"}, {"31/01/2005", date_only, "2005-01-31"},
      {"1899-12-29", date_only, "1899-12-29"}, {"0100-01-01", date_only, "0100-01-01"},
      {"9999-12-31 23:59:59", date_time, "9999-12-31 23:59:59"},
      {"1:2", none, ""}, {"", none, ""}, {"getdate()", none, ""}, {"2005.01", none, ""},
      // Fields take digits only and must name a real day and time.
      {"2005-1-3", date_only, "2005-01-03"}, {"2004-02-29", date_only, "2004-02-29"},
      {"2005-02-29", none, ""}, {"2005-13-01", none, ""}, {"2005-00-10", none, ""},
      {"25:61:99", none, ""}, {"10:60:00", none, ""}, {"10:20:60", none, ""},
      {"2005+1-3", none, ""}, {"2005-01-31 10:20:30x", none, ""}, {"2005013x", none, ""},
      {"20051301", none, ""}, {"20050229103000", none, ""},
  };
  for (const Case& c : cases) {
    ole_date d{std::string(c.text)};
    EXPECT_EQ(d.kind(), c.kind) << c.text;
    EXPECT_EQ(d.to_string(), c.shown) << c.text;
  }
}

// "yyyy-mm-dd[ hh:mm:ss]", the form the system writes, is read directly;
// the same numbers written with slashes and two blanks go through the
// general reading and must give the same value.
TEST(DateText, TheSystemsOwnFormReadsAsTheGeneralReadingDoes) {
  for (const char* text : {"2004-01-01 08:00:00", "2004-01-01 00:00:00", "2004-01-01", "1899-12-30 14:30:00",
                           "1899-12-30", "0099-06-15 12:00:00", "0100-01-01", "9999-12-31 23:59:59",
                           "2004-02-29 23:59:59", "2005-02-29", "2005-13-01 10:00:00", "2005-01-31 24:00:00",
                           "2005-01-31 10:60:00", "0000-01-01", "2005-01-3x", "2005-01-31 10:2x:00"}) {
    std::string general = text;
    for (char& c : general) c = c == '-' ? '/' : c;
    if (general.size() > 10) general.insert(10, " ");
    ole_date direct{std::string(text)}, read{general};
    EXPECT_EQ(direct.kind(), read.kind()) << text;
    EXPECT_EQ(direct.to_string(), read.to_string()) << text;
    if (direct.kind() != ole_date::none) {
      EXPECT_EQ(direct.to_variant().variant().date, read.to_variant().variant().date) << text;
    }
  }
}

TEST(DateText, TwelveHourMarkers) {
  expect_shown({
      {"10:20:30 PM", "0000-00-00 22:20:30"}, {"10:20:30 pm", "0000-00-00 22:20:30"},
      {"12:05:00 PM", "0000-00-00 12:05:00"},
      {"12:05:00 AM", "0000-00-00 00:05:00"},  // five past midnight
      {"10:20:30 AM", "0000-00-00 10:20:30"}, {"1/2/2004 1:02:03 PM", "2004-01-02 13:02:03"},
      {"31.01.2005 11:00:00 PM", "2005-01-31 23:00:00"},
  });
}

TEST(DateText, HalfSecondsCarryIntoMinutesHoursAndDays) {
  expect_shown({
      {"10:20:59.5", "0000-00-00 10:21:00"}, {"10:59:59.5", "0000-00-00 11:00:00"},
      {"23:59:59.5", "0000-00-00 23:59:59"},  // no day to carry into
      {"2005-12-31 23:59:59.5", "2006-01-01"}, {"1899-12-28 23:59:59.5", "1899-12-29"},
      {"1899-12-29 23:59:59.5", "1899-12-30"}, {"2005-02-28 11:59:59.7 PM", "2005-03-01"},
      {"9999-12-31 23:59:59.5", "9999-12-31 23:59:59"},
  });
}

TEST(DateValue, FromDateAndVariant) {
  struct Case { double date; ole_date::kind_t kind; const char* shown; } cases[] = {
      {0.0, ole_date::date_only, "1899-12-30"}, {0.5, ole_date::date_time, "1899-12-30 12:00:00"},
      {-1.25, ole_date::date_time, "1899-12-29 06:00:00"},
      {-657434.0, ole_date::date_only, "0100-01-01"},
      {2958465.0 + 86399.0 / 86400.0, ole_date::date_time, "9999-12-31 23:59:59"},
      {-657435.0, ole_date::none, ""}, {2958466.0, ole_date::none, ""},
  };
  for (const Case& c : cases) {
    ole_date d(c.date);
    EXPECT_EQ(d.kind(), c.kind) << c.date;
    EXPECT_EQ(d.to_string(), c.shown) << c.date;
    EXPECT_EQ(d.fields().wDayOfWeek, 0) << c.date;
  }
  VARIANT var;
  var.vt = VT_NULL;
  EXPECT_EQ(ole_date(var).kind(), ole_date::none);
  EXPECT_EQ(ole_date(var).to_string(), "");
  var.vt = VT_I4;
  EXPECT_THROW(ole_date{var}, tk_mail_assertion);
}

TEST(DateValue, ToVariantRoundTripsToTheSecond) {
  for (const char* text : {"0100-01-01 00:00:01", "1899-12-29 23:59:59", "1753-01-01 12:34:56",
                           "2005-01-31 10:20:30", "9999-12-31 23:59:59"}) {
    ole_variant v = ole_date{std::string(text)}.to_variant();
    ASSERT_EQ(v.vt(), VT_DATE) << text;
    EXPECT_EQ(ole_date(v.variant()).to_string(), text);
  }
  EXPECT_EQ(ole_date{std::string("10:20:30")}.to_variant().to_string(), "1899-12-30 10:20:30");
  EXPECT_EQ(ole_date().to_variant().vt(), VT_EMPTY);
  EXPECT_EQ(ole_date{std::string("2005-02-30")}.to_variant().vt(), VT_EMPTY);
}

}  // namespace
