#include "platform/win32/win32_regfile.h"

#include <cstdio>

#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_text.h"

namespace win32 {
namespace {

constexpr std::string_view header = "REGEDIT4";

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text with \\ and \" escapes from the front of `text`.
bool take_quoted(std::string_view& text, std::string& out, std::string& error) {
  text.remove_prefix(1);  // the opening quote
  out.clear();
  while (!text.empty()) {
    char c = text.front();
    text.remove_prefix(1);
    if (c == '"') return true;
    if (c == '\\') {
      if (text.empty() || (text.front() != '\\' && text.front() != '"')) {
        error = "only \\\\ and \\\" may follow a backslash in a quoted text";
        return false;
      }
      c = text.front();
      text.remove_prefix(1);
    }
    out += c;
  }
  error = "a quoted text has no closing quote";
  return false;
}

bool parse_hex_list(std::string_view text, std::vector<unsigned char>& data, std::string& error) {
  data.clear();
  text = trim(text);
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::string_view item = trim(text.substr(0, comma));
    if (item.size() != 2 || hex_digit(item[0]) < 0 || hex_digit(item[1]) < 0) {
      error = "a hex list needs two hex digits per byte, separated by commas";
      return false;
    }
    data.push_back(static_cast<unsigned char>(hex_digit(item[0]) * 16 + hex_digit(item[1])));
    if (comma == std::string_view::npos) break;
    text = text.substr(comma + 1);
    if (trim(text).empty()) {
      error = "a hex list ends with a comma";
      return false;
    }
  }
  return true;
}

// Reads 1 to 8 hex digits as a number.
bool parse_hex_number(std::string_view digits, std::uint32_t& number) {
  if (digits.empty() || digits.size() > 8) return false;
  number = 0;
  for (char c : digits) {
    if (hex_digit(c) < 0) return false;
    number = number * 16 + static_cast<std::uint32_t>(hex_digit(c));
  }
  return true;
}

bool parse_dword(std::string_view digits, reg_value& value, std::string& error) {
  std::uint32_t number = 0;
  if (!parse_hex_number(trim(digits), number)) {
    error = "a dword value needs 1 to 8 hex digits";
    return false;
  }
  value.type = reg_dword;
  value.data = {static_cast<unsigned char>(number), static_cast<unsigned char>(number >> 8),
                static_cast<unsigned char>(number >> 16), static_cast<unsigned char>(number >> 24)};
  return true;
}

// hex:<list> is REG_BINARY; hex(<type in hex>):<list> any type.
bool parse_hex_value(std::string_view text, reg_value& value, std::string& error) {
  text.remove_prefix(3);
  value.type = reg_binary;
  if (!text.empty() && text.front() == '(') {
    std::size_t close = text.find(')');
    if (close == std::string_view::npos || !parse_hex_number(text.substr(1, close - 1), value.type)) {
      error = "hex(<type>) needs a type of 1 to 8 hex digits";
      return false;
    }
    text.remove_prefix(close + 1);
  }
  if (text.empty() || text.front() != ':') {
    error = "a hex value needs ':' before its bytes";
    return false;
  }
  return parse_hex_list(text.substr(1), value.data, error);
}

bool parse_data(std::string_view text, reg_value& value, std::string& error) {
  text = trim(text);
  if (!text.empty() && text.front() == '"') {
    std::string content;
    if (!take_quoted(text, content, error)) return false;
    if (!trim(text).empty()) {
      error = "unexpected text after a quoted value";
      return false;
    }
    value.type = reg_sz;
    value.data.assign(content.begin(), content.end());
    value.data.push_back(0);
    return true;
  }
  if (text.starts_with("dword:")) return parse_dword(text.substr(6), value, error);
  if (text.starts_with("hex")) return parse_hex_value(text, value, error);
  error = text == "-" ? "deleting values is not supported" : "a value must be \"text\", dword: or hex";
  return false;
}

bool parse_value_line(std::string_view line, reg_section* section, std::string& error) {
  if (section == nullptr) {
    error = "a value stands before any [key]";
    return false;
  }
  reg_value value;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!take_quoted(line, value.name, error)) {
    return false;
  }
  line = trim(line);
  if (line.empty() || line.front() != '=') {
    error = "a value name must be followed by '='";
    return false;
  }
  if (!parse_data(line.substr(1), value, error)) return false;
  if (reg_value* existing = find_value(*section, value.name)) {
    *existing = std::move(value);
  } else {
    section->values.push_back(std::move(value));
  }
  return true;
}

