// The driver's landmarks in the trace file, as support reads them after a
// run: how many tables the source had, the names generated for tables
// that Access would refuse, and each table's start.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "TK/tk_trace.h"
#include "convert/console_front_end.h"
#include "convert/conversion_run.h"
#include "convert/tests/doubles/memory_sides.h"

namespace {

// The wizard's way with the table list: it converts what it was given.
class wizard_console : public console_front_end {
 public:
  using console_front_end::console_front_end;
  bool converts_all_tables_when_none_listed() const override { return false; }
};

class ConversionTrace : public testing::Test {
 protected:
  void SetUp() override {
    if (tk_trace_sink::active()) GTEST_SKIP() << "QUILL_TRACE installed a sink";
    file_ = testing::TempDir() + "quill_run_trace_" + std::to_string(::getpid()) + ".txt";
  }
  void TearDown() override { std::remove(file_.c_str()); }

  // Runs `settings` against `sides` with a trace sink of levels 2 and 3;
  // answers the console text and keeps the trace lines.
  std::string run(conversion_front_end& front, std::ostringstream& console, udb_converter& settings,
                  memory_sides& sides) {
    tk_trace_sink sink(file_, 2, true, false);
    error_handler handler(tk_oledb_message_count, tk_oledb_messages, front);
    conversion_run(settings, 1, sides, handler, [] { return false; })();
    std::ifstream in(file_);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
    return console.str();
  }

  // True when `expected` are among the trace lines, in this order.
  bool traced_in_order(const std::vector<std::string>& expected) const {
    std::size_t next = 0;
    for (const std::string& line : lines_) {
      if (next < expected.size() && line == expected[next]) ++next;
    }
    return next == expected.size();
  }
  std::size_t count(const std::string& line) const { return std::count(lines_.begin(), lines_.end(), line); }

  std::string file_;
  std::vector<std::string> lines_;
};

TEST_F(ConversionTrace, TheWizardsEmptyListOpensBothDatabasesAndConvertsNothing) {
  std::ostringstream console;
  wizard_console front(console, console);
  memory_sides sides;
  sides.source("Shop").add(memory_int_table("Orders", 2));
  udb_converter settings;
  settings.set_src("Shop");
  settings.set_dest("/out/shop.mdb");
  EXPECT_EQ(run(front, console, settings, sides), "Converting database Shop (0 tables)\n");
  EXPECT_TRUE(traced_in_order({"quillmere_convertor::operator()", "init_conversion::ctor",
                               "Source database has 0 table(s)", "init_conversion::dtor"}));
  EXPECT_EQ(sides.source("Shop").log, std::vector<std::string>{});  // no table opened
  EXPECT_TRUE(sides.file("/out/shop.mdb").names().empty());
  EXPECT_TRUE(settings.tables().empty());
  EXPECT_TRUE(settings.finished());
}

TEST_F(ConversionTrace, AGeneratedTableNameIsTracedOnce) {
  std::ostringstream console;
  console_front_end front(console, console);
  memory_sides sides;
  sides.source("Shop").add(memory_int_table("dbo.x.y", 1));
  sides.source("Shop").add(memory_int_table("Orders", 2));
  udb_converter settings;
  settings.set_src("Shop");
  settings.set_dest("/out/shop.mdb");
  settings.set_tables({"dbo.x.y", "Orders"});
  run(front, console, settings, sides);
  EXPECT_TRUE(traced_in_order({"Source database has 2 table(s)", "Store generated table name 'dbo_x_y'",
                               "Table structure has been written", "Converting table dbo.x.y (1 records)",
                               "Table structure has been written", "Converting table Orders (2 records)"}));
  EXPECT_EQ(count("Store generated table name 'dbo_x_y'"), 1u);
  EXPECT_EQ(sides.file("/out/shop.mdb").names(), (std::vector<std::string>{"dbo_x_y", "Orders"}));
}

}  // namespace
