// The index writer over pages in memory: many entries in random and in key
// order, of both versions, checked by the reader's walk and the checker's
// index check (shape, links, order, every row once, keys as encoded).
#include "index_writer.h"

#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <map>
#include <functional>
#include <random>

#include "check_context.h"
#include "index_walk.h"
#include "page_builder.h"
#include "index_page.h"

namespace jet {
namespace {

using testing::Bytes;

constexpr std::uint32_t kOwner = 2;
constexpr std::uint32_t kRoot = 3;

// Pages in memory; page numbers below kRoot stand for the file's others.
class MemoryStore : public IndexPageStore {
 public:
  explicit MemoryStore(JetVersion version) : version_(version) {
    for (std::uint32_t i = 0; i < kRoot; ++i) pages_.push_back(page_of(Bytes(page_size(), 0)));
    pages_.push_back(page_of(empty_index_root(version, kOwner)));
  }
  JetVersion version() const override { return version_; }
  // Pages are shared with their readers, as the page cache shares them.
  PageRef read_page(std::uint32_t number) override { return pages_.at(number); }
  void write_page(std::uint32_t number, std::span<const std::uint8_t> bytes) override {
    EXPECT_EQ(bytes.size(), page_size());
    pages_.at(number)->bytes.assign(bytes.begin(), bytes.end());
  }
  std::shared_ptr<Page> change_page(std::uint32_t number) override { return pages_.at(number); }
  std::uint32_t allocate_index_page() override {
    if (pages_.size() >= page_limit) throw Error::io("no room for another page");
    pages_.push_back(page_of(Bytes(page_size(), 0xEE)));  // never read before written
    return std::uint32_t(pages_.size() - 1);
  }

  std::uint32_t page_size() const { return IndexPageLayout::of(version_).page_size; }
  std::vector<Bytes> pages() const {
    std::vector<Bytes> out;
    for (const auto& page : pages_) out.push_back(page->bytes);
    return out;
  }
  std::vector<std::uint32_t> index_pages() const {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = kRoot; i < pages_.size(); ++i) out.push_back(i);
    return out;
  }
  std::size_t page_limit = SIZE_MAX;

 private:
  static std::shared_ptr<Page> page_of(Bytes bytes) { return std::make_shared<Page>(Page{0, std::move(bytes)}); }

  JetVersion version_;
  std::vector<std::shared_ptr<Page>> pages_;
};

const Format& format_of(JetVersion v) { return v == JetVersion::jet3 ? kJet3Format : kJet4Format; }

ColumnDef column(std::uint16_t number, ColumnType type, const char* name) {
  ColumnDef c;
  c.number = number;
  c.type = type;
  c.name = name;
  c.flags = column_flag::nullable;
  c.sort_order = 0x409;
  c.code_page = 1252;
  return c;
}

// A table of (text, long) rows with an index over text ascending and the
// long descending.
TableDef table_with_index(std::uint8_t flags) {
  TableDef t;
  t.name = "T";
  t.tdef_page = kOwner;
  t.columns = {column(0, ColumnType::text, "Name"), column(1, ColumnType::long_integer, "N")};
  RealIndexDef index;
  index.columns = {{0, true}, {1, false}};
  index.first_page = kRoot;
  index.flags = flags;
  t.real_indexes.push_back(index);
  return t;
}

// Rows with repeated names, accents, a sharp s, nulls in both columns.
std::vector<check_detail::LiveRow> random_rows(std::size_t count, std::uint32_t seed) {
  static const char* kWords[] = {"alpha", "Beta", "gamma", "Straße", "été", "x-ray", "",
                                 "zulu", "Ærø", "naïve", "O'Neil", "Zürich"};
  std::mt19937 rng(seed);
  std::vector<check_detail::LiveRow> rows(count);
  for (std::size_t i = 0; i < count; ++i) {
    rows[i].pointer = RowPointer{std::uint32_t(100 + i / 200), std::uint8_t(i % 200)};
    Value name = Null{};
    if (rng() % 16) {
      name = std::string(kWords[rng() % std::size(kWords)]) + " " + std::to_string(rng() % 5000);
    }
    Value n = rng() % 10 ? Value(std::int32_t(rng() % 1000) - 500) : Value(Null{});
    rows[i].values = {name, n};
  }
  return rows;
}

struct Built {
  std::unique_ptr<MemoryStore> store;
  std::vector<IndexEntry> entries;  // as the reader's walk finds them
  std::size_t depth = 0;
  std::vector<Fault> faults;
};

// Checks the sibling links of every node's children: children of one node
// link to each other in order; the outer links of node children are 0
// (leaves link across parents, which the reader's walk checks).
void expect_sibling_links(MemoryStore& store, const IndexPageLayout& layout) {
  for (std::uint32_t n : store.index_pages()) {
    IndexPage p = decode_index_page(store.pages()[n], layout, n);
    if (p.leaf) continue;
    std::vector<IndexPage> children;
    for (const IndexEntry& e : p.entries) children.push_back(decode_index_page(store.pages()[e.child_page], layout, e.child_page));
    if (p.tail_page) children.push_back(decode_index_page(store.pages()[p.tail_page], layout, p.tail_page));
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (i > 0) { EXPECT_EQ(children[i].prev_page, children[i - 1].number) << "node " << n; }
      if (i + 1 < children.size()) { EXPECT_EQ(children[i].next_page, children[i + 1].number) << "node " << n; }
    }
    if (children.front().leaf) continue;
    EXPECT_EQ(children.front().prev_page, 0u) << "node " << n;
    EXPECT_EQ(children.back().next_page, 0u) << "node " << n;
  }
}

