// Page cache, row slots, usage maps and long values over synthetic files,
// mostly their damage (the samples exercise the sound paths).
#include <gtest/gtest.h>

#include "data_page.h"
#include "long_value.h"
#include "page_builder.h"
#include "usage_map.h"

namespace jet {
namespace {

using testing::Bytes;
using testing::concat;
using testing::expect_corruption;
using testing::le32;
using testing::PageFileFixture;
using testing::TestRow;

const Format& kF = kJet4Format;
Bytes filled_page(std::uint8_t value) { return Bytes(kF.page_size, value); }

TEST(PageCache, EvictsLeastRecentlyUsedButKeepsHeldAndDirtyPages) {
  PageFileFixture f(kF, {filled_page(0), filled_page(1), filled_page(2), filled_page(3)}, 2);
  PageCache& cache = f.cache();
  EXPECT_EQ(cache.page_count(), 4u);
  PageRef held = cache.get(1);
  cache.get(2);
  cache.get(3);
  EXPECT_EQ(cache.cached_pages(), 2u);
  EXPECT_EQ(held->bytes[0], 1);  // still valid after eviction
  const auto reads = cache.reads();
  cache.get(3);
  EXPECT_EQ(cache.reads(), reads);  // a hit
  cache.put(0, filled_page(9));
  cache.get(1);
  cache.get(2);
  EXPECT_EQ(cache.get(0)->bytes[0], 9);  // dirty pages are not dropped
  cache.flush();
  EXPECT_EQ(PageCache(f.file(), kF.page_size).get(0)->bytes[0], 9);
  expect_corruption([&] { cache.get(4, 2); }, 2, "page past the end");
}

// Appending more pages than the cache holds writes the oldest back (memory
// stays bounded), a page loaded while every other is dirty is the page
// asked for, and everything reads back after flush.
TEST(PageCache, BoundedWriteBackKeepsEveryPage) {
  PageFileFixture f(kF, {filled_page(0)}, 4);
  PageCache& cache = f.cache();
  for (std::uint8_t i = 1; i < 40; ++i) {
    EXPECT_EQ(cache.append(filled_page(i)), i);
    EXPECT_LE(cache.cached_pages(), 4u);
    EXPECT_EQ(cache.get(0)->bytes[0], 0);  // a clean page among dirty ones
    EXPECT_EQ(cache.get(i)->bytes[0], i);
  }
  EXPECT_EQ(cache.page_count(), 40u);
  cache.modify(3)->bytes[1] = 33;
  cache.flush();
  PageCache fresh(f.file(), kF.page_size);
  for (std::uint8_t i = 0; i < 40; ++i) EXPECT_EQ(fresh.get(i)->bytes[0], i);
  EXPECT_EQ(fresh.get(3)->bytes[1], 33);
}

// Pages the writer has finished go back to the file before pages that keep
// changing, even those changed longer ago: index leaves touched once per
// batch stay in memory while data pages stream past them.
TEST(PageCache, FinishedPagesAreWrittenBackFirst) {
  PageFileFixture f(kF, {filled_page(0), filled_page(1), filled_page(2), filled_page(3), filled_page(4)}, 16);
  PageCache& cache = f.cache();
  for (std::uint8_t round = 1; round <= 10; ++round) {
    for (std::uint32_t hot = 1; hot <= 4; ++hot) cache.modify(hot)->bytes[1] = round;
    for (int i = 0; i < 6; ++i) cache.finished(cache.append(filled_page(0x50)));
    EXPECT_LE(cache.cached_pages(), 16u);
  }
  PageCache before_flush(f.file(), kF.page_size);
  for (std::uint32_t hot = 1; hot <= 4; ++hot) EXPECT_EQ(before_flush.get(hot)->bytes[1], hot) << "page " << hot;
  EXPECT_EQ(before_flush.get(5)->bytes[0], 0x50);  // the first data page went out long ago
  cache.flush();
  PageCache after_flush(f.file(), kF.page_size);
  for (std::uint32_t hot = 1; hot <= 4; ++hot) EXPECT_EQ(after_flush.get(hot)->bytes[1], 10);
  EXPECT_EQ(after_flush.page_count(), 65u);
}

// Finished pages go to the file a batch at a time and leave the cache, so a
// bulk load's memory stays that of the pages in use; a page changed again
// after it was finished waits for the next write, and a page that left
// reads back from the file.
TEST(PageCache, FinishedPagesLeaveTheCacheOnceWritten) {
  PageFileFixture f(kF, {filled_page(0)}, 4096);
  PageCache& cache = f.cache();
  const std::uint32_t hot = cache.append(filled_page(0x11));
  const std::uint32_t again = cache.append(filled_page(0x22));
  cache.finished(again);
  cache.modify(again)->bytes[1] = 0x23;  // no longer finished
  std::uint32_t last = 0;
  std::size_t appended = 0;
  while (cache.cached_pages() > 2 || appended == 0) {
    ASSERT_LT(appended++, PageCache::kFinishedBatch) << "finished pages never left";
    last = cache.append(filled_page(static_cast<std::uint8_t>(appended)));
    cache.finished(last);
  }
  EXPECT_GT(appended, PageCache::kFinishedBatch / 2);  // a batch, not page by page
  PageCache on_disk(f.file(), kF.page_size);
  EXPECT_EQ(on_disk.page_count(), last + 1);
  EXPECT_EQ(on_disk.get(last)->bytes[0], static_cast<std::uint8_t>(appended));
  const auto reads = cache.reads();
  EXPECT_EQ(cache.get(last)->bytes[0], static_cast<std::uint8_t>(appended));
  EXPECT_EQ(cache.reads(), reads + 1);  // from the file
  cache.modify(hot)->bytes[1] = 0x12;
  cache.flush();
  PageCache after_flush(f.file(), kF.page_size);
  EXPECT_EQ(after_flush.get(hot)->bytes[1], 0x12);
  EXPECT_EQ(after_flush.get(again)->bytes[1], 0x23);
}

TEST(RowSlots, DamagedSlotTablesAndOverflowLoops) {
  const Bytes page = testing::data_page(kF, 7, {TestRow{{1, 2, 3}}, TestRow{{4, 5}, kRowDeletedFlag}});
  const auto slots = decode_row_slots(page, kF, 3);
  ASSERT_EQ(slots.size(), 2u);
  EXPECT_EQ(slots[0].start, 4093);
  EXPECT_TRUE(slots[1].deleted);
  const std::tuple<const char*, std::size_t, std::uint16_t> cases[] = {
      {"slot count past the page", kF.data_row_count_offset, 3000},
      {"row starts inside the slot table", kF.data_row_count_offset + 2, 4},
      {"rows out of order", kF.data_row_count_offset + 4, 4095},
      {"page type", 0, 0x0102}};
  for (const auto& [what, offset, value] : cases) {
    Bytes broken = page;
    coding::put_u16(&broken[offset], value);
    expect_corruption([&] { decode_row_slots(broken, kF, 3); }, 3, what);
  }
  PageFileFixture loop(kF, {filled_page(0), testing::data_page(kF, 9, {TestRow{le32(RowPointer{1, 0}.to_word()),
                                                                               kRowOverflowFlag}})});
  expect_corruption([&] { resolve_row(loop.cache(), kF, RowPointer{1, 0}, 0); }, 1, "overflow loop");
  expect_corruption([&] { locate_row(loop.cache(), kF, RowPointer{1, 5}, 1); }, 1, "row past the slot table");
}

TEST(UsageMaps, DamageNamesThePage) {
  std::vector<Bytes> file(40, filled_page(0));
  file[5] = Bytes(kF.page_size, 0);
  file[5][0] = page_type::usage_map;
  file[5][1] = 0x01;
  file[5][4] = 0x0A;  // pages 1 and 3 of this map page's range
  PageFileFixture f(kF, file);
  const UsageMap decoded = decode_usage_map(concat({{kReferenceUsageMap}, le32(5), le32(0)}), f.cache(), kF, 1);
  EXPECT_EQ(decoded.pages, (std::vector<std::uint32_t>{1, 3}));
  const std::tuple<const char*, Bytes, std::uint32_t> cases[] = {
      {"unknown map type", {0x07, 0, 0, 0, 0}, 1},
      {"bit past the end of the file", concat({{kInlineUsageMap}, le32(38), {0x0C}}), 1},
      {"reference to a page that is not a map", concat({{kReferenceUsageMap}, le32(6)}), 6},
      {"truncated inline map", {kInlineUsageMap, 1}, 1},
  };
  for (const auto& [what, row, page] : cases) {
    expect_corruption([&] { decode_usage_map(row, f.cache(), kF, 1); }, page, what);
  }
}

Bytes long_value_ref(std::uint32_t length, std::uint8_t flag, RowPointer row, const Bytes& inline_bytes = {}) {
  Bytes ref(kLongValueHeaderSize, 0);
  coding::put_u24(ref.data(), length);
  ref[3] = flag;
  coding::put_u32(&ref[4], row.to_word());
  ref.insert(ref.end(), inline_bytes.begin(), inline_bytes.end());
  return ref;
}

TEST(LongValues, AllStoragesAndTheirDamage) {
  PageFileFixture f(kF, {filled_page(0),
                         testing::data_page(kF, kLvalMarker,
                                            {TestRow{{'o', 'n', 'e'}},
                                             TestRow{concat({le32(RowPointer{2, 0}.to_word()), {'a', 'b', 'c'}})}}),
                         testing::data_page(kF, kLvalMarker, {TestRow{concat({le32(0), {'d', 'e'}})}})});
  const std::tuple<const char*, Bytes, const char*> cases[] = {
      {"inline", long_value_ref(2, kLongValueInline, {}, {'h', 'i'}), "hi"},
      {"single LVAL row", long_value_ref(3, kLongValueSinglePage, {1, 0}), "one"},
      {"chain over two pages", long_value_ref(5, kLongValueChain, {1, 1}), "abcde"},
      {"empty inline", long_value_ref(0, kLongValueInline, {}), ""},
      {"short reference", Bytes(5, 0), nullptr},
      {"unknown storage flag", long_value_ref(2, 0x20, {1, 0}), nullptr},
      {"inline longer than its field", long_value_ref(9, kLongValueInline, {}, {'x'}), nullptr},
      {"single row shorter than the length", long_value_ref(30, kLongValueSinglePage, {1, 0}), nullptr},
      {"chain ends early", long_value_ref(50, kLongValueChain, {1, 1}), nullptr},
  };
  for (const auto& [what, ref, value] : cases) {
    try {
      const auto bytes = read_long_value(f.cache(), kF, decode_long_value_ref(ref, 7), 7);
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), value ? value : "(an error)") << what;
    } catch (const Error& e) {
      EXPECT_EQ(value, nullptr) << what << ": " << e.what();
      EXPECT_EQ(e.kind(), ErrorKind::corruption) << what;
      EXPECT_TRUE(e.page().has_value()) << what;
    }
  }
}

}  // namespace
}  // namespace jet
