// What mdbtools shows of a database, and our reader's values rendered the
// same way, so tests can compare the two (see reader_mdbtools_test.cpp for
// the renderings mimicked).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "jet/database.h"
#include "sample_files.h"

namespace jet::testing {


inline constexpr char kNullMarker[] = "@NULL@";
inline constexpr char kDateFormat[] = "%Y-%m-%d %H:%M:%S";

inline std::string hex_upper(const Binary& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (auto b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0xF];
  }
  return out;
}

// mdbtools' iconv turns the five code points that code page 1252 leaves
// unassigned (which we keep as C1 controls) into '?'.
inline bool is_unassigned_cp1252(const std::string& text, std::size_t i) {
  if (static_cast<unsigned char>(text[i]) != 0xC2 || i + 1 >= text.size()) return false;
  const unsigned char next = static_cast<unsigned char>(text[i + 1]);
  return next == 0x81 || next == 0x8D || next == 0x8F || next == 0x90 || next == 0x9D;
}

inline std::string escaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (is_unassigned_cp1252(text, i)) {
      out += '?';
      ++i;
    } else if ((static_cast<unsigned char>(c) & 0xF8) == 0xF0) {
      out += "??";  // its UCS-2 conversion has no surrogate pairs
      i += 3;
    } else if (auto at = std::string_view("\r\n\t\\").find(c); at != std::string_view::npos) {
      out += '\\';
      out += "rnt\\"[at];
    } else {
      out += c;
    }
  }
  return out;
}

inline std::string printf_string(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// Our value as mdb-export prints it with the options used below.
inline std::string as_mdb_export(const Value& value, ColumnType type = ColumnType::ole) {
  if (is_null(value) || !is_decoded_type(type)) return kNullMarker;  // it skips those types
  if (auto v = std::get_if<float>(&value)) return printf_string("%.8g", *v);
  if (auto v = std::get_if<double>(&value)) return printf_string("%.16g", *v);
  // mdb-export prints a zero-length text as it prints NULL.
  if (auto v = std::get_if<std::string>(&value)) return v->empty() ? kNullMarker : escaped(v->substr(0, v->find('\0')));
  // mdb-export treats values of binary (not OLE) columns as C strings: it
  // stops at the first zero byte and prints an empty one as NULL.
  if (auto v = std::get_if<Binary>(&value)) {
    if (type == ColumnType::ole) return hex_upper(*v);
    const Binary cut(v->begin(), std::find(v->begin(), v->end(), 0));
    return cut.empty() ? kNullMarker : hex_upper(cut);
  }
  // mdb-export hex-dumps the text of a GUID under -b hex, and writes it
  // without the fourth hyphen.
  if (auto v = std::get_if<Guid>(&value)) {
    std::string text = to_string(*v);
    text.erase(24, 1);
    return hex_upper(Binary(text.begin(), text.end()));
  }
  // mdbtools prints every date before 1899-12-30 (or past a million days)
  // as day 0 of 1900.
  if (auto v = std::get_if<DateTime>(&value); v && (v->days < 0 || v->days > 1e6)) return "1900-01-00 00:00:00";
  return to_display_string(value);
}

inline std::string mdb_export_command(const std::string& file, const std::string& table) {
  return std::string("mdb-export -H -Q -e -d '\t' -0 ") + kNullMarker + " -b hex -D '" +
         kDateFormat + "' -T '" + kDateFormat + "' " + shell_quote(file) + " " + shell_quote(table);
}

inline std::vector<std::string> sorted(std::vector<std::string> v, bool unique = false) {
  std::sort(v.begin(), v.end());
  if (unique) v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

inline std::vector<std::string> our_rows(Database& db, const std::string& table) {
  std::vector<std::string> rows;
  auto cursor = db.rows(table);
  while (cursor.next()) {
    std::string line;
    for (std::size_t i = 0; i < cursor.values().size(); ++i) {
      if (i > 0) line += '\t';
      line += as_mdb_export(cursor.values()[i], cursor.table().columns[i].type);
    }
    rows.push_back(line);
  }
  return sorted(rows);
}

inline std::vector<std::string> their_rows(const std::string& file, const std::string& table) {
  return sorted(lines(run(mdb_export_command(file, table))));
}

// mdb-schema's type text for a column (without NOT NULL).
inline std::string as_mdb_schema(const ColumnDef& c, JetVersion version) {
  const int chars = version == JetVersion::jet4 ? c.length / 2 : c.length;
  switch (c.type) {
    case ColumnType::text: return "Text (" + std::to_string(chars) + ")";
    case ColumnType::memo: return "Memo/Hyperlink (255)";
    case ColumnType::ole: return "OLE (255)";
    case ColumnType::numeric:
      return "Numeric (" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
    case ColumnType::guid: return "Replication ID";
    default: return column_type_name(c.type);
  }
}

// "[name]\t\t\tType (n) NOT NULL," lines of one table from mdb-schema.
inline std::vector<std::string> their_columns(const std::string& file, const std::string& table) {
  const std::string out = run("mdb-schema --no-indexes --no-relations --no-comments -T " +
                              shell_quote(table) + " " + shell_quote(file) + " access");
  std::vector<std::string> columns;
  for (const auto& line : lines(out)) {
    if (line.size() < 2 || line[0] != '\t' || line[1] != '[') continue;
    const auto close = line.find("]\t");
    std::string type = line.substr(line.find_first_not_of('\t', close + 1));
    while (!type.empty() && (type.back() == ',' || type.back() == ' ')) type.pop_back();
    if (auto nn = type.find(" NOT NULL"); nn != std::string::npos) type.erase(nn);
    columns.push_back(line.substr(2, close - 2) + ": " + type);
  }
  return columns;
}

// mdb-prop's rendering of one property value.
inline std::string as_mdb_prop(const Property& p) {
  if (auto v = std::get_if<bool>(&p.value)) return *v ? "yes" : "no";
  if (auto v = std::get_if<Binary>(&p.value)) {
    if (p.name == "GUID" && v->size() == 16) {  // a GUID without its fourth hyphen
      char buf[48];
      const auto& b = *v;
      std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X%02X%02X}",
                    b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12],
                    b[13], b[14], b[15]);
      return buf;
    }
    return "(binary data of length " + std::to_string(v->size()) + ")";
  }
  return as_mdb_export(p.value);
}

// "block/name: value" lines, sorted, from our property set.
inline std::vector<std::string> our_properties(const PropertySet& set) {
  std::vector<std::string> lines;
  for (const auto& block : set.blocks) {
    const std::string name = block.name.empty() ? "(none)" : block.name;
    for (const auto& p : block.properties) lines.push_back(name + "/" + p.name + ": " + as_mdb_prop(p));
  }
  return sorted(lines, true);
}

inline std::vector<std::string> their_properties(const std::string& file, const std::string& table) {
  std::vector<std::string> out;
  std::string block;
  for (const auto& line : lines(run("mdb-prop " + shell_quote(file) + " " + shell_quote(table)))) {
    if (line.rfind("name: ", 0) == 0) block = line.substr(6);
    else if (line.size() > 1 && line[0] == '\t') out.push_back(block + "/" + line.substr(1));
  }
  return sorted(out, true);
}

}  // namespace jet::testing
