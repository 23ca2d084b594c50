// sel_file_page: "Step 2 of 4", what to convert and where to (template
// 105): the source database from the connected server's list (fetched
// again on every activation, on a worker under the wait dialog), the
// destination file with Browse, the format and two switches.  Next checks
// the destination and, when the file exists, asks with overwrite_dlg2 what
// to do with it; the answer is the driver's conversion mode (mode 0
// deletes the file at once).
//
// Controls: databases 1317 (sorted, case ignored), format 1302 ("MS Access
// 95/97", "MS Access 2000"), 1228 "&Convert table definitions only", 1226
// "S&kip converting indexes", destination 1004, Browse 1103.
// Thread-safety: window-thread object; the listing runs on its worker
// while the window thread runs the wait dialog.
#pragma once

#include <string>
#include <vector>

#include "GUI2/animated_wait_dlg.h"
#include "GUI2/wizard_page.h"

class wizard_server;

inline constexpr char file_msg_no_source[] = "You should enter MS SQL database name";
inline constexpr char file_msg_no_dest[] = "You should enter MS Access database name";
inline constexpr char file_msg_exists[] =
    "The destination database already exists. Select one of the\noptions below. Click 'Help' button for more "
    "information.";

class sel_file_page : public wizard_page {
 public:
  // `server` must outlive the page.
  explicit sel_file_page(wizard_server& server);
  ~sel_file_page() override;

  bool page_init() override;
  int on_next() override;
  int on_back() override;

  // Browse: the save-file dialog, then the chosen path (".mdb" appended
  // when the path has none) into 1004.
  void browse();

 private:
  void list_operation();
  void fill_list();
  void follow_selection(int row);
  void save_fields();
  int check_destination();

  wizard_server& server_;
  std::vector<std::string> names_;
  animated_wait_dlg* wait_dlg_;
  wait_worker worker_;
};
