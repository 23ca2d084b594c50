// Locale identifiers the value conversions take, and the one locale fact they
// use: the decimal separator. Every locale answers "." except a short list
// of European ones that write ",".
#pragma once

#include "platform/oleaut/oleaut_types.h"

constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_EN_US = 0x0409;  // 1033, English (United States)

// The locale LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT stand for:
// English (United States) unless set otherwise (tests set it to see how
// callers cope with a "," separator). Safe from any thread.
LCID oleaut_user_default_lcid();
void oleaut_set_user_default_lcid(LCID lcid);

// "." or "," for the locale (the defaults resolved as above).
char oleaut_decimal_separator(LCID lcid);
