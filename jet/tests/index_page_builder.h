// Test helpers: index pages built from entries, for either layout.
#pragma once

#include <cstdint>
#include <vector>

#include "coding.h"
#include "jet/index.h"

namespace jet::testing {

using Bytes = std::vector<std::uint8_t>;

// Entry bytes: key, big-endian 3-byte page and row, and for nodes a child.
inline Bytes entry(Bytes key, std::uint32_t page, std::uint8_t row, std::uint32_t child = 0,
            bool node = false) {
  Bytes out = std::move(key);
  std::uint8_t tail[8];
  coding::put_u24_be(tail, page);
  tail[3] = row;
  coding::put_u32_be(tail + 4, child);
  out.insert(out.end(), tail, tail + (node ? 8 : 4));
  return out;
}

// A page of `layout` holding `stored` entries (the ones after the first
// already stripped of the prefix).
inline Bytes build_page(const IndexPageLayout& layout, std::uint8_t type, const std::vector<Bytes>& stored,
                        std::uint16_t prefix = 0, std::uint32_t owner = 77) {
  Bytes page(layout.page_size, 0);
  page[0] = type;
  page[1] = 0x01;
  coding::put_u32(page.data() + 4, owner);
  coding::put_u32(page.data() + layout.prev_offset, 5);
  coding::put_u32(page.data() + layout.next_offset, 6);
  coding::put_u32(page.data() + layout.tail_offset, 7);
  page[layout.prefix_length_offset] = std::uint8_t(prefix);
  std::size_t end = 0;
  for (const Bytes& e : stored) {
    std::copy(e.begin(), e.end(), page.begin() + layout.entries_offset() + end);
    end += e.size();
    page[layout.mask_offset + end / 8] |= std::uint8_t(1u << (end % 8));
  }
  return page;
}

// Sets a built page's previous, next and tail page fields.
inline void set_links(Bytes& page, const IndexPageLayout& layout, std::uint32_t prev,
                      std::uint32_t next, std::uint32_t tail = 0) {
  coding::put_u32(page.data() + layout.prev_offset, prev);
  coding::put_u32(page.data() + layout.next_offset, next);
  coding::put_u32(page.data() + layout.tail_offset, tail);
}

}  // namespace jet::testing
