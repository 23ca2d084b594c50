// The error handler's decisions, seen through a front end that records what
// it was asked to show and answers like the wizard's user would, and the
// agent's console lines.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "convert/console_front_end.h"
#include "convert/error_handler.h"

namespace {

class scripted_front_end : public console_front_end {  // progress lines are never asked for here
 public:
  scripted_front_end() : console_front_end(std::cout, std::cout) {}
  void report_error(const std::string& message) override { calls.push_back("report " + message); }
  continue_answer ask_continue(const std::string& message) override {
    calls.push_back("ask " + message);
    return answer;
  }
  void show_abort(const std::string& message) override { calls.push_back("abort box " + message); }

  std::vector<std::string> calls;
  continue_answer answer;
};

class ErrorHandler : public testing::Test {
 protected:
  ErrorHandler() { handler.load_err_map(tk_dao_message_count, tk_dao_messages); }
  scripted_front_end front;
  error_handler handler{tk_oledb_message_count, tk_oledb_messages, front};
};

TEST_F(ErrorHandler, MessagesCarryTheContextAndTheFriendlyTextOnOneLine) {
  struct {
    const char* table;
    int record;  // 0: no record
    tk_exception error;
    std::string message;
  } cases[] = {
      {"Orders", 0, tk_exception("raw text", 0, 0x80E4D), "Orders: Invalid user name or password."},
      {"Orders", 17, tk_exception("raw", 0, 0x10BCE),
       "Orders, record #17: Duplicate field values being used for an unique index were found. See "
       "'Troubleshooting' article of the product documentation for solution."},
      {"", 0, tk_exception("no friendly text\r\nfor this code", 1, 0x12345), "no friendly text for this code"},
      {"T", 0, tk_exception("a\rb\nc", 0), "T: a b c"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.message);
    c.record != 0 ? handler.set_context(c.table, c.record) : handler.set_context(c.table);
    EXPECT_EQ(error_one_line(handler.message_for(c.error)), c.message);
  }
}

TEST_F(ErrorHandler, LevelsDecideWhetherTheRunGoesOn) {
  handler.set_context("Orders");
  EXPECT_NO_THROW(handler.handle(tk_exception("minor", tk_level_recoverable)));
  EXPECT_NO_THROW(handler.handle(tk_final_exception()));
  EXPECT_FALSE(handler.stopped());
  EXPECT_THROW(handler.handle(tk_exception("major", tk_level_abort)), tk_final_exception);
  EXPECT_TRUE(handler.stopped());
  EXPECT_THROW(handler.handle(tk_exception("odd", 3)), tk_final_exception);  // no such level: stop
  EXPECT_EQ(front.calls, (std::vector<std::string>{"report Orders: minor", "ask Orders: minor",
                                                   "report Orders: major", "abort box Orders: major",
                                                   "report Orders: odd", "abort box Orders: odd"}));
}

TEST_F(ErrorHandler, TheWizardsUserMayAbortOrStopBeingAsked) {
  front.answer = {false, true};  // Abort, box ticked: quiet stays as it was
  EXPECT_THROW(handler.handle(tk_exception("one", 0)), tk_final_exception);
  EXPECT_FALSE(handler.quiet());
  front.answer = {true, true};  // Continue, box ticked
  handler.handle(tk_exception("two", 0));
  EXPECT_TRUE(handler.quiet());
  handler.handle(tk_exception("three", 0));
  EXPECT_THROW(handler.handle(tk_exception("four", 1)), tk_final_exception);
  // Once quiet, errors are still reported but nothing more is asked or shown.
  EXPECT_EQ(front.calls, (std::vector<std::string>{"report one", "ask one", "report two", "ask two",
                                                   "report three", "report four"}));
}

TEST(ConsoleFrontEnd, PrintsTheAgentsLinesAndAnUnexpectedErrorCountsAsAStop) {
  std::ostringstream out, err;
  console_front_end console(out, err);
  error_handler handler(tk_oledb_message_count, tk_oledb_messages, console);
  handler.set_context("Orders");
  handler.handle(tk_exception("Line one\nline two", 0));
  console.table_missing("Ghost");
  EXPECT_FALSE(handler.stopped());
  handler.handle_unexpected("what()");
  EXPECT_TRUE(handler.stopped());
  EXPECT_THROW(handler.handle(tk_exception("Stop", 1)), tk_final_exception);
  EXPECT_EQ(out.str(), "Error:\nOrders: Line one line two\nError:\nOrders: Stop\n");
  EXPECT_EQ(err.str(), "Table Ghost not exists\nwhat()\n");
}

}  // namespace
