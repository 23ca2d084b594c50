// The TDS test server (testserver/) for the tests of the SQL Server side:
// started on a free loopback port with a fixture, stopped at the end.
#pragma once

#include <string>

class test_server {
 public:
  // Starts the server with testserver/fixtures/<fixture> or a path.
  explicit test_server(const std::string& fixture);
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
