// File and folder tests, the program's own path and folder, path parts and
// the directory scope.  Paths are POSIX paths: the drive part is empty and
// folders end in '/'.
// Thread-safety: safe from any thread, except tk_dir_scope, which switches
// the one current directory of the process.
#pragma once

#include <string>

#include "platform/win32/win32_file.h"

// True when `path` opens as an existing file: read access, or read and
// write access when `mode` is 1.  Never throws.
bool tk_is_file_exist(const std::string& path, int mode = 0);

// True when the current directory could be switched to `path` (false for
// an empty path); the current directory is not touched, so this is safe
// beside other threads.  Never throws.
bool tk_is_path_exist(const std::string& path);

// Removes the file `path`; a folder is refused (EISDIR).  Returns false
// with the last error set (so a tk_exception_ex built right after carries
// it) when it cannot.
bool tk_delete_file(const std::string& path);

// The full path of the running program; failure is an assertion failure.
std::string tk_get_module_path();

// The program's folder with its trailing '/'.
std::string tk_get_module_dir();

// Drive (empty), folder with trailing '/', name and extension with its dot.
using tk_path_parts = win32::path_parts;

// Splits `path` made absolute (failure is an assertion failure).  An empty
// path splits the program's path instead and leaves the name empty.
tk_path_parts tk_split_path(const std::string& path);

// Switches the current directory to `path`, or to the program's folder when
// `path` is empty, and back on destruction.  ok() tells whether the switch
// succeeded.
class tk_dir_scope {
 public:
  explicit tk_dir_scope(const std::string& path = std::string());
  bool ok() const noexcept { return scope_.ok(); }

 private:
  win32::directory_scope scope_;
};
