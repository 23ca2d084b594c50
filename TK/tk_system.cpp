#include "TK/tk_system.h"

#include <cstdio>
#include <ctime>

#include "TK/tk_error_converter.h"
#include "TK/tk_trace.h"
#include "platform/win32/win32_library.h"

namespace {
// The version record passed to DllGetVersion.
struct dll_version_info {
  std::uint32_t size;
  std::uint32_t major;
  std::uint32_t minor;
  std::uint32_t build;
  std::uint32_t platform;
};
static_assert(sizeof(dll_version_info) == 20);

using dll_get_version = std::int32_t (*)(dll_version_info*);

std::string percent_encoded(const std::string& text) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += digits[c >> 4];
      out += digits[c & 0x0F];
    }
  }
  return out;
}
}  // namespace

std::uint32_t tk_get_dll_version(const char* file) {
  TK_TRACE(1, "get_dll_version(%s)", file ? file : "");
  win32::hmodule library = win32::load_library(file);
  if (library == nullptr) {
    TK_TRACE(2, "get_dll_version failed to load DLL");
    return 0;
  }
  auto get_version = reinterpret_cast<dll_get_version>(win32::get_proc_address(library, "DllGetVersion"));
  std::uint32_t version = 0;
  if (get_version == nullptr) {
    TK_TRACE(2, "get_dll_version failed to obtain DllGetVersion");
  } else {
    dll_version_info info{sizeof(dll_version_info), 0, 0, 0, 0};
    if (get_version(&info) >= 0) version = (info.major << 16) + info.minor;
  }
  win32::free_library(library);
  return version;
}

bool tk_copy_to_clipboard(const std::string& text) {
  TK_TRACE(1, "tk_copy_to_clipboard(%d characters)", static_cast<int>(text.size()));
  TK_TRACE(2, "The clipboard is not available on this system");
  return false;
}

tk_bug_report tk_make_bug_report(const std::string& subject_tail, const std::string& body) {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char date[64];
  std::snprintf(date, sizeof date, "%d/%d/%d %d:%d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                parts.tm_hour, parts.tm_min);
  return tk_bug_report{"Bug report on " + subject_tail, body, date, tk_company_name, tk_support_address};
}

std::string tk_bug_report_mailto(const tk_bug_report& report) {
  return "mailto:" + report.address + "?subject=" + percent_encoded(report.subject) +
         "&body=" + percent_encoded(report.body);
}

bool tk_send_bug_report(const std::string& subject_tail, const std::string& body) {
  tk_bug_report report = tk_make_bug_report(subject_tail, body);
  TK_TRACE(1, "tk_send_bug_report(%s)", report.subject.c_str());
  TK_TRACE(2, "Failed to locate MAPI32.DLL");  // there is no MAPI here
  return false;
}
