#include "convert/tests/doubles/memory_sides.h"

#include <algorithm>

#include "UDB/udb_names.h"

namespace {
// Refuses names with a character Access refuses or already used in the run;
// a safe name replaces those characters by "_" and appends "_" until free.
class memory_name_validator : public table_name_validator {
 public:
  explicit memory_name_validator(std::vector<std::string> taken) : taken_(std::move(taken)) {}
  bool is_acceptable(const std::string& name) override {
    return !name.empty() && !listed(in_use_, name) && name.find_first_of(forbidden) == std::string::npos;
  }
  std::string get_safe_name(const std::string& name) override {
    std::string safe = name;
    for (char& c : safe) c = std::string_view(forbidden).find(c) == std::string_view::npos ? c : '_';
    while (listed(taken_, safe) || listed(in_use_, safe)) safe += '_';
    return safe;
  }
  void add_taken_name(const std::string& name) override { taken_.push_back(name); }
  void add_name_in_use(const std::string& name) override { in_use_.push_back(name); }

 private:
  static constexpr char forbidden[] = "`![].";
  static bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return udb_same_name(n, name); });
  }
  std::vector<std::string> taken_, in_use_;
};
}  // namespace

memory_store& memory_sides::made(std::shared_ptr<memory_store>& store) {
  if (!store) store = std::make_shared<memory_store>();
  return *store;
}

std::unique_ptr<udb_database> memory_sides::open_source(const std::string& name) {
  auto it = sources.find(name);
  if (it == sources.end()) throw tk_exception("Cannot open database requested.", tk_level_recoverable);
  return std::make_unique<memory_database>(name, 1, it->second);
}

udb_format memory_sides::destination_format(const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) {
    throw tk_exception("File '%s' does not comply with MS Access format.", path.c_str(), tk_level_abort);
  }
  return it->second->format;
}

std::unique_ptr<udb_engine> memory_sides::make_destination_engine(udb_format format) {
  engine_formats.push_back(format);
  if (!engine_failure.empty()) throw tk_exception(engine_failure, tk_level_abort);
  return std::make_unique<memory_engine>(files, format);
}

std::unique_ptr<table_name_validator> memory_sides::make_table_validator(const std::vector<std::string>& tables,
                                                                         const std::vector<std::string>& existing) {
  std::vector<std::string> taken = tables;
  taken.insert(taken.end(), existing.begin(), existing.end());
  return std::make_unique<memory_name_validator>(std::move(taken));
}
