// A second independent reader: the npm package mdb-reader, run by Node.js
// through mdb_reader_dump.mjs. The package is installed into the build
// folder on first use; a machine without node or npm fails the test (the
// install script provides both).
#pragma once

#include <gtest/gtest.h>

#include "writer_checks.h"

namespace jet::testing {

inline constexpr const char* kMdbReaderVersion = "3.2.0";

// Installs mdb-reader once; false (with the reason added as a failure)
// when that is impossible.
inline bool mdb_reader_ready() {
  const fs::path dir = MDB_READER_DIR;
  if (fs::exists(dir / "node_modules" / "mdb-reader" / "package.json")) return true;
  fs::create_directories(dir);
  const std::string out = run("npm install --prefix " + shell_quote(dir.string()) + " mdb-reader@" +
                              kMdbReaderVersion + " --no-audit --no-fund 2>&1; echo rc=$?");
  if (out.find("rc=0") == std::string::npos) {
    ADD_FAILURE() << "cannot install the npm package mdb-reader: " << out;
    return false;
  }
  return true;
}

// Our value as the dump script prints it, or "*" for types compared by
// nullness only (dates, singles, GUIDs and decimals render differently).
inline std::string as_mdb_reader(const Value& value, ColumnType type) {
  if (is_null(value)) return "NULL";
  switch (type) {
    case ColumnType::datetime:
    case ColumnType::single:
    case ColumnType::guid:
    case ColumnType::numeric: return "*";
    default: break;
  }
  if (auto v = std::get_if<bool>(&value)) return *v ? "true" : "false";
  if (auto v = std::get_if<Binary>(&value)) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (auto b : *v) hex += digits[b >> 4], hex += digits[b & 0xF];
    return hex;
  }
  std::string text = to_display_string(value);
  if (text == "-0") text = "0";  // JavaScript prints negative zero as 0
  std::string out;
  for (char c : text) {
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

// The tab-separated fields of one line.
inline std::vector<std::string> lines_of_fields(const std::string& line) {
  std::vector<std::string> fields;
  for (std::size_t at = 0;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
    if (tab == std::string::npos) return fields;
    at = tab + 1;
  }
}

// Tables, row counts and row values as mdb-reader reads them equal ours.
inline void expect_mdb_reader_agrees(const fs::path& file) {
  if (!mdb_reader_ready()) return;
  const auto dump = lines(run("node " + shell_quote(MDB_READER_SCRIPT) + " " + shell_quote(MDB_READER_DIR) +
                              " " + shell_quote(file.string())));
  auto db = Database::open(file.string());
  std::vector<std::string> ours;
  for (const std::string& table : db.table_names()) {
    const TableDef def = db.table_def(table);
    ours.push_back("table\t" + table + "\t" + std::to_string(def.row_count));
    for (const ColumnDef& c : def.columns) ours.push_back("column\t" + c.name);
    for (const auto& row : read_all(db, table)) {
      std::string line = "row";
      for (std::size_t c = 0; c < row.size(); ++c) line += "\t" + as_mdb_reader(row[c], def.columns[c].type);
      ours.push_back(line);
    }
  }
  // Their column lines carry the type name and their rows every value:
  // drop the type, and blank the fields we compare by nullness only.
  std::vector<std::string> theirs;
  for (std::string line : dump) {
    if (line.rfind("column\t", 0) == 0) line = line.substr(0, line.rfind('\t'));
    theirs.push_back(line);
  }
  ASSERT_EQ(ours.size(), theirs.size()) << file;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const auto mine = lines_of_fields(ours[i]);
    auto other = lines_of_fields(theirs[i]);
    ASSERT_EQ(mine.size(), other.size()) << "line " << i << ": " << theirs[i].substr(0, 200);
    for (std::size_t f = 0; f < mine.size(); ++f) {
      if (mine[f] == "*" && other[f] != "NULL") other[f] = "*";
    }
    EXPECT_EQ(mine, other) << "line " << i;
  }
}

}  // namespace jet::testing
