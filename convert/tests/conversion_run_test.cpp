// Whole conversion runs against the in-memory doubles, checked by what the
// agent's user sees (console lines) and by what the destination holds.
#include <gtest/gtest.h>

#include <sstream>

#include "convert/console_front_end.h"
#include "convert/conversion_run.h"
#include "convert/quillmere_convertor.h"
#include "convert/tests/doubles/memory_sides.h"

namespace {

constexpr char dest_path[] = "/out/shop.mdb";

class ConversionRun : public testing::Test {
 protected:
  ConversionRun() {
    handler.load_err_map(tk_dao_message_count, tk_dao_messages);
    settings.set_src("Shop");
    settings.set_dest(dest_path);
  }

  // Runs once; the stop request answers true from the `stop_at`-th check on.
  void run(int32_t format = 1) {
    int checks = 0;
    conversion_run conversion(settings, format, sides, handler, [&] { return stop_at >= 0 && ++checks > stop_at; });
    conversion();
  }

  memory_store& source() { return sides.source("Shop"); }
  memory_store& dest() { return sides.file(dest_path); }
  std::size_t rows_of(const std::string& table) { return dest().find(table)->rows.size(); }

  std::ostringstream console;  // standard output and error, in writing order
  console_front_end front{console, console};
  error_handler handler{tk_oledb_message_count, tk_oledb_messages, front};
  udb_converter settings;
  memory_sides sides;
  int stop_at = -1;
};

TEST_F(ConversionRun, EveryModeAgainstADestinationThatHasOrLacksTheTable) {
  struct {
    int mode;
    bool dest_has_table;
    std::size_t rows_after;
    bool converted;  // the "Converting table" line appears
    bool deleted;
  } cases[] = {
      {0, false, 3, true, false}, {0, true, 3, true, false},  // the file is made anew
      {1, false, 3, true, false}, {1, true, 3, true, true},
      {2, false, 3, true, false}, {2, true, 1, false, false},
      {3, false, 3, true, false}, {3, true, 4, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.dest_has_table ? ", table exists" : ""));
    sides = memory_sides();
    console.str("");
    source().add(memory_int_table("Orders", 3));
    dest().format_code = conversion_format_access97;
    if (c.dest_has_table) dest().add(memory_int_table("ORDERS", 1));
    settings.set_mode(c.mode);
    settings.set_tables({"Orders"});
    run(quillmere_format_access2000);

    std::string expected = "Converting database Shop (1 tables)\n";
    if (c.converted) expected += "Converting table Orders (3 records)\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_EQ(rows_of("Orders"), c.rows_after);
    bool deleted = std::count(dest().log.begin(), dest().log.end(), "delete_tab Orders") != 0;
    EXPECT_EQ(deleted, c.deleted);
    // Mode 0 uses the chosen format, the others the existing file's.
    EXPECT_EQ(sides.engine_formats.back(), c.mode == 0 ? conversion_format_access2000 : conversion_format_access97);
    EXPECT_TRUE(settings.finished());
    EXPECT_FALSE(settings.stopped());
    EXPECT_EQ(settings.current_table_index(), 0u);  // reset after a complete run
    EXPECT_EQ(settings.table_count(), 0u);
    settings.set_finished(false);
  }
}

TEST_F(ConversionRun, ChosenFormatOfANewFile) {
  for (int32_t format : {quillmere_format_access97, quillmere_format_access2000, 7}) {
    run(format);
    EXPECT_EQ(sides.engine_formats.back(),
              format == quillmere_format_access97 ? conversion_format_access97 : conversion_format_access2000);
  }
}

TEST_F(ConversionRun, SkippingIndexesAndCopyingDefinitionsOnly) {
  struct {
    bool skip_idx;
    bool tab_def;
    const char* get_table;
    const char* create_table;
    std::size_t rows;
  } cases[] = {
      {false, false, "get_table Orders 0x21", "create_table Orders indexes=1", 4},
      {true, false, "get_table Orders 0x61", "create_table Orders indexes=0", 4},
      {false, true, "get_table Orders 0x21", "create_table Orders indexes=1", 0},
      {true, true, "get_table Orders 0x61", "create_table Orders indexes=0", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "skip_idx " << c.skip_idx << ", tab_def " << c.tab_def);
    sides = memory_sides();
    memory_table orders = memory_int_table("Orders", 4);
    orders.indexes.append({"PK_Orders", true, true, {"c0"}});
    source().add(orders);
    settings.set_tables({"Orders"});
    settings.set_skip_idx(c.skip_idx);
    settings.set_tab_def(c.tab_def);
    run();
    EXPECT_EQ(source().log, (std::vector<std::string>{c.get_table}));
    EXPECT_EQ(dest().log, (std::vector<std::string>{c.create_table}));
    EXPECT_EQ(rows_of("Orders"), c.rows);
    EXPECT_EQ(settings.records_in_table(), 4u);  // still the source's count
    EXPECT_EQ(settings.current_record(), c.rows);
  }
}

