// The process-wide trace facility: leveled, printf-style messages written to
// a trace file only when a trace sink is installed.  Without a sink (the
// shipped state) a trace costs one pointer test and evaluates no argument.
//
// Levels: 1 entry into an operation and routine findings, 2 details and
// failures found while working, 3 the run's landmarks and error texts.
//
// Tracing for support: when the environment variable QUILL_TRACE names a
// file at program start, a sink writing there (threshold 1, timestamps, a
// line end after each message) is installed for the life of the program.
//
// Thread-safety: tk_trace may be called from any thread; each message is
// written whole by one open-write-close sequence.
#pragma once

#include <atomic>
#include <cstdarg>
#include <memory>
#include <mutex>
#include <string>

#include "TK/tk_singl.h"

// Writes one message when a sink is installed and enabled and `level` is
// at least its threshold.  Never throws, never fails visibly.
// REQUIRES: `format` is one of our own constant texts, never user data;
// user texts travel as arguments ("%s").
void tk_trace(int level, const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));

// The trace call of every operation.  The format must be a string literal;
// with no sink installed the arguments are not evaluated.
#define TK_TRACE(level, format, ...)                                      \
  do {                                                                    \
    if (::tk_trace_sink::active())                                        \
      ::tk_trace((level), "" format __VA_OPT__(, ) __VA_ARGS__);          \
  } while (0)

// The trace sink: at most one per process; installed by constructing it,
// removed by destroying it.
class tk_trace_sink : public tk_single_instance<tk_trace_sink> {
 public:
  // The file is not touched here: the first trace call of the run empties
  // it, whatever that call's level.
  explicit tk_trace_sink(std::string file_name, int threshold = 1, bool append_line_end = true,
                         bool timestamp = true);

  // True when a sink is installed: the pointer test of every trace call.
  static bool active() noexcept { return instance_ptr() != nullptr; }

  // The sink named by QUILL_TRACE, or null when the variable is unset or
  // empty.  Installed automatically at program start; exposed for tests.
  static std::unique_ptr<tk_trace_sink> from_environment();

  const std::string& file_name() const noexcept { return file_name_; }
  int threshold() const noexcept { return threshold_; }
  bool enabled() const noexcept { return enabled_.load(std::memory_order_relaxed); }
  void set_enabled(bool enabled) noexcept { enabled_.store(enabled, std::memory_order_relaxed); }

  // Empties the file once per run, then writes the message when `level`
  // reaches the threshold.  A file that cannot be opened loses the message.
  void write(int level, const char* format, std::va_list arguments) noexcept;

 private:
  void truncate_once() noexcept;

  const std::string file_name_;
  const int threshold_;
  const bool append_line_end_;
  const bool timestamp_;
  std::atomic<bool> enabled_{true};
  bool truncated_ = false;  // guarded by mutex_
  std::mutex mutex_;
};
