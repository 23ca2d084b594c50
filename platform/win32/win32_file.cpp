#include "platform/win32/win32_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace win32 {

bool can_open_file(const std::string& path, bool write) {
  // O_NONBLOCK: a FIFO with no writer would otherwise hold the test forever.
  int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool is_file = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
  ::close(fd);
  if (!is_file) errno = EISDIR;
  return is_file;
}

bool can_enter_directory(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

bool get_module_file_name(std::string& path) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      path.assign(buffer.data(), static_cast<std::size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool get_current_directory(std::string& path) {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return false;
    buffer.resize(buffer.size() * 2);
  }
  path = buffer.data();
  return true;
}

bool set_current_directory(const std::string& path) { return ::chdir(path.c_str()) == 0; }

bool get_full_path_name(std::string_view path, std::string& full) {
  std::string joined;
  if (path.empty() || path.front() != '/') {
    if (!get_current_directory(joined)) return false;
    joined += '/';
  }
  joined += path;
  std::vector<std::string_view> segments;
  std::string_view rest = joined;
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view segment = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  std::string result;
  for (std::string_view segment : segments) (result += '/') += segment;
  bool trailing_slash = !joined.empty() && joined.back() == '/' && !segments.empty();
  if (result.empty() || trailing_slash) result += '/';
  full = std::move(result);
  return true;
}

path_parts split_path(std::string_view path) {
  path_parts parts;
  std::size_t slash = path.rfind('/');
  std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  parts.dir = std::string(path.substr(0, name_start));
  std::string_view file = path.substr(name_start);
  std::size_t dot = file.rfind('.');
  if (dot == std::string_view::npos || dot == 0) dot = file.size();
  parts.name = std::string(file.substr(0, dot));
  parts.ext = std::string(file.substr(dot));
  return parts;
}

directory_scope::directory_scope(const std::string& path) {
  saved_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (saved_ < 0) return;
  switched_ = set_current_directory(path);
}

// The caller's last error survives the switch back.
directory_scope::~directory_scope() {
  if (saved_ < 0) return;
  int saved_errno = errno;
  if (switched_ && ::fchdir(saved_) != 0) {
    // Nothing more can be done: the folder to return to is gone.
  }
  ::close(saved_);
  errno = saved_errno;
}

}  // namespace win32
