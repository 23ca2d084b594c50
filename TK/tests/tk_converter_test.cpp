#include "TK/tk_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the protocol's calls; the work is done after `steps` idle steps.
class scripted_converter : public tk_converter {
 public:
  explicit scripted_converter(int steps) : steps_(steps) {}

  bool is_finished() override {
    calls.push_back("is_finished");
    return idles_ >= steps_;
  }
  void idle() override {
    calls.push_back("idle");
    ++idles_;
  }
  void finish() override { calls.push_back("finish"); }

  std::vector<std::string> calls;

 private:
  int steps_;
  int idles_ = 0;
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
