// Decoder of index node and leaf pages (byte map in jet/index.h).
#include <algorithm>
#include <string>

#include "coding.h"
#include "format.h"
#include "jet/error.h"
#include "jet/index.h"
#include "index_page.h"

namespace jet {
namespace {

constexpr std::uint32_t kFreeSpaceOffset = 2;
constexpr const char* kWhere = "index page";

// Offsets (in the entry area) where entries end, from the bitmask.
std::vector<std::size_t> entry_ends(const coding::ByteReader& page, const IndexPageLayout& layout) {
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < layout.mask_size; ++i) {
    std::uint8_t bits = page.u8(layout.mask_offset + i);
    for (int bit = 0; bit < 8; ++bit) {
      if (bits & (1u << bit)) ends.push_back(i * 8 + bit);
    }
  }
  return ends;
}

IndexEntry decode_entry(coding::Bytes stored, coding::Bytes prefix, bool leaf,
                        std::uint32_t page_number) {
  std::size_t tail = kEntryRowPointerSize + (leaf ? 0 : kEntryChildSize);
  if (stored.size() + prefix.size() < tail) {
    throw Error::corruption(page_number, kWhere,
                            "entry of at least " + std::to_string(tail) + " bytes",
                            std::to_string(stored.size() + prefix.size()) + " bytes");
  }
  // The entry's bytes are the prefix and then the stored ones.
  const std::size_t key_size = prefix.size() + stored.size() - tail;
  std::uint8_t pointers[kEntryRowPointerSize + kEntryChildSize];
  for (std::size_t i = 0; i < tail; ++i) {
    const std::size_t at = key_size + i;
    pointers[i] = at < prefix.size() ? prefix[at] : stored[at - prefix.size()];
  }
  IndexEntry entry;
  entry.key.reserve(key_size);
  entry.key.insert(entry.key.end(), prefix.begin(), prefix.begin() + std::ptrdiff_t(std::min(key_size, prefix.size())));
  if (key_size > prefix.size()) {
    entry.key.insert(entry.key.end(), stored.begin(), stored.begin() + std::ptrdiff_t(key_size - prefix.size()));
  }
  entry.row.page = coding::get_u24_be(pointers);
  entry.row.row = pointers[3];
  if (!leaf) entry.child_page = coding::get_u32_be(pointers + kEntryRowPointerSize);
  return entry;
}

void decode_header(const coding::ByteReader& page, const IndexPageLayout& layout,
                   IndexPage& out) {
  out.leaf = page.u8(0) == page_type::index_leaf;
  out.free_space = page.u16(kFreeSpaceOffset);
  out.owner = page.u32(kPageOwnerOffset);
  out.prev_page = page.u32(layout.prev_offset);
  out.next_page = page.u32(layout.next_offset);
  out.tail_page = page.u32(layout.tail_offset);
  out.prefix_length = layout.prefix_length_size == 1 ? page.u8(layout.prefix_length_offset)
                                                     : page.u16(layout.prefix_length_offset);
}

}  // namespace

const IndexPageLayout& IndexPageLayout::of(JetVersion version) {
  return version == JetVersion::jet3 ? kJet3IndexLayout : kJet4IndexLayout;
}

IndexPage decode_index_page(std::span<const std::uint8_t> bytes, const IndexPageLayout& layout,
                            std::uint32_t page_number) {
  coding::ByteReader page(bytes, page_number, kWhere);
  page.require(0, layout.page_size);
  std::uint8_t type = page.u8(0);
  if (type != page_type::index_node && type != page_type::index_leaf) {
    throw Error::corruption(page_number, kWhere, "page type 0x03 or 0x04", coding::hex_byte(type));
  }
  IndexPage out;
  out.number = page_number;
  decode_header(page, layout, out);

  const std::size_t area = layout.entries_offset();
  const std::size_t area_size = layout.page_size - area;
  coding::Bytes prefix;
  std::size_t start = 0;
  for (std::size_t end : entry_ends(page, layout)) {
    if (end > area_size) {
      throw Error::corruption(page_number, kWhere,
                              "entries ending within " + std::to_string(area_size) + " bytes",
                              "an entry ending at byte " + std::to_string(end));
    }
    coding::Bytes stored = page.slice(area + start, end - start);
    if (out.entries.empty() && out.prefix_length > stored.size()) {
      throw Error::corruption(page_number, kWhere,
                              "shared prefix within the first entry (" +
                                  std::to_string(stored.size()) + " bytes)",
                              "prefix of " + std::to_string(out.prefix_length) + " bytes");
    }
    out.entries.push_back(decode_entry(stored, prefix, out.leaf, page_number));
    if (out.entries.size() == 1) prefix = stored.first(out.prefix_length);
    start = end;
  }
  return out;
}

