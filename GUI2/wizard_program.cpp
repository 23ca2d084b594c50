#include "GUI2/wizard_program.h"

#include <QApplication>
#include <cstdio>

#include "GUI2/gui_finish_page.h"
#include "GUI2/mssql_settings_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/sel_file_page.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/welcome_page.h"
#include "GUI2/wizard_server.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_error_converter.h"
#include "TK/tk_trace.h"
#include "convert/error_handler.h"
#include "convert/quillmere_convertor.h"

uint32_t wiz_packed_version(const char* text) {
  unsigned major = 0, minor = 0;
  if (text == nullptr || std::sscanf(text, "%u.%u", &major, &minor) != 2 || major > 0xFFFF || minor > 0xFFFF) return 0;
  return (major << 16) | minor;
}

std::string wizard_title() {
  char title[64];
  std::snprintf(title, sizeof title, "Quillmere %d.%d %s", 2, 1, "");
  return title;
}

wizard_program::wizard_program(std::unique_ptr<wizard_server> server, std::shared_ptr<conversion_sides> sides)
    : handler_(std::make_unique<error_handler>(tk_oledb_message_count, tk_oledb_messages, front_end_)),
      server_(std::move(server)) {
  handler_->load_err_map(tk_dao_message_count, tk_dao_messages);
  driver_ = std::make_unique<quillmere_convertor>(quillmere_front_end::wizard);
  if (sides) driver_->set_sides(std::move(sides));
  shell_ = std::make_unique<wizard_shell>(wizard_title());
  auto* finish = new gui_finish_page(finish_msg_success, finish_msg_errors);
  shell_->add_page(new welcome_page);
  shell_->add_page(new mssql_settings_page(*server_));
  shell_->add_page(new sel_file_page(*server_));
  shell_->add_page(new sel_tables_page);
  shell_->add_page(new progress_page(*finish));
  shell_->add_page(finish);
}

wizard_program::~wizard_program() {
  shell_.reset();
  server_.reset();
  driver_.reset();
}

int quillwiz_main(int argc, char** argv) {
  QApplication app(argc, argv);
  uint32_t version = wiz_packed_version(qVersion());
  TK_TRACE(1, "Qt version=%X", version);
  if (version < wiz_required_qt) {
    show_error(wiz_msg_old_qt);
    return -1;
  }
  int result = 0;
  try {
    wizard_program program(make_default_wizard_server());
    try {
      result = program.shell().run();
    } catch (const tk_exception& e) {
      program.handler().handle(e);  // an internal error ends the process there
    }
  } catch (const tk_final_exception&) {
    // reported by the handler
  } catch (const std::exception& e) {
    show_error(e.what());
  }
  return result;
}
