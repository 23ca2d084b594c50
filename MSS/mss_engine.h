// mss_engine: the entry to the SQL Server side.  It proves credentials by
// opening a data source through the provider (Provider=sqloledb), keeps
// the server, login and authentication kind for the later connections of a
// conversion, classifies the server version, lists databases, answers
// whether a database can be opened and opens one for reading.
//
// One per process (tk_single_instance).  No connection stays open between
// calls except the one an opened database holds.  The password never
// appears in a trace.
//
// Thread-safety: one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_ptr.h"
#include "TK/tk_singl.h"
#include "UDB/udb_database.h"
#include "platform/oledb/oledb.h"

// Version codes of get_version.
inline constexpr int mss_version_other = 1;
inline constexpr int mss_version_7 = 2;
inline constexpr int mss_version_2000 = 3;

inline constexpr char mss_msg_no_oledb[] =
    "Failed to load OLE DB support library. You should install it\r\nto proceed with the application.\r\n";

class mss_engine : public tk_single_instance<mss_engine> {
 public:
  mss_engine();
  ~mss_engine();

  // Windows authentication (the driver's integrated security).
  void connect(const std::string& host);
  // A SQL Server login.
  void connect(const std::string& host, const std::string& user, const std::string& password);

  // Opens and initializes a data source for the connection string; *out
  // holds its IDBInitialize.  Failures raise odb_exception (tk_exception
  // when the OLE DB service itself is missing).
  void test_connection(const std::string& connection_string, ole_com_ptr<IDBInitialize>& out);
  // The server class: 3 for SQL Server 2000, 2 for 7.x, 1 for others.
  int get_version(IDBInitialize& data_source);
  // The version code of a "SELECT @@VERSION" text.
  static int classify_version(const std::string& text);

  // REQUIRES for the four below: connected (else tk_mail_assertion).
  std::unique_ptr<udb_database> open_db(const std::string& name, uint32_t open_mode);
  std::vector<std::string> get_contents();
  bool is_db_exist(const std::string& name);
  std::string make_connection_string(const std::string& database) const;

  int version() const { return version_; }
  bool connected() const { return connected_; }
  bool windows_authentication() const { return windows_auth_; }
  const std::string& host() const { return host_; }
  const std::string& user() const { return user_; }

 private:
  int version_ = 0;
  std::string host_;
  std::string user_;
  std::string password_;
  bool connected_ = false;
  bool windows_auth_ = false;
};
