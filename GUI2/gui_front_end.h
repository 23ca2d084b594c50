// gui_front_end: the wizard's side of a conversion.
//
// The driver and the error handler call it from the worker that runs the
// conversion.  Errors join the shell's error list for the finish page;
// the questions and boxes (the continue-or-abort dialog, the abort-level
// error box, the internal-error dialog) are shown by the window thread
// while the worker waits for the answer.  The start of a run starts the
// shell's 200 ms progress timer on the window thread (a timer started from
// the worker would never fire).  While the wizard closes under the run no
// dialog is shown and a recoverable error aborts.
//
// Thread-safety: called from the conversion's worker; the work it hands
// over runs on the window thread.
#pragma once

#include "convert/conversion_front_end.h"

inline constexpr int gui_progress_interval_ms = 200;

class gui_front_end : public conversion_front_end {
 public:
  void run_started() override;
  bool converts_all_tables_when_none_listed() const override { return false; }
  void database_started(const std::string&, uint32_t) override {}
  void table_missing(const std::string&) override {}
  void table_started(const std::string&, uint32_t) override {}

  void report_error(const std::string& message) override;
  continue_answer ask_continue(const std::string& message) override;
  void show_abort(const std::string& message) override;
  void show_internal_error(const std::string& message) override;
  void show_unexpected_error(const std::string& text) override;
};
