// What the writer refuses, with the Jet error number DAO reports, and that
// a refused table or row leaves the file as it was: sound, with the rows
// accepted before and after it and nothing else.
#include <gtest/gtest.h>

#include <optional>

#include "database_impl.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

// Appends make_row(0), make_row(1), ... until a row is refused or `most`
// rows went in: the rows accepted, and the refusal.
struct UntilRefused {
  std::size_t accepted = 0;
  std::optional<Error> refusal;
};
template <typename MakeRow>
UntilRefused append_until_refused(TableAppender& appender, std::int32_t most, MakeRow make_row) {
  UntilRefused result;
  for (std::int32_t i = 0; i < most; ++i) {
    try {
      appender.append(make_row(i));
      ++result.accepted;
    } catch (const Error& e) {
      result.refusal = e;
      break;
    }
  }
  return result;
}

// Key (autonumber, primary), a unique code that allows Nulls, a required
// name that refuses "", a note that allows it, a long value and 20 wide
// text columns to make a row too large.
TableSchema guarded() {
  TableSchema s;
  s.name = "Guarded";
  s.columns = {column("Key", ColumnType::long_integer), column("Code", ColumnType::text, 10),
               column("Name", ColumnType::text, 20), column("Note", ColumnType::text, 5),
               column("Blob", ColumnType::ole)};
  s.columns[0].autonumber = true;
  s.columns[2].required = true;
  s.columns[3].allow_zero_length = true;
  for (int i = 0; i < 20; ++i) s.columns.push_back(column("Wide" + std::to_string(i), ColumnType::text, 255));
  s.indexes = {{"PrimaryKey", {{"Key", true}}, true, true, false, true},
               {"Code", {{"Code", true}}, false, true, false, false},
               {"ByName", {{"Name", false}, {"Key", true}}, false, false, false, false}};
  return s;
}

std::vector<Value> guarded_row(Value key, Value code, Value name, Value note = Null{}) {
  std::vector<Value> row = {key, code, name, note, Binary{1, 2, 3}};
  row.resize(guarded().columns.size(), Null{});
  return row;
}

