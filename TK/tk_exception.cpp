#include "TK/tk_exception.h"

#include <cstdio>
#include <vector>

#include "TK/tk_trace.h"
#include "platform/win32/win32_error.h"

namespace {
constexpr const char* unknown_text = "Unknown exception";
constexpr std::size_t format_buffer_size = 64 * 1024;

std::string or_unknown(std::string message) {
  return message.empty() ? std::string(unknown_text) : std::move(message);
}

std::string fill_format(const char* format, const char* argument) {
  std::vector<char> buffer(format_buffer_size);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int length = std::snprintf(buffer.data(), buffer.size(), format, argument ? argument : "");
#pragma GCC diagnostic pop
  if (length < 0) return std::string();
  return std::string(buffer.data());
}

// "<file>\<line>" written as two lower-case hex digits per character.
std::string assertion_code(const char* file, int line) {
  std::string plain = std::string(file ? file : "") + "\\" + std::to_string(line);
  static constexpr char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(plain.size() * 2);
  for (unsigned char c : plain) {
    hex += digits[c >> 4];
    hex += digits[c & 0x0F];
  }
  return hex;
}
}  // namespace

tk_exception::tk_exception(int level) : message_(unknown_text), level_(level) {}

tk_exception::tk_exception(std::string message, int level)
    : message_(or_unknown(std::move(message))), level_(level) {}

tk_exception::tk_exception(const char* format, const char* argument, int level)
    : message_(or_unknown(fill_format(format, argument))), level_(level) {}

tk_exception::tk_exception(std::string message, int level, int code)
    : message_(or_unknown(std::move(message))), code_(code), level_(level) {}

void tk_exception::set_message(std::string message) { message_ = or_unknown(std::move(message)); }

// The last error is read before anything else runs: tracing may itself
// touch errno.
tk_exception_ex::tk_exception_ex() : tk_exception(std::string(), tk_level_abort, win32::get_last_error()) {
  int saved = code();
  TK_TRACE(2, "tk_exception_ex::ctor");
  std::string text;
  if (win32::format_message(saved, text)) {
    set_message(text);
    TK_TRACE(2, "GetLastError: %s", text.c_str());
  }
  win32::set_last_error(saved);
}

tk_final_exception::tk_final_exception() : tk_exception(tk_level_final) {
  TK_TRACE(2, "tk_final_exception::ctor");
}

tk_mail_assertion::tk_mail_assertion(const char* file, int line)
    : tk_exception("Internal error: \ncode=" + assertion_code(file, line), tk_level_internal) {
  TK_TRACE(2, "tk_mail_assertion::ctor(%s)", file ? file : "");
}

void tk_assert_failed(const char* file, int line) { throw tk_mail_assertion(file, line); }
