#include "TK/tk_thread.h"

#include <functional>
#include <system_error>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
thread_local std::stop_token current_stop_token;

// The default runnable: runs its thread object's run().
class member_runnable : public tk_runnable {
 public:
  explicit member_runnable(std::function<void()> work) : work_(std::move(work)) {}
  void run() override { work_(); }

 private:
  std::function<void()> work_;
};
}  // namespace

bool tk_stop_requested() noexcept { return current_stop_token.stop_requested(); }

tk_thread::~tk_thread() { stop(); }

tk_runnable* tk_thread::make_runnable() {
  owns_runnable_ = true;
  return new member_runnable([this] { run(); });
}

bool tk_thread::start() {
  TK_TRACE(1, "tk_thread::start");
  TK_ASSERT(!is_running());
  cleanup();
  TK_ASSERT(runnable_ == nullptr);
  runnable_ = make_runnable();
  TK_ASSERT(runnable_ != nullptr);
  stop_ = std::stop_source();
  failure_ = nullptr;
  running_.store(true, std::memory_order_release);
  try {
    thread_ = std::thread(&tk_thread::entry, this, runnable_, stop_.get_token());
  } catch (const std::system_error& error) {
    TK_TRACE(2, "tk_thread::start failed: %s", error.what());
    running_.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

void tk_thread::entry(tk_runnable* runnable, std::stop_token token) {
  current_stop_token = std::move(token);
  try {
    TK_ASSERT(runnable != nullptr);
    runnable->run();
  } catch (const std::exception& error) {
    TK_TRACE(3, "tk_thread: run() ended by an exception: %s", error.what());
    failure_ = std::current_exception();
  } catch (...) {
    TK_TRACE(3, "tk_thread: run() ended by an unknown exception");
    failure_ = std::current_exception();
  }
  current_stop_token = std::stop_token();
  running_.store(false, std::memory_order_release);
}

void tk_thread::join_and_forget() noexcept {
  if (thread_.joinable()) thread_.join();
  if (owns_runnable_) delete runnable_;
  runnable_ = nullptr;
  owns_runnable_ = false;
}

void tk_thread::cleanup() {
  TK_ASSERT(!is_running());
  join_and_forget();
}

void tk_thread::terminate() {
  TK_TRACE(1, "tk_thread::terminate");
  TK_ASSERT(thread_.joinable() && is_running());
  stop();
}

void tk_thread::stop() noexcept {
  if (is_running()) stop_.request_stop();
  join_and_forget();
}
