#include "OLE/ole_date.h"

#include <string>

#include "TK/tk_trace.h"

ole_date::ole_date(DATE date) {
  TK_TRACE(1, "ole_date::ole_date(DATE)");
  assign_date(date, 3, "Failed to convert VariantTime to SystemTime");
}

ole_date::ole_date(const VARIANT& var) {
  TK_TRACE(1, "ole_date::ole_date(VARIANT, vt=%d)", static_cast<int>(var.vt));
  if (var.vt == VT_EMPTY || var.vt == VT_NULL) return;
  TK_ASSERT(var.vt == VT_DATE);
  assign_date(var.date, 2, "Failed to convert VARIANT->SYSTEMTIME");
}

void ole_date::assign_date(DATE date, int failure_trace_level, const char* failure_trace) {
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) {
    TK_TRACE(failure_trace_level, "%s", failure_trace);
    return;
  }
  fields_ = st;
  fields_.wDayOfWeek = 0;  // never set: the value carries no weekday
  kind_ = date_time;
  classify();
}

// Narrows a date and time: no date at all is a time only; midnight on a
// full date is a date only.
void ole_date::classify() {
  const SYSTEMTIME& f = fields_;
  if (f.wDay == 0 && f.wMonth == 0 && f.wYear == 0)
    kind_ = time_only;
  else if (f.wHour == 0 && f.wMinute == 0 && f.wSecond == 0 && f.wDay != 0 && f.wMonth != 0 &&
           f.wYear != 0)
    kind_ = date_only;
}

namespace {

// `value` in at least `width` digits, zero-padded (as "%0*u" writes it).
void append_padded(std::string& out, unsigned value, std::size_t width) {
  char digits[8];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (n < width) out.append(width - n, '0');
  while (n > 0) out += digits[--n];
}

// "yyyy-mm-dd", then " hh:mm:ss" when `with_time`.
std::string date_text(const SYSTEMTIME& f, bool with_time) {
  std::string text;
  text.reserve(19);
  append_padded(text, f.wYear, 4);
  text += '-';
  append_padded(text, f.wMonth, 2);
  text += '-';
  append_padded(text, f.wDay, 2);
  if (!with_time) return text;
  text += ' ';
  append_padded(text, f.wHour, 2);
  text += ':';
  append_padded(text, f.wMinute, 2);
  text += ':';
  append_padded(text, f.wSecond, 2);
  return text;
}

}  // namespace

std::string ole_date::to_string() const {
  TK_TRACE(1, "ole_date::to_string");
  const SYSTEMTIME& f = fields_;
  bool has_time = f.wHour != 0 || f.wMinute != 0 || f.wSecond != 0;
  switch (kind_) {
    case date_time:
      TK_TRACE(1, "printing datetime...");
      return date_text(f, has_time);
    case date_only:
      TK_TRACE(1, "printing date...");
      return date_text(f, false);
    case time_only: {
      TK_TRACE(1, "printing time...");
      SYSTEMTIME zero_day = f;
      zero_day.wYear = zero_day.wMonth = zero_day.wDay = 0;
      return date_text(zero_day, true);
    }
    default:
      return "";
  }
}

// A time only lies on 1899-12-30, the day of DATE zero, as OLE keeps
// times of day without a date.
ole_variant ole_date::to_variant() const {
  TK_TRACE(1, "ole_date::to_variant");
  if (kind_ != time_only) return ole_variant(fields_);
  SYSTEMTIME on_day_zero = fields_;
  on_day_zero.wYear = 1899;
  on_day_zero.wMonth = 12;
  on_day_zero.wDay = 30;
  return ole_variant(on_day_zero);
}

bool ole_date::is_date_type(VARTYPE vt) { return vt == VT_DATE || vt == VT_BSTR; }
