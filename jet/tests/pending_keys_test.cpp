// Waiting index entries come out in index order whether they stayed in
// memory or went to runs on disk, and the scratch file leaves nothing
// behind.
#include "pending_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <tuple>
#include <unistd.h>

#include "jet/error.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using Entry = std::tuple<std::vector<std::uint8_t>, std::uint32_t>;  // key, row word

class PendingKeysTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("pending_keys_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::size_t files_in_dir() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

  fs::path dir_;
};

// Index order: key bytes, a shorter key first (a prefix before its
// extensions), then row. Byte-wise comparison of the vectors is exactly that.
std::vector<Entry> drained(PendingKeys& keys) {
  std::vector<Entry> out;
  keys.drain([&](std::span<const std::uint8_t> key, RowPointer row) {
    out.emplace_back(std::vector<std::uint8_t>(key.begin(), key.end()), row.to_word());
  });
  return out;
}

TEST_F(PendingKeysTest, RunsAndMemoryDrainInIndexOrder) {
  std::mt19937 random(5);
  // Spilled every 7 entries, every 1000, or never; the keys include
  // empty ones, prefixes of others, 0xFF bytes and one key for many rows.
  for (const std::size_t spill_every : {std::size_t(7), std::size_t(1000), std::size_t(0)}) {
    PendingKeys keys((dir_ / "db.mdb.keys").string());
    std::vector<Entry> expected;
    for (std::uint32_t i = 0; i < 5000; ++i) {
      std::vector<std::uint8_t> key(random() % 12);
      for (auto& b : key) b = static_cast<std::uint8_t>(random() % 3 == 0 ? 0xFF : random() % 4);
      if (i % 10 == 0) key = {7, 7, 7};
      if (i == 4999) key.assign(1800, 0x41);  // the longest an index holds
      const std::uint32_t row = (random() % 1000) << 8 | (i & 0xFF);
      if (std::find(expected.begin(), expected.end(), Entry{key, row}) != expected.end()) continue;
      keys.add(key, RowPointer::from_word(row));
      expected.emplace_back(key, row);
      if (spill_every != 0 && (i + 1) % spill_every == 0) keys.spill();
    }
    EXPECT_EQ(keys.count(), expected.size());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(drained(keys), expected) << "spilled every " << spill_every;
    EXPECT_EQ(keys.count(), 0u);
    EXPECT_EQ(keys.entry_bytes(), 0u);
    EXPECT_TRUE(drained(keys).empty());
    EXPECT_EQ(files_in_dir(), 0u) << "the scratch file is unlinked when made";
  }
}

TEST_F(PendingKeysTest, AFailedInsertForgetsTheEntriesAndAMissingFolderIsAnError) {
  PendingKeys keys((dir_ / "db.mdb.keys").string());
  for (std::uint8_t i = 0; i < 50; ++i) {
    keys.add(std::vector<std::uint8_t>{i}, RowPointer{1, i});
    if (i % 10 == 9) keys.spill();
  }
  int seen = 0;
  EXPECT_THROW(keys.drain([&](std::span<const std::uint8_t>, RowPointer) {
    if (++seen == 20) throw Error::io("disk gone");
  }),
               Error);
  EXPECT_EQ(keys.count(), 0u);

  PendingKeys lost((dir_ / "no such folder" / "db.mdb.keys").string());
  lost.add(std::vector<std::uint8_t>{1}, RowPointer{1, 0});
  EXPECT_THROW(lost.spill(), Error);
  EXPECT_EQ(lost.count(), 1u) << "the entry stays in memory";
  EXPECT_EQ(drained(lost).size(), 1u);
}

}  // namespace
}  // namespace jet
