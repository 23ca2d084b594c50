#include "convert/access_side.h"

#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_validator.h"

namespace {
// The driver's validator interface over the Access table-name validator.
class access_table_validator : public table_name_validator {
 public:
  access_table_validator(const std::vector<std::string>& tables, const std::vector<std::string>& existing)
      : validator_(tables, existing) {}
  bool is_acceptable(const std::string& name) override { return validator_.is_acceptable(name); }
  std::string get_safe_name(const std::string& name) override { return validator_.get_safe_name(name); }
  void add_taken_name(const std::string& name) override { validator_.add_taken_name(name); }
  void add_name_in_use(const std::string& name) override { validator_.add_name_in_use(name); }

 private:
  dao_tn_validator validator_;
};
}  // namespace

udb_format access_destination_format(const std::string& path) { return dao_engine::get_acc_version(path); }

std::unique_ptr<udb_engine> make_access_engine(udb_format format) {
  auto engine = std::make_unique<dao_engine>();
  engine->set_version(format);
  return engine;
}

std::unique_ptr<table_name_validator> make_access_table_validator(const std::vector<std::string>& tables,
                                                                  const std::vector<std::string>& existing) {
  return std::make_unique<access_table_validator>(tables, existing);
}

bool is_access_record_error(const tk_exception& e) { return dao_error_number(e) != 0; }