// The leftmost leaf.
std::uint32_t first_leaf(MemoryStore& store, const IndexPageLayout& layout) {
  std::uint32_t n = kRoot;
  IndexPage p = decode_index_page(store.pages()[n], layout, n);
  while (!p.leaf) {
    n = p.entries.empty() ? p.tail_page : p.entries.front().child_page;
    p = decode_index_page(store.pages()[n], layout, n);
  }
  return n;
}

// Levels from the root down to the first leaf.
std::size_t depth_of(MemoryStore& store, const IndexPageLayout& layout) {
  std::size_t depth = 1;
  IndexPage p = decode_index_page(store.pages()[kRoot], layout, kRoot);
  while (!p.leaf) {
    std::uint32_t child = p.entries.empty() ? p.tail_page : p.entries.front().child_page;
    p = decode_index_page(store.pages()[child], layout, child);
    ++depth;
  }
  return depth;
}

// Inserts every row's key in the rows' order and checks the tree.
Built build_and_check(JetVersion version, const TableDef& table,
                      const std::vector<check_detail::LiveRow>& rows) {
  Built out;
  out.store = std::make_unique<MemoryStore>(version);
  const RealIndexDef& index = table.real_indexes[0];
  {
    IndexWriter writer(*out.store, kRoot, kOwner);
    for (const auto& row : rows) writer.insert(make_index_key(table, index, row.values, version), row.pointer);
  }
  const IndexPageLayout& layout = IndexPageLayout::of(version);
  out.depth = depth_of(*out.store, layout);
  expect_sibling_links(*out.store, layout);
  testing::PageFileFixture file(format_of(version), out.store->pages(), 64);
  check_detail::CheckContext ctx(file.cache(), format_of(version));
  check_detail::ExpectedEntries expected(table, index, version);
  for (const auto& row : rows) expected.add(row);
  expected.seal();
  check_detail::check_index(ctx, table, index, expected, out.store->index_pages());
  out.faults = std::move(ctx.faults);
  out.entries = read_index_entries(file.cache(), layout, kRoot, kOwner);
  return out;
}

std::string first_faults(const std::vector<Fault>& faults) {
  std::string text;
  for (std::size_t i = 0; i < faults.size() && i < 5; ++i) text += faults[i].message + "\n";
  return text;
}

