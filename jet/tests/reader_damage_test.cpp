// Damaged, truncated and foreign input must give a clear jet::Error: never a
// crash, a hang or a read out of bounds (run under the sanitizers).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "jet/database.h"
#include "sample_files.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Writes scratch files into a per-test folder that is removed afterwards.
class DamageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("jet_damage_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Opens and reads everything; returns the error kind, or nullopt when
  // the damage went unnoticed (allowed: not every byte matters).
  static std::optional<ErrorKind> read_everything(const fs::path& path) {
    try {
      auto db = Database::open(path.string());
      for (const auto& name : db.table_names(true)) {
        (void)db.table_properties(name);
        auto cursor = db.rows(name);
        while (cursor.next()) {
        }
      }
      return std::nullopt;
    } catch (const Error& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
      return e.kind();
    }
  }

  fs::path dir_;
};

TEST_F(DamageFixture, ForeignAndEmptyFilesAreRejectedAsCorruption) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  Bytes text(4096, 'x');
  Bytes wrong_magic(4096, 0);
  wrong_magic[1] = 0x01;
  const Case cases[] = {{"empty", {}}, {"one_byte", {0x00}}, {"text", text}, {"zero_page", wrong_magic}};
  for (const auto& c : cases) {
    const auto kind = read_everything(write(c.name, c.bytes));
    ASSERT_TRUE(kind.has_value()) << c.name;
    EXPECT_EQ(*kind, ErrorKind::corruption) << c.name;
  }
}

TEST_F(DamageFixture, MissingFileIsAnIoError) {
  EXPECT_EQ(read_everything(dir_ / "absent.mdb"), ErrorKind::io);
}

TEST_F(DamageFixture, LaterVersionsAreNotSupported) {
  const fs::path source = testing::sample("jet4-access2000/adox_jet4.mdb");
  if (source.empty()) GTEST_SKIP() << "reference samples are not present";
  Bytes bytes = read_file(source);
  bytes[0x14] = 0x02;  // an ACE (Access 2007) file
  EXPECT_EQ(read_everything(write("ace.mdb", bytes)), ErrorKind::not_supported);
}

TEST_F(DamageFixture, TruncatedFilesFailCleanly) {
  for (const char* name : {"jet3-access97/testV1997.mdb", "jet4-access2000/testV2000.mdb"}) {
    const fs::path source = testing::sample(name);
    if (source.empty()) GTEST_SKIP() << "reference samples are not present";
    const Bytes whole = read_file(source);
    for (std::size_t keep : {std::size_t{100}, std::size_t{2048}, std::size_t{4096 + 17},
                             std::size_t{3 * 4096}, whole.size() / 2, whole.size() - 1}) {
      const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
      const auto kind = read_everything(write("cut.mdb", part));
      ASSERT_TRUE(kind.has_value()) << name << " cut to " << keep;
      EXPECT_NE(*kind, ErrorKind::invalid_argument) << name << " cut to " << keep;
    }
  }
}

// Flips bytes at seeded positions in every page of every sample, in the
// structures that steer reading (page headers, slot tables, TDEFs).
TEST_F(DamageFixture, FlippedBytesNeverCrash) {
  const auto files = testing::sample_files();
  if (files.empty()) GTEST_SKIP() << "reference samples are not present";
  std::mt19937 random(20261206);
  int noticed = 0;
  for (const auto& file : files) {
    const Bytes original = read_file(file);
    const std::size_t page = original.size() >= 4096 && original[0x14] == 1 ? 4096 : 2048;
    for (int round = 0; round < 6; ++round) {
      Bytes bytes = original;
      for (std::size_t start = page; start < bytes.size(); start += page) {
        const std::size_t offset = start + random() % 64;  // near the page header
        bytes[offset] ^= static_cast<std::uint8_t>(1 + random() % 255);
        bytes[start + random() % page] ^= 0xFF;
      }
      if (read_everything(write("flipped.mdb", bytes))) ++noticed;
    }
  }
  EXPECT_GT(noticed, 0);  // the damage was at least sometimes reported
}

// Breaks specific pointers of a known file: each must be reported as
// corruption naming a page.
TEST_F(DamageFixture, BrokenPointersAreReportedWithTheirPage) {
  const fs::path source = testing::sample("jet4-access2000/testV2000.mdb");
  if (source.empty()) GTEST_SKIP() << "reference samples are not present";
  const Bytes original = read_file(source);
  constexpr std::size_t kPage = 4096;
  struct Case {
    const char* what;
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"catalog TDEF page type", 2 * kPage, {0x01}},
      {"catalog TDEF continuation loop", 2 * kPage + 4, {0x02, 0x00, 0x00, 0x00}},
      {"catalog column count", 2 * kPage + 45, {0xFF, 0xFF}},
      {"catalog usage map pointer", 2 * kPage + 55, {0x00, 0xFF, 0xFF, 0x7F}},
  };
  for (const auto& c : cases) {
    Bytes bytes = original;
    std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.offset));
    try {
      Database::open(write("broken.mdb", bytes).string());
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::corruption) << c.what << ": " << e.what();
      EXPECT_TRUE(e.page().has_value()) << c.what << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace jet
