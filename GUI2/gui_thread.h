// Running work on the window thread for a worker.
//
// Qt requires every window to be made and shown by the thread that runs
// the application's event loop.  A worker that must ask the user something
// (an error box, the continue-or-abort dialog) hands the work to that
// thread and waits for it; on the window thread itself the work simply
// runs.  A worker may give up waiting while the window thread has not yet
// taken the work up (the wizard closes under it); the work is then never
// run, so a window thread that waits for the worker cannot deadlock.
//
// Thread-safety: callable from any thread once the QApplication exists.
#pragma once

#include <functional>
#include <memory>

// True on the thread that owns the application object.
bool on_main_thread();

// Runs `work` on the window thread and waits until it has run: true.
// False when `give_up` (asked while waiting; may be empty) answered true
// before the window thread took the work up; it never runs then.
// REQUIRES: a QApplication exists; `work` does not throw.
bool run_on_main_thread(std::function<void()> work, const std::function<bool()>& give_up = {});

// The same for work with an answer: `fallback` when given up.
template <class Answer>
Answer ask_on_main_thread(std::function<Answer()> work, Answer fallback,
                          const std::function<bool()>& give_up = {}) {
  auto answer = std::make_shared<Answer>(fallback);
  bool ran = run_on_main_thread([answer, work = std::move(work)] { *answer = work(); }, give_up);
  return ran ? *answer : fallback;
}
