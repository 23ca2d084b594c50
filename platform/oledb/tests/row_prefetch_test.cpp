// Rows read ahead on the prefetch thread, through the FreeTDS driver from
// the TDS test server: order, an early stop, and a server lost mid-result.
#include "platform/oledb/row_prefetch.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "testserver/cpp/tds_test_server.h"

namespace {

// A fixture with one generated table of `rows` rows: ID 1.., Name "n<ID>".
std::string numbered_fixture(long rows) {
  char path[] = "/tmp/quill-prefetch-XXXXXX.json";
  int fd = mkstemps(path, 5);
  if (fd < 0) return {};
  close(fd);
  std::ofstream(path) << R"json({"server": {"name": "T", "logins": {"quill": "Secret-1"}},
 "databases": [{"name": "Many", "tables": [{"owner": "dbo", "name": "Rows",
  "columns": [{"name": "ID", "type": "int", "nullable": false},
              {"name": "Name", "type": "varchar(20)", "nullable": false}],
  "generate": {"rows": )json" << rows << R"json(, "columns": {"ID": {"seq": 1}, "Name": {"format": "n{n}"}}}}]}]})json";
  return path;
}

// UTF-16 text cell bytes back to ASCII.
std::string ascii(const odbc::cell& c) {
  std::string s;
  for (std::size_t i = 0; i < c.bytes.size(); i += 2) s += c.bytes[i];
  return s;
}

struct reading {
  std::shared_ptr<odbc::connection> connection = std::make_shared<odbc::connection>();
  std::unique_ptr<odbc::statement> statement;
  const std::vector<odbc::fetch_kind> kinds{odbc::fetch_kind::text, odbc::fetch_kind::text};

  explicit reading(const quill_test::tds_test_server& server) {
    odbc::diagnostics diag;
    EXPECT_TRUE(connection->open(server.odbc_connection("Many"), 10, diag));
    statement = std::make_unique<odbc::statement>(connection);
    bool has_result = false;
    EXPECT_TRUE(statement->execute("SELECT * FROM [dbo].[Rows]", &has_result, diag));
    EXPECT_TRUE(has_result);
    EXPECT_TRUE(statement->bind_block(kinds, {24, 44}));
  }
};

// Reads rows while they come, each numbered one past the one before from
// `first`; answers how many.
long read_numbered(odbc::row_prefetch& ahead, long first, odbc::diagnostics& diag) {
  std::vector<odbc::cell> row;
  bool got = false;
  long n = 0;
  while (ahead.next(row, &got, diag) && got) {
    const std::string want = std::to_string(first + n);
    if (ascii(row[0]) != want || ascii(row[1]) != "n" + want) {
      ADD_FAILURE() << "row " << ascii(row[0]) << " where " << want << " was due";
      break;
    }
    ++n;
  }
  return n;
}

TEST(RowPrefetch, RowsInOrderAcrossBatchesAndAnEarlyStop) {
  const std::string fixture = numbered_fixture(3000);
  quill_test::tds_test_server server(fixture);
  {
    reading r(server);
    odbc::row_prefetch ahead(*r.statement, r.kinds);
    odbc::diagnostics diag;
    EXPECT_EQ(read_numbered(ahead, 1, diag), 3000);
    EXPECT_TRUE(diag.empty());
    std::vector<odbc::cell> row;
    bool got = true;
    EXPECT_TRUE(ahead.next(row, &got, diag));  // the end stays the end
    EXPECT_FALSE(got);
  }
  {
    // Stopped after a few rows while the thread waits for room: it ends,
    // and the statement serves a new query once its cursor is closed.
    reading r(server);
    auto ahead = std::make_unique<odbc::row_prefetch>(*r.statement, r.kinds);
    std::vector<odbc::cell> row;
    bool got = false;
    odbc::diagnostics diag;
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(ahead->next(row, &got, diag) && got);
    ahead.reset();
    r.statement->close_cursor();
    bool has_result = false;
    ASSERT_TRUE(r.statement->execute("SELECT COUNT(*) FROM [dbo].[Rows]", &has_result, diag));
    ASSERT_TRUE(r.statement->fetch({odbc::fetch_kind::text}, row, &got, diag) && got);
    EXPECT_EQ(ascii(row[0]), "3000");
  }
  std::remove(fixture.c_str());
}

TEST(RowPrefetch, AServerLostMidResultFailsAfterTheRowsBeforeIt) {
  const std::string fixture = numbered_fixture(2000000);
  quill_test::tds_test_server server(fixture);
  reading r(server);
  odbc::row_prefetch ahead(*r.statement, r.kinds);
  std::vector<odbc::cell> row;
  bool got = false;
  odbc::diagnostics diag;
  ASSERT_TRUE(ahead.next(row, &got, diag) && got);
  server.stop();
  const long n = 1 + read_numbered(ahead, 2, diag);
  EXPECT_LT(n, 2000000);
  ASSERT_FALSE(diag.empty());
  EXPECT_FALSE(diag.front().sqlstate.empty());
  odbc::diagnostics again;
  EXPECT_FALSE(ahead.next(row, &got, again));  // the failure stays
  EXPECT_EQ(again.front().sqlstate, diag.front().sqlstate);
  std::remove(fixture.c_str());
}

}  // namespace
