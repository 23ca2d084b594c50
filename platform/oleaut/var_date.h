// DATE: days since 1899-12-30 00:00, the fraction being the time of day.
// Before 1899-12-30 the whole part counts back and the fraction still adds
// time forward: -1.25 is 1899-12-29 06:00. Years 100 to 9999 only.
#pragma once

#include "platform/oleaut/oleaut_types.h"

// Non-zero on success. Refuses (0, *out untouched) fields out of range:
// year 100..9999, month 1..12, a day that the month has, hour 0..23,
// minute and second 0..59. Milliseconds and the day of week are ignored.
INT SystemTimeToVariantTime(const SYSTEMTIME* st, DOUBLE* out);

// Non-zero on success: the calendar fields, rounded to the nearest second
// (milliseconds 0), and the day of week (0 Sunday). Refuses (0, *out
// untouched) a DATE outside 100-01-01 .. 9999-12-31 23:59:59.
INT VariantTimeToSystemTime(DOUBLE date, SYSTEMTIME* out);

// Text to DATE by English (United States) conventions: month first
// (1/2/2004 is January 2), or year first with four digits (2004-01-02);
// month names or their three-letter forms (Jan 2, 2004; 2-Jan-2004); two-
// digit years 00..29 in 2000s and 30..99 in 1900s; an optional time h:mm or
// h:mm:ss with AM/PM; a time alone lies on 1899-12-30. Dotted dates
// (31.01.2005) are refused. DISP_E_TYPEMISMATCH when the text is not such a
// date. The locale and flags are accepted and not used.
HRESULT VarDateFromStr(const OLECHAR* text, LCID lcid, ULONG flags, DATE* out);

// The days of a month (0 for a month out of 1..12).
int oleaut_days_in_month(int year, int month);
