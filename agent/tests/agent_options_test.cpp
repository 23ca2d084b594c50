#include "agent/agent_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TK/tk_trace.h"
#include "agent/agent_exit.h"
#include "agent/tests/agent_test_dir.h"
#include "convert/quillmere_convertor.h"

namespace {

namespace fs = std::filesystem;

class AgentOptions : public ::testing::Test {
 protected:
  std::string write_file(const std::string& name, const std::string& text) {
    fs::path path = dir_.path / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  // Parses `args` (without the program name): the fatal message, or "" when
  // parsing returned (`recognized` then says what it returned).
  std::string parse(std::vector<const char*> args, bool* recognized = nullptr) {
    args.insert(args.begin(), "QUILLAGENT");
    try {
      bool result = parse_cmd_line(static_cast<int>(args.size()), args.data(), driver_);
      if (recognized) *recognized = result;
      return "";
    } catch (const agent_exit& exit) {
      return exit.message();
    }
  }

  agent_test_dir dir_{"agent_options_"};
  quillmere_convertor driver_{quillmere_front_end::agent};
};

TEST_F(AgentOptions, EveryOptionReachesItsSettingAndTheLastOccurrenceWins) {
  std::string first = "--tab_file=" + write_file("a.txt", "A\nB\n");
  std::string second = "--tab_file=" + write_file("b.txt", "Orders\n\nCustomers\n");
  bool recognized = false;
  ASSERT_EQ(parse({"--src=one", "--src=North", "--dest=/data/x.accdb", "--acc_ver=1", "--acc_ver=0",
                   "--mode=2", "--mode=3", "--mssqlh=db1", "--mssqlu=sa", "--mssqlp=pw", "--skip_idx",
                   "--tab_def", first.c_str(), second.c_str()},
                  &recognized),
            "");
  EXPECT_TRUE(recognized);
  EXPECT_EQ(driver_.src(), "North");
  EXPECT_EQ(driver_.dest(), "/data/x.mdb");
  EXPECT_EQ(driver_.format(), 0);
  EXPECT_EQ(driver_.mode(), 3);
  EXPECT_EQ(driver_.host(), "db1");
  EXPECT_EQ(driver_.user(), "sa");
  EXPECT_EQ(driver_.pswd(), "pw");
  EXPECT_TRUE(driver_.skip_idx());
  EXPECT_TRUE(driver_.tab_def());
  EXPECT_EQ(driver_.tables(), (std::vector<std::string>{"Orders", "Customers"}));
}

TEST_F(AgentOptions, EachOptionTracesItsLine) {
  if (tk_trace_sink::active()) GTEST_SKIP() << "QUILL_TRACE installed a sink";
  std::string list = write_file("t.txt", "Orders\n");
  std::string tab_file = "--tab_file=" + list;
  std::string trace_file = (dir_.path / "trace.txt").string();
  {
    tk_trace_sink sink(trace_file, 1, true, false);
    ASSERT_EQ(parse({"--acc_ver=x", "--dest=out", "--mode=2", "--skip_idx", "--src=North", "--tab_def",
                     tab_file.c_str()}),
              "");
  }
  std::ifstream in(trace_file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::string expected[] = {
      "parse_cmd_line\r", "\tgot format version: x\r", "parse_cmd_line - got dest out\r", "\tgot mode 2\r",
      "udb_converter::set_mode(2)\r", "\tskip converting indexes\r", "parse_cmd_line - got src North\r",
      "\tconvert table definitions only\r", "\tparse_cmd_line - got tab_file " + list + "\r",
      "process_tab_file(" + list + ")\r"};
  // In this order; the toolkit's own lines may stand between them.
  auto next = lines.begin();
  for (const std::string& line : expected) {
    next = std::find(next, lines.end(), line);
    ASSERT_NE(next, lines.end()) << "missing or out of order: " << line;
  }
}

TEST_F(AgentOptions, WindowsAuthenticationOnlyWithoutUserAndPassword) {
  struct {
    const char* login;
    bool sec_log;
  } cases[] = {
      {"--mssqlh=db1", true}, {"--mssqlu=sa", false}, {"--mssqlp=pw", false}, {"--mssqlu=", true},
  };
  for (const auto& c : cases) {
    driver_.set_sec_log(!c.sec_log);
    ASSERT_EQ(parse({"--src=s", "--dest=d", "--acc_ver=1", c.login}), "");
    EXPECT_EQ(driver_.sec_log(), c.sec_log) << c.login;
  }
}

// A missing file: agent_main_test.
TEST_F(AgentOptions, TableFileProblemsEndTheRun) {
  std::string folder = "--tab_file=" + dir_.path.string();
  std::string latin1 = "--tab_file=" + write_file("l1.txt", "Orders\ncaf\xE9\n");
  EXPECT_EQ(parse({folder.c_str()}), agent_msg_no_tab_file);
  EXPECT_EQ(parse({latin1.c_str()}), "Table names file holds a line that is not UTF-8 text (line 2).");
  EXPECT_EQ(parse({"--tab_file=/dev/zero"}), agent_msg_tab_file_too_large);  // a file without end
}

TEST(AgentTableFile, IsReadWholeUpToItsLimit) {
  struct {
    std::string text;
    size_t limit;
    bool accepted;
  } cases[] = {{"", 0, true}, {"abc", 3, true}, {"abcd", 3, false}, {std::string(20000, 'x'), 20000, true},
               {std::string(20001, 'x'), 20000, false}};
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::string text;
    EXPECT_EQ(read_bounded(in, text, c.limit), c.accepted) << c.text.size() << " of " << c.limit;
    if (c.accepted) {
      EXPECT_EQ(text, c.text);
    }
  }
}

TEST(AgentOptionValues, ModeFormatAndDestination) {
  for (const char* text : {"0", "3", "4", "-1", "03", "+1", " 1", "1x", "", "-0", "99999999999999999999"}) {
    const bool accepted = text == std::string("0") || text == std::string("3");
    int mode = -7;
    EXPECT_EQ(parse_mode(text, mode), accepted) << '"' << text << '"';
    EXPECT_EQ(mode, accepted ? std::atoi(text) : -7) << '"' << text << '"';
  }

  EXPECT_EQ(parse_format("abc"), 0);
  EXPECT_EQ(parse_format("1x"), 1);
  EXPECT_EQ(parse_format("-1"), -1);
  EXPECT_EQ(parse_format("99999999999999999999"), 2147483647);  // held, not undefined

  std::string here = fs::current_path().string() + "/";
  struct {
    std::string value, dest;
  } dests[] = {
      {"report", here + "report.mdb"},      {"out.txt", here + "out.mdb"},
      {"sub/a.b.c", here + "sub/a.b.mdb"},  {"/data/x.accdb", "/data/x.mdb"},
      {"/data/./y/../x", "/data/x.mdb"},    {"", ""},  // names no file:
      {"/data/", ""},                                  // reported as missing
  };
  for (const auto& c : dests) EXPECT_EQ(make_dest_path(c.value), c.dest) << '"' << c.value << '"';
}

TEST(AgentTableNames, NonEmptyLinesWholeAndAsTheyStandOrTheFirstBadLine) {
  std::string long_name(1000, 'n');
  struct {
    std::string text;
    std::vector<std::string> names;
    size_t bad_line;  // 0: the file is accepted
  } cases[] = {
      {"", {}, 0},
      {"\n\n\r\n", {}, 0},  // only empty lines: every table
      {"A\r\n\nB\n\n", {"A", "B"}, 0},
      {"\xEF\xBB\xBFOrders\r\n\xEF\xBB\xBFx\n", {"Orders", "\xEF\xBB\xBFx"}, 0},  // a mark only at the start
      {" padded \ndup\ndup", {" padded ", "dup", "dup"}, 0},
      {"dbo.x.y\n" + long_name + "\nlast\n", {"dbo.x.y", long_name, "last"}, 0},
      {"Stra\xC3\x9F" "e\n", {"Stra\xC3\x9F" "e"}, 0},
      {"ok\n\n\xFF\n", {"ok"}, 3},
      {std::string("a\0b\n", 4), {}, 1},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    std::vector<std::string> names;
    size_t bad_line = 0;
    EXPECT_EQ(read_table_names(in, names, bad_line), c.bad_line == 0) << c.text.substr(0, 20);
    EXPECT_EQ(bad_line, c.bad_line);
    EXPECT_EQ(names, c.names);
  }
}

}  // namespace
