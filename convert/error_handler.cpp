#include "convert/error_handler.h"

#include <cstdio>
#include <cstdlib>

#include "TK/tk_trace.h"

namespace {
// Exit code of the process after an internal error (exit status 255).
constexpr int internal_error_exit_code = -1;
}  // namespace

error_handler::error_handler(std::size_t count, const tk_error_message* table, conversion_front_end& front_end)
    : front_end_(&front_end), messages_(count, table) {
  TK_TRACE(2, "error_handler::ctor");
}

error_handler::~error_handler() = default;

void error_handler::load_err_map(std::size_t count, const tk_error_message* table) {
  TK_TRACE(2, "error_handler::load_err_map");
  messages_.load_map(count, table);
}

void error_handler::set_context(const std::string& table) { context_ = table; }

void error_handler::set_context(const std::string& table, uint64_t record_number) {
  context_ = table + ", record #" + std::to_string(record_number);
}

std::string error_handler::message_for(const tk_exception& e) const {
  std::string message = context_.empty() ? std::string() : context_ + ": ";
  std::string friendly = messages_.convert(e.code());
  message += friendly.empty() ? e.message() : friendly;
  return message;
}

void error_handler::handle(const tk_exception& e) {
  TK_TRACE(2, "error_handler::handle");
  if (e.level() == tk_level_final) return;
  if (e.level() == tk_level_internal) end_program(e);
  std::string message = message_for(e);
  TK_TRACE(3, "Error:\n%s", message.c_str());
  message = error_one_line(message);
  front_end_->report_error(message);
  if (e.level() == tk_level_recoverable) {
    handle_recoverable(message);
    return;
  }
  TK_TRACE(1, "Got 1-level error");
  if (!quiet_) front_end_->show_abort(message);
  stop_conversion();
}

void error_handler::handle_recoverable(const std::string& message) {
  TK_TRACE(1, "Got 0-level error");
  if (quiet_) return;
  continue_answer answer = front_end_->ask_continue(message);
  if (!answer.go_on) stop_conversion();
  quiet_ = answer.do_not_ask_again;
}

void error_handler::handle_unexpected(const std::string& text) {
  stopped_.store(true);
  front_end_->show_unexpected_error(text);
}

void error_handler::stop_conversion() {
  stopped_.store(true);
  throw tk_final_exception();
}

// The front end has shown (and flushed) the message; nothing else of the
// process may run after it, so static destructors are skipped too.
void error_handler::end_program(const tk_exception& e) {
  TK_TRACE(3, "Internal error:\n%s", e.what());
  front_end_->show_internal_error(e.message());
  std::fflush(nullptr);
  std::_Exit(internal_error_exit_code);
}

std::string error_one_line(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    line += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return line;
}
