// The index tree walk over small trees written to a temporary file: key
// order across a node, its entries' children and its tail page; damage
// (loops, broken leaf links, node keys, owners) reported and walked past.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "index_page_builder.h"
#include "index_walk.h"
#include "page_file.h"

namespace jet {
namespace {

using testing::build_page;
using testing::Bytes;
using testing::entry;
using testing::set_links;

constexpr std::uint32_t kOwner = 77;
const IndexPageLayout& kLayout = kJet4IndexLayout;

Bytes key(std::uint8_t value) { return {0x7F, 0x80, 0x00, 0x00, value}; }

// Page 0 unused; 1 a node over leaves 2 and 3 with leaf 4 as its tail.
std::vector<Bytes> sound_tree() {
  std::vector<Bytes> pages(5, Bytes(kLayout.page_size, 0));
  pages[1] = build_page(kLayout, 0x03,
                        {entry(key(2), 10, 1, 2, true), entry(key(4), 10, 3, 3, true)});
  set_links(pages[1], kLayout, 0, 0, 4);
  pages[2] = build_page(kLayout, 0x04, {entry(key(1), 10, 0), entry(key(2), 10, 1)});
  set_links(pages[2], kLayout, 0, 3);
  pages[3] = build_page(kLayout, 0x04, {entry(key(3), 10, 2), entry(key(4), 10, 3)});
  set_links(pages[3], kLayout, 2, 4);
  pages[4] = build_page(kLayout, 0x04, {entry(key(5), 10, 4)});
  set_links(pages[4], kLayout, 3, 0);
  return pages;
}

class IndexWalk : public ::testing::Test {
 protected:
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }

  // Walks the tree at page 1 of `pages`; returns the damage found.
  std::vector<Error> walk(const std::vector<Bytes>& pages, IndexTree* tree = nullptr) {
    {
      std::ofstream out(path_, std::ios::binary | std::ios::trunc);
      for (const Bytes& p : pages) out.write(reinterpret_cast<const char*>(p.data()), p.size());
    }
    PageFile file(path_.string(), PageFile::Mode::read_only);
    PageCache cache(file, kLayout.page_size);
    std::vector<Error> damage;
    IndexTree result = walk_index(cache, kLayout, 1, kOwner, [&](const Error& e) { damage.push_back(e); });
    if (tree) *tree = std::move(result);
    return damage;
  }

  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("index_walk_" + std::to_string(::getpid()) + ".mdb");
};

TEST_F(IndexWalk, VisitsEntriesChildrenAndTailInKeyOrder) {
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

TEST_F(IndexWalk, ReportsDamageAndGoesOn) {
  struct Case {
    const char* what;
    void (*damage)(std::vector<Bytes>&);
    std::uint32_t page;
    const char* expected;
  } cases[] = {
      {"leaf next link", [](auto& p) { set_links(p[3], kLayout, 2, 0); }, 3, "next leaf 4"},
      {"leaf prev link", [](auto& p) { set_links(p[4], kLayout, 2, 0); }, 4, "previous leaf 3"},
      {"loop back to the root",
       [](auto& p) { p[1] = build_page(kLayout, 0x03, {entry(key(2), 10, 1, 1, true)}); }, 1,
       "each page once"},
      {"node key differs from its child's last",
       [](auto& p) {
         p[1] = build_page(kLayout, 0x03, {entry(key(9), 10, 1, 2, true)});
         set_links(p[1], kLayout, 0, 0, 3);
       },
       1, "node entry equal"},
      {"leaf of another table",
       [](auto& p) {
         p[4] = build_page(kLayout, 0x04, {entry(key(5), 10, 4)}, 0, 99);
         set_links(p[4], kLayout, 3, 0);
       },
       4, "owner TDEF page 77"},
      {"child past the end",
       [](auto& p) {
         p[1] = build_page(kLayout, 0x03, {entry(key(2), 10, 1, 2, true)});
         set_links(p[1], kLayout, 0, 0, 40);
       },
       40, "a page below 5"},
      {"zeroed leaf", [](auto& p) { p[3] = Bytes(kLayout.page_size, 0); }, 3, "page type"},
  };
  for (const auto& c : cases) {
    std::vector<Bytes> pages = sound_tree();
    c.damage(pages);
    std::vector<Error> damage = walk(pages);
    bool named = std::any_of(damage.begin(), damage.end(), [&](const Error& e) {
      return e.page() == c.page && std::string(e.what()).find(c.expected) != std::string::npos;
    });
    std::string all;
    for (const auto& e : damage) all += std::string(e.what()) + "\n";
    EXPECT_TRUE(named) << c.what << ":\n" << all;
  }
}

TEST_F(IndexWalk, ReadEntriesThrowsTheFirstDamage) {
  std::vector<Bytes> pages = sound_tree();
  set_links(pages[3], kLayout, 2, 0);
  walk(pages);  // writes the file
  PageFile file(path_.string(), PageFile::Mode::read_only);
  PageCache cache(file, kLayout.page_size);
  EXPECT_THROW(read_index_entries(cache, kLayout, 1, kOwner), Error);
  EXPECT_THROW(read_index_entries(cache, kLayout, 0, kOwner), Error);  // not an index page
}

}  // namespace
}  // namespace jet
