#include "OLE/ole_number_text.h"

#include <charconv>
#include <clocale>
#include <cmath>
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

// Digits with at most one point among them, then an optional exponent,
// after an optional minus: a text strtod reads whole, as from_chars does.
bool plain_decimal(std::string_view text) {
  std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
  std::size_t digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i == text.size()) return true;
  if (text[i] != 'e' && text[i] != 'E') return false;
  if (++i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

}  // namespace

// A plain decimal of a normal double's magnitude reads through from_chars,
// which rounds as strtod does (to the nearest) without copying the text;
// zeros, subnormals, infinities and every other form go to strtod.
double ole_atof(std::string_view text) {
  if (plain_decimal(text)) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc() && end == text.data() + text.size() && std::isnormal(value)) return value;
  }
  std::string copy(text);  // strtod needs the terminating zero
  return strtod_l(copy.c_str(), nullptr, c_locale());
}

std::string ole_commas_to_points(std::string_view text) {
  std::string copy(text);
  for (char& c : copy)
    if (c == ',') c = '.';
  return copy;
}