TEST(IndexWriter, RandomOrderBuildsADeepSoundTreeInBothVersions) {
  struct Case {
    JetVersion version;
    std::size_t rows;
    std::size_t min_depth;
  };
  for (const Case& c : {Case{JetVersion::jet4, 120000, 3}, Case{JetVersion::jet3, 80000, 3}}) {
    SCOPED_TRACE(c.version == JetVersion::jet3 ? "Jet 3" : "Jet 4");
    TableDef table = table_with_index(0);
    auto rows = random_rows(c.rows, 7);
    Built built = build_and_check(c.version, table, rows);
    EXPECT_TRUE(built.faults.empty()) << first_faults(built.faults);
    EXPECT_EQ(built.entries.size(), rows.size());
    EXPECT_GE(built.depth, c.min_depth);
  }
}

// Keys of 255 characters leave a few entries per page: a tree of five and
// more levels, whose node levels link only under their parent.
TEST(IndexWriter, LongKeysMakeATallTree) {
  TableDef table = table_with_index(0);
  auto rows = random_rows(3000, 5);
  std::mt19937 rng(3);
  for (auto& row : rows) {
    std::string text(255, 'a');
    for (char& ch : text) ch = char('a' + rng() % 3);
    row.values[0] = text;
  }
  Built built = build_and_check(JetVersion::jet3, table, rows);
  EXPECT_TRUE(built.faults.empty()) << first_faults(built.faults);
  EXPECT_GE(built.depth, 5u);
}

TEST(IndexWriter, KeyOrderFillsPagesAndKeepsTheRoot) {
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    TableDef table = table_with_index(index_flag::unique);
    table.real_indexes[0].columns = {{1, true}};
    std::vector<check_detail::LiveRow> rows(20000);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      rows[i].pointer = RowPointer{std::uint32_t(100 + i / 100), std::uint8_t(i % 100)};
      rows[i].values = {Value(Null{}), Value(std::int32_t(i))};
    }
    Built built = build_and_check(version, table, rows);
    EXPECT_TRUE(built.faults.empty()) << first_faults(built.faults);
    EXPECT_GE(built.depth, 2u);
    // Every leaf but the last is nearly full.
    const IndexPageLayout& layout = IndexPageLayout::of(version);
    std::size_t leaves = 0, roomy = 0;
    for (std::uint32_t n : built.store->index_pages()) {
      IndexPage p = decode_index_page(built.store->pages()[n], layout, n);
      if (!p.leaf) continue;
      ++leaves;
      if (p.next_page != 0 && p.free_space > 16) ++roomy;
    }
    EXPECT_EQ(roomy, 0u) << leaves << " leaves";
  }
}

// Few keys, many rows each, added in row order (a code column of a big
// table): each key's run grows at its end, which often ends a leaf, so the
// node entries above follow its new last entry.
TEST(IndexWriter, ManyRowsPerKeyInRowOrder) {
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    SCOPED_TRACE(version == JetVersion::jet3 ? "Jet 3" : "Jet 4");
    TableDef table = table_with_index(0);
    table.real_indexes[0].columns = {{0, true}};
    std::vector<check_detail::LiveRow> rows(40000);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      rows[i].pointer = RowPointer{std::uint32_t(100 + i / 50), std::uint8_t(i % 50)};
      rows[i].values = {Value(std::string("C") + std::to_string(1000 + (i * 7) % 40)), Value(Null{})};
    }
    Built built = build_and_check(version, table, rows);
    EXPECT_TRUE(built.faults.empty()) << first_faults(built.faults);
    EXPECT_EQ(built.entries.size(), rows.size());
    EXPECT_GE(built.depth, 2u);
  }
}

// Keys mostly in order, now and then one that steps back or repeats the
// last key for a later row: the way down kept for entries after the last
// one must never take an entry that belongs elsewhere.
TEST(IndexWriter, KeysInOrderWithStepsBack) {
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    SCOPED_TRACE(version == JetVersion::jet3 ? "Jet 3" : "Jet 4");
    TableDef table = table_with_index(0);
    table.real_indexes[0].columns = {{1, true}};
    std::vector<check_detail::LiveRow> rows(30000);
    std::int32_t value = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (i % 97 == 0) value -= 700;        // back into the tree
      else if (i % 5 != 0) value += 3;      // on in order; every fifth repeats
      rows[i].pointer = RowPointer{std::uint32_t(100 + i / 100), std::uint8_t(i % 100)};
      rows[i].values = {Value(Null{}), Value(value)};
    }
    Built built = build_and_check(version, table, rows);
    EXPECT_TRUE(built.faults.empty()) << first_faults(built.faults);
    EXPECT_EQ(built.entries.size(), rows.size());
    EXPECT_GE(built.depth, 2u);
  }
}

