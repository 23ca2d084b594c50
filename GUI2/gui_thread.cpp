#include "GUI2/gui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "TK/tk_exception.h"

namespace {
// One hand-over from a worker to the window thread.
struct main_thread_call {
  std::mutex lock;
  std::condition_variable done_signal;
  bool started = false;
  bool done = false;
  bool abandoned = false;
};
}  // namespace

bool on_main_thread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

bool run_on_main_thread(std::function<void()> work, const std::function<bool()>& give_up) {
  if (on_main_thread()) {
    work();
    return true;
  }
  QCoreApplication* app = QCoreApplication::instance();
  TK_ASSERT(app != nullptr);
  auto call = std::make_shared<main_thread_call>();
  QMetaObject::invokeMethod(
      app,
      [call, work = std::move(work)] {
        {
          std::lock_guard<std::mutex> hold(call->lock);
          if (call->abandoned) return;
          call->started = true;
        }
        work();
        std::lock_guard<std::mutex> hold(call->lock);
        call->done = true;
        call->done_signal.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> hold(call->lock);
  while (!call->done) {
    if (!call->started && give_up && give_up()) {
      call->abandoned = true;
      return false;
    }
    call->done_signal.wait_for(hold, std::chrono::milliseconds(20));
  }
  return true;
}
