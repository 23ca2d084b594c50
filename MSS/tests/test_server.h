// The TDS test server (testserver/) for the tests of the SQL Server side:
// started on a free loopback port with a fixture, stopped at the end.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class test_server {
 public:
  // Starts the server with testserver/fixtures/<fixture> or a path, and
  // further server options (already quoted for the shell).
  explicit test_server(const std::string& fixture, const std::string& options = "");
  ~test_server();
  test_server(const test_server&) = delete;
  test_server& operator=(const test_server&) = delete;

  bool running() const { return port_ > 0; }
  int port() const { return port_; }
  // "127.0.0.1,<port>": the host as the engine is given it.
  std::string host() const;
  // Every request the server received, one per line.
  std::string requests() const;

 private:
  std::string state_dir_;
  int port_ = 0;
  int pid_ = 0;
};


namespace test_server_detail {
inline std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace test_server_detail

inline test_server::test_server(const std::string& fixture, const std::string& options) {
  std::string root = QUILL_SOURCE_DIR;
  std::string path = fixture.find('/') == std::string::npos ? root + "/testserver/fixtures/" + fixture : fixture;
  char pattern[] = "/tmp/quill-mss-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  state_dir_ = pattern;
  std::string command = "bash '" + root + "/testserver/run_server.sh' '" + path + "' '" + state_dir_ + "' " + options + " >/dev/null";
  if (std::system(command.c_str()) != 0) return;
  port_ = std::atoi(test_server_detail::slurp(state_dir_ + "/port").c_str());
  pid_ = std::atoi(test_server_detail::slurp(state_dir_ + "/pid").c_str());
}

inline test_server::~test_server() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && kill(pid_, 0) == 0; ++i) usleep(50000);
  }
  if (!state_dir_.empty()) std::filesystem::remove_all(state_dir_);
}

inline std::string test_server::host() const { return "127.0.0.1," + std::to_string(port_); }

inline std::string test_server::requests() const { return test_server_detail::slurp(state_dir_ + "/requests.log"); }
