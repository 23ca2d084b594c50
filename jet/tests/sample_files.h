// Test helpers: locating the reference databases beside the project and
// running the mdbtools command-line programs.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace jet::testing {

// The folder of reference databases, or empty if this checkout lacks it.
inline std::filesystem::path samples_dir() {
  const std::filesystem::path dir = std::filesystem::path(QUILL_SHARED_DIR) / "jet-reference" / "samples";
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

// Every .mdb under samples_dir(), sorted; empty if there are none.
inline std::vector<std::filesystem::path> sample_files() {
  std::vector<std::filesystem::path> files;
  const auto dir = samples_dir();
  if (dir.empty()) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (entry.path().extension() == ".mdb") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A sample by its path below samples_dir() (e.g. "jet4-access2000/testV2000.mdb").
inline std::filesystem::path sample(const std::string& relative) {
  const auto dir = samples_dir();
  return dir.empty() ? dir : dir / relative;
}

inline bool mdbtools_installed() {
  std::error_code ec;
  return std::filesystem::exists("/usr/bin/mdb-export", ec);
}

// Single-quotes `s` for the shell.
inline std::string shell_quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs `command` and returns its standard output (standard error dropped).
inline std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

inline std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == separator) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

}  // namespace jet::testing
