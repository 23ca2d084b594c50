// conversion_front_end: what differs between the agent and the wizard while
// a conversion runs.
//
// The driver and the error handler decide everything themselves; they only
// tell the front end what to show.  The agent prints console lines
// (console_front_end); the wizard fills its error list, shows its dialogs and
// message boxes and starts its progress timer.  The error handler holds the
// front end and the driver reaches it through the handler.
//
// Thread-safety: every call comes from the thread that runs the conversion.
#pragma once

#include <cstdint>
#include <string>

// The user's answer to a recoverable error.
struct continue_answer {
  bool go_on = true;               // "Continue"; false means "Abort"
  bool do_not_ask_again = false;   // the check box of the wizard's dialog
};

class conversion_front_end {
 public:
  virtual ~conversion_front_end() = default;

  // --- run progress -------------------------------------------------------
  // A run starts (the wizard starts its 200 ms progress timer).
  virtual void run_started() = 0;
  // True in the agent: an empty table list means every source table, and
  // listed tables that the source lacks are reported and skipped.
  virtual bool converts_all_tables_when_none_listed() const = 0;
  // The table list is known.
  virtual void database_started(const std::string& source, uint32_t table_count) = 0;
  // A listed table is not in the source (agent only).
  virtual void table_missing(const std::string& table) = 0;
  // A table's structure has been written; its records follow.
  virtual void table_started(const std::string& table, uint32_t record_count) = 0;

  // --- errors (the error handler decides; these only show) ----------------
  // A recoverable or abort-level error, as one line with its context.
  virtual void report_error(const std::string& message) = 0;
  // Asks whether the run goes on after the recoverable error just reported.
  virtual continue_answer ask_continue(const std::string& message) = 0;
  // Shows the abort-level error just reported (the wizard's message box).
  virtual void show_abort(const std::string& message) = 0;
  // Shows an internal error; the handler ends the process afterwards.
  virtual void show_internal_error(const std::string& message) = 0;
  // Shows an error from outside the exception family that ended a run.
  virtual void show_unexpected_error(const std::string& text) = 0;
};
