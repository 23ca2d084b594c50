// The provider's own logic: connection strings, the classic provider's
// column descriptions, the row buffer it fills and its HRESULTs.
#include <gtest/gtest.h>

#include <cstring>
#include <cstdlib>

#include "platform/oledb/connection_string.h"
#include "platform/oledb/odbc_link.h"
#include "platform/oledb/rowset.h"

TEST(OledbConnectionString, TheThreeFormsAndQuotedValues) {
  auto s = oledb_parse_connection_string(
      "Provider=sqloledb;Data Source=db1,1500;Initial Catalog=Sales;User ID=u;Password=\"p;w=\"\"d\";");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->provider, "sqloledb");
  EXPECT_EQ(s->data_source, "db1,1500");
  EXPECT_EQ(s->initial_catalog, "Sales");
  EXPECT_EQ(s->user, "u");
  EXPECT_EQ(s->password, "p;w=\"d");
  EXPECT_FALSE(s->integrated_security);
  s = oledb_parse_connection_string("Provider=sqloledb;Data Source=;Integrated Security=SSPI;");
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->integrated_security);
  EXPECT_EQ(s->data_source, "");
  s = oledb_parse_connection_string("provider = SQLOLEDB ; data source=h\\inst;user id='it''s';PASSWORD=' x ';"
                                    "Use Encryption for Data=True;Connect Timeout=3");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->data_source, "h\\inst");
  EXPECT_EQ(s->user, "it's");
  EXPECT_EQ(s->password, " x ");
  EXPECT_TRUE(s->encrypt);
  EXPECT_EQ(s->login_timeout_seconds, 3);
  for (const char* bad : {"Password=\"open", "Provider", "Password='a'b;"})
    EXPECT_FALSE(oledb_parse_connection_string(bad)) << bad;
}

TEST(OledbConnectionString, OdbcStringsForFreeTdsAndOtherDrivers) {
  unsetenv("QUILL_TDS_VERSION");
  oledb_connection_settings s;
  s.data_source = "db1,1500";
  s.initial_catalog = "Sales";
  s.user = "u";
  s.password = "p;}x";
  const std::string tds = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";
  EXPECT_EQ(oledb_odbc_connection_string(s, tds),
            "DRIVER=" + tds + ";SERVER=db1;PORT=1500;TDS_Version=7.4;ClientCharset=UTF-8;DATABASE=Sales;UID=u;"
            "PWD={p;}}x};Encryption=off;");
  EXPECT_EQ(oledb_mask_password(oledb_odbc_connection_string(s, tds)).find("p;"), std::string::npos);
  s.data_source = "";
  s.integrated_security = true;
  s.encrypt = true;
  EXPECT_EQ(oledb_odbc_connection_string(s, "ODBC Driver 18 for SQL Server"),
            "DRIVER=ODBC Driver 18 for SQL Server;SERVER=127.0.0.1;DATABASE=Sales;Trusted_Connection=Yes;Encrypt=yes;");
  s.data_source = "host\\inst";
  EXPECT_NE(oledb_odbc_connection_string(s, tds).find("SERVER=host\\inst;"), std::string::npos);
}

TEST(OledbColumns, TheClassicProvidersTypesAndSizes) {
  struct {
    short sql_type;
    unsigned long size;
    const char* type_name;
    DBTYPE type;
    DBLENGTH reported;
  } cases[] = {
      {odbc::t_type_timestamp, 23, "datetime", DBTYPE_DBTIMESTAMP, 16},
      {odbc::t_type_timestamp, 27, "datetime2", DBTYPE_WSTR, 27},
      {odbc::t_decimal, 19, "money", DBTYPE_CY, 8},
      {odbc::t_decimal, 10, "decimal", DBTYPE_NUMERIC, 19},
      {odbc::t_bit, 1, "bit", DBTYPE_BOOL, 2},
      {odbc::t_tinyint, 3, "tinyint", DBTYPE_UI1, 1},
      {odbc::t_guid, 36, "uniqueidentifier", DBTYPE_GUID, 16},
      {odbc::t_longvarbinary, 2147483647, "image", DBTYPE_BYTES, 2147483647},
      {odbc::t_binary, 8, "timestamp", DBTYPE_BYTES, 8},
      {odbc::t_varchar, 0, "varchar", DBTYPE_STR, 2147483647},
      {odbc::t_wvarchar, 4294967295ul, "nvarchar", DBTYPE_WSTR, 2147483647},
      {odbc::t_ss_xml, 0, "xml", DBTYPE_WSTR, 2147483647},
      {odbc::t_type_date, 10, "date", DBTYPE_WSTR, 10},
      {odbc::t_ss_time2, 16, "time", DBTYPE_WSTR, 16},
      {odbc::t_ss_timestampoffset, 34, "datetimeoffset", DBTYPE_WSTR, 34},
  };
  for (const auto& c : cases) {
    oledb_column col = oledb_describe({"c", c.sql_type, c.size, 0, false, c.type_name});
    EXPECT_EQ(col.type, c.type) << c.type_name;
    EXPECT_EQ(col.size, c.reported) << c.type_name;
    EXPECT_TRUE(col.flags & DBCOLUMNFLAGS_ISNULLABLE) << c.type_name;  // unknown counts as nullable
  }
  EXPECT_FALSE(oledb_describe({"c", odbc::t_integer, 10, 0, true, "int"}).flags & DBCOLUMNFLAGS_ISNULLABLE);
}

