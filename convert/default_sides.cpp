#include "MSS/mss_engine.h"
#include "convert/conversion_sides.h"

namespace {
// The source is the SQL Server engine of the process (connected by the
// front end); the Access side stands in until it is built: every request
// for it fails with an abort-level error that names it.
class unavailable_sides : public conversion_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    return mss_engine::instance().open_db(name, udb_open_read_only);
  }
  int destination_format(const std::string&) override {
    throw tk_exception(conversion_msg_no_destination, tk_level_abort);
  }
  std::unique_ptr<udb_engine> make_destination_engine(int) override {
    throw tk_exception(conversion_msg_no_destination, tk_level_abort);
  }
  std::unique_ptr<table_name_validator> make_table_validator(const std::vector<std::string>&,
                                                             const std::vector<std::string>&) override {
    throw tk_exception(conversion_msg_no_destination, tk_level_abort);
  }
  bool is_record_error(const tk_exception&) const override { return false; }
};
}  // namespace

std::shared_ptr<conversion_sides> make_default_conversion_sides() { return std::make_shared<unavailable_sides>(); }
