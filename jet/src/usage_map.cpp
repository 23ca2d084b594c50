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

namespace jet {
namespace {

std::uint64_t bits_per_map_page(const Format& format) {
  return (format.page_size - kUsageMapPageHeaderSize) * 8ull;
}

void set_bit(std::uint8_t* bitmap, std::uint64_t bit, bool on) {
  const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
  if (on) bitmap[bit / 8] |= mask; else bitmap[bit / 8] &= static_cast<std::uint8_t>(~mask);
}

// The bytes of row `row` on a page being changed.
std::span<std::uint8_t> row_of(Page& page, const Format& format, std::uint8_t row) {
  const auto slots = decode_row_slots(page.bytes, format, page.number);
  if (row >= slots.size()) {
    throw Error::corruption(page.number, "usage map", "a map row " + std::to_string(row), "no such row");
  }
  return std::span<std::uint8_t>(page.bytes).subspan(slots[row].start, slots[row].end - slots[row].start);
}

// Turns an inline map into a reference map holding the same pages.
void make_reference(PageCache& pages, const Format& format, RowPointer pointer,
                    const PageAllocator& allocate) {
  std::vector<std::uint8_t> row;
  {
    const LocatedRow located = locate_row(pages, format, pointer, pointer.page);
    row.assign(located.bytes.begin(), located.bytes.end());
  }
  std::vector<std::uint32_t> listed;
  collect_bits(std::span<const std::uint8_t>(row).subspan(kInlineMapHeaderSize), coding::get_u32(&row[1]),
               0xFFFFFFFFu, pointer.page, listed);
  std::vector<std::uint8_t> reference(row.size(), 0);
  reference[0] = kReferenceUsageMap;
  std::vector<std::vector<std::uint8_t>> map_pages((row.size() - 1) / 4);
  for (std::uint32_t page : listed) {
    auto& bytes = map_pages[page / bits_per_map_page(format)];
    if (bytes.empty()) bytes = empty_usage_map_page(format);
    set_bit(bytes.data() + kUsageMapPageHeaderSize, page % bits_per_map_page(format), true);
  }
  for (std::size_t i = 0; i < map_pages.size(); ++i) {
    if (!map_pages[i].empty()) coding::put_u32(&reference[1 + 4 * i], allocate(std::move(map_pages[i])));
  }
  auto target = pages.modify(pointer.page);
  auto bytes = row_of(*target, format, pointer.row);
  std::copy(reference.begin(), reference.end(), bytes.begin());
}

}  // namespace

std::uint32_t usage_map_row_size(const Format& format) { return format.is_jet4() ? 69 : 133; }

std::vector<std::uint8_t> empty_usage_map_row(const Format& format, std::uint32_t first) {
  std::vector<std::uint8_t> row(usage_map_row_size(format), 0);
  row[0] = kInlineUsageMap;
  coding::put_u32(&row[1], first & ~7u);
  return row;
}

std::vector<std::uint8_t> empty_usage_map_page(const Format& format) {
  std::vector<std::uint8_t> page(format.page_size, 0);
  page[0] = page_type::usage_map;
  page[1] = 0x01;
  return page;
}

void update_usage_map(PageCache& pages, const Format& format, RowPointer pointer,
                      std::uint32_t page, bool used, const PageAllocator& allocate) {
  std::uint8_t type = 0;
  std::uint64_t window_first = 0, window_bits = 0;
  std::uint32_t map_page = 0;
  const std::uint64_t span = bits_per_map_page(format);
  {
    const LocatedRow row = locate_row(pages, format, pointer, pointer.page);
    coding::ByteReader in(row.bytes, pointer.page, "usage map");
    type = in.u8(0);
    if (type == kInlineUsageMap) {
      window_first = in.u32(1);
      window_bits = (row.bytes.size() - kInlineMapHeaderSize) * 8ull;
    } else if (type == kReferenceUsageMap) {
      const std::size_t slot = 1 + 4 * (page / span);
      if (slot + 4 > row.bytes.size()) {
        throw Error::invalid_argument("page " + std::to_string(page) + " is past what a usage map reaches");
      }
      map_page = in.u32(slot);
    } else {
      throw Error::corruption(pointer.page, "usage map", "map type 0 or 1", "type " + std::to_string(type));
    }
  }
  if (type == kInlineUsageMap) {
    const bool inside = page >= window_first && page - window_first < window_bits;
    if (inside) {
      auto target = pages.modify(pointer.page);
      set_bit(row_of(*target, format, pointer.row).data() + kInlineMapHeaderSize, page - window_first, used);
      return;
    }
    if (!used) return;
    make_reference(pages, format, pointer, allocate);
    return update_usage_map(pages, format, pointer, page, used, allocate);
  }
  if (map_page == 0) {
    if (!used) return;
    map_page = allocate(empty_usage_map_page(format));
    auto target = pages.modify(pointer.page);
    coding::put_u32(row_of(*target, format, pointer.row).data() + 1 + 4 * (page / span), map_page);
  }
  auto target = pages.modify(map_page);
  set_bit(target->bytes.data() + kUsageMapPageHeaderSize, page % span, used);
}

}  // namespace jet