// Bounded columns are fetched in blocks with room for their longest
// value; long and very wide ones are read whole, a row at a time.
TEST(OledbColumns, BlockWidthsHoldTheLongestValue) {
  struct {
    short sql_type;
    unsigned long size;
    const char* type_name;
    std::size_t width;
  } cases[] = {
      {odbc::t_integer, 10, "int", 130},         {odbc::t_double, 15, "float", 130},
      {odbc::t_decimal, 38, "decimal", 130},     {odbc::t_varchar, 40, "varchar", 130},
      {odbc::t_wvarchar, 4000, "nvarchar", 8002}, {odbc::t_varchar, 8000, "varchar", 0},
      {odbc::t_varbinary, 8000, "varbinary", 8000}, {odbc::t_binary, 8, "timestamp", 8},
      {odbc::t_longvarchar, 2147483647, "text", 0}, {odbc::t_longvarbinary, 2147483647, "image", 0},
      {odbc::t_wvarchar, 0, "nvarchar", 0},      {odbc::t_ss_variant, 8000, "sql_variant", 0},
      {-151, 892, "hierarchyid", 0},  // a user-defined type's text may pass its size
  };
  for (const auto& c : cases) {
    oledb_column col = oledb_describe({"c", c.sql_type, c.size, 0, false, c.type_name});
    EXPECT_EQ(oledb_block_width(col), c.width) << c.type_name << " " << c.size;
  }
}

