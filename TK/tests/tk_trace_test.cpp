#include "TK/tk_trace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <regex>

#include "TK/tests/tk_test_files.h"

namespace {

class TraceTest : public testing::Test {
 protected:
  void SetUp() override {
    if (tk_trace_sink::active()) GTEST_SKIP() << "QUILL_TRACE installed a sink";
  }
  bool exists() const { return std::filesystem::exists(file_); }
  std::string text() const { return tk_test_read(file_); }
  tk_test_folder folder_;
  std::string file_ = folder_.path + "/trace.txt";
};

int evaluated = 0;
const char* counted() {
  ++evaluated;
  return "x";
}

TEST_F(TraceTest, WithoutASinkNothingIsWrittenOrEvaluated) {
  TK_TRACE(3, "mss_engine::open_db(%s)", counted());
  tk_trace(3, "direct %d", 1);
  EXPECT_EQ(evaluated, 0);
  EXPECT_FALSE(exists());
}

TEST_F(TraceTest, SinkEmptiesItsFileAtTheFirstCallNotAtConstruction) {
  std::ofstream(file_) << "an earlier run\n";
  tk_trace_sink sink(file_, 2, true, false);
  EXPECT_EQ(text(), "an earlier run\n");
  TK_TRACE(1, "below the threshold");
  EXPECT_TRUE(exists());
  EXPECT_EQ(text(), "");
  TK_TRACE(2, "at the threshold %d", 2);
  TK_TRACE(3, "above it: %s", "yes");
  TK_TRACE(1, "below again");
  EXPECT_EQ(text(), "at the threshold 2\r\nabove it: yes\r\n");
}

TEST_F(TraceTest, TimestampAndLineEndFollowTheirFlags) {
  {
    tk_trace_sink sink(file_, 1, false, true);
    TK_TRACE(1, "Got %d records", 5);
    TK_TRACE(1, "|next");
  }
  EXPECT_TRUE(std::regex_match(text(), std::regex(R"(\d\d:\d\d:\d\d Got 5 records\d\d:\d\d:\d\d \|next)")))
      << text();
}

TEST_F(TraceTest, DisabledOrUnwritableSinkLosesMessagesSilently) {
  {
    tk_trace_sink unwritable(folder_.path + "/missing/trace.txt");
    EXPECT_NO_THROW(TK_TRACE(3, "lost"));
  }
  tk_trace_sink sink(file_);
  sink.set_enabled(false);
  TK_TRACE(3, "hidden");
  EXPECT_FALSE(exists());
  sink.set_enabled(true);
  TK_TRACE(3, "shown");
  EXPECT_NE(text().find("shown\r\n"), std::string::npos);
}

TEST_F(TraceTest, LongMessagesAreCutAt64KiB) {
  tk_trace_sink sink(file_, 1, false, false);
  std::string big(100000, 'x');
  TK_TRACE(1, "%s", big.c_str());
  EXPECT_EQ(text().size(), 64u * 1024 - 1);
}

TEST_F(TraceTest, EnvironmentNamesTheTraceFile) {
  ::unsetenv("QUILL_TRACE");
  EXPECT_EQ(tk_trace_sink::from_environment(), nullptr);
  ::setenv("QUILL_TRACE", "", 1);
  EXPECT_EQ(tk_trace_sink::from_environment(), nullptr);
  ::setenv("QUILL_TRACE", file_.c_str(), 1);
  auto sink = tk_trace_sink::from_environment();
  ::unsetenv("QUILL_TRACE");
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->file_name(), file_);
  EXPECT_EQ(sink->threshold(), 1);
  TK_TRACE(1, "on");
  EXPECT_TRUE(std::regex_match(text(), std::regex(R"(\d\d:\d\d:\d\d on\r\n)"))) << text();
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// The trace sink is one of them.
TEST_F(TraceTest, SingleInstancesAssertOnASecondOrAMissingOne) {
  struct lonely : tk_single_instance<lonely> {};
  EXPECT_EQ(lonely::instance_ptr(), nullptr);
  EXPECT_THROW(lonely::instance(), tk_mail_assertion);
  {
    lonely one;
    EXPECT_EQ(&lonely::instance(), &one);
  }
  EXPECT_EQ(lonely::instance_ptr(), nullptr);
  tk_trace_sink sink(file_);
  EXPECT_EQ(&tk_trace_sink::instance(), &sink);
  EXPECT_THROW(tk_trace_sink second(file_), tk_mail_assertion);
  EXPECT_EQ(tk_trace_sink::instance_ptr(), &sink);
}

}  // namespace
