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

// jetcheck --strict FILE: its output (empty when sound) and exit status.
inline void expect_sound(const fs::path& file) {
  const std::string out = run(std::string(JETCHECK_PATH) + " --strict " + shell_quote(file.string()) + " 2>&1; echo rc=$?");
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
