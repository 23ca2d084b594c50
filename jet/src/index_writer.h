// Keeps one index B-tree (byte map in index_page.h) as rows are added.
//
// Tree shape, as Access writes it:
//   - Leaf pages (0x04) hold the entries: key bytes and the row pointer,
//     ordered by key bytes, then row pointer. Every leaf links to the leaf
//     before and after it, across the whole level.
//   - A node page (0x03) with one child holds one entry for it. A node with
//     more children keeps its last child in the tail page field and one
//     entry for each other child: that child's last entry (key and row
//     pointer) plus the child's page number. Node pages link prev/next only
//     to nodes under the same parent.
//   - The root page never moves (the TDEF names it): when it overflows its
//     entries move to a new child page and the root becomes a node one level
//     up.
//   - A page that overflows keeps its right part and gives its left part to
//     new pages placed before it; when a page is split at its end while it
//     is the last at its level (rows added in key order) the left part
//     keeps as much as fits, so pages filled in order stay full.
//   - Every page but the first entry's omits the longest prefix its keys
//     share.
//
// The writer keeps no pages of its own: the store (the database's page
// cache) holds them, so memory is bounded by the cache, not the tree.
// Most inserts change one leaf, in its stored form, and the node entries
// that repeat its last entry when that changes. A full leaf is split in
// stored form too, when its parent has room for one more entry; other
// splits work on decoded copies of the pages they touch. Either way pages
// are written only when the whole change is made.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "index_raw_page.h"
#include "jet/index.h"
#include "jet/types.h"
#include "page_cache.h"
#include "index_page.h"

namespace jet {

// The pages of one index as the writer reaches them. The engine wires it to
// its page cache; tests use pages in memory.
class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;
  virtual JetVersion version() const = 0;
  // Page `number` (exactly one page of bytes). Throws jet::Error.
  virtual PageRef read_page(std::uint32_t number) = 0;
  // Replaces page `number` (bytes.size() is one page). Throws jet::Error.
  virtual void write_page(std::uint32_t number, std::span<const std::uint8_t> bytes) = 0;
  // Page `number` to change in place, taken as changed: make the change
  // before the next call into the store. Pages read before may be this
  // very page. Throws jet::Error.
  virtual std::shared_ptr<Page> change_page(std::uint32_t number) = 0;
  // A fresh page for this index, marked used in the global usage map and
  // in the index's own usage map. Its bytes are written (write_page)
  // before anything reads it. Throws jet::Error (io, 3026 when the file
  // would pass its size limit).
  virtual std::uint32_t allocate_index_page() = 0;
  // Page `number` will not change soon (a leaf that keys added in order
  // have left behind): a hint for the cache, nothing more.
  virtual void finished(std::uint32_t /*number*/) {}
};

// The bytes of an empty index root: a leaf page with no entries, owned by
// the table whose TDEF is `owner`. A new index starts as one such page.
std::vector<std::uint8_t> empty_index_root(JetVersion version, std::uint32_t owner);

// Longest key an index entry may hold, so that every page can hold at least
// two entries and any overflowing page splits cleanly.
std::size_t max_index_key_size(JetVersion version);

// Adds entries to the tree rooted at `root` (owned by the TDEF at `owner`)
// and answers whether a key is present. Every change is in the store when
// a call returns. Not copyable; borrows `store`, which must outlive it.
// Thread-safety: none.
class IndexWriter {
 public:
  IndexWriter(IndexPageStore& store, std::uint32_t root, std::uint32_t owner);
  IndexWriter(const IndexWriter&) = delete;
  IndexWriter& operator=(const IndexWriter&) = delete;

  // True when some entry has exactly these key bytes (any row). Use it for
  // the unique check before anything of a row is written. Throws
  // jet::Error (corruption) on a damaged tree.
  bool contains_key(std::span<const std::uint8_t> key);

  // True when the tree holds no entry. Throws jet::Error (corruption).
  bool is_empty();

  // Adds the entry (key, row) in order, splitting pages as needed (new
  // pages come from store.allocate_index_page()). Throws jet::Error:
  // invalid_argument when the key is longer than max_index_key_size (check
  // that before writing the row) or the tree already holds this exact
  // entry; corruption on a damaged tree; what the store throws. After a
  // throw the tree is as it was (pages the store handed out for a split
  // that failed stay allocated, unused).
  void insert(std::span<const std::uint8_t> key, RowPointer row);

 private:
  // One page on the way from the root to a leaf, and where the way went.
  struct Step {
    std::uint32_t page;
    std::size_t slot;   // node: entry followed; leaf: insert position
    bool tail = false;  // node: went down the tail page
  };
  class Change;

  // The way down to the leaf where (key, row) belongs; leaves that leaf
  // loaded in `leaf_`.
  void descend(std::span<const std::uint8_t> key, RowPointer row, std::vector<Step>& path);
  // descend() for the entry, taking the way of the last insert when the
  // entry comes after it at the right end of the tree.
  void find_leaf(std::span<const std::uint8_t> key, RowPointer row);
  const RawIndexPage& visit(std::uint32_t number);
  bool repeat_last_in_place(std::span<const std::uint8_t> key, RowPointer row);
  bool split_leaf_in_place(std::size_t at, std::span<const std::uint8_t> key, RowPointer row);

  IndexPageStore& store_;
  const IndexPageLayout& layout_;
  std::uint32_t root_;
  std::uint32_t owner_;
  RawIndexPage leaf_;
  bool leaf_current_ = false;  // leaf_ is as stored (a unique check, then its insert)
  // The last insert put its entry at the end of the rightmost leaf, with
  // path_ the way there: an entry after it (keys added in order) takes the
  // same way, so the nodes need not be searched again.
  bool at_right_end_ = false;
  // Node pages read so far, kept read: every insert passes the same few.
  // A node that changes is forgotten; a Change forgets them all.
  std::unordered_map<std::uint32_t, RawIndexPage> nodes_;
  std::vector<Step> path_;             // reused between calls
  std::vector<std::uint8_t> scratch_;  // a leaf being built
  std::vector<std::uint8_t> split_left_, split_parent_;  // pages of a split in place
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> node_images_;  // nodes being built
};

}  // namespace jet
