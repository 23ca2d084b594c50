// The index writer over pages in memory: many entries in random and in key
// order, of both versions, checked by the reader's walk and the checker's
// index check (shape, links, order, every row once, keys as encoded).
#include "index_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "check_context.h"
#include "index_walk.h"
#include "page_builder.h"

namespace jet {
namespace {

using testing::Bytes;

constexpr std::uint32_t kOwner = 2;
constexpr std::uint32_t kRoot = 3;

// Pages in memory; page numbers below kRoot stand for the file's others.
class MemoryStore : public IndexPageStore {
 public:
  explicit MemoryStore(JetVersion version) : version_(version) {
    pages_.resize(kRoot, Bytes(page_size(), 0));
    pages_.push_back(empty_index_root(version, kOwner));
  }
  JetVersion version() const override { return version_; }
  Bytes read_page(std::uint32_t number) override {
    ++reads;
    return pages_.at(number);
  }
  void write_page(std::uint32_t number, Bytes bytes) override {
    EXPECT_EQ(bytes.size(), page_size());
    pages_.at(number) = std::move(bytes);
  }
  std::uint32_t allocate_index_page() override {
    pages_.emplace_back(page_size(), 0xEE);  // never read before written
    return std::uint32_t(pages_.size() - 1);
  }

  std::uint32_t page_size() const { return IndexPageLayout::of(version_).page_size; }
  const std::vector<Bytes>& pages() const { return pages_; }
  std::vector<std::uint32_t> index_pages() const {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = kRoot; i < pages_.size(); ++i) out.push_back(i);
    return out;
  }
  std::size_t reads = 0;

 private:
  JetVersion version_;
  std::vector<Bytes> pages_;
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

// Inserts every row's key in the rows' order, flushes and checks the tree.
Built build_and_check(JetVersion version, const TableDef& table,
                      const std::vector<check_detail::LiveRow>& rows,
                      std::size_t cache = std::size_t(1) << 20) {
  Built out;
  out.store = std::make_unique<MemoryStore>(version);
  const RealIndexDef& index = table.real_indexes[0];
  {
    IndexWriter writer(*out.store, kRoot, kOwner, cache);
    for (const auto& row : rows) writer.insert(make_index_key(table, index, row.values, version), row.pointer);
    writer.flush();
  }
  const IndexPageLayout& layout = IndexPageLayout::of(version);
  out.depth = depth_of(*out.store, layout);
  expect_sibling_links(*out.store, layout);
  testing::PageFileFixture file(format_of(version), out.store->pages(), 64);
  check_detail::CheckContext ctx(file.cache(), format_of(version));
  check_detail::check_index(ctx, table, index, rows, out.store->index_pages());
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

TEST(IndexWriter, ContainsKeyAndRefusals) {
  MemoryStore store(JetVersion::jet4);
  IndexWriter writer(store, kRoot, kOwner, 32);
  auto key = [](std::uint32_t v) { return Bytes{0x7F, std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}; };
  for (std::uint32_t v = 0; v < 3000; v += 2) writer.insert(key(v), RowPointer{v + 10, 1});
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

TEST(IndexWriter, SmallCacheWritesColdPagesAndReadsThemBack) {
  TableDef table = table_with_index(0);
  auto rows = random_rows(20000, 11);
  Built built = build_and_check(JetVersion::jet4, table, rows, 16);
  EXPECT_TRUE(built.faults.empty()) << first_faults(built.faults);
  EXPECT_GT(built.store->reads, 100u);
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
