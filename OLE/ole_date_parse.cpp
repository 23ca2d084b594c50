// ole_date's text reader. Layouts are tried in a fixed order; the first
// that reads the text decides:
//   1. 14 characters "yyyymmddhhmmss"      date and time
//   2. 8 characters "yyyymmdd"              date only
//   3. "h:m:s" (seconds may have a fraction) time only
//   4. the platform's English (United States) parser (1/31/2005, Jan 31 ...)
//   5. "y-m-d h:m:s", "y/m/d h:m:s", "y.m.d h:m:s", or the same without the
//      time (date only)
// Seconds round half up. Day-first texts (31.01.2005) read as year 31 and
// day 2005 and are turned round afterwards. A 12-hour marker (AM, PM, am,
// pm) is cut off before the layouts and applied afterwards.
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "OLE/ole_date.h"
#include "OLE/ole_number_text.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

constexpr std::size_t kShortestDateText = 5;

// A buffer as long as the text, so that a "%s" conversion cannot overflow.
std::vector<char> scan_buffer(const std::string& text) {
  return std::vector<char>(text.size() + 1, '\0');
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_digits(std::string_view text) {
  for (char c : text) {
    if (!is_digit(c)) return false;
  }
  return !text.empty();
}

// Skips the digits at text[at]; false when there are none.
bool skip_digits(std::string_view text, std::size_t& at) {
  std::size_t start = at;
  while (at < text.size() && is_digit(text[at])) ++at;
  return at > start;
}

// "h:m:s" from text[at] to the end, the seconds with an optional fraction.
bool time_shape(std::string_view text, std::size_t at) {
  for (int field = 0; field < 2; ++field) {
    if (!skip_digits(text, at) || at >= text.size() || text[at] != ':') return false;
    ++at;
  }
  if (!skip_digits(text, at)) return false;
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    ++at;
    skip_digits(text, at);
  }
  return at == text.size();
}

// "y<sep>m<sep>d", optionally followed by blanks and "h:m:s".
bool layout_shape(std::string_view text, char sep) {
  std::size_t at = 0;
  for (int field = 0; field < 2; ++field) {
    if (!skip_digits(text, at) || at >= text.size() || text[at] != sep) return false;
    ++at;
  }
  if (!skip_digits(text, at)) return false;
  if (at == text.size()) return true;
  if (text[at] != ' ') return false;
  while (at < text.size() && text[at] == ' ') ++at;
  return time_shape(text, at);
}

// The digits at text[at..at+n) as a number.  REQUIRES: all are digits.
int fixed_number(std::string_view text, std::size_t at, std::size_t n) {
  int out = 0;
  for (std::size_t i = at; i < at + n; ++i) out = out * 10 + (text[i] - '0');
  return out;
}

// "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss": digits and these separators.
bool iso_shape(std::string_view text) {
  static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
  if (text.size() != 10 && text.size() != 19) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == 'd' ? !is_digit(text[i]) : text[i] != kShape[i]) return false;
  }
  return true;
}

// "yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss" exactly, the form every date
// value of the system is written in, read as the platform's parser reads
// them (year, month, day, then the time) without its general tokenizing.
// False for any other text, which the platform's parser then reads.
bool read_iso_date(std::string_view text, DATE& date) {
  if (!iso_shape(text)) return false;
  int f[6] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < (text.size() == 19 ? 6 : 3); ++i) {
    static const std::size_t kAt[] = {0, 5, 8, 11, 14, 17};
    f[i] = fixed_number(text, kAt[i], i == 0 ? 4 : 2);
  }
  SYSTEMTIME st{static_cast<WORD>(f[0]), static_cast<WORD>(f[1]), 0, static_cast<WORD>(f[2]),
                static_cast<WORD>(f[3]), static_cast<WORD>(f[4]), static_cast<WORD>(f[5]), 0};
  return SystemTimeToVariantTime(&st, &date) != 0;
}

