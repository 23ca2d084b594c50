// Page cache, row slots, usage maps and long values over synthetic files.
#include <gtest/gtest.h>

#include "data_page.h"
#include "jet/error.h"
#include "long_value.h"
#include "page_builder.h"
#include "usage_map.h"

namespace jet {
namespace {

using testing::Bytes;
using testing::PageFileFixture;
using testing::TestRow;

Bytes filled_page(std::uint8_t value) { return Bytes(kJet4Format.page_size, value); }

template <typename F>
void expect_corruption(F&& action, std::uint32_t page, const char* what) {
  try {
    action();
    ADD_FAILURE() << what << ": no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::corruption) << what << ": " << e.what();
    EXPECT_EQ(e.page(), page) << what << ": " << e.what();
  }
}

TEST(PageCache, EvictsLeastRecentlyUsedButKeepsHeldAndDirtyPages) {
  PageFileFixture f(kJet4Format, {filled_page(0), filled_page(1), filled_page(2), filled_page(3)}, 2);
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
  PageCache fresh(f.file(), kJet4Format.page_size);
  EXPECT_EQ(fresh.get(0)->bytes[0], 9);
  expect_corruption([&] { cache.get(4, 2); }, 2, "page past the end");
}

TEST(RowSlots, FlagsAndBoundaries) {
  const Bytes page = testing::data_page(kJet4Format, 7,
                                        {TestRow{{1, 2, 3}}, TestRow{{4, 5}, kRowDeletedFlag},
                                         TestRow{{6, 7, 8, 9}, kRowOverflowFlag}});
  const auto slots = decode_row_slots(page, kJet4Format, 3);
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_EQ(slots[0].end, 4096);
  EXPECT_EQ(slots[0].start, 4093);
  EXPECT_TRUE(slots[1].deleted);
  EXPECT_EQ(slots[1].end, slots[0].start);
  EXPECT_TRUE(slots[2].overflow);
  EXPECT_EQ(data_page_owner(page), 7u);

  struct Bad {
    const char* what;
    std::size_t offset;
    std::uint16_t value;
  };
  const Bad cases[] = {{"slot count past the page", kJet4Format.data_row_count_offset, 3000},
                       {"row starts inside the slot table", kJet4Format.data_row_count_offset + 2, 4},
                       {"rows out of order", kJet4Format.data_row_count_offset + 4, 4095}};
  for (const auto& c : cases) {
    Bytes broken = page;
    coding::put_u16(&broken[c.offset], c.value);
    expect_corruption([&] { decode_row_slots(broken, kJet4Format, 3); }, 3, c.what);
  }
  Bytes not_data = page;
  not_data[0] = 0x02;
  expect_corruption([&] { decode_row_slots(not_data, kJet4Format, 3); }, 3, "page type");
}

TEST(RowSlots, OverflowPointersAreFollowed) {
  const Bytes pointer = testing::le32(RowPointer{2, 0}.to_word());
  PageFileFixture f(kJet4Format, {filled_page(0),
                                  testing::data_page(kJet4Format, 9, {TestRow{pointer, kRowOverflowFlag}}),
                                  testing::data_page(kJet4Format, 9, {TestRow{{'o', 'k'}, kRowDeletedFlag}})});
  const LocatedRow row = resolve_row(f.cache(), kJet4Format, RowPointer{1, 0}, 0);
  EXPECT_EQ(row.page->number, 2u);
  EXPECT_EQ(std::string(row.bytes.begin(), row.bytes.end()), "ok");

  // A pointer to itself loops.
  PageFileFixture loop(kJet4Format, {filled_page(0), testing::data_page(kJet4Format, 9,
      {TestRow{testing::le32(RowPointer{1, 0}.to_word()), kRowOverflowFlag}})});
  expect_corruption([&] { resolve_row(loop.cache(), kJet4Format, RowPointer{1, 0}, 0); }, 1, "loop");
  expect_corruption([&] { locate_row(loop.cache(), kJet4Format, RowPointer{1, 5}, 1); }, 1,
                    "row past the slot table");
}

TEST(UsageMaps, InlineAndReferenceKinds) {
  Bytes inline_map = {kInlineUsageMap};
  const Bytes start = testing::le32(2);
  inline_map.insert(inline_map.end(), start.begin(), start.end());
  inline_map.insert(inline_map.end(), {0x05, 0x00, 0x01});  // pages 2, 4, 18
  Bytes map_page(kJet4Format.page_size, 0);
  map_page[0] = page_type::usage_map;
  map_page[1] = 0x01;
  map_page[4] = 0x0A;  // pages 1 and 3 of this map page's range
  const std::vector<Bytes> pages(40, filled_page(0));
  std::vector<Bytes> file = pages;
  file[5] = map_page;
  PageFileFixture f(kJet4Format, file);
  EXPECT_EQ(decode_usage_map(inline_map, f.cache(), kJet4Format, 1).pages,
            (std::vector<std::uint32_t>{2, 4, 18}));
  const Bytes reference = testing::concat({{kReferenceUsageMap}, testing::le32(5), testing::le32(0)});
  const UsageMap decoded = decode_usage_map(reference, f.cache(), kJet4Format, 1);
  EXPECT_EQ(decoded.kind, UsageMapKind::reference);
  EXPECT_EQ(decoded.pages, (std::vector<std::uint32_t>{1, 3}));

  struct Bad {
    const char* what;
    Bytes row;
    std::uint32_t page;
  };
  const Bad cases[] = {
      {"unknown map type", {0x07, 0, 0, 0, 0}, 1},
      {"bit past the end of the file", testing::concat({{kInlineUsageMap}, testing::le32(38), {0x0C}}), 1},
      {"reference to a page that is not a map", testing::concat({{kReferenceUsageMap}, testing::le32(6)}), 6},
      {"truncated inline map", {kInlineUsageMap, 1}, 1},
  };
  for (const auto& c : cases) {
    expect_corruption([&] { decode_usage_map(c.row, f.cache(), kJet4Format, 1); }, c.page, c.what);
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

TEST(LongValues, InlineSinglePageAndChains) {
  const Bytes link_to_second = testing::le32(RowPointer{2, 0}.to_word());
  PageFileFixture f(kJet4Format,
                    {filled_page(0),
                     testing::data_page(kJet4Format, kLvalMarker,
                                        {TestRow{{'o', 'n', 'e'}},
                                         TestRow{testing::concat({link_to_second, {'a', 'b', 'c'}})}}),
                     testing::data_page(kJet4Format, kLvalMarker,
                                        {TestRow{testing::concat({testing::le32(0), {'d', 'e'}})}})});
  struct Case {
    const char* what;
    Bytes ref;
    std::string value;
  };
  const Case cases[] = {
      {"inline", long_value_ref(2, kLongValueInline, {}, {'h', 'i'}), "hi"},
      {"single LVAL row", long_value_ref(3, kLongValueSinglePage, {1, 0}), "one"},
      {"chain over two pages", long_value_ref(5, kLongValueChain, {1, 1}), "abcde"},
      {"empty inline", long_value_ref(0, kLongValueInline, {}), ""},
  };
  for (const auto& c : cases) {
    const LongValueRef ref = decode_long_value_ref(c.ref, 7);
    const auto bytes = read_long_value(f.cache(), kJet4Format, ref, 7);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.value) << c.what;
  }

  const Case broken[] = {
      {"short reference", Bytes(5, 0), ""},
      {"unknown storage flag", long_value_ref(2, 0x20, {1, 0}), ""},
      {"inline longer than its field", long_value_ref(9, kLongValueInline, {}, {'x'}), ""},
      {"single row shorter than the length", long_value_ref(30, kLongValueSinglePage, {1, 0}), ""},
      {"chain ends early", long_value_ref(50, kLongValueChain, {1, 1}), ""},
  };
  for (const auto& c : broken) {
    try {
      read_long_value(f.cache(), kJet4Format, decode_long_value_ref(c.ref, 7), 7);
      ADD_FAILURE() << c.what;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::corruption) << c.what;
      EXPECT_TRUE(e.page().has_value()) << c.what;
    }
  }
}

}  // namespace
}  // namespace jet
