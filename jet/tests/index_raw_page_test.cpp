// Index pages searched and edited in their stored form must agree with the
// decoder and encoder: the same order, and a leaf insert that gives the
// bytes encoding the decoded entries plus the new one would give.
#include "index_raw_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "coding.h"
#include "index_fill.h"
#include "index_page.h"

namespace jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

PageRef as_page(Bytes bytes) { return std::make_shared<Page>(Page{7, std::move(bytes)}); }

bool before(const IndexEntry& a, const IndexEntry& b) { return compare_entries(a, b) < 0; }

// Keys over a small alphabet and lengths, so pages share prefixes, repeat
// keys and hold keys that are prefixes of others.
IndexEntry random_entry(std::mt19937& rng, std::size_t max_key) {
  IndexEntry e;
  e.key.assign(1 + rng() % max_key, 0);
  e.key[0] = 0x7F;
  for (std::size_t i = 1; i < e.key.size(); ++i) e.key[i] = std::uint8_t(0x60 + rng() % 3);
  e.row = RowPointer{std::uint32_t(rng() % 4), std::uint8_t(rng() % 3)};
  return e;
}

Bytes encode_with_longest_prefix(IndexPage page, const IndexPageLayout& layout) {
  page.prefix_length = std::uint16_t(longest_shared_prefix(page.entries, layout));
  return encode_index_page(page, layout);
}

// Up to `most` distinct random entries, in order. Node entries point to
// children 1000, 1001, ...
std::vector<IndexEntry> random_entries(std::mt19937& rng, std::size_t most, bool leaf) {
  std::vector<IndexEntry> entries;
  for (std::size_t i = 0, n = rng() % (most + 1); i < n; ++i) entries.push_back(random_entry(rng, 40));
  std::sort(entries.begin(), entries.end(), before);
  entries.erase(std::unique(entries.begin(), entries.end(),
                            [](const IndexEntry& a, const IndexEntry& b) { return compare_entries(a, b) == 0; }),
                entries.end());
  for (std::size_t i = 0; i < entries.size() && !leaf; ++i) entries[i].child_page = 1000 + std::uint32_t(i);
  return entries;
}

// An edit in stored form (`fitted`, `out`) must agree with encoding the
// decoded page so edited (`after`).
void expect_as_encoded(bool fitted, const Bytes& out, const IndexPage& after, const IndexPageLayout& layout) {
  EXPECT_EQ(fitted, index_fill::fits(after, layout));
  if (fitted) {
    EXPECT_EQ(out, encode_with_longest_prefix(after, layout));
  }
}

TEST(RawIndexPage, SearchAndLeafInsertAgreeWithTheCodec) {
  std::mt19937 rng(17);
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    const IndexPageLayout& layout = IndexPageLayout::of(version);
    for (int round = 0; round < 300; ++round) {
      IndexPage page;
      page.leaf = true;
      page.owner = 2;
      page.prev_page = 5;
      page.next_page = round % 2 ? 9 : 0;
      page.entries = random_entries(rng, 59, true);
      if (!index_fill::fits(page, layout)) continue;
      RawIndexPage raw(layout);
      raw.load(as_page(encode_with_longest_prefix(page, layout)), 7);
      ASSERT_EQ(raw.count(), page.entries.size());
      ASSERT_TRUE(raw.leaf());

      for (int probe_round = 0; probe_round < 8; ++probe_round) {
        const IndexEntry probe = random_entry(rng, 40);
        const std::size_t slot = raw.lower_bound(probe.key, probe.row);
        const auto expected = std::lower_bound(page.entries.begin(), page.entries.end(), probe, before);
        ASSERT_EQ(slot, std::size_t(expected - page.entries.begin()));
        const bool present = slot < raw.count() && raw.compare(slot, probe.key, probe.row) == 0;
        if (present) continue;
        IndexPage after = page;
        after.entries.insert(after.entries.begin() + std::ptrdiff_t(slot), probe);
        Bytes out;
        SCOPED_TRACE(round);
        const RawIndexPage::Edit edit = raw.with_leaf_entry(slot, probe.key, probe.row, out);
        expect_as_encoded(edit != RawIndexPage::Edit::no_room, out, after, layout);
        if (edit != RawIndexPage::Edit::shifted) continue;
        // Followed without reading its ends again, the page reads as loaded.
        RawIndexPage followed = raw;
        followed.follow_shift(as_page(out), slot, probe.key.size());
        ASSERT_EQ(followed.count(), after.entries.size());
        for (std::size_t i = 0; i < after.entries.size(); ++i) {
          ASSERT_EQ(followed.compare(i, after.entries[i].key, after.entries[i].row), 0) << i;
        }
      }
    }
  }
}

