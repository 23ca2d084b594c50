// The exception family of the system: every error travels as a tk_exception
// carrying a message for people, a code for lookups and a level that tells
// the error handler what to do.  Also the library's assertion check.
//
// Levels: 0 recoverable (report, go on), 1 abort the conversion, 2 internal
// error (the program ends), 4 final (stop signal of an error already
// reported).  No exception has level 3.
//
// Codes share one space: OLE DB errors 0x80000 | (HRESULT & 0xFFFF), DAO
// errors 0x10000 + the DAO error number, operating-system errors their own
// errno value, 0 for everything else.
//
// Thread-safety: exception objects are plain values; constructing one from
// any thread is safe.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

enum tk_level : int {
  tk_level_recoverable = 0,
  tk_level_abort = 1,
  tk_level_internal = 2,
  tk_level_final = 4,
};

class tk_exception : public std::exception {
 public:
  // Message "Unknown exception", code 0.
  explicit tk_exception(int level);
  // Code 0; an empty message becomes "Unknown exception".
  tk_exception(std::string message, int level);
  // The message is `format` filled printf-style with the one text
  // `argument` (at most 64 KiB).  REQUIRES: `format` is one of our own
  // constants holding at most one "%s", never user data.
  tk_exception(const char* format, const char* argument, int level);
  // For the derived families that carry a code (OLE DB, DAO).  An empty
  // message becomes "Unknown exception".
  tk_exception(std::string message, int level, int code);
  // The same for a literal message: without it ("text", 0, code) would
  // pick the formatted constructor, 0 being a null pointer.
  tk_exception(const char* message, int level, int code)
      : tk_exception(std::string(message ? message : ""), level, code) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  int code() const noexcept { return code_; }
  int level() const noexcept { return level_; }

 protected:
  void set_message(std::string message);
  void set_code(int code) noexcept { code_ = code; }

 private:
  std::string message_;
  int code_ = 0;
  int level_ = 0;
};

// An operating-system error: level 1, the calling thread's last error
// (errno) at construction as code, the system's text for it as message
// ("Unknown exception" when the system has none).
class tk_exception_ex : public tk_exception {
 public:
  tk_exception_ex();
};

// The stop signal of an error that has already been reported: level 4,
// code 0, "Unknown exception".
class tk_final_exception : public tk_exception {
 public:
  tk_final_exception();
};

// A broken invariant of the library: level 2, code 0, message
// "Internal error: \ncode=" followed by the lower-case hex codes of the
// characters of "<file>\<line>" (file "a", line 1 gives "615c31").
class tk_mail_assertion : public tk_exception {
 public:
  tk_mail_assertion(const char* file, int line);
};

// Raises tk_mail_assertion(file, line).
[[noreturn]] void tk_assert_failed(const char* file, int line);

// The assertion check: raises tk_mail_assertion(file, line) when
// `condition` is false.
inline void tk_check(bool condition, const char* file, int line) {
  if (!condition) tk_assert_failed(file, line);
}

namespace tk_detail {
// The length of the project root prefix that the compiler puts before our
// source names, found from this header's own name.
constexpr std::size_t source_root_length() {
  constexpr std::string_view self = __FILE__;
  constexpr std::string_view tail = "TK/tk_exception.h";
  return self.ends_with(tail) ? self.size() - tail.size() : 0;
}

// `file` relative to the project root ("TK/tk_singl.h"), or unchanged when
// it lies elsewhere.
constexpr const char* relative_source(const char* file) {
  constexpr std::string_view self = __FILE__;
  for (std::size_t i = 0; i < source_root_length(); ++i) {
    if (file[i] != self[i]) return file;
  }
  return file + source_root_length();
}
}  // namespace tk_detail

// This source file's name relative to the project root.
#define TK_SOURCE_FILE (::tk_detail::relative_source(__FILE__))

// Checks an invariant of the library; a false condition raises
// tk_mail_assertion with this source file and line.
#define TK_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::tk_assert_failed(TK_SOURCE_FILE, __LINE__))
