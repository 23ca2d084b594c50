// The SQL Server side through the FreeTDS driver against the TDS test
// server (testserver/), with the fixture fixtures/source.json.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "MSS/mss_engine.h"
#include "MSS/mss_table.h"
#include "MSS/odb_database.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_text.h"
#include "MSS/tests/test_server.h"
#include "TK/tk_trace.h"

namespace {

const std::string password = "Se;cret=\"1'";

class MssServer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new test_server(std::string(QUILL_SOURCE_DIR) + "/MSS/tests/fixtures/source.json");
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(server_->running());
    engine_.connect(server_->host(), "quill", password);
  }
  std::unique_ptr<udb_database> open() { return engine_.open_db("Source", udb_open_read_only); }

  // Every row of a table as "v|v|...", nulls as "<null>".
  static std::vector<std::string> rows_of(udb_recordset& table) {
    std::vector<std::string> rows;
    for (table.reset(); !table.is_eof(); table.next()) {
      udb_record& r = table.get_item();
      std::string line;
      for (std::size_t i = 0; i < r.size(); ++i) {
        if (i > 0) line += "|";
        line += r.at(i).vt() == VT_EMPTY ? "<null>" : r.at(i).to_string();
      }
      rows.push_back(line);
    }
    return rows;
  }

  static test_server* server_;
  mss_engine engine_;
};

test_server* MssServer::server_ = nullptr;

int code_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const odb_exception& e) {
    return e.code();
  }
  return 0;
}

}  // namespace

TEST_F(MssServer, LoginsAndDatabases) {
  EXPECT_EQ(engine_.version(), mss_version_2000);
  EXPECT_EQ(engine_.get_contents(), (std::vector<std::string>{"Empty", "master", "model", "msdb", "Source", "tempdb"}));
  EXPECT_TRUE(engine_.is_db_exist("Source"));
  EXPECT_FALSE(engine_.is_db_exist("Nowhere"));

  // Refusals keep the settings of the last good connect.
  mss_engine& engine = engine_;
  std::string host = server_->host();
  EXPECT_EQ(code_of([&] { engine.connect(host, "quill", "wrong"); }), 0x80E4D);
  EXPECT_EQ(code_of([&] { engine.connect(host, "nobody", password); }), 0x80E4D);
  EXPECT_EQ(code_of([&] { engine.connect("127.0.0.1,1", "quill", password); }), 0x84005);
  EXPECT_EQ(code_of([&] { engine.open_db("Nowhere", 1); }), 0x84005);
  EXPECT_EQ(engine_.user(), "quill");
  EXPECT_TRUE(engine_.is_db_exist("Empty"));
  EXPECT_TRUE(open()->table_names().size() > 0);
  EXPECT_TRUE(engine_.open_db("Empty", 1)->table_names().empty());
}

TEST(MssServerVersions, EachServerClassIsRecognised) {
  struct {
    const char* text;
    int code;
  } cases[] = {
      {"Microsoft SQL Server  2000 - 8.00.194 (Intel X86)", mss_version_2000},
      {"Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)", mss_version_7},
      {"Microsoft SQL Server 2005 - 9.00.1399.06 (Intel X86)", mss_version_other},
  };
  for (const auto& c : cases) {
    test_server server("small.json", std::string("--version-text '") + c.text + "'");
    ASSERT_TRUE(server.running());
    mss_engine engine;
    engine.connect(server.host(), "quill", "Secret-1");
    EXPECT_EQ(engine.version(), c.code) << c.text;
  }
}

TEST_F(MssServer, TablesWithOwnersAndBothOwnersOfOneName) {
  auto db = open();
  auto* mss = dynamic_cast<mss_database*>(db.get());
  ASSERT_NE(mss, nullptr);
  std::vector<std::string> listed;
  for (std::size_t i = 0; i < db->table_names().size(); ++i) listed.push_back(mss->owners()[i] + "." + db->table_names()[i]);
  EXPECT_EQ(listed, (std::vector<std::string>{"dbo.AllTypes", "dbo.Defaults", "dbo.Keys", "dbo.Long", "dbo.Many",
                                              "dbo.Order Details", "dbo.Order_Details", "dbo.Orders",
                                              "sales.Orders", "we]ird.Odd]Name"}));
  // Each Orders once, from its own owner.
  auto first = db->get_table("Orders", 33);
  auto second = db->get_table("orders", 33);
  EXPECT_EQ(rows_of(*first), (std::vector<std::string>{"1|dbo"}));
  EXPECT_EQ(rows_of(*second), (std::vector<std::string>{"1|sales|5", "2|sales|6"}));
  // A "]" in owner and table reaches the server doubled.
  auto odd = db->get_table("Odd]Name", 33);
  EXPECT_EQ(rows_of(*odd), (std::vector<std::string>{"42"}));
  ASSERT_EQ(odd->indexes().size(), 1u);
  EXPECT_EQ(odd->indexes().at(0).name, "PK_Odd");
  EXPECT_NE(server_->requests().find("SELECT COUNT(*) FROM [we]]ird].[Odd]]Name]"), std::string::npos);
}

