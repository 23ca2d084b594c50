#include "TK/tk_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "TK/tk_exception.h"

namespace {

using namespace std::chrono_literals;

// Works "record by record" until its limit or a stop request, like the
// conversion, and puts away what it held before its run ends.
class record_runnable : public tk_runnable {
 public:
  void run() override {
    ++runs;
    while (records < limit) {
      if (tk_stop_requested()) {
        saw_stop = true;
        break;
      }
      ++records;
      std::this_thread::sleep_for(1ms);
    }
    closed = true;
  }
  std::atomic<int> records{0}, runs{0};
  std::atomic<bool> saw_stop{false}, closed{false};
  int limit = 1 << 30;
};

// Runs the work through its own run().
class record_worker : public tk_thread {
 public:
  ~record_worker() override { stop(); }
  record_runnable work;

 protected:
  void run() override { work.run(); }
};

// Runs an object it does not own, as the progress page runs the driver.
class borrowing_thread : public tk_thread {
 public:
  explicit borrowing_thread(tk_runnable& runnable) : runnable_(runnable) {}
  tk_runnable* make_runnable() override { return &runnable_; }

 private:
  tk_runnable& runnable_;
};

void wait_until(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(1ms);
}

TEST(TkThread, TerminateRaisesTheStopRequestAndWaits) {
  record_worker worker;
  ASSERT_TRUE(worker.start());
  wait_until([&] { return worker.work.records > 3; });
  EXPECT_TRUE(worker.is_running());
  worker.terminate();
  EXPECT_FALSE(worker.is_running());
  EXPECT_TRUE(worker.work.saw_stop);
  EXPECT_TRUE(worker.work.closed);
  EXPECT_TRUE(worker.stop_requested());
}

TEST(TkThread, StartsAgainAfterAFinishedRun) {
  record_worker worker;
  worker.work.limit = 5;
  ASSERT_TRUE(worker.start());
  wait_until([&] { return !worker.is_running(); });
  EXPECT_EQ(worker.work.records, 5);
  EXPECT_FALSE(worker.work.saw_stop);
  worker.work.limit = 8;
  ASSERT_TRUE(worker.start());
  wait_until([&] { return !worker.is_running(); });
  EXPECT_EQ(worker.work.records, 8);
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

TEST(TkThread, DestroyingTheObjectEndsItsThreadFirst) {
  record_runnable runnable;
  {
    borrowing_thread thread(runnable);
    ASSERT_TRUE(thread.start());
    wait_until([&] { return runnable.records > 0; });
    EXPECT_FALSE(runnable.closed);
  }  // the destructor asks the thread to stop and waits for it
  EXPECT_TRUE(runnable.saw_stop);
  EXPECT_TRUE(runnable.closed);
}

TEST(TkThread, RunsABorrowedRunnableAndLeavesItAlive) {
  record_runnable runnable;
  runnable.limit = 2;
  {
    borrowing_thread thread(runnable);
    ASSERT_TRUE(thread.start());
    wait_until([&] { return !thread.is_running(); });
    ASSERT_TRUE(thread.start());
    wait_until([&] { return !thread.is_running(); });
  }
  EXPECT_EQ(runnable.runs, 2);
  EXPECT_FALSE(runnable.saw_stop);
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