// A node entry that takes a new last key of its subtree: the page rebuilt
// in its stored form equals the encoding of the decoded page so changed.
TEST(RawIndexPage, ReplacedNodeEntryAgreesWithTheCodec) {
  std::mt19937 rng(29);
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    const IndexPageLayout& layout = IndexPageLayout::of(version);
    for (int round = 0; round < 300; ++round) {
      IndexPage page;
      page.leaf = round % 3 == 0;
      page.owner = 2;
      page.tail_page = page.leaf ? 0 : 77;
      page.entries = random_entries(rng, 50, page.leaf);
      if (page.entries.empty() || !index_fill::fits(page, layout)) continue;
      RawIndexPage raw(layout);
      raw.load(as_page(encode_with_longest_prefix(page, layout)), 7);
      const IndexEntry probe = random_entry(rng, 40);
      std::size_t slot = raw.lower_bound(probe.key, probe.row);
      if (slot == raw.count()) --slot;  // beyond all: the last entry grows
      else if (raw.compare(slot, probe.key, probe.row) == 0) continue;
      IndexPage after = page;
      after.entries[slot].key = probe.key;
      after.entries[slot].row = probe.row;
      Bytes out;
      SCOPED_TRACE(round);
      expect_as_encoded(raw.with_entry_replaced(slot, probe.key, probe.row, out), out, after, layout);
    }
  }
}

// A full leaf cut in two in stored form, also before a new last entry: each
// half equals the encoding of its decoded entries, at the cut the decoded
// split chooses; and a node taking an entry for the new half agrees with
// the codec too.
TEST(RawIndexPage, SplitAndNodeInsertAgreeWithTheCodec) {
  std::mt19937 rng(41);
  int splits = 0, appended_splits = 0;
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    const IndexPageLayout& layout = IndexPageLayout::of(version);
    for (int round = 0; round < 200; ++round) {
      IndexPage page;
      page.leaf = round % 4 != 0;
      page.owner = 2;
      page.prev_page = 5;
      page.next_page = 9;
      page.tail_page = page.leaf ? 0 : 77;
      page.entries = random_entries(rng, 260, page.leaf);
      while (!page.entries.empty() && !index_fill::fits(page, layout)) page.entries.pop_back();
      RawIndexPage raw(layout);
      raw.load(as_page(encode_with_longest_prefix(page, layout)), 7);
      IndexEntry probe = random_entry(rng, 40);
      if (round % 3 == 0 && !page.entries.empty()) {  // past every entry: added in key order
        probe = page.entries.back();
        probe.key.push_back(0x61);
      }
      const std::size_t slot = raw.lower_bound(probe.key, probe.row);
      if (slot < raw.count() && raw.compare(slot, probe.key, probe.row) == 0) continue;
      IndexPage after = page;
      after.entries.insert(after.entries.begin() + std::ptrdiff_t(slot), probe);
      SCOPED_TRACE(round);
      Bytes out;
      if (!page.leaf) {
        probe.child_page = 4321;
        after.entries[slot].child_page = 4321;
        expect_as_encoded(raw.with_node_entry(slot, probe.key, probe.row, 4321, out), out, after, layout);
        continue;
      }
      if (index_fill::fits(after, layout)) continue;
      Bytes left, right;
      const bool appended = slot == raw.count() && round % 3 == 0;
      const std::size_t cut = raw.split_with_leaf_entry(slot, probe.key, probe.row, appended, left, right);
      const std::vector<std::size_t> cuts = index_fill::cut_points(after.entries, true, layout, appended);
      if (cuts.size() != 1) {
        EXPECT_EQ(cut, 0u);
        continue;
      }
      ASSERT_EQ(cut, cuts[0]);
      ++splits;
      appended_splits += appended;
      IndexPage first = after, second = after;
      first.entries.assign(after.entries.begin(), after.entries.begin() + std::ptrdiff_t(cut));
      second.entries.assign(after.entries.begin() + std::ptrdiff_t(cut), after.entries.end());
      EXPECT_EQ(left, encode_with_longest_prefix(first, layout));
      EXPECT_EQ(right, encode_with_longest_prefix(second, layout));
      for (std::size_t i = 0; i < page.entries.size(); ++i) {
        ASSERT_EQ(raw.key_of(i), page.entries[i].key) << i;
        ASSERT_EQ(raw.row_of(i), page.entries[i].row) << i;
      }
    }
  }
  EXPECT_GT(splits, 50);
  EXPECT_GT(appended_splits, 10);
}

