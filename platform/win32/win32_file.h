// File services of the platform: open tests, the program's own path, full
// paths and their parts, and the current directory.
//
// Paths are POSIX paths: the drive part is always empty and folders end in
// '/'.  Failures set the last error (errno).
// Thread-safety: safe from any thread, except that the current directory
// is one per process, so a directory_scope switches it for every thread.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

// True when `path` opens as an existing file (not a folder) with read
// access, or read and write access when `write` is set; the file is closed
// at once.
bool can_open_file(const std::string& path, bool write);

// True when the current directory could be switched to `path` (an existing
// folder that this process may enter); nothing is switched, so it is safe
// beside another thread that resolves relative paths.
bool can_enter_directory(const std::string& path);

// The full path of the running program (/proc/self/exe).
bool get_module_file_name(std::string& path);

// `path` made absolute against the current directory, with "." and ".."
// and repeated '/' resolved by their text (the file need not exist).
bool get_full_path_name(std::string_view path, std::string& full);

// The parts of a path: drive (always empty here), folder with its trailing
// '/', name, and extension with its leading dot.  A name that begins with
// its only dot (".profile") has no extension.
struct path_parts {
  std::string drive;
  std::string dir;
  std::string name;
  std::string ext;
};
path_parts split_path(std::string_view path);

bool get_current_directory(std::string& path);
bool set_current_directory(const std::string& path);

// Switches the current directory to `path` for its lifetime and switches
// back on destruction.  ok() tells whether the switch succeeded; when the
// current directory cannot be saved nothing is switched.
class directory_scope {
 public:
  explicit directory_scope(const std::string& path);
  ~directory_scope();
  directory_scope(const directory_scope&) = delete;
  directory_scope& operator=(const directory_scope&) = delete;

  bool ok() const noexcept { return switched_; }

 private:
  int saved_ = -1;  // a descriptor of the folder to return to
  bool switched_ = false;
};

}  // namespace win32
