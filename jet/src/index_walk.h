// Walks an index B-tree from its root: node pages (0x03) down to leaf pages
// (0x04), each node's entries in order and then its tail page, collecting
// the leaf entries in key order and checking the links on the way.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "jet/error.h"
#include "jet/index.h"
#include "page_cache.h"
#include "index_page.h"

namespace jet {

struct IndexLeafLinks {
  std::uint32_t page = 0;
  std::uint32_t prev = 0;
  std::uint32_t next = 0;
};

struct IndexTree {
  std::vector<std::uint32_t> pages;        // every page reached, in visit order
  std::vector<IndexLeafLinks> leaves;      // leaf pages in tree order
  std::vector<IndexEntry> entries;         // leaf entries in tree order
  std::vector<std::uint32_t> entry_pages;  // the leaf holding each entry
};

// Receives each piece of damage found (always kind corruption, with page).
using IndexDamageSink = std::function<void(const Error&)>;

// Receives each leaf entry in tree order and the leaf page that holds it.
using IndexEntrySink = std::function<void(const IndexEntry&, std::uint32_t leaf_page)>;

// Walks the tree rooted at `root` of the table whose TDEF is `owner`.
// Damage is passed to `on_damage` and the walk goes on with what it can
// read: a page that does not decode, lies past the end or is reached twice,
// a tree deeper than 16 levels, a page of another owner, a node entry that
// differs from the last entry below it, and leaf prev/next links that do
// not follow the tree order. `pages` must outlive the call. With
// `on_entry` the leaf entries go to it instead of into the result (so a
// large index need not be held whole).
IndexTree walk_index(PageCache& pages, const IndexPageLayout& layout, std::uint32_t root,
                     std::uint32_t owner, const IndexDamageSink& on_damage,
                     const IndexEntrySink& on_entry = nullptr);

// The leaf entries of the tree in key order. Throws the first damage
// walk_index finds as jet::Error (corruption).
std::vector<IndexEntry> read_index_entries(PageCache& pages, const IndexPageLayout& layout,
                                           std::uint32_t root, std::uint32_t owner);

}  // namespace jet