bool parse_section_line(std::string_view line, reg_document& document, reg_section*& current,
                        std::string& error) {
  if (line.back() != ']' || line.size() < 3) {
    error = "a key line must be [name]";
    return false;
  }
  std::string_view path = line.substr(1, line.size() - 2);
  if (path.front() == '-') {
    error = "deleting keys is not supported";
    return false;
  }
  current = document.find(path);
  if (current == nullptr) {
    document.sections.push_back(reg_section{std::string(path), {}});
    current = &document.sections.back();
  }
  return true;
}

// Splits `text` into lines, joining a line that ends in '\' (a long hex
// list) with the next.  A joined line keeps its first line's place and an
// empty line takes the place of each continuation, so indexes stay line
// numbers.
std::vector<std::string> logical_lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t open = 0;
  bool continuing = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (continuing) {
      lines[open] += line;
      lines.emplace_back();
    } else {
      lines.emplace_back(line);
      open = lines.size() - 1;
    }
    std::string& joined = lines[open];
    continuing = !joined.empty() && joined.back() == '\\' && joined.front() != ';';
    if (continuing) joined.pop_back();
  }
  return lines;
}

// Whether a REG_SZ can be written as "text": one final zero and no
// control characters before it.
bool is_plain_string(const reg_value& value) {
  if (value.type != reg_sz || value.data.empty() || value.data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
    if (value.data[i] < 0x20 || value.data[i] == 0x7F) return false;
  }
  return true;
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string format_data(const reg_value& value) {
  if (is_plain_string(value)) {
    return quoted(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
  }
  char buffer[32];
  if (value.type == reg_dword && value.data.size() == 4) {
    std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                           (static_cast<std::uint32_t>(value.data[3]) << 24);
    std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(number));
    return buffer;
  }
  std::string out = "hex";
  if (value.type != reg_binary) {
    std::snprintf(buffer, sizeof buffer, "(%x)", static_cast<unsigned>(value.type));
    out += buffer;
  }
  out += ':';
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, i == 0 ? "%02x" : ",%02x", value.data[i]);
    out += buffer;
  }
  return out;
}

}  // namespace

reg_section* reg_document::find(std::string_view path) {
  for (reg_section& section : sections) {
    if (compare_nocase(section.path, path) == 0) return &section;
  }
  return nullptr;
}

reg_value* find_value(reg_section& section, std::string_view name) {
  for (reg_value& value : section.values) {
    if (compare_nocase(value.name, name) == 0) return &value;
  }
  return nullptr;
}

bool parse_reg_text(std::string_view text, reg_document& document, std::string& error) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> lines = logical_lines(text);
  reg_document result;
  reg_section* current = nullptr;
  bool seen_header = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.empty() || line.front() == ';') continue;
    std::string what;
    bool ok = true;
    if (!seen_header) {
      ok = seen_header = line == header;
      if (!ok) what = "the file does not begin with REGEDIT4";
    } else if (line.front() == '[') {
      ok = parse_section_line(line, result, current, what);
    } else if (line.front() == '"' || line.front() == '@') {
      ok = parse_value_line(line, current, what);
    } else {
      ok = false, what = "a line must be a [key], a \"value\"=, @= or a ; comment";
    }
    if (!ok) {
      error = "line " + std::to_string(i + 1) + ": " + what;
      return false;
    }
  }
  if (!seen_header) {
    error = "line 1: the file does not begin with REGEDIT4";
    return false;
  }
  document = std::move(result);
  return true;
}

std::string format_reg_text(const reg_document& document) {
  std::string text(header);
  text += "\n";
  for (const reg_section& section : document.sections) {
    text += "\n[" + section.path + "]\n";
    for (const reg_value& value : section.values) {
      text += value.name.empty() ? std::string("@") : quoted(value.name);
      text += "=" + format_data(value) + "\n";
    }
  }
  return text;
}

}  // namespace win32
