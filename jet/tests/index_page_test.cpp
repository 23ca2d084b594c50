// Index page decoding on pages built here for both layouts: entry
// boundaries from the bitmask, the shared prefix, node child pointers, and
// damage reported with the page number.
#include <gtest/gtest.h>

#include "coding.h"
#include "jet/error.h"
#include "jet/index.h"
#include "index_page_builder.h"
#include "index_test_util.h"
#include "sample_files.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::build_page;
using testing::entry;

const IndexPageLayout* const kLayouts[] = {&kJet3IndexLayout, &kJet4IndexLayout};

TEST(IndexPage, DecodesLeafEntriesAndHeader) {
  for (const IndexPageLayout* layout : kLayouts) {
    std::vector<Bytes> stored = {entry({0x7F, 0x80, 0x00, 0x00, 0x01}, 261, 3),
                                 entry({0x7F, 0x80, 0x00, 0x00, 0x02}, 261, 4),
                                 entry({0x00}, 0x123456, 255)};
    IndexPage page = decode_index_page(build_page(*layout, 0x04, stored), *layout, 9);
    EXPECT_TRUE(page.leaf);
    EXPECT_EQ(page.number, 9u);
    EXPECT_EQ(page.owner, 77u);
    EXPECT_EQ(page.prev_page, 5u);
    EXPECT_EQ(page.next_page, 6u);
    EXPECT_EQ(page.tail_page, 7u);
    ASSERT_EQ(page.entries.size(), 3u);
    EXPECT_EQ(key_to_hex(page.entries[1].key), "7F 80 00 00 02");
    EXPECT_EQ(page.entries[1].row, (RowPointer{261, 4}));
    EXPECT_EQ(page.entries[2].row, (RowPointer{0x123456, 255}));
    EXPECT_EQ(page.entries[2].child_page, 0u);
  }
}

TEST(IndexPage, RestoresTheSharedPrefix) {
  for (const IndexPageLayout* layout : kLayouts) {
    // Four shared bytes: later entries store only the last key byte onward.
    std::vector<Bytes> stored = {entry({0x7F, 0x00, 0x00, 0x00, 0x01}, 261, 3), entry({0x02}, 261, 4),
                                 entry({0x03}, 262, 0)};
    IndexPage page = decode_index_page(build_page(*layout, 0x04, stored, 4), *layout, 9);
    ASSERT_EQ(page.entries.size(), 3u);
    EXPECT_EQ(key_to_hex(page.entries[1].key), "7F 00 00 00 02");
    EXPECT_EQ(key_to_hex(page.entries[2].key), "7F 00 00 00 03");
    EXPECT_EQ(page.entries[2].row, (RowPointer{262, 0}));
  }
}

TEST(IndexPage, NodeEntriesCarryTheirChildPage) {
  for (const IndexPageLayout* layout : kLayouts) {
    std::vector<Bytes> stored = {entry({0x7F, 0x41}, 10, 1, 300, true),
                                 entry({0x7F, 0x42}, 11, 2, 301, true)};
    IndexPage page = decode_index_page(build_page(*layout, 0x03, stored), *layout, 9);
    EXPECT_FALSE(page.leaf);
    ASSERT_EQ(page.entries.size(), 2u);
    EXPECT_EQ(page.entries[0].child_page, 300u);
    EXPECT_EQ(page.entries[1].child_page, 301u);
    EXPECT_EQ(key_to_hex(page.entries[1].key), "7F 42");
  }
}

TEST(IndexPage, EmptyLeafHasNoEntries) {
  for (const IndexPageLayout* layout : kLayouts) {
    EXPECT_TRUE(decode_index_page(build_page(*layout, 0x04, {}), *layout, 3).entries.empty());
  }
}

