#include "platform/oledb/connection_string.h"

#include <cstdlib>
#include <vector>

#include "platform/win32/win32_text.h"

namespace {

std::string trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

bool equals_nocase(const std::string& a, const char* b) { return win32::compare_nocase(a, b) == 0; }

bool is_true(const std::string& value) {
  return equals_nocase(value, "true") || equals_nocase(value, "yes") || equals_nocase(value, "sspi");
}

// Reads one value from `pos` (after the "="); leaves pos on the ";" or end.
std::optional<std::string> read_value(const std::string& text, std::size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos < text.size() && (text[pos] == '\'' || text[pos] == '"')) {
    char quote = text[pos++];
    std::string value;
    for (;;) {
      if (pos >= text.size()) return std::nullopt;
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos < text.size() && text[pos] != ';') return std::nullopt;
    return value;
  }
  std::size_t end = text.find(';', pos);
  if (end == std::string::npos) end = text.size();
  std::string value = trim(text.substr(pos, end - pos));
  pos = end;
  return value;
}

void apply(oledb_connection_settings& s, const std::string& key, const std::string& value) {
  if (equals_nocase(key, "Provider")) s.provider = value;
  else if (equals_nocase(key, "Data Source") || equals_nocase(key, "Server") || equals_nocase(key, "Address"))
    s.data_source = value;
  else if (equals_nocase(key, "Initial Catalog") || equals_nocase(key, "Database")) s.initial_catalog = value;
  else if (equals_nocase(key, "User ID") || equals_nocase(key, "UID")) s.user = value;
  else if (equals_nocase(key, "Password") || equals_nocase(key, "PWD")) s.password = value;
  else if (equals_nocase(key, "Integrated Security") || equals_nocase(key, "Trusted_Connection"))
    s.integrated_security = is_true(value);
  else if (equals_nocase(key, "Use Encryption for Data") || equals_nocase(key, "Encrypt")) s.encrypt = is_true(value);
  else if (equals_nocase(key, "Trust Server Certificate")) s.trust_server_certificate = is_true(value);
  else if (equals_nocase(key, "Connect Timeout")) {
    int seconds = std::atoi(value.c_str());
    if (seconds > 0) s.login_timeout_seconds = seconds;
  }
}

std::string odbc_value(const std::string& value) {
  bool plain = value.find_first_of(";{}") == std::string::npos && trim(value) == value;
  if (plain) return value;
  std::string braced = "{";
  for (char c : value) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return braced + "}";
}

bool is_freetds(const std::string& driver) { return driver.find("tds") != std::string::npos; }

const char* env_or(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

std::optional<oledb_connection_settings> oledb_parse_connection_string(const std::string& text) {
  oledb_connection_settings settings;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ';') {
      ++pos;
      continue;
    }
    std::size_t equals = text.find('=', pos);
    std::size_t semicolon = text.find(';', pos);
    if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
      if (trim(text.substr(pos, semicolon == std::string::npos ? std::string::npos : semicolon - pos)).empty()) {
        pos = semicolon == std::string::npos ? text.size() : semicolon + 1;
        continue;
      }
      return std::nullopt;
    }
    std::string key = trim(text.substr(pos, equals - pos));
    pos = equals + 1;
    std::optional<std::string> value = read_value(text, pos);
    if (!value) return std::nullopt;
    apply(settings, key, *value);
  }
  return settings;
}

std::string oledb_odbc_driver() {
  return env_or("QUILL_ODBC_DRIVER", "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
}

std::string oledb_odbc_connection_string(const oledb_connection_settings& s, const std::string& driver) {
  std::string host = s.data_source;
  std::string port;
  std::size_t comma = host.find(',');
  if (comma != std::string::npos) {
    port = trim(host.substr(comma + 1));
    host = trim(host.substr(0, comma));
  }
  if (host.empty() || host == "." || equals_nocase(host, "(local)")) host = "127.0.0.1";
  bool tds = is_freetds(driver);
  std::string out = "DRIVER=" + odbc_value(driver) + ";";
  if (tds) {
    out += "SERVER=" + odbc_value(host) + ";";
    if (!port.empty()) out += "PORT=" + odbc_value(port) + ";";
    out += std::string("TDS_Version=") + env_or("QUILL_TDS_VERSION", "7.4") + ";ClientCharset=UTF-8;";
  } else {
    out += "SERVER=" + odbc_value(port.empty() ? host : host + "," + port) + ";";
  }
  if (!s.initial_catalog.empty()) out += "DATABASE=" + odbc_value(s.initial_catalog) + ";";
  if (s.integrated_security) {
    out += "Trusted_Connection=Yes;";
  } else {
    out += "UID=" + odbc_value(s.user) + ";PWD=" + odbc_value(s.password) + ";";
  }
  if (tds) {
    out += s.encrypt ? "Encryption=require;" : "Encryption=off;";
  } else {
    out += s.encrypt ? "Encrypt=yes;" : "Encrypt=no;";
    if (s.trust_server_certificate) out += "TrustServerCertificate=yes;";
  }
  return out;
}

std::string oledb_mask_password(const std::string& odbc_string) {
  std::size_t key = odbc_string.find("PWD=");
  if (key == std::string::npos) return odbc_string;
  std::size_t start = key + 4;
  std::size_t end;
  if (start < odbc_string.size() && odbc_string[start] == '{') {
    end = start + 1;
    while (end < odbc_string.size()) {
      if (odbc_string[end] == '}') {
        if (end + 1 < odbc_string.size() && odbc_string[end + 1] == '}') {
          end += 2;
          continue;
        }
        ++end;
        break;
      }
      ++end;
    }
  } else {
    end = odbc_string.find(';', start);
    if (end == std::string::npos) end = odbc_string.size();
  }
  return odbc_string.substr(0, start) + "***" + odbc_string.substr(end);
}
