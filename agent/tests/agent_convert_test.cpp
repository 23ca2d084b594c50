// The agent's run and its exit code, with the driver's in-memory sides
// standing in for the server and the Access file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TK/tk_error_converter.h"
#include "agent/agent_main.h"
#include "agent/tests/agent_test_dir.h"
#include "convert/console_front_end.h"
#include "convert/error_handler.h"
#include "convert/quillmere_convertor.h"
#include "convert/tests/doubles/memory_sides.h"

namespace {

namespace fs = std::filesystem;

// One agent's worth of objects: console, error handler, driver and
// in-memory sides, with a destination folder of its own.
struct agent_setup {
  agent_setup() {
    handler.load_err_map(tk_dao_message_count, tk_dao_messages);
    sides->source("North").add(memory_int_table("Orders", 3));
    sides->source("North").add(memory_int_table("Customers", 2));
    driver.set_sides(sides);
    driver.set_src("North");
    driver.set_dest((dir.path / "north.mdb").string());
    driver.set_format(quillmere_format_access2000);
  }

  int convert() { return agent_convert(driver, handler); }

  agent_test_dir dir{"agent_convert_"};
  std::ostringstream out, err;
  console_front_end console{out, err};
  error_handler handler{tk_oledb_message_count, tk_oledb_messages, console};
  quillmere_convertor driver{quillmere_front_end::agent};
  std::shared_ptr<memory_sides> sides = std::make_shared<memory_sides>();
};

TEST(AgentConvert, ACompleteRunExitsWithZeroAndPrintsItsProgress) {
  agent_setup agent;
  std::ofstream(agent.driver.dest()) << "old file";  // mode 0 removes it first
  EXPECT_EQ(agent.convert(), agent_exit_success);
  EXPECT_EQ(agent.out.str(),
            "Converting database North (2 tables)\n"
            "Converting table Orders (3 records)\n"
            "Converting table Customers (2 records)\n");
  EXPECT_EQ(agent.err.str(), "");
  EXPECT_FALSE(fs::exists(agent.driver.dest()));
  EXPECT_TRUE(agent.driver.finished());
}

TEST(AgentConvert, RecoverableErrorsAreReportedAndStillExitWithZero) {
  agent_setup agent;
  agent.sides->source("North").fail_get_table["Orders"] = {"Orders is locked.\nTry later.",
                                                            tk_level_recoverable};
  agent.driver.set_tables({"Orders", "Nope", "Customers"});
  EXPECT_EQ(agent.convert(), agent_exit_success);
  EXPECT_EQ(agent.out.str(),
            "Converting database North (3 tables)\n"
            "Error:\nOrders: Orders is locked. Try later.\n"
            "Converting table Customers (2 records)\n");
  EXPECT_EQ(agent.err.str(), "Table Nope not exists\n");
}

TEST(AgentConvert, ARunThatCouldNotStartOrWasStoppedExitsWithMinusOne) {
  struct {
    const char* name;
    void (*arrange)(agent_setup&);
    std::string out;
  } cases[] = {
      {"source lookup fails", [](agent_setup& a) { a.driver.set_src("South"); },
       "Error:\nCannot open database requested.\n"},
      {"abort-level error in a table",
       [](agent_setup& a) {
         a.sides->source("North").fail_get_table["Orders"] = {"Disk full.", tk_level_abort};
       },
       "Converting database North (2 tables)\nError:\nOrders: Disk full.\n"},
      {"destination engine not loaded", [](agent_setup& a) { a.sides->engine_failure = "No engine."; },
       "Error:\nNo engine.\n"},
      {"destination folder missing", [](agent_setup& a) { a.driver.set_dest("/no/such/dir/x.mdb"); },
       "Error:\nDestination path does not exist. Please verify the correct path was given.\n"},
      {"destination is a folder", [](agent_setup& a) { a.driver.set_dest(a.dir.path.string()); },
       "Error:\nDestination name should specify a file, not folder.\n"},
      {"merge into a file that is not there", [](agent_setup& a) { a.driver.set_mode(udb_mode_merge); },
       "Error:\nFile '"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    agent_setup agent;
    c.arrange(agent);
    EXPECT_EQ(agent.convert(), agent_exit_failure);
    EXPECT_EQ(agent.out.str().substr(0, c.out.size()), c.out);
  }
}

}  // namespace