namespace {

void put_entry(std::vector<std::uint8_t>& out, const IndexEntry& e, std::size_t skip, bool leaf) {
  out.insert(out.end(), e.key.begin() + skip, e.key.end());
  std::uint8_t tail[kEntryRowPointerSize + kEntryChildSize];
  coding::put_u24_be(tail, e.row.page);
  tail[3] = e.row.row;
  coding::put_u32_be(tail + kEntryRowPointerSize, e.child_page);
  out.insert(out.end(), tail, tail + kEntryRowPointerSize + (leaf ? 0 : kEntryChildSize));
}

}  // namespace

std::size_t longest_shared_prefix(const std::vector<IndexEntry>& entries,
                                  const IndexPageLayout& layout) {
  if (entries.size() < 2) return 0;
  std::size_t limit = layout.prefix_length_size == 1 ? 0xFF : 0xFFFF;
  std::size_t length = std::min(entries[0].key.size(), limit);
  for (const IndexEntry& e : entries) {
    auto first = entries[0].key.begin();
    length = std::size_t(std::mismatch(first, first + length, e.key.begin(), e.key.end()).first - first);
  }
  return length;
}

std::vector<std::uint8_t> encode_index_page(const IndexPage& page, const IndexPageLayout& layout) {
  const std::size_t prefix = page.prefix_length;
  if (prefix > 0 && prefix > longest_shared_prefix(page.entries, layout)) {
    throw Error::invalid_argument("index page prefix of " + std::to_string(prefix) +
                                  " bytes is longer than its keys share");
  }
  std::vector<std::uint8_t> area;
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < page.entries.size(); ++i) {
    put_entry(area, page.entries[i], i == 0 ? 0 : prefix, page.leaf);
    ends.push_back(area.size());
  }
  const std::size_t capacity = layout.page_size - layout.entries_offset();
  if (area.size() > capacity) {
    throw Error::invalid_argument("index entries of " + std::to_string(area.size()) +
                                  " bytes do not fit in a page's " + std::to_string(capacity));
  }
  std::vector<std::uint8_t> out(layout.page_size, 0);
  out[0] = page.leaf ? page_type::index_leaf : page_type::index_node;
  out[1] = 0x01;
  coding::put_u16(out.data() + kFreeSpaceOffset, std::uint16_t(capacity - area.size()));
  coding::put_u32(out.data() + kPageOwnerOffset, page.owner);
  coding::put_u32(out.data() + layout.prev_offset, page.prev_page);
  coding::put_u32(out.data() + layout.next_offset, page.next_page);
  coding::put_u32(out.data() + layout.tail_offset, page.tail_page);
  if (layout.prefix_length_size == 1) {
    out[layout.prefix_length_offset] = std::uint8_t(prefix);
  } else {
    coding::put_u16(out.data() + layout.prefix_length_offset, std::uint16_t(prefix));
  }
  if (!page.leaf) out[layout.prefix_length_offset + layout.prefix_length_size] = 0x01;
  for (std::size_t end : ends) out[layout.mask_offset + end / 8] |= std::uint8_t(1u << (end % 8));
  std::copy(area.begin(), area.end(), out.begin() + layout.entries_offset());
  return out;
}

int compare_entries(const IndexEntry& a, const IndexEntry& b) {
  auto key = std::lexicographical_compare_three_way(a.key.begin(), a.key.end(), b.key.begin(),
                                                    b.key.end());
  if (key != 0) return key < 0 ? -1 : 1;
  std::uint32_t wa = a.row.to_word(), wb = b.row.to_word();
  return wa < wb ? -1 : (wa > wb ? 1 : 0);
}

}  // namespace jet