// Access may let the shared prefix run into the row pointers of entries
// with one key on one data page; the search and the rebuilt page must see
// whole entries all the same.
TEST(RawIndexPage, PrefixReachingIntoRowPointers) {
  const IndexPageLayout& layout = kJet4IndexLayout;
  const Bytes key = {0x7F, 0x41, 0x42};
  IndexPage page;
  page.leaf = true;
  page.owner = 2;
  for (std::uint8_t r = 1; r <= 4; ++r) page.entries.push_back(IndexEntry{key, RowPointer{0x0102, r}, 0});
  // Stored by hand: the first entry whole, the others only their row byte.
  Bytes bytes = encode_index_page(page, layout);
  std::fill(bytes.begin() + layout.mask_offset, bytes.end(), 0);
  const Bytes area = {0x7F, 0x41, 0x42, 0x00, 0x01, 0x02, 0x01, 0x02, 0x03, 0x04};
  std::copy(area.begin(), area.end(), bytes.begin() + layout.entries_offset());
  for (std::size_t end : {7, 8, 9, 10}) bytes[layout.mask_offset + end / 8] |= std::uint8_t(1u << (end % 8));
  coding::put_u16(bytes.data() + layout.prefix_length_offset, 6);
  ASSERT_EQ(decode_index_page(bytes, layout, 7).entries.size(), 4u);

  RawIndexPage raw(layout);
  raw.load(as_page(bytes), 7);
  EXPECT_EQ(raw.lower_bound(key, RowPointer{0x0102, 3}), 2u);
  EXPECT_EQ(raw.compare(3, key, RowPointer{0x0102, 4}), 0);
  EXPECT_TRUE(raw.key_equals(0, key));
  EXPECT_TRUE(raw.key_equals(2, key));
  Bytes out;
  ASSERT_NE(raw.with_leaf_entry(4, key, RowPointer{0x0102, 5}, out), RawIndexPage::Edit::no_room);
  page.entries.push_back(IndexEntry{key, RowPointer{0x0102, 5}, 0});
  EXPECT_EQ(out, encode_with_longest_prefix(page, layout));
}

TEST(RawIndexPage, DamageIsNamed) {
  const IndexPageLayout& layout = kJet3IndexLayout;
  IndexPage page;
  page.leaf = true;
  page.entries.push_back(IndexEntry{{0x7F, 1}, RowPointer{3, 0}, 0});
  const Bytes good = encode_index_page(page, layout);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  } const cases[] = {
      {"page type", 0, 0x01},
      {"prefix longer than the first entry", layout.prefix_length_offset, 9},
      {"entry too short", layout.mask_offset, 0x02},
      {"entry past the page", layout.mask_offset + layout.mask_size - 1, 0x80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bad = good;
    bad[c.at] = c.value;
    RawIndexPage raw(layout);
    try {
      raw.load(as_page(bad), 7);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::corruption);
      EXPECT_EQ(e.page(), 7u);
    }
  }
}

}  // namespace
}  // namespace jet
