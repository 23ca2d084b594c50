// Assignments converted as DAO converts a VARIANT to a field's type.
#include <gtest/gtest.h>

#include "platform/dao/values.h"

namespace {

using namespace dao_impl;

jet::ColumnDef column(jet::ColumnType type, std::uint16_t length = 0) {
  jet::ColumnDef c;
  c.type = type;
  c.length = length;
  return c;
}

struct holder {
  VARIANT v;
  holder() { VariantInit(&v); }
  ~holder() { VariantClear(&v); }
};

holder text(const std::string& s) {
  holder h;
  h.v.vt = VT_BSTR, h.v.bstrVal = SysAllocStringByteLen(s.data(), static_cast<UINT>(s.size()));
  return h;
}

TEST(DaoValues, AssignmentsConvertToTheFieldsType) {
  using T = jet::ColumnType;
  holder empty, null, yes, dec, date, big, i4;
  null.v.vt = VT_NULL;
  yes.v.vt = VT_BOOL, yes.v.boolVal = VARIANT_TRUE;
  dec.v.decVal = oleaut_make_decimal(true, 12345, 2), dec.v.vt = VT_DECIMAL;
  date.v.vt = VT_DATE, date.v.date = 38383.4375;  // 2005-01-31 10:30
  big.v.vt = VT_I4, big.v.lVal = 70000;
  i4.v.vt = VT_I4, i4.v.lVal = 42;
  struct {
    const VARIANT& value;
    jet::ColumnDef column;
    bool jet3;
    LONG error;
    jet::Value expected;
  } cases[] = {
      {empty.v, column(T::long_integer), false, 0, jet::Null{}},
      {null.v, column(T::text, 20), false, 0, jet::Null{}},
      {null.v, column(T::boolean), false, 0, false},
      {yes.v, column(T::boolean), false, 0, true},
      {yes.v, column(T::integer), false, 0, std::int16_t{-1}},
      {dec.v, column(T::double_), false, 0, -123.45},
      {date.v, column(T::text, 40), false, 0, std::string("2005-01-31 10:30:00")},
      {date.v, column(T::datetime), false, 0, jet::DateTime{38383.4375}},
      {i4.v, column(T::money), false, 0, jet::Money{420000}},
      {i4.v, column(T::text, 20), true, 0, std::string("42")},
      {big.v, column(T::integer), false, 3349, jet::Null{}},
      {big.v, column(T::byte), false, 3349, jet::Null{}},
      {text("abc").v, column(T::long_integer), false, 3421, jet::Null{}},
      {text("12").v, column(T::long_integer), false, 0, std::int32_t{12}},
      {text("abcd").v, column(T::text, 6), false, 3163, jet::Null{}},  // Jet 4: 3 characters
      {text("\xC3\xA9\xC3\xA9\xC3\xA9").v, column(T::text, 6), false, 0, std::string("\xC3\xA9\xC3\xA9\xC3\xA9")},
      {text("\xE2\x82\xAC \xE4\xB8\xAD").v, column(T::text, 3), true, 0, std::string("\xE2\x82\xAC ?")},
      {text("ab").v, column(T::binary, 1), false, 3163, jet::Null{}},
      {i4.v, column(T::ole), false, 3421, jet::Null{}},
  };
  for (const auto& c : cases) {
    jet::Value out = jet::Null{};
    EXPECT_EQ(to_jet_value(c.value, c.column, c.jet3, out), c.error) << jet::column_type_name(c.column.type);
    if (c.error == 0) {
      EXPECT_EQ(out, c.expected) << jet::column_type_name(c.column.type);
    }
  }
}

TEST(DaoValues, Cp1252RepertoireKeepsWhatTheCodePageHasAndMarksTheRest) {
  EXPECT_EQ(to_cp1252_repertoire("plain \xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C"), "plain \xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C");
  EXPECT_EQ(to_cp1252_repertoire("\xE4\xB8\xAD\xF0\x9F\x98\x80 \xC2\x81"), "?? ?");
  EXPECT_EQ(to_cp1252_repertoire("bad \xFF\xC3"), "bad ??");
  EXPECT_EQ(character_count("\xC3\xA9t\xE2\x82\xAC"), 3u);
}

TEST(DaoValues, DeclaredSizes) {
  using T = jet::ColumnType;
  EXPECT_EQ(declared_size(column(T::text, 100), false), 50);
  EXPECT_EQ(declared_size(column(T::text, 100), true), 100);
  EXPECT_EQ(declared_size(column(T::memo), false), 0);
  EXPECT_EQ(declared_size(column(T::ole), false), 0);
  EXPECT_EQ(declared_size(column(T::binary, 16), false), 16);
  EXPECT_EQ(declared_size(column(T::double_), false), 8);
  EXPECT_EQ(declared_size(column(T::boolean), false), 1);
}

}  // namespace
