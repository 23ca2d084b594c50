// udb_indexes: a table's indexes in the engine-neutral form.
//
// The source fills the collection when it opens a table (primary key first,
// then the other indexes), the driver hands it unchanged to the
// destination's create_table (or an empty one when indexes are skipped), and
// the destination creates its indexes in collection order.
//
// Thread-safety: a plain value; one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One index: its name as the source spells it, its flags and its key
// columns in key order.
struct udb_index {
  std::string name;
  bool unique = false;
  bool primary = false;
  std::vector<std::string> field_names;
};

class udb_indexes {
 public:
  // Adds `entry` after the existing entries.
  void append(udb_index entry);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // The entry at `position`.  A position outside the collection raises
  // std::out_of_range.
  const udb_index& at(std::size_t position) const { return entries_.at(position); }
  udb_index& at(std::size_t position) { return entries_.at(position); }

  // True when no entry has `name` (letter case ignored), so that an index
  // of that name may still be added.
  bool is_acceptable_name(const std::string& name) const;

  // The entry called `name` (letter case ignored), to add a further key
  // column to it.  REQUIRES: is_acceptable_name(name) is false; a miss
  // raises tk_mail_assertion.
  udb_index& get_index(const std::string& name);

 private:
  std::vector<udb_index> entries_;
};
