// Checks one index B-tree: walks it from the root, then compares what the
// leaves hold with the table's live rows.
#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "check_context.h"
#include "jet/index.h"

namespace jet::check_detail {
namespace {

constexpr int kMaxDepth = 16;              // far deeper than any real tree
constexpr std::size_t kMaxEntryFaults = 10;  // per index, then a summary

struct LeafLinks {
  std::uint32_t page, prev, next;
};

struct Walk {
  CheckContext& ctx;
  const std::string& what;
  std::uint32_t tdef;
  const IndexPageLayout& layout;
  std::set<std::uint32_t> visited;
  std::vector<LeafLinks> leaves;         // in tree order
  std::vector<IndexEntry> entries;       // leaf entries in tree order
  std::vector<std::uint32_t> entry_pages;
};

std::string pointer_text(RowPointer row) {
  return std::to_string(row.page) + ":" + std::to_string(row.row);
}

std::optional<IndexPage> read_page(Walk& w, std::uint32_t number, int depth) {
  if (depth > kMaxDepth) {
    w.ctx.fault(number, w.what, "expected a tree at most " + std::to_string(kMaxDepth) +
                                    " levels deep, found a deeper one");
    return std::nullopt;
  }
  if (!w.ctx.in_file(number, w.what)) return std::nullopt;
  if (!w.visited.insert(number).second) {
    w.ctx.fault(number, w.what, "expected each page once in the tree, found it reached twice");
    return std::nullopt;
  }
  try {
    IndexPage page = decode_index_page(w.ctx.pages.get(number)->view(), w.layout, number);
    if (page.owner != w.tdef) {
      w.ctx.fault(number, w.what, "expected owner TDEF page " + std::to_string(w.tdef) +
                                      ", found " + std::to_string(page.owner));
    }
    return page;
  } catch (const Error& e) {
    w.ctx.fault(e, w.what);
    return std::nullopt;
  }
}

// Visits the subtree at `number`; returns its last leaf entry, if any.
std::optional<IndexEntry> visit(Walk& w, std::uint32_t number, int depth) {
  std::optional<IndexPage> page = read_page(w, number, depth);
  if (!page) return std::nullopt;
  if (page->leaf) {
    w.leaves.push_back({number, page->prev_page, page->next_page});
    for (IndexEntry& e : page->entries) {
      w.entries.push_back(std::move(e));
      w.entry_pages.push_back(number);
    }
    return w.entries.size() > 0 && w.entry_pages.back() == number
               ? std::optional<IndexEntry>(w.entries.back()) : std::nullopt;
  }
  std::optional<IndexEntry> last;
  for (const IndexEntry& e : page->entries) {
    last = visit(w, e.child_page, depth + 1);
    if (last && compare_entries(*last, e) != 0) {
      w.ctx.fault(number, w.what, "expected node entry equal to the last entry of child page " +
                                      std::to_string(e.child_page) + ", found a different key");
    }
  }
  if (page->tail_page != 0) last = visit(w, page->tail_page, depth + 1);
  return last;
}

void check_leaf_chain(Walk& w) {
  for (std::size_t i = 0; i < w.leaves.size(); ++i) {
    std::uint32_t prev = i ? w.leaves[i - 1].page : 0;
    std::uint32_t next = i + 1 < w.leaves.size() ? w.leaves[i + 1].page : 0;
    if (w.leaves[i].prev != prev) {
      w.ctx.fault(w.leaves[i].page, w.what, "leaf chain: expected previous page " +
                                                std::to_string(prev) + ", found " +
                                                std::to_string(w.leaves[i].prev));
    }
    if (w.leaves[i].next != next) {
      w.ctx.fault(w.leaves[i].page, w.what, "leaf chain: expected next page " +
                                                std::to_string(next) + ", found " +
                                                std::to_string(w.leaves[i].next));
    }
  }
}

void check_order(Walk& w) {
  for (std::size_t i = 1; i < w.entries.size(); ++i) {
    if (compare_entries(w.entries[i - 1], w.entries[i]) >= 0) {
      w.ctx.fault(w.entry_pages[i], w.what,
                  "expected entries in ascending order, found entry for row " +
                      pointer_text(w.entries[i].row) + " not after the one before it");
    }
  }
}

void check_map_agrees(Walk& w, const std::vector<std::uint32_t>& map_pages) {
  for (std::uint32_t page : map_pages) {
    if (!w.visited.count(page)) {
      w.ctx.fault(page, w.what, "usage map lists it, expected the tree to reach it, found it unreached");
    }
  }
  for (std::uint32_t page : w.visited) {
    if (!std::binary_search(map_pages.begin(), map_pages.end(), page)) {
      w.ctx.fault(page, w.what, "tree reaches it, expected it in the index usage map, found it missing");
    }
  }
}

bool all_key_columns_null(const TableDef& table, const RealIndexDef& index, const LiveRow& row) {
  for (const IndexColumn& part : index.columns) {
    for (std::size_t i = 0; i < table.columns.size() && i < row.values.size(); ++i) {
      if (table.columns[i].number == part.column_number && !is_null(row.values[i])) return false;
    }
  }
  return true;
}

// Limits entry faults per index so one broken index does not flood the report.
struct EntryFaults {
  Walk& w;
  std::size_t count = 0;
  void add(std::uint32_t page, const std::string& text) {
    if (++count <= kMaxEntryFaults) w.ctx.fault(page, w.what, text);
  }
  ~EntryFaults() {
    if (count > kMaxEntryFaults) {
      w.ctx.fault(kNoPage, w.what, "and " + std::to_string(count - kMaxEntryFaults) +
                                       " more entry faults");
    }
  }
};

void check_entries(Walk& w, const TableDef& table, const RealIndexDef& index,
                   const std::vector<LiveRow>& rows) {
  std::map<std::uint32_t, const LiveRow*> expected;
  for (const LiveRow& row : rows) {
    if (!(index.ignores_nulls() && all_key_columns_null(table, index, row))) {
      expected[row.pointer.to_word()] = &row;
    }
  }
  EntryFaults faults{w};
  const JetVersion version = w.ctx.format.version;
  std::set<std::uint32_t> seen;
  for (std::size_t i = 0; i < w.entries.size(); ++i) {
    const IndexEntry& e = w.entries[i];
    auto found = expected.find(e.row.to_word());
    if (found == expected.end()) {
      faults.add(w.entry_pages[i], "expected entries for live rows, found one for row " +
                                       pointer_text(e.row));
      continue;
    }
    if (!seen.insert(e.row.to_word()).second) {
      faults.add(w.entry_pages[i], "expected row " + pointer_text(e.row) + " once, found it again");
      continue;
    }
    try {
      std::vector<std::uint8_t> key = make_index_key(table, index, found->second->values, version);
      if (key != e.key) {
        faults.add(w.entry_pages[i], "row " + pointer_text(e.row) + ": expected key " +
                                         key_to_hex(key) + ", found " + key_to_hex(e.key));
      }
    } catch (const Error& err) {
      if (err.kind() != ErrorKind::not_supported) faults.add(w.entry_pages[i], err.what());
    }
  }
  for (const auto& [word, row] : expected) {
    if (!seen.count(word)) {
      faults.add(row->pointer.page, "expected an entry for row " + pointer_text(row->pointer) +
                                        ", found none");
    }
  }
}

}  // namespace

void check_index(CheckContext& ctx, const TableDef& table, const RealIndexDef& index,
                 const std::vector<LiveRow>& rows, const std::vector<std::uint32_t>& map_pages) {
  const std::string what = "index " + std::to_string(index.number) + " of table '" + table.name + "'";
  Walk w{ctx, what, table.tdef_page, IndexPageLayout::of(ctx.format.version), {}, {}, {}, {}};
  visit(w, index.first_page, 0);
  check_leaf_chain(w);
  check_order(w);
  check_map_agrees(w, map_pages);
  check_entries(w, table, index, rows);
}

}  // namespace jet::check_detail
