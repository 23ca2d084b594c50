// Helpers of the Access side's tests: a fresh folder per test, the engine
// of a format, and the checks every written file passes (jetcheck --strict
// and mdbtools).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "UDB/udb_converter.h"
#include "dao/dao_engine.h"

namespace dao_testing {

namespace fs = std::filesystem;

inline std::string shell_quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Standard output of `command`; its exit status in *status when asked.
inline std::string run(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  int rc = ::pclose(pipe);
  if (status) *status = rc;
  return out;
}

inline std::string jetcheck(const std::string& path) {
  int status = 0;
  std::string out = run(std::string(QUILL_BINARY_DIR "/jet/jetcheck --strict ") + shell_quote(path), &status);
  return status == 0 ? std::string() : "jetcheck: " + out;
}

inline std::string mdb(const std::string& tool, const std::string& args) { return run("mdb-" + tool + " " + args); }

// A fresh folder per test and a dao_engine for the test's format.
class dao_files_test : public ::testing::TestWithParam<udb_format> {
 protected:
  void SetUp() override {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test) {
      if (c == '/') c = '_';
    }
    dir_ = fs::temp_directory_path() / ("dao_" + std::to_string(::getpid()) + "_" + test);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    engine_ = std::make_unique<dao_engine>();
    engine_->set_version(GetParam());
  }
  void TearDown() override {
    engine_.reset();
    std::error_code ec;
    if (!std::getenv("DAO_KEEP_FILES")) fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
  std::unique_ptr<dao_engine> engine_;
};

inline std::string format_name(const ::testing::TestParamInfo<udb_format>& info) {
  return info.param == udb_format::access97 ? "Access97" : "Access2000";
}

}  // namespace dao_testing
