// ole_date: the system's calendar value. It reads OLE Automation dates,
// VARIANTs and free-form date texts (defaults and literals from SQL Server
// catalogs, values typed by users) into calendar fields, remembers whether
// the value is a full date and time, a date only or a time only, and writes
// it as "yyyy-mm-dd hh:mm:ss".
//
// Thread-safety: a plain value; no shared state.
#pragma once

#include <string>

#include "OLE/ole_var.h"

class ole_date {
 public:
  enum kind_t : int { none = 0, date_time = 1, date_only = 2, time_only = 3 };

  ole_date() = default;  // kind none, every field 0
  // Kind date and time, narrowed by the value (date only when the time is
  // midnight); none when the DATE lies outside years 100..9999.
  explicit ole_date(DATE date);
  // VT_DATE as above; VT_EMPTY and VT_NULL give kind none. Any other type:
  // tk_mail_assertion.
  explicit ole_date(const VARIANT& var);
  // Reads the text (see ole_date_parse.cpp for the layouts and their
  // order). An unreadable text gives kind none; nothing throws.
  explicit ole_date(const std::string& text);

  // The layout reader of the text constructor, on a trimmed text without
  // an AM/PM marker. Leaves the kind none when no layout matches.
  void import_from_string(const std::string& text);

  // "yyyy-mm-dd hh:mm:ss" for a date and time ("yyyy-mm-dd" at midnight),
  // "yyyy-mm-dd" for a date only, "0000-00-00 hh:mm:ss" for a time only,
  // "" for none.
  std::string to_string() const;
  // VT_DATE from the fields (a time only on 1899-12-30, DATE's day zero);
  // VT_EMPTY for kind none or fields the platform refuses.
  ole_variant to_variant() const;

  kind_t kind() const { return kind_; }
  const SYSTEMTIME& fields() const { return fields_; }

  // True for the types a date can be taken from: VT_DATE and VT_BSTR.
  static bool is_date_type(VARTYPE vt);

 private:
  void assign_date(DATE date, int failure_trace_level, const char* failure_trace);
  void classify();
  bool fields_in_range() const;
  void read_seconds(const char* text);
  bool try_timestamp(const std::string& text);
  bool try_pure_time(const std::string& text);
  bool try_platform(const std::string& text);
  bool try_layouts(const std::string& text);
  void adjust_day_half(bool after_noon);
  void carry_rounded_second();

  kind_t kind_ = none;
  SYSTEMTIME fields_{};
};
