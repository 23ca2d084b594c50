// error_handler: decides what every error means for the run, and has the
// front end show it.
//
// Every error that reaches the driver's guards, and every library error
// that the agent's entry catches, comes here.  By the exception's level:
//   4 (the stop signal of an error already reported): nothing;
//   0 (recoverable): reported with its context; the run goes on unless the
//     wizard's user chooses Abort;
//   1 (abort) and any level the family does not define: reported, then the
//     conversion is stopped by raising tk_final_exception;
//   2 (internal error): shown, then the process ends with exit code -1.
// The message is the context ("Orders" or "Orders, record #17") and ": ",
// then the friendly text for the error's code, or its own message when the
// code has none, all on one line.
//
// At most one exists per process (tk_single_instance).
// Thread-safety: used only by the thread that runs the conversion; the
// stopped flag may be read from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "TK/tk_error_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_singl.h"
#include "convert/conversion_front_end.h"

class error_handler : public tk_single_instance<error_handler> {
 public:
  // Builds the message map from `table` (the OLE DB table in both
  // programs).  `front_end` must outlive the handler.
  error_handler(std::size_t count, const tk_error_message* table, conversion_front_end& front_end);
  ~error_handler();

  // Adds a further message table (the DAO table); a code already mapped
  // keeps its first text.
  void load_err_map(std::size_t count, const tk_error_message* table);

  // The context put before every message: nothing, a table name, or a table
  // and a record number counted from 1 ("%s, record #%d").
  void clear_context() { context_.clear(); }
  void set_context(const std::string& table);
  void set_context(const std::string& table, uint64_t record_number);
  const std::string& context() const { return context_; }

  // Returns for a reported recoverable error and for the stop signal;
  // raises tk_final_exception to stop the conversion; ends the process for
  // an internal error.
  void handle(const tk_exception& e);

  // An error from outside the exception family ended a run: the front end
  // shows `text` and the run counts as stopped.  Returns normally.
  void handle_unexpected(const std::string& text);

  // True once this handler has stopped a conversion (an abort-level error,
  // the user's Abort, an error from outside the family).  The agent's entry
  // turns it into exit code -1; recoverable errors alone leave it false.
  bool stopped() const { return stopped_.load(); }

  // Set when the wizard's user asked not to be asked again; from then on
  // recoverable errors go on and abort-level errors show no message box.
  bool quiet() const { return quiet_; }

  // The one-line message that handle() reports for `e` in the present
  // context.
  std::string message_for(const tk_exception& e) const;

  conversion_front_end& front_end() { return *front_end_; }
  // Lets the wizard put its own front end in place.  REQUIRES: it outlives
  // the handler.
  void set_front_end(conversion_front_end& front_end) { front_end_ = &front_end; }

 private:
  [[noreturn]] void end_program(const tk_exception& e);
  [[noreturn]] void stop_conversion();
  void handle_recoverable(const std::string& message);

  conversion_front_end* front_end_;
  tk_error_converter messages_;
  std::string context_;
  bool quiet_ = false;
  std::atomic<bool> stopped_{false};
};

// `text` with every line break ("\r\n", "\n" or "\r") replaced by a blank.
std::string error_one_line(const std::string& text);
