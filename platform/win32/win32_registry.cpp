#include "platform/win32/win32_registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_regfile.h"
#include "platform/win32/win32_text.h"

namespace win32 {
namespace {

constexpr std::string_view root_name = "HKEY_CURRENT_USER";
constexpr std::size_t file_size_limit = 16 * 1024 * 1024;

struct key_entry {
  std::string file;  // the settings file
  std::string path;  // the key's full name, root first
};

std::mutex registry_mutex;  // guards open_keys and every file update
std::map<hkey, key_entry> open_keys;
hkey next_handle = 1;
thread_local std::string last_detail;

long fail(long status, std::string detail) {
  last_detail = std::move(detail);
  set_last_error(static_cast<int>(status));
  return status;
}

long fail_errno(const std::string& what, const std::string& file) {
  int code = errno;
  return fail(code, what + " " + file + ": " + std::strerror(code));
}

std::vector<std::string_view> split_key(std::string_view path) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    std::size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// A line break or other control character in a key or value name would
// break the settings file's lines: such names are refused.
bool is_storable_name(std::string_view name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool config_home(std::string& dir) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    dir = xdg;
    return true;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const passwd* entry = ::getpwuid(::getuid());
    home = entry != nullptr ? entry->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] != '/') return false;
  dir = std::string(home) + "/.config";
  return true;
}

// The settings file of a full key name: root\Software\<vendor>\<product>...
long file_for(const std::string& path, std::string& file) {
  std::vector<std::string_view> parts = split_key(path);
  if (parts.size() < 4 || compare_nocase(parts[0], root_name) != 0 ||
      compare_nocase(parts[1], "Software") != 0) {
    return fail(EACCES, "only keys under HKEY_CURRENT_USER\\Software\\<vendor>\\<product> are kept: " + path);
  }
  std::string home;
  if (!config_home(home)) return fail(ENOENT, "no home folder to keep the settings in");
  file = home + "/" + std::string(parts[2]) + "/" + std::string(parts[3]) + ".reg";
  return 0;
}

// The full name of `sub_key` under `parent`; refuses empty, "." and ".."
// parts and '/' (they would escape the settings folder).
long child_path(hkey parent, std::string_view sub_key, std::string& path) {
  if (parent == hkey_current_user) {
    path = root_name;
  } else {
    auto found = open_keys.find(parent);
    if (found == open_keys.end()) return fail(EINVAL, "not an open key handle");
    path = found->second.path;
  }
  if (sub_key.empty()) return 0;
  for (std::string_view part : split_key(sub_key)) {
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string_view::npos ||
        !is_storable_name(part)) {
      return fail(EINVAL, "not a valid key name: " + std::string(sub_key));
    }
  }
  path += '\\';
  path += sub_key;
  return 0;
}

// Reads and parses the settings file; ENOENT when there is none.
long load(const std::string& file, reg_document& document) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? fail(ENOENT, "no settings file " + file) : fail_errno("cannot open", file);
  std::string text;
  char buffer[8192];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() <= file_size_limit) text.append(buffer, n);
  int read_errno = errno;
  ::close(fd);
  if (n < 0) return errno = read_errno, fail_errno("cannot read", file);
  if (text.size() > file_size_limit) return fail(EBADMSG, "settings file " + file + " is too large");
  std::string error;
  if (!parse_reg_text(text, document, error)) {
    return fail(EBADMSG, "settings file " + file + " is damaged, " + error);
  }
  return 0;
}

long make_folders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string prefix = folder.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return fail_errno("cannot create folder", prefix);
    if (slash == std::string::npos) return 0;
  }
}

bool write_all(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Replaces the settings file atomically with mode 0600.
long save(const std::string& file, const reg_document& document) {
  std::string folder = file.substr(0, file.rfind('/'));
  if (long status = make_folders(folder)) return status;
  std::string temporary = folder + "/." + file.substr(folder.size() + 1) + ".XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) return fail_errno("cannot create", temporary);
  bool written = ::fchmod(fd, 0600) == 0 && write_all(fd, format_reg_text(document)) && ::fsync(fd) == 0;
  int write_errno = errno;
  written = (::close(fd) == 0) && written;
  if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
    if (written) write_errno = errno;
    ::unlink(temporary.c_str());
    errno = write_errno;
    return fail_errno("cannot write", file);
  }
  int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return 0;
}

hkey add_handle(key_entry entry) {
  hkey handle = next_handle++;
  open_keys.emplace(handle, std::move(entry));
  return handle;
}

