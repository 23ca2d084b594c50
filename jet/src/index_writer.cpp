// Index B-tree maintenance (see index_writer.h).
#include "index_writer.h"

#include <algorithm>
#include <map>
#include <string>

#include "coding.h"
#include "format.h"
#include "index_fill.h"
#include "jet/error.h"
#include "index_page.h"

namespace jet {
namespace {

constexpr const char* kWhere = "index tree";
constexpr std::size_t kMaxDepth = 16;  // as the reader's walk
constexpr std::size_t kNodesKept = 256;

// A node with several children keeps its last child as the tail page.
void promote_tail(IndexPage& node) {
  if (node.leaf || node.tail_page != 0 || node.entries.size() < 2) return;
  node.tail_page = node.entries.back().child_page;
  node.entries.pop_back();
}

IndexEntry node_entry(const IndexEntry& last, std::uint32_t child) {
  return IndexEntry{last.key, last.row, child};
}

// Index page `number` as stored, with its next-page link set to `next`:
// the page before a split one, changed without decoding it.
std::vector<std::uint8_t> with_next_link(IndexPageStore& store, const IndexPageLayout& layout, std::uint32_t owner,
                                         std::uint32_t number, std::uint32_t next) {
  std::vector<std::uint8_t> bytes = store.read_page(number)->bytes;
  if (bytes.size() != layout.page_size || (bytes[0] != page_type::index_node && bytes[0] != page_type::index_leaf)) {
    throw Error::corruption(number, kWhere, "an index page beside a split one",
                            bytes.empty() ? "an empty page" : "page type " + coding::hex_byte(bytes[0]));
  }
  if (coding::get_u32(bytes.data() + kPageOwnerOffset) != owner) {
    throw Error::corruption(number, kWhere, "owner TDEF page " + std::to_string(owner),
                            "owner " + std::to_string(coding::get_u32(bytes.data() + kPageOwnerOffset)));
  }
  coding::put_u32(bytes.data() + layout.next_offset, next);
  return bytes;
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

// One insert that splits pages (or whose new last entry would overflow a
// node above): the pages it touches, decoded, changed here and written to
// the store only when the whole change is made, so a failure midway
// changes nothing.
class IndexWriter::Change {
 public:
  Change(IndexWriter& writer, std::vector<Step> path) : w_(writer), path_(std::move(path)) {}

  void add_entry(IndexEntry entry);
  void write();

 private:
  IndexPage& page(std::uint32_t number);
  IndexPage& changed(std::uint32_t number);
  IndexPage& fresh_page(bool leaf);
  IndexEntry subtree_last(std::uint32_t number);
  void propagate_last();
  void nest_root();
  void split(std::size_t level, bool appended);
  void unlink_children(const std::vector<IndexEntry>& left, const std::vector<IndexEntry>& right);
  void set_next_page(std::uint32_t number, std::uint32_t next);
  std::vector<std::uint8_t> linked(std::uint32_t number, std::uint32_t next) const;

  struct Held {
    IndexPage page;
    bool changed = false;
  };
  IndexWriter& w_;
  std::vector<Step> path_;
  std::map<std::uint32_t, Held> pages_;
  // New next-page links of pages the change does not otherwise touch (the
  // leaf before a split one): set in their stored form, not decoded.
  std::map<std::uint32_t, std::uint32_t> next_links_;
};

IndexPage& IndexWriter::Change::page(std::uint32_t number) {
  auto it = pages_.find(number);
  if (it == pages_.end()) {
    IndexPage decoded = decode_index_page(w_.store_.read_page(number)->bytes, w_.layout_, number);
    if (decoded.owner != w_.owner_) {
      throw Error::corruption(number, kWhere, "owner TDEF page " + std::to_string(w_.owner_),
                              "owner " + std::to_string(decoded.owner));
    }
    it = pages_.emplace(number, Held{std::move(decoded)}).first;
    if (auto link = next_links_.find(number); link != next_links_.end()) {
      it->second.page.next_page = link->second;
      it->second.changed = true;
      next_links_.erase(link);
    }
  }
  return it->second.page;
}

void IndexWriter::Change::set_next_page(std::uint32_t number, std::uint32_t next) {
  if (auto it = pages_.find(number); it != pages_.end()) {
    it->second.page.next_page = next;
    it->second.changed = true;
  } else {
    next_links_[number] = next;
  }
}

std::vector<std::uint8_t> IndexWriter::Change::linked(std::uint32_t number, std::uint32_t next) const {
  return with_next_link(w_.store_, w_.layout_, w_.owner_, number, next);
}

IndexPage& IndexWriter::Change::changed(std::uint32_t number) {
  IndexPage& p = page(number);
  pages_.at(number).changed = true;
  return p;
}

IndexPage& IndexWriter::Change::fresh_page(bool leaf) {
  const std::uint32_t number = w_.store_.allocate_index_page();
  IndexPage fresh;
  fresh.number = number;
  fresh.leaf = leaf;
  fresh.owner = w_.owner_;
  return pages_.insert_or_assign(number, Held{std::move(fresh), true}).first->second.page;
}

// Encodes every changed page first, so nothing is written unless all are
// sound.
void IndexWriter::Change::write() {
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> encoded;
  for (auto& [number, held] : pages_) {
    if (!held.changed) continue;
    held.page.prefix_length = std::uint16_t(longest_shared_prefix(held.page.entries, w_.layout_));
    encoded.emplace_back(number, encode_index_page(held.page, w_.layout_));
  }
  for (const auto& [number, next] : next_links_) encoded.emplace_back(number, linked(number, next));
  w_.nodes_.clear();
  for (const auto& [number, bytes] : encoded) w_.store_.write_page(number, bytes);
}

void IndexWriter::Change::add_entry(IndexEntry entry) {
  IndexPage& leaf = changed(path_.back().page);
  const std::size_t at = path_.back().slot;
  leaf.entries.insert(leaf.entries.begin() + std::ptrdiff_t(at), std::move(entry));
  const bool last = at + 1 == leaf.entries.size();
  const bool appended = last && leaf.next_page == 0;
  if (last) propagate_last();
  for (std::size_t level = path_.size(); level-- > 0;) {
    // Only a changed page can have outgrown its room; the others stay encoded.
    const auto held = pages_.find(path_[level].page);
    if (held == pages_.end() || !held->second.changed) continue;
    if (index_fill::fits(held->second.page, w_.layout_)) continue;
    if (level == 0) {
      nest_root();
      level = 1;
    }
    split(level, appended);
  }
}

// The leaf's last entry changed: so do the node entries that repeat it.
void IndexWriter::Change::propagate_last() {
  const IndexEntry& last = page(path_.back().page).entries.back();
  for (std::size_t level = path_.size() - 1; level-- > 0;) {
    const Step& step = path_[level];
    if (step.tail) continue;  // no entry repeats a tail; its parent's may
    IndexPage& node = changed(step.page);
    node.entries[step.slot].key = last.key;
    node.entries[step.slot].row = last.row;
    if (step.slot + 1 < node.entries.size() || node.tail_page != 0) return;
  }
}

IndexEntry IndexWriter::Change::subtree_last(std::uint32_t number) {
  for (std::size_t depth = 0; depth < kMaxDepth; ++depth) {
    const IndexPage& p = page(number);
    if (p.tail_page == 0 && !p.entries.empty()) return p.entries.back();
    if (p.leaf || p.tail_page == 0) break;
    number = p.tail_page;
  }
  throw Error::corruption(number, kWhere, "a subtree with entries", "an empty one");
}

// The root keeps its page: its entries move to a new page below it.
void IndexWriter::Change::nest_root() {
  IndexPage& root = changed(w_.root_);
  IndexPage& child = fresh_page(root.leaf);
  child.entries = std::move(root.entries);
  child.tail_page = root.tail_page;
  root.entries.clear();
  root.tail_page = 0;
  root.leaf = false;
  root.entries.push_back(node_entry(subtree_last(child.number), child.number));
  path_[0].page = child.number;
  path_.insert(path_.begin(), Step{w_.root_, 0});
}

// Cuts the page at `level` into pieces: the last stays, the others go to
// new pages placed before it, each with an entry in the parent.
void IndexWriter::Change::split(std::size_t level, bool appended) {
  IndexPage& original = changed(path_[level].page);
  const bool leaf = original.leaf;
  std::vector<std::size_t> cuts = index_fill::cut_points(original.entries, leaf, w_.layout_, appended);
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
    if (prev != 0) set_next_page(prev, piece.number);
    if (!leaf && !before.empty()) unlink_children(before, piece.entries);
    if (!leaf) before = piece.entries;
    parent_entries.push_back(node_entry(piece.entries.back(), piece.number));
    promote_tail(piece);
    prev = piece.number;
    start = cut;
  }
  IndexPage& rest = changed(path_[level].page);
  rest.entries.assign(std::make_move_iterator(entries.begin() + std::ptrdiff_t(start)),
                      std::make_move_iterator(entries.end()));
  if (!leaf) unlink_children(before, rest.entries);
  rest.prev_page = prev;
  if (prev != 0) set_next_page(prev, rest.number);
  IndexPage& parent = changed(path_[level - 1].page);
  parent.entries.insert(parent.entries.begin() + std::ptrdiff_t(path_[level - 1].slot),
                        parent_entries.begin(), parent_entries.end());
  promote_tail(parent);
}

// Node pages link only to nodes under the same parent: children on either
// side of a cut stop pointing at each other (leaves stay linked).
void IndexWriter::Change::unlink_children(const std::vector<IndexEntry>& left,
                                          const std::vector<IndexEntry>& right) {
  if (left.empty() || right.empty()) return;
  std::uint32_t left_child = left.back().child_page;
  std::uint32_t right_child = right.front().child_page;
  if (page(left_child).leaf) return;
  changed(left_child).next_page = 0;
  changed(right_child).prev_page = 0;
}

IndexWriter::IndexWriter(IndexPageStore& store, std::uint32_t root, std::uint32_t owner)
    : store_(store), layout_(IndexPageLayout::of(store.version())), root_(root), owner_(owner), leaf_(layout_) {}

const RawIndexPage& IndexWriter::visit(std::uint32_t number) {
  if (auto it = nodes_.find(number); it != nodes_.end()) return it->second;
  if (leaf_current_ && leaf_.number() == number) return leaf_;
  leaf_current_ = false;
  leaf_.load(store_.read_page(number), number);
  if (leaf_.owner() != owner_) {
    throw Error::corruption(number, kWhere, "owner TDEF page " + std::to_string(owner_),
                            "owner " + std::to_string(leaf_.owner()));
  }
  leaf_current_ = leaf_.leaf();
  if (leaf_.leaf()) return leaf_;
  if (nodes_.size() >= kNodesKept) nodes_.clear();
  return nodes_.emplace(number, leaf_).first->second;
}

void IndexWriter::descend(std::span<const std::uint8_t> key, RowPointer row, std::vector<Step>& path) {
  path.clear();
  std::uint32_t number = root_;
  for (;;) {
    if (path.size() >= kMaxDepth) {
      throw Error::corruption(number, kWhere, "at most " + std::to_string(kMaxDepth) + " levels",
                              "a deeper tree");
    }
    const RawIndexPage& p = visit(number);
    std::size_t slot = p.lower_bound(key, row);
    if (p.leaf()) {
      path.push_back({number, slot});
      return;
    }
    const bool tail = slot == p.count() && p.tail_page() != 0;
    if (!tail && p.count() == 0) {
      throw Error::corruption(number, kWhere, "a node with a child", "none");
    }
    if (!tail && slot == p.count()) --slot;  // past all, no tail: the last child
    path.push_back({number, slot, tail});
    number = tail ? p.tail_page() : p.child(slot);
  }
}

// The new entry ends its leaf: the node entries that repeat the leaf's
// last entry take its key and row pointer, each page rebuilt in its stored
// form. False, having written nothing, when a node would overflow.
bool IndexWriter::repeat_last_in_place(std::span<const std::uint8_t> key, RowPointer row) {
  std::size_t edited = 0;
  for (std::size_t level = path_.size() - 1; level-- > 0;) {
    const Step& step = path_[level];
    if (step.tail) continue;  // no entry repeats a tail; its parent's may
    const RawIndexPage& node = visit(step.page);
    if (edited == node_images_.size()) node_images_.emplace_back();
    if (!node.with_entry_replaced(step.slot, key, row, node_images_[edited].second)) return false;
    node_images_[edited++].first = step.page;
    if (step.slot + 1 < node.count() || node.tail_page() != 0) break;
  }
  store_.write_page(path_.back().page, scratch_);
  for (std::size_t i = 0; i < edited; ++i) {
    nodes_.erase(node_images_[i].first);
    store_.write_page(node_images_[i].first, node_images_[i].second);
  }
  return true;
}

// The leaf has no room for the entry: the entries before a cut move to a
// new page placed before the leaf, which keeps its number, and the parent
// takes an entry for the new page; all in stored form. An entry that ends
// the leaf (the last leaf, reached by tail pages: it ends the index) is
// the cut, so keys added in order leave full pages. False, having written
// nothing, when that is not enough (a leaf that is the root, a parent
// without room or without a tail page, no cut into two pages that fit):
// the decoded way then.
bool IndexWriter::split_leaf_in_place(std::size_t at, std::span<const std::uint8_t> key, RowPointer row) {
  if (path_.size() < 2) return false;
  const std::uint32_t leaf_page = path_.back().page;
  // The entries before the cut go to split_left_, the rest stay on the
  // leaf's own page, built in scratch_.
  const bool appended = at == leaf_.count();
  if (appended && coding::get_u32(leaf_.page_bytes().data() + layout_.next_offset) != 0) return false;
  const std::size_t cut = leaf_.split_with_leaf_entry(at, key, row, appended, split_left_, scratch_);
  if (cut == 0) return false;
  const std::uint32_t before = coding::get_u32(split_left_.data() + layout_.prev_offset);
  const std::vector<std::uint8_t> last_key = cut - 1 == at ? std::vector<std::uint8_t>(key.begin(), key.end())
                                                           : leaf_.key_of(cut - 1 < at ? cut - 1 : cut - 2);
  const RowPointer last_row = cut - 1 == at ? row : leaf_.row_of(cut - 1 < at ? cut - 1 : cut - 2);
  const Step& up = path_[path_.size() - 2];
  const RawIndexPage& parent = visit(up.page);  // may take leaf_'s place: it is done with
  if (parent.tail_page() == 0 || !parent.with_node_entry(up.slot, last_key, last_row, 0, split_parent_)) {
    return false;
  }
  std::vector<std::uint8_t> linked_before;
  if (before != 0) linked_before = with_next_link(store_, layout_, owner_, before, 0);
  const std::uint32_t fresh = store_.allocate_index_page();
  parent.with_node_entry(up.slot, last_key, last_row, fresh, split_parent_);
  coding::put_u32(split_left_.data() + layout_.next_offset, leaf_page);
  coding::put_u32(scratch_.data() + layout_.prev_offset, fresh);
  if (before != 0) coding::put_u32(linked_before.data() + layout_.next_offset, fresh);
  const std::uint32_t parent_page = up.page;
  nodes_.erase(parent_page);
  leaf_current_ = false;
  store_.write_page(fresh, split_left_);
  store_.write_page(leaf_page, scratch_);
  store_.write_page(parent_page, split_parent_);
  if (before != 0) store_.write_page(before, linked_before);
  if (appended) {
    // Keys coming in order go to the right of the cut from now on.
    store_.finished(fresh);
    if (before != 0) store_.finished(before);
  }
  return true;
}

void IndexWriter::find_leaf(std::span<const std::uint8_t> key, RowPointer row) {
  if (at_right_end_ && leaf_current_ && !path_.empty() && leaf_.number() == path_.back().page &&
      leaf_.count() > 0 && leaf_.compare(leaf_.count() - 1, key, row) < 0) {
    path_.back().slot = leaf_.count();
    return;
  }
  at_right_end_ = false;
  descend(key, row, path_);
}

bool IndexWriter::contains_key(std::span<const std::uint8_t> key) {
  find_leaf(key, RowPointer{});
  const std::size_t at = path_.back().slot;
  return at < leaf_.count() && leaf_.key_equals(at, key);
}

bool IndexWriter::is_empty() {
  const RawIndexPage& root = visit(root_);
  return root.leaf() && root.count() == 0;
}

void IndexWriter::insert(std::span<const std::uint8_t> key, RowPointer row) {
  if (key.size() > max_index_key_size(store_.version())) {
    throw Error::invalid_argument("index key of " + std::to_string(key.size()) +
                                  " bytes is longer than the " +
                                  std::to_string(max_index_key_size(store_.version())) +
                                  " an index entry may hold");
  }
  find_leaf(key, row);
  at_right_end_ = false;
  const std::size_t at = path_.back().slot;
  if (at < leaf_.count() && leaf_.compare(at, key, row) == 0) {
    throw Error::invalid_argument("the index already holds this key for row " +
                                  std::to_string(row.page) + ":" + std::to_string(row.row));
  }
  // A new last entry of a leaf is repeated by the node above unless every
  // step down went by tail pages.
  const bool new_last = at == leaf_.count();
  const bool repeated = new_last && std::any_of(path_.begin(), path_.end() - 1, [](const Step& s) { return !s.tail; });
  leaf_current_ = false;  // whichever way, the leaf changes
  if (!repeated && leaf_.can_shift_in(at, key)) {
    // The common case: the entry goes in on the stored page itself, which
    // stays read, as keys added in order come back to it.
    leaf_.shift_in(store_.change_page(path_.back().page), at, key, row);
    leaf_current_ = true;
    at_right_end_ = new_last && std::all_of(path_.begin(), path_.end() - 1, [](const Step& s) { return s.tail; });
    return;
  }
  const RawIndexPage::Edit edit = leaf_.with_leaf_entry(at, key, row, scratch_);
  if (edit != RawIndexPage::Edit::no_room && !repeated) {
    store_.write_page(path_.back().page, scratch_);
    return;
  }
  if (edit != RawIndexPage::Edit::no_room && repeat_last_in_place(key, row)) return;
  // A full leaf splits in stored form unless a new last entry must be
  // repeated in the nodes above.
  if (edit == RawIndexPage::Edit::no_room && !repeated && split_leaf_in_place(at, key, row)) return;
  Change change(*this, path_);
  change.add_entry(IndexEntry{std::vector<std::uint8_t>(key.begin(), key.end()), row, 0});
  change.write();
}

}  // namespace jet