// Cuts the text at the first 12-hour marker, trying AM, PM, am, pm.
std::string cut_day_half_marker(const std::string& text) {
  for (const char* marker : {"AM", "PM", "am", "pm"}) {
    std::size_t at = text.find(marker);
    if (at != std::string::npos) return tk_trim(text.substr(0, at));
  }
  return text;
}

}  // namespace

ole_date::ole_date(const std::string& text) {
  TK_TRACE(1, "ole_date::ole_date('%s')", text.c_str());
  // The form every date value of the system is written in has nothing to
  // trim or cut, no 12-hour marker and no second to carry: when the
  // platform reads it, the steps below would end the same way.
  if (iso_shape(text) && try_platform(text)) return;
  std::string buf = tk_trim(text);
  TK_TRACE(1, "After tk_trim: %s", buf.c_str());
  buf = cut_day_half_marker(buf);
  TK_TRACE(1, "Again buf1=%s", buf.c_str());
  if (buf.size() < kShortestDateText) {
    TK_TRACE(2, "Invalid date/time format: '%s'", buf.c_str());
    return;
  }
  import_from_string(buf);
  if ((kind_ == date_time || kind_ == date_only) && fields_.wDay > 100 && fields_.wYear < 100)
    std::swap(fields_.wYear, fields_.wDay);
  if (kind_ != none && !fields_in_range()) {
    TK_TRACE(2, "Invalid date/time format: '%s'", buf.c_str());
    kind_ = none;
    fields_ = SYSTEMTIME{};
  }
  bool after_noon = text.find("PM") != std::string::npos || text.find("pm") != std::string::npos;
  bool before_noon = text.find("AM") != std::string::npos || text.find("am") != std::string::npos;
  if (kind_ != none && (after_noon || before_noon)) adjust_day_half(after_noon);
  if (kind_ != none) carry_rounded_second();
}

// A calendar day (or the zero day of a time only) and a time of day; a
// second of 60 comes only from rounding and is carried later.
bool ole_date::fields_in_range() const {
  const SYSTEMTIME& f = fields_;
  if (f.wHour > 23 || f.wMinute > 59 || f.wSecond > 60 || (f.wSecond == 60 && f.wMilliseconds < 500)) return false;
  if (f.wYear == 0 && f.wMonth == 0 && f.wDay == 0) return true;
  return f.wYear <= 9999 && f.wMonth >= 1 && f.wMonth <= 12 && f.wDay >= 1 &&
         f.wDay <= oleaut_days_in_month(f.wYear, f.wMonth);
}

// PM adds 12 to hours 1 to 11; AM makes 12 o'clock hour 0 (12:05 AM is five
// past midnight).
void ole_date::adjust_day_half(bool after_noon) {
  if (after_noon && fields_.wHour < 12) fields_.wHour += 12;
  if (!after_noon && fields_.wHour == 12) fields_.wHour = 0;
}

// Seconds rounded up to 60 carry into the minute, the hour and, for a full
// date, the day; a time only at 23:59:59.5 keeps 23:59:59.
void ole_date::carry_rounded_second() {
  if (fields_.wSecond != 60) return;
  SYSTEMTIME before = fields_;
  fields_.wSecond = 0;
  if (++fields_.wMinute < 60) return;
  fields_.wMinute = 0;
  if (++fields_.wHour < 24) return;
  fields_.wHour = 0;
  DATE day = 0.0;  // midnight: a whole day number, whatever its sign
  SYSTEMTIME next{};
  if (kind_ == date_time && SystemTimeToVariantTime(&fields_, &day) &&
      VariantTimeToSystemTime(day + 1.0, &next)) {
    next.wDayOfWeek = 0;
    fields_ = next;
    return;
  }
  fields_ = before;
  fields_.wSecond = 59;
}

void ole_date::import_from_string(const std::string& text) {
  TK_TRACE(1, "ole_date::import_from_string");
  if (try_timestamp(text) || try_pure_time(text) || try_platform(text) || try_layouts(text)) return;
  TK_TRACE(2, "Invalid date/time format: '%s'", text.c_str());
}

