// A whole run whose source is the SQL Server side, reached through FreeTDS
// on the TDS test server; the destination is the in-memory double.
#include <gtest/gtest.h>

#include <sstream>

#include "MSS/mss_engine.h"
#include "MSS/tests/test_server.h"
#include "TK/tk_error_converter.h"
#include "convert/console_front_end.h"
#include "convert/conversion_run.h"
#include "convert/error_handler.h"
#include "convert/tests/doubles/memory_sides.h"

namespace {

// The source comes from the connected SQL Server engine.
class server_sides : public memory_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    return mss_engine::instance().open_db(name, udb_open_read_only);
  }
};

}  // namespace

TEST(SourceServerRun, EveryTableOfTheSourceReachesTheDestinationWithItsRows) {
  test_server server(std::string(QUILL_SOURCE_DIR) + "/MSS/tests/fixtures/source.json");
  ASSERT_TRUE(server.running());
  mss_engine engine;
  engine.connect(server.host(), "quill", "Se;cret=\"1'");

  std::ostringstream console;
  console_front_end front(console, console);
  error_handler handler(tk_oledb_message_count, tk_oledb_messages, front);
  udb_converter settings;
  settings.set_src("Source");
  settings.set_dest("/out/source.mdb");
  server_sides sides;
  conversion_run(settings, udb_format::access97, sides, handler, [] { return false; })();
  EXPECT_FALSE(settings.stopped());

  std::ostringstream tables;
  for (const auto& t : sides.file("/out/source.mdb").tables) {
    tables << t->name << ":" << t->rows.size() << ":" << t->schema.size() << ":" << t->indexes.size() << " ";
  }
  EXPECT_EQ(tables.str(),
            "AllTypes:3:32:0 Defaults:0:12:0 Keys:0:4:3 Long:3:5:0 Many:300:2:1 Order Details:1:2:0 "
            "Order_Details:1:1:0 Orders:1:2:0 Orders_:2:3:0 Odd_Name:1:1:1 ")
      << console.str();
}
