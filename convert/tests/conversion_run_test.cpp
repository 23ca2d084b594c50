// Whole conversion runs against the in-memory sides, checked by the console
// lines the user reads, by what the destination holds, by the progress
// counters and by the trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "TK/tk_thread.h"
#include "TK/tk_trace.h"
#include "convert/console_front_end.h"
#include "convert/conversion_run.h"
#include "convert/quillmere_convertor.h"
#include "convert/tests/doubles/memory_sides.h"

namespace {

constexpr char dest_path[] = "/out/shop.mdb";

// The agent's console; as the wizard it converts only the listed tables.
// It answers a recoverable error as the user would.
class test_console : public console_front_end {
 public:
  using console_front_end::console_front_end;
  void run_started() override { ++runs; }
  bool converts_all_tables_when_none_listed() const override { return !wizard; }
  continue_answer ask_continue(const std::string&) override { return answer; }
  bool wizard = false;
  continue_answer answer;
  int runs = 0;
};

// One run's objects; the source "Shop" holds `tables`, listed for the run,
// of `rows` records each.
struct world {
  explicit world(const std::vector<std::string>& tables = {}, std::size_t rows = 2) {
    handler.load_err_map(tk_dao_message_count, tk_dao_messages);
    settings.set_src("Shop");
    settings.set_dest(dest_path);
    settings.set_tables(tables);
    for (const std::string& name : tables) source().add(memory_int_table(name, rows));
  }
  // Runs once and answers the console; the stop request answers true from
  // the check after `stop_at` on.
  std::string run(int32_t format = quillmere_format_access2000, int stop_at = -1) {
    int checks = 0, runs = front.runs;
    conversion_run(settings, udb_format_from_number(format), sides, handler, [&] { return stop_at >= 0 && ++checks > stop_at; })();
    EXPECT_TRUE(settings.finished());
    EXPECT_EQ(front.runs, runs + 1);  // the wizard starts its progress timer
    return console.str();
  }
  memory_store& source() { return sides.source("Shop"); }
  memory_store& dest() { return sides.file(dest_path); }
  // The destination's tables with the first value of each row, then how the
  // run ended, its counters and the error context.
  std::string outcome() {
    std::ostringstream text;
    for (const auto& table : dest().tables) {
      text << table->name << ":";
      for (const auto& row : table->rows) text << ' ' << row[0].to_long();
      text << "; ";
    }
    text << (settings.stopped() ? "stopped" : "done") << (handler.stopped() ? " by the handler" : "") << ", table "
         << settings.current_table_index() << " of " << settings.table_count() << " (" << settings.current_table()
         << "), record " << settings.current_record() << " of " << settings.records_in_table() << ", context '"
         << handler.context() << "'";
    return text.str();
  }

