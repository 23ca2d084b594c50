#include "platform/oleaut/var_date.h"

#include <cmath>

namespace {

constexpr long kSecondsPerDay = 86400;
constexpr double kFirstDate = -657434.0;   // 100-01-01
constexpr double kPastLastDate = 2958466.0;  // 10000-01-01

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 0000-03-01 in the proleptic Gregorian calendar, which makes
// February the last month of a counting year.
long day_count(int year, int month, int day) {
  if (month <= 2) --year;
  long era_year = year;
  int shifted_month = month > 2 ? month - 3 : month + 9;
  long day_of_year = (153 * shifted_month + 2) / 5 + day - 1;
  return era_year * 365 + era_year / 4 - era_year / 100 + era_year / 400 + day_of_year;
}

const long kEpoch = day_count(1899, 12, 30);

void civil_from_count(long count, int& year, int& month, int& day) {
  long era = count / 146097;  // counts here are always positive
  long day_of_era = count % 146097;
  long year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  long shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  year = static_cast<int>(era * 400 + year_of_era + (month <= 2 ? 1 : 0));
}

}  // namespace

int oleaut_days_in_month(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

INT SystemTimeToVariantTime(const SYSTEMTIME* st, DOUBLE* out) {
  if (st == nullptr || out == nullptr) return 0;
  if (st->wYear < 100 || st->wYear > 9999 || st->wDay < 1 ||
      st->wDay > oleaut_days_in_month(st->wYear, st->wMonth) || st->wHour > 23 ||
      st->wMinute > 59 || st->wSecond > 59)
    return 0;
  long days = day_count(st->wYear, st->wMonth, st->wDay) - kEpoch;
  long seconds = st->wHour * 3600L + st->wMinute * 60L + st->wSecond;
  double time = static_cast<double>(seconds) / kSecondsPerDay;
  *out = days >= 0 ? days + time : days - time;
  return 1;
}

INT VariantTimeToSystemTime(DOUBLE date, SYSTEMTIME* out) {
  if (out == nullptr || !(date > kFirstDate - 1.0) || !(date < kPastLastDate)) return 0;
  double whole = std::trunc(date);
  long days = static_cast<long>(whole);
  long seconds = std::lround(std::fabs(date - whole) * kSecondsPerDay);
  if (seconds >= kSecondsPerDay) {  // rounding reached midnight
    seconds -= kSecondsPerDay;
    ++days;
  }
  if (days < static_cast<long>(kFirstDate) || days >= static_cast<long>(kPastLastDate)) return 0;
  long count = days + kEpoch;
  int year, month, day;
  civil_from_count(count, year, month, day);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wDayOfWeek = static_cast<WORD>((count + 3) % 7);
  st.wHour = static_cast<WORD>(seconds / 3600);
  st.wMinute = static_cast<WORD>(seconds / 60 % 60);
  st.wSecond = static_cast<WORD>(seconds % 60);
  *out = st;
  return 1;
}
