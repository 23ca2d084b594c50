// An index page read and edited in its stored form (byte map in
// index_page.h), without decoding its entries into keys: the index writer's
// hot path. Searching a page costs a scan of its entry-end bitmask and a
// binary search; adding an entry to a leaf rebuilds the page's bytes once,
// or shifts the entries after it in place; a full leaf is cut in two
// pages. Node splits and the other rare changes work on decoded pages.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/index.h"
#include "page_cache.h"
#include "index_page.h"

namespace jet {

class RawIndexPage {
 public:
  explicit RawIndexPage(const IndexPageLayout& layout) : layout_(layout) {}

  // Reads the header and the entry ends of `page` (kept alive here).
  // Throws jet::Error (corruption, naming `number`) as decode_index_page
  // does: a type other than 0x03/0x04, entries past the page, an entry too
  // short for its pointers, a prefix longer than the first entry.
  void load(PageRef page, std::uint32_t number);

  std::uint32_t number() const { return number_; }
  std::span<const std::uint8_t> page_bytes() const { return bytes_; }
  bool leaf() const { return leaf_; }
  std::uint32_t owner() const;
  std::uint32_t tail_page() const;
  std::size_t count() const { return ends_.size(); }

  // Orders entry `i` against (key, row) as compare_entries does: <0 when
  // the entry comes first.
  int compare(std::size_t i, std::span<const std::uint8_t> key, RowPointer row) const;
  // True when entry `i` has exactly these key bytes.
  bool key_equals(std::size_t i, std::span<const std::uint8_t> key) const;
  // The first entry not before (key, row); count() when there is none.
  std::size_t lower_bound(std::span<const std::uint8_t> key, RowPointer row) const;
  // Node pages: the child page entry `i` points to.
  std::uint32_t child(std::size_t i) const;

  // How with_leaf_entry built the page.
  enum class Edit {
    no_room,  // the entries would not fit the page; `out` unspecified
    rebuilt,  // the prefix or the first entry changed: every entry moved
    shifted,  // the entries from the slot on moved up by the new entry
  };

  // Writes into `out` (resized to one page) this leaf with the entry
  // (key, row) added at `slot`, every entry but the first sharing the
  // longest prefix the keys allow.
  // REQUIRES: leaf(), slot <= count(), and (key, row) belongs at `slot`.
  Edit with_leaf_entry(std::size_t slot, std::span<const std::uint8_t> key, RowPointer row,
                       std::vector<std::uint8_t>& out) const;

  // Takes `page` as this page after a `shifted` edit at `slot` of a key of
  // `key_size` bytes, without reading its entry ends again.
  void follow_shift(PageRef page, std::size_t slot, std::size_t key_size);

  // True when the leaf entry (key, row) at `slot` keeps the first entry and
  // the shared prefix and fits: the edit with_leaf_entry calls `shifted`.
  bool can_shift_in(std::size_t slot, std::span<const std::uint8_t> key) const;
  // Makes that edit in `page`, the cache's copy of this page to change
  // (its bytes are this page's, or become them first), and takes it as
  // this page. REQUIRES: can_shift_in(slot, key).
  void shift_in(std::shared_ptr<Page> page, std::size_t slot, std::span<const std::uint8_t> key, RowPointer row);

  // As with_leaf_entry, for a page of either kind with entry `slot`'s key
  // and row pointer replaced (a node entry keeps its child).
  // REQUIRES: slot < count(), and (key, row) belongs at `slot`.
  bool with_entry_replaced(std::size_t slot, std::span<const std::uint8_t> key, RowPointer row,
                           std::vector<std::uint8_t>& out) const;

  // As with_leaf_entry, for a node page taking the entry (key, row, child).
  // REQUIRES: !leaf(), slot <= count(), and (key, row) belongs at `slot`.
  bool with_node_entry(std::size_t slot, std::span<const std::uint8_t> key, RowPointer row,
                       std::uint32_t child_page, std::vector<std::uint8_t>& out) const;

  // Cuts this leaf, with the entry (key, row) added at `slot`, in two:
  // where the halves come closest in size with both fitting a page, or,
  // `appended` (the new entry ends the index), just before the new entry,
  // so that keys added in order leave full pages behind. `left` takes the
  // entries before the cut, `right` the rest, each with the longest prefix
  // its keys allow and this page's header (links as they were). Returns
  // the number of entries in `left`; 0, outputs unspecified, when no cut
  // lets both halves fit.
  // REQUIRES: leaf(), slot <= count(), (key, row) belongs at `slot`, and
  // slot == count() when `appended`.
  std::size_t split_with_leaf_entry(std::size_t slot, std::span<const std::uint8_t> key, RowPointer row,
                                    bool appended, std::vector<std::uint8_t>& left,
                                    std::vector<std::uint8_t>& right) const;

  // Entry `i`'s key (its prefix restored) and row pointer.
  std::vector<std::uint8_t> key_of(std::size_t i) const;
  RowPointer row_of(std::size_t i) const;

 private:
  // Entry `i` as stored, and the bytes of the first entry it omits.
  std::span<const std::uint8_t> stored(std::size_t i) const;
  std::size_t prefix_of(std::size_t i) const { return i == 0 ? 0 : prefix_; }
  std::size_t full_size(std::size_t i) const { return prefix_of(i) + stored(i).size(); }
  std::uint8_t full_byte(std::size_t i, std::size_t at) const;
  std::size_t tail_size() const { return kEntryRowPointerSize + (leaf_ ? 0 : kEntryChildSize); }
  static std::size_t source(std::size_t j, std::size_t slot, bool replace);
  // Over the entries after an edit at `slot`: the size of entry j, and the
  // longest prefix the entries from `from` to `to` (exclusive) share.
  std::size_t size_after(std::size_t j, std::size_t slot, bool replace, std::span<const std::uint8_t> key) const;
  std::size_t prefix_after(std::size_t slot, bool replace, std::span<const std::uint8_t> key, std::size_t from,
                           std::size_t to) const;
  std::size_t prefix_after(std::size_t slot, bool replace, std::span<const std::uint8_t> key) const;
  // Writes the entries from `from` to `to` after an edit at `slot` as one
  // page; false when they do not fit.
  bool built(std::size_t slot, bool replace, std::span<const std::uint8_t> key, RowPointer row,
             std::uint32_t child_page, std::size_t from, std::size_t to, std::vector<std::uint8_t>& out) const;
  bool rebuilt(std::size_t slot, bool replace, std::span<const std::uint8_t> key, RowPointer row,
               std::uint32_t child_page, std::vector<std::uint8_t>& out) const;
  // Moves the entries from `slot` on up in `page` (this page's bytes) and
  // writes (key, row) in the gap.
  void shift_entries(std::span<std::uint8_t> page, std::size_t slot, std::span<const std::uint8_t> key,
                     RowPointer row) const;
  // Copies entry `i` (prefix restored) from byte `skip` on to `out`.
  std::uint8_t* copy_entry(std::size_t i, std::size_t skip, std::uint8_t* out) const;

  const IndexPageLayout& layout_;
  PageRef page_;
  std::span<const std::uint8_t> bytes_;
  std::uint32_t number_ = 0;
  bool leaf_ = false;
  std::size_t prefix_ = 0;
  std::vector<std::uint16_t> ends_;  // entry ends in the entry area
};

}  // namespace jet
