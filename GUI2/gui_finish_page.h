// gui_finish_page: the last page (template 116): the success text, or the
// errors text with the errors met (at most 20, one per entry, line breaks
// made blanks) in the read-only box 1016.  Cancel and Help are disabled;
// Finish closes the wizard.  The first time the errors box gets the focus
// the caret goes to its end and the focus to Finish, so that Enter still
// finishes; later clicks in the box work normally.
// Thread-safety: window-thread object.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"

inline constexpr char finish_msg_success[] =
    "Wizard has converted your MS SQL database into\nMS Access format successfully.\n\nClick 'Finish' to exit the "
    "wizard.";
inline constexpr char finish_msg_errors[] =
    "There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";

class gui_finish_page : public wizard_page {
 public:
  gui_finish_page(std::string success_text, std::string errors_text);

  bool page_init() override;
  // Cancel is disabled here; closing the window finishes.
  bool on_cancel() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void on_eb_focus();

  const std::string success_text_;
  const std::string errors_text_;
  bool first_focus_ = true;
};
