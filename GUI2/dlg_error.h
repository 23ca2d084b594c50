// The two dialogs through which errors reach the user while the wizard
// runs.
//
// dlg_error_ex (template 114): an internal error, shown before the program
// ends.  "Send bug" hands the bug report to the user's mail program (a
// mailto: link), "Copy to clipboard" puts the message on the system
// clipboard, "OK" just closes; exec() answers the button's identifier
// (1112, 1 or 1108).
//
// dlg_error_continue (template 115): an error that allows going on.
// "Continue" (the default button; Enter and Escape choose it) answers 2,
// "Abort" answers 1; the check box "&Do not show this dialog box again"
// is read with do_not_show() afterwards.
//
// Captions are the wizard's title followed by " Error".
// Thread-safety: window-thread objects.
#pragma once

#include <QDialog>
#include <string>

inline constexpr int dlg_id_send_bug = 1112;
inline constexpr int dlg_id_ok = 1;
inline constexpr int dlg_id_copy = 1108;
inline constexpr int dlg_id_abort = 1;
inline constexpr int dlg_id_continue = 2;

class dlg_error_ex : public QDialog {
 public:
  dlg_error_ex(std::string message, QWidget* parent);
  const std::string& message() const { return message_; }

 private:
  void send_bug();
  void copy_to_clipboard();

  const std::string message_;
};

class dlg_error_continue : public QDialog {
 public:
  dlg_error_continue(std::string message, QWidget* parent);
  bool do_not_show() const { return do_not_show_; }

 protected:
  void reject() override { done(dlg_id_continue); }

 private:
  const std::string message_;
  bool do_not_show_ = false;
};
