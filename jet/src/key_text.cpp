// Text key parts: picks the sort order and feeds the encoders the units it
// works on (UTF-16 units for General legacy, code points for General 97).
#include <cstdio>
#include <string>

#include "jet/error.h"
#include "jet/index.h"
#include "key_internal.h"
#include "sort_tables.h"
#include "sort_text_key.h"

namespace jet {
namespace {

constexpr std::uint16_t kGeneralLcid = 0x409;
// Below this no value is a collation LCID: files that leave the field unset
// (0, or 1 as some Jet 3 writers do) get the version's default order.
constexpr std::uint16_t kFirstLcid = 0x400;
constexpr std::uint8_t kLegacyVersion = 0;

[[noreturn]] void bad_utf8(std::size_t at) {
  throw Error::invalid_argument("malformed UTF-8 in a text key value at byte " +
                                std::to_string(at));
}

// Length of the sequence that starts with `lead`, 0 if it cannot lead.
std::size_t sequence_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

char32_t decode_one(std::string_view s, std::size_t at, std::size_t length) {
  if (length == 0 || s.size() - at < length) bad_utf8(at);
  char32_t cp = length == 1 ? s[at] : (unsigned char)s[at] & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char c = s[at + i];
    if ((c & 0xC0) != 0x80) bad_utf8(at);
    cp = (cp << 6) | (c & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) bad_utf8(at);
  return cp;
}

// One code point as UTF-16 at `out`: a unit, or a surrogate pair beyond
// U+FFFF. Returns the units written.
std::size_t put_utf16(char32_t cp, char16_t* out) {
  if (cp < 0x10000) {
    out[0] = char16_t(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = char16_t(0xD800 + (cp >> 10));
  out[1] = char16_t(0xDC00 + (cp & 0x3FF));
  return 2;
}

// General 97 knows only the code page's characters; any other would drop
// out of the key silently, so it is refused (a Jet 3 text cannot hold it).
void require_code_page_1252(const std::u32string& cps) {
  for (char32_t cp : cps) {
    if (sort::in_code_page_1252(cp)) continue;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(cp));
    throw Error::invalid_argument(std::string("character ") + code +
                                  " is not in code page 1252 and has no General 97 sort code");
  }
}

}  // namespace

std::u32string utf8_code_points(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t length = sequence_length((unsigned char)utf8[at]);
    out.push_back(decode_one(utf8, at, length));
    at += length;
  }
  return out;
}

std::u16string utf8_units(std::string_view utf8) {
  std::u16string units(utf8.size(), u'\0');  // never more units than bytes
  std::size_t n = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    if ((unsigned char)utf8[at] < 0x80) {  // the common case, a byte a unit
      units[n++] = char16_t(utf8[at++]);
      continue;
    }
    const std::size_t length = sequence_length((unsigned char)utf8[at]);
    n += put_utf16(decode_one(utf8, at, length), &units[n]);  // two units take four bytes
    at += length;
  }
  units.resize(n);
  return units;
}

SortOrder sort_order_of(const ColumnDef& column, JetVersion version) {
  bool unset = column.sort_order < kFirstLcid;
  bool general = unset || column.sort_order == kGeneralLcid;
  if (general && version == JetVersion::jet3) return SortOrder::general97;
  if (general && (unset || column.sort_version == kLegacyVersion)) {
    return SortOrder::general_legacy;
  }
  throw Error::not_supported("text index on column '" + column.name + "' uses collation " +
                             std::to_string(column.sort_order) + " version " +
                             std::to_string(column.sort_version) + "; only General is supported");
}

void append_text_key(std::string_view utf8, SortOrder order, bool ascending,
                     std::vector<std::uint8_t>& out) {
  if (order == SortOrder::general97) {
    std::u32string cps = utf8_code_points(utf8);
    require_code_page_1252(cps);
    out.push_back(ascending ? kKeyAscPresent : kKeyDescPresent);
    sort::append_general97_text_key(cps, ascending, out);
  } else {
    std::u16string units = utf8_units(utf8);
    out.push_back(ascending ? kKeyAscPresent : kKeyDescPresent);
    sort::append_legacy_text_key(units, ascending, out);
  }
}

}  // namespace jet
