// Large tables: B-trees several levels deep under random text keys,
// descending composite keys and keys with nulls, all checked by jetcheck
// (every entry present, ordered, keyed as the encoder keys it) and by
// mdbtools. JET_TEST_SCALE=N divides the row count (the sanitizer builds
// divide it by 10).
#include <gtest/gtest.h>

#include "database_impl.h"
#include "index_walk.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

TableSchema indexed() {
  TableSchema s;
  s.name = "Indexed";
  const auto add = [&](const char* name, ColumnType type, std::uint16_t size = 0) {
    s.columns.push_back(column(name, type, size));
  };
  add("Id", ColumnType::long_integer);
  s.columns.back().autonumber = true;
  add("Word", ColumnType::text, 40);
  add("Group", ColumnType::integer);
  add("Maybe", ColumnType::double_);
  add("When", ColumnType::datetime);
  s.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true},
               {"Word", {{"Word", true}}, false, false, false, false},
               {"GroupWhen", {{"Group", false}, {"When", false}, {"Word", true}}, false, false, false, false},
               {"Maybe", {{"Maybe", true}}, false, false, false, false}};
  return s;
}

std::string random_word(std::uint64_t& state, bool jet4) {
  static const char* syllables[] = {"ka", "Lo", "mi", "NE", "ßu", "ré", "to", "Ça", "wi", "ün", "b ", "-z"};
  std::string word;
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  const int parts = 2 + static_cast<int>((state >> 33) % 8);
  for (int i = 0; i < parts; ++i) word += syllables[(state >> (i * 4 + 5)) % 12];
  if (jet4 && (state >> 60) == 0) word += "字";
  return word;
}

TEST_P(WriterTest, DeepIndexesStayOrderedAndComplete) {
  const fs::path file = new_file();
  const std::size_t rows = scaled(200000);
  {
    auto db = Database::create(file.string(), version());
    db.create_table(indexed());
    auto appender = db.appender("Indexed");
    std::uint64_t state = 42;
    for (std::size_t i = 0; i < rows; ++i) {
      const Value maybe = i % 7 == 0 ? Value(Null{}) : Value(static_cast<double>((i * 7919) % 1000) / 3.0);
      appender.append({Null{}, i % 50 == 0 ? Value(Null{}) : Value(random_word(state, jet4())),
                       static_cast<std::int16_t>(i % 13), maybe, DateTime{40000.0 + static_cast<double>(i % 977)}});
    }
    db.close();
  }
  expect_sound(file);
  auto db = Database::open(file.string());
  const TableDef def = db.table_def("Indexed");
  EXPECT_EQ(def.row_count, rows);
  if (rows >= 100000) {
    // Roots of the big trees are node pages: the trees have several levels.
    for (const RealIndexDef& index : def.real_indexes) {
      EXPECT_EQ(DatabaseInternals::of(db).pages.get(index.first_page)->bytes[0], 0x03) << "index " << index.number;
    }
  }
  if (mdbtools_installed()) {
    EXPECT_EQ(lines(run("mdb-export -H " + shell_quote(file.string()) + " Indexed")).size(), rows);
  }
}

// A table filled from empty keeps the entries of its plain indexes in runs
// on disk and builds each tree in one ordered pass at the commit; rows
// appended after that go into the trees built. No scratch file is left.
TEST_P(WriterTest, TreesBuiltFromRunsTakeLaterRowsToo) {
  const fs::path file = new_file();
  const std::size_t rows = scaled(40000);
  {
    auto db = Database::create(file.string(), version());
    db.create_table(indexed());
    set_pending_key_bytes_for_testing(db, std::size_t(64) << 10);  // dozens of runs
    auto appender = db.appender("Indexed");
    std::uint64_t state = 3;
    const auto row = [&](std::size_t i) -> std::vector<Value> {
      return {Null{}, i % 40 == 0 ? Value(Null{}) : Value(random_word(state, jet4())),
              static_cast<std::int16_t>(i % 13), static_cast<double>(i % 101),
              DateTime{40000.0 + static_cast<double>(i % 977)}};
    };
    for (std::size_t i = 0; i < rows; ++i) appender.append(row(i));
    db.commit();
    for (std::size_t i = rows; i < 2 * rows; ++i) appender.append(row(i));
    db.close();
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1) << "only the database is left";
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(db.table_def("Indexed").row_count, 2 * rows);
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

// Tables filled in turns: a table's waiting index entries go into its trees
// when another table is appended to, so only one batch is held at a time,
// and every entry arrives whichever way the turns fall.
TEST_P(WriterTest, TablesFilledInTurnsKeepEveryIndexEntry) {
  const fs::path file = new_file();
  TableSchema a = indexed(), b = indexed();
  a.name = "A";
  b.name = "B";
  std::size_t rows = 0;
  {
    auto db = Database::create(file.string(), version());
    db.create_table(a);
    db.create_table(b);
    auto to_a = db.appender("A");
    auto to_b = db.appender("B");
    std::uint64_t state = 7;
    const auto row = [&](std::size_t i) -> std::vector<Value> {
      return {Null{}, Value(random_word(state, jet4())), static_cast<std::int16_t>(i % 13),
              static_cast<double>(i % 101), DateTime{40000.0 + static_cast<double>(i % 977)}};
    };
    for (std::size_t turn = 0; turn < 30; ++turn, rows += 100) {
      for (std::size_t i = rows; i < rows + 100; ++i) to_a.append(row(i));
      for (std::size_t i = rows; i < rows + 100; ++i) to_b.append(row(i));
      // A's entries are in its trees already, before any commit.
      const TableDef def = db.table_def("A");
      Database::Impl& impl = DatabaseInternals::of(db);
      for (const RealIndexDef& index : def.real_indexes) {
        const auto entries = read_index_entries(impl.pages, IndexPageLayout::of(version()), index.first_page,
                                                def.tdef_page);
        ASSERT_EQ(entries.size(), rows + 100) << "index " << index.number << " after turn " << turn;
      }
    }
    db.close();
  }
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(db.table_def("A").row_count, rows);
  EXPECT_EQ(db.table_def("B").row_count, rows);
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

}  // namespace
}  // namespace jet
