// Index pages of Jet 3 and Jet 4 files: layout and codec.
//
// Index page (type 0x03 node, 0x04 leaf). Header fields little-endian;
// entry fields big-endian.
//   J3   J4   size   meaning
//   0    0    1      page type: 0x03 node, 0x04 leaf
//   1    1    1      0x01
//   2    2    2      free space
//   4    4    4      owning TDEF page
//   -    8    4      unknown
//   8    12   4      previous page at this level (0 = none)
//   12   16   4      next page at this level (0 = none)
//   16   20   4      node: tail page (a last child no entry points to)
//   20   24   1/2    length of the prefix every entry shares with the first
//   21   26   1      unknown (0x01 on node pages)
//   22   27   226/453 entry-end bitmask, one bit per byte of the entry area
//   248  480  ...    entry area
//
// Bit n of the bitmask (low bit first in each byte) set means an entry ends
// at (and the next starts at) byte n of the entry area; the first entry
// starts at byte 0. Every entry but the first omits the shared prefix.
// Entry: key bytes, 3-byte data page, 1-byte row, and on node pages a
// 4-byte child page.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/types.h"

namespace jet {

struct IndexPageLayout {
  std::uint32_t page_size;
  std::uint32_t prev_offset;
  std::uint32_t next_offset;
  std::uint32_t tail_offset;
  std::uint32_t prefix_length_offset;
  std::uint32_t prefix_length_size;  // 1 (Jet 3) or 2 bytes
  std::uint32_t mask_offset;
  std::uint32_t mask_size;
  constexpr std::uint32_t entries_offset() const { return mask_offset + mask_size; }
  static const IndexPageLayout& of(JetVersion version);
};

inline constexpr IndexPageLayout kJet3IndexLayout{2048, 8, 12, 16, 20, 1, 22, 226};
inline constexpr IndexPageLayout kJet4IndexLayout{4096, 12, 16, 20, 24, 2, 27, 453};
static_assert(kJet3IndexLayout.entries_offset() == 0xF8);
static_assert(kJet4IndexLayout.entries_offset() == 0x1E0);
// The bitmask has a bit for every byte of the entry area.
static_assert(kJet3IndexLayout.mask_size * 8 >= kJet3IndexLayout.page_size - kJet3IndexLayout.entries_offset());
static_assert(kJet4IndexLayout.mask_size * 8 >= kJet4IndexLayout.page_size - kJet4IndexLayout.entries_offset());

// Bytes of the row pointer and child pointer that close an entry.
inline constexpr std::size_t kEntryRowPointerSize = 3 + 1;
inline constexpr std::size_t kEntryChildSize = 4;

struct IndexEntry {
  std::vector<std::uint8_t> key;  // with the shared prefix restored
  RowPointer row;                 // the row this entry indexes
  std::uint32_t child_page = 0;   // node pages: the subtree it ends; else 0
};

struct IndexPage {
  std::uint32_t number = 0;
  bool leaf = false;
  std::uint16_t free_space = 0;
  std::uint32_t owner = 0;        // TDEF page of the table
  std::uint32_t prev_page = 0;
  std::uint32_t next_page = 0;
  std::uint32_t tail_page = 0;
  std::uint16_t prefix_length = 0;
  std::vector<IndexEntry> entries;
};

// Decodes one index page. `page` must be one whole page of the file's
// version. Throws jet::Error (corruption, naming `page_number`) when the
// type byte is not 0x03/0x04, an entry is too short for its pointers, the
// prefix is longer than the first entry, or the bitmask runs past the page.
IndexPage decode_index_page(std::span<const std::uint8_t> page, const IndexPageLayout& layout,
                            std::uint32_t page_number);

// Encodes `page` with its prefix_length (0 = none; number and free_space
// are ignored, free_space is computed). Returns exactly layout.page_size
// bytes. Throws jet::Error (invalid_argument) when the entries do not fit
// in the entry area or the prefix is longer than all keys share.
std::vector<std::uint8_t> encode_index_page(const IndexPage& page, const IndexPageLayout& layout);

// The longest prefix all keys of `entries` share (0 for fewer than two),
// capped at what the layout's prefix field holds.
std::size_t longest_shared_prefix(const std::vector<IndexEntry>& entries,
                                  const IndexPageLayout& layout);

// Orders entries as Access does: key bytes, then row pointer.
int compare_entries(const IndexEntry& a, const IndexEntry& b);

}  // namespace jet
