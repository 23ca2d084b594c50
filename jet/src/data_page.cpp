#include "data_page.h"

#include <string>

#include "coding.h"
#include "jet/error.h"

namespace jet {

std::vector<RowSlot> decode_row_slots(std::span<const std::uint8_t> bytes, const Format& format,
                                      std::uint32_t page) {
  coding::ByteReader in(bytes, page, "data page");
  const std::uint8_t type = in.u8(0);
  if (type != page_type::data) {
    throw Error::corruption(page, "data page", "page type 0x01",
                            "page type " + std::to_string(type));
  }
  const std::uint32_t count = in.u16(format.data_row_count_offset);
  const std::size_t table_start = format.data_row_count_offset + 2;
  const std::size_t table_end = table_start + 2 * static_cast<std::size_t>(count);
  if (table_end > bytes.size()) {
    throw Error::corruption(page, "data page", "a row slot table inside the page",
                            std::to_string(count) + " slots");
  }
  std::vector<RowSlot> slots(count);
  std::size_t previous_start = bytes.size();
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint16_t raw = in.u16(table_start + 2 * i);
    RowSlot& slot = slots[i];
    slot.start = raw & kRowOffsetMask;
    slot.deleted = (raw & kRowDeletedFlag) != 0;
    slot.overflow = (raw & kRowOverflowFlag) != 0;
    slot.end = static_cast<std::uint16_t>(previous_start);
    const bool bad = slot.start < table_end || slot.start > previous_start;
    if (bad && !slot.deleted) {
      throw Error::corruption(page, "data page",
                              "row " + std::to_string(i) + " between offsets " +
                                  std::to_string(table_end) + " and " +
                                  std::to_string(previous_start),
                              "offset " + std::to_string(slot.start));
    }
    if (bad) {
      slot.start = slot.end;  // a damaged deleted slot: treat as empty
    }
    previous_start = slot.start;
  }
  return slots;
}

std::uint32_t data_page_owner(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kDataPageOwnerOffset + 4 ? coding::get_u32(bytes.data() + kDataPageOwnerOffset)
                                                  : 0;
}

LocatedRow locate_row(PageCache& pages, const Format& format, RowPointer pointer,
                      std::uint32_t from_page) {
  PageRef page = pages.get(pointer.page, from_page);
  const auto slots = decode_row_slots(page->view(), format, pointer.page);
  if (pointer.row >= slots.size()) {
    throw Error::corruption(from_page, "row pointer",
                            "a row below " + std::to_string(slots.size()) + " on page " +
                                std::to_string(pointer.page),
                            "row " + std::to_string(pointer.row));
  }
  const RowSlot slot = slots[pointer.row];
  return LocatedRow{page, page->view().subspan(slot.start, slot.end - slot.start), slot};
}

LocatedRow resolve_row(PageCache& pages, const Format& format, RowPointer pointer,
                       std::uint32_t from_page) {
  constexpr int kMaxHops = 8;
  LocatedRow row = locate_row(pages, format, pointer, from_page);
  for (int hop = 0; row.slot.overflow && !row.slot.deleted; ++hop) {
    if (hop == kMaxHops) {
      throw Error::corruption(pointer.page, "overflow row", "a short chain of overflow pointers",
                              "more than " + std::to_string(kMaxHops) + " hops");
    }
    if (row.bytes.size() < 4) {
      throw Error::corruption(row.page->number, "overflow row", "a 4-byte row pointer",
                              std::to_string(row.bytes.size()) + " bytes");
    }
    const RowPointer next = RowPointer::from_word(coding::get_u32(row.bytes.data()));
    row = locate_row(pages, format, next, row.page->number);
  }
  return row;
}

}  // namespace jet

namespace jet {

std::vector<std::uint8_t> empty_data_page(const Format& format, std::uint32_t owner) {
  std::vector<std::uint8_t> page(format.page_size, 0);
  page[0] = page_type::data;
  page[1] = 0x01;
  coding::put_u16(&page[format.data_free_space_offset],
                  static_cast<std::uint16_t>(format.page_size - format.data_row_count_offset - 2));
  coding::put_u32(&page[kDataPageOwnerOffset], owner);
  return page;
}

std::size_t max_row_size(const Format& format) {
  return format.page_size - format.data_row_count_offset - 2 - 2;
}

bool page_has_room(std::span<const std::uint8_t> page, const Format& format, std::size_t size) {
  const std::uint16_t rows = coding::get_u16(&page[format.data_row_count_offset]);
  const std::uint16_t free = coding::get_u16(&page[format.data_free_space_offset]);
  return rows < kMaxRowsPerPage && size + 2 <= free;
}

std::uint8_t add_row(std::span<std::uint8_t> page, const Format& format,
                     std::span<const std::uint8_t> row) {
  const std::uint16_t rows = coding::get_u16(&page[format.data_row_count_offset]);
  const std::size_t slots = format.data_row_count_offset + 2;
  std::size_t end = page.size();
  if (rows > 0) end = coding::get_u16(&page[slots + 2 * (rows - 1)]) & kRowOffsetMask;
  const std::size_t start = end - row.size();
  std::copy(row.begin(), row.end(), page.begin() + std::ptrdiff_t(start));
  coding::put_u16(&page[slots + 2 * rows], static_cast<std::uint16_t>(start));
  coding::put_u16(&page[format.data_row_count_offset], static_cast<std::uint16_t>(rows + 1));
  const std::uint16_t free = coding::get_u16(&page[format.data_free_space_offset]);
  coding::put_u16(&page[format.data_free_space_offset], static_cast<std::uint16_t>(free - row.size() - 2));
  return static_cast<std::uint8_t>(rows);
}

}  // namespace jet
