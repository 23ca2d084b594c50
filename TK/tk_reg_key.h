// A registry key with typed load-or-save operations; the settings record
// persists itself through them.  On this platform the registry is a
// per-user settings file (platform/win32/win32_registry.h).
//
// Failures are reported by status (0 is success, otherwise an errno value)
// or by a false result; error_text() then says what failed, in words (for
// a damaged settings file: the file and line).  Misuse raises
// tk_mail_assertion: a missing parent key or argument, writing with no open
// key, a value of the wrong type for the read.
// Thread-safety: one object belongs to one thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32_registry.h"

class tk_reg_key {
 public:
  tk_reg_key() = default;
  ~tk_reg_key() { close(); }
  tk_reg_key(const tk_reg_key&) = delete;
  tk_reg_key& operator=(const tk_reg_key&) = delete;

  // Opens `sub_key` under `parent`, creating it when missing; on success a
  // key held before is closed and the new one kept.  `disposition` may be
  // null.  REQUIRES: parent is not 0.
  long create(win32::hkey parent, const char* sub_key, std::uint32_t* disposition = nullptr);

  // Reads a 32-bit number.  A value that exists but is not REG_DWORD of 4
  // bytes is an assertion failure; a missing one returns its status.
  long query_value(std::uint32_t& value, const char* name);

  // Reads a text into `buffer` (may be null to ask for the size) of
  // `*size` bytes; `*size` becomes the stored size with its zero.
  // REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ are accepted, any other type
  // is an assertion failure.  REQUIRES: size is not null.
  long query_value(char* buffer, const char* name, std::uint32_t* size);

  // Writes a REG_DWORD.  REQUIRES: an open key.
  long set_value(std::uint32_t value, const char* name);

  // Writes a REG_SZ with its terminating zero.  REQUIRES: an open key and
  // a text.
  long set_value(const char* text, const char* name);

  void close();

  // Load (save false) or save (save true) one value.  With no open key
  // they return false and change nothing.  Saving returns whether the
  // write succeeded (a flag is written as 0 or 1).  Loading stores the
  // value and returns true, or leaves it unchanged and returns false (also
  // for a text that is missing or of size 0; a stored empty text empties
  // `value`).  A flag loads as true for any number other than 0.
  bool serialize(const char* name, std::int32_t& value, bool save);
  bool serialize(const char* name, bool& value, bool save);
  bool serialize(const char* name, std::string& value, bool save);

  bool is_open() const noexcept { return key_ != 0; }
  win32::hkey handle() const noexcept { return key_; }

  // What the last failed operation met, or an empty text.
  const std::string& error_text() const noexcept { return error_text_; }

 private:
  long checked(long status);

  win32::hkey key_ = 0;
  std::string error_text_;
};
