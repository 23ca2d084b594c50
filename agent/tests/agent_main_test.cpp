#include "agent/agent_main.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "agent/agent_options.h"
#include "agent/agent_usage.h"
#include "convert/destination_check.h"
#include "convert/quillmere_convertor.h"

namespace {

namespace fs = std::filesystem;

struct agent_result {
  int code;
  std::string out;
  std::string err;
};

agent_result run_agent(std::vector<const char*> args) {
  args.insert(args.begin(), "QUILLAGENT");
  std::ostringstream out, err;
  int code = agent_main(static_cast<int>(args.size()), args.data(), out, err);
  return {code, out.str(), err.str()};
}

const std::string usage = agent_usage_text() + "\n";
const std::string not_connected =
    "Error:\nCannot connect to MS SQL server: the SQL Server side is not available in this "
    "build.\n";

TEST(AgentMain, MessagesAndExitCodes) {
  struct {
    std::vector<const char*> args;
    std::string err;
    std::string out;
  } cases[] = {
      {{}, usage, ""},
      {{"--help"}, usage, ""},
      {{"--helpme"}, usage, ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--help"}, usage, ""},
      {{"--src=s", "-x", "--dest=d", "--acc_ver=1"}, usage, ""},
      {{"-x", "--help"}, usage, ""},
      // missing options, reported in the order src, dest, format
      {{"--acc_ver=1"}, std::string(agent_msg_no_src) + "\n", ""},
      {{"--src=s", "--acc_ver=1"}, std::string(agent_msg_no_dest) + "\n", ""},
      {{"--src=s", "--dest=d"}, std::string(agent_msg_no_format) + "\n", ""},
      {{"--mode=9"}, std::string(agent_msg_bad_mode) + "\n", ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--mode=03"}, std::string(agent_msg_bad_mode) + "\n", ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--mode=-1"}, std::string(agent_msg_bad_mode) + "\n", ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--mode="}, std::string(agent_msg_bad_mode) + "\n", ""},
      {{"--src=s", "--tab_file=/no/such/list"}, std::string(agent_msg_no_tab_file) + "\n", ""},
      // complete command lines reach the connection, which fails: exit -1
      {{"--src=s", "--dest=d", "--acc_ver=abc", "--mode=3"}, "", not_connected},
      {{"--src=s", "--dest=d", "--acc_ver=0", "--mssqlu=sa"}, "", not_connected},
  };
  for (const auto& c : cases) {
    agent_result result = run_agent(c.args);
    std::string line;
    for (const char* arg : c.args) line += std::string(arg) + " ";
    EXPECT_EQ(result.code, agent_exit_failure) << line;
    EXPECT_EQ(result.err, c.err) << line;
    EXPECT_EQ(result.out, c.out) << line;
  }
}

TEST(AgentMain, UsageTextStartsWithTheVersionAndEndsWithTheNotes) {
  std::string text = agent_usage_text();
  EXPECT_EQ(text.rfind("QUILLAGENT v2.1\nUsage: QUILLAGENT.EXE OPTIONS\n\n", 0), 0u);
  EXPECT_NE(text.find("\n   --tab_file=... file containing the list of tables to convert\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("\n      database' will be used.")) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
}

TEST(AgentMainDeathTest, TooManyUnrecognizedArgumentsAreAnInternalError) {
  std::vector<const char*> args(tk_cmdli::max_unrecognized + 1, "junk");
  args.insert(args.begin(), "QUILLAGENT");
  // The internal error ends the process from the error handler; its line
  // goes to the output stream given, here standard error for the check.
  EXPECT_EXIT(agent_main(static_cast<int>(args.size()), args.data(), std::cerr, std::cerr),
              ::testing::ExitedWithCode(255), "Internal error: Internal error: \ncode=[0-9a-f]+");
}

class AgentCheckDest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("agent_check_dest_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }

  std::string existing_file() {
    std::string path = (dir_ / "old.mdb").string();
    std::ofstream(path) << "old";
    return path;
  }

  fs::path dir_;
  quillmere_convertor driver_{quillmere_front_end::agent};
};

TEST_F(AgentCheckDest, OnlyModeZeroRemovesAnExistingDestination) {
  for (int mode : {0, 1, 2, 3}) {
    std::string dest = existing_file();
    driver_.set_mode(mode);
    check_dest(dest, driver_);
    EXPECT_EQ(fs::exists(dest), mode != 0) << "mode " << mode;
  }
  std::string fresh = (dir_ / "new.mdb").string();
  EXPECT_NO_THROW(check_dest(fresh, driver_));
  EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(AgentCheckDest, RefusedDestinationsAreAbortLevelErrors) {
  struct {
    std::string dest;
    const char* message;
  } cases[] = {
      {dir_.string(), destination_msg_folder},
      {(dir_ / "missing" / "x.mdb").string(), destination_msg_no_path},
  };
  for (const auto& c : cases) {
    try {
      check_dest(c.dest, driver_);
      ADD_FAILURE() << c.dest << " passed";
    } catch (const tk_exception& error) {
      EXPECT_EQ(error.level(), tk_level_abort);
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST_F(AgentCheckDest, AFailedDeletionCarriesTheSystemError) {
  std::string dest = existing_file();
  if (::geteuid() == 0) {
    // root deletes from read-only folders; no one deletes from /proc.
    dest = "/proc/self/oom_score_adj";
  } else {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  }
  driver_.set_mode(0);
  try {
    check_dest(dest, driver_);
    ADD_FAILURE() << "deleted";
  } catch (const tk_exception_ex& error) {
    EXPECT_EQ(error.level(), tk_level_abort);
    EXPECT_NE(error.code(), 0);
  }
  EXPECT_TRUE(fs::exists(dest));
}

// The exit status that a shell sees, through the real program.
TEST(AgentProgram, FailuresEndWithStatus255) {
  std::string program = std::string(QUILL_BINARY_DIR) + "/agent/QUILLAGENT";
  if (!fs::exists(program)) GTEST_SKIP() << program << " not built";
  struct {
    std::string args;
    const char* first_line;
  } cases[] = {
      {"", "QUILLAGENT v2.1"},
      {"--src=s --dest=d --acc_ver=1", "Error:"},
  };
  for (const auto& c : cases) {
    std::string command = program + " " + c.args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
    while (std::fgetc(pipe) != EOF) {
    }
    int status = ::pclose(pipe);
    EXPECT_EQ(std::string(line), std::string(c.first_line) + "\n") << c.args;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255) << c.args;
  }
}

}  // namespace
