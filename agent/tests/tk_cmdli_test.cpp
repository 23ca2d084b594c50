#include "agent/tk_cmdli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"

namespace {

const tk_cmdli_option options[] = {
    {0, "--acc_ver="}, {2, "--help"}, {9, "--tab_def"}, {1, "--dest="}, {-1, ""},
};

struct scanned {
  int id;
  std::string value;
};

// Scans `args` (without the program name) and returns what each one gave.
std::vector<scanned> scan_all(std::vector<const char*> args, int* unrecognized = nullptr) {
  args.insert(args.begin(), "QUILLAGENT");
  tk_cmdli scan(static_cast<int>(args.size()), args.data(), options);
  std::vector<scanned> result;
  for (; scan.valid(); scan.next()) result.push_back({scan.id(), scan.value()});
  if (unrecognized) *unrecognized = scan.unrecognized_count();
  return result;
}

TEST(TkCmdli, ClassifiesByFirstMatchingPrefix) {
  struct {
    const char* arg;
    int id;
    const char* value;
  } cases[] = {
      {"--acc_ver=1", 0, "1"},
      {"--acc_ver=", 0, ""},
      {"--dest=a=b", 1, "a=b"},
      {"--help", 2, ""},
      {"--helpme", 2, "me"},       // prefix match, as documented
      {"--tab_defx", 9, "x"},
      {"--HELP", -1, "--HELP"},    // case-sensitive
      {"-x", -1, "-x"},
      {"", -1, ""},
      {"--dest", -1, "--dest"},    // the prefix includes the '='
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    auto result = scan_all({c.arg});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0].id, c.id);
    EXPECT_EQ(result[0].value, c.value);
  }
}

TEST(TkCmdli, VisitsEveryArgumentInOrderAndCountsUnrecognized) {
  int unrecognized = 0;
  auto result = scan_all({"--dest=x", "bogus", "--help", "other"}, &unrecognized);
  ASSERT_EQ(result.size(), 4u);
  EXPECT_EQ(result[0].id, 1);
  EXPECT_EQ(result[1].id, -1);
  EXPECT_EQ(result[2].id, 2);
  EXPECT_EQ(result[3].value, "other");
  EXPECT_EQ(unrecognized, 2);
}

TEST(TkCmdli, NoArgumentsIsNotValidAndGuardsItsCursor) {
  const char* argv[] = {"QUILLAGENT"};
  tk_cmdli scan(1, argv, options);
  EXPECT_FALSE(scan.valid());
  EXPECT_EQ(scan.unrecognized_count(), 0);
  EXPECT_THROW(scan.next(), tk_mail_assertion);
  EXPECT_THROW(scan.value(), tk_mail_assertion);
}

TEST(TkCmdli, TwentyUnrecognizedAreKeptTheTwentyFirstIsAnAssertion) {
  std::vector<const char*> args(tk_cmdli::max_unrecognized, "junk");
  int unrecognized = 0;
  EXPECT_EQ(scan_all(args, &unrecognized).size(), args.size());
  EXPECT_EQ(unrecognized, tk_cmdli::max_unrecognized);

  args.push_back("--help");  // recognized arguments do not count
  EXPECT_NO_THROW(scan_all(args));
  args.push_back("one-too-many");
  EXPECT_THROW(scan_all(args), tk_mail_assertion);
}

}  // namespace
