// Checks one index B-tree: walks it from the root, streaming its leaf
// entries past what the table's live rows expect of it.
#include <algorithm>
#include <optional>
#include <set>

#include "check_context.h"
#include "index_walk.h"
#include "jet/index.h"
#include "index_page.h"

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

// Compares the leaf entries, in tree order, with the expected ones: each
// entry after the one before it, naming a live row once, with the key the
// encoder makes of it, a unique key not repeated (equal keys lie side by
// side in a sorted tree).
class EntryMatcher {
 public:
  EntryMatcher(const TableDef& table, const RealIndexDef& index, const ExpectedEntries& expected,
               EntryFaults& faults)
      : table_(table), index_(index), expected_(expected), faults_(faults),
        seen_(expected.rows().size(), false) {}

  void take(const IndexEntry& e, std::uint32_t page) {
    if (previous_ && compare_entries(*previous_, e) >= 0) {
      faults_.add(page, "expected entries in ascending order, found the entry for row " +
                            pointer_text(e.row) + " not after the one before it");
    }
    match(e, page);
    previous_ = e;
  }

  // Rows that expected an entry and got none.
  void report_missing() {
    const auto& rows = expected_.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (seen_[i]) continue;
      RowPointer row = RowPointer::from_word(rows[i].word);
      faults_.add(row.page, "expected an entry for row " + pointer_text(row) + ", found none");
    }
  }

 private:
  void match(const IndexEntry& e, std::uint32_t page) {
    const ExpectedEntries::Row* row = expected_.find(e.row);
    if (!row) {
      faults_.add(page, "expected entries for live rows, found one for row " + pointer_text(e.row));
      return;
    }
    std::size_t at = std::size_t(row - expected_.rows().data());
    if (seen_[at]) {
      faults_.add(page, "expected row " + pointer_text(e.row) + " once, found it again");
      return;
    }
    seen_[at] = true;
    if (!row->checked) return;
    auto key = expected_.key(*row);
    if (!std::equal(key.begin(), key.end(), e.key.begin(), e.key.end())) {
      faults_.add(page, "row " + pointer_text(e.row) + ": expected key " + key_to_hex(key) + " " +
                            describe_key(table_, index_, key) + ", found " + key_to_hex(e.key) +
                            " " + describe_key(table_, index_, e.key));
    }
    if (row->unique && last_unique_ && last_unique_->first == e.key) {
      faults_.add(page, "unique index: expected one row per key, found rows " +
                            pointer_text(last_unique_->second) + " and " + pointer_text(e.row));
    }
    if (row->unique) last_unique_ = std::make_pair(e.key, e.row);
  }

  const TableDef& table_;
  const RealIndexDef& index_;
  const ExpectedEntries& expected_;
  EntryFaults& faults_;
  std::vector<bool> seen_;
  std::optional<IndexEntry> previous_;
  std::optional<std::pair<std::vector<std::uint8_t>, RowPointer>> last_unique_;
};

}  // namespace

void ExpectedEntries::add(const LiveRow& row) {
  Row out{row.pointer.to_word(), std::uint32_t(keys_.size()), 0, false, false};
  try {
    IndexRowKey key = make_index_row_key(table_, index_, row.values, version_);
    if (!key.has_entry(index_)) return;
    keys_.insert(keys_.end(), key.key.begin(), key.key.end());
    out.length = std::uint32_t(key.key.size());
    out.checked = true;
    out.unique = key.must_be_unique(index_);
  } catch (const Error& err) {
    // A collation this engine cannot encode leaves the keys unchecked.
    if (err.kind() != ErrorKind::not_supported) errors_.emplace_back(row.pointer, err.what());
  }
  rows_.push_back(out);
}

void ExpectedEntries::seal() {
  std::sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.word < b.word; });
  rows_.shrink_to_fit();
  keys_.shrink_to_fit();
}

const ExpectedEntries::Row* ExpectedEntries::find(RowPointer row) const {
  auto it = std::lower_bound(rows_.begin(), rows_.end(), row.to_word(),
                             [](const Row& r, std::uint32_t word) { return r.word < word; });
  return it != rows_.end() && it->word == row.to_word() ? &*it : nullptr;
}

std::span<const std::uint8_t> ExpectedEntries::key(const Row& row) const {
  return std::span<const std::uint8_t>(keys_).subspan(row.offset, row.length);
}

void check_index(CheckContext& ctx, const TableDef& table, const RealIndexDef& index,
                 const ExpectedEntries& expected, const std::vector<std::uint32_t>& map_pages) {
  const std::string what = "index " + std::to_string(index.number) + " of table '" + table.name + "'";
  EntryFaults faults(ctx, what);
  for (const auto& [row, error] : expected.key_errors()) faults.add(row.page, error);
  EntryMatcher matcher(table, index, expected, faults);
  IndexTree tree = walk_index(
      ctx.pages, IndexPageLayout::of(ctx.format.version), index.first_page, table.tdef_page,
      [&](const Error& e) { ctx.fault(e, what); },
      [&](const IndexEntry& e, std::uint32_t page) { matcher.take(e, page); });
  check_map_agrees(ctx, what, tree, map_pages);
  matcher.report_missing();
}

}  // namespace jet::check_detail
