// mssql_settings_page: "Step 1 of 4", where the SQL Server is and how to
// log in (template 104).  Next saves the fields into the driver's settings
// and connects on a worker thread under the wait dialog; the wizard goes
// on only when the connection was made.  Back saves without connecting.
//
// Controls: server 1014, radio buttons 1329 "&Windows authentication" and
// 1330 "S&QL Server authentication", login 1012 and password 1013 (enabled
// only with SQL Server authentication).  Fields keep at most 259
// characters, as typed.
// Thread-safety: window-thread object; the connect operation runs on its
// worker while the window thread runs the wait dialog.
#pragma once

#include <atomic>

#include "GUI2/animated_wait_dlg.h"
#include "GUI2/wizard_page.h"

class wizard_server;
class tk_exception;

inline constexpr char conn_msg_no_server[] =
    "MS SQL Server does not exist or access denied.\nCheck to verify the correct host was given.";

class mssql_settings_page : public wizard_page {
 public:
  // `server` must outlive the page.
  explicit mssql_settings_page(wizard_server& server);
  ~mssql_settings_page() override;

  bool page_init() override;
  int on_next() override;
  int on_back() override;

  bool connected() const { return connected_.load(); }

 private:
  void set_windows_auth(bool windows);
  void save_fields();
  void connect_operation();
  void report_failure(const tk_exception& e);

  wizard_server& server_;
  std::atomic<bool> connected_{false};
  animated_wait_dlg* wait_dlg_;
  wait_worker worker_;
};
