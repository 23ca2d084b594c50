#include "platform/win32/win32_error.h"

#include <cerrno>
#include <cstring>

namespace win32 {

int get_last_error() noexcept { return errno; }

void set_last_error(int code) noexcept { errno = code; }

bool format_message(int code, std::string& text) {
  // strerrordesc_np answers null for values it does not know, where
  // strerror would make up "Unknown error N".
  const char* description = ::strerrordesc_np(code);
  if (description == nullptr) return false;
  text = description;
  return true;
}

}  // namespace win32
