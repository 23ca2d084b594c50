#include "TK/tk_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the protocol's calls; the work is done after `steps` idle steps.
struct scripted_converter : tk_converter {
  explicit scripted_converter(int steps) : steps(steps) {}
  bool is_finished() override {
    calls.push_back("is_finished");
    return steps-- <= 0;
  }
  void idle() override { calls.push_back("idle"); }
  void finish() override { calls.push_back("finish"); }
  int steps;
  std::vector<std::string> calls;
};

TEST(TkConverter, RunPollsAndIdlesUntilFinishedThenFinishesOnce) {
  struct {
    int steps;
    std::vector<std::string> calls;
  } cases[] = {
      {0, {"is_finished", "finish"}},
      {2, {"is_finished", "idle", "is_finished", "idle", "is_finished", "finish"}},
  };
  for (const auto& c : cases) {
    scripted_converter converter(c.steps);
    converter();
    EXPECT_EQ(converter.calls, c.calls) << c.steps << " steps";
  }
}

}  // namespace