TEST_F(MssServer, EverySqlServerTypeAsTheClassicProviderGivesIt) {
  auto db = open();
  auto table = db->get_table("AllTypes", 33);
  // name vartype size reserved
  const char* expected[] = {
      "ti 17 1 0", "si 2 2 0", "i 3 4 0", "bi 20 8 0", "b 11 2 0", "r 4 4 0", "f 5 8 0", "m 6 8 0",
      "sm 6 8 0", "d 14 19 2562", "n 14 19 4612", "dt 7 16 1", "sdt 7 16 1", "c 8 5 0", "vc 8 20 0",
      "nc 8 5 0", "nvc 8 20 0", "t 8 2147483647 0", "nt 8 2147483647 0", "bin 65 0 5", "vb 65 0 5",
      "img 65 0 5", "g 8 38 0", "ts 65 0 5", "da 8 10 0", "tm 8 16 0", "dt2 8 27 0", "dto 8 34 0",
      "x 8 2147483647 0", "vcm 8 2147483647 0", "nvcm 8 2147483647 0", "vbm 65 0 5"};
  const udb_schema& schema = table->schema();
  ASSERT_EQ(schema.size(), std::size(expected));
  for (std::size_t i = 0; i < schema.size(); ++i) {
    const t_ftd& f = schema.at(i);
    EXPECT_EQ(f.name + " " + std::to_string(f.vartype) + " " + std::to_string(f.size) + " " + std::to_string(f.reserved),
              expected[i]);
  }
  std::vector<std::string> rows = rows_of(*table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0],
            "255|-32768|2147483647|-9223372036854775808|1|1.500000e+000|2.250000000000000e+000|922337203685477.5807|"
            "-214748.3648|12345678.9|"
            "-12345678901234.5678|2004-05-06 07:08:09|2004-05-06 07:08:00|ab   |hello|äb   |Grüße|long text|ntext ö|"
            "0x01020304|0x0A0B|0xFFD8FF|{6F9619FF-8B86-D011-B42D-00C04FC964FF}|0x0000000000000007|2004-05-06|"
            "14:30:00.1234560|2004-05-06 07:08:09.1234560|2004-05-06 07:08:09.1234560 +02:00|<a>b</a>|max text|"
            "max ntext|0xCAFE");
  EXPECT_EQ(rows[1], "<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|"
                     "<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|0x0000000000000008|"
                     "<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>");
  // Empty strings stay empty strings; a midnight on day zero is a time.
  EXPECT_EQ(rows[2], "0|0|0|0|0|0.000000e+000|0.000000000000000e+000|0|0|0|0|00:00:00|1900-01-01|     ||     ||||"
                     "0x00000000|||{00000000-0000-0000-0000-000000000000}|0x0000000000000009|0001-01-01|"
                     "00:00:00.0000000|0001-01-01 00:00:00.0000000|0001-01-01 00:00:00.0000000 +00:00||||");
  // The types are the values' own: an empty binary stays binary, not null.
  table->reset();
  table->next();
  table->next();
  EXPECT_EQ(table->get_item().at(4).vt(), VT_BOOL);
  EXPECT_EQ(table->get_item().at(20).vt(), VT_BINARY);
  EXPECT_EQ(table->get_item().at(14).vt(), VT_BSTR);
}

// 300 rows span three blocks of the driver's row arrays: each row comes
// once, in order, and a reset in the middle of a block starts over.
TEST_F(MssServer, RowsComeFiveAtATimeAndResetStartsOver) {
  auto db = open();
  auto table = db->get_table("Many", 33);
  EXPECT_EQ(table->record_count(), 300u);
  std::vector<std::string> rows = rows_of(*table);
  ASSERT_EQ(rows.size(), 300u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    ASSERT_EQ(rows[i], n + "|row " + n);
  }
  table->reset();
  for (int i = 0; i < 200; ++i) table->next();
  EXPECT_EQ(table->get_item().at(0).to_string(), "201");
  table->reset();
  table->next();
  table->reset();
  table->reset();
  EXPECT_EQ(table->get_item().at(0).to_string(), "1");
  auto query = db->query("SELECT COUNT(*) FROM [Many]");
  EXPECT_TRUE(query->is_eof());  // nothing before reset
  query->reset();
  EXPECT_EQ(query->get_item().at(0).to_string(), "300");
}

