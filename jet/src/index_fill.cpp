// Page fill and split points of index pages (see index_fill.h).
#include "index_fill.h"

#include <algorithm>
#include "index_page.h"

namespace jet::index_fill {
namespace {

std::size_t entry_size(const IndexEntry& e, bool leaf) {
  return e.key.size() + kEntryRowPointerSize + (leaf ? 0 : kEntryChildSize);
}

std::size_t capacity(const IndexPageLayout& layout) {
  return layout.page_size - layout.entries_offset();
}

std::size_t max_prefix(const IndexPageLayout& layout) {
  return layout.prefix_length_size == 1 ? 0xFF : 0xFFFF;
}

// Entries are in key order, so what the first and last key share, all share.
std::size_t shared_prefix(const IndexEntry& first, const IndexEntry& last,
                          const IndexPageLayout& layout) {
  auto a = first.key.begin();
  std::size_t n = std::min({first.key.size(), last.key.size(), max_prefix(layout)});
  return std::size_t(std::mismatch(a, a + n, last.key.begin()).first - a);
}

// Sizes of runs of one page's entries, from running sums of entry sizes.
class RunSizes {
 public:
  RunSizes(const std::vector<IndexEntry>& entries, bool leaf, const IndexPageLayout& layout)
      : entries_(entries), layout_(layout), sums_(entries.size() + 1, 0) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      sums_[i + 1] = sums_[i] + entry_size(entries[i], leaf);
    }
  }
  std::size_t size(std::size_t first, std::size_t last) const {
    if (first >= last) return 0;
    std::size_t shared = shared_prefix(entries_[first], entries_[last - 1], layout_);
    return sums_[last] - sums_[first] - (last - first - 1) * shared;
  }
  bool fits(std::size_t first, std::size_t last) const {
    return size(first, last) <= capacity(layout_);
  }

 private:
  const std::vector<IndexEntry>& entries_;
  const IndexPageLayout& layout_;
  std::vector<std::size_t> sums_;
};

// Greedy pieces: each takes as many entries as fit.
std::vector<std::size_t> greedy_cuts(const RunSizes& runs, std::size_t count) {
  std::vector<std::size_t> cuts;
  std::size_t start = 0;
  for (std::size_t i = 1; i < count; ++i) {
    if (!runs.fits(start, i + 1)) {
      cuts.push_back(i);
      start = i;
    }
  }
  return cuts;
}

// The cut that leaves the two halves closest in size, both fitting.
std::size_t balanced_cut(const RunSizes& runs, std::size_t count, std::size_t fallback) {
  std::size_t best = fallback;
  std::size_t best_gap = SIZE_MAX;
  for (std::size_t cut = 1; cut < count; ++cut) {
    if (!runs.fits(0, cut) || !runs.fits(cut, count)) continue;
    std::size_t left = runs.size(0, cut), right = runs.size(cut, count);
    std::size_t gap = left > right ? left - right : right - left;
    if (gap < best_gap) best = cut, best_gap = gap;
  }
  return best;
}

}  // namespace

bool fits(const IndexPage& page, const IndexPageLayout& layout) {
  const auto& entries = page.entries;
  if (entries.empty()) return true;
  std::size_t total = 0;
  for (const IndexEntry& e : entries) total += entry_size(e, page.leaf);
  std::size_t shared = shared_prefix(entries.front(), entries.back(), layout);
  return total - (entries.size() - 1) * shared <= capacity(layout);
}

std::vector<std::size_t> cut_points(const std::vector<IndexEntry>& entries, bool leaf,
                                    const IndexPageLayout& layout, bool appended) {
  RunSizes runs(entries, leaf, layout);
  std::vector<std::size_t> cuts = greedy_cuts(runs, entries.size());
  if (!appended && cuts.size() == 1) cuts[0] = balanced_cut(runs, entries.size(), cuts[0]);
  return cuts;
}

}  // namespace jet::index_fill
