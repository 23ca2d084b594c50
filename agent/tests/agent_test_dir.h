// A folder of one test under the system's temporary folder, removed with
// everything in it.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

struct agent_test_dir {
  explicit agent_test_dir(const std::string& name)
      : path(std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~agent_test_dir() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
};
