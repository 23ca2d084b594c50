// Connection strings: the OLE DB form the source side builds
// ("Provider=sqloledb;Data Source=host;User ID=u;Password=p;") read into
// settings, and the ODBC string made from them for the driver.
//
// OLE DB syntax: keyword=value pairs separated by ";"; keywords ignore
// case and surrounding blanks; a value may be quoted with ' or " (the
// quote doubled inside), which keeps ";", "=" and blanks in it.
#pragma once

#include <optional>
#include <string>

struct oledb_connection_settings {
  std::string provider;
  std::string data_source;  // "", "host", "host,port" or "host\instance"
  std::string initial_catalog;
  std::string user;
  std::string password;
  bool integrated_security = false;
  bool encrypt = false;
  bool trust_server_certificate = false;
  int login_timeout_seconds = 15;
};

// The settings of an OLE DB connection string; nullopt when it is not
// well formed (an unterminated quote, a pair without "=").
std::optional<oledb_connection_settings> oledb_parse_connection_string(const std::string& text);

// The ODBC driver to load: $QUILL_ODBC_DRIVER when set (a library path or
// an odbcinst driver name), else FreeTDS by its library path.
std::string oledb_odbc_driver();

// The ODBC connection string for the settings and driver.  FreeTDS gets
// SERVER and PORT apart and a TDS version ($QUILL_TDS_VERSION, else 7.4);
// other drivers (Microsoft's) get "host,port" as SERVER.  Values holding
// ";", "{", "}" or outer blanks are braced.
std::string oledb_odbc_connection_string(const oledb_connection_settings& settings, const std::string& driver);

// The same string with the password value replaced by "***", for traces.
std::string oledb_mask_password(const std::string& odbc_string);
