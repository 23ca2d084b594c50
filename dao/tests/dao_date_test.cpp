// Dates as the destination stores them: taken straight from the value's
// fields, they must equal what the value's text reads back as, the way
// taken while a trace is written.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TK/tk_trace.h"
#include "dao/dao_record.h"

namespace {

// A field as the SQL Server side gives it: day zero reads as zeros.
struct source_field : udb_field {
  using udb_field::udb_field;
  std::string to_string() const override {
    std::string text = udb_field::to_string();
    if (text.rfind("1899-12-30", 0) != 0) return text;
    return text.size() == 10 ? "00:00:00" : "0000-00-00" + text.substr(10);
  }
};

ole_variant date_value(DATE date) {
  ole_variant value;
  value.variant().vt = VT_DATE;
  value.variant().date = date;
  return value;
}

TEST(DaoDates, FieldsGiveWhatTheTextReadsBackAs) {
  std::vector<DATE> dates = {0, 0.5, -0.5, -1.25, 0.5 / 86400, 1 - 0.4 / 86400, 1 - 0.6 / 86400, -657434,
                             2958465, 2958465.99999, 36526.999994, 38353.3333333, 1e9, -1e9};
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> day(-657434.0, 2958466.0);
  for (int i = 0; i < 4000; ++i) dates.push_back(day(random));
  for (int i = 0; i < 1000; ++i) dates.push_back(std::floor(day(random)) + (random() % 86400) / 86400.0);

  auto values_of = [&](bool source) {
    std::vector<ole_variant> values;
    for (DATE d : dates) {
      if (source) values.push_back(dao_date_value(source_field("d", 8, false, false, date_value(d))));
      else values.push_back(dao_date_value(udb_field("d", 8, false, false, date_value(d))));
    }
    return values;
  };
  for (bool source : {false, true}) {
    const std::vector<ole_variant> direct = values_of(source);
    std::vector<ole_variant> through_text;
    {
      char path[] = "/tmp/quill-dao-dates-XXXXXX";
      const int fd = mkstemp(path);
      ASSERT_GE(fd, 0);
      close(fd);
      tk_trace_sink sink(path, 9, true, false);  // active, writing nothing at these levels
      through_text = values_of(source);
      std::remove(path);
    }
    for (std::size_t i = 0; i < dates.size(); ++i) {
      const VARIANT& a = direct[i].variant();
      const VARIANT& b = through_text[i].variant();
      ASSERT_EQ(a.vt, b.vt) << dates[i];
      if (a.vt == VT_DATE) {
        EXPECT_EQ(std::memcmp(&a.date, &b.date, sizeof a.date), 0) << dates[i] << ": " << a.date << " vs " << b.date;
      }
    }
  }
}

}  // namespace
