// The logic of the SQL Server side's parts: text helpers, defaults,
// version texts, the row buffer, and tables read through a scripted
// session.
#include <gtest/gtest.h>

#include "MSS/mss_engine.h"
#include "MSS/mss_table.h"
#include "MSS/odb_accessor.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_text.h"
#include "MSS/tests/scripted_session.h"

TEST(MssText, BracketedNamesRoundTripWithDoubledBrackets) {
  struct {
    std::string owner, table, bracketed;
  } cases[] = {
      {"dbo", "Orders", "[dbo].[Orders]"},
      {"", "Orders", "[Orders]"},
      {"we]ird", "a]].[b", "[we]]ird].[a]]]].[b]"},
      {"", "x].[y", "[x]].[y]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(odb_bracketed_table(c.owner, c.table), c.bracketed);
    std::string owner = "?", table = "?";
    ASSERT_TRUE(odb_split_bracketed(c.bracketed, owner, table)) << c.bracketed;
    EXPECT_EQ(owner, c.owner);
    EXPECT_EQ(table, c.table);
  }
  std::string owner, table;
  for (const char* bad : {"", "[", "Orders", "[a]b", "[a].b", "[a].[b].[c]", "[a]]"})
    EXPECT_FALSE(odb_split_bracketed(bad, owner, table)) << bad;
}

TEST(MssText, PatternsConnectionValuesAndMasks) {
  EXPECT_EQ(odb_like_literal("Order_Details%[x]"), "Order[_]Details[%][[]x]");
  struct {
    std::string value, written;
  } values[] = {{"plain", "plain"}, {"", ""}, {"a;b", "\"a;b\""}, {"a=b", "\"a=b\""},
                {" lead", "\" lead\""}, {"say \"hi\"", "'say \"hi\"'"}, {"it's", "\"it's\""},
                {"both\"'", "'both\"'''"}};
  for (const auto& v : values) EXPECT_EQ(odb_connection_value(v.value), v.written) << v.value;
  EXPECT_EQ(odb_mask_password("Provider=sqloledb;User ID=u;Password=p;"), "Provider=sqloledb;User ID=u;Password=****;");
  EXPECT_EQ(odb_mask_password("User Id=u;Password=\"a;\"\"b\";"), "User Id=u;Password=****;");
  EXPECT_EQ(odb_mask_password("Integrated Security=SSPI;"), "Integrated Security=SSPI;");
  const WCHAR lone[] = {u'a', 0xD800, u'b', 0xD83D, 0xDE00};
  EXPECT_EQ(odb_narrow(lone, 5), "a\xEF\xBF\xBD" "b\xF0\x9F\x98\x80");
  const WCHAR mixed[] = {u'a', u'b', 0xE9, u'c', 0xD83D, 0xDE00, u'd'};
  EXPECT_EQ(odb_narrow(mixed, 7), "ab\xC3\xA9" "c\xF0\x9F\x98\x80" "d");
  EXPECT_EQ(odb_narrow(mixed, 2), "ab");
  EXPECT_EQ(odb_narrow(mixed, 0), "");
  // ASCII is narrowed several units at a time: a unit that is not, at every
  // place of a longer text, must still come out whole.
  for (std::size_t at = 0; at < 13; ++at) {
    std::u16string wide(13, u'x');
    wide[at] = 0x20AC;
    std::string narrow(13, 'x');
    narrow.replace(at, 1, "\xE2\x82\xAC");
    EXPECT_EQ(odb_narrow(reinterpret_cast<const WCHAR*>(wide.data()), wide.size()), narrow) << at;
    wide[at] = 0x7F;
    narrow.assign(13, 'x');
    narrow[at] = '\x7F';
    EXPECT_EQ(odb_narrow(reinterpret_cast<const WCHAR*>(wide.data()), wide.size()), narrow) << at;
  }
}

TEST(MssDefaults, StoredExpressionsBecomeValues) {
  struct {
    VARTYPE vartype;
    std::string text, value;
  } cases[] = {
      {VT_I4, "((0))", "0"},         {VT_BOOL, "(1)", "1"},           {VT_BSTR, "('abc')", "abc"},
      {VT_BSTR, "('O''Brien')", "O'Brien"}, {VT_BSTR, "('')", ""},     {VT_BSTR, "(N'Hello')", "Hello"},
      {VT_BSTR, "(N'it''s')", "it's"}, {VT_DATE, "(getdate())", "<none>"}, {VT_DATE, "('2004-01-01')", "2004-01-01"},
      {VT_I4, "(getdate())", "<none>"}, {VT_BSTR, "(getdate())", "getdate()"}, {VT_DECIMAL, "((0.5))", "0.5"},
      {VT_BSTR, "plain", "plain"},
  };
  for (const auto& c : cases) {
    ole_variant v = mss_table::get_def_value(c.vartype, c.text);
    EXPECT_EQ(v.vt() == VT_EMPTY ? "<none>" : v.to_string(), c.value) << c.text;
  }
  EXPECT_EQ(mss_table::unwrap_default("('Y')"), "Y");
}

TEST(MssEngine, VersionTexts) {
  struct {
    std::string text;
    int code;
  } cases[] = {
      {"Microsoft SQL Server  2000 - 8.00.194 (Intel X86)", 3},
      {"Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)", 2},
      {"Microsoft SQL Server 2005 - 9.00.1399.06 (Intel X86)", 1},
      {"Microsoft SQL Server  2000 - 8", 1},  // exactly 30 characters
      {"Sybase SQL Server  2000 - 8.00.194 (Intel X86)", 1},
      {"", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(mss_engine::classify_version(c.text), c.code) << c.text;
}

TEST(MssAccessor, SlotsByTypeAndTheRowLayout) {
  struct {
    DBTYPE type;
    DBLENGTH size, slot;
  } cases[] = {{DBTYPE_STR, 10, 22},          {DBTYPE_I4, 4, 52},           {DBTYPE_DBTIMESTAMP, 16, 102},
               {DBTYPE_BYTES, 8, 34},         {DBTYPE_STR, 2147483647, 4000000}, {DBTYPE_BYTES, 2147483647, 4000000},
               {DBTYPE_VARIANT, 0, 2000000},  {DBTYPE_VARIANT, 16, 16}};
  for (const auto& c : cases) EXPECT_EQ(odb_accessor::max_length(c.type, c.size), c.slot) << c.type << " " << c.size;

  scripted_result r{{scripted_column("a", DBTYPE_I4, 4), scripted_column("b", DBTYPE_I4, 4),
                     scripted_column("c", DBTYPE_I4, 4)},
                    {}};
  ole_com_ptr<IRowset> rowset(oledb_make_rowset(std::make_unique<oledb_buffered_source>(r.columns, r.rows)));
  odb_recordset reader(rowset.get());
  // GetColumnInfo is what the accessor was bound with.
  odb_accessor accessor;
  accessor.bind(*rowset, reader.column_count(), reader.column_info());
  EXPECT_EQ(accessor.row_size(), 180u);
  EXPECT_EQ(accessor.bindings()[0].obValue, 8u);
  EXPECT_EQ(accessor.bindings()[1].obValue, 68u);
  EXPECT_EQ(accessor.bindings()[2].obValue, 128u);
}

namespace {

// A scripted table People with the answers its opening needs.
ole_com_ptr<scripted_session> people(int counted, int rows) {
  ole_com_ptr<scripted_session> s(new scripted_session);
  scripted_result table{{scripted_column("ID", DBTYPE_I4, 4), scripted_column("id", DBTYPE_I4, 4),
                         scripted_column("Name", DBTYPE_WSTR, 10)},
                        {}};
  for (int i = 0; i < rows; ++i) table.rows.push_back(scripted_row({std::to_string(i), "\x01", i % 2 ? "" : "n"}));
  s->tables["[dbo].[People]"] = table;
  s->statements["SELECT COUNT(*) FROM [dbo].[People]"] = {{scripted_column("", DBTYPE_I4, 4)},
                                                          {scripted_row({std::to_string(counted)})}};
  std::vector<oledb_column> cols;
  for (const char* n : {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME",
                        "PRECISION", "LENGTH", "SCALE", "RADIX", "NULLABLE", "REMARKS", "COLUMN_DEF"})
    cols.push_back(scripted_column(n, DBTYPE_WSTR, 128));
  auto col = [](const char* owner, const char* table, const char* name, const char* type, const char* def) {
    return scripted_row({"db", owner, table, name, "4", type, "10", "4", "0", "10", "1", "\x01", def});
  };
  s->statements["EXEC sp_columns @table_name=[People], @table_owner=[dbo]"] = {
      cols,
      {col("dbo", "People", "ID", "int", "((1))"), col("other", "People", "id", "int identity", "((9))"),
       col("dbo", "People", "id", "int identity", "((2))"), col("dbo", "People", "Name", "nvarchar", "(N'x')")}};
  return s;
}

}  // namespace

TEST(MssTable, ColumnsOfOneNameInTwoCasesKeepTheirOwnDefaultsAndOnlyTheOwnersRowsCount) {
  ole_com_ptr<scripted_session> s = people(2, 2);
  mss_table table("[dbo].[People]", *s, 97);
  const udb_schema& schema = table.schema();
  EXPECT_EQ(schema.at(0).default_value.to_string(), "1");
  EXPECT_FALSE(schema.at(0).identity);
  EXPECT_EQ(schema.at(1).default_value.to_string(), "2");
  EXPECT_TRUE(schema.at(1).identity);
  EXPECT_EQ(schema.at(2).default_value.to_string(), "x");
}

TEST(MssTable, RowsDeletedAfterTheCountEndTheTableCleanly) {
  ole_com_ptr<scripted_session> s = people(9, 7);
  mss_table table("[dbo].[People]", *s, 97);
  EXPECT_EQ(table.record_count(), 9u);
  int read = 0;
  for (table.reset(); !table.is_eof(); table.next()) {
    udb_record& r = table.get_item();
    EXPECT_EQ(r.at(0).to_string(), std::to_string(read));
    EXPECT_EQ(r.at(1).vt(), VT_EMPTY);                  // a null stays a null
    EXPECT_EQ(r.at(2).vt(), VT_BSTR);                   // an empty text stays a text
    EXPECT_EQ(r.at(2).to_string(), read % 2 ? "" : "n");
    ++read;
  }
  EXPECT_EQ(read, 7);
  // Rows added after the count are not read.
  ole_com_ptr<scripted_session> more = people(3, 7);
  mss_table counted("[dbo].[People]", *more, 97);
  read = 0;
  for (counted.reset(); !counted.is_eof(); counted.next()) ++read;
  EXPECT_EQ(read, 3);
}

TEST(MssRecord, TextOfBinaryTypesKeepsItsBytesAndLongValuesComeWhole) {
  std::string big(2100000, 'q');
  big.back() = 'z';
  scripted_result r{{scripted_column("v", DBTYPE_VARIANT, 8000), scripted_column("t", DBTYPE_WSTR, 3),
                     scripted_column("b", DBTYPE_BYTES, 2)},
                    {}};
  oledb_row row = scripted_row({"hello", big});
  row.push_back(oledb_cell{false, std::string("\x01\x02\x03", 3)});
  r.rows.push_back(row);
  ole_com_ptr<IRowset> rowset(oledb_make_rowset(std::make_unique<oledb_buffered_source>(r.columns, r.rows)));
  odb_recordset reader(rowset.get());
  reader.reset();
  udb_record& rec = reader.get_item();
  ASSERT_EQ(rec.at(0).vt(), VT_BINARY);
  EXPECT_EQ(rec.at(0).to_string(), "0x68656C6C6F");
  EXPECT_EQ(rec.at(1).to_string(), big);
  EXPECT_EQ(rec.at(2).to_string(), "0x010203");
}

TEST(MssErrors, MessagesComeFromTheErrorRecords) {
  oledb_clear_error();
  EXPECT_EQ(odb_exception(E_FAIL).message(), "Unknown exception");
  oledb_fail({{E_FAIL, "", "", 0}, {DB_E_NOTABLE, "Invalid object name 'x'.", "42S02", 208}}, E_FAIL);
  odb_exception e(DB_E_NOTABLE);
  EXPECT_EQ(e.code(), 0x80E37);
  EXPECT_EQ(e.message(), "Invalid object name 'x'.");
  EXPECT_EQ(e.source(), "Microsoft OLE DB Provider for SQL Server");

  ole_com_ptr<scripted_session> s(new scripted_session);
  try {
    mss_table table("[nope]", *s, 33);
    FAIL();
  } catch (const odb_exception& error) {
    EXPECT_EQ(error.code(), 0x80E37);
    EXPECT_EQ(error.message(), "Invalid object name '[nope]'.");
  }
}
