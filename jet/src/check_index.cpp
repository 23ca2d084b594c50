// Checks one index B-tree: walks it from the root, then compares what the
// leaves hold with the table's live rows.
#include <algorithm>
#include <map>
#include <set>

#include "check_context.h"
#include "index_walk.h"
#include "jet/index.h"

namespace jet::check_detail {
namespace {

constexpr std::size_t kMaxEntryFaults = 10;  // per index, then a summary

std::string pointer_text(RowPointer row) {
  return std::to_string(row.page) + ":" + std::to_string(row.row);
}

// Limits entry faults per index so one broken index does not flood the report.
class EntryFaults {
 public:
  EntryFaults(CheckContext& ctx, const std::string& what) : ctx_(ctx), what_(what) {}
  EntryFaults(const EntryFaults&) = delete;
  EntryFaults& operator=(const EntryFaults&) = delete;
  ~EntryFaults() {
    if (count_ > kMaxEntryFaults) {
      ctx_.fault(kNoPage, what_, "and " + std::to_string(count_ - kMaxEntryFaults) +
                                     " more entry faults");
    }
  }
  void add(std::uint32_t page, const std::string& text) {
    if (++count_ <= kMaxEntryFaults) ctx_.fault(page, what_, text);
  }

 private:
  CheckContext& ctx_;
  const std::string& what_;
  std::size_t count_ = 0;
};

void check_order(const IndexTree& tree, EntryFaults& faults) {
  for (std::size_t i = 1; i < tree.entries.size(); ++i) {
    if (compare_entries(tree.entries[i - 1], tree.entries[i]) >= 0) {
      faults.add(tree.entry_pages[i], "expected entries in ascending order, found the entry for row " +
                                          pointer_text(tree.entries[i].row) +
                                          " not after the one before it");
    }
  }
}

void check_map_agrees(CheckContext& ctx, const std::string& what, const IndexTree& tree,
                      const std::vector<std::uint32_t>& map_pages) {
  std::set<std::uint32_t> reached(tree.pages.begin(), tree.pages.end());
  for (std::uint32_t page : map_pages) {
    if (!reached.count(page)) {
      ctx.fault(page, what, "usage map lists it, expected the tree to reach it, found it unreached");
    }
  }
  for (std::uint32_t page : reached) {
    if (!std::binary_search(map_pages.begin(), map_pages.end(), page)) {
      ctx.fault(page, what, "tree reaches it, expected it in the index usage map, found it missing");
    }
  }
}

// Whether the index's columns are all (any) null in `row`.
struct NullParts {
  bool all = true;
  bool any = false;
};

NullParts null_parts(const TableDef& table, const RealIndexDef& index, const LiveRow& row) {
  NullParts parts;
  for (const IndexColumn& part : index.columns) {
    for (std::size_t i = 0; i < table.columns.size() && i < row.values.size(); ++i) {
      if (table.columns[i].number != part.column_number) continue;
      bool null = is_null(row.values[i]);
      parts.all = parts.all && null;
      parts.any = parts.any || null;
    }
  }
  return parts;
}

// Each entry must name a live row, once, with the key the encoder makes of
// it; each live row (but all-null ones of an ignore-nulls index) must have
// an entry; a unique index may repeat a key only where a column is null.
void check_entries(CheckContext& ctx, const TableDef& table, const RealIndexDef& index,
                   const std::vector<LiveRow>& rows, const IndexTree& tree, EntryFaults& faults) {
  std::map<std::uint32_t, const LiveRow*> expected;
  for (const LiveRow& row : rows) {
    if (!(index.ignores_nulls() && null_parts(table, index, row).all)) {
      expected[row.pointer.to_word()] = &row;
    }
  }
  std::set<std::uint32_t> seen;
  std::map<std::vector<std::uint8_t>, RowPointer> unique_keys;
  for (std::size_t i = 0; i < tree.entries.size(); ++i) {
    const IndexEntry& e = tree.entries[i];
    const std::uint32_t page = tree.entry_pages[i];
    auto found = expected.find(e.row.to_word());
    if (found == expected.end()) {
      faults.add(page, "expected entries for live rows, found one for row " + pointer_text(e.row));
      continue;
    }
    if (!seen.insert(e.row.to_word()).second) {
      faults.add(page, "expected row " + pointer_text(e.row) + " once, found it again");
      continue;
    }
    try {
      auto key = make_index_key(table, index, found->second->values, ctx.format.version);
      if (key != e.key) {
        faults.add(page, "row " + pointer_text(e.row) + ": expected key " + key_to_hex(key) + " " +
                             describe_key(table, index, key) + ", found " + key_to_hex(e.key) +
                             " " + describe_key(table, index, e.key));
      }
    } catch (const Error& err) {
      // A collation this engine cannot encode leaves the keys unchecked.
      if (err.kind() != ErrorKind::not_supported) faults.add(page, err.what());
    }
    if (!index.is_unique() || null_parts(table, index, *found->second).any) continue;
    auto [first, inserted] = unique_keys.emplace(e.key, e.row);
    if (!inserted) {
      faults.add(page, "unique index: expected one row per key, found rows " +
                           pointer_text(first->second) + " and " + pointer_text(e.row));
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
  IndexTree tree = walk_index(ctx.pages, IndexPageLayout::of(ctx.format.version), index.first_page,
                              table.tdef_page, [&](const Error& e) { ctx.fault(e, what); });
  check_map_agrees(ctx, what, tree, map_pages);
  EntryFaults faults(ctx, what);
  check_order(tree, faults);
  check_entries(ctx, table, index, rows, tree, faults);
}

}  // namespace jet::check_detail
