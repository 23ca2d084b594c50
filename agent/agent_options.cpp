#include "agent/agent_options.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TK/tk_exception.h"
#include "TK/tk_file.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "agent/agent_exit.h"
#include "agent/agent_usage.h"
#include "convert/quillmere_convertor.h"

const tk_cmdli_option agent_option_table[] = {
    {agent_opt_acc_ver, "--acc_ver="}, {agent_opt_dest, "--dest="},
    {agent_opt_help, "--help"},        {agent_opt_mode, "--mode="},
    {agent_opt_mssqlh, "--mssqlh="},   {agent_opt_mssqlu, "--mssqlu="},
    {agent_opt_mssqlp, "--mssqlp="},   {agent_opt_skip_idx, "--skip_idx"},
    {agent_opt_src, "--src="},         {agent_opt_tab_def, "--tab_def"},
    {agent_opt_tab_file, "--tab_file="}, {tk_cmdli::no_match, ""},
};

namespace {

// The SQL Server part of the command line, kept apart until the end of
// parsing because Windows authentication depends on all of it.
struct server_login {
  std::string host;
  std::string user;
  std::string pswd;
};

void apply_mode(const std::string& value, udb_converter& settings) {
  TK_TRACE(2, "\tgot mode %d", parse_format(value));
  int mode = 0;
  bool accepted = parse_mode(value, mode);
  if (!accepted) fatal_exit(agent_msg_bad_mode);
  settings.set_mode(mode);
}

// Acts on one recognized option.
void apply_option(const tk_cmdli& scan, quillmere_convertor& settings, server_login& login) {
  const std::string& value = scan.value();
  switch (scan.id()) {
    case agent_opt_acc_ver:
      TK_TRACE(2, "\tgot format version: %s", value.c_str());
      settings.set_format(parse_format(value));
      break;
    case agent_opt_dest:
      TK_TRACE(1, "parse_cmd_line - got dest %s", value.c_str());
      settings.set_dest(make_dest_path(value));
      break;
    case agent_opt_help:
      fatal_exit(agent_usage_text());
    case agent_opt_mode:
      apply_mode(value, settings);
      break;
    case agent_opt_mssqlh: login.host = value; break;
    case agent_opt_mssqlu: login.user = value; break;
    case agent_opt_mssqlp: login.pswd = value; break;
    case agent_opt_skip_idx:
      TK_TRACE(2, "\tskip converting indexes");
      settings.set_skip_idx(true);
      break;
    case agent_opt_src:
      TK_TRACE(1, "parse_cmd_line - got src %s", value.c_str());
      settings.set_src(value);
      break;
    case agent_opt_tab_def:
      TK_TRACE(2, "\tconvert table definitions only");
      settings.set_tab_def(true);
      break;
    case agent_opt_tab_file:
      TK_TRACE(2, "\tparse_cmd_line - got tab_file %s", value.c_str());
      process_tab_file(value, settings);
      break;
    default:
      break;  // unrecognized: counted by the scanner
  }
}

// The mandatory options, checked in this order so that only the first
// missing one is reported.
void check_mandatory(const quillmere_convertor& settings) {
  if (settings.src().empty()) fatal_exit(agent_msg_no_src);
  if (settings.dest().empty()) fatal_exit(agent_msg_no_dest);
  if (settings.format() == quillmere_format_not_given) fatal_exit(agent_msg_no_format);
}

constexpr char utf8_bom[] = "\xEF\xBB\xBF";

// A valid UTF-8 line with no zero byte: anything else cannot be a table
// name that the rest of the system can carry.
bool is_table_name_text(const std::string& line) {
  if (line.find('\0') != std::string::npos) return false;
  try {
    tk_to_wide(line);
    return true;
  } catch (const tk_exception&) {
    return false;
  }
}

}  // namespace

bool parse_cmd_line(int argc, const char* const* argv, quillmere_convertor& settings) {
  TK_TRACE(1, "parse_cmd_line");
  server_login login;
  tk_cmdli scan(argc, argv, agent_option_table);
  for (; scan.valid(); scan.next()) apply_option(scan, settings, login);
  if (scan.unrecognized_count() > 0) return false;

  check_mandatory(settings);
  settings.set_sec_log(login.user.empty() && login.pswd.empty());
  settings.set_host(std::move(login.host));
  settings.set_user(std::move(login.user));
  settings.set_pswd(std::move(login.pswd));
  return true;
}

bool parse_mode(const std::string& text, int& mode) {
  long value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  auto [end, error] = std::from_chars(first, last, value);
  // Printing the number back must give the same text: this refuses "01",
  // "-0", trailing garbage and the empty value.
  if (error != std::errc() || end != last || std::to_string(value) != text) return false;
  if (value < udb_mode_overwrite_database || value > udb_mode_merge) return false;
  mode = static_cast<int>(value);
  return true;
}

int parse_format(const std::string& text) {
  long value = std::strtol(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string make_dest_path(const std::string& value) {
  // An empty path would name the program itself.
  if (value.empty()) return {};
  tk_path_parts parts = tk_split_path(value);
  if (parts.name.empty()) return {};
  return parts.drive + parts.dir + parts.name + ".mdb";
}

void process_tab_file(const std::string& file_name, udb_converter& settings) {
  TK_TRACE(1, "process_tab_file(%s)", file_name.c_str());
  if (!tk_is_file_exist(file_name, 0)) fatal_exit(agent_msg_no_tab_file);
  std::ifstream in(file_name, std::ios::binary);
  if (!in.is_open()) fatal_exit(agent_msg_no_tab_file);

  std::string text;
  if (!read_bounded(in, text, agent_tab_file_limit)) {
    fatal_exit(in.bad() ? agent_msg_tab_file_unreadable : agent_msg_tab_file_too_large);
  }
  std::istringstream lines(text);
  std::vector<std::string> names;
  size_t bad_line = 0;
  if (!read_table_names(lines, names, bad_line)) {
    fatal_exit("Table names file holds a line that is not UTF-8 text (line " +
               std::to_string(bad_line) + ").");
  }
  settings.set_tables(std::move(names));
}

bool read_bounded(std::istream& in, std::string& text, size_t limit) {
  text.clear();
  char chunk[8192];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > limit) return false;
  }
  return !in.bad();
}

bool read_table_names(std::istream& in, std::vector<std::string>& names, size_t& bad_line) {
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number) {
    // Editors on Windows may start a UTF-8 file with a byte-order mark.
    if (number == 1 && line.starts_with(utf8_bom)) line.erase(0, sizeof utf8_bom - 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (!is_table_name_text(line)) {
      bad_line = number;
      return false;
    }
    names.push_back(line);
  }
  return true;
}
