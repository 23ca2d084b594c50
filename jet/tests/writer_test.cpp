// Files the writer makes, in both versions: a new database, and a table of
// every type with nulls, empty values, long values of every storage,
// extreme numbers and dates and non-ASCII text; each checked by jetcheck,
// mdbtools and our reader against what was written.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>

#include "mdb_reader_check.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

TEST_P(WriterTest, NewDatabaseHoldsTheSystemTablesAndNothingElse) {
  const fs::path file = new_file();
  Database::create(file.string(), version()).close();
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(db.version(), version());
  EXPECT_EQ(db.header().code_page, 1252);
  EXPECT_EQ(db.header().sort_order, 1033);
  EXPECT_TRUE(db.table_names().empty());
  EXPECT_EQ(db.table_names(true), (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries",
                                                            "MSysRelationships"}));
  EXPECT_EQ(db.catalog().size(), 8u);  // three containers, MSysDb, four tables
  EXPECT_EQ(db.table_def("MSysObjects").tdef_page, 2u);
  EXPECT_EQ(run("mdb-tables -1 -S " + shell_quote(file.string())),
            "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");
  EXPECT_THROW(Database::create(file.string(), version()), Error);  // never over an existing file
}

TEST_P(WriterTest, FixtureForDamageTestsIsSound) {
  const fs::path file = new_file();
  write_fixture_database(file, version());
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(read_all(db, "Items").size(), 300u);
}

TableSchema every_type(bool jet4) {
  TableSchema s;
  s.name = "Every Type";
  s.columns = {column("Id", ColumnType::long_integer), column("Yes", ColumnType::boolean),
               column("Small", ColumnType::byte),          column("Int", ColumnType::integer),
               column("Money", ColumnType::money),         column("Single", ColumnType::single),
               column("Double", ColumnType::double_),      column("When", ColumnType::datetime),
               column("Bytes", ColumnType::binary, 20),    column("Text", ColumnType::text, 40),
               column("Blob", ColumnType::ole),            column("Memo", ColumnType::memo),
               column("Guid", ColumnType::guid),           column("Needed", ColumnType::text, 10)};
  s.columns[0].autonumber = true;
  s.columns[3].default_value = "0";
  s.columns[7].default_value = "Now()";
  s.columns[9].default_value = "\"abc\"";
  s.columns[9].allow_zero_length = s.columns[11].allow_zero_length = true;
  s.columns[13].required = true;
  if (jet4) {
    s.columns.push_back(column("Dec", ColumnType::numeric));
    s.columns.back().precision = 28;
    s.columns.back().scale = 6;
  }
  return s;
}

Binary pattern(std::size_t n) {
  Binary b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 131 + i / 251);
  return b;
}

