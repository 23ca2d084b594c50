// The agent's entry: one conversion decided by the command line.
//
// Order: parse the options into the driver's settings, connect to the SQL
// Server, confirm the source database, check the destination, run the
// driver once.  Progress and errors go to the console; nothing is read from
// or written to the saved settings.
#pragma once

#include <ostream>
#include <string>

class error_handler;
class quillmere_convertor;

// Exit codes of the agent.
inline constexpr int agent_exit_success = 0;   // the run completed
inline constexpr int agent_exit_failure = -1;  // exit status 255

// Runs the agent and returns its exit code: 0 after a run that completed,
// also when it reported recoverable errors; -1 after usage, bad or missing
// options, a failed connection or source lookup, any error before the run,
// a run that the error handler stopped, and internal errors.  Fatal
// messages and the usage text go to `err`; error lines to `out`.
// REQUIRES: no quillmere_convertor exists (the entry makes the one driver).
int agent_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// The steps after the connection: checks the destination, runs `driver`
// once and answers the exit code.  An error of the library before the run
// goes to `handler` and gives -1; so does a run that ended early (it could
// not open its databases, or the handler stopped it).  A run that only
// reported recoverable errors gives 0.
int agent_convert(quillmere_convertor& driver, error_handler& handler);

// Validates the destination `dest` for `settings` and, when it exists and
// the mode is 0 (overwrite the entire database), deletes it.
// Throws the driver's abort-level error for a folder, a read-only file or a
// missing folder, and tk_exception_ex when the deletion fails.  With modes
// 1 to 3 an existing file is kept for the driver to open.
void check_dest(const std::string& dest, const quillmere_convertor& settings);
