// tds_test_server: the TDS test server (testserver/server.py) as a C++ test
// fixture.  The constructor starts the server on a free loopback port with a
// fixture database and waits until it accepts connections; the destructor
// stops it with SIGTERM and waits for it.  Tests reach it through the FreeTDS
// ODBC driver with the string odbc_connection() builds.
//
// Thread-safety: one object per test, used from the test's thread.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quill_test {

// The installed FreeTDS ODBC driver; connections name it directly, so no
// odbcinst registration is needed.
inline constexpr const char* kFreeTdsDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

class tds_test_server {
 public:
  // Starts the server with `fixture` (a file name under testserver/fixtures,
  // or an absolute path) and further server options (e.g. "--version-text",
  // TEXT).  Throws std::runtime_error, with the server's own output, when it
  // does not start listening within 60 seconds.
  explicit tds_test_server(const std::string& fixture, const std::vector<std::string>& options = {});
  ~tds_test_server();
  tds_test_server(const tds_test_server&) = delete;
  tds_test_server& operator=(const tds_test_server&) = delete;

  int port() const { return port_; }

  // "DRIVER=...;SERVER=127.0.0.1;PORT=...;UID=...;PWD=...;DATABASE=...;TDS_Version=...;"
  // with ClientCharset=UTF-8; an empty database leaves DATABASE out.
  std::string odbc_connection(const std::string& database, const std::string& user = "quill",
                              const std::string& password = "Secret-1",
                              const std::string& tds_version = "7.4") const;

  // Every request the server received so far, one a line ("batch: ...", "rpc: ...").
  std::string requests() const;

  // Stops the server now; answers its exit status (0 after a clean stop).
  int stop();

 private:
  std::string dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace quill_test
