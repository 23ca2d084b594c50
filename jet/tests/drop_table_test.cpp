// Deleting tables: a hundred rounds of creating, filling and deleting a
// table keep the file from growing (freed pages are taken again) and the
// file strictly sound; tables Access made can be deleted and others made
// in their place; the refusals DAO gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/check.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

TableSchema scratch_table(const std::string& name) {
  TableSchema s;
  s.name = name;
  s.columns = {column("Id", ColumnType::long_integer), column("Name", ColumnType::text, 40),
               column("Note", ColumnType::memo), column("Blob", ColumnType::ole)};
  s.columns[0].autonumber = true;
  s.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true},
               {"Name", {{"Name", true}}, false, false, false, false}};
  return s;
}

void fill(Database& db, const std::string& table, std::size_t rows) {
  auto appender = db.appender(table);
  for (std::size_t i = 0; i < rows; ++i) {
    appender.append({Null{}, "row " + std::to_string((i * 37) % 1000), std::string(i % 4 == 0 ? 3000 : 40, 'm'),
                     Binary(i % 5 == 0 ? 5000 : 10, static_cast<std::uint8_t>(i))});
  }
}

OpenOptions writable() {
  OpenOptions o;
  o.writable = true;
  return o;
}

class DropTableTest : public WriterTest {};

TEST_P(DropTableTest, AHundredRoundsOfCreateAndDeleteKeepTheFileBounded) {
  const fs::path file = new_file();
  {
    auto db = Database::create(file.string(), version());
    db.create_table(scratch_table("Keep"));
    fill(db, "Keep", 50);
    db.close();
  }
  std::uintmax_t first_size = 0, largest = 0;
  const std::size_t rounds = scaled(100) < 100 ? 20 : 100;
  for (std::size_t round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    {
      auto db = Database::open(file.string(), writable());
      const std::string name = round % 2 == 0 ? "Temp" : "Other Temp";
      db.create_table(scratch_table(name));
      fill(db, name, 120);
      db.commit();
      db.delete_table(name);
      // Half the rounds make a table in the same run as the deletion.
      if (round % 3 == 0) {
        db.create_table(scratch_table(name));
        fill(db, name, 30);
        db.delete_table(name);
      }
      db.close();
    }
    ASSERT_NO_FATAL_FAILURE(expect_sound(file));
    if (round == 0) first_size = fs::file_size(file);
    largest = std::max(largest, fs::file_size(file));
  }
  const std::uint32_t page = jet4() ? 4096 : 2048;
  EXPECT_LE(largest, first_size + 8 * page) << "freed pages are not reused";
  auto db = Database::open(file.string());
  EXPECT_EQ(db.table_names(), std::vector<std::string>{"Keep"});
  EXPECT_EQ(read_all(db, "Keep").size(), 50u);
  EXPECT_EQ(run("mdb-tables -1 " + shell_quote(file.string())), mdbtools_installed() ? "Keep\n" : "");
  if (mdbtools_installed()) expect_mdbtools_agree(file);
}

TEST_P(DropTableTest, RefusesWhatIsNotAUserTable) {
  const fs::path file = new_file();
  auto db = Database::create(file.string(), version());
  EXPECT_EQ(jet_number_of([&] { db.delete_table("Nothing"); }), 3011);
  EXPECT_EQ(jet_number_of([&] { db.delete_table("MSysObjects"); }), 3011);
  db.close();
  EXPECT_EQ(jet_number_of([&] { Database::open(file.string()).delete_table("Nothing"); }), 0);  // read-only
}

INSTANTIATE_TEST_SUITE_P(Versions, DropTableTest, ::testing::Values(JetVersion::jet3, JetVersion::jet4), version_name);

std::size_t damage_count(const fs::path& file) {
  const auto faults = check(file);
  return static_cast<std::size_t>(std::count_if(faults.begin(), faults.end(),
                                                [](const Fault& f) { return f.kind == FaultKind::damage; }));
}

class DropAccessTableTest : public ScratchTest {};

TEST_F(DropAccessTableTest, AnAccessTableGoesAndANewOneTakesItsPlace) {
  JET_REQUIRE_SAMPLES();
  for (const char* sample_name : {"jet3-access97/indexTestV1997.mdb", "jet3-access97/overflowTestV1997.mdb",
                                  "jet3-access97/testV1997.mdb", "jet4-access2000/indexTestV2000.mdb",
                                  "jet4-access2000/overflowTestV2000.mdb", "jet4-access2000/testV2000.mdb",
                                  "jet4-access2000/bigIndexTestV2000.mdb"}) {
    SCOPED_TRACE(sample_name);
    const fs::path file = copy_of(sample_name);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const std::size_t damage_before = damage_count(file);
    std::vector<std::string> names;
    {
      auto db = Database::open(file.string(), writable());
      names = db.table_names();
      db.delete_table(names.front());
      db.close();
    }
    EXPECT_LE(damage_count(file), damage_before);
    names.erase(names.begin());
    EXPECT_EQ(Database::open(file.string()).table_names(), names);
    if (mdbtools_installed()) {
      EXPECT_EQ(sorted(lines(run("mdb-tables -1 " + shell_quote(file.string())))), sorted(names));
    }
    {
      auto db = Database::open(file.string(), writable());
      db.create_table(scratch_table("Replacement"));
      fill(db, "Replacement", 200);
      db.close();
    }
    EXPECT_LE(damage_count(file), damage_before);
    if (mdbtools_installed()) expect_mdbtools_agree(file);
  }
}

}  // namespace
}  // namespace jet
