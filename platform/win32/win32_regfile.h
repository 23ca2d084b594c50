// The settings file that stands in for the registry: one text file in the
// REGEDIT4 syntax per product, holding its keys as sections and its typed
// values as lines.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Harnwick\Quillmere]
//   "dest"="/home/ann/north.mdb"          REG_SZ; \\ and \" escaped
//   "format"=dword:00000001               REG_DWORD, 8 hex digits
//   @=""                                  the key's unnamed value
//   "blob"=hex:0a,ff                      REG_BINARY
//   "path"=hex(2):25,00                   any other type: hex(<type>)
//
// A string that does not end in exactly one zero byte, or that holds a
// control character, is written in the hex(1) form so that every value
// reads back byte for byte.  Hex lists may continue on the next line after
// a trailing '\'.  Lines starting with ';' are comments.
// Thread-safety: plain functions over values; no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

struct reg_value {
  std::string name;  // empty: the key's unnamed value
  std::uint32_t type = 0;
  std::vector<unsigned char> data;
};

struct reg_section {
  std::string path;  // "HKEY_CURRENT_USER\Software\Harnwick\Quillmere"
  std::vector<reg_value> values;
};

struct reg_document {
  std::vector<reg_section> sections;

  // The section named `path` (case ignored), or null.
  reg_section* find(std::string_view path);
};

// The value named `name` in `section` (case ignored), or null.
reg_value* find_value(reg_section& section, std::string_view name);

// Parses a settings file.  On damage returns false with `error` saying
// where and what ("line 4: a dword value needs 1 to 8 hex digits").
bool parse_reg_text(std::string_view text, reg_document& document, std::string& error);

// The settings file text for `document`; parse_reg_text reads it back equal.
std::string format_reg_text(const reg_document& document);

}  // namespace win32
