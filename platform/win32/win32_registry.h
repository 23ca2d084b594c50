// The registry, standing in as a per-user settings file.
//
// HKEY_CURRENT_USER\Software\<vendor>\<product> and its sub-keys live in
// $XDG_CONFIG_HOME/<vendor>/<product>.reg (~/.config when XDG_CONFIG_HOME
// is unset or not absolute), in the REGEDIT4 syntax (win32_regfile.h).
// Other roots and shallower keys are not supported (EACCES).  <vendor> and
// <product> name a folder and a file, so they match with their case; key
// and value names inside the file ignore case, as Windows does.
//
// Every call returns a status: 0 on success, otherwise an errno value:
//   ENOENT   the key, the value or the settings file does not exist;
//   ERANGE   the caller's buffer is too small (ERROR_MORE_DATA);
//   EBADMSG  the settings file is damaged (nothing is changed in it);
//   EACCES   a key outside the supported roots;
//   EINVAL   a bad handle, sub-key name or argument (a key or value name
//            holding a control character is refused);
//   or the error of a failed file operation.
// reg_error_detail() then tells what failed, with the file and line.
//
// Every change rewrites the file atomically: a temporary file in the same
// folder, fsync, rename, with mode 0600 (it may hold a password); missing
// folders are created with mode 0700.
// Thread-safety: every function may be called from any thread; calls are
// serialised inside.  Other processes see whole files only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace win32 {

using hkey = std::uintptr_t;
inline constexpr hkey hkey_current_user = 0x80000001u;

// Value types, with their Win32 numbers.
enum : std::uint32_t {
  reg_none = 0,
  reg_sz = 1,
  reg_expand_sz = 2,
  reg_binary = 3,
  reg_dword = 4,
  reg_dword_big_endian = 5,
  reg_link = 6,
  reg_multi_sz = 7,
  reg_qword = 11,
};

// Dispositions of reg_create_key.
enum : std::uint32_t { reg_created_new_key = 1, reg_opened_existing_key = 2 };

// Opens `sub_key` (backslash-separated) under `parent`, creating it and the
// settings file when missing.  `disposition` may be null.
long reg_create_key(hkey parent, std::string_view sub_key, hkey* result, std::uint32_t* disposition);

// Opens an existing `sub_key` under `parent`.
long reg_open_key(hkey parent, std::string_view sub_key, hkey* result);

// Reads a value (`name` null or empty: the unnamed value).  `type`, `data`
// and `size` may be null.  With `data` null only the size is reported;
// with `*size` too small, ERANGE and the size needed.  On success `*size`
// is the stored size.
long reg_query_value(hkey key, const char* name, std::uint32_t* type, void* data, std::uint32_t* size);

// Writes a value of `type` with `size` bytes from `data`.
long reg_set_value(hkey key, const char* name, std::uint32_t type, const void* data, std::uint32_t size);

// Removes a value.
long reg_delete_value(hkey key, const char* name);

// Releases a handle from reg_create_key or reg_open_key.
long reg_close_key(hkey key);

// The settings file that holds `key`, or an empty text for a bad handle.
std::string reg_file_path(hkey key);

// What the calling thread's last failed call met, in words.
std::string reg_error_detail();

}  // namespace win32