TEST_P(WriterTest, RefusedRowsLeaveNoTrace) {
  const fs::path file = new_file();
  // Jet 4: characters past U+00FF are not compressed, two bytes each.
  std::string wide;
  for (int i = 0; i < 255; ++i) wide += jet4() ? "ā" : "w";
  std::vector<Value> too_large = guarded_row(Null{}, Null{}, std::string("big"));
  for (int i = 0; i < 20; ++i) too_large[5 + i] = wide;
  const struct {
    const char* what;
    std::vector<Value> row;
    int number;
  } refused[] = {
      {"duplicate primary key", guarded_row(std::int32_t{1}, Null{}, std::string("b")), 3022},
      {"duplicate unique code", guarded_row(Null{}, std::string("A1"), std::string("b")), 3022},
      {"code differing only in case", guarded_row(Null{}, std::string("a1"), std::string("b")), 3022},
      {"null in a required column", guarded_row(Null{}, Null{}, Null{}), 3314},
      {"zero-length where not allowed", guarded_row(Null{}, Null{}, std::string()), 3315},
      {"text longer than its column", guarded_row(Null{}, std::string("12345678901"), std::string("b")), 3163},
      {"a row larger than a page", too_large, 3047},
      {"a value of the wrong type", guarded_row(Null{}, 12.5, std::string("b")), 3421},
      {"a wrong number of values", {Null{}}, 0},
  };
  std::size_t accepted = 0;
  {
    auto db = Database::create(file.string(), version());
    db.create_table(guarded());
    auto appender = db.appender("Guarded");
    EXPECT_EQ(appender.append(guarded_row(Null{}, std::string("A1"), std::string("first"))), 1);
    ++accepted;
    EXPECT_FALSE(appender.fits(too_large));
    EXPECT_TRUE(appender.fits(guarded_row(Null{}, Null{}, std::string("fits"))));
    for (const auto& r : refused) {
      EXPECT_EQ(jet_number_of([&] { appender.append(r.row); }), r.number) << r.what;
    }
    // Several Nulls in a unique index, "" where allowed, and the counter
    // untouched by the refusals.
    EXPECT_EQ(appender.append(guarded_row(Null{}, Null{}, std::string("second"), std::string())), 2);
    EXPECT_EQ(appender.append(guarded_row(Null{}, Null{}, std::string("third"))), 3);
    accepted += 2;
    db.close();
  }
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(db.table_def("Guarded").row_count, accepted);
  EXPECT_EQ(read_all(db, "Guarded").size(), accepted);
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

TEST_P(WriterTest, RefusedTablesLeaveNoTrace) {
  const fs::path file = new_file();
  const auto named = [](const std::string& table, const std::string& col = "A") {
    TableSchema s;
    s.name = table;
    s.columns = {column(col, ColumnType::long_integer)};
    return s;
  };
  TableSchema twice = named("Twice");
  twice.columns.push_back(column("a", ColumnType::text, 10));
  TableSchema many_indexes = named("Many");
  for (int i = 0; i < 33; ++i) many_indexes.indexes.push_back({"I" + std::to_string(i), {{"A", true}}, false, false, false, false});
  TableSchema wide_index = named("WideIndex");
  wide_index.indexes.push_back({"W", std::vector<IndexColumnSpec>(11, {"A", true}), false, false, false, false});
  const struct {
    const char* what;
    TableSchema schema;
    int number;
  } refused[] = {
      {"existing table", named("Kept"), 3010},
      {"existing table in other case", named("KEPT"), 3010},
      {"dot in the name", named("a.b"), 3125},
      {"bracket in the name", named("a[b"), 3125},
      {"leading space", named(" lead"), 3125},
      {"control character", named("tab\there"), 3125},
      {"65 characters", named(std::string(65, 'n')), 3125},
      {"system table name", named("MSysMine"), 3125},
      {"bad column name", named("Fine", "x!y"), 3125},
      {"column named twice", twice, 3191},
      {"33 indexes", many_indexes, 3284},
      {"11 index columns", wide_index, 3283},
  };
  {
    auto db = Database::create(file.string(), version());
    db.create_table(named("Kept"));
    const std::uint32_t pages = db.page_count();
    for (const auto& r : refused) {
      EXPECT_EQ(jet_number_of([&] { db.create_table(r.schema); }), r.number) << r.what;
    }
    EXPECT_EQ(db.page_count(), pages);
    EXPECT_EQ(db.table_names(), std::vector<std::string>{"Kept"});
    db.create_table(named(std::string(64, 'n')));  // the longest name Access takes
    db.close();
  }
  expect_sound(file);
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

// The file never passes its version's size limit: the row that would pass
// it is refused whole (3026) and the file stays sound.
TEST_P(WriterTest, SizeLimitRefusesTheRowThatWouldPassIt) {
  const fs::path file = new_file();
  std::size_t accepted = 0;
  {
    auto db = Database::create(file.string(), version());
    TableSchema s;
    s.name = "Blobs";
    s.columns = {column("Id", ColumnType::long_integer), column("Data", ColumnType::ole)};
    s.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true}};
    db.create_table(s);
    const std::uint32_t limit = db.page_count() + 200;
    set_page_limit_for_testing(db, limit);
    auto appender = db.appender("Blobs");
    const Binary blob(100 * 1024, 0x5A);
    const UntilRefused run = append_until_refused(appender, 100, [&](std::int32_t i) -> std::vector<Value> {
      return {i, blob};
    });
    accepted = run.accepted;
    ASSERT_TRUE(run.refusal.has_value());
    EXPECT_EQ(run.refusal->jet_number(), 3026);
    EXPECT_EQ(run.refusal->kind(), ErrorKind::io);
    EXPECT_NE(std::string(run.refusal->what()).find(jet4() ? "2 GiB" : "1 GiB"), std::string::npos)
        << run.refusal->what();
    EXPECT_GT(accepted, 0u);
    EXPECT_LE(db.page_count(), limit);
    db.close();
  }
  expect_sound(file);
  auto db = Database::open(file.string());
  EXPECT_EQ(read_all(db, "Blobs").size(), accepted);
}

// Entries of an index that is not unique wait in memory (or, for a tree
// still empty, in runs on disk) before they go into their tree; the pages
// kept for them count against the size limit, so the rows accepted before
// the refusal all reach the index.
TEST_P(WriterTest, WaitingIndexEntriesKeepTheirRoomNearTheSizeLimit) {
  for (const std::size_t waiting_memory : {kPendingKeyBytes, std::size_t(8) << 10}) {
    SCOPED_TRACE("memory for waiting entries " + std::to_string(waiting_memory));
    const fs::path file = new_file("limit" + std::to_string(waiting_memory) + ".mdb");
    std::size_t accepted = 0;
    {
      auto db = Database::create(file.string(), version());
      TableSchema s;
      s.name = "Coded";
      s.columns = {column("Id", ColumnType::long_integer), column("Code", ColumnType::text, 200)};
      s.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true},
                   {"Code", {{"Code", true}}, false, false, false, false}};
      db.create_table(s);
      const std::uint32_t limit = db.page_count() + 300;
      set_page_limit_for_testing(db, limit);
      set_pending_key_bytes_for_testing(db, waiting_memory);
      auto appender = db.appender("Coded");
      // Long keys: the tree needs more pages than one row keeps.
      const UntilRefused run = append_until_refused(appender, 100000, [](std::int32_t i) -> std::vector<Value> {
        return {i, std::to_string((i * 7919) % 1000) + std::string(150, 'c')};
      });
      accepted = run.accepted;
      ASSERT_TRUE(run.refusal.has_value());
      EXPECT_EQ(run.refusal->jet_number(), 3026);
      EXPECT_GT(accepted, 500u);
      db.close();
      EXPECT_LE(Database::open(file.string()).page_count(), limit);
    }
    expect_sound(file);
    auto db = Database::open(file.string());
    EXPECT_EQ(db.table_def("Coded").row_count, accepted);
    if (mdbtools_installed()) expect_mdbtools_agree(file);
  }
}

}  // namespace
}  // namespace jet
