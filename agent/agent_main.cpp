#include "agent/agent_main.h"

#include <exception>

#include "TK/tk_error_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_file.h"
#include "TK/tk_trace.h"
#include "agent/agent_exit.h"
#include "agent/agent_options.h"
#include "agent/agent_usage.h"
#include "convert/console_front_end.h"
#include "convert/destination_check.h"
#include "convert/error_handler.h"
#include "convert/quillmere_convertor.h"

namespace {

// An error of the library before or instead of the run: the handler prints
// it (and ends the process itself for an internal error).  Nothing was
// converted, so the agent fails whatever the error's level.
int report_failure(error_handler& handler, const tk_exception& error) {
  try {
    handler.handle(error);
  } catch (const tk_final_exception&) {
    // the abort-level error has been printed
  }
  return agent_exit_failure;
}

// The guarded region: the driver lives in it and dies before the handler.
// Fatal problems leave by agent_exit, other standard exceptions as they are.
int guarded_run(int argc, const char* const* argv, error_handler& handler) {
  quillmere_convertor driver(quillmere_front_end::agent);
  try {
    if (argc <= 1 || !parse_cmd_line(argc, argv, driver)) fatal_exit(agent_usage_text());
    driver.connect_mssql_server();
    if (!driver.engine().is_db_exist(driver.src())) fatal_exit("Database '" + driver.src() + "' does not exist");
  } catch (const tk_exception& error) {
    return report_failure(handler, error);
  }
  return agent_convert(driver, handler);
}

int fatal_message(const std::string& message, std::ostream& err) {
  TK_TRACE(3, "%s", message.c_str());
  err << message << '\n' << std::flush;
  return agent_exit_failure;
}

}  // namespace

int agent_main(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  console_front_end console(out, err);
  error_handler handler(tk_oledb_message_count, tk_oledb_messages, console);
  handler.load_err_map(tk_dao_message_count, tk_dao_messages);
  try {
    return guarded_run(argc, argv, handler);
  } catch (const agent_exit& exit) {
    return fatal_message(exit.message(), err);
  } catch (const std::exception& error) {
    return fatal_message(error.what(), err);
  }
}

int agent_convert(quillmere_convertor& driver, error_handler& handler) {
  try {
    check_dest(driver.dest(), driver);
  } catch (const tk_exception& error) {
    return report_failure(handler, error);
  }
  driver();
  bool stopped = driver.stopped() || handler.stopped();
  return stopped ? agent_exit_failure : agent_exit_success;
}

void check_dest(const std::string& dest, const quillmere_convertor& settings) {
  TK_TRACE(1, "check_dest(%s)", dest.c_str());
  validate_destination(dest);
  if (!tk_is_file_exist(dest, 0)) return;

  TK_TRACE(1, "Destination already exists");
  if (settings.mode() != udb_mode_overwrite_database) return;
  if (!tk_delete_file(dest)) throw tk_exception_ex();
}