// The open key behind `key` and its parsed file, with its section.
long load_key(hkey key, key_entry& entry, reg_document& document, bool missing_is_empty) {
  auto found = open_keys.find(key);
  if (found == open_keys.end()) return fail(EINVAL, "not an open key handle");
  entry = found->second;
  long status = load(entry.file, document);
  if (status == ENOENT && missing_is_empty) return 0;
  return status;
}

// Loads the key's document and finds the named value in it; ENOENT when
// the key or the value is missing.
long load_value(hkey key, const char* name, key_entry& entry, reg_document& document, reg_section*& section,
                reg_value*& value) {
  if (long status = load_key(key, entry, document, false)) return status;
  section = document.find(entry.path);
  std::string value_name = name ? name : "";
  value = section ? find_value(*section, value_name) : nullptr;
  if (value == nullptr) return fail(ENOENT, "no value \"" + value_name + "\" in " + entry.path);
  return 0;
}

}  // namespace

long reg_create_key(hkey parent, std::string_view sub_key, hkey* result, std::uint32_t* disposition) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  if (result == nullptr) return fail(EINVAL, "no place for the key handle");
  key_entry entry;
  if (long status = child_path(parent, sub_key, entry.path)) return status;
  if (long status = file_for(entry.path, entry.file)) return status;
  reg_document document;
  long status = load(entry.file, document);
  if (status != 0 && status != ENOENT) return status;
  bool exists = document.find(entry.path) != nullptr;
  if (!exists) {
    document.sections.push_back(reg_section{entry.path, {}});
    if (long saved = save(entry.file, document)) return saved;
  }
  if (disposition != nullptr) *disposition = exists ? reg_opened_existing_key : reg_created_new_key;
  *result = add_handle(std::move(entry));
  return 0;
}

long reg_open_key(hkey parent, std::string_view sub_key, hkey* result) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  if (result == nullptr) return fail(EINVAL, "no place for the key handle");
  key_entry entry;
  if (long status = child_path(parent, sub_key, entry.path)) return status;
  if (long status = file_for(entry.path, entry.file)) return status;
  reg_document document;
  if (long status = load(entry.file, document)) return status;
  if (document.find(entry.path) == nullptr) return fail(ENOENT, "no key " + entry.path);
  *result = add_handle(std::move(entry));
  return 0;
}

long reg_query_value(hkey key, const char* name, std::uint32_t* type, void* data, std::uint32_t* size) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  if (data != nullptr && size == nullptr) return fail(EINVAL, "a value buffer without its size");
  key_entry entry;
  reg_document document;
  reg_section* section = nullptr;
  reg_value* value = nullptr;
  if (long status = load_value(key, name, entry, document, section, value)) return status;
  if (type != nullptr) *type = value->type;
  if (size == nullptr) return 0;
  std::uint32_t available = *size;
  *size = static_cast<std::uint32_t>(value->data.size());
  if (data == nullptr) return 0;
  if (available < value->data.size()) return fail(ERANGE, "the buffer is too small for \"" + value->name + "\"");
  if (!value->data.empty()) std::memcpy(data, value->data.data(), value->data.size());
  return 0;
}

long reg_set_value(hkey key, const char* name, std::uint32_t type, const void* data, std::uint32_t size) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  if (data == nullptr && size != 0) return fail(EINVAL, "a value size without its data");
  if (name != nullptr && !is_storable_name(name)) return fail(EINVAL, "not a valid value name");
  key_entry entry;
  reg_document document;
  if (long status = load_key(key, entry, document, true)) return status;
  reg_section* section = document.find(entry.path);
  if (section == nullptr) {
    document.sections.push_back(reg_section{entry.path, {}});
    section = &document.sections.back();
  }
  reg_value value{name ? name : "", type, {}};
  if (size != 0) value.data.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
  if (reg_value* existing = find_value(*section, value.name)) {
    existing->type = value.type;
    existing->data = std::move(value.data);
  } else {
    section->values.push_back(std::move(value));
  }
  return save(entry.file, document);
}

long reg_delete_value(hkey key, const char* name) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  key_entry entry;
  reg_document document;
  reg_section* section = nullptr;
  reg_value* value = nullptr;
  if (long status = load_value(key, name, entry, document, section, value)) return status;
  section->values.erase(section->values.begin() + (value - section->values.data()));
  return save(entry.file, document);
}

long reg_close_key(hkey key) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  if (open_keys.erase(key) == 0) return fail(EINVAL, "not an open key handle");
  return 0;
}

std::string reg_file_path(hkey key) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto found = open_keys.find(key);
  return found == open_keys.end() ? std::string() : found->second.file;
}

std::string reg_error_detail() { return last_detail; }

}  // namespace win32
