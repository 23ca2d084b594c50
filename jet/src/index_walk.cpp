// Index B-tree walk (see index_walk.h).
#include "index_walk.h"

#include <optional>
#include <set>
#include <string>
#include "index_page.h"

namespace jet {
namespace {

constexpr int kMaxDepth = 16;  // far deeper than any real tree
constexpr const char* kWhere = "index tree";

class Walker {
 public:
  Walker(PageCache& pages, const IndexPageLayout& layout, std::uint32_t owner,
         const IndexDamageSink& sink, const IndexEntrySink& on_entry)
      : pages_(pages), layout_(layout), owner_(owner), sink_(sink), on_entry_(on_entry) {}

  // Visits the subtree at `number`; returns its last leaf entry, if any.
  std::optional<IndexEntry> visit(std::uint32_t number, int depth) {
    std::optional<IndexPage> page = read(number, depth);
    if (!page) return std::nullopt;
    if (page->leaf) return take_leaf(*page);
    std::optional<IndexEntry> last;
    for (const IndexEntry& e : page->entries) {
      last = visit(e.child_page, depth + 1);
      if (last && compare_entries(*last, e) != 0) {
        damage(number, "node entry equal to the last entry below it (child page " +
                           std::to_string(e.child_page) + ")",
               "a different entry");
      }
    }
    if (page->tail_page != 0) last = visit(page->tail_page, depth + 1);
    return last;
  }

  void check_leaf_chain() {
    const auto& leaves = tree_.leaves;
    for (std::size_t i = 0; i < leaves.size(); ++i) {
      std::uint32_t prev = i ? leaves[i - 1].page : 0;
      std::uint32_t next = i + 1 < leaves.size() ? leaves[i + 1].page : 0;
      if (leaves[i].prev != prev) {
        damage(leaves[i].page, "previous leaf " + std::to_string(prev),
               "previous leaf " + std::to_string(leaves[i].prev));
      }
      if (leaves[i].next != next) {
        damage(leaves[i].page, "next leaf " + std::to_string(next),
               "next leaf " + std::to_string(leaves[i].next));
      }
    }
  }

  IndexTree take() { return std::move(tree_); }

 private:
  void damage(std::uint32_t page, const std::string& expected, const std::string& found) {
    sink_(Error::corruption(page, kWhere, expected, found));
  }

  std::optional<IndexPage> read(std::uint32_t number, int depth) {
    if (depth > kMaxDepth) {
      damage(number, "at most " + std::to_string(kMaxDepth) + " levels", "a deeper tree");
    } else if (number >= pages_.page_count()) {
      damage(number, "a page below " + std::to_string(pages_.page_count()), "a page past the end");
    } else if (!visited_.insert(number).second) {
      damage(number, "each page once in the tree", "it reached twice");
    } else {
      return decode(number);
    }
    return std::nullopt;
  }

  std::optional<IndexPage> decode(std::uint32_t number) {
    tree_.pages.push_back(number);
    try {
      IndexPage page = decode_index_page(pages_.get(number)->view(), layout_, number);
      if (page.owner != owner_) {
        damage(number, "owner TDEF page " + std::to_string(owner_),
               "owner " + std::to_string(page.owner));
      }
      return page;
    } catch (const Error& e) {
      sink_(e);
      return std::nullopt;
    }
  }

  std::optional<IndexEntry> take_leaf(IndexPage& page) {
    tree_.leaves.push_back({page.number, page.prev_page, page.next_page});
    if (page.entries.empty()) return std::nullopt;
    if (on_entry_) {
      for (const IndexEntry& e : page.entries) on_entry_(e, page.number);
      return std::move(page.entries.back());
    }
    for (IndexEntry& e : page.entries) {
      tree_.entries.push_back(std::move(e));
      tree_.entry_pages.push_back(page.number);
    }
    return tree_.entries.back();
  }

  PageCache& pages_;
  const IndexPageLayout& layout_;
  std::uint32_t owner_;
  const IndexDamageSink& sink_;
  const IndexEntrySink& on_entry_;
  std::set<std::uint32_t> visited_;
  IndexTree tree_;
};

}  // namespace

IndexTree walk_index(PageCache& pages, const IndexPageLayout& layout, std::uint32_t root,
                     std::uint32_t owner, const IndexDamageSink& on_damage,
                     const IndexEntrySink& on_entry) {
  Walker walker(pages, layout, owner, on_damage, on_entry);
  walker.visit(root, 0);
  walker.check_leaf_chain();
  return walker.take();
}

std::vector<IndexEntry> read_index_entries(PageCache& pages, const IndexPageLayout& layout,
                                           std::uint32_t root, std::uint32_t owner) {
  IndexTree tree = walk_index(pages, layout, root, owner, [](const Error& e) { throw e; });
  return std::move(tree.entries);
}

}  // namespace jet
