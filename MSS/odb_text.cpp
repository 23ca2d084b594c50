#include "MSS/odb_text.h"

#include "platform/win32/win32_text.h"

namespace {

// Reads one "[...]" part from `pos`; leaves pos after the closing "]".
bool read_part(const std::string& name, std::size_t& pos, std::string& part) {
  if (pos >= name.size() || name[pos] != '[') return false;
  part.clear();
  for (++pos; pos < name.size(); ++pos) {
    if (name[pos] != ']') {
      part += name[pos];
    } else if (pos + 1 < name.size() && name[pos + 1] == ']') {
      part += ']';
      ++pos;
    } else {
      ++pos;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string odb_narrow(const WCHAR* wide, std::size_t units) {
  return win32::utf16_to_utf8_lossy(std::u16string_view(reinterpret_cast<const char16_t*>(wide), units));
}

std::string odb_bracket(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

std::string odb_bracketed_table(const std::string& owner, const std::string& table) {
  return owner.empty() ? odb_bracket(table) : odb_bracket(owner) + "." + odb_bracket(table);
}

bool odb_split_bracketed(const std::string& name, std::string& owner, std::string& table) {
  std::size_t pos = 0;
  std::string first;
  if (!read_part(name, pos, first)) return false;
  if (pos == name.size()) {
    owner.clear();
    table = first;
    return true;
  }
  if (name[pos] != '.') return false;
  ++pos;
  std::string second;
  if (!read_part(name, pos, second) || pos != name.size()) return false;
  owner = first;
  table = second;
  return true;
}

std::string odb_like_literal(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '_' || c == '%' || c == '[') {
      out += '[';
      out += c;
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

std::string odb_connection_value(const std::string& value) {
  bool plain = value.find_first_of(";='\"") == std::string::npos &&
               (value.empty() || (value.front() != ' ' && value.back() != ' ' && value.front() != '\t' &&
                                  value.back() != '\t'));
  if (plain) return value;
  char quote = value.find('"') == std::string::npos ? '"' : '\'';
  std::string out(1, quote);
  for (char c : value) {
    out += c;
    if (c == quote) out += quote;
  }
  return out + quote;
}

std::string odb_mask_password(const std::string& s) {
  static const std::string key = "Password=";
  std::size_t at = s.find(key);
  if (at == std::string::npos) return s;
  std::size_t start = at + key.size();
  std::size_t end = start;
  if (end < s.size() && (s[end] == '"' || s[end] == '\'')) {
    char quote = s[end++];
    while (end < s.size()) {
      if (s[end] == quote && end + 1 < s.size() && s[end + 1] == quote) {
        end += 2;
      } else if (s[end] == quote) {
        ++end;
        break;
      } else {
        ++end;
      }
    }
  } else {
    end = s.find(';', start);
    if (end == std::string::npos) end = s.size();
  }
  return s.substr(0, start) + "****" + s.substr(end);
}

std::size_t odb_char_count(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  return count;
}
