// overwrite_dlg2: what to do with a destination file that already exists
// (template 121).  Four radio buttons, in mode order: 1329 "&Overwrite the
// entire database" (checked when the dialog opens), 1330 "Overwrite
// existing &tables only", 1331 "&Skip existing tables", 1332 "&Merge";
// buttons OK, Cancel and Help; the warning icon; a beep on opening.
//
// exec() answers 1 for OK (mode() then tells the checked button's mode,
// 0 to 3) or 2 for Cancel (also Escape and closing).  Help calls the
// caller's help with the dialog's topic and leaves the dialog open.
// Thread-safety: a window-thread object.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

inline constexpr int over_dlg_ok = 1;
inline constexpr int over_dlg_cancel = 2;

class overwrite_dlg2 : public QDialog {
 public:
  // The caption is `title` followed by " Warning".
  overwrite_dlg2(QWidget* parent, const std::string& title, const std::string& message, int help_topic,
                 std::function<void(int topic)> show_help);

  // The mode of the checked radio button; none checked is an assertion
  // failure.
  int mode() const;

 protected:
  void reject() override { done(over_dlg_cancel); }
  void showEvent(QShowEvent* event) override;

 private:
  const int help_topic_;
  std::function<void(int)> show_help_;
};