  std::ostringstream console;  // standard output and error, in writing order
  test_console front{console, console};
  error_handler handler{tk_oledb_message_count, tk_oledb_messages, front};
  udb_converter settings;
  memory_sides sides;
};

TEST(ConversionRun, EveryModeAgainstADestinationThatHasOrLacksTheTableWithTheSwitches) {
  struct {
    int mode;
    bool dest_has_table, skip_idx, tab_def;
    int32_t format;
    udb_format engine;  // a new file takes the chosen format, an existing one keeps its own (Access 2000)
    const char* calls_and_tables;
    const char* records;
  } cases[] = {
      {0, false, false, false, quillmere_format_access97, udb_format::access97,
       "get_table Orders 0x21; create_table Orders indexes=1; Orders: 1 2 3; ", "3 of 3"},
      {0, true, true, false, 7, udb_format::access2000,  // the file is made anew
       "get_table Orders 0x61; create_table Orders indexes=0; Orders: 1 2 3; ", "3 of 3"},
      {1, false, false, true, 0, udb_format::access2000,
       "get_table Orders 0x21; create_table Orders indexes=1; Orders:; ", "0 of 3"},
      {1, true, true, true, 0, udb_format::access2000,
       "get_table Orders 0x61; delete_tab Orders; create_table Orders indexes=0; Orders:; ", "0 of 3"},
      {2, false, false, false, 0, udb_format::access2000,
       "get_table Orders 0x21; create_table Orders indexes=1; Orders: 1 2 3; ", "3 of 3"},
      {2, true, true, false, 0, udb_format::access2000, "get_table Orders 0x61; ORDERS: 1; ", "0 of 0"},
      {3, false, true, true, 0, udb_format::access2000,
       "get_table Orders 0x61; create_table Orders indexes=0; Orders:; ", "0 of 3"},
      {3, true, false, false, 0, udb_format::access2000,
       "get_table Orders 0x21; create_table Orders indexes=1; ORDERS: 1 1 2 3; ", "3 of 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.dest_has_table ? ", table exists" : ""));
    world w;
    w.source().add(memory_int_table("Orders", 3)).indexes.append({"PK_Orders", true, true, {"c0"}});
    w.dest().format = udb_format::access2000;
    if (c.dest_has_table) w.dest().add(memory_int_table("ORDERS", 1));
    w.settings.set_tables({"Orders"});
    w.settings.set_mode(c.mode), w.settings.set_skip_idx(c.skip_idx), w.settings.set_tab_def(c.tab_def);
    const bool skipped = std::string(c.records) == "0 of 0";
    EXPECT_EQ(w.run(c.format), std::string("Converting database Shop (1 tables)\n") +
                                   (skipped ? "" : "Converting table Orders (3 records)\n"));
    std::string calls;
    for (const auto* log : {&w.source().log, &w.dest().log}) {
      for (const std::string& call : *log) calls += call + "; ";
    }
    EXPECT_EQ(calls + w.outcome(), std::string(c.calls_and_tables) + "done, table 0 of 0 (Orders), record " +
                                       c.records + ", context ''");
    EXPECT_EQ(w.sides.engine_formats, std::vector<udb_format>{c.engine});
  }
}

// The trace lines of `expected` written while `action` runs, in order.
std::vector<std::string> landmarks(const std::vector<std::string>& expected, const std::function<void()>& action) {
  const std::string file = testing::TempDir() + "quill_run_trace_" + std::to_string(::getpid()) + ".txt";
  {
    tk_trace_sink sink(file, 2, true, false);
    action();
  }
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find_last_not_of('\r') + 1);
    if (std::count(expected.begin(), expected.end(), line) != 0) lines.push_back(line);
  }
  std::remove(file.c_str());
  return lines;
}

const std::string refused = "Error:\nOrders, record #%: Duplicate field values being used for an unique index "
                            "were found. See 'Troubleshooting' article of the product documentation for solution.\n";
std::string refused_record(char n) { return std::string(refused).replace(refused.find('%'), 1, 1, n); }

