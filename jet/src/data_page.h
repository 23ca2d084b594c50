// Decoder of data pages (and LVAL pages, which share the layout): the row
// slot table and the bytes of each row.
//
// Byte order little-endian. Jet 3 / Jet 4 offsets:
//   J3  J4  size meaning
//   0   0   1    page type 0x01
//   1   1   1    0x01
//   2   2   2    free space in the page
//   4   4   4    owning TDEF page, or the ASCII word "LVAL" on LVAL pages
//   -   8   4    unknown
//   8   12  2    number of row slots
//   10  14  2*n  row slots: bits 0-12 offset of the row's first byte,
//                0x4000 overflow (the row holds a 4-byte row pointer to
//                where the row now lives), 0x8000 deleted (also set on the
//                target of an overflow pointer so scans skip it)
// Rows grow down from the end of the page: row i ends where row i-1 starts
// (row 0 ends at the page end).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format.h"
#include "page_cache.h"

namespace jet {

inline constexpr std::uint32_t kLvalMarker = 0x4C41564C;  // "LVAL" little-endian
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kRowOverflowFlag = 0x4000;
inline constexpr std::uint16_t kRowDeletedFlag = 0x8000;
inline constexpr std::uint32_t kDataPageOwnerOffset = 4;

struct RowSlot {
  std::uint16_t start = 0;  // first byte of the row in the page
  std::uint16_t end = 0;    // one past the last byte
  bool deleted = false;
  bool overflow = false;
};

// Decodes the slot table of a data or LVAL page. Throws jet::Error
// (corruption, with `page`) if the page is not a data page, the slot table
// overruns the page, or a slot points outside the page or overlaps the
// slot table.
std::vector<RowSlot> decode_row_slots(std::span<const std::uint8_t> bytes, const Format& format,
                                      std::uint32_t page);

// The TDEF page that owns a data page (or kLvalMarker).
std::uint32_t data_page_owner(std::span<const std::uint8_t> bytes);

// The bytes of one row found through a row pointer, with the page that
// holds them (keep `page` while using `bytes`).
struct LocatedRow {
  PageRef page;
  std::span<const std::uint8_t> bytes;
  RowSlot slot;
};

// Finds row `pointer.row` on page `pointer.page`. Throws jet::Error
// (corruption, naming `from_page`) if the page is not a data page or the
// row number is past its slot table.
LocatedRow locate_row(PageCache& pages, const Format& format, RowPointer pointer,
                      std::uint32_t from_page);

// Like locate_row but follows overflow pointers (at most a few hops) to
// the row's real bytes. Throws jet::Error (corruption) on a pointer loop.
LocatedRow resolve_row(PageCache& pages, const Format& format, RowPointer pointer,
                       std::uint32_t from_page);

// --- Writing -----------------------------------------------------------

// Most rows one page holds (a row pointer has one byte for the row).
inline constexpr std::uint32_t kMaxRowsPerPage = 255;

// A data page with no rows owned by `owner` (a TDEF page, kLvalMarker for
// long values, 0 for pages of map rows).
std::vector<std::uint8_t> empty_data_page(const Format& format, std::uint32_t owner);

// Largest row a data page takes (a page with only that row).
std::size_t max_row_size(const Format& format);

// True when a row of `size` bytes fits on the page besides what it holds.
bool page_has_room(std::span<const std::uint8_t> page, const Format& format, std::size_t size);

// Adds `row` below the rows already on `page` and returns its row number.
// REQUIRES: page_has_room(page, format, row.size()).
std::uint8_t add_row(std::span<std::uint8_t> page, const Format& format,
                     std::span<const std::uint8_t> row);

}  // namespace jet