TEST(IndexPage, DamageIsReportedWithThePage) {
  for (const IndexPageLayout* layout : kLayouts) {
    struct Case {
      const char* what;
      Bytes page;
    };
    Bytes past_end = build_page(*layout, 0x04, {});
    past_end[layout->mask_offset + layout->mask_size - 1] = 0x80;  // ends past the page
    Bytes short_page = build_page(*layout, 0x04, {});
    short_page.resize(layout->page_size - 1);
    Case cases[] = {
        {"data page", build_page(*layout, 0x01, {})},
        {"zeroed page", Bytes(layout->page_size, 0)},
        {"entry without a row pointer", build_page(*layout, 0x04, {{0x7F, 0x01}})},
        {"node entry without a child", build_page(*layout, 0x03, {entry({0x7F}, 1, 1)})},
        {"prefix longer than the first entry", build_page(*layout, 0x04, {entry({0x7F}, 1, 1)}, 9)},
        {"mask past the page", past_end},
        {"short buffer", short_page},
    };
    for (const auto& c : cases) {
      try {
        decode_index_page(c.page, *layout, 42);
        ADD_FAILURE() << c.what << ": no error";
      } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::corruption) << c.what;
        EXPECT_EQ(e.page(), 42u) << c.what;
      }
    }
  }
}

TEST(IndexPage, EncodeThenDecodeGivesThePageBack) {
  for (const IndexPageLayout* layout : kLayouts) {
    IndexPage page;
    page.leaf = false;
    page.owner = 12;
    page.prev_page = 3;
    page.next_page = 4;
    page.tail_page = 9;
    page.entries = {{{0x7F, 0x10, 0x20}, {300, 1}, 40}, {{0x7F, 0x10, 0x21}, {301, 2}, 41}};
    page.prefix_length = std::uint16_t(longest_shared_prefix(page.entries, *layout));
    EXPECT_EQ(page.prefix_length, 2);
    IndexPage back = decode_index_page(encode_index_page(page, *layout), *layout, 5);
    EXPECT_EQ(back.leaf, page.leaf);
    EXPECT_EQ(back.owner, 12u);
    EXPECT_EQ(back.tail_page, 9u);
    EXPECT_EQ(back.prefix_length, 2);
    EXPECT_EQ(back.free_space, layout->page_size - layout->entries_offset() - (11 + 9));
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries[1].key, page.entries[1].key);
    EXPECT_EQ(back.entries[1].row, page.entries[1].row);
    EXPECT_EQ(back.entries[1].child_page, 41u);

    page.prefix_length = 3;  // more than the keys share
    EXPECT_THROW(encode_index_page(page, *layout), Error);
    page.prefix_length = 0;
    page.entries.assign(layout->page_size / 8, IndexEntry{{0x7F}, {1, 1}, 1});
    EXPECT_THROW(encode_index_page(page, *layout), Error);  // does not fit
  }
}

// Every index page Access wrote re-encodes to the same bytes (up to the end
// of its entries; Access leaves stale bytes after them).
TEST(IndexPage, EverySampleIndexPageReencodesExactly) {
  if (testing::samples_dir().empty()) GTEST_SKIP() << "reference samples absent";
  std::size_t pages = 0;
  for (const auto& path : testing::sample_files()) {
    testing::OpenSample s(path);
    const IndexPageLayout& layout = IndexPageLayout::of(s.format.version);
    for (std::uint32_t number = 1; number < s.pages.page_count(); ++number) {
      PageRef page = s.pages.get(number);
      if (page->bytes[0] != 0x03 && page->bytes[0] != 0x04) continue;
      Bytes again = encode_index_page(decode_index_page(page->view(), layout, number), layout);
      std::size_t used = layout.page_size - coding::get_u16(again.data() + 2);
      EXPECT_TRUE(std::equal(again.begin(), again.begin() + used, page->bytes.begin()))
          << path.filename() << " page " << number;
      ++pages;
    }
  }
  EXPECT_GT(pages, 300u);
}

TEST(IndexPage, EntriesOrderByKeyThenRow) {
  IndexEntry a{{0x7F, 0x01}, {5, 1}, 0};
  IndexEntry b{{0x7F, 0x01}, {5, 2}, 0};
  IndexEntry c{{0x7F, 0x01, 0x00}, {1, 0}, 0};
  IndexEntry d{{0x7F, 0x02}, {0, 0}, 0};
  EXPECT_LT(compare_entries(a, b), 0);
  EXPECT_LT(compare_entries(b, c), 0);
  EXPECT_LT(compare_entries(c, d), 0);
  EXPECT_EQ(compare_entries(d, d), 0);
  EXPECT_GT(compare_entries(d, a), 0);
}

}  // namespace
}  // namespace jet