TEST(IndexWriter, ContainsKeyAndRefusals) {
  MemoryStore store(JetVersion::jet4);
  IndexWriter writer(store, kRoot, kOwner);
  auto key = [](std::uint32_t v) { return Bytes{0x7F, std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}; };
  for (std::uint32_t v = 0; v < 3000; v += 2) writer.insert(key(v), RowPointer{v + 10, 1});
  // The last entry again, right after it went in at the end of the tree.
  EXPECT_THROW(writer.insert(key(2998), RowPointer{2998 + 10, 1}), Error);
  for (std::uint32_t v : {0u, 2u, 1500u, 2998u}) EXPECT_TRUE(writer.contains_key(key(v))) << v;
  for (std::uint32_t v : {1u, 1501u, 2999u, 5000u}) EXPECT_FALSE(writer.contains_key(key(v))) << v;
  EXPECT_FALSE(writer.contains_key(Bytes{0x7F}));
  // The same key for another row is a new entry; the same entry is refused.
  writer.insert(key(4), RowPointer{9, 9});
  EXPECT_THROW(writer.insert(key(4), RowPointer{9, 9}), Error);
  Bytes too_long(max_index_key_size(JetVersion::jet4) + 1, 0x7F);
  EXPECT_THROW(writer.insert(too_long, RowPointer{9, 8}), Error);
  Bytes longest(max_index_key_size(JetVersion::jet4), 0x7F);
  for (std::uint8_t r = 0; r < 8; ++r) writer.insert(longest, RowPointer{9, r});
  EXPECT_TRUE(writer.contains_key(longest));
}

// Keys added in order leave full leaves behind them; the cache is told
// those will not change soon, never the last leaf, which takes the next key.
TEST(IndexWriter, LeavesLeftBehindByKeysInOrderAreFinished) {
  struct Recording : MemoryStore {
    using MemoryStore::MemoryStore;
    void finished(std::uint32_t number) override { marked.insert(number); }
    std::set<std::uint32_t> marked;
  };
  for (JetVersion version : {JetVersion::jet3, JetVersion::jet4}) {
    Recording store(version);
    IndexWriter writer(store, kRoot, kOwner);
    for (std::uint32_t v = 0; v < 20000; ++v) {
      writer.insert(Bytes{0x7F, std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}, RowPointer{v + 10, 1});
    }
    const IndexPageLayout layout = IndexPageLayout::of(version);
    const std::vector<Bytes> pages = store.pages();
    EXPECT_GT(store.marked.size(), 20u);
    for (std::uint32_t page : store.marked) {
      EXPECT_EQ(pages[page][0], page_type::index_leaf) << page;
      EXPECT_NE(coding::get_u32(pages[page].data() + layout.next_offset), 0u) << "the last leaf, page " << page;
    }
  }
}

