// A private folder for one test, removed with everything in it, and the
// text of a file.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

struct tk_test_folder {
  tk_test_folder() {
    char pattern[] = "/tmp/quill-tk-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) path = pattern;
  }
  ~tk_test_folder() { std::filesystem::remove_all(path); }
  std::string path;
};

inline std::string tk_test_read(const std::string& file) {
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
}
