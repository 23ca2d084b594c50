#include "MSS/mss_engine.h"

#include "MSS/odb_command.h"
#include "MSS/odb_database.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_recordset.h"
#include "MSS/odb_text.h"
#include "TK/tk_trace.h"

namespace {

std::string trim_spaces(const std::string& text) {
  std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// Values keep their spelling unless they hold characters that would split
// the string; those are quoted so that they reach the server whole.
std::string login_part(const char* user_keyword, const std::string& user, const std::string& password) {
  return std::string(";") + user_keyword + "=" + odb_connection_value(user) + ";Password=" +
         odb_connection_value(password) + ";";
}

}  // namespace

mss_engine::mss_engine() { CoInitialize(nullptr); }

mss_engine::~mss_engine() = default;

void mss_engine::connect(const std::string& host) {
  TK_TRACE(2, "mss_engine::connect( %s )", host.c_str());
  std::string text = "Provider=sqloledb;Data Source=" + odb_connection_value(host) + ";Integrated Security=SSPI;";
  ole_com_ptr<IDBInitialize> data_source;
  test_connection(text, data_source);
  host_ = host;
  windows_auth_ = true;
  connected_ = true;
  version_ = get_version(*data_source);
}

void mss_engine::connect(const std::string& host, const std::string& user, const std::string& password) {
  TK_TRACE(2, "mss_engine::connect( %s, %s, %s )", host.c_str(), user.c_str(), "****");
  std::string text = "Provider=sqloledb;Data Source=" + odb_connection_value(host) + login_part("User Id", user, password);
  ole_com_ptr<IDBInitialize> data_source;
  test_connection(text, data_source);
  host_ = host;
  user_ = user;
  password_ = password;
  connected_ = true;
  windows_auth_ = false;
  version_ = get_version(*data_source);
}

void mss_engine::test_connection(const std::string& connection_string, ole_com_ptr<IDBInitialize>& out) {
  TK_TRACE(2, "mss_engine::test_connection(%s)", odb_mask_password(connection_string).c_str());
  ole_com_ptr<IDataInitialize> service;
  HRESULT hr = CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                                reinterpret_cast<void**>(service.address()));
  if (FAILED(hr)) {
    TK_TRACE(1, "%08X", static_cast<unsigned>(hr));
    throw tk_exception(mss_msg_no_oledb, tk_level_recoverable);
  }
  ole_com_ptr<IUnknown> source;
  odb_check(service->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, connection_string.c_str(), IID_IUnknown,
                                   source.address()));
  odb_check(source->QueryInterface(IID_IDBInitialize, reinterpret_cast<void**>(out.address())));
  odb_check(out->Initialize());
}

int mss_engine::classify_version(const std::string& text) {
  static const std::string prefix = "Microsoft SQL Server";
  if (text.size() <= prefix.size() + 10 || text.compare(0, prefix.size(), prefix) != 0) return mss_version_other;
  std::string part = trim_spaces(text.substr(prefix.size(), 10));
  if (part.rfind("2000", 0) == 0) return mss_version_2000;
  if (part.rfind("7.", 0) == 0) return mss_version_7;
  return mss_version_other;
}

int mss_engine::get_version(IDBInitialize& data_source) {
  TK_TRACE(2, "mss_engine::get_version(priv)");
  odb_command command(data_source);
  ole_com_ptr<IRowset> rowset;
  command.execute("SELECT @@VERSION", &rowset);
  odb_recordset result(rowset.get());
  result.reset();
  TK_ASSERT(!result.is_eof());
  std::string text = result.get_item().at(0).to_string();
  TK_TRACE(1, "MS SQL version string: %s", text.c_str());
  return classify_version(text);
}

std::string mss_engine::make_connection_string(const std::string& database) const {
  TK_ASSERT(connected_);
  std::string text = "Provider=sqloledb;Data Source=" + odb_connection_value(host_);
  if (!database.empty()) text += ";Initial Catalog=" + odb_connection_value(database);
  if (windows_auth_) return text + ";Integrated Security=SSPI;";
  return text + login_part("User ID", user_, password_);
}

std::unique_ptr<udb_database> mss_engine::open_db(const std::string& name, uint32_t open_mode) {
  TK_TRACE(2, "mss_engine::open_db(%s)", name.c_str());
  TK_ASSERT(connected_);
  std::string text = make_connection_string(name);
  TK_TRACE(1, "Connection string=%s", odb_mask_password(text).c_str());
  ole_com_ptr<IDBInitialize> data_source;
  test_connection(text, data_source);
  ole_com_ptr<IOpenRowset> session = odb_open_session(*data_source);
  TK_TRACE(1, "Connection to the database was establish successfully");
  return std::make_unique<mss_database>(name, *data_source, *session, open_mode);
}

std::vector<std::string> mss_engine::get_contents() {
  TK_TRACE(2, "mss_engine::get_contents");
  TK_ASSERT(connected_);
  ole_com_ptr<IDBInitialize> data_source;
  test_connection(make_connection_string(""), data_source);
  ole_com_ptr<IOpenRowset> session = odb_open_session(*data_source);
  odb_command command(*session);
  ole_com_ptr<IRowset> rowset;
  command.execute("exec sp_databases", &rowset);
  odb_recordset result(rowset.get());
  std::vector<std::string> names;
  for (result.reset(); !result.is_eof(); result.next()) {
    std::string name = result.get_item().at(0).to_string();
    TK_TRACE(1, "Got database: %s", name.c_str());
    names.push_back(name);
  }
  return names;
}

bool mss_engine::is_db_exist(const std::string& name) {
  TK_TRACE(2, "mss_engine::is_db_exist(%s)", name.c_str());
  TK_ASSERT(connected_);
  try {
    ole_com_ptr<IDBInitialize> data_source;
    test_connection(make_connection_string(name), data_source);
  } catch (const odb_exception&) {
    return false;
  }
  TK_TRACE(2, "mss_engine::is_db_exist -- end");
  return true;
}
