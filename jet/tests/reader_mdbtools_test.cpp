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

#include "mdbtools_compare.h"

namespace jet {
namespace {

using namespace testing;

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
