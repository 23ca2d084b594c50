// Opening existing files for writing: the database password of both
// versions, the lock that keeps a second writer out, and damaged files
// refused before anything is written to them.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "header.h"
#include "journal.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

// Writes `password` into the header of `file` as its version masks it.
void set_password(const fs::path& file, const std::string& password) {
  std::vector<std::uint8_t> page = read_bytes(file, 4096);
  DatabaseHeader header = decode_header(page);
  header.password = password;
  encode_header(header, page);
  write_at(file, 0, std::vector<std::uint8_t>(page.begin(), page.begin() + kHeaderMinimumSize + 64));
}

OpenOptions writable(const std::string& password = "") {
  OpenOptions options;
  options.writable = true;
  options.password = password;
  return options;
}

class OpenWriteTest : public WriterTest {
 protected:
  // Our own file of version(), and copies of a sample of that version.
  std::vector<fs::path> files() {
    std::vector<fs::path> out;
    const fs::path own = new_file();
    auto db = Database::create(own.string(), version());
    TableSchema schema;
    schema.name = "T";
    schema.columns = {column("A", ColumnType::text, 20)};
    db.create_table(schema);
    db.appender("T").append({std::string("x")});
    db.close();
    out.push_back(own);
    if (!samples_dir().empty()) {
      const fs::path copy = copy_of(jet4() ? "jet4-access2000/indexTestV2000.mdb" : "jet3-access97/indexTestV1997.mdb");
      fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
      out.push_back(copy);
    }
    return out;
  }
};

TEST_P(OpenWriteTest, APasswordOpensOnlyWithItself) {
  for (const fs::path& file : files()) {
    SCOPED_TRACE(file.filename().string());
    set_password(file, "Sesame42");
    const auto bytes = read_bytes(file);
    for (const std::string wrong : {"", "sesame42", "Sesame4", "Sesame42!"}) {
      EXPECT_EQ(jet_number_of([&] { Database::open(file.string(), writable(wrong)); }), 3031) << wrong;
      OpenOptions reading;
      reading.password = wrong;
      EXPECT_EQ(jet_number_of([&] { Database::open(file.string(), reading); }), 3031) << wrong;
    }
    try {
      Database::open(file.string());
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Not a valid password.");
    }
    EXPECT_EQ(read_bytes(file), bytes) << "a refused open wrote to the file";
    {
      auto db = Database::open(file.string(), writable("Sesame42"));
      EXPECT_EQ(db.header().password, "Sesame42");
      const std::string table = db.table_names().front();
      auto appender = db.appender(table);
      std::vector<Value> row;
      for (const ColumnDef& c : appender.table().columns) {
        switch (c.type) {
          case ColumnType::text: row.push_back(std::string("pw")); break;
          case ColumnType::long_integer: row.push_back(c.is_autonumber() ? Value(Null{}) : Value(std::int32_t{77777})); break;
          case ColumnType::integer: row.push_back(std::int16_t{7777}); break;
          case ColumnType::byte: row.push_back(std::uint8_t{77}); break;
          default: row.push_back(Null{});
        }
      }
      appender.append(row);
      db.close();
    }
    EXPECT_EQ(Database::open(file.string(), writable("Sesame42")).header().password, "Sesame42");
    EXPECT_FALSE(run("mdb-tables -1 " + shell_quote(file.string())).empty() && mdbtools_installed());
  }
}

TEST_P(OpenWriteTest, ASecondWriterIsRefusedWhileTheFirstHoldsTheFile) {
  const fs::path file = files().front();
  const fs::path access_lock = fs::path(file).replace_extension(".ldb");
  write(access_lock.filename().string(), {1, 2, 3});  // a stale Access lock file is not ours to heed
  auto first = Database::open(file.string(), writable());
  for (bool exclusive_reader : {false, true}) {
    OpenOptions other = exclusive_reader ? OpenOptions{} : writable();
    other.exclusive = exclusive_reader;
    try {
      Database::open(file.string(), other);
      ADD_FAILURE() << "a second opener got the file";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::io);
      EXPECT_NE(std::string(e.what()).find("in use by another program"), std::string::npos) << e.what();
    }
  }
  EXPECT_NO_THROW(Database::open(file.string()));  // a shared reader takes no lock
  first.close();
  EXPECT_NO_THROW(Database::open(file.string(), writable()).close());
  EXPECT_FALSE(fs::exists(Journal::path_for(file.string())));
  EXPECT_EQ(read_bytes(access_lock), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_P(OpenWriteTest, ADamagedFileIsRefusedAndLeftAsItWas) {
  const std::uint32_t page = jet4() ? 4096 : 2048;
  struct Damage {
    const char* what;
    std::function<void(const fs::path&, std::uint32_t tdef)> apply;
  };
  const std::vector<Damage> damages = {
      {"not a database", [](const fs::path& f, std::uint32_t) {
         std::ofstream(f, std::ios::binary | std::ios::trunc) << std::string(20000, 'x');
       }},
      {"cut inside a page", [page](const fs::path& f, std::uint32_t) { fs::resize_file(f, fs::file_size(f) - page / 2); }},
      {"global usage map page overwritten", [page](const fs::path& f, std::uint32_t) {
         write_at(f, page, std::vector<std::uint8_t>(page, 0xEE));
       }},
      {"catalog definition overwritten", [page](const fs::path& f, std::uint32_t) {
         write_at(f, 2 * page, std::vector<std::uint8_t>(64, 0x00));
       }},
      {"a table definition overwritten", [page](const fs::path& f, std::uint32_t tdef) {
         write_at(f, std::uint64_t{tdef} * page, std::vector<std::uint8_t>(32, 0x07));
       }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    const fs::path file = new_file(std::string("d") + std::to_string(&damage - damages.data()) + ".mdb");
    std::uint32_t tdef = 0;
    {
      auto db = Database::create(file.string(), version());
      TableSchema schema;
      schema.name = "T";
      schema.columns = {column("A", ColumnType::long_integer)};
      db.create_table(schema);
      tdef = db.table_entry("T").tdef_page;
      db.close();
    }
    damage.apply(file, tdef);
    const auto bytes = read_bytes(file);
    EXPECT_THROW(Database::open(file.string(), writable()), Error);
    EXPECT_EQ(read_bytes(file), bytes);
    EXPECT_FALSE(fs::exists(Journal::path_for(file.string())));
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, OpenWriteTest, ::testing::Values(JetVersion::jet3, JetVersion::jet4), version_name);

}  // namespace
}  // namespace jet
