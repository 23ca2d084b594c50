// Keeps one index B-tree (byte map in jet/index.h) as rows are added.
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
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "jet/index.h"
#include "jet/types.h"

namespace jet {

// The pages of one index as the writer reaches them. The engine wires it to
// its page cache; tests use pages in memory.
class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;
  virtual JetVersion version() const = 0;
  // The bytes of page `number` (exactly one page). Throws jet::Error.
  virtual std::vector<std::uint8_t> read_page(std::uint32_t number) = 0;
  // Replaces page `number` (bytes.size() is one page). Throws jet::Error.
  virtual void write_page(std::uint32_t number, std::vector<std::uint8_t> bytes) = 0;
  // A fresh page for this index, marked used in the global usage map and
  // in the index's own usage map. Its bytes are written (write_page)
  // before anything reads it. Throws jet::Error (io, 3026 when the file
  // would pass its size limit).
  virtual std::uint32_t allocate_index_page() = 0;
};

// The bytes of an empty index root: a leaf page with no entries, owned by
// the table whose TDEF is `owner`. A new index starts as one such page.
std::vector<std::uint8_t> empty_index_root(JetVersion version, std::uint32_t owner);

// Longest key an index entry may hold, so that every page can hold at least
// two entries and any overflowing page splits cleanly.
std::size_t max_index_key_size(JetVersion version);

// Adds entries to the tree rooted at `root` (owned by the TDEF at `owner`)
// and answers whether a key is present. Pages stay decoded here (up to
// `cached_pages`; colder ones are written through the store as they leave)
// until flush(). Not copyable; borrows `store`, which must outlive it.
// Thread-safety: none.
class IndexWriter {
 public:
  static constexpr std::size_t kDefaultCachedPages = 256;

  IndexWriter(IndexPageStore& store, std::uint32_t root, std::uint32_t owner,
              std::size_t cached_pages = kDefaultCachedPages);
  IndexWriter(const IndexWriter&) = delete;
  IndexWriter& operator=(const IndexWriter&) = delete;

  // True when some entry has exactly these key bytes (any row). Use it for
  // the unique check before anything of a row is written. Throws
  // jet::Error (corruption) on a damaged tree.
  bool contains_key(std::span<const std::uint8_t> key);

  // Adds the entry (key, row) in order, splitting pages as needed (new
  // pages come from store.allocate_index_page()). Throws jet::Error:
  // invalid_argument when the key is longer than max_index_key_size (check
  // that before writing the row) or the tree already holds this exact
  // entry; corruption on a damaged tree; what the store throws.
  void insert(std::span<const std::uint8_t> key, RowPointer row);

  // Writes every changed page through the store. Throws what it throws.
  void flush();

 private:
  struct Cached {
    IndexPage page;
    bool dirty = false;
    std::uint64_t used = 0;
  };
  // One page on the way from the root to a leaf, and where the way went.
  struct Step {
    std::uint32_t page;
    std::size_t slot;   // node: entry followed; leaf: insert position
    bool tail = false;  // node: went down the tail page
  };

  IndexPage& page(std::uint32_t number);
  IndexPage& changed(std::uint32_t number);
  IndexPage& fresh_page(bool leaf);
  void evict_cold_pages();
  void write_out(Cached& cached);
  std::vector<Step> descend(const IndexEntry& entry);
  IndexEntry subtree_last(std::uint32_t number);
  void propagate_last(const std::vector<Step>& path);
  void nest_root(std::vector<Step>& path);
  void split(std::vector<Step>& path, std::size_t level, bool appended);
  void unlink_children(const std::vector<IndexEntry>& left, const std::vector<IndexEntry>& right);

  IndexPageStore& store_;
  const IndexPageLayout& layout_;
  std::uint32_t root_;
  std::uint32_t owner_;
  std::size_t cached_pages_;
  std::map<std::uint32_t, Cached> cache_;
  std::uint64_t clock_ = 0;
};

}  // namespace jet
