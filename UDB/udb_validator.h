// udb_validator: makes names of tables, fields and indexes safe for a
// destination engine and unique in their scope; t_names_map: the map from
// a source name that had to be rewritten to the name that replaced it.
//
// Calling pattern of every owner, for each object in turn: test
// is_acceptable(name); if refused, use get_safe_name(name) and add the
// generated name to the taken names; in either case add the name used to
// the names in use.  Names are compared with letter case ignored.
//
// Thread-safety: a plain value; one thread at a time.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

class t_names_map {
 public:
  // Inserts the pair; a `from` already present keeps its first target.
  void add(const std::string& from, const std::string& to);
  // The target of `name`, or `name` itself when it has none.  With `exact`
  // only an exact key matches; without it an exact key still wins and a
  // key equal with letter case ignored is the fallback (so 'ID' and 'id'
  // each keep their own target).
  std::string get_mapped_name(const std::string& name, bool exact) const;
  std::size_t size() const { return map_.size(); }

 private:
  std::map<std::string, std::string> map_;
};

class udb_validator {
 public:
  udb_validator() = default;
  virtual ~udb_validator() = default;

  // Virtual operations, in slot order.
  // False for a name in use or holding a forbidden character.
  virtual bool is_acceptable(const std::string& name);
  // True when a taken name equals `name`.
  virtual bool is_duplicated(const std::string& name);
  // `name` with every forbidden character replaced by "_", then suffixed
  // ("_", "1", "_", "2", "_", "3", again and again) until no taken name
  // nor name in use equals it.  With a length limit the name is cut so
  // that it and its suffix stay within it.
  virtual std::string get_safe_name(const std::string& name);

  void add_taken_name(const std::string& name) { taken_.push_back(name); }
  void add_name_in_use(const std::string& name) { in_use_.push_back(name); }

  // The rewritten names of the scope, filled by the owner.
  t_names_map& names_map() { return names_map_; }
  const t_names_map& names_map() const { return names_map_; }

 protected:
  std::vector<char> forbidden_;
  // Most characters of a name; 0 for no limit.
  std::size_t max_length_ = 0;

 private:
  std::string fit(const std::string& stem, const std::string& suffix) const;
  bool is_in_use(const std::string& name) const;

  t_names_map names_map_;
  std::vector<std::string> in_use_;
  std::vector<std::string> taken_;
};

// Characters of UTF-8 text, and its first `count` characters.
std::size_t udb_character_count(const std::string& text);
std::string udb_first_characters(const std::string& text, std::size_t count);
