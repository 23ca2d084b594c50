// Index page decoding and encoding: every index page Access wrote in the
// samples, and damage (built here for both layouts) reported with the page.
#include <gtest/gtest.h>

#include "coding.h"
#include "index_test_util.h"
#include "jet/index.h"
#include "page_builder.h"
#include "sample_files.h"
#include "index_page.h"

namespace jet {
namespace {

using testing::Bytes;
using testing::entry;
using testing::index_page;

const IndexPageLayout* const kLayouts[] = {&kJet3IndexLayout, &kJet4IndexLayout};

// Up to the end of its entries: Access leaves stale bytes after them.
TEST(IndexPage, EverySampleIndexPageReencodesExactly) {
  JET_REQUIRE_SAMPLES();
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

TEST(IndexPage, DamageIsReportedWithThePage) {
  for (const IndexPageLayout* layout : kLayouts) {
    Bytes past_end = index_page(*layout, 0x04, {});
    past_end[layout->mask_offset + layout->mask_size - 1] = 0x80;
    Bytes short_page = index_page(*layout, 0x04, {});
    short_page.resize(layout->page_size - 1);
    const std::pair<const char*, Bytes> cases[] = {
        {"data page", index_page(*layout, 0x01, {})},
        {"zeroed page", Bytes(layout->page_size, 0)},
        {"entry without a row pointer", index_page(*layout, 0x04, {{0x7F, 0x01}})},
        {"node entry without a child", index_page(*layout, 0x03, {entry({0x7F}, 1, 1)})},
        {"prefix longer than the first entry", index_page(*layout, 0x04, {entry({0x7F}, 1, 1)}, 9)},
        {"mask past the page", past_end},
        {"short buffer", short_page},
    };
    for (const auto& [what, page] : cases) {
      testing::expect_corruption([&] { decode_index_page(page, *layout, 42); }, 42, what);
    }
  }
}

TEST(IndexPage, EncoderRefusesABadPrefixAndOverflow) {
  for (const IndexPageLayout* layout : kLayouts) {
    IndexPage page;
    page.entries = {{{0x7F, 0x10, 0x20}, {300, 1}, 40}, {{0x7F, 0x10, 0x21}, {301, 2}, 41}};
    EXPECT_EQ(longest_shared_prefix(page.entries, *layout), 2u);
    page.prefix_length = 3;  // more than the keys share
    EXPECT_THROW(encode_index_page(page, *layout), Error);
    page.prefix_length = 0;
    page.entries.assign(layout->page_size / 8, IndexEntry{{0x7F}, {1, 1}, 1});
    EXPECT_THROW(encode_index_page(page, *layout), Error);  // does not fit
  }
}

TEST(IndexPage, EntriesOrderByKeyThenRow) {
  const IndexEntry ordered[] = {{{0x7F, 0x01}, {5, 1}, 0}, {{0x7F, 0x01}, {5, 2}, 0},
                                {{0x7F, 0x01, 0x00}, {1, 0}, 0}, {{0x7F, 0x02}, {0, 0}, 0}};
  for (std::size_t i = 1; i < std::size(ordered); ++i) {
    EXPECT_LT(compare_entries(ordered[i - 1], ordered[i]), 0) << i;
    EXPECT_GT(compare_entries(ordered[i], ordered[0]), 0) << i;
  }
  EXPECT_EQ(compare_entries(ordered[3], ordered[3]), 0);
}

}  // namespace
}  // namespace jet
