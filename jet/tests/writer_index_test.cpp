// Large tables: B-trees several levels deep under random text keys,
// descending composite keys and keys with nulls, all checked by jetcheck
// (every entry present, ordered, keyed as the encoder keys it) and by
// mdbtools. JET_TEST_SCALE=N divides the row count (the sanitizer builds
// divide it by 10).
#include <gtest/gtest.h>

#include "database_impl.h"
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

}  // namespace
}  // namespace jet
