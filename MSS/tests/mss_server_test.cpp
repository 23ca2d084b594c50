// The SQL Server side through the FreeTDS driver against the TDS test
// server: connection, version, catalog, schema, keys and rows.
#include <gtest/gtest.h>

#include "MSS/mss_engine.h"
#include "MSS/odb_database.h"
#include "MSS/odb_exception.h"
#include "MSS/tests/test_server.h"

TEST(MssServer, Smoke) {
  test_server server("small.json");
  ASSERT_TRUE(server.running());
  mss_engine engine;
  engine.connect(server.host(), "quill", "Secret-1");
  EXPECT_EQ(engine.get_contents().size(), 5u);
  auto db = engine.open_db("Small", 1);
  ASSERT_EQ(db->table_names().size(), 1u);
  auto table = db->get_table("People", 33);
  EXPECT_EQ(table->record_count(), 3u);
  for (table->reset(); !table->is_eof(); table->next()) {
    auto& r = table->get_item();
    std::string line;
    for (size_t i = 0; i < r.size(); ++i) line += r.at(i).to_string() + "|";
    std::printf("%s\n", line.c_str());
  }
  std::printf("%s\n", server.requests().c_str());
}
