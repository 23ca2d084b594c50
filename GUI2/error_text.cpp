#include "GUI2/error_text.h"

#include <cstdio>
#include <cstdlib>

#include "GUI2/dlg_error.h"
#include "GUI2/gui_thread.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_error_converter.h"

namespace {
// The process ends at once: nothing else of it may run after the message
// (the same exit as the error handler's after an internal error).
[[noreturn]] void end_process() {
  std::fflush(nullptr);
  std::_Exit(-1);
}
}  // namespace

std::string wiz_error_text(const tk_exception& e) {
  static const tk_error_converter messages = [] {
    tk_error_converter converter(tk_oledb_message_count, tk_oledb_messages);
    converter.load_map(tk_dao_message_count, tk_dao_messages);
    return converter;
  }();
  std::string friendly = messages.convert(e.code());
  return friendly.empty() ? e.message() : friendly;
}

void wiz_fail(const std::string& text) {
  show_error(text);
  end_process();
}

void wiz_fail_internal(const std::string& message) {
  run_on_main_thread([&message] {
    dlg_error_ex dialog(message, wizard_shell::instance_ptr());
    dialog.exec();
  });
  end_process();
}