std::string repeat(const std::string& unit, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

std::vector<std::vector<Value>> every_type_rows(bool jet4) {
  const std::string accents = "Grüße, €uro „quotes“ — naïve Œuvre ŠŽšžŸ";
  const std::string wide = jet4 ? accents + " 日本語 Ελληνικά кириллица 😀" : accents;
  Guid guid;
  for (int i = 0; i < 16; ++i) guid.bytes[i] = static_cast<std::uint8_t>(i * 17);
  std::vector<std::vector<Value>> rows = {
      // nulls everywhere a null may be
      {Null{}, false, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{},
       std::string("x")},
      // extremes, empty values, a 1-byte long value
      {std::int32_t{INT32_MAX - 5}, true, std::uint8_t{255}, std::int16_t{-32768}, Money{INT64_MIN + 1},
       -FLT_MAX, DBL_MAX, DateTime{-657434.0}, Binary{}, std::string(), Binary{0x00}, std::string(), guid,
       std::string("needed")},
      {Null{}, true, std::uint8_t{0}, std::int16_t{32767}, Money{INT64_MAX}, FLT_MIN, -DBL_MIN,
       DateTime{2958465.999988426}, pattern(20), wide.substr(0, 40 * 0 + wide.size()), pattern(300),
       repeat(wide, 3), guid, std::string("n")},
      // long values: single LVAL row, chains, and one of 5 MiB
      {std::int32_t{7}, false, std::uint8_t{1}, std::int16_t{0}, Money{0}, 0.0f, -0.0, DateTime{36526.5},
       pattern(1), std::string("plain"), pattern(4000), repeat("abc ", 2000), guid, std::string("n")},
      {Null{}, false, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, pattern(5 * 1024 * 1024),
       repeat(wide, 1500), Null{}, std::string("n")},  // mdb-export cuts text past 200 kB
  };
  // Text limited to its 40 characters.
  rows[2][9] = std::string(jet4 ? "Grüße 日本語 😀 €" : "Grüße €uro „“ Œ");
  if (jet4) {
    Decimal big{true, 0x204FCE5E, 0x3E2502610FFFFFFF, 28, 6};  // -(10^28 - 1) / 10^6
    rows[0].push_back(Null{});
    rows[1].push_back(big);
    rows[2].push_back(Decimal{false, 0, 1234567, 28, 6});
    rows[3].push_back(Decimal{false, 0, 0, 28, 6});
    rows[4].push_back(Null{});
  }
  return rows;
}

TEST_P(WriterTest, EveryTypeReadsBackAsWritten) {
  const fs::path file = new_file();
  const TableSchema schema = every_type(jet4());
  auto rows = every_type_rows(jet4());
  {
    auto db = Database::create(file.string(), version());
    db.create_table(schema);
    auto appender = db.appender(schema.name);
    std::vector<std::int32_t> numbers;
    for (const auto& row : rows) numbers.push_back(appender.append(row));
    // Nulls take the counter's next value; explicit values move it on.
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, INT32_MAX - 5, INT32_MAX - 4, 7, INT32_MAX - 3}));
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i][0] = numbers[i];
    db.close();
  }
  expect_sound(file);
  auto db = Database::open(file.string());
  const TableDef def = db.table_def(schema.name);
  ASSERT_EQ(def.columns.size(), schema.columns.size());
  for (std::size_t c = 0; c < def.columns.size(); ++c) {
    EXPECT_EQ(def.columns[c].name, schema.columns[c].name);
    EXPECT_EQ(def.columns[c].type, schema.columns[c].type);
  }
  EXPECT_EQ(def.row_count, rows.size());
  EXPECT_EQ(def.next_autonumber, static_cast<std::uint32_t>(INT32_MAX - 3));
  const auto back = read_all(db, schema.name);
  ASSERT_EQ(back.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      Value expected = rows[r][c];
      if (auto d = std::get_if<Decimal>(&expected)) d->precision = 28, d->scale = 6;
      EXPECT_EQ(back[r][c], expected) << "row " << r << " column " << schema.columns[c].name;
    }
  }
  const PropertySet props = db.table_properties(schema.name);
  ASSERT_NE(props.column("Text"), nullptr);
  EXPECT_EQ(props.column("Text")->find("DefaultValue")->value, Value(std::string("\"abc\"")));
  EXPECT_EQ(props.column("Text")->find("AllowZeroLength")->value, Value(true));
  EXPECT_EQ(props.column("Needed")->find("Required")->value, Value(true));
  if (mdbtools_installed()) expect_mdbtools_agree(file);
  expect_mdb_reader_agrees(file);
}

// Long values a little over a page share the pages their short last pieces
// land on, so such values cost about 1.3 pages each, not 2.
TEST_P(WriterTest, LongValuesShareThePagesOfTheirLastPieces) {
  const fs::path file = new_file();
  TableSchema schema;
  schema.name = "Blobs";
  schema.columns = {column("Id", ColumnType::long_integer), column("Blob", ColumnType::ole)};
  constexpr int kValues = 60;
  const std::size_t page = jet4() ? 4096 : 2048;
  std::vector<std::vector<Value>> rows;
  for (int i = 0; i < kValues; ++i) {
    Binary blob = pattern(page * 5 / 4);
    blob[0] = static_cast<std::uint8_t>(i);
    rows.push_back({std::int32_t{i}, std::move(blob)});
  }
  std::uintmax_t empty_size = 0;
  {
    auto db = Database::create(file.string(), version());
    db.create_table(schema);
    db.close();
    empty_size = fs::file_size(file);
    OpenOptions writable;
    writable.writable = true;
    auto again = Database::open(file.string(), writable);
    auto appender = again.appender(schema.name);
    for (const auto& row : rows) appender.append(row);
    again.close();
  }
  const std::uintmax_t pages = (fs::file_size(file) - empty_size) / page;
  EXPECT_LE(pages, kValues * 14 / 10) << "pages taken by " << kValues << " values of 1.25 pages";
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(read_all(db, schema.name), rows);
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

// One instantiation for every WriterTest in the writer test files.
INSTANTIATE_TEST_SUITE_P(Versions, WriterTest, ::testing::Values(JetVersion::jet3, JetVersion::jet4), version_name);

}  // namespace
}  // namespace jet
