// The text forms of values the provider reads as ODBC structures.
#include <gtest/gtest.h>

#include "platform/oledb/odbc_cells.h"

namespace {

std::string narrow(const std::string& utf16) {
  std::string out;
  for (std::size_t i = 0; i < utf16.size(); i += 2) out += utf16[i] != '\0' && utf16[i + 1] == '\0' ? utf16[i] : '?';
  return out;
}

TEST(OdbcCells, TimestampsAsSqlServerWritesThem) {
  const struct {
    SQL_TIMESTAMP_STRUCT ts;
    const char* text;
  } cases[] = {
      {{2004, 1, 1, 8, 0, 0, 0}, "2004-01-01 08:00:00"},
      {{1, 2, 3, 4, 5, 6, 0}, "0001-02-03 04:05:06"},
      {{9999, 12, 31, 23, 59, 59, 997000000}, "9999-12-31 23:59:59.997"},
      {{1900, 1, 1, 0, 0, 0, 3000000}, "1900-01-01 00:00:00.003"},
      {{1900, 1, 1, 0, 0, 0, 999999}, "1900-01-01 00:00:00.000"},  // below a millisecond
      {{-1, 1, 1, 0, 0, 0, 0}, "-001-01-01 00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(narrow(odbc::timestamp_text(c.ts)), c.text) << c.text;
}

TEST(OdbcCells, GuidsAndPaddedYears) {
  SQLGUID g{0x01234567, 0x89AB, 0xCDEF, {0, 1, 2, 3, 4, 5, 6, 0xFF}};
  EXPECT_EQ(narrow(odbc::guid_text(g)), "{01234567-89AB-CDEF-0001-0203040506FF}");
  for (auto [in, out] : {std::pair{"1-01-01", "0001-01-01"}, {"2004-05-06", "2004-05-06"}, {"12:00", "12:00"}}) {
    std::string utf16;
    for (const char* p = in; *p != '\0'; ++p) utf16.append({*p, '\0'});
    odbc::pad_year(utf16);
    EXPECT_EQ(narrow(utf16), out) << in;
  }
}

}  // namespace
