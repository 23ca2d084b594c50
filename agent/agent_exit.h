// How the agent ends on a fatal problem without leaving its library.
//
// fatal_exit() throws an agent_exit that only the agent's entry catches: the
// entry writes the message to the trace and to standard error, then returns
// the exit code.  agent_exit is deliberately not a std::exception, so no
// handler for library errors or standard exceptions can swallow it.
#pragma once

#include <string>

class agent_exit {
 public:
  // Process exit code of every fatal exit (exit status 255).
  static constexpr int failure_code = -1;

  explicit agent_exit(std::string message) : message_(std::move(message)) {}
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// Ends the agent's run with `message` on standard error and exit code -1.
// Never returns.
[[noreturn]] inline void fatal_exit(std::string message) { throw agent_exit(std::move(message)); }
