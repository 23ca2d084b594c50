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

#include "TK/tk_exception.h"
#include "agent/agent_options.h"
#include "agent/agent_usage.h"
#include "convert/destination_check.h"
#include "convert/quillmere_convertor.h"

namespace {

namespace fs = std::filesystem;

TEST(AgentMain, MessagesAndExitCodes) {
  const std::string usage = agent_usage_text() + "\n";
  auto line = [](const char* message) { return std::string(message) + "\n"; };
  struct {
    std::vector<const char*> args;
    std::string err, out;
  } cases[] = {
      {{}, usage, ""},
      {{"--helpme"}, usage, ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--help"}, usage, ""},
      {{"--src=s", "-x", "--dest=d", "--acc_ver=1"}, usage, ""},
      {{"--dest=d", "--acc_ver=1"}, line(agent_msg_no_src), ""},  // reported in this order
      {{"--src=s"}, line(agent_msg_no_dest), ""},
      {{"--src=s", "--dest=d"}, line(agent_msg_no_format), ""},
      {{"--src=s", "--dest=d", "--acc_ver=1", "--mode=03"}, line(agent_msg_bad_mode), ""},
      {{"--src=s", "--tab_file=/no/such/list"}, line(agent_msg_no_tab_file), ""},
      // a complete command line reaches the connection, which fails
      {{"--src=s", "--dest=d", "--acc_ver=abc", "--mode=3"}, "",
       "Error:\nCannot connect to MS SQL server: the SQL Server side is not available in this build.\n"},
  };
  for (auto& c : cases) {
    c.args.insert(c.args.begin(), "QUILLAGENT");
    std::ostringstream out, err;
    EXPECT_EQ(agent_main(static_cast<int>(c.args.size()), c.args.data(), out, err), agent_exit_failure);
    EXPECT_EQ(err.str(), c.err) << c.args.back();
    EXPECT_EQ(out.str(), c.out) << c.args.back();
  }
  EXPECT_EQ(usage.substr(0, 16), "QUILLAGENT v2.1\n");
  EXPECT_TRUE(usage.ends_with("\n      database' will be used.\n"));
}

TEST(AgentMainDeathTest, TooManyUnrecognizedArgumentsAreAnInternalError) {
  std::vector<const char*> args(tk_cmdli::max_unrecognized + 2, "junk");
  // The handler ends the process itself; its line goes to the output
  // stream given, here standard error for the check.
  EXPECT_EXIT(agent_main(static_cast<int>(args.size()), args.data(), std::cerr, std::cerr),
              ::testing::ExitedWithCode(255), "Internal error: Internal error: \ncode=[0-9a-f]+");
}

class AgentCheckDest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("agent_check_dest_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string existing_file() {
    std::string path = (dir_ / "old.mdb").string();
    std::ofstream(path) << "old";
    return path;
  }

  fs::path dir_;
  quillmere_convertor driver_{quillmere_front_end::agent};
};

TEST_F(AgentCheckDest, OnlyModeZeroRemovesAnExistingDestinationAndBadOnesAreRefused) {
  for (int mode : {0, 1, 2, 3}) {
    std::string dest = existing_file();
    driver_.set_mode(mode);
    check_dest(dest, driver_);
    EXPECT_EQ(fs::exists(dest), mode != 0) << "mode " << mode;
  }
  EXPECT_NO_THROW(check_dest((dir_ / "new.mdb").string(), driver_));
  struct {
    std::string dest;
    const char* message;
  } refused[] = {{dir_.string(), destination_msg_folder},
                 {(dir_ / "missing" / "x.mdb").string(), destination_msg_no_path}};
  for (const auto& c : refused) {
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
    dest = "/proc/self/oom_score_adj";  // root deletes anywhere but here
  } else {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  }
  driver_.set_mode(udb_mode_overwrite_database);
  EXPECT_THROW(check_dest(dest, driver_), tk_exception_ex);
  EXPECT_TRUE(fs::exists(dest));
  fs::permissions(dir_, fs::perms::owner_all);
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
