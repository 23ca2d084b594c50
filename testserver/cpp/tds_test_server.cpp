#include "testserver/cpp/tds_test_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace quill_test {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string make_temp_dir() {
  std::string pattern = (fs::temp_directory_path() / "tds-server-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a directory for the test server");
  return pattern;
}

pid_t spawn(const std::vector<std::string>& args, const std::string& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start python3 for the test server");
  return pid;
}

}  // namespace

tds_test_server::tds_test_server(const std::string& fixture, const std::vector<std::string>& options)
    : dir_(make_temp_dir()) {
  const fs::path here = QUILL_TESTSERVER_DIR;
  const fs::path fixture_path = fs::path(fixture).is_absolute() ? fs::path(fixture) : here / "fixtures" / fixture;
  const fs::path port_file = fs::path(dir_) / "port";
  std::vector<std::string> args = {"python3", (here / "server.py").string(), "--fixture", fixture_path.string(),
                                   "--port", "0", "--port-file", port_file.string(),
                                   "--log", (fs::path(dir_) / "requests.log").string()};
  args.insert(args.end(), options.begin(), options.end());
  pid_ = spawn(args, (fs::path(dir_) / "server.out").string());

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(port_file)) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_ || std::chrono::steady_clock::now() > deadline) {
      std::string out = read_file(fs::path(dir_) / "server.out");
      stop();
      throw std::runtime_error("test server did not start: " + out);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  port_ = std::atoi(read_file(port_file).c_str());
}

tds_test_server::~tds_test_server() {
  stop();
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

int tds_test_server::stop() {
  if (pid_ <= 0) return 0;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string tds_test_server::odbc_connection(const std::string& database, const std::string& user,
                                             const std::string& password, const std::string& tds_version) const {
  std::string s = std::string("DRIVER=") + kFreeTdsDriver + ";SERVER=127.0.0.1;PORT=" + std::to_string(port_) +
                  ";UID=" + user + ";PWD=" + password + ";";
  if (!database.empty()) s += "DATABASE=" + database + ";";
  return s + "TDS_Version=" + tds_version + ";ClientCharset=UTF-8;";
}

std::string tds_test_server::requests() const { return read_file(fs::path(dir_) / "requests.log"); }

}  // namespace quill_test
