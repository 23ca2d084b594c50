// The Win32 "last error" and system error texts, over errno and strerror.
//
// The toolkit reads the calling thread's last error after a failed call and
// asks the system for its text.  On this platform the last error is errno
// (thread-local, like GetLastError) and the texts are the C library's.
// Thread-safety: every function is safe to call from any thread.
#pragma once

#include <string>

namespace win32 {

// The calling thread's last error value (errno).
int get_last_error() noexcept;

// Sets the calling thread's last error value (errno).
void set_last_error(int code) noexcept;

// The system's text for `code`, as strerror words it ("No such file or
// directory"), with no trailing line break.  Returns false and leaves `text`
// unchanged when the system has no text for the value.
bool format_message(int code, std::string& text);

}  // namespace win32