TEST(ConversionRun, EachErrorIsReportedInItsPlaceAndTheRunGoesOnUnlessItMustStop) {
  struct {
    const char* name;
    std::vector<std::string> tables;
    std::size_t rows;
    void (*arrange)(world&);
    int stop_at;
    std::string console, outcome;
    std::vector<std::string> trace = {};  // landmarks of the trace, when not empty
  } cases[] = {
      {"a refused record; the rest is copied", {"Orders", "Items"}, 4,
       [](world& w) { w.dest().refused_records = {{"Orders", 2}, {"Orders", 4}}; }, -1,
       "Converting database Shop (2 tables)\nConverting table Orders (4 records)\n" + refused_record('2') +
           refused_record('4') + "Converting table Items (4 records)\n",
       "Orders: 1 3; Items: 1 2 3 4; done, table 0 of 0 (Items), record 4 of 4, context ''"},
      {"the wizard's user aborts on a refused record", {"Orders", "Items"}, 4,
       [](world& w) {
         w.dest().refused_records = {{"Orders", 2}};
         w.front.answer.go_on = false;
       }, -1, "Converting database Shop (2 tables)\nConverting table Orders (4 records)\n" + refused_record('2'),
       "Orders: 1; stopped by the handler, table 0 of 2 (Orders), record 1 of 4, context 'Orders, record #2'"},
      {"tables that fail: creation, opening, a merge that does not conform", {"Orders", "Items", "Notes", "Zeta"}, 2,
       [](world& w) {
         w.dest().add(memory_int_table("orders", 3, 2));  // two columns
         w.dest().fail_create_table["Items"] = {"Could not create table."};
         w.source().fail_get_table["Notes"] = {"The specified table does not exist."};
         w.settings.set_mode(udb_mode_merge);
       }, -1,
       "Converting database Shop (4 tables)\n"
       "Error:\nOrders: The structure of data source does not conform to the destination table.\n"
       "Error:\nItems: Could not create table.\nError:\nNotes: The specified table does not exist.\n"
       "Converting table Zeta (2 records)\n",
       "orders: 1 2 3; Zeta: 1 2; done, table 0 of 0 (Zeta), record 2 of 2, context ''"},
      {"an abort-level error", {"Orders", "Items", "Zeta"}, 2,
       [](world& w) { w.source().fail_get_table["Items"] = {"Out of memory.", tk_level_abort}; }, -1,
       "Converting database Shop (3 tables)\nConverting table Orders (2 records)\nError:\nItems: Out of memory.\n",
       "Orders: 1 2; stopped by the handler, table 1 of 3 (Items), record 0 of 0, context 'Items'"},
      {"a stop request between records", {"Orders", "Items"}, 3, nullptr, 2,  // checks: Orders, 3 records, Items
       "Converting database Shop (2 tables)\nConverting table Orders (3 records)\n"
       "Error:\nOrders: The conversion was stopped before it completed.\n",
       "Orders: 1; stopped by the handler, table 0 of 2 (Orders), record 1 of 3, context 'Orders'"},
      {"a stop request between tables", {"Orders", "Items"}, 3, nullptr, 4,
       "Converting database Shop (2 tables)\nConverting table Orders (3 records)\n"
       "Error:\nThe conversion was stopped before it completed.\n",
       "Orders: 1 2 3; stopped by the handler, table 1 of 2 (Orders), record 3 of 3, context ''"},
      {"the agent takes every table when none is listed", {"Zeta", "Alpha", "dbo.x.y"}, 1,
       [](world& w) { w.settings.set_tables({}); }, -1,
       "Converting database Shop (3 tables)\nConverting table Zeta (1 records)\n"
       "Converting table Alpha (1 records)\nConverting table dbo.x.y (1 records)\n",
       "Zeta: 1; Alpha: 1; dbo_x_y: 1; done, table 0 of 0 (dbo.x.y), record 1 of 1, context ''",
       {"Source database has 3 table(s)", "Table structure has been written", "Converting table Zeta (1 records)",
        "Table structure has been written", "Converting table Alpha (1 records)",
        "Store generated table name 'dbo_x_y'", "Table structure has been written",
        "Converting table dbo.x.y (1 records)"}},
      {"the agent skips a missing table; a second spelling gets a name of its own", {"Orders"}, 1,
       [](world& w) { w.settings.set_tables({"Ghost", "Orders", "ORDERS"}); }, -1,
       "Converting database Shop (3 tables)\nTable Ghost not exists\nConverting table Orders (1 records)\n"
       "Converting table ORDERS (1 records)\n",
       "Orders: 1; ORDERS_: 1; done, table 0 of 0 (ORDERS), record 1 of 1, context ''"},
      {"the wizard's empty list opens both databases and converts nothing", {}, 0,
       [](world& w) {
         w.front.wizard = true;
         w.source().add(memory_int_table("Orders", 2));
       }, -1, "Converting database Shop (0 tables)\n", "done, table 0 of 0 (), record 0 of 0, context ''",
       {"quillmere_convertor::operator()", "init_conversion::ctor", "Source database has 0 table(s)",
        "init_conversion::dtor"}},
      {"a file that is not an Access file", {"Orders"}, 1, [](world& w) { w.settings.set_mode(1); }, -1,
       "Error:\nFile '/out/shop.mdb' does not comply with MS Access format.\n",
       "stopped by the handler, table 0 of 0 (), record 0 of 0, context ''"},
      {"a source that does not open", {}, 0, [](world& w) { w.sides.sources.clear(); }, -1,
       "Error:\nCannot open database requested.\n", "stopped, table 0 of 0 (), record 0 of 0, context ''"},
      {"an engine that does not load", {"Orders"}, 1,
       [](world& w) {
         w.sides.engine_failure = "Failed to load Data Access Objects (DAO) support library.\r\nMicrosoft Access";
       }, -1, "Error:\nFailed to load Data Access Objects (DAO) support library. Microsoft Access\n",
       "stopped by the handler, table 0 of 0 (), record 0 of 0, context ''"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    world w(c.tables, c.rows);
    if (c.arrange) c.arrange(w);
    if (!c.trace.empty() && !tk_trace_sink::active()) {  // QUILL_TRACE has a sink of its own
      EXPECT_EQ(landmarks(c.trace, [&] { EXPECT_EQ(w.run(1, c.stop_at), c.console); }), c.trace);
    } else {
      EXPECT_EQ(w.run(1, c.stop_at), c.console);
    }
    EXPECT_EQ(w.outcome(), c.outcome);
  }
}

// The wizard can convert again in the same process: an error of the second
// run must not carry the record context where the first run stopped.
TEST(ConversionRun, ASecondRunStartsWithoutTheContextOfAStoppedOne) {
  world w({"Orders"}, 4);
  w.front.wizard = true;
  w.dest().refused_records = {{"Orders", 2}};
  w.front.answer.go_on = false;
  w.run();
  ASSERT_EQ(w.handler.context(), "Orders, record #2");
  w.sides.sources.clear();
  w.console.str("");
  EXPECT_EQ(w.run(), "Error:\nCannot open database requested.\n");
}

// Sides that answer no engine or no validator: a defect of ours.
class null_sides : public memory_sides {
 public:
  bool no_engine = false;
  std::unique_ptr<udb_engine> make_destination_engine(udb_format format) override {
    return no_engine ? nullptr : memory_sides::make_destination_engine(format);
  }
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>&,
                                                             const std::vector<std::string>&) override {
    return nullptr;
  }
};

