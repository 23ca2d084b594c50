// Checks every test runs on a file the writer made: the structural checker
// (jetcheck --strict), mdbtools (version, tables, columns, properties and
// rows equal to what our reader reads) and what the test wrote.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "jet/database.h"
#include "mdbtools_compare.h"
#include "sample_files.h"

namespace jet::testing {

// A column of `type` named `name` (size for text and binary).
inline ColumnSpec column(const std::string& name, ColumnType type, std::uint16_t size = 0) {
  ColumnSpec c;
  c.name = name;
  c.type = type;
  c.size = size;
  return c;
}

// jetcheck --strict FILE prints nothing and exits 0. Files Access made may
// hold pages it never reclaimed: `strict` false lets those pass as notes.
inline void expect_sound(const fs::path& file, bool strict = true) {
  const std::string out = run("out=$(" + std::string(JETCHECK_PATH) + (strict ? " --strict " : " ") +
                              shell_quote(file.string()) + " 2>&1); rc=$?; printf '%s\\n' \"$out\" | grep -v '^note: ' | grep .; echo rc=$rc");
  EXPECT_EQ(out, "rc=0\n") << file;
}

// Tables, columns, properties and rows as mdbtools reads them equal ours.
inline void expect_mdbtools_agree(const fs::path& path) {
  const std::string file = path.string();
  auto db = Database::open(file);
  EXPECT_EQ(run("mdb-ver " + shell_quote(file)), db.version() == JetVersion::jet3 ? "JET3\n" : "JET4\n");
  EXPECT_EQ(sorted(db.table_names()), sorted(lines(run("mdb-tables -1 " + shell_quote(file)))));
  for (const auto& table : db.table_names()) {
    std::vector<std::string> ours;
    for (const auto& c : db.table_def(table).columns) ours.push_back(c.name + ": " + as_mdb_schema(c, db.version()));
    EXPECT_EQ(ours, their_columns(file, table)) << "table " << table;
    EXPECT_EQ(our_properties(db.table_properties(table)), their_properties(file, table)) << "table " << table;
    const auto mine = our_rows(db, table);
    const auto theirs = their_rows(file, table);
    ASSERT_EQ(mine.size(), theirs.size()) << "table " << table;
    for (std::size_t i = 0; i < mine.size(); ++i) {
      if (mine[i] == theirs[i]) continue;
      const auto at = std::mismatch(mine[i].begin(), mine[i].end(), theirs[i].begin(), theirs[i].end());
      const std::size_t from = static_cast<std::size_t>(at.first - mine[i].begin());
      FAIL() << "table " << table << " sorted row " << i << " differs at byte " << from << " of "
             << mine[i].size() << "/" << theirs[i].size() << ": ours \"" << mine[i].substr(from, 60)
             << "\", mdbtools \"" << theirs[i].substr(from, 60) << "\"";
    }
  }
}

// Every row of `table` as our reader reads it.
inline std::vector<std::vector<Value>> read_all(Database& db, const std::string& table) {
  std::vector<std::vector<Value>> rows;
  auto cursor = db.rows(table);
  while (cursor.next()) rows.push_back(cursor.values());
  return rows;
}

// The Jet error number of what `action` throws (0 for another exception,
// -1 when nothing is thrown).
template <typename Action>
int jet_number_of(Action&& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.jet_number();
  } catch (...) {
    return 0;
  }
  return -1;
}

// Rows for heavy tests: fewer under the sanitizers (JET_TEST_SCALE=N divides).
inline std::size_t scaled(std::size_t rows) {
  const char* scale = std::getenv("JET_TEST_SCALE");
  std::size_t divisor = scale ? std::max(1, std::atoi(scale)) : 1;
#if defined(__SANITIZE_ADDRESS__)
  divisor = std::max<std::size_t>(divisor, 10);
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  divisor = std::max<std::size_t>(divisor, 10);
#endif
#endif
  return std::max<std::size_t>(rows / divisor, 1);
}

class WriterTest : public ScratchTest, public ::testing::WithParamInterface<JetVersion> {
 protected:
  JetVersion version() const { return GetParam(); }
  bool jet4() const { return version() == JetVersion::jet4; }
  fs::path new_file(const std::string& name = "new.mdb") { return dir_ / name; }
};

inline std::string version_name(const ::testing::TestParamInfo<JetVersion>& info) {
  return info.param == JetVersion::jet3 ? "Jet3" : "Jet4";
}

}  // namespace jet::testing

namespace jet::testing {

// A small database the writer makes, for damage tests that must run
// without the reference samples: table "Items" (autonumber key, indexed
// text, a memo whose every tenth value is a long chain, a number) of
// `rows` rows, two index trees, data, LVAL and usage-map pages.
inline void write_fixture_database(const fs::path& path, JetVersion version, int rows = 300) {
  auto db = Database::create(path.string(), version);
  TableSchema s;
  s.name = "Items";
  const auto add = [&](const char* name, ColumnType type, std::uint16_t size = 0) {
    s.columns.push_back(column(name, type, size));
  };
  add("Id", ColumnType::long_integer);
  s.columns.back().autonumber = true;
  add("Name", ColumnType::text, 30);
  add("Notes", ColumnType::memo);
  add("Amount", ColumnType::double_);
  s.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true},
               {"Name", {{"Name", true}}, false, false, false, false}};
  db.create_table(s);
  auto appender = db.appender("Items");
  for (int i = 0; i < rows; ++i) {
    const Value notes = i % 10 == 0 ? Value(std::string(9000, static_cast<char>('a' + i % 26))) : Value(Null{});
    appender.append({Null{}, "item " + std::to_string((i * 7919) % 1000), notes, i * 1.5});
  }
  db.close();
}

}  // namespace jet::testing
