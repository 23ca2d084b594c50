#include "MSS/mss_engine.h"
#include "convert/conversion_sides.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_validator.h"

namespace {
// The DAO engine's format codes and the model's formats.
udb_format format_of_code(int code) {
  TK_ASSERT(code == conversion_format_access2000 || code == conversion_format_access97);
  return code == conversion_format_access2000 ? udb_format::access2000 : udb_format::access97;
}

// The Access table-name validator behind the driver's interface.
class access_table_names : public table_name_validator {
 public:
  access_table_names(const std::vector<std::string>& tables, const std::vector<std::string>& existing)
      : names_(tables, existing) {}
  bool is_acceptable(const std::string& name) override { return names_.is_acceptable(name); }
  std::string get_safe_name(const std::string& name) override { return names_.get_safe_name(name); }
  void add_taken_name(const std::string& name) override { names_.add_taken_name(name); }
  void add_name_in_use(const std::string& name) override { names_.add_name_in_use(name); }

 private:
  dao_tn_validator names_;
};

// The source is the SQL Server engine of the process (connected by the
// front end); the destination is the Access side over DAO.
class real_sides : public conversion_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    return mss_engine::instance().open_db(name, udb_open_read_only);
  }
  int destination_format(const std::string& path) override {
    return dao_format_code(dao_engine::get_acc_version(path));
  }
  std::unique_ptr<udb_engine> make_destination_engine(int format_code) override {
    auto engine = std::make_unique<dao_engine>();
    engine->set_version(format_of_code(format_code));
    return engine;
  }
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>& tables,
                                                             const std::vector<std::string>& existing) override {
    return std::make_unique<access_table_names>(tables, existing);
  }
  // The Access side's own errors are the ones that refuse a record.
  bool is_record_error(const tk_exception& e) const override {
    return dynamic_cast<const dao_exception*>(&e) != nullptr;
  }
};
}  // namespace

std::shared_ptr<conversion_sides> make_default_conversion_sides() { return std::make_shared<real_sides>(); }
