// wizard_server: what the wizard asks of the SQL Server side before a run:
// proving the login (the connection page) and listing the server's
// databases (the databases page).  The run itself and the table listing
// reach the server through the driver's conversion_sides.
//
// Failures are the source side's errors: OLE DB errors carry codes
// 0x80000 | (HRESULT & 0xFFFF) (0x84005 for a server that does not exist
// or refuses access, 0x80E4D for a refused login).
// Thread-safety: used by one worker at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

class wizard_server {
 public:
  virtual ~wizard_server() = default;
  // Connects to `host` (empty: the local server) with Windows
  // authentication when `sec_log` is set, else with `user` and `pswd`;
  // the connection stays for the pages that follow.
  virtual void connect(bool sec_log, const std::string& host, const std::string& user,
                       const std::string& pswd) = 0;
  // The connected server's databases, in the server's order.
  virtual std::vector<std::string> get_contents() = 0;
};

// The server of this build: the driver's SQL Server connection.
std::unique_ptr<wizard_server> make_default_wizard_server();

// True for an error code of the OLE DB family (0x80000 | HRESULT low word).
inline bool wiz_is_oledb_code(int code) { return (code & ~0xFFFF) == 0x80000; }
