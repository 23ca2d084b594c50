#include "MSS/mss_engine.h"
#include "convert/access_side.h"
#include "convert/conversion_sides.h"

namespace {
// The source is the SQL Server engine of the process (connected by the
// front end); the destination is the Access side over DAO.
class real_sides : public conversion_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    return mss_engine::instance().open_db(name, udb_open_read_only);
  }
  udb_format destination_format(const std::string& path) override { return access_destination_format(path); }
  std::unique_ptr<udb_engine> make_destination_engine(udb_format format) override {
    return make_access_engine(format);
  }
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>& tables,
                                                             const std::vector<std::string>& existing) override {
    return make_access_table_validator(tables, existing);
  }
  bool is_record_error(const tk_exception& e) const override { return is_access_record_error(e); }
};
}  // namespace

std::shared_ptr<conversion_sides> make_default_conversion_sides() { return std::make_shared<real_sides>(); }
