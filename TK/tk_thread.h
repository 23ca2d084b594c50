// The worker thread of the wizard: starts one thread at a time from a
// runnable object, and stops, waits for and cleans up that thread.
//
// Stopping is cooperative.  A thread is never killed: terminate() raises a
// stop request and waits for the thread to end.  The work running on the
// thread sees the request through tk_stop_requested() (the conversion asks
// between records and between tables) and winds up, leaving what it holds
// (connections, the destination file) closed and whole.
//
// Misuse raises tk_mail_assertion: starting over a running thread,
// cleaning up a running one, terminating one that is not running.
// Thread-safety: the object belongs to the thread that owns it (the
// wizard's window thread); only tk_stop_requested() and is_running() may
// be called from the worker.
#pragma once

#include <atomic>
#include <exception>
#include <stop_token>
#include <thread>

// True when the tk_thread that runs the calling thread has been asked to
// stop; always false on a thread that no tk_thread started (the agent's
// main thread).  Cheap enough to ask once per record.
bool tk_stop_requested() noexcept;

// What a tk_thread runs.
class tk_runnable {
 public:
  virtual ~tk_runnable() = default;
  virtual void run() = 0;
};

class tk_thread {
 public:
  tk_thread() = default;
  // A running thread is stopped and waited for (stop()), else cleaned up.
  virtual ~tk_thread();
  tk_thread(const tk_thread&) = delete;
  tk_thread& operator=(const tk_thread&) = delete;

  // The runnable to execute.  Default: a fresh runnable, owned by this
  // object, that calls run().  An override may return an object it keeps
  // (not owned: it must outlive the thread) or call set_owns_runnable().
  virtual tk_runnable* make_runnable();

  // Begins a new thread running make_runnable()'s run().  Returns false
  // when the thread could not be created.  A finished thread is cleaned up
  // first.  REQUIRES: no thread is running.
  bool start();

  // Raises the stop request and waits without limit for the thread to
  // end, then cleans up.  REQUIRES: the thread is running.  A thread may
  // end on its own between an is_running() test and this call, which is
  // then an assertion failure: to stop a thread that may be finishing,
  // call stop().
  void terminate();

  // Forgets a finished thread and destroys an owned runnable.
  // REQUIRES: the thread is not running.
  void cleanup();

  // terminate() when running, else cleanup(); never throws.  A derived
  // class whose run() uses its own members calls this in its destructor,
  // before those members are gone.
  void stop() noexcept;

  // True from start() until the runnable's run() has returned.
  bool is_running() const noexcept { return running_.load(std::memory_order_acquire); }

  // True once terminate() or stop() has asked the current thread to stop.
  bool stop_requested() const noexcept { return stop_.stop_requested(); }

  // What escaped the last run(), or null; read it once the thread has
  // ended.  run() should handle its own errors; an escaping one is traced
  // and kept here instead of ending the program.
  std::exception_ptr failure() const noexcept { return failure_; }

 protected:
  // The work of the default runnable.  Default: nothing.
  virtual void run() {}

  void set_owns_runnable(bool owns) noexcept { owns_runnable_ = owns; }

 private:
  void entry(tk_runnable* runnable, std::stop_token token);
  void join_and_forget() noexcept;

  std::thread thread_;
  std::stop_source stop_{std::nostopstate};
  std::atomic<bool> running_{false};
  bool owns_runnable_ = false;
  tk_runnable* runnable_ = nullptr;
  std::exception_ptr failure_;
};