bool ole_date::try_timestamp(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!all_digits(text)) return false;
  if (text.size() == 14) {
    TK_TRACE(1, "Trying timestamp format (1)...");
    if (std::sscanf(text.c_str(), "%4d%02d%02d%02d%02d%02d", &y, &mo, &d, &h, &mi, &s) != 6)
      return false;
    kind_ = date_time;
  } else if (text.size() == 8) {
    TK_TRACE(1, "Trying timestamp format (2)...");
    if (std::sscanf(text.c_str(), "%4d%02d%02d", &y, &mo, &d) != 3) return false;
    kind_ = date_only;
  } else {
    return false;
  }
  fields_ = SYSTEMTIME{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d),
                       static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s), 0};
  return true;
}

bool ole_date::try_pure_time(const std::string& text) {
  TK_TRACE(1, "Trying pure time format...");
  if (!time_shape(text, 0)) return false;
  short hour = 0, minute = 0;
  std::vector<char> seconds = scan_buffer(text);
  if (std::sscanf(text.c_str(), "%hd:%hd:%s", &hour, &minute, seconds.data()) != 3) return false;
  fields_ = SYSTEMTIME{};
  fields_.wHour = static_cast<WORD>(hour);
  fields_.wMinute = static_cast<WORD>(minute);
  kind_ = time_only;
  read_seconds(seconds.data());
  return true;
}

bool ole_date::try_platform(const std::string& text) {
  DATE date = 0.0;
  if (!read_iso_date(text, date) && FAILED(VarDateFromStr(text.c_str(), LOCALE_SYSTEM_DEFAULT, 0, &date)))
    return false;
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) return false;
  fields_ = st;
  fields_.wDayOfWeek = 0;
  kind_ = date_time;
  classify();
  return true;
}

bool ole_date::try_layouts(const std::string& text) {
  static const char* const kLayouts[] = {"%hd-%hd-%hd %hd:%hd:%s", "%hd/%hd/%hd %hd:%hd:%s",
                                         "%hd.%hd.%hd %hd:%hd:%s"};
  static const char kSeparators[] = {'-', '/', '.'};
  for (int i = 0; i < 3; ++i) {
    TK_TRACE(1, "Trying datetime format #%d", i);
    if (!layout_shape(text, kSeparators[i])) continue;
    short f[5] = {0, 0, 0, 0, 0};
    std::vector<char> seconds = scan_buffer(text);
    int read = std::sscanf(text.c_str(), kLayouts[i], &f[0], &f[1], &f[2], &f[3], &f[4],
                           seconds.data());
    if (read != 3 && read != 6) continue;
    fields_ = SYSTEMTIME{static_cast<WORD>(f[0]), static_cast<WORD>(f[1]), 0, static_cast<WORD>(f[2]),
                         0, 0, 0, 0};
    kind_ = date_only;
    if (read == 6) {
      fields_.wHour = static_cast<WORD>(f[3]);
      fields_.wMinute = static_cast<WORD>(f[4]);
      kind_ = date_time;
      read_seconds(seconds.data());
      classify();
    }
    return true;
  }
  return false;
}

// Whole seconds, rounded up from half a second; the milliseconds field
// keeps the fraction.
void ole_date::read_seconds(const char* text) {
  TK_TRACE(1, "Got row sec: '%s'", text);
  double x = ole_atof(text);
  if (!(x >= 0.0)) x = 0.0;  // negative or not a number: refused later
  if (x > 65534.0) x = 65534.0;
  double whole = std::trunc(x);
  fields_.wSecond = static_cast<WORD>(whole);
  TK_TRACE(1, "Got sec: %d", static_cast<int>(fields_.wSecond));
  fields_.wMilliseconds = static_cast<WORD>((x - whole) * 1000.0);
  TK_TRACE(1, "Got msec: %d", static_cast<int>(fields_.wMilliseconds));
  if (fields_.wMilliseconds >= 500) ++fields_.wSecond;
}