// The checker's index check on a writer-made tree damaged on purpose: each
// fault names its page (no reference files needed).
TEST(CheckIndex, DamageToAWriterMadeTreeIsNamed) {
  const JetVersion version = JetVersion::jet4;
  const IndexPageLayout& layout = IndexPageLayout::of(version);
  const TableDef table = table_with_index(index_flag::unique);
  const RealIndexDef& index = table.real_indexes[0];
  std::vector<check_detail::LiveRow> rows(3000);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = {RowPointer{std::uint32_t(100 + i / 50), std::uint8_t(i % 50)},
               {std::string("k") + std::to_string(i), Value(std::int32_t(i))}};
  }
  using Rows = std::vector<check_detail::LiveRow>;
  auto patch_first_leaf = [&](MemoryStore& store, std::size_t at, std::uint8_t x) {
    std::uint32_t leaf = first_leaf(store, layout);
    Bytes page = store.pages()[leaf];
    page[at] ^= x;
    store.write_page(leaf, page);
    return leaf;
  };
  struct Case {
    const char* what;
    bool tree_of_edited_rows;  // else the tree holds the rows before the edit
    std::function<void(Rows&)> edit_rows;
    std::function<std::uint32_t(MemoryStore&, std::vector<std::uint32_t>&)> damage;
    const char* named;
  } const cases[] = {
      {"leaf chain cut", false, [](Rows&) {},
       [&](MemoryStore& store, auto&) { return patch_first_leaf(store, layout.next_offset, 0xFF); },
       "expected next leaf"},
      {"key byte flipped", false, [](Rows&) {},
       [&](MemoryStore& store, auto&) { return patch_first_leaf(store, layout.entries_offset() + 2, 0x01); },
       "expected key"},
      {"page missing from the usage map", false, [](Rows&) {},
       [&](MemoryStore& store, auto& map) {
         std::uint32_t leaf = first_leaf(store, layout);
         map.erase(std::find(map.begin(), map.end(), leaf));
         return leaf;
       },
       "expected it in the index usage map"},
      {"row without an entry", false,
       [](Rows& live) { live.push_back({RowPointer{999, 1}, {std::string("extra"), Value(std::int32_t(-1))}}); },
       [](MemoryStore&, auto&) { return 999u; }, "expected an entry for row 999:1"},
      {"unique key repeated", true, [](Rows& live) { live[1].values = live[0].values; },
       [](MemoryStore&, auto&) { return kNoPage; }, "expected one row per key"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rows live = rows;
    c.edit_rows(live);
    MemoryStore store(version);
    {
      IndexWriter writer(store, kRoot, kOwner);
      for (const auto& row : c.tree_of_edited_rows ? live : rows) {
        writer.insert(make_index_key(table, index, row.values, version), row.pointer);
      }
    }
    std::vector<std::uint32_t> map = store.index_pages();
    const std::uint32_t page = c.damage(store, map);
    testing::PageFileFixture file(kJet4Format, store.pages(), 64);
    check_detail::CheckContext ctx(file.cache(), kJet4Format);
    check_detail::ExpectedEntries expected(table, index, version);
    for (const auto& row : live) expected.add(row);
    expected.seal();
    check_detail::check_index(ctx, table, index, expected, map);
    EXPECT_TRUE(std::any_of(ctx.faults.begin(), ctx.faults.end(), [&](const Fault& f) {
      return (page == kNoPage || f.page == page) && f.message.find(c.named) != std::string::npos;
    })) << first_faults(ctx.faults);
  }
}

// A split that cannot get its pages leaves the tree as it was: the rows
// inserted before stay, sound, and the refused one leaves no entry.
TEST(IndexWriter, FailedSplitLeavesTheTreeAsItWas) {
  TableDef table = table_with_index(0);
  auto rows = random_rows(6000, 23);
  MemoryStore store(JetVersion::jet3);
  store.page_limit = kRoot + 40;
  std::size_t inserted = 0;
  {
    IndexWriter writer(store, kRoot, kOwner);
    for (const auto& row : rows) {
      try {
        writer.insert(make_index_key(table, table.real_indexes[0], row.values, JetVersion::jet3), row.pointer);
        ++inserted;
      } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::io);
        // later rows that need no new page still go in
      }
    }
  }
  ASSERT_LT(inserted, rows.size());
  ASSERT_GT(inserted, 1000u);
  testing::PageFileFixture file(kJet3Format, store.pages(), 64);
  auto entries = read_index_entries(file.cache(), kJet3IndexLayout, kRoot, kOwner);
  EXPECT_EQ(entries.size(), inserted);
  EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return compare_entries(a, b) < 0;
  }));
}

TEST(IndexWriter, DamagedTreeIsReportedNotWalkedInto) {
  MemoryStore store(JetVersion::jet4);
  Bytes bad = store.pages()[kRoot];
  bad[4] = 99;  // another owner
  store.write_page(kRoot, bad);
  IndexWriter writer(store, kRoot, kOwner);
  testing::expect_corruption([&] { writer.insert(Bytes{0x7F, 1}, RowPointer{5, 0}); }, kRoot,
                             "foreign root");
}

}  // namespace
}  // namespace jet
