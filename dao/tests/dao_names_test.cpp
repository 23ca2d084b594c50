// Access names: the validators, the names map and the default quoting.
#include <gtest/gtest.h>

#include <set>

#include "dao/dao_schema_initializer.h"
#include "dao/dao_validator.h"

namespace {

// The owner's calling pattern: test, rewrite when refused, record.
std::string place(udb_validator& v, const std::string& name) {
  bool acceptable = v.is_acceptable(name);
  std::string used = acceptable ? name : v.get_safe_name(name);
  if (!acceptable) v.add_taken_name(used);
  v.add_name_in_use(used);
  return used;
}

TEST(DaoValidator, NamesAccessRefusesGetSafeUniqueNames) {
  const std::string n64(64, 'n'), n70(70, 'n');
  struct {
    std::vector<std::string> taken;
    std::vector<std::string> names;
    std::vector<std::string> placed;
  } cases[] = {
      {{}, {"Order Details", " Orders", "Orders "}, {"Order Details", "Orders", "Orders_"}},
      {{}, {"a.b", "[x]", "x!", "`q`"}, {"a_b", "_x_", "x_", "_q_"}},
      {{"a_b", "A_B_"}, {"a.b"}, {"a_b_1"}},
      {{"Orders"}, {"ORDERS", "Orders", "orders"}, {"ORDERS", "Orders_", "orders_1"}},
      {{}, {"   ", "  "}, {"_", "__"}},
      {{}, {"tab\there", "line\nend", "del\x7F"}, {"tab_here", "line_end", "del_"}},
      {{}, {n64, n70}, {n64, n64.substr(0, 63) + "_"}},
      {{n64}, {n64 + "x", n64 + "y"}, {n64.substr(0, 63) + "_", n64.substr(0, 62) + "_1"}},
      {{}, {"caf\xC3\xA9"}, {"caf\xC3\xA9"}},
  };
  for (const auto& c : cases) {
    dao_tn_validator v(c.taken, {});
    std::vector<std::string> placed;
    for (const std::string& name : c.names) placed.push_back(place(v, name));
    EXPECT_EQ(placed, c.placed) << c.names.front();
  }
}

TEST(DaoValidator, SafeNamesStayWithinSixtyFourCharactersHoweverManyCollide) {
  dao_fn_validator v(udb_schema{});
  std::set<std::string> seen;
  for (int i = 0; i < 80; ++i) {
    std::string name = place(v, std::string(64, 'x'));
    EXPECT_LE(udb_character_count(name), dao_max_name_length) << i;
    EXPECT_TRUE(seen.insert(name).second) << name;
  }
}

TEST(DaoValidator, ScopesLoadTheirTakenNames) {
  udb_schema schema;
  schema.append(t_ftd(4, "a_b", VT_I4));
  dao_fn_validator fields(schema);
  EXPECT_EQ(fields.get_safe_name("a.b"), "a_b_");
  udb_indexes indexes;
  indexes.append({"ix_1", false, false, {"a"}});
  dao_in_validator keys(indexes);
  EXPECT_EQ(keys.get_safe_name("ix.1"), "ix_1_");
  dao_tn_validator tables({"T"}, {"t_"});
  EXPECT_EQ(tables.get_safe_name("t"), "t_1");
}

TEST(NamesMap, ExactKeysWinAndLetterCaseIsTheFallback) {
  t_names_map map;
  map.add("a.b", "a_b");
  map.add("a.b", "other");  // the first target stays
  map.add("id", "id_");
  EXPECT_EQ(map.get_mapped_name("a.b", true), "a_b");
  EXPECT_EQ(map.get_mapped_name("A.B", true), "A.B");
  EXPECT_EQ(map.get_mapped_name("A.B", false), "a_b");
  EXPECT_EQ(map.get_mapped_name("x", false), "x");
}

TEST(SchemaInitializer, FieldsThatDifferOnlyInCaseKeepTheirOwnNames) {
  udb_schema source;
  source.append(t_ftd(4, "ID", VT_I4));
  source.append(t_ftd(4, "id", VT_I4));
  source.append(t_ftd(4, "a.b", VT_I4));
  dao_schema_initializer d(nullptr, source);
  EXPECT_EQ(d.at(1).name, "id_");
  EXPECT_EQ(d.destination_name("ID"), "ID");
  EXPECT_EQ(d.destination_name("id"), "id_");
  EXPECT_EQ(d.destination_name("A.B"), "a_b");
  EXPECT_EQ(d.names_map().size(), 2u);
}

TEST(SchemaInitializer, DefaultsAreQuotedForAccess) {
  struct {
    const char* text;
    const char* quoted;
  } cases[] = {{"abc", "\"abc\""}, {"a\"b", "'a\"b'"}, {"it's \"x\"", "\"it's 'x'\""}, {"it's", "\"it's\""}, {"", "\"\""}};
  for (const auto& c : cases) EXPECT_EQ(dao_schema_initializer::quote_def_value(c.text), c.quoted) << c.text;
}

TEST(SchemaInitializer, TypeMappingBothWays) {
  struct {
    VARTYPE vt;
    uint32_t size;
    SHORT dao;
  } cases[] = {{VT_BOOL, 1, dbBoolean}, {VT_UI1, 1, dbByte}, {VT_I1, 1, dbInteger}, {VT_I2, 2, dbInteger},
               {VT_UI2, 2, dbLong}, {VT_I4, 4, dbLong}, {VT_CY, 8, dbCurrency}, {VT_R4, 4, dbSingle},
               {VT_R8, 8, dbDouble}, {VT_DECIMAL, 19, dbDouble}, {VT_UI4, 4, dbDouble}, {VT_I8, 8, dbDouble},
               {VT_UI8, 8, dbDouble}, {VT_DATE, 8, dbDate}, {VT_BSTR, 255, dbText}, {VT_BSTR, 256, dbMemo},
               {VT_BSTR, 0, dbMemo}, {VT_BLOB, 255, dbBinary}, {VT_BLOB, 0, dbLongBinary}, {70, 300, dbLongBinary}};
  for (const auto& c : cases) EXPECT_EQ(dao_type_of(c.vt, c.size), c.dao) << c.vt << "/" << c.size;
  EXPECT_THROW(dao_type_of(VT_UNKNOWN, 0), ole_type_exception);
  EXPECT_EQ(dao_vartype_of(dbText), VT_BSTR);
  EXPECT_EQ(dao_vartype_of(dbMemo), VT_BSTR);
  EXPECT_EQ(dao_vartype_of(22), VT_DATE);
  EXPECT_EQ(dao_vartype_of(20), VT_R8);
  EXPECT_EQ(dao_vartype_of(0), VT_BLOB);
  EXPECT_EQ(dao_vartype_of(dbLongBinary), VT_BLOB);
}

}  // namespace
