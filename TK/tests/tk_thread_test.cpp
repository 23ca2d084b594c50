#include "TK/tk_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "TK/tk_exception.h"

namespace {

using namespace std::chrono_literals;

// Works "record by record" until asked to stop, like the conversion.
class record_worker : public tk_thread {
 public:
  ~record_worker() override { stop(); }
  std::atomic<int> records{0};
  std::atomic<bool> saw_stop{false};
  std::atomic<bool> closed{false};
  int limit = 1 << 30;

 protected:
  void run() override {
    while (records < limit) {
      if (tk_stop_requested()) {
        saw_stop = true;
        break;
      }
      ++records;
      std::this_thread::sleep_for(1ms);
    }
    closed = true;  // what it held is put away before the thread ends
  }
};

void wait_until(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(1ms);
}

TEST(TkThread, TerminateRaisesTheStopRequestAndWaits) {
  record_worker worker;
  ASSERT_TRUE(worker.start());
  wait_until([&] { return worker.records > 3; });
  EXPECT_TRUE(worker.is_running());
  worker.terminate();
  EXPECT_FALSE(worker.is_running());
  EXPECT_TRUE(worker.saw_stop);
  EXPECT_TRUE(worker.closed);
  EXPECT_TRUE(worker.stop_requested());
}

TEST(TkThread, StartsAgainAfterAFinishedRun) {
  record_worker worker;
  worker.limit = 5;
  ASSERT_TRUE(worker.start());
  wait_until([&] { return !worker.is_running(); });
  EXPECT_EQ(worker.records, 5);
  EXPECT_FALSE(worker.saw_stop);
  worker.limit = 8;
  ASSERT_TRUE(worker.start());
  wait_until([&] { return !worker.is_running(); });
  EXPECT_EQ(worker.records, 8);
  EXPECT_FALSE(worker.stop_requested());
  EXPECT_THROW(worker.terminate(), tk_mail_assertion);  // terminating a finished thread
  worker.cleanup();
}

TEST(TkThread, MisuseIsAnAssertionFailure) {
  record_worker worker;
  EXPECT_THROW(worker.terminate(), tk_mail_assertion);  // never started
  ASSERT_TRUE(worker.start());
  EXPECT_THROW(worker.start(), tk_mail_assertion);
  EXPECT_THROW(worker.cleanup(), tk_mail_assertion);
  worker.terminate();
}

class plain_runnable : public tk_runnable {
 public:
  void run() override {
    ran_on_main = false;
    stop_seen = tk_stop_requested();
    ++runs;
  }
  std::atomic<int> runs{0};
  std::atomic<bool> ran_on_main{true};
  std::atomic<bool> stop_seen{true};
};

// Runs an object it does not own, as the progress page runs the driver.
class borrowing_thread : public tk_thread {
 public:
  explicit borrowing_thread(tk_runnable& runnable) : runnable_(runnable) {}
  tk_runnable* make_runnable() override { return &runnable_; }

 private:
  tk_runnable& runnable_;
};

// Works until asked to stop; says when its run has ended.
class stoppable_runnable : public tk_runnable {
 public:
  void run() override {
    started = true;
    while (!tk_stop_requested()) std::this_thread::sleep_for(1ms);
    ended = true;
  }
  std::atomic<bool> started{false};
  std::atomic<bool> ended{false};
};

TEST(TkThread, DestroyingTheObjectEndsItsThreadFirst) {
  stoppable_runnable runnable;
  {
    borrowing_thread thread(runnable);
    ASSERT_TRUE(thread.start());
    wait_until([&] { return runnable.started.load(); });
    EXPECT_FALSE(runnable.ended);
  }  // the destructor asks the thread to stop and waits for it
  EXPECT_TRUE(runnable.ended);
}

TEST(TkThread, RunsABorrowedRunnableAndLeavesItAlive) {
  plain_runnable runnable;
  {
    borrowing_thread thread(runnable);
    ASSERT_TRUE(thread.start());
    wait_until([&] { return !thread.is_running(); });
    ASSERT_TRUE(thread.start());
    wait_until([&] { return !thread.is_running(); });
  }
  EXPECT_EQ(runnable.runs, 2);
  EXPECT_FALSE(runnable.ran_on_main);
  EXPECT_FALSE(runnable.stop_seen);
  EXPECT_FALSE(tk_stop_requested());  // this thread belongs to no tk_thread
}

class throwing_thread : public tk_thread {
 protected:
  void run() override { throw std::runtime_error("lost connection"); }
};

TEST(TkThread, AnEscapingErrorIsKeptNotFatal) {
  throwing_thread thread;
  ASSERT_TRUE(thread.start());
  wait_until([&] { return !thread.is_running(); });
  thread.cleanup();
  ASSERT_TRUE(thread.failure());
  EXPECT_THROW(std::rethrow_exception(thread.failure()), std::runtime_error);
}

}  // namespace
