#include "TK/tk_reg_key.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
bool is_text_type(std::uint32_t type) {
  return type == win32::reg_sz || type == win32::reg_expand_sz || type == win32::reg_multi_sz;
}
}  // namespace

long tk_reg_key::checked(long status) {
  if (status != 0 && status != ERANGE) {
    error_text_ = win32::reg_error_detail();
    TK_TRACE(2, "tk_reg_key: %s", error_text_.c_str());
  }
  return status;
}

long tk_reg_key::create(win32::hkey parent, const char* sub_key, std::uint32_t* disposition) {
  TK_ASSERT(parent != 0);
  win32::hkey opened = 0;
  long status = checked(win32::reg_create_key(parent, sub_key ? sub_key : "", &opened, disposition));
  if (status == 0) {
    close();
    key_ = opened;
  }
  return status;
}

long tk_reg_key::query_value(std::uint32_t& value, const char* name) {
  std::uint32_t type = 0;
  std::uint32_t number = 0;
  std::uint32_t size = sizeof number;
  long status = checked(win32::reg_query_value(key_, name, &type, &number, &size));
  if (status == 0 || status == ERANGE) TK_ASSERT(type == win32::reg_dword && size == sizeof number);
  if (status == 0) value = number;
  return status;
}

long tk_reg_key::query_value(char* buffer, const char* name, std::uint32_t* size) {
  TK_ASSERT(size != nullptr);
  std::uint32_t type = 0;
  long status = checked(win32::reg_query_value(key_, name, &type, buffer, size));
  if (status == 0 || status == ERANGE) TK_ASSERT(is_text_type(type));
  return status;
}

long tk_reg_key::set_value(std::uint32_t value, const char* name) {
  TK_ASSERT(key_ != 0);
  return checked(win32::reg_set_value(key_, name, win32::reg_dword, &value, sizeof value));
}

long tk_reg_key::set_value(const char* text, const char* name) {
  TK_ASSERT(key_ != 0);
  TK_ASSERT(text != nullptr);
  auto size = static_cast<std::uint32_t>(std::strlen(text) + 1);
  return checked(win32::reg_set_value(key_, name, win32::reg_sz, text, size));
}

void tk_reg_key::close() {
  if (key_ != 0) win32::reg_close_key(key_);
  key_ = 0;
}

bool tk_reg_key::serialize(const char* name, std::int32_t& value, bool save) {
  if (!is_open()) return false;
  if (save) return set_value(static_cast<std::uint32_t>(value), name) == 0;
  std::uint32_t number = 0;
  if (query_value(number, name) != 0) return false;
  value = static_cast<std::int32_t>(number);
  return true;
}

bool tk_reg_key::serialize(const char* name, bool& value, bool save) {
  std::int32_t number = value ? 1 : 0;
  if (!serialize(name, number, save)) return false;
  value = number != 0;
  return true;
}

bool tk_reg_key::serialize(const char* name, std::string& value, bool save) {
  if (!is_open()) return false;
  if (save) return set_value(value.c_str(), name) == 0;
  std::uint32_t size = 0;
  if (query_value(nullptr, name, &size) != 0 || size == 0) return false;
  std::vector<char> buffer(size);
  if (query_value(buffer.data(), name, &size) != 0) return false;
  value.assign(buffer.data(), strnlen(buffer.data(), size));
  return true;
}
