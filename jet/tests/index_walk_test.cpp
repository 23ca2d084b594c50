// The index tree walk over small trees: key order across a node, its
// entries' children and its tail page; damage (loops, broken leaf links,
// node keys, owners) reported and walked past.
#include "index_walk.h"

#include <gtest/gtest.h>

#include "page_builder.h"
#include "index_page.h"

namespace jet {
namespace {

using testing::Bytes;
using testing::entry;

constexpr std::uint32_t kOwner = 77;
const IndexPageLayout& kLayout = kJet4IndexLayout;

Bytes key(std::uint8_t value) { return {0x7F, 0x80, 0x00, 0x00, value}; }
Bytes leaf(std::vector<Bytes> entries, std::uint32_t prev, std::uint32_t next, std::uint32_t owner = kOwner) {
  return testing::index_page(kLayout, 0x04, entries, 0, owner, {prev, next, 0});
}
Bytes node(std::vector<Bytes> entries, std::uint32_t tail) {
  return testing::index_page(kLayout, 0x03, entries, 0, kOwner, {0, 0, tail});
}

// Page 0 unused; 1 a node over leaves 2 and 3 with leaf 4 as its tail.
std::vector<Bytes> sound_tree() {
  return {Bytes{}, node({entry(key(2), 10, 1, 2, true), entry(key(4), 10, 3, 3, true)}, 4),
          leaf({entry(key(1), 10, 0), entry(key(2), 10, 1)}, 0, 3),
          leaf({entry(key(3), 10, 2), entry(key(4), 10, 3)}, 2, 4), leaf({entry(key(5), 10, 4)}, 3, 0)};
}

// Walks the tree at page 1 of `pages`; returns the damage found.
std::vector<Error> walk(const std::vector<Bytes>& pages, IndexTree* tree = nullptr) {
  testing::PageFileFixture f(kJet4Format, pages);
  std::vector<Error> damage;
  IndexTree result = walk_index(f.cache(), kLayout, 1, kOwner, [&](const Error& e) { damage.push_back(e); });
  if (tree) *tree = std::move(result);
  return damage;
}

TEST(IndexWalk, VisitsEntriesChildrenAndTailInKeyOrder) {
  IndexTree tree;
  EXPECT_TRUE(walk(sound_tree(), &tree).empty());
  ASSERT_EQ(tree.entries.size(), 5u);
  for (std::uint8_t i = 0; i < 5; ++i) {
    EXPECT_EQ(tree.entries[i].key, key(i + 1));
    EXPECT_EQ(tree.entries[i].row.row, i);
  }
  EXPECT_EQ(tree.entry_pages, (std::vector<std::uint32_t>{2, 2, 3, 3, 4}));
  EXPECT_EQ(tree.pages, (std::vector<std::uint32_t>{1, 2, 3, 4}));
}

TEST(IndexWalk, ReportsDamageAndGoesOn) {
  struct Case {
    const char* what;
    std::size_t at;
    Bytes page;
    std::uint32_t named;
    const char* expected;
  } const cases[] = {
      {"leaf next link", 3, leaf({entry(key(3), 10, 2), entry(key(4), 10, 3)}, 2, 0), 3, "next leaf 4"},
      {"leaf prev link", 4, leaf({entry(key(5), 10, 4)}, 2, 0), 4, "previous leaf 3"},
      {"loop back to the root", 1, node({entry(key(2), 10, 1, 1, true)}, 0), 1, "each page once"},
      {"node key differs from its child's last", 1, node({entry(key(9), 10, 1, 2, true)}, 3), 1,
       "node entry equal"},
      {"leaf of another table", 4, leaf({entry(key(5), 10, 4)}, 3, 0, 99), 4, "owner TDEF page 77"},
      {"child past the end", 1, node({entry(key(2), 10, 1, 2, true)}, 40), 40, "a page below 5"},
      {"zeroed leaf", 3, Bytes(kLayout.page_size, 0), 3, "page type"},
  };
  for (const auto& c : cases) {
    std::vector<Bytes> pages = sound_tree();
    pages[c.at] = c.page;
    std::string all;
    bool named = false;
    for (const Error& e : walk(pages)) {
      all += std::string(e.what()) + "\n";
      named |= e.page() == c.named && std::string(e.what()).find(c.expected) != std::string::npos;
    }
    EXPECT_TRUE(named) << c.what << ":\n" << all;
  }
}

TEST(IndexWalk, ReadEntriesThrowsTheFirstDamage) {
  std::vector<Bytes> pages = sound_tree();
  pages[3] = leaf({entry(key(3), 10, 2), entry(key(4), 10, 3)}, 2, 0);
  testing::PageFileFixture f(kJet4Format, pages);
  EXPECT_THROW(read_index_entries(f.cache(), kLayout, 1, kOwner), Error);
  EXPECT_THROW(read_index_entries(f.cache(), kLayout, 0, kOwner), Error);  // not an index page
}

}  // namespace
}  // namespace jet
