#include "agent/agent_main.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "MSS/tests/test_server.h"
#include "TK/tk_exception.h"
#include "agent/agent_options.h"
#include "agent/tests/agent_test_dir.h"
#include "convert/quillmere_convertor.h"

namespace {

namespace fs = std::filesystem;

// The usage text exactly as the user sees it (with the line break that the
// printing adds).
const char usage_as_printed[] =
    "QUILLAGENT v2.1\n"
    "Usage: QUILLAGENT.EXE OPTIONS\n"
    "\n"
    "   --acc_ver=...  format version for the destination MS Access database\n"
    "                  (0 - MS Access 95/97, 1 - MS Access 2000)\n"
    "   --dest=...     MS Access database name\n"
    "   --help         display this help message and exit\n"
    "   --mode=...     how to process an existing MS Access database\n"
    "                  (0 - overwrite the entire database, 1 - overwrite existing\n"
    "                  tables only, 2 - skip existing tables, 3 - merge)\n"
    "   --mssqlh=...   MS SQL server IP address or network name\n"
    "   --mssqlu=...   MS SQL user name\n"
    "   --mssqlp=...   MS SQL user password\n"
    "   --skip_idx     skip converting indexes\n"
    "   --src=...      MS SQL database name\n"
    "   --tab_def      convert table definitions only\n"
    "   --tab_file=... file containing the list of tables to convert\n"
    "                  (one table name per line)\n"
    "\n"
    "NOTES:\n"
    "   1) You can omit 'mssqlh' parameter to connect local MS SQL server.\n"
    "   2) You can omit 'mssqlu' and 'mssqlp' parameters to connect to MS SQL\n"
    "      server using Windows authentication\n"
    "   3) If you omit 'tab_file' parameter, all database tables will be converted\n"
    "   4) If you omit 'mode' parameter, default mode 'overwrite the entire\n"
    "      database' will be used.\n";

TEST(AgentMain, MessagesAndExitCodes) {
  const std::string usage = usage_as_printed;
  struct {
    std::vector<const char*> args;
    std::string err, out;
  } cases[] = {
      {{}, usage, ""},
      {{"--helpme"}, usage, ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--help"}, usage, ""},
      {{"--help", "--mode=9", "-x"}, usage, ""},  // nothing after --help is looked at
      {{"--src=s", "-x", "--dest=d", "--acc_ver=1"}, usage, ""},
      {{""}, usage, ""},
      // reported in this order, one at a time
      {{"--dest=d", "--acc_ver=1"}, "You should enter source MS SQL database name\n", ""},
      {{"--src=s"}, "You should enter destination MS Access database name\n", ""},
      {{"--src=s", "--dest=d"}, "You should specify MS Access format version (use '--acc_ver' option)\n", ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--mode=03"}, "Invalid merge/overwrite mode\n", ""},
      {{"--mode=", "--src=s"}, "Invalid merge/overwrite mode\n", ""},
      {{"--src=s", "--tab_file=/no/such/list"},
       "Table names file does not exist.\nPlease verify the correct path/name was given.\n", ""},
      // a complete command line reaches the connection, which fails
      {{"--src=s", "--dest=d", "--acc_ver=abc", "--mode=3", "--mssqlh=127.0.0.1,1"}, "",
       "Error:\nUnable to connect: Adaptive Server is unavailable or does not exist\n"},
  };
  for (auto& c : cases) {
    c.args.insert(c.args.begin(), "QUILLAGENT");
    std::ostringstream out, err;
    EXPECT_EQ(agent_main(static_cast<int>(c.args.size()), c.args.data(), out, err), agent_exit_failure);
    EXPECT_EQ(err.str(), c.err) << c.args.back();
    EXPECT_EQ(out.str(), c.out) << c.args.back();
  }
}

// The source database is looked up right after the connection.
TEST(AgentMain, AMissingSourceDatabaseEndsTheAgentBeforeTheRun) {
  test_server server("small.json");
  ASSERT_TRUE(server.running());
  std::string host = "--mssqlh=" + server.host();
  std::vector<const char*> args = {"QUILLAGENT", "--src=Nowhere", "--dest=/tmp/never.mdb", "--acc_ver=1",
                                   host.c_str(), "--mssqlu=quill", "--mssqlp=Secret-1"};
  std::ostringstream out, err;
  EXPECT_EQ(agent_main(static_cast<int>(args.size()), args.data(), out, err), agent_exit_failure);
  EXPECT_EQ(err.str(), "Database 'Nowhere' does not exist\n");
  EXPECT_FALSE(fs::exists("/tmp/never.mdb"));
}

TEST(AgentMainDeathTest, TooManyUnrecognizedArgumentsAreAnInternalError) {
  std::vector<const char*> args(tk_cmdli::max_unrecognized + 2, "junk");
  // The handler ends the process itself; its line goes to the output
  // stream given, here standard error for the check.
  EXPECT_EXIT(agent_main(static_cast<int>(args.size()), args.data(), std::cerr, std::cerr),
              ::testing::ExitedWithCode(255), "Internal error: Internal error: \ncode=[0-9a-f]+");
}

// Failures to validate the destination are the run's (agent_convert_test).
TEST(AgentCheckDest, OnlyModeZeroRemovesAnExistingDestinationAndAFailedDeletionThrows) {
  agent_test_dir dir("agent_check_dest_");
  quillmere_convertor driver(quillmere_front_end::agent);
  const std::string dest = (dir.path / "old.mdb").string();
  for (int mode : {3, 2, 1, 0}) {
    std::ofstream(dest) << "old";
    driver.set_mode(mode);
    check_dest(dest, driver);
    EXPECT_EQ(fs::exists(dest), mode != 0) << "mode " << mode;
  }
  EXPECT_NO_THROW(check_dest(dest, driver));  // a new file

  std::ofstream(dest) << "old";
  std::string kept = dest;
  if (::geteuid() == 0) {
    kept = "/proc/self/oom_score_adj";  // root deletes anywhere but here
  } else {
    fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
  }
  EXPECT_THROW(check_dest(kept, driver), tk_exception_ex);
  EXPECT_TRUE(fs::exists(kept));
  fs::permissions(dir.path, fs::perms::owner_all);
}

// The exit status that a shell sees, through the program itself.
TEST(AgentProgram, FailuresEndWithStatus255) {
  std::string program = std::string(QUILL_BINARY_DIR) + "/agent/QUILLAGENT";
  if (!fs::exists(program)) GTEST_SKIP() << program << " not built";
  for (const char* args : {"", " --src=s --dest=d --acc_ver=1"}) {
    FILE* pipe = ::popen((program + args + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char first[64] = {};
    EXPECT_NE(std::fgets(first, sizeof first, pipe), nullptr);
    while (std::fgetc(pipe) != EOF) {
    }
    int status = ::pclose(pipe);
    EXPECT_STREQ(first, *args ? "Error:\n" : "QUILLAGENT v2.1\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 255) << args;
  }
}

}  // namespace
