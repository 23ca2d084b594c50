// Index pages and index keys of Jet 3 and Jet 4 files.
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
//
// Key: one part per index column. A part is a flag byte (ascending: 0x7F
// value present, 0x00 null; descending: 0x80 present, 0xFF null) followed,
// when present, by the value's body. Entries sort by their bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/types.h"
#include "jet/value.h"

namespace jet {

// ---------------------------------------------------------------------------
// Index pages

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

// ---------------------------------------------------------------------------
// Keys

enum class SortOrder : std::uint8_t {
  general97,      // Jet 3 "General": code-page bytes
  general_legacy, // Jet 4 "General" (later called legacy): UCS-2 units
};

inline constexpr std::uint8_t kKeyAscPresent = 0x7F;
inline constexpr std::uint8_t kKeyAscNull = 0x00;
inline constexpr std::uint8_t kKeyDescPresent = 0x80;
inline constexpr std::uint8_t kKeyDescNull = 0xFF;

// The sort order of a text or memo column, from its TDEF fields. Throws
// jet::Error (not_supported) for a collation other than General.
SortOrder sort_order_of(const ColumnDef& column, JetVersion version);

// Appends a null key part.
void append_null_key(bool ascending, std::vector<std::uint8_t>& out);

// Appends the key part of a fixed-size value given as its bytes in the row
// (little-endian, as stored): byte, integer, long integer, money, single,
// double, date/time, GUID, numeric. Throws jet::Error (invalid_argument)
// for another type or when `stored` is not the type's size.
void append_fixed_key(ColumnType type, std::span<const std::uint8_t> stored, bool ascending,
                      std::vector<std::uint8_t>& out);

// Appends a yes/no key part (yes/no values are never null in a key).
void append_bool_key(bool value, bool ascending, std::vector<std::uint8_t>& out);

// Appends a binary key part: 8-byte groups, each followed by 9 while more
// follow, the last zero-padded and followed by its used length.
void append_binary_key(std::span<const std::uint8_t> bytes, bool ascending,
                       std::vector<std::uint8_t>& out);

// Appends a text or memo key part. `utf8` is the value as stored (for Jet 3,
// after conversion to the code page; its five unassigned bytes read back as
// U+0081, U+008D, U+008F, U+0090 and U+009D). General legacy has a code
// for every UTF-16 unit. Throws jet::Error (invalid_argument) for malformed
// UTF-8 and, for General 97, a character outside code page 1252.
void append_text_key(std::string_view utf8, SortOrder order, bool ascending,
                     std::vector<std::uint8_t>& out);

// Appends the key part of `value` in `column` (text columns use `order`).
// Throws jet::Error (invalid_argument) when the value's alternative does not
// fit the column type, or for a column type that cannot be indexed (memo
// and OLE are indexed only by their text; OLE values are rejected).
void append_key_part(const ColumnDef& column, const Value& value, bool ascending,
                     SortOrder order, std::vector<std::uint8_t>& out);

// The whole key of a row in a real index. `row` holds the row's values in
// the order of `table.columns`. Throws jet::Error (invalid_argument) when an
// index column is not in the table or `row` is short, and as
// append_key_part; (not_supported) as sort_order_of.
std::vector<std::uint8_t> make_index_key(const TableDef& table, const RealIndexDef& index,
                                         const std::vector<Value>& row, JetVersion version);

// Reads one key part back for listing, starting at `pos` and advancing it
// past the part: "NULL", the value in to_display_string form, and for text
// "<text>" (text keys cannot be turned back into text).
// Throws jet::Error (corruption, kNoPage) when the bytes end early.
std::string describe_key_part(const ColumnDef& column, std::span<const std::uint8_t> key,
                              std::size_t& pos, bool ascending);

// All parts of a key of `index` for listing, e.g. "(42, <text>)". Damage
// stops the listing with "...)" instead of throwing.
std::string describe_key(const TableDef& table, const RealIndexDef& index,
                         std::span<const std::uint8_t> key);

// Hex rendering of key bytes ("7F 80 00 00 01").
std::string key_to_hex(std::span<const std::uint8_t> key);

}  // namespace jet
