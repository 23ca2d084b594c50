#include "platform/oleaut/locale.h"

#include <atomic>

namespace {

std::atomic<LCID> g_user_default{LOCALE_EN_US};

LCID resolve(LCID lcid) {
  if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT || lcid == 0)
    return g_user_default;
  return lcid;
}

}  // namespace

LCID oleaut_user_default_lcid() { return g_user_default; }

void oleaut_set_user_default_lcid(LCID lcid) { g_user_default = resolve(lcid); }

char oleaut_decimal_separator(LCID lcid) {
  // Primary language in the low 10 bits: Czech, German, Spanish, French,
  // Italian, Dutch, Polish, Portuguese, Russian, Swedish.
  LCID lang = resolve(lcid) & 0x3FF;
  switch (lang) {
    case 0x07: case 0x0A: case 0x0C: case 0x10: case 0x13:
    case 0x15: case 0x16: case 0x19: case 0x1D: case 0x05:
      return ',';
    default:
      return '.';
  }
}
