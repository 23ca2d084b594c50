#include "usage_map.h"

#include <string>

#include "coding.h"
#include "data_page.h"
#include "jet/error.h"

namespace jet {
namespace {

void collect_bits(std::span<const std::uint8_t> bitmap, std::uint64_t first_page,
                  std::uint32_t page_count, std::uint32_t map_page, std::vector<std::uint32_t>& out) {
  for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
    if (bitmap[byte] == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if ((bitmap[byte] & (1u << bit)) == 0) continue;
      const std::uint64_t page = first_page + byte * 8 + static_cast<unsigned>(bit);
      if (page >= page_count) {
        throw Error::corruption(map_page, "usage map",
                                "pages below " + std::to_string(page_count),
                                "page " + std::to_string(page) + " marked used");
      }
      out.push_back(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

UsageMap decode_usage_map(std::span<const std::uint8_t> row, PageCache& pages,
                          const Format& format, std::uint32_t row_page) {
  coding::ByteReader in(row, row_page, "usage map");
  UsageMap map;
  const std::uint8_t type = in.u8(0);
  if (type == kInlineUsageMap) {
    const std::uint32_t first = in.u32(1);
    collect_bits(row.subspan(kInlineMapHeaderSize), first, pages.page_count(), row_page, map.pages);
    return map;
  }
  if (type != kReferenceUsageMap) {
    throw Error::corruption(row_page, "usage map", "map type 0 or 1", "type " + std::to_string(type));
  }
  map.kind = UsageMapKind::reference;
  const std::uint64_t bits_per_page = (format.page_size - kUsageMapPageHeaderSize) * 8ull;
  for (std::size_t i = 0; 1 + 4 * (i + 1) <= row.size(); ++i) {
    const std::uint32_t map_page = in.u32(1 + 4 * i);
    if (map_page == 0) continue;
    PageRef page = pages.get(map_page, row_page);
    if (page->bytes[0] != page_type::usage_map) {
      throw Error::corruption(map_page, "usage map page", "page type 0x05",
                              "page type " + std::to_string(page->bytes[0]));
    }
    collect_bits(page->view().subspan(kUsageMapPageHeaderSize), i * bits_per_page,
                 pages.page_count(), map_page, map.pages);
  }
  return map;
}

UsageMap read_usage_map(PageCache& pages, const Format& format, RowPointer pointer,
                        std::uint32_t from_page) {
  const LocatedRow row = locate_row(pages, format, pointer, from_page);
  return decode_usage_map(row.bytes, pages, format, pointer.page);
}

}  // namespace jet
