// The wizard's server in this build: the driver's SQL Server part and its
// engine.
#include "GUI2/wizard_server.h"

#include "MSS/mss_engine.h"
#include "convert/quillmere_convertor.h"

namespace {
class driver_server : public wizard_server {
 public:
  void connect(bool sec_log, const std::string& host, const std::string& user, const std::string& pswd) override {
    quillmere_convertor& driver = quillmere_convertor::instance();
    driver.set_sec_log(sec_log);
    driver.set_host(host);
    driver.set_user(user);
    driver.set_pswd(pswd);
    driver.connect_mssql_server();
  }
  std::vector<std::string> get_contents() override { return quillmere_convertor::instance().engine().get_contents(); }
};
}  // namespace

std::unique_ptr<wizard_server> make_default_wizard_server() { return std::make_unique<driver_server>(); }
