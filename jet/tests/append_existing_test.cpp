// Appending rows to tables Access made (every user table of every sample,
// both versions) and to tables our writer made: afterwards the old rows
// read as before, the new rows read as appended, mdbtools reads the same,
// and the checker finds no damage. Enough rows go into each table that
// Access's index leaves split and long values spill out of rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "jet/check.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

// Characters a text column of `column` may hold.
std::size_t text_room(const ColumnDef& column, JetVersion version) {
  return version == JetVersion::jet4 ? column.length / 2 : column.length;
}

// Value `i` for `column`: chosen to differ from what Access stored (large
// numbers, texts starting "new"), so unique indexes take them.
Value value_for(const ColumnDef& column, std::size_t i, JetVersion version) {
  const auto n = static_cast<std::int32_t>(i);
  switch (column.type) {
    case ColumnType::boolean: return i % 2 == 0;
    case ColumnType::byte: return static_cast<std::uint8_t>(200 + i % 50);
    case ColumnType::integer: return static_cast<std::int16_t>(20000 + i);
    case ColumnType::long_integer:
      if (column.is_autonumber()) return Null{};
      return 1000000 + n;
    case ColumnType::money: return Money{(1000000 + n) * 10000LL + 1234};
    case ColumnType::single: return 1e6f + static_cast<float>(i);
    case ColumnType::double_: return 1e9 + static_cast<double>(i) / 8;
    case ColumnType::datetime: return DateTime{40000.25 + static_cast<double>(i)};
    case ColumnType::binary: return Binary(std::min<std::size_t>(column.length, 8), static_cast<std::uint8_t>(i));
    case ColumnType::text: {
      std::string text = "new " + std::to_string((i * 7919) % 100003) + " Grüße";
      return text.substr(0, std::min(text.size(), text_room(column, version)));
    }
    case ColumnType::memo: return std::string(i % 5 == 0 ? 5000 + i : 30 + i % 300, static_cast<char>('a' + i % 26));
    case ColumnType::ole: return Binary(i % 4 == 0 ? 3000 + i : 10, static_cast<std::uint8_t>(i * 3));
    case ColumnType::guid: {
      Guid g;
      for (std::size_t b = 0; b < 16; ++b) g.bytes[b] = static_cast<std::uint8_t>(i * 13 + b * 7 + 0x80);
      return g;
    }
    case ColumnType::numeric: return Decimal{false, 0, 900000 + i, column.precision, column.scale};
    default: return Null{};
  }
}

struct Appended {
  std::size_t rows = 0;      // rows the engine took
  std::size_t refused = 0;   // rows a unique index refused (3022)
};

// Appends `count` rows to `table` and returns what happened.
Appended append_rows(Database& db, const std::string& table, std::size_t count) {
  auto appender = db.appender(table);
  const TableDef& def = appender.table();
  Appended done;
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<Value> row;
    for (const ColumnDef& column : def.columns) row.push_back(value_for(column, i, db.version()));
    try {
      appender.append(row);
      ++done.rows;
    } catch (const Error& e) {
      if (e.jet_number() != 3022) throw;
      ++done.refused;
    }
  }
  return done;
}

std::size_t damage_count(const fs::path& file) {
  const auto faults = check(file);
  return static_cast<std::size_t>(std::count_if(faults.begin(), faults.end(),
                                                [](const Fault& f) { return f.kind == FaultKind::damage; }));
}

class AppendExistingTest : public ScratchTest {};

TEST_F(AppendExistingTest, EveryAccessTableTakesRowsAndKeepsItsOldOnes) {
  JET_REQUIRE_SAMPLES();
  for (const fs::path& original : sample_files()) {
    SCOPED_TRACE(original.filename().string());
    const fs::path file = dir_ / original.filename();
    fs::copy_file(original, file, fs::copy_options::overwrite_existing);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const std::size_t damage_before = damage_count(file);
    std::map<std::string, std::vector<std::vector<Value>>> before;
    std::map<std::string, Appended> appended;
    {
      OpenOptions options;
      options.writable = true;
      auto db = Database::open(file.string(), options);
      for (const auto& table : db.table_names()) before[table] = read_all(db, table);
      for (const auto& table : db.table_names()) appended[table] = append_rows(db, table, scaled(400));
      db.close();
    }
    EXPECT_LE(damage_count(file), damage_before);
    auto db = Database::open(file.string());
    for (const auto& [table, old_rows] : before) {
      SCOPED_TRACE(table);
      auto rows = read_all(db, table);
      EXPECT_EQ(rows.size(), old_rows.size() + appended[table].rows);
      EXPECT_GT(appended[table].rows, 0u);
      const TableDef def = db.table_def(table);
      EXPECT_EQ(def.row_count, rows.size());
      for (std::size_t c = 0; c < def.columns.size(); ++c) {
        if (!def.columns[c].is_autonumber()) continue;
        std::int32_t largest = 0;
        for (const auto& row : rows) {
          if (const auto* n = std::get_if<std::int32_t>(&row[c])) largest = std::max(largest, *n);
        }
        EXPECT_EQ(static_cast<std::int32_t>(def.next_autonumber), largest) << "the autonumber counter";
      }
      for (const auto& row : old_rows) {
        auto at = std::find(rows.begin(), rows.end(), row);
        ASSERT_NE(at, rows.end()) << "an old row is gone";
        rows.erase(at);
      }
    }
    if (mdbtools_installed()) expect_mdbtools_agree(file);
  }
}

// The same on files our writer made: strict soundness and index keys of
// both versions across many leaf splits.
class AppendOwnTest : public WriterTest {};

TEST_P(AppendOwnTest, AppendingToAReopenedTableKeepsItWhole) {
  const fs::path file = new_file();
  TableSchema schema;
  schema.name = "People";
  for (auto [name, type, size] : {std::tuple{"Id", ColumnType::long_integer, 0}, {"Name", ColumnType::text, 50},
                                  {"Note", ColumnType::memo, 0}, {"Born", ColumnType::datetime, 0}}) {
    ColumnSpec c;
    c.name = name;
    c.type = type;
    c.size = static_cast<std::uint16_t>(size);
    schema.columns.push_back(c);
  }
  schema.columns[0].autonumber = true;
  schema.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true},
                    {"Name", {{"Name", true}}, false, false, false, false}};
  {
    auto db = Database::create(file.string(), version());
    db.create_table(schema);
    append_rows(db, "People", scaled(500));
    db.close();
  }
  for (int round = 0; round < 3; ++round) {
    OpenOptions options;
    options.writable = true;
    auto db = Database::open(file.string(), options);
    EXPECT_EQ(append_rows(db, "People", scaled(500)).refused, 0u);
    db.close();
    expect_sound(file);
  }
  auto db = Database::open(file.string());
  const auto rows = read_all(db, "People");
  ASSERT_EQ(rows.size(), 4 * scaled(500));
  EXPECT_EQ(db.table_def("People").next_autonumber, rows.size());
  EXPECT_EQ(rows.back()[0], Value(static_cast<std::int32_t>(rows.size())));
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

INSTANTIATE_TEST_SUITE_P(Versions, AppendOwnTest, ::testing::Values(JetVersion::jet3, JetVersion::jet4),
                         version_name);

}  // namespace
}  // namespace jet
