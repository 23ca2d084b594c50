#include "agent/tk_cmdli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"

namespace {

const tk_cmdli_option options[] = {{0, "--acc_ver="}, {2, "--help"}, {9, "--tab_def"}, {1, "--dest="}, {-1, ""}};

TEST(TkCmdli, ClassifiesEachArgumentByItsFirstMatchingPrefix) {
  std::vector<const char*> argv = {"QUILLAGENT", "--acc_ver=1", "--dest=a=b", "--helpme",
                                   "--tab_defx", "--HELP",      "--dest",     ""};
  struct {
    int id;
    const char* value;
  } expected[] = {{0, "1"}, {1, "a=b"}, {2, "me"}, {9, "x"}, {-1, "--HELP"}, {-1, "--dest"}, {-1, ""}};
  tk_cmdli scan(static_cast<int>(argv.size()), argv.data(), options);
  for (const auto& e : expected) {
    ASSERT_TRUE(scan.valid());
    EXPECT_EQ(scan.id(), e.id) << e.value;
    EXPECT_EQ(scan.value(), e.value);
    scan.next();
  }
  EXPECT_FALSE(scan.valid());
  EXPECT_EQ(scan.unrecognized(), (std::vector<std::string>{"--HELP", "--dest", ""}));
  EXPECT_THROW(scan.next(), tk_mail_assertion);
  EXPECT_THROW(scan.value(), tk_mail_assertion);
}

TEST(TkCmdli, TwentyUnrecognizedAreKeptTheTwentyFirstIsAnAssertion) {
  std::vector<const char*> argv(tk_cmdli::max_unrecognized + 1, "junk");
  argv.push_back("--help");  // recognized arguments do not count
  auto scan_all = [&] {
    tk_cmdli scan(static_cast<int>(argv.size()), argv.data(), options);
    while (scan.valid()) scan.next();
    return scan.unrecognized_count();
  };
  EXPECT_EQ(scan_all(), tk_cmdli::max_unrecognized);
  argv.push_back("one-too-many");
  EXPECT_THROW(scan_all(), tk_mail_assertion);
}

}  // namespace