TEST_F(MssServer, LongValuesArriveWhole) {
  auto db = open();
  auto table = db->get_table("Long", 33);
  table->reset();
  udb_record& r = table->get_item();
  std::string body = r.at(1).to_string();
  ASSERT_EQ(body.size(), 2500000u);
  EXPECT_EQ(body.substr(2499990), "abcdefghij");
  ASSERT_EQ(r.at(2).vt(), VT_BINARY);
  EXPECT_EQ(r.at(2).variant().parray->rgsabound[0].cElements, 2100000u);
  std::string wide = r.at(3).to_string();
  EXPECT_EQ(odb_char_count(wide), 1100000u);
  EXPECT_EQ(r.at(4).to_string(), "tail");
  table->next();
  EXPECT_EQ(table->get_item().at(1).to_string(), "small");
  table->next();
  EXPECT_EQ(table->get_item().at(1).vt(), VT_EMPTY);
  table->next();
  EXPECT_TRUE(table->is_eof());
}

TEST_F(MssServer, DefaultsAndIdentity) {
  auto db = open();
  auto table = db->get_table("Defaults", 97);
  const udb_schema& s = table->schema();
  auto def = [&](const char* name) {
    const ole_variant& v = s.find_field(name).default_value;
    return v.vt() == VT_EMPTY ? std::string("<none>") : v.to_string();
  };
  EXPECT_TRUE(s.find_field("id").identity);
  EXPECT_FALSE(s.find_field("zero").identity);
  EXPECT_EQ(def("hello_n"), "Hello");
  EXPECT_EQ(def("hello"), "Hello");
  EXPECT_EQ(def("flag"), "Y");
  EXPECT_EQ(def("quote"), "O'Brien");
  EXPECT_EQ(def("too_long"), "<none>");
  EXPECT_EQ(def("zero"), "0");
  EXPECT_EQ(def("on"), "1");
  EXPECT_EQ(def("now"), "<none>");
  EXPECT_EQ(def("day"), "2004-01-01");
  EXPECT_EQ(s.find_field("blank").default_value.vt(), VT_BSTR);
  EXPECT_EQ(def("price"), "1.5");
  EXPECT_TRUE(table->indexes().empty());  // flags 97 skip them
}

TEST_F(MssServer, TablesWhoseNamesAreLikePatternsOfEachOther) {
  auto db = open();
  auto details = db->get_table("Order Details", 33);
  ASSERT_EQ(details->schema().size(), 2u);
  EXPECT_EQ(details->schema().at(1).default_value.to_string(), "7");
  auto underscored = db->get_table("Order_Details", 33);
  ASSERT_EQ(underscored->schema().size(), 1u);
  EXPECT_EQ(underscored->schema().at(0).default_value.to_string(), "X");
  EXPECT_EQ(rows_of(*underscored), (std::vector<std::string>{"one"}));
}

TEST_F(MssServer, PrimaryKeyFirstThenIndexesInKeyOrder) {
  auto db = open();
  auto table = db->get_table("Keys", 33);
  std::vector<std::string> found;
  for (std::size_t i = 0; i < table->indexes().size(); ++i) {
    const udb_index& x = table->indexes().at(i);
    std::string line = x.name + (x.unique ? " unique" : "") + (x.primary ? " primary" : "") + ":";
    for (const auto& f : x.field_names) line += " " + f;
    found.push_back(line);
  }
  EXPECT_EQ(found, (std::vector<std::string>{"PK_Keys unique primary: b a", "IX_cd unique: d c", "IX_c: c"}));
}

TEST_F(MssServer, ServerErrorsKeepTheirMessages) {
  auto db = open();
  try {
    db->query("SELECT * FROM Nope");
    FAIL();
  } catch (const odb_exception& e) {
    EXPECT_EQ(e.code(), 0x80E37);
    EXPECT_EQ(e.message(), "Invalid object name 'Nope'.");
  }
  EXPECT_EQ(code_of([&] { db->query("SELEC 1"); }), 0x80E14);
}

TEST_F(MssServer, ThePasswordNeverReachesTheTrace) {
  std::string file = ::testing::TempDir() + "mss_trace.txt";
  {
    tk_trace_sink sink(file);
    mss_engine& engine = engine_;
    engine.connect(server_->host(), "quill", password);
    open();
    code_of([&] { engine.connect(server_->host(), "quill", "Wrong;Pass"); });
  }
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("mss_engine::connect("), std::string::npos);
  EXPECT_EQ(text.str().find("cret"), std::string::npos);
  EXPECT_EQ(text.str().find("Wrong"), std::string::npos);
  std::remove(file.c_str());
}
