// Conformance of columns and schemas, and the case-ignoring lookups.
#include <gtest/gtest.h>

#include "UDB/udb_schema.h"

namespace {

t_ftd column(VARTYPE vartype, uint32_t size = 0, const std::string& name = "c") {
  return t_ftd(size, name, vartype);
}

struct conform_case {
  VARTYPE a;
  uint32_t a_size;
  VARTYPE b;
  uint32_t b_size;
  bool equal;
  bool conforms;
};

TEST(FieldDescriptor, EqualityAndConformanceFollowTheRulesInOrder) {
  const conform_case cases[] = {
      // money and decimals are one type, both ways
      {VT_DECIMAL, 0, VT_CY, 0, true, true},
      {VT_CY, 0, VT_DECIMAL, 0, true, true},
      {VT_DECIMAL, 0, VT_R8, 0, false, true},
      {VT_R8, 0, VT_DECIMAL, 0, false, false},
      // to single precision, but not from double
      {VT_R8, 0, VT_R4, 0, false, false},
      {VT_I4, 0, VT_R4, 0, false, true},
      {VT_BOOL, 0, VT_R8, 0, false, true},
      // texts widen to longer or unlimited texts only
      {VT_BSTR, 50, VT_BSTR, 50, true, true},
      {VT_BSTR, 50, VT_BSTR, 255, false, true},
      {VT_BSTR, 50, VT_BSTR, 0, false, true},
      {VT_BSTR, 255, VT_BSTR, 50, false, false},
      {VT_BSTR, 0, VT_BSTR, 0, true, true},
      {VT_BSTR, 0, VT_BSTR, 255, false, false},  // an unlimited text never fits a limited one
      // small integers widen
      {VT_BOOL, 0, VT_I2, 0, false, true},
      {VT_BOOL, 0, VT_I1, 0, false, true},
      {VT_I2, 0, VT_BOOL, 0, false, false},
      {VT_I1, 0, VT_I2, 0, false, true},
      {VT_UI1, 0, VT_I2, 0, false, true},
      {VT_UI2, 0, VT_I2, 0, false, false},
      {VT_UI2, 0, VT_I4, 0, false, true},
      {VT_I4, 0, VT_I8, 0, false, false},
      {VT_UI4, 0, VT_I4, 0, false, false},
      // a date and its 19-character text form
      {VT_DATE, 0, VT_BSTR, 19, false, true},
      {VT_BSTR, 19, VT_DATE, 0, false, true},
      {VT_BSTR, 20, VT_DATE, 0, false, false},
      {VT_DATE, 0, VT_BSTR, 20, false, false},
      // sizes matter for texts only
      {VT_I4, 4, VT_I4, 8, true, true},
      {VT_BLOB, 0, VT_BLOB, 0, true, true},
      {VT_BLOB, 0, VT_BSTR, 0, false, false},
  };
  for (const conform_case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << "/" << c.a_size << " -> " << c.b << "/" << c.b_size);
    EXPECT_EQ(column(c.a, c.a_size) == column(c.b, c.b_size), c.equal);
    EXPECT_EQ(column(c.a, c.a_size).conform_to(column(c.b, c.b_size)), c.conforms);
  }
}

udb_schema schema_of(std::initializer_list<std::pair<const char*, VARTYPE>> columns) {
  udb_schema schema;
  for (const auto& [name, vartype] : columns) schema.append(column(vartype, 0, name));
  return schema;
}

TEST(Schema, ConformanceIsPositionalAndIgnoresNames) {
  struct {
    udb_schema source;
    udb_schema destination;
    bool conforms;
  } cases[] = {
      {udb_schema(), udb_schema(), true},
      {schema_of({{"a", VT_I4}, {"b", VT_DATE}}), schema_of({{"x", VT_R8}, {"y", VT_DATE}}), true},
      {schema_of({{"a", VT_I4}, {"b", VT_DATE}}), schema_of({{"b", VT_DATE}, {"a", VT_I4}}), false},
      {schema_of({{"a", VT_I2}, {"b", VT_I4}}), schema_of({{"b", VT_I4}, {"a", VT_I4}}), true},
      {schema_of({{"a", VT_I4}}), schema_of({{"a", VT_I4}, {"b", VT_I4}}), false},
      {schema_of({{"a", VT_I4}, {"b", VT_I4}}), schema_of({{"a", VT_I4}}), false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cases[i].source.conform_to(cases[i].destination), cases[i].conforms);
  }
}

TEST(Schema, FindFieldIgnoresLetterCaseOnly) {
  udb_schema schema = schema_of({{"ID", VT_I4}, {"Straße", VT_BSTR}, {"Café", VT_BSTR}, {"id", VT_R8}});
  struct {
    const char* wanted;
    const char* found;  // null: a miss
  } cases[] = {{"ID", "ID"}, {"id", "ID"}, {"iD", "ID"}, {"STRASSE", nullptr}, {"CAFÉ", "Café"},
               {"Cafe", nullptr}, {"I", nullptr}, {"", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wanted);
    if (c.found) {
      EXPECT_EQ(schema.find_field(c.wanted).name, c.found);
    } else {
      EXPECT_THROW(schema.find_field(c.wanted), tk_mail_assertion);
    }
  }
  schema.find_field("straße").b_not_null = true;
  EXPECT_TRUE(schema.at(1).b_not_null);
  EXPECT_THROW(schema.at(4), std::out_of_range);
}

}  // namespace