TEST(ConversionRun, AnInternalErrorOrAMissingObjectEndsTheProcessWithExitCodeMinusOne) {
  world w({"Orders"}, 1);
  console_front_end to_stderr(std::cerr, std::cerr);
  w.handler.set_front_end(to_stderr);
  w.source().fail_get_table["Orders"] = {tk_mail_assertion("a", 1).message(), tk_level_internal};
  EXPECT_EXIT(w.run(), testing::ExitedWithCode(255), "Internal error: Internal error: .code=615c31");
  w.source().fail_get_table.clear();
  null_sides nulls;
  nulls.sources = w.sides.sources;
  for (bool no_engine : {true, false}) {
    nulls.no_engine = no_engine;
    EXPECT_EXIT(conversion_run(w.settings, udb_format::access2000, nulls, w.handler, {})(), testing::ExitedWithCode(255),
                "Internal error: Internal error: .code=");
  }
}

// The driver as the programs hold it: quillmere_convertor with the sides of
// this build, with given sides, and stopped on the wizard's worker thread.
class stopping_sides : public memory_sides {  // the source opens once the worker is asked to stop
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    opening = true;
    while (!tk_stop_requested()) std::this_thread::yield();
    return memory_sides::open_source(name);
  }
  std::atomic<bool> opening{false};
};

class driver_thread : public tk_thread {
 public:
  explicit driver_thread(quillmere_convertor& driver) : driver_(driver) {}
  ~driver_thread() override { stop(); }

 protected:
  void run() override { driver_(); }

 private:
  quillmere_convertor& driver_;
};

TEST(ConversionRun, TheConvertorRunsOnTheSidesItHoldsAndStopsOnItsWorkersRequest) {
  world w({"A"}, 1);
  quillmere_convertor driver(quillmere_front_end::agent);
  driver.set_src("Shop"), driver.set_dest(dest_path), driver.set_format(quillmere_format_access97);
  // The sides of this build need a connected SQL Server engine.
  EXPECT_THROW(driver.get_all_tables(), tk_exception);
  driver.set_sides(std::shared_ptr<memory_sides>(std::shared_ptr<void>(), &w.sides));  // not owned
  EXPECT_EQ(driver.get_all_tables(), std::vector<std::string>{"A"});

  auto sides = std::make_shared<stopping_sides>();
  sides->sources = w.sides.sources;
  driver.set_sides(sides);
  w.console.str("");
  driver.set_finished(false);
  driver_thread worker(driver);
  ASSERT_TRUE(worker.start());
  while (!sides->opening) std::this_thread::yield();
  worker.terminate();
  EXPECT_EQ(w.console.str(),
            std::string("Converting database Shop (1 tables)\nError:\n") + conversion_msg_stopped + "\n");
  EXPECT_TRUE(driver.finished() && driver.stopped());
  EXPECT_EQ(driver.table_count(), 1u);
  EXPECT_EQ(sides->engine_formats, std::vector<udb_format>{udb_format::access97});
  EXPECT_EQ(sides->file(dest_path).find("A"), nullptr);
}

}  // namespace
