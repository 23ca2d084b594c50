#include "GUI2/gui_front_end.h"

#include <QMetaObject>

#include "GUI2/dlg_error.h"
#include "GUI2/gui_thread.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"

namespace {
bool wizard_closing() {
  wizard_shell* shell = wizard_shell::instance_ptr();
  return shell != nullptr && shell->closing();
}
}  // namespace

void gui_front_end::run_started() {
  wizard_shell& shell = wizard_shell::instance();
  QMetaObject::invokeMethod(&shell, [&shell] { shell.set_timer(gui_progress_interval_ms); }, Qt::AutoConnection);
}

void gui_front_end::report_error(const std::string& message) {
  if (wizard_shell* shell = wizard_shell::instance_ptr()) shell->append_error(message);
}

continue_answer gui_front_end::ask_continue(const std::string& message) {
  std::function<continue_answer()> ask = [message] {
    dlg_error_continue dialog(message, wizard_shell::instance_ptr());
    bool go_on = dialog.exec() == dlg_id_continue;
    return continue_answer{go_on, go_on && dialog.do_not_show()};
  };
  return ask_on_main_thread(std::move(ask), continue_answer{false, false}, wizard_closing);
}

void gui_front_end::show_abort(const std::string& message) { show_error(message); }

void gui_front_end::show_internal_error(const std::string& message) {
  run_on_main_thread([&message] {
    dlg_error_ex dialog(message, wizard_shell::instance_ptr());
    dialog.exec();
  });
}

void gui_front_end::show_unexpected_error(const std::string& text) { show_error(text); }
