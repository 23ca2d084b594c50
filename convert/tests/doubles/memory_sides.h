// The conversion's sides played by the in-memory model doubles: source
// databases by name, destination files by path, and a table-name validator
// that rewrites the names Access would refuse.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UDB/tests/doubles/memory_database.h"
#include "convert/conversion_sides.h"

class memory_sides : public conversion_sides {
 public:
  // A source missing from `sources` fails to open (level 0).
  std::unique_ptr<udb_database> open_source(const std::string& name) override;
  // A path missing from `files` is not an Access file (level 1).
  udb_format destination_format(const std::string& path) override;
  std::unique_ptr<udb_engine> make_destination_engine(udb_format format) override;
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>& tables,
                                                             const std::vector<std::string>& existing) override;
  bool is_record_error(const tk_exception& e) const override { return e.code() == memory_record_error_code; }

  // The store of a source or of a destination file, made on first use.
  memory_store& source(const std::string& name) { return made(sources[name]); }
  memory_store& file(const std::string& path) { return made(files[path]); }

  std::map<std::string, std::shared_ptr<memory_store>> sources;
  memory_files files;
  std::vector<udb_format> engine_formats;  // the formats engines were made for, in order
  std::string engine_failure;       // when set, engines fail to load with this abort-level text

 private:
  static memory_store& made(std::shared_ptr<memory_store>& store);
};
