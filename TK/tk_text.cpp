#include "TK/tk_text.h"

#include "TK/tk_exception.h"
#include "platform/win32/win32_text.h"

std::string tk_trim_left(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string tk_trim_right(std::string_view text) {
  std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string tk_trim(std::string_view text) { return tk_trim_left(tk_trim_right(text)); }

void tk_hex_of_bytes(std::size_t count, const void* bytes, char* out) {
  TK_ASSERT(out != nullptr);
  TK_ASSERT(bytes != nullptr || count == 0);
  static constexpr char digits[] = "0123456789ABCDEF";
  const auto* byte = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < count; ++i) {
    *out++ = digits[byte[i] >> 4];
    *out++ = digits[byte[i] & 0x0F];
  }
  *out = '\0';
}

std::string tk_hex_string(std::size_t count, const void* bytes) {
  std::string text(2 * count + 1, '\0');
  tk_hex_of_bytes(count, bytes, text.data());
  text.pop_back();
  return text;
}

std::u16string tk_to_wide(std::string_view narrow) {
  std::u16string wide;
  if (!win32::utf8_to_utf16(narrow, wide)) throw tk_exception_ex();
  return wide;
}

std::string tk_to_narrow(std::u16string_view wide) {
  std::string narrow;
  if (!win32::utf16_to_utf8(wide, narrow)) throw tk_exception_ex();
  return narrow;
}
