#include "dao/dao_validator.h"

#include "TK/tk_trace.h"

namespace {
bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
}  // namespace

dao_validator::dao_validator() {
  TK_TRACE(1, "dao_validator::ctor");
  forbidden_ = {'`', '!', '[', ']', '.'};
  max_length_ = dao_max_name_length;
}

bool dao_validator::is_acceptable(const std::string& name) {
  TK_TRACE(2, "dao_validator::is_acceptable(%s)", name.c_str());
  if (name.empty() || name.front() == ' ' || name.back() == ' ') return false;
  if (udb_character_count(name) > dao_max_name_length) return false;
  for (char c : name) {
    if (is_control(c)) return false;
  }
  return udb_validator::is_acceptable(name);
}

std::string dao_validator::get_safe_name(const std::string& name) {
  TK_TRACE(2, "dao_validator::get_safe_name(%s)", name.c_str());
  std::size_t first = name.find_first_not_of(' ');
  // A name of blanks only would become empty, which Access refuses.
  if (first == std::string::npos) return udb_validator::get_safe_name(std::string(1, '_'));
  std::string trimmed = name.substr(first, name.find_last_not_of(' ') - first + 1);
  for (char& c : trimmed) {
    if (is_control(c)) c = '_';
  }
  return udb_validator::get_safe_name(trimmed);
}

dao_tn_validator::dao_tn_validator(const std::vector<std::string>& tables, const std::vector<std::string>& existing) {
  TK_TRACE(1, "dao_tn_validator::ctor");
  for (const std::string& name : tables) add_taken_name(name);
  for (const std::string& name : existing) add_taken_name(name);
}

dao_fn_validator::dao_fn_validator(const udb_schema& schema) {
  TK_TRACE(1, "dao_fn_validator::ctor");
  for (std::size_t i = 0; i < schema.size(); ++i) add_taken_name(schema.at(i).name);
}

dao_in_validator::dao_in_validator(const udb_indexes& indexes) {
  TK_TRACE(1, "dao_in_validator::ctor");
  for (std::size_t i = 0; i < indexes.size(); ++i) add_taken_name(indexes.at(i).name);
}
