#include "platform/oledb/odbc_cells.h"

#include <cstdio>
#include <cstring>

namespace odbc {
namespace {

// ASCII text as UTF-16LE bytes.
std::string ascii_utf16(const char* text, std::size_t n) {
  std::string out(2 * n, '\0');
  for (std::size_t i = 0; i < n; ++i) out[2 * i] = text[i];
  return out;
}

std::string ascii_utf16(const char* text) { return ascii_utf16(text, std::strlen(text)); }

// Writes `value` in at least `width` digits at `at` (as "%0*u" writes it);
// answers the end.
char* put_padded(char* at, unsigned long value, std::size_t width) {
  char digits[24];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (; n < width; --width) *at++ = '0';
  while (n > 0) *at++ = digits[--n];
  return at;
}

}  // namespace

std::string timestamp_text(const SQL_TIMESTAMP_STRUCT& ts) {
  if (ts.year >= 0) {
    char text[96];
    const unsigned long fields[] = {static_cast<unsigned long>(ts.year), ts.month, ts.day, ts.hour, ts.minute, ts.second};
    static const char kBefore[] = {0, '-', '-', ' ', ':', ':'};
    char* at = text;
    for (int i = 0; i < 6; ++i) {
      if (kBefore[i] != 0) *at++ = kBefore[i];
      at = put_padded(at, fields[i], i == 0 ? 4 : 2);
    }
    if (ts.fraction != 0) {
      *at++ = '.';
      at = put_padded(at, ts.fraction / 1000000, 3);
    }
    return ascii_utf16(text, static_cast<std::size_t>(at - text));
  }
  char text[64];
  int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", ts.year, ts.month, ts.day, ts.hour,
                        ts.minute, ts.second);
  if (ts.fraction != 0) std::snprintf(text + n, sizeof text - n, ".%03u", static_cast<unsigned>(ts.fraction / 1000000));
  return ascii_utf16(text);
}

std::string guid_text(const SQLGUID& g) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return ascii_utf16(text);
}

void pad_year(std::string& utf16) {
  std::size_t digits = 0;
  while (digits * 2 + 1 < utf16.size() && utf16[digits * 2] >= '0' && utf16[digits * 2] <= '9' &&
         utf16[digits * 2 + 1] == '\0')
    ++digits;
  bool dash = digits * 2 + 1 < utf16.size() && utf16[digits * 2] == '-' && utf16[digits * 2 + 1] == '\0';
  if (digits == 0 || digits >= 4 || !dash) return;
  utf16.insert(0, std::string((4 - digits) * 2, '\0'));
  for (std::size_t i = 0; i < 4 - digits; ++i) utf16[i * 2] = '0';
}

}  // namespace odbc
