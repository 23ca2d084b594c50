// System services: the version of a shared library, text to the clipboard,
// and the bug report sent from the internal-error dialog.
//
// This platform has no system clipboard or mail service reachable without
// a desktop: tk_copy_to_clipboard and tk_send_bug_report answer false
// ("not available on this system") after tracing so; a desktop front end
// offers the clipboard itself and opens tk_bug_report_mailto() with the
// desktop's mail program.
// Thread-safety: safe from any thread.
#pragma once

#include <cstdint>
#include <string>

// The maker's company name, the bug report's recipient.
inline constexpr const char tk_company_name[] = "Harnwick";

// Major version * 65536 + minor version from the library's DllGetVersion
// export (a version record of 20 bytes), or 0 when the library cannot be
// loaded, has no such export or the call fails.
std::uint32_t tk_get_dll_version(const char* file);

// Places `text` on the clipboard; false when there is no clipboard.
bool tk_copy_to_clipboard(const std::string& text);

// The bug report of the internal-error dialog.
struct tk_bug_report {
  std::string subject;    // "Bug report on " + the caller's subject tail
  std::string body;       // the caller's text, unchanged
  std::string date;       // local time as "%d/%d/%d %d:%d": y/m/d h:min
  std::string recipient;  // the company name
  std::string address;    // the support address
};
tk_bug_report tk_make_bug_report(const std::string& subject_tail, const std::string& body);

// The report as a mailto: address (subject and body percent-encoded).
std::string tk_bug_report_mailto(const tk_bug_report& report);

// Sends the report by the system's mail service; answers false (and traces
// why) when there is none, which is the case on this platform.
bool tk_send_bug_report(const std::string& subject_tail, const std::string& body);
