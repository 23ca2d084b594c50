#include "UDB/udb_validator.h"

#include "TK/tk_trace.h"
#include "UDB/udb_names.h"

void t_names_map::add(const std::string& from, const std::string& to) {
  TK_TRACE(1, "t_names_map::add(%s,%s)", from.c_str(), to.c_str());
  map_.emplace(from, to);
}

std::string t_names_map::get_mapped_name(const std::string& name, bool exact) const {
  TK_TRACE(1, "t_names_map::get_mapped_name(%s)", name.c_str());
  auto it = map_.find(name);
  if (it == map_.end() && !exact) {
    for (it = map_.begin(); it != map_.end() && !udb_same_name(it->first, name); ++it) {
    }
  }
  if (it == map_.end()) return name;
  TK_TRACE(1, "Got mapped name: %s", it->second.c_str());
  return it->second;
}

bool udb_validator::is_acceptable(const std::string& name) {
  TK_TRACE(1, "udb_validator::is_acceptable(%s)", name.c_str());
  for (const std::string& used : in_use_) {
    if (udb_same_name(used, name)) return false;
  }
  for (char c : forbidden_) {
    if (name.find(c) != std::string::npos) return false;
  }
  return true;
}

bool udb_validator::is_duplicated(const std::string& name) {
  TK_TRACE(1, "udb_validator::is_duplicated(%s)", name.c_str());
  for (const std::string& taken : taken_) {
    TK_TRACE(1, "Processing %s", taken.c_str());
    if (udb_same_name(taken, name)) return true;
  }
  return false;
}

std::string udb_validator::get_safe_name(const std::string& name) {
  TK_TRACE(1, "udb_validator::get_safe_name(%s)", name.c_str());
  std::string stem = name;
  for (char c : forbidden_) {
    for (char& x : stem) {
      if (x == c) x = '_';
    }
  }
  static const char* const suffixes[] = {"_", "1", "_", "2", "_", "3"};
  std::string suffix;
  for (std::size_t i = 0;; ++i) {
    std::string candidate = fit(stem, suffix);
    if (!is_duplicated(candidate) && !is_in_use(candidate)) return candidate;
    TK_TRACE(2, "Duplicate table name was found");
    // A suffix that would fill the whole length gives way to a number.
    if (max_length_ != 0 && suffix.size() + 1 >= max_length_) {
      suffix = "_" + std::to_string(i);
    } else {
      suffix += suffixes[i % 6];
    }
  }
}

// A name already given in this scope is never handed out again, even when
// the owner did not list it as taken.
bool udb_validator::is_in_use(const std::string& name) const {
  for (const std::string& used : in_use_) {
    if (udb_same_name(used, name)) return true;
  }
  return false;
}

std::string udb_validator::fit(const std::string& stem, const std::string& suffix) const {
  if (max_length_ == 0) return stem + suffix;
  std::size_t room = max_length_ > suffix.size() ? max_length_ - suffix.size() : 0;
  return udb_first_characters(stem, room) + suffix;
}

std::size_t udb_character_count(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char b : text) count += (b & 0xC0) != 0x80;
  return count;
}

std::string udb_first_characters(const std::string& text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count) return text.substr(0, i);
  }
  return text;
}
