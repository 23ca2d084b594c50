#include "TK/tk_file.h"

#include <unistd.h>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

bool tk_is_file_exist(const std::string& path, int mode) {
  TK_TRACE(1, "tk_is_file_exist(%s, %d)", path.c_str(), mode);
  return win32::can_open_file(path, mode == 1);
}

bool tk_is_path_exist(const std::string& path) {
  TK_TRACE(1, "tk_is_path_exist(%s)", path.c_str());
  // The same answer as switching there through a tk_dir_scope, without
  // switching the one current directory that every thread shares.
  return !path.empty() && win32::can_enter_directory(path);
}

bool tk_delete_file(const std::string& path) {
  TK_TRACE(1, "tk_delete_file(%s)", path.c_str());
  // unlink, not remove: a folder is not a file and stays.
  return ::unlink(path.c_str()) == 0;
}

std::string tk_get_module_path() {
  std::string path;
  TK_ASSERT(win32::get_module_file_name(path));
  return path;
}

std::string tk_get_module_dir() {
  tk_path_parts parts = win32::split_path(tk_get_module_path());
  return parts.drive + parts.dir;
}

tk_path_parts tk_split_path(const std::string& path) {
  if (path.empty()) {
    tk_path_parts parts = win32::split_path(tk_get_module_path());
    parts.name.clear();
    return parts;
  }
  std::string full;
  TK_ASSERT(win32::get_full_path_name(path, full));
  return win32::split_path(full);
}

tk_dir_scope::tk_dir_scope(const std::string& path)
    : scope_(path.empty() ? tk_get_module_dir() : path) {}
