// tk_cmdli: a forward-only scanner over a program's arguments.
//
// The caller gives an option table of (identifier, name prefix) pairs closed
// by an entry whose name is empty.  Each argument is classified by the first
// entry whose name is a prefix of it (case-sensitive): "--help" also matches
// "--helpme", and "--dest=" gives the value that follows the prefix.  An
// argument that matches no named entry gets the identifier -1 and is kept in
// a list of unrecognized arguments, at most `max_unrecognized` of them.
//
// Thread-safety: an instance is used by one thread; it borrows the argument
// vector and the option table, which must outlive it.
#pragma once

#include <string>
#include <vector>

// One entry of an option table.  REQUIRES: `name` is not null.
struct tk_cmdli_option {
  int id;
  const char* name;
};

class tk_cmdli {
 public:
  static constexpr int no_match = -1;
  static constexpr int max_unrecognized = 20;

  // Places the cursor on argv[1] and classifies it when there is one.
  // REQUIRES: argc >= 1 (argv[0] is the program name); `options` ends with
  // an entry whose name is "".
  // Throws the toolkit's assertion when the first argument is unrecognized
  // and the list of unrecognized arguments is full (it cannot be, here).
  tk_cmdli(int argc, const char* const* argv, const tk_cmdli_option* options);

  tk_cmdli(const tk_cmdli&) = delete;
  tk_cmdli& operator=(const tk_cmdli&) = delete;

  // True while arguments remain to be visited.
  bool valid() const { return remaining_ > 0; }

  // Moves to the next argument and classifies it.
  // REQUIRES: valid() (the toolkit's assertion otherwise).  Throws the
  // toolkit's assertion when a further unrecognized argument would exceed
  // `max_unrecognized`.
  void next();

  // The current argument's identifier, or no_match.
  int id() const { return id_; }

  // The text after the matched prefix, or the whole argument when nothing
  // matched.  REQUIRES: valid() (the toolkit's assertion otherwise).
  const std::string& value() const;

  // How many arguments visited so far matched no prefix.
  int unrecognized_count() const { return static_cast<int>(unrecognized_.size()); }
  const std::vector<std::string>& unrecognized() const { return unrecognized_; }

 private:
  void classify();

  const char* const* cursor_;
  int remaining_;
  const tk_cmdli_option* options_;
  int id_ = no_match;
  std::string value_;
  std::vector<std::string> unrecognized_;
};
