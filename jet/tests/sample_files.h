// Test helpers: the reference databases beside the project (QUILL_SHARED_DIR),
// scratch copies of them, and the mdbtools command-line programs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace jet::testing {

namespace fs = std::filesystem;

// The folder of reference databases, or empty if this checkout lacks it.
inline fs::path samples_dir() {
  const fs::path dir = fs::path(QUILL_SHARED_DIR) / "jet-reference" / "samples";
  std::error_code ec;
  return fs::is_directory(dir, ec) ? dir : fs::path();
}

#define JET_REQUIRE_SAMPLES() \
  if (::jet::testing::samples_dir().empty()) GTEST_SKIP() << "reference samples are not present"

// Every .mdb under samples_dir(), sorted; empty if there are none.
inline std::vector<fs::path> sample_files() {
  std::vector<fs::path> files;
  if (samples_dir().empty()) return files;
  for (const auto& entry : fs::recursive_directory_iterator(samples_dir())) {
    if (entry.path().extension() == ".mdb") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A sample by its path below samples_dir(), e.g. "jet4-access2000/testV2000.mdb".
inline fs::path sample(const std::string& relative) { return samples_dir() / relative; }

inline constexpr const char* kJet3Sample = "jet3-access97/testV1997.mdb";
inline constexpr const char* kJet4Sample = "jet4-access2000/testV2000.mdb";

// The first `n` bytes of a file (all of them when n is 0).
inline std::vector<std::uint8_t> read_bytes(const fs::path& path, std::size_t n = 0) {
  std::ifstream in(path, std::ios::binary);
  if (n == 0) return {std::istreambuf_iterator<char>(in), {}};
  std::vector<std::uint8_t> out(n);
  in.read(reinterpret_cast<char*>(out.data()), std::streamsize(n));
  return out;
}

inline void write_at(const fs::path& file, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(std::streamoff(offset));
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fixture with a fresh temporary folder per test for damaged copies.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("jet_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path copy_of(const std::string& relative) {
    const fs::path to = dir_ / fs::path(relative).filename();
    fs::copy_file(sample(relative), to, fs::copy_options::overwrite_existing);
    return to;
  }
  fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    return path;
  }
  fs::path dir_;
};

inline bool mdbtools_installed() {
  std::error_code ec;
  return fs::exists("/usr/bin/mdb-export", ec);
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
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// The lines of `text`, without a last empty one.
inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    out.push_back(text.substr(at, end - at));
  }
  return out;
}

}  // namespace jet::testing