TEST(OledbRowset, FillsTheCallersSlotsWithStatusLengthAndValue) {
  oledb_column text;
  text.name = "t";
  text.type = DBTYPE_WSTR;
  text.size = 3;
  oledb_column bytes = text;
  bytes.name = "b";
  bytes.type = DBTYPE_BYTES;
  std::vector<oledb_row> rows = {{oledb_text_cell("abcdef"), oledb_cell{false, "\x01\x02\x03"}},
                                 {oledb_cell{}, oledb_cell{false, ""}}};
  IRowset* rowset = oledb_make_rowset(std::make_unique<oledb_buffered_source>(std::vector<oledb_column>{text, bytes}, rows));
  IAccessor* accessor = nullptr;
  ASSERT_EQ(rowset->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
  DBBINDING b[3] = {};
  for (int i = 0; i < 3; ++i) {
    b[i].iOrdinal = i < 2 ? i + 1 : 1;
    b[i].obStatus = i * 24;
    b[i].obLength = i * 24 + 4;
    b[i].obValue = i * 24 + 8;
    b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b[i].cbMaxLen = 8;
    b[i].wType = i == 1 ? DBTYPE_BYTES : DBTYPE_WSTR;
  }
  b[2].cbMaxLen = 16;
  HACCESSOR handle = 0;
  DBBINDSTATUS status[3];
  ASSERT_EQ(accessor->CreateAccessor(DBACCESSOR_ROWDATA, 3, b, 0, &handle, status), S_OK);
  HROW held[5];
  HROW* rows_out = held;
  DBCOUNTITEM got = 0;
  EXPECT_EQ(rowset->GetNextRows(DB_NULL_HCHAPTER, 0, 5, &got, &rows_out), DB_S_ENDOFROWSET);
  ASSERT_EQ(got, 2u);
  unsigned char buffer[72] = {};
  EXPECT_EQ(rowset->GetData(held[0], handle, buffer), DB_S_ERRORSOCCURRED);
  auto word = [&](int at) {
    DWORD v;
    std::memcpy(&v, buffer + at, 4);
    return v;
  };
  EXPECT_EQ(word(0), DBSTATUS_S_TRUNCATED);  // six characters in a slot of three
  EXPECT_EQ(word(4), 12u);                   // the whole length, in bytes
  EXPECT_EQ(std::memcmp(buffer + 8, "a\0b\0c\0\0\0", 8), 0);
  EXPECT_EQ(word(24), DBSTATUS_S_OK);
  EXPECT_EQ(word(28), 3u);
  EXPECT_EQ(word(48), DBSTATUS_S_OK);        // the same column again, in a larger slot
  EXPECT_EQ(std::memcmp(buffer + 56, "a\0b\0c\0d\0e\0f\0\0\0", 14), 0);
  EXPECT_EQ(rowset->GetData(held[1], handle, buffer), S_OK);
  EXPECT_EQ(word(0), DBSTATUS_S_ISNULL);
  EXPECT_EQ(word(24), DBSTATUS_S_OK);
  EXPECT_EQ(word(28), 0u);
  EXPECT_EQ(rowset->ReleaseRows(2, held, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(rowset->GetData(held[0], handle, buffer), DB_E_BADROWHANDLE);
  EXPECT_EQ(rowset->RestartPosition(DB_NULL_HCHAPTER), S_OK);
  EXPECT_EQ(rowset->GetNextRows(DB_NULL_HCHAPTER, 0, 5, &got, &rows_out), DB_S_ENDOFROWSET);
  EXPECT_EQ(got, 2u);
  accessor->ReleaseAccessor(handle, nullptr);
  accessor->Release();
  rowset->Release();
}

// Released rows lend their storage to rows read later: every row must still
// read as itself, whatever order rows go back in, and a released handle
// must stay released.
TEST(OledbRowset, RowsReleasedInAnyOrderLeaveTheOthersIntact) {
  oledb_column text;
  text.name = "t";
  text.type = DBTYPE_WSTR;
  text.size = 20;
  std::vector<oledb_row> rows;
  for (int i = 0; i < 60; ++i) {
    oledb_row row = {i % 3 == 0 ? oledb_cell{} : oledb_text_cell("row " + std::to_string(i) + std::string(i % 7, 'x'))};
    rows.push_back(row);
  }
  IRowset* rowset = oledb_make_rowset(std::make_unique<oledb_buffered_source>(std::vector<oledb_column>{text}, rows));
  IAccessor* accessor = nullptr;
  ASSERT_EQ(rowset->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
  DBBINDING b = {};
  b.iOrdinal = 1;
  b.obStatus = 0;
  b.obLength = 4;
  b.obValue = 8;
  b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
  b.cbMaxLen = 64;
  b.wType = DBTYPE_WSTR;
  HACCESSOR handle = 0;
  DBBINDSTATUS status = 0;
  ASSERT_EQ(accessor->CreateAccessor(DBACCESSOR_ROWDATA, 1, &b, 0, &handle, &status), S_OK);
  auto read = [&](HROW row) -> std::string {
    unsigned char buffer[72] = {};
    if (FAILED(rowset->GetData(row, handle, buffer))) return "(bad handle)";
    DWORD cell_status = 0, length = 0;
    std::memcpy(&cell_status, buffer, 4);
    std::memcpy(&length, buffer + 4, 4);
    if (cell_status == DBSTATUS_S_ISNULL) return "(null)";
    std::string narrow;
    for (DWORD k = 0; k < length; k += 2) narrow += static_cast<char>(buffer[8 + k]);
    return narrow;
  };
  auto expected = [&](int i) -> std::string {
    return i % 3 == 0 ? "(null)" : "row " + std::to_string(i) + std::string(i % 7, 'x');
  };
  int next = 0;
  std::vector<std::pair<HROW, int>> kept;  // rows held back, with their number
  for (int round = 0; next < 60; ++round) {
    HROW held[7];
    HROW* out = held;
    DBCOUNTITEM got = 0;
    ASSERT_TRUE(SUCCEEDED(rowset->GetNextRows(DB_NULL_HCHAPTER, 0, 7, &got, &out)));
    for (DBCOUNTITEM k = 0; k < got; ++k) EXPECT_EQ(read(held[k]), expected(next + static_cast<int>(k)));
    // Last first, one row of each round kept back until the end, and one
    // released twice.
    for (DBCOUNTITEM k = got; k-- > 0;) {
      if (k == 1) {
        kept.emplace_back(held[k], next + 1);
        continue;
      }
      EXPECT_EQ(rowset->ReleaseRows(1, &held[k], nullptr, nullptr, nullptr), S_OK);
      EXPECT_EQ(read(held[k]), "(bad handle)");
    }
    EXPECT_EQ(rowset->ReleaseRows(1, &held[0], nullptr, nullptr, nullptr), S_OK);
    next += static_cast<int>(got);
  }
  for (const auto& [row, i] : kept) EXPECT_EQ(read(row), expected(i));
  EXPECT_EQ(read(0), "(bad handle)");
  EXPECT_EQ(read(1000), "(bad handle)");
  accessor->ReleaseAccessor(handle, nullptr);
  accessor->Release();
  rowset->Release();
}

TEST(OledbErrors, NativeErrorFirstThenTheSqlStateClass) {
  struct {
    const char* state;
    LONG native;
    HRESULT hr;
  } cases[] = {{"28000", 18456, DB_SEC_E_AUTH_FAILED}, {"42000", 4060, E_FAIL},   {"08001", 20009, E_FAIL},
               {"42S02", 208, DB_E_NOTABLE},           {"42000", 102, DB_E_ERRORSINCOMMAND},
               {"42000", 999, DB_E_ERRORSINCOMMAND},   {"28000", 0, DB_SEC_E_AUTH_FAILED},
               {"23000", 2627, DB_E_INTEGRITYVIOLATION}, {"HY000", 0, E_FAIL}};
  for (const auto& c : cases) EXPECT_EQ(oledb_hresult_for(c.state, c.native), c.hr) << c.state << " " << c.native;
  EXPECT_EQ(oledb_strip_driver_tags("[FreeTDS][SQL Server]Login failed"), "Login failed");
  EXPECT_EQ(oledb_cell_text(oledb_text_cell("a\xff" "b")), "a\xEF\xBF\xBD" "b");
}
