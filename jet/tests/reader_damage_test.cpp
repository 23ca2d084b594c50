// Damaged, truncated and foreign input must give a clear jet::Error: never a
// crash, a hang or a read out of bounds (run under the sanitizers).
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "jet/check.h"
#include "jet/database.h"
#include "sample_files.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ReaderDamage : public testing::ScratchTest {
 protected:
  // Opens and reads everything; returns the error kind, or nullopt when
  // the damage went unnoticed (allowed: not every byte matters).
  static std::optional<ErrorKind> read_everything(const testing::fs::path& path) {
    try {
      auto db = Database::open(path.string());
      for (const auto& name : db.table_names(true)) {
        (void)db.table_properties(name);
        for (auto cursor = db.rows(name); cursor.next();) {
        }
      }
      return std::nullopt;
    } catch (const Error& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
      return e.kind();
    }
  }
};

TEST_F(ReaderDamage, ForeignEmptyMissingAndLaterFilesAreRefused) {
  Bytes zero_page(4096, 0);
  zero_page[1] = 0x01;
  const std::tuple<const char*, Bytes, ErrorKind> cases[] = {
      {"empty", {}, ErrorKind::corruption},
      {"one_byte", {0x00}, ErrorKind::corruption},
      {"text", Bytes(4096, 'x'), ErrorKind::corruption},
      {"zero_page", zero_page, ErrorKind::corruption},
  };
  for (const auto& [name, bytes, kind] : cases) EXPECT_EQ(read_everything(write(name, bytes)), kind) << name;
  EXPECT_EQ(read_everything(dir_ / "absent.mdb"), ErrorKind::io);
  JET_REQUIRE_SAMPLES();
  Bytes ace = testing::read_bytes(testing::sample("jet4-access2000/adox_jet4.mdb"));
  ace[0x14] = 0x02;  // an ACE (Access 2007) file
  EXPECT_EQ(read_everything(write("ace.mdb", ace)), ErrorKind::not_supported);
}

// Cuts inside the header page, inside later pages (a partial last page)
// and at page boundaries.
TEST_F(ReaderDamage, TruncatedFilesFailCleanly) {
  JET_REQUIRE_SAMPLES();
  for (const char* name : {testing::kJet3Sample, testing::kJet4Sample}) {
    const Bytes whole = testing::read_bytes(testing::sample(name));
    for (std::size_t keep : {std::size_t{100}, std::size_t{2048}, std::size_t{4096 + 17},
                             std::size_t{3 * 4096}, whole.size() / 2, whole.size() - 1}) {
      const auto kind = read_everything(write("cut.mdb", Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(keep))));
      ASSERT_TRUE(kind.has_value()) << name << " cut to " << keep;
      EXPECT_NE(*kind, ErrorKind::invalid_argument) << name << " cut to " << keep;
    }
  }
}

// Flips bytes at seeded positions in every page of every sample, in the
// structures that steer reading (page headers, slot tables, TDEFs); the
// reader and the checker report or refuse, never crash.
TEST_F(ReaderDamage, FlippedBytesNeverCrashTheReaderOrTheChecker) {
  JET_REQUIRE_SAMPLES();
  std::mt19937 random(20261206);
  int noticed = 0;
  for (const auto& file : testing::sample_files()) {
    const Bytes original = testing::read_bytes(file);
    const std::size_t page = original.size() >= 4096 && original[0x14] == 1 ? 4096 : 2048;
    for (int round = 0; round < 6; ++round) {
      Bytes bytes = original;
      for (std::size_t start = page; start < bytes.size(); start += page) {
        bytes[start + random() % 64] ^= std::uint8_t(1 + random() % 255);  // near the page header
        bytes[start + random() % page] ^= 0xFF;
      }
      const auto flipped = write("flipped.mdb", bytes);
      if (read_everything(flipped)) ++noticed;
      try {
        check(flipped);
      } catch (const Error&) {
        // unreadable is a fine outcome; crashing or reading out of bounds is not
      }
    }
  }
  EXPECT_GT(noticed, 0);  // the damage was at least sometimes reported
}

TEST_F(ReaderDamage, BrokenCatalogPointersAreReportedWithTheirPage) {
  JET_REQUIRE_SAMPLES();
  const Bytes original = testing::read_bytes(testing::sample(testing::kJet4Sample));
  constexpr std::size_t kCatalog = 2 * 4096;
  const std::tuple<const char*, std::size_t, Bytes> cases[] = {
      {"catalog TDEF page type", kCatalog, {0x01}},
      {"catalog TDEF continuation loop", kCatalog + 4, {0x02, 0x00, 0x00, 0x00}},
      {"catalog column count", kCatalog + 45, {0xFF, 0xFF}},
      {"catalog usage map pointer", kCatalog + 55, {0x00, 0xFF, 0xFF, 0x7F}},
  };
  for (const auto& [what, offset, bytes] : cases) {
    Bytes damaged = original;
    std::copy(bytes.begin(), bytes.end(), damaged.begin() + std::ptrdiff_t(offset));
    try {
      Database::open(write("broken.mdb", damaged).string());
      ADD_FAILURE() << what << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::corruption) << what << ": " << e.what();
      EXPECT_TRUE(e.page().has_value()) << what << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace jet
