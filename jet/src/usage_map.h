// Decoder of page usage maps: which pages a table, index or long-value
// column owns. A TDEF points at a map with a row pointer; the row holds one
// of two kinds of map.
//
// Byte order little-endian.
// Inline map (type 0):
//   off size meaning
//   0   1    map type 0x00
//   1   4    first page the bitmap describes
//   5   n    bitmap: bit k (low bit first) set = page (first + k) is used
// Reference map (type 1):
//   0   1    map type 0x01
//   1   4*n  pages of type 0x05, 0 = none; the i-th describes pages
//            i * bits_per_page .. (i + 1) * bits_per_page - 1
// Usage map page (type 0x05):
//   0   1    page type 0x05
//   1   1    0x01
//   2   2    unknown (0)
//   4   ...  bitmap, low bit first; bits_per_page = (page size - 4) * 8
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "format.h"
#include "page_cache.h"

namespace jet {

inline constexpr std::uint8_t kInlineUsageMap = 0x00;
inline constexpr std::uint8_t kReferenceUsageMap = 0x01;
inline constexpr std::uint32_t kUsageMapPageHeaderSize = 4;
inline constexpr std::uint32_t kInlineMapHeaderSize = 1 + 4;

enum class UsageMapKind { inline_map, reference };

struct UsageMap {
  UsageMapKind kind = UsageMapKind::inline_map;
  std::vector<std::uint32_t> pages;  // pages marked used, ascending
};

// Decodes the map stored in `row` (an inline map needs nothing else; a
// reference map reads its 0x05 pages through `pages`). `row_page` is the
// page holding the map row, for error reports. Throws jet::Error
// (corruption) on an unknown map type, a referenced page that is not a
// usage map page, or bits that name pages past the end of the file.
UsageMap decode_usage_map(std::span<const std::uint8_t> row, PageCache& pages,
                          const Format& format, std::uint32_t row_page);

// Finds the map row through `pointer` and decodes it.
UsageMap read_usage_map(PageCache& pages, const Format& format, RowPointer pointer,
                        std::uint32_t from_page);

// --- Writing -----------------------------------------------------------

// Bytes of a map row as Access sizes them: Jet 3 133 (a 128-byte bitmap
// for 1024 pages, or 33 map pages), Jet 4 69 (64 bytes for 512 pages, or
// 17 map pages); either way the reference form reaches every page below
// the version's size limit.
std::uint32_t usage_map_row_size(const Format& format);

// A new inline map row listing no page, its window starting at `first`
// (rounded down to a multiple of 8).
std::vector<std::uint8_t> empty_usage_map_row(const Format& format, std::uint32_t first);

// A new usage map page (type 0x05) with no bit set.
std::vector<std::uint8_t> empty_usage_map_page(const Format& format);

// Adds a page of `bytes` to the file and returns its number (the engine's
// allocator, which also takes the page out of the global free map).
using PageAllocator = std::function<std::uint32_t(std::vector<std::uint8_t>)>;

// Marks `page` used (or not) in the map row at `pointer`, rewriting the
// row in place. An inline map whose window misses a page to be marked
// becomes a reference map; its 0x05 pages come from `allocate`. Throws
// jet::Error (corruption) if the row is not a map, (invalid_argument) if
// the page is past what the row can reach.
void update_usage_map(PageCache& pages, const Format& format, RowPointer pointer,
                      std::uint32_t page, bool used, const PageAllocator& allocate);

}  // namespace jet
