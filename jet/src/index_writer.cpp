// Index B-tree maintenance (see index_writer.h).
#include "index_writer.h"

#include <algorithm>
#include <string>

#include "index_fill.h"
#include "jet/error.h"

namespace jet {
namespace {

constexpr const char* kWhere = "index tree";
constexpr std::size_t kMaxDepth = 16;  // as the reader's walk

// First entry not before `entry`.
std::size_t lower_bound_of(const std::vector<IndexEntry>& entries, const IndexEntry& entry) {
  auto it = std::lower_bound(entries.begin(), entries.end(), entry,
                             [](const IndexEntry& a, const IndexEntry& b) {
                               return compare_entries(a, b) < 0;
                             });
  return std::size_t(it - entries.begin());
}

// A node with several children keeps its last child as the tail page.
void promote_tail(IndexPage& node) {
  if (node.leaf || node.tail_page != 0 || node.entries.size() < 2) return;
  node.tail_page = node.entries.back().child_page;
  node.entries.pop_back();
}

IndexEntry node_entry(const IndexEntry& last, std::uint32_t child) {
  return IndexEntry{last.key, last.row, child};
}

}  // namespace

std::vector<std::uint8_t> empty_index_root(JetVersion version, std::uint32_t owner) {
  IndexPage root;
  root.leaf = true;
  root.owner = owner;
  return encode_index_page(root, IndexPageLayout::of(version));
}

std::size_t max_index_key_size(JetVersion version) {
  const IndexPageLayout& layout = IndexPageLayout::of(version);
  std::size_t area = layout.page_size - layout.entries_offset();
  return area / 2 - kEntryRowPointerSize - kEntryChildSize;
}

IndexWriter::IndexWriter(IndexPageStore& store, std::uint32_t root, std::uint32_t owner,
                         std::size_t cached_pages)
    : store_(store),
      layout_(IndexPageLayout::of(store.version())),
      root_(root),
      owner_(owner),
      cached_pages_(std::max<std::size_t>(cached_pages, 2 * kMaxDepth)) {}

IndexPage& IndexWriter::page(std::uint32_t number) {
  auto it = cache_.find(number);
  if (it == cache_.end()) {
    IndexPage decoded = decode_index_page(store_.read_page(number), layout_, number);
    if (decoded.owner != owner_) {
      throw Error::corruption(number, kWhere, "owner TDEF page " + std::to_string(owner_),
                              "owner " + std::to_string(decoded.owner));
    }
    it = cache_.emplace(number, Cached{std::move(decoded)}).first;
  }
  it->second.used = ++clock_;
  return it->second.page;
}

IndexPage& IndexWriter::changed(std::uint32_t number) {
  IndexPage& p = page(number);
  cache_.at(number).dirty = true;
  return p;
}

IndexPage& IndexWriter::fresh_page(bool leaf) {
  std::uint32_t number = store_.allocate_index_page();
  IndexPage fresh;
  fresh.number = number;
  fresh.leaf = leaf;
  fresh.owner = owner_;
  auto [it, inserted] = cache_.insert_or_assign(number, Cached{std::move(fresh), true, ++clock_});
  return it->second.page;
}

void IndexWriter::write_out(Cached& cached) {
  if (!cached.dirty) return;
  cached.page.prefix_length =
      std::uint16_t(longest_shared_prefix(cached.page.entries, layout_));
  store_.write_page(cached.page.number, encode_index_page(cached.page, layout_));
  cached.dirty = false;
}

void IndexWriter::evict_cold_pages() {
  if (cache_.size() <= cached_pages_) return;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> by_age;
  for (const auto& [number, cached] : cache_) by_age.emplace_back(cached.used, number);
  std::sort(by_age.begin(), by_age.end());
  std::size_t drop = cache_.size() - cached_pages_ * 3 / 4;
  for (std::size_t i = 0; i < drop; ++i) {
    auto it = cache_.find(by_age[i].second);
    write_out(it->second);
    cache_.erase(it);
  }
}

void IndexWriter::flush() {
  for (auto& [number, cached] : cache_) write_out(cached);
}

std::vector<IndexWriter::Step> IndexWriter::descend(const IndexEntry& entry) {
  std::vector<Step> path;
  std::uint32_t number = root_;
  for (;;) {
    if (path.size() >= kMaxDepth) {
      throw Error::corruption(number, kWhere, "at most " + std::to_string(kMaxDepth) + " levels",
                              "a deeper tree");
    }
    const IndexPage& p = page(number);
    std::size_t slot = lower_bound_of(p.entries, entry);
    if (p.leaf) {
      path.push_back({number, slot});
      return path;
    }
    bool tail = slot == p.entries.size() && p.tail_page != 0;
    if (!tail && p.entries.empty()) {
      throw Error::corruption(number, kWhere, "a node with a child", "none");
    }
    if (!tail && slot == p.entries.size()) --slot;  // past all, no tail: the last child
    path.push_back({number, slot, tail});
    number = tail ? p.tail_page : p.entries[slot].child_page;
  }
}

bool IndexWriter::contains_key(std::span<const std::uint8_t> key) {
  IndexEntry probe{std::vector<std::uint8_t>(key.begin(), key.end()), RowPointer{}, 0};
  std::vector<Step> path = descend(probe);
  const IndexPage& leaf = page(path.back().page);
  std::size_t at = path.back().slot;
  return at < leaf.entries.size() && leaf.entries[at].key == probe.key;
}

void IndexWriter::insert(std::span<const std::uint8_t> key, RowPointer row) {
  if (key.size() > max_index_key_size(store_.version())) {
    throw Error::invalid_argument("index key of " + std::to_string(key.size()) +
                                  " bytes is longer than the " +
                                  std::to_string(max_index_key_size(store_.version())) +
                                  " an index entry may hold");
  }
  IndexEntry entry{std::vector<std::uint8_t>(key.begin(), key.end()), row, 0};
  std::vector<Step> path = descend(entry);
  IndexPage& leaf = changed(path.back().page);
  std::size_t at = path.back().slot;
  if (at < leaf.entries.size() && compare_entries(leaf.entries[at], entry) == 0) {
    throw Error::invalid_argument("the index already holds this key for row " +
                                  std::to_string(row.page) + ":" + std::to_string(row.row));
  }
  leaf.entries.insert(leaf.entries.begin() + std::ptrdiff_t(at), std::move(entry));
  const bool last = at + 1 == leaf.entries.size();
  const bool appended = last && leaf.next_page == 0;
  if (last) propagate_last(path);
  for (std::size_t level = path.size(); level-- > 0;) {
    if (index_fill::fits(page(path[level].page), layout_)) continue;
    if (level == 0) {
      nest_root(path);
      level = 1;
    }
    split(path, level, appended);
  }
  evict_cold_pages();
}

// The leaf's last entry changed: so do the node entries that repeat it.
void IndexWriter::propagate_last(const std::vector<Step>& path) {
  const IndexEntry& last = page(path.back().page).entries.back();
  for (std::size_t level = path.size() - 1; level-- > 0;) {
    const Step& step = path[level];
    if (step.tail) continue;  // no entry repeats a tail; its parent's may
    IndexPage& node = changed(step.page);
    node.entries[step.slot].key = last.key;
    node.entries[step.slot].row = last.row;
    if (step.slot + 1 < node.entries.size() || node.tail_page != 0) return;
  }
}

IndexEntry IndexWriter::subtree_last(std::uint32_t number) {
  for (std::size_t depth = 0; depth < kMaxDepth; ++depth) {
    const IndexPage& p = page(number);
    if (p.tail_page == 0 && !p.entries.empty()) return p.entries.back();
    if (p.leaf || p.tail_page == 0) break;
    number = p.tail_page;
  }
  throw Error::corruption(number, kWhere, "a subtree with entries", "an empty one");
}

// The root keeps its page: its entries move to a new page below it.
void IndexWriter::nest_root(std::vector<Step>& path) {
  IndexPage& root = changed(root_);
  IndexPage& child = fresh_page(root.leaf);
  child.entries = std::move(root.entries);
  child.tail_page = root.tail_page;
  root.entries.clear();
  root.tail_page = 0;
  root.leaf = false;
  root.entries.push_back(node_entry(subtree_last(child.number), child.number));
  path[0].page = child.number;
  path.insert(path.begin(), Step{root_, 0});
}

// Cuts the page at `level` into pieces: the last stays, the others go to
// new pages placed before it, each with an entry in the parent.
void IndexWriter::split(std::vector<Step>& path, std::size_t level, bool appended) {
  IndexPage& original = changed(path[level].page);
  const bool leaf = original.leaf;
  std::vector<std::size_t> cuts = index_fill::cut_points(original.entries, leaf, layout_, appended);
  std::vector<IndexEntry> entries = std::move(original.entries);
  std::vector<IndexEntry> parent_entries;
  std::uint32_t prev = original.prev_page;
  std::vector<IndexEntry> before;  // the piece before the current one
  std::size_t start = 0;
  for (std::size_t cut : cuts) {
    IndexPage& piece = fresh_page(leaf);
    piece.entries.assign(std::make_move_iterator(entries.begin() + std::ptrdiff_t(start)),
                         std::make_move_iterator(entries.begin() + std::ptrdiff_t(cut)));
    piece.prev_page = prev;
    if (prev != 0) changed(prev).next_page = piece.number;
    if (!leaf && !before.empty()) unlink_children(before, piece.entries);
    if (!leaf) before = piece.entries;
    parent_entries.push_back(node_entry(piece.entries.back(), piece.number));
    promote_tail(piece);
    prev = piece.number;
    start = cut;
  }
  IndexPage& rest = changed(path[level].page);
  rest.entries.assign(std::make_move_iterator(entries.begin() + std::ptrdiff_t(start)),
                      std::make_move_iterator(entries.end()));
  if (!leaf) unlink_children(before, rest.entries);
  rest.prev_page = prev;
  if (prev != 0) changed(prev).next_page = rest.number;
  IndexPage& parent = changed(path[level - 1].page);
  parent.entries.insert(parent.entries.begin() + std::ptrdiff_t(path[level - 1].slot),
                        parent_entries.begin(), parent_entries.end());
  promote_tail(parent);
}

// Node pages link only to nodes under the same parent: children on either
// side of a cut stop pointing at each other (leaves stay linked).
void IndexWriter::unlink_children(const std::vector<IndexEntry>& left,
                                  const std::vector<IndexEntry>& right) {
  if (left.empty() || right.empty()) return;
  std::uint32_t left_child = left.back().child_page;
  std::uint32_t right_child = right.front().child_page;
  if (page(left_child).leaf) return;
  changed(left_child).next_page = 0;
  changed(right_child).prev_page = 0;
}

}  // namespace jet
