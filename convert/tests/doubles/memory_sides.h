// The conversion's sides played by the in-memory model doubles: named
// source databases, destination "files" by path, and a table-name
// validator that rewrites names Access would refuse.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UDB/tests/doubles/memory_database.h"
#include "convert/conversion_sides.h"

class memory_sides : public conversion_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override;
  int destination_format(const std::string& path) override;
  std::unique_ptr<udb_engine> make_destination_engine(int format_code) override;
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>& tables,
                                                             const std::vector<std::string>& existing) override;
  bool is_record_error(const tk_exception& e) const override;

  // Source databases by name; a missing one fails to open (level 0).
  std::map<std::string, std::shared_ptr<memory_store>> sources;
  // Destination files by path.
  memory_files files;
  // The format codes the engine was made for, in order.
  std::vector<int> engine_formats;
  // When set, make_destination_engine fails with this abort-level text.
  std::string engine_failure;

  memory_store& source(const std::string& name);
  memory_store& file(const std::string& path);
};

// Rewrites names with a character Access refuses ("`", "!", "[", "]",
// ".") or already used in the run, appending "_" until the name is free.
class memory_name_validator : public table_name_validator {
 public:
  explicit memory_name_validator(std::vector<std::string> taken) : taken_(std::move(taken)) {}
  bool is_acceptable(const std::string& name) override;
  std::string get_safe_name(const std::string& name) override;
  void add_taken_name(const std::string& name) override { taken_.push_back(name); }
  void add_name_in_use(const std::string& name) override { in_use_.push_back(name); }

 private:
  std::vector<std::string> taken_;
  std::vector<std::string> in_use_;
};
