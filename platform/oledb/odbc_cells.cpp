#include "platform/oledb/odbc_cells.h"

#include <cstdio>

namespace odbc {
namespace {

std::string ascii_utf16(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    out += *p;
    out += '\0';
  }
  return out;
}

// `value` as UTF-16 digits, at least `width` of them (as "%0*u" writes it).
void append_padded(std::string& utf16, unsigned long value, std::size_t width) {
  char digits[24];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (; n < width; --width) utf16.append({'0', '\0'});
  while (n > 0) utf16.append({digits[--n], '\0'});
}

}  // namespace

std::string timestamp_text(const SQL_TIMESTAMP_STRUCT& ts) {
  if (ts.year >= 0) {
    std::string out;
    out.reserve(46);
    const unsigned long fields[] = {static_cast<unsigned long>(ts.year), ts.month, ts.day, ts.hour, ts.minute, ts.second};
    static const char kBefore[] = {0, '-', '-', ' ', ':', ':'};
    for (int i = 0; i < 6; ++i) {
      if (kBefore[i] != 0) out.append({kBefore[i], '\0'});
      append_padded(out, fields[i], i == 0 ? 4 : 2);
    }
    if (ts.fraction != 0) {
      out.append({'.', '\0'});
      append_padded(out, ts.fraction / 1000000, 3);
    }
    return out;
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