TEST_F(ConversionRun, ARefusedRecordIsReportedWithItsNumberAndTheRestIsCopied) {
  source().add(memory_int_table("Orders", 4));
  source().add(memory_int_table("Items", 2));
  settings.set_tables({"Orders", "Items"});
  dest().refused_records = {{"Orders", 2}, {"Orders", 4}};
  run();
  const std::string duplicate = error_one_line(tk_error_converter(tk_dao_message_count, tk_dao_messages).convert(0x10BCE));
  EXPECT_EQ(console.str(),
            "Converting database Shop (2 tables)\n"
            "Converting table Orders (4 records)\n"
            "Error:\nOrders, record #2: " + duplicate + "\n"
            "Error:\nOrders, record #4: " + duplicate + "\n"
            "Converting table Items (2 records)\n");
  ASSERT_EQ(rows_of("Orders"), 2u);
  EXPECT_EQ(dest().find("Orders")->rows[1][0].to_long(), 3);
  EXPECT_EQ(rows_of("Items"), 2u);
  EXPECT_FALSE(settings.stopped());
  EXPECT_FALSE(handler.stopped());
  EXPECT_EQ(handler.context(), "");  // emptied at the end of a complete run
}

TEST_F(ConversionRun, AFailingTableIsReportedAndTheNextOneConverted) {
  source().add(memory_int_table("Orders", 2));
  source().add(memory_int_table("Items", 2));
  source().add(memory_int_table("Notes", 2));
  source().fail_get_table["Notes"] = {"The specified table does not exist.", tk_level_recoverable};
  settings.set_tables({"Orders", "Items", "Notes"});
  dest().fail_create_table["Orders"] = {"Could not create table.", tk_level_recoverable};
  run();
  EXPECT_EQ(console.str(),
            "Converting database Shop (3 tables)\n"
            "Error:\nOrders: Could not create table.\n"
            "Converting table Items (2 records)\n"
            "Error:\nNotes: The specified table does not exist.\n");
  EXPECT_EQ(dest().find("Orders"), nullptr);
  EXPECT_EQ(rows_of("Items"), 2u);
  EXPECT_FALSE(settings.stopped());
}

TEST_F(ConversionRun, AMergeThatDoesNotConformSkipsTheTable) {
  source().add(memory_int_table("Orders", 2, 1));
  source().add(memory_int_table("Items", 2));
  dest().add(memory_int_table("orders", 5, 2));
  settings.set_mode(udb_mode_merge);
  settings.set_tables({"Orders", "Items"});
  run();
  EXPECT_EQ(console.str(),
            "Converting database Shop (2 tables)\n"
            "Error:\nOrders: The structure of data source does not conform to the destination table.\n"
            "Converting table Items (2 records)\n");
  EXPECT_EQ(rows_of("Orders"), 5u);
  EXPECT_EQ(rows_of("Items"), 2u);
}

TEST_F(ConversionRun, AnAbortLevelErrorStopsTheRunAndKeepsTheCounters) {
  for (const char* name : {"Orders", "Items", "Zeta"}) source().add(memory_int_table(name, 2));
  source().fail_get_table["Items"] = {"Out of memory.", tk_level_abort};
  settings.set_tables({"Orders", "Items", "Zeta"});
  run();
  EXPECT_EQ(console.str(),
            "Converting database Shop (3 tables)\n"
            "Converting table Orders (2 records)\n"
            "Error:\nItems: Out of memory.\n");
  EXPECT_EQ(dest().find("Zeta"), nullptr);
  EXPECT_TRUE(settings.finished());
  EXPECT_TRUE(settings.stopped());
  EXPECT_TRUE(handler.stopped());
  EXPECT_EQ(settings.table_count(), 3u);
  EXPECT_EQ(settings.current_table_index(), 1u);
  EXPECT_EQ(settings.current_table(), "Items");
  EXPECT_EQ(handler.context(), "Items");
}

