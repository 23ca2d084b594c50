// Reads every reference database and compares tables, columns, properties
// and rows with what the mdbtools programs report for the same file.
//
// Renderings are normalised to mdb-export's: single "%.8g", double
// "%.16g", money and numeric as exact decimals, dates "%Y-%m-%d %H:%M:%S",
// binary and OLE as upper-case hex, text with \r \n \t \\ escaped. Rows are
// compared as sorted lists because mdbtools returns an overflowed row at its
// new location, we at its original slot. Known mdbtools renderings we mimic
// rather than share: binary and text cut at their first zero byte, types
// it does not decode shown as NULL, dates before
// 1899-12-30 all shown as "1900-01-00", GUIDs without their fourth hyphen,
// the five unassigned code page 1252 bytes as '?'.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "jet/database.h"
#include "sample_files.h"

namespace jet {
namespace {

using testing::lines;
using testing::run;
using testing::shell_quote;

constexpr char kNullMarker[] = "@NULL@";
constexpr char kDateFormat[] = "%Y-%m-%d %H:%M:%S";

std::string hex_upper(const Binary& bytes) {
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
bool is_unassigned_cp1252(const std::string& text, std::size_t i) {
  if (static_cast<unsigned char>(text[i]) != 0xC2 || i + 1 >= text.size()) return false;
  const unsigned char next = static_cast<unsigned char>(text[i + 1]);
  return next == 0x81 || next == 0x8D || next == 0x8F || next == 0x90 || next == 0x9D;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (is_unassigned_cp1252(text, i)) {
      out += '?';
      ++i;
    } else if (auto at = std::string_view("\r\n\t\\").find(c); at != std::string_view::npos) {
      out += '\\';
      out += "rnt\\"[at];
    } else {
      out += c;
    }
  }
  return out;
}

std::string printf_string(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// Our value as mdb-export prints it with the options used below.
std::string as_mdb_export(const Value& value, ColumnType type = ColumnType::ole) {
  if (is_null(value) || !is_decoded_type(type)) return kNullMarker;  // it skips those types
  if (auto v = std::get_if<float>(&value)) return printf_string("%.8g", *v);
  if (auto v = std::get_if<double>(&value)) return printf_string("%.16g", *v);
  if (auto v = std::get_if<std::string>(&value)) return escaped(v->substr(0, v->find('\0')));
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
  // mdbtools prints every date before 1899-12-30 as day 0 of 1900.
  if (auto v = std::get_if<DateTime>(&value); v && v->days < 0) return "1900-01-00 00:00:00";
  return to_display_string(value);
}

std::string mdb_export_command(const std::string& file, const std::string& table) {
  return std::string("mdb-export -H -Q -e -d '\t' -0 ") + kNullMarker + " -b hex -D '" +
         kDateFormat + "' -T '" + kDateFormat + "' " + shell_quote(file) + " " + shell_quote(table);
}

std::vector<std::string> sorted(std::vector<std::string> v, bool unique = false) {
  std::sort(v.begin(), v.end());
  if (unique) v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

std::vector<std::string> our_rows(Database& db, const std::string& table) {
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

std::vector<std::string> their_rows(const std::string& file, const std::string& table) {
  return sorted(lines(run(mdb_export_command(file, table))));
}

// mdb-schema's type text for a column (without NOT NULL).
std::string as_mdb_schema(const ColumnDef& c, JetVersion version) {
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
std::vector<std::string> their_columns(const std::string& file, const std::string& table) {
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
std::string as_mdb_prop(const Property& p) {
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
std::vector<std::string> our_properties(const PropertySet& set) {
  std::vector<std::string> lines;
  for (const auto& block : set.blocks) {
    const std::string name = block.name.empty() ? "(none)" : block.name;
    for (const auto& p : block.properties) lines.push_back(name + "/" + p.name + ": " + as_mdb_prop(p));
  }
  return sorted(lines, true);
}

std::vector<std::string> their_properties(const std::string& file, const std::string& table) {
  std::vector<std::string> out;
  std::string block;
  for (const auto& line : lines(run("mdb-prop " + shell_quote(file) + " " + shell_quote(table)))) {
    if (line.rfind("name: ", 0) == 0) block = line.substr(6);
    else if (line.size() > 1 && line[0] == '\t') out.push_back(block + "/" + line.substr(1));
  }
  return sorted(out, true);
}

class ReaderMatchesMdbtools : public ::testing::TestWithParam<std::filesystem::path> {
 protected:
  void SetUp() override {
    JET_REQUIRE_SAMPLES();
    if (!testing::mdbtools_installed()) GTEST_SKIP() << "mdbtools is not installed";
  }
};

TEST_P(ReaderMatchesMdbtools, SameUserTables) {
  const std::string file = GetParam().string();
  auto db = Database::open(file);
  // Sorted: mdbtools lists an overflowed catalog row where it now lives.
  EXPECT_EQ(sorted(db.table_names()), sorted(lines(run("mdb-tables -1 " + shell_quote(file)))));
}

TEST_P(ReaderMatchesMdbtools, SameColumnsNamesTypesAndSizes) {
  const std::string file = GetParam().string();
  auto db = Database::open(file);
  for (const auto& table : db.table_names()) {
    std::vector<std::string> ours;
    for (const auto& c : db.table_def(table).columns) {
      ours.push_back(c.name + ": " + as_mdb_schema(c, db.version()));
    }
    EXPECT_EQ(ours, their_columns(file, table)) << "table " << table;
  }
}

TEST_P(ReaderMatchesMdbtools, SameTableAndColumnProperties) {
  const std::string file = GetParam().string();
  auto db = Database::open(file);
  for (const auto& table : db.table_names()) {
    EXPECT_EQ(our_properties(db.table_properties(table)), their_properties(file, table))
        << "table " << table;
  }
}

// User and system tables alike.
TEST_P(ReaderMatchesMdbtools, SameRows) {
  const std::string file = GetParam().string();
  auto db = Database::open(file);
  for (const auto& table : db.table_names(/*include_system=*/true)) {
    const auto ours = our_rows(db, table);
    // Access keeps the stored row count exact for user tables only.
    if (db.table_entry(table).kind == ObjectKind::user_table) {
      EXPECT_EQ(ours.size(), db.table_def(table).row_count) << "table " << table;
    }
    const auto theirs = their_rows(file, table);
    EXPECT_EQ(ours.size(), theirs.size()) << "table " << table;
    for (std::size_t i = 0; i < std::min(ours.size(), theirs.size()); ++i) {
      ASSERT_EQ(ours[i], theirs[i]) << "table " << table << ", sorted row " << i;
    }
  }
}

std::vector<std::filesystem::path> samples_or_placeholder() {
  auto files = testing::sample_files();
  return files.empty() ? std::vector<std::filesystem::path>{{}} : files;  // one skipped case, not none
}

std::string sample_name(const ::testing::TestParamInfo<std::filesystem::path>& info) {
  std::string name = info.param.empty() ? "absent" : info.param.stem().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, ReaderMatchesMdbtools, ::testing::ValuesIn(samples_or_placeholder()),
                         sample_name);

}  // namespace
}  // namespace jet
