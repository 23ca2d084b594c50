// sel_tables_page: "Step 3 of 4", which tables to convert (template 122).
// Two sorted lists (case ignored), available 1317 and selected 1318, and
// four buttons that move names between them: 1101 "A&dd >" (also a double
// click in the available list), 1102 "Add a&ll >", 1111 "< &Remove", 1110
// "< Re&move all".  Every activation starts over from all the source
// database's tables; Next hands the selected names, in list order, to the
// driver.
//
// A source database that cannot be opened (the login may list databases
// it may not open) is reported with its friendly text, and the wizard goes
// back to the databases page.
// Thread-safety: window-thread object.
#pragma once

#include "GUI2/wizard_page.h"

class QListWidget;

inline constexpr char tables_msg_none[] = "There are no tables selected. Continue anyway?";

class sel_tables_page : public wizard_page {
 public:
  sel_tables_page();

  bool page_init() override;
  int on_next() override;

  void on_add();
  void on_add_all();
  void on_delete();
  void on_del_all();

 private:
  // Moves the entry `row` of `from` into `to`, then selects what is left
  // as the list boxes do.
  void move_entry(QListWidget* from, QListWidget* to, int row);
  void move_all(QListWidget* from, QListWidget* to);
};