TEST_F(ConversionRun, AStopRequestEndsTheRunLikeAnAbort) {
  struct {
    int stop_at;  // checks answered "go on" before the stop
    const char* console;
    uint32_t table_index;
    uint32_t current_record;
    std::size_t order_rows;
  } cases[] = {
      // checks: before Orders, its 3 records, before Items, ...
      {2, "Converting table Orders (3 records)\nError:\nOrders: The conversion was stopped before it completed.\n",
       0, 1, 1},
      {4, "Converting table Orders (3 records)\nError:\nThe conversion was stopped before it completed.\n", 1, 3, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stop_at);
    sides = memory_sides();
    console.str("");
    source().add(memory_int_table("Orders", 3));
    source().add(memory_int_table("Items", 3));
    settings.set_tables({"Orders", "Items"});
    settings.set_finished(false);
    stop_at = c.stop_at;
    run();
    EXPECT_EQ(console.str(), std::string("Converting database Shop (2 tables)\n") + c.console);
    EXPECT_TRUE(settings.finished());
    EXPECT_TRUE(settings.stopped());
    EXPECT_EQ(settings.table_count(), 2u);
    EXPECT_EQ(settings.current_table_index(), c.table_index);
    EXPECT_EQ(settings.current_record(), c.current_record);
    EXPECT_EQ(rows_of("Orders"), c.order_rows);
    EXPECT_EQ(dest().find("Items"), nullptr);
  }
}

TEST_F(ConversionRun, TheAgentTakesEveryTableWhenNoneIsListedAndSkipsMissingOnes) {
  for (const char* name : {"Zeta", "Alpha", "dbo.x.y"}) source().add(memory_int_table(name, 1));
  run();
  EXPECT_EQ(settings.tables(), (std::vector<std::string>{"Zeta", "Alpha", "dbo.x.y"}));
  EXPECT_EQ(console.str(),
            "Converting database Shop (3 tables)\n"
            "Converting table Zeta (1 records)\n"
            "Converting table Alpha (1 records)\n"
            "Converting table dbo.x.y (1 records)\n");
  EXPECT_EQ(dest().names(), (std::vector<std::string>{"Zeta", "Alpha", "dbo_x_y"}));

  sides = memory_sides();
  console.str("");
  source().add(memory_int_table("Orders", 1));
  settings.set_tables({"Ghost", "Orders", "ORDERS"});
  run();
  EXPECT_EQ(console.str(),
            "Converting database Shop (3 tables)\n"
            "Table Ghost not exists\n"
            "Converting table Orders (1 records)\n"
            "Converting table ORDERS (1 records)\n");
  // The second spelling of a name already used gets a name of its own.
  EXPECT_EQ(dest().names(), (std::vector<std::string>{"Orders", "ORDERS_"}));
}

TEST_F(ConversionRun, FailuresBeforeTheFirstTableEndTheRun) {
  struct {
    int mode;
    bool has_source;
    const char* engine_failure;
    const char* console;
  } cases[] = {
      {1, true, "", "Error:\nFile '/out/shop.mdb' does not comply with MS Access format.\n"},
      {0, false, "", "Error:\nCannot open database requested.\n"},
      {0, true, "Failed to load Data Access Objects (DAO) support library.\r\nMicrosoft Access",
       "Error:\nFailed to load Data Access Objects (DAO) support library. Microsoft Access\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.console);
    sides = memory_sides();
    console.str("");
    if (c.has_source) source().add(memory_int_table("Orders", 1));
    sides.engine_failure = c.engine_failure;
    settings.set_mode(c.mode);
    settings.set_finished(false);
    run();
    EXPECT_EQ(console.str(), c.console);
    EXPECT_TRUE(settings.finished());
    EXPECT_TRUE(settings.stopped());
  }
}

// The run as the agent makes it, with an internal error in the first table.
void run_into_internal_error() {
  console_front_end front(std::cerr, std::cerr);
  error_handler handler(tk_oledb_message_count, tk_oledb_messages, front);
  memory_sides sides;
  sides.source("Shop").add(memory_int_table("Orders", 1));
  sides.source("Shop").fail_get_table["Orders"] = {tk_mail_assertion("a", 1).message(), tk_level_internal};
  udb_converter settings;
  settings.set_src("Shop");
  settings.set_dest(dest_path);
  conversion_run(settings, 1, sides, handler, [] { return false; })();
}

TEST(ConversionRunInternalError, EndsTheProcessWithExitCodeMinusOne) {
  EXPECT_EXIT(run_into_internal_error(), testing::ExitedWithCode(255),
              "Internal error: Internal error: .code=615c31");
}

}  // namespace
