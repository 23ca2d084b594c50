#include "crash_points.h"

#include "jet/error.h"

namespace jet {
namespace {

struct CrashState {
  std::uint64_t left = 0;  // 0 = disarmed
  bool tear = false;
  bool dead = false;
  std::uint64_t seen = 0;
};

CrashState& state() {
  static CrashState s;
  return s;
}

}  // namespace

void set_crash_point_for_testing(std::uint64_t writes, bool tear) {
  state() = CrashState{writes, tear, false, 0};
}

bool crashed_for_testing() { return state().dead; }
std::uint64_t writes_seen_for_testing() { return state().seen; }

[[noreturn]] void crash_now() {
  state().dead = true;
  throw Error::io("simulated crash: the process died here");
}

std::size_t crash_point(std::size_t size) {
  CrashState& s = state();
  if (s.dead) crash_now();
  ++s.seen;
  if (s.left == 0) return size;
  if (--s.left > 0) return size;
  s.dead = true;
  return s.tear ? size / 2 : 0;
}

}  // namespace jet
