// The agent's command line: its option table and the functions that turn
// options into the settings of one conversion.
//
// Every function here that meets a fatal problem (a bad value, a missing
// option, "--help", an unreadable table-names file) ends the agent's run
// through fatal_exit() (agent/agent_exit.h): it throws agent_exit, which the
// agent's entry turns into a message on standard error and exit code -1.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "agent/tk_cmdli.h"

class quillmere_convertor;
class udb_converter;

// Identifiers of the agent's options; each is its index in
// agent_option_table.
enum agent_option_id : int {
  agent_opt_acc_ver = 0,
  agent_opt_dest,
  agent_opt_help,
  agent_opt_mode,
  agent_opt_mssqlh,
  agent_opt_mssqlu,
  agent_opt_mssqlp,
  agent_opt_skip_idx,
  agent_opt_src,
  agent_opt_tab_def,
  agent_opt_tab_file,
};

// The option table given to tk_cmdli, closed by an entry named "".
extern const tk_cmdli_option agent_option_table[];

// The agent's fatal messages.
inline constexpr char agent_msg_bad_mode[] = "Invalid merge/overwrite mode";
inline constexpr char agent_msg_no_dest[] = "You should enter destination MS Access database name";
inline constexpr char agent_msg_no_src[] = "You should enter source MS SQL database name";
inline constexpr char agent_msg_no_format[] =
    "You should specify MS Access format version (use '--acc_ver' option)";
inline constexpr char agent_msg_no_tab_file[] =
    "Table names file does not exist.\nPlease verify the correct path/name was given.";
inline constexpr char agent_msg_tab_file_unreadable[] = "Table names file could not be read.";
inline constexpr char agent_msg_tab_file_too_large[] = "Table names file is larger than 16 MiB.";

// The largest table-names file read (a device such as /dev/zero never ends).
inline constexpr size_t agent_tab_file_limit = 16 * 1024 * 1024;

// Fills `settings` from the arguments (argv[0] is the program name).
// Returns false when an argument matched no option; the caller then prints
// the usage text.  Fatal exit on "--help", on a bad mode, on a missing
// table-names file and, in this order, on a missing "--src=", "--dest=" or
// "--acc_ver=".  Later occurrences of an option win; each "--tab_file="
// replaces the table list.  Windows authentication is chosen exactly when
// neither a user name nor a password was given.
// Throws the toolkit's assertion for more than tk_cmdli::max_unrecognized
// unrecognized arguments.
bool parse_cmd_line(int argc, const char* const* argv, quillmere_convertor& settings);

// Reads a "--mode=" value: true and `mode` set when `text` is exactly the
// decimal form of 0, 1, 2 or 3 (so "01", "+1", " 1" and "" are refused).
bool parse_mode(const std::string& text, int& mode);

// Reads an "--acc_ver=" value like atoi: optional blanks and sign, then the
// leading digits; no number gives 0, and a number beyond the int range is
// held at the nearest end of that range.
int parse_format(const std::string& text);

// The "--dest=" value made a full path against the current directory with
// its extension replaced by ".mdb" ("out.txt" -> "<cwd>/out.mdb").  Returns
// "" when the value names no file (empty, or ending in a folder separator),
// so that the missing-destination check reports it.
std::string make_dest_path(const std::string& value);

// Replaces `settings.tables()` with the table names in the file `file_name`.
// Fatal exit when the file cannot be opened for reading, cannot be read,
// holds more than agent_tab_file_limit bytes, or holds a line that is not
// UTF-8 text.
void process_tab_file(const std::string& file_name, udb_converter& settings);

// Reads all of `in` into `text`.  False when it holds more than `limit`
// bytes (`text` then holds the first of them) or a read failed (in.bad()).
bool read_bounded(std::istream& in, std::string& text, size_t limit);

// The table names of a table-names file: every non-empty line, whole and as
// it stands (blanks kept, duplicates kept), in file order.  A line may end
// with "\n" or "\r\n"; the line break is not part of the name, nor is a
// UTF-8 byte-order mark at the start of the file.
// Returns false and sets `bad_line` (1-based) when a line is not valid UTF-8
// or holds a zero byte; `names` then holds the lines before it.
bool read_table_names(std::istream& in, std::vector<std::string>& names, size_t& bad_line);
