#include "OLE/ole_number_text.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

#include "TK/tk_exception.h"

namespace {

// Made once and kept for the life of the process; strtod_l reads it
// without changing any thread's locale.
locale_t c_locale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  TK_ASSERT(locale != static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

double ole_atof(std::string_view text) {
  std::string copy(text);  // strtod needs the terminating zero
  return strtod_l(copy.c_str(), nullptr, c_locale());
}

std::string ole_commas_to_points(std::string_view text) {
  std::string copy(text);
  for (char& c : copy)
    if (c == ',') c = '.';
  return copy;
}
