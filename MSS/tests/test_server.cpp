#include "MSS/tests/test_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace

test_server::test_server(const std::string& fixture) {
  std::string root = QUILL_SOURCE_DIR;
  std::string path = fixture.find('/') == std::string::npos ? root + "/testserver/fixtures/" + fixture : fixture;
  char pattern[] = "/tmp/quill-mss-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  state_dir_ = pattern;
  std::string command = "bash '" + root + "/testserver/run_server.sh' '" + path + "' '" + state_dir_ + "' >/dev/null";
  if (std::system(command.c_str()) != 0) return;
  port_ = std::atoi(slurp(state_dir_ + "/port").c_str());
  pid_ = std::atoi(slurp(state_dir_ + "/pid").c_str());
}

test_server::~test_server() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && kill(pid_, 0) == 0; ++i) usleep(50000);
  }
  if (!state_dir_.empty()) std::filesystem::remove_all(state_dir_);
}

std::string test_server::host() const { return "127.0.0.1," + std::to_string(port_); }

std::string test_server::requests() const { return slurp(state_dir_ + "/requests.log"); }
