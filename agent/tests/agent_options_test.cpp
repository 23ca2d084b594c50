#include "agent/agent_options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "agent/agent_exit.h"
#include "convert/quillmere_convertor.h"

namespace {

namespace fs = std::filesystem;

// Parses `args` (without the program name) into a fresh agent driver.
// Returns the fatal message, or "" when parsing returned.
struct parse_result {
  bool returned = false;
  bool recognized = false;
  std::string fatal;
};

parse_result parse(std::vector<const char*> args, quillmere_convertor& driver) {
  args.insert(args.begin(), "QUILLAGENT");
  parse_result result;
  try {
    result.recognized = parse_cmd_line(static_cast<int>(args.size()), args.data(), driver);
    result.returned = true;
  } catch (const agent_exit& exit) {
    result.fatal = exit.message();
  }
  return result;
}

class AgentOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("agent_options_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write_file(const std::string& name, const std::string& text) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  quillmere_convertor& driver() { return driver_; }

  fs::path dir_;
  quillmere_convertor driver_{quillmere_front_end::agent};
};

TEST_F(AgentOptions, EveryOptionReachesItsSetting) {
  std::string tab_file = write_file("tabs.txt", "Orders\nCustomers\n");
  std::string tab_arg = "--tab_file=" + tab_file;
  auto result = parse({"--src=North", "--dest=/data/x.accdb", "--acc_ver=0", "--mode=3",
                       "--mssqlh=db1", "--mssqlu=sa", "--mssqlp=pw", "--skip_idx", "--tab_def",
                       tab_arg.c_str()},
                      driver());
  ASSERT_TRUE(result.returned) << result.fatal;
  EXPECT_TRUE(result.recognized);
  EXPECT_EQ(driver().src(), "North");
  EXPECT_EQ(driver().dest(), "/data/x.mdb");
  EXPECT_EQ(driver().format(), 0);
  EXPECT_EQ(driver().mode(), 3);
  EXPECT_EQ(driver().host(), "db1");
  EXPECT_EQ(driver().user(), "sa");
  EXPECT_EQ(driver().pswd(), "pw");
  EXPECT_FALSE(driver().sec_log());
  EXPECT_TRUE(driver().skip_idx());
  EXPECT_TRUE(driver().tab_def());
  EXPECT_EQ(driver().tables(), (std::vector<std::string>{"Orders", "Customers"}));
}

TEST_F(AgentOptions, AgentDefaultsWhenOnlyMandatoryOptionsAreGiven) {
  auto result = parse({"--src=s", "--dest=d", "--acc_ver=1"}, driver());
  ASSERT_TRUE(result.returned) << result.fatal;
  EXPECT_EQ(driver().mode(), 0);
  EXPECT_FALSE(driver().tab_def());
  EXPECT_FALSE(driver().skip_idx());
  EXPECT_TRUE(driver().tables().empty());
  EXPECT_TRUE(driver().host().empty());
  EXPECT_TRUE(driver().sec_log());
}

TEST_F(AgentOptions, WindowsAuthenticationOnlyWithoutUserAndPassword) {
  struct {
    std::vector<const char*> login;
    bool sec_log;
  } cases[] = {
      {{}, true},
      {{"--mssqlh=db1"}, true},
      {{"--mssqlu=sa"}, false},  // a login with an empty password
      {{"--mssqlp=pw"}, false},
      {{"--mssqlu=sa", "--mssqlp=pw"}, false},
      {{"--mssqlu="}, true},     // an empty user is no user
  };
  for (const auto& c : cases) {
    driver().set_sec_log(!c.sec_log);
    std::vector<const char*> args = {"--src=s", "--dest=d", "--acc_ver=1"};
    args.insert(args.end(), c.login.begin(), c.login.end());
    auto result = parse(args, driver());
    ASSERT_TRUE(result.returned) << result.fatal;
    EXPECT_EQ(driver().sec_log(), c.sec_log) << (c.login.empty() ? "" : c.login[0]);
  }
}

TEST_F(AgentOptions, RepeatedOptionsLastWinsAndEachTabFileReplacesTheList) {
  std::string first = "--tab_file=" + write_file("a.txt", "A\nB\n");
  std::string second = "--tab_file=" + write_file("b.txt", "C\n");
  auto result = parse({"--src=one", "--src=two", "--dest=d", "--acc_ver=0", "--acc_ver=1",
                       "--mode=2", "--mode=1", first.c_str(), second.c_str()},
                      driver());
  ASSERT_TRUE(result.returned) << result.fatal;
  EXPECT_EQ(driver().src(), "two");
  EXPECT_EQ(driver().format(), 1);
  EXPECT_EQ(driver().mode(), 1);
  EXPECT_EQ(driver().tables(), std::vector<std::string>{"C"});
}

TEST_F(AgentOptions, UnrecognizedArgumentsMakeParsingFailAfterStoringTheRest) {
  auto result = parse({"--src=s", "-x", "--dest=d", "--acc_ver=1"}, driver());
  ASSERT_TRUE(result.returned) << result.fatal;
  EXPECT_FALSE(result.recognized);
  EXPECT_EQ(driver().src(), "s");
}

TEST_F(AgentOptions, HelpStopsParsingWithTheUsageText) {
  auto result = parse({"--src=s", "--help", "--dest=d"}, driver());
  EXPECT_FALSE(result.returned);
  EXPECT_EQ(result.fatal.rfind("QUILLAGENT v2.1\n", 0), 0u);
  EXPECT_EQ(driver().src(), "s");     // stored before "--help"
  EXPECT_TRUE(driver().dest().empty());  // never looked at
}

TEST(AgentParseMode, AcceptsExactlyTheFourDecimalModes) {
  struct {
    const char* text;
    bool accepted;
    int mode;
  } cases[] = {
      {"0", true, 0},   {"1", true, 1},    {"2", true, 2},     {"3", true, 3},
      {"4", false, 0},  {"-1", false, 0},  {"03", false, 0},   {"+1", false, 0},
      {" 1", false, 0}, {"1 ", false, 0},  {"1x", false, 0},   {"", false, 0},
      {"-0", false, 0}, {"99999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    int mode = -7;
    EXPECT_EQ(parse_mode(c.text, mode), c.accepted) << '"' << c.text << '"';
    if (c.accepted) EXPECT_EQ(mode, c.mode);
    else EXPECT_EQ(mode, -7) << "a refused value leaves the mode";
  }
}

TEST(AgentParseFormat, ReadsLeadingDigitsLikeAtoi) {
  struct {
    const char* text;
    int format;
  } cases[] = {
      {"1", 1},   {"0", 0},   {"abc", 0},       {"", 0},
      {"7x", 7},  {" 1", 1},  {"-1", -1},       {"99999999999999999999", 2147483647},
      {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_format(c.text), c.format) << '"' << c.text << '"';
}

TEST(AgentDestPath, MadeFullWithTheMdbExtension) {
  std::string here = fs::current_path().string();
  if (here.back() != '/') here += '/';
  struct {
    std::string value;
    std::string dest;
  } cases[] = {
      {"report", here + "report.mdb"},
      {"out.txt", here + "out.mdb"},
      {"out.mdb", here + "out.mdb"},
      {"sub/a.b.c", here + "sub/a.b.mdb"},
      {"/data/x.accdb", "/data/x.mdb"},
      {"/data/./y/../x", "/data/x.mdb"},
      {"", ""},         // no file: reported as a missing destination
      {"/data/", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(make_dest_path(c.value), c.dest) << '"' << c.value << '"';
}

TEST(AgentTableNames, NonEmptyLinesWholeAndAsTheyStand) {
  std::string long_name(1000, 'n');
  struct {
    std::string text;
    std::vector<std::string> names;
  } cases[] = {
      {"", {}},
      {"\n\n\r\n", {}},
      {"A\n\nB\n\n", {"A", "B"}},
      {"A\r\nB\r\n", {"A", "B"}},
      {"no final break", {"no final break"}},
      {" padded \n", {" padded "}},
      {"dup\ndup\n", {"dup", "dup"}},
      {"dbo.x.y\n" + long_name + "\nlast\n", {"dbo.x.y", long_name, "last"}},
      {"Bestellungen\xC3\x9C\n", {"Bestellungen\xC3\x9C"}},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::vector<std::string> names;
    size_t bad_line = 0;
    EXPECT_TRUE(read_table_names(in, names, bad_line));
    EXPECT_EQ(names, c.names) << c.text.substr(0, 40);
  }
}

TEST(AgentTableNames, RefusesTextThatIsNotUtf8) {
  struct {
    std::string text;
    size_t bad_line;
  } cases[] = {
      {"ok\n\n\xFF\n", 3},
      {"caf\xE9\n", 1},                // Latin-1, not UTF-8
      {std::string("a\0b\n", 4), 1},    // a zero byte
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::vector<std::string> names;
    size_t bad_line = 0;
    EXPECT_FALSE(read_table_names(in, names, bad_line));
    EXPECT_EQ(bad_line, c.bad_line);
  }
}

TEST_F(AgentOptions, TableFileProblemsEndTheRun) {
  EXPECT_EQ(parse({"--tab_file=/no/such/file"}, driver()).fatal, agent_msg_no_tab_file);
  std::string folder = "--tab_file=" + dir_.string();
  EXPECT_EQ(parse({folder.c_str()}, driver()).fatal, agent_msg_no_tab_file);
  std::string latin1 = "--tab_file=" + write_file("l1.txt", "caf\xE9\n");
  EXPECT_EQ(parse({latin1.c_str()}, driver()).fatal,
            "Table names file holds a line that is not UTF-8 text (line 1).");
}

TEST_F(AgentOptions, EmptyTableFileMeansEveryTable) {
  driver().set_tables({"stale"});
  std::string arg = "--tab_file=" + write_file("empty.txt", "\n\n");
  auto result = parse({"--src=s", "--dest=d", "--acc_ver=1", arg.c_str()}, driver());
  ASSERT_TRUE(result.returned) << result.fatal;
  EXPECT_TRUE(driver().tables().empty());
}

}  // namespace
