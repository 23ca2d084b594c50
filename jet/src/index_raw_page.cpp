// Index pages in their stored form (see index_raw_page.h).
#include "index_raw_page.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "coding.h"
#include "format.h"
#include "jet/error.h"
#include "index_page.h"

namespace jet {
namespace {

constexpr std::uint32_t kFreeSpaceOffset = 2;
constexpr const char* kWhere = "index page";

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

void RawIndexPage::load(PageRef page, std::uint32_t number) {
  page_ = std::move(page);
  bytes_ = page_->bytes;
  number_ = number;
  if (bytes_.size() != layout_.page_size) {
    throw Error::corruption(number, kWhere, std::to_string(layout_.page_size) + " bytes",
                            std::to_string(bytes_.size()));
  }
  const std::uint8_t type = bytes_[0];
  if (type != page_type::index_node && type != page_type::index_leaf) {
    throw Error::corruption(number, kWhere, "page type 0x03 or 0x04", coding::hex_byte(type));
  }
  leaf_ = type == page_type::index_leaf;
  const std::uint8_t* prefix_field = bytes_.data() + layout_.prefix_length_offset;
  prefix_ = layout_.prefix_length_size == 1 ? prefix_field[0] : coding::get_u16(prefix_field);

  // Entry ends, a word of the bitmask at a time (most of it is zero); each
  // entry must hold its pointers once the prefix is put back.
  const std::size_t area_size = layout_.page_size - layout_.entries_offset();
  const std::uint8_t* mask = bytes_.data() + layout_.mask_offset;
  const std::size_t tail = tail_size();
  ends_.clear();
  std::size_t start = 0;
  for (std::size_t at = 0; at < layout_.mask_size; at += 8) {
    std::uint8_t word_bytes[8] = {};
    std::memcpy(word_bytes, mask + at, std::min<std::size_t>(8, layout_.mask_size - at));
    for (std::uint64_t word = coding::get_u64(word_bytes); word != 0; word &= word - 1) {
      const std::size_t end = at * 8 + std::size_t(std::countr_zero(word));
      if (end > area_size) {
        throw Error::corruption(number, kWhere,
                                "entries ending within " + std::to_string(area_size) + " bytes",
                                "an entry ending at byte " + std::to_string(end));
      }
      const std::size_t stored = end - start;
      if (ends_.empty() && prefix_ > stored) {
        throw Error::corruption(number, kWhere,
                                "shared prefix within the first entry (" + std::to_string(stored) + " bytes)",
                                "prefix of " + std::to_string(prefix_) + " bytes");
      }
      const std::size_t whole = stored + (ends_.empty() ? 0 : prefix_);
      if (whole < tail) {
        throw Error::corruption(number, kWhere, "entry of at least " + std::to_string(tail) + " bytes",
                                std::to_string(whole) + " bytes");
      }
      ends_.push_back(std::uint16_t(end));
      start = end;
    }
  }
}

std::uint32_t RawIndexPage::owner() const { return coding::get_u32(bytes_.data() + kPageOwnerOffset); }

std::uint32_t RawIndexPage::tail_page() const { return coding::get_u32(bytes_.data() + layout_.tail_offset); }

std::span<const std::uint8_t> RawIndexPage::stored(std::size_t i) const {
  const std::size_t start = i == 0 ? 0 : ends_[i - 1];
  return bytes_.subspan(layout_.entries_offset() + start, ends_[i] - start);
}

std::uint8_t RawIndexPage::full_byte(std::size_t i, std::size_t at) const {
  const std::size_t prefix = prefix_of(i);
  return at < prefix ? stored(0)[at] : stored(i)[at - prefix];
}

int RawIndexPage::compare(std::size_t i, std::span<const std::uint8_t> key, RowPointer row) const {
  const std::size_t prefix = prefix_of(i);
  const std::span<const std::uint8_t> rest = stored(i);
  const std::size_t key_size = prefix + rest.size() - tail_size();
  const std::size_t common = std::min(key.size(), key_size);
  const std::size_t in_prefix = std::min(common, prefix);
  if (in_prefix > 0) {
    if (int c = std::memcmp(stored(0).data(), key.data(), in_prefix)) return sign(c);
  }
  if (common > prefix) {
    if (int c = std::memcmp(rest.data(), key.data() + prefix, common - prefix)) return sign(c);
  }
  if (key_size != key.size()) return key_size < key.size() ? -1 : 1;
  std::uint32_t word = 0;
  for (std::size_t b = 0; b < kEntryRowPointerSize; ++b) word = (word << 8) | full_byte(i, key_size + b);
  const std::uint32_t probe = row.to_word();
  return word < probe ? -1 : (word > probe ? 1 : 0);
}

bool RawIndexPage::key_equals(std::size_t i, std::span<const std::uint8_t> key) const {
  if (full_size(i) - tail_size() != key.size()) return false;
  for (std::size_t b = 0; b < key.size(); ++b) {
    if (full_byte(i, b) != key[b]) return false;
  }
  return true;
}

std::size_t RawIndexPage::lower_bound(std::span<const std::uint8_t> key, RowPointer row) const {
  std::size_t low = 0, high = count();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (compare(mid, key, row) < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

std::uint32_t RawIndexPage::child(std::size_t i) const {
  const std::size_t at = full_size(i) - kEntryChildSize;
  std::uint32_t page = 0;
  for (std::size_t b = 0; b < kEntryChildSize; ++b) page = (page << 8) | full_byte(i, at + b);
  return page;
}

std::uint8_t* RawIndexPage::copy_entry(std::size_t i, std::size_t skip, std::uint8_t* out) const {
  const std::size_t prefix = prefix_of(i);
  const std::span<const std::uint8_t> rest = stored(i);
  if (skip < prefix) {
    out = std::copy(stored(0).begin() + std::ptrdiff_t(skip), stored(0).begin() + std::ptrdiff_t(prefix), out);
    skip = prefix;
  }
  return std::copy(rest.begin() + std::ptrdiff_t(skip - prefix), rest.end(), out);
}

RawIndexPage::Edit RawIndexPage::with_leaf_entry(std::size_t slot, std::span<const std::uint8_t> key,
                                                 RowPointer row, std::vector<std::uint8_t>& out) const {
  if (can_shift_in(slot, key)) {
    out.assign(bytes_.begin(), bytes_.end());
    shift_entries(out, slot, key, row);
    return Edit::shifted;
  }
  // The same prefix without room fails here too.
  return rebuilt(slot, false, key, row, 0, out) ? Edit::rebuilt : Edit::no_room;
}

bool RawIndexPage::can_shift_in(std::size_t slot, std::span<const std::uint8_t> key) const {
  if (slot == 0 || key.size() < prefix_ || prefix_after(slot, false, key) != prefix_) return false;
  const std::size_t capacity = layout_.page_size - layout_.entries_offset();
  return ends_.back() + key.size() - prefix_ + kEntryRowPointerSize <= capacity;
}

void RawIndexPage::shift_in(std::shared_ptr<Page> page, std::size_t slot, std::span<const std::uint8_t> key,
                            RowPointer row) {
  if (page->bytes.data() != bytes_.data()) page->bytes.assign(bytes_.begin(), bytes_.end());
  shift_entries(page->bytes, slot, key, row);
  follow_shift(std::move(page), slot, key.size());
}

void RawIndexPage::follow_shift(PageRef page, std::size_t slot, std::size_t key_size) {
  const std::size_t size = key_size - prefix_ + kEntryRowPointerSize;
  for (std::size_t j = slot; j < ends_.size(); ++j) ends_[j] = std::uint16_t(ends_[j] + size);
  ends_.insert(ends_.begin() + std::ptrdiff_t(slot), std::uint16_t(ends_[slot - 1] + size));
  page_ = std::move(page);
  bytes_ = page_->bytes;
}

bool RawIndexPage::with_entry_replaced(std::size_t slot, std::span<const std::uint8_t> key, RowPointer row,
                                       std::vector<std::uint8_t>& out) const {
  return rebuilt(slot, true, key, row, leaf_ ? 0 : child(slot), out);
}

namespace {
constexpr std::size_t kNew = SIZE_MAX;  // stands for the new entry
}  // namespace

// The entry at position j after an edit at `slot`: kNew or an entry of the
// page.
std::size_t RawIndexPage::source(std::size_t j, std::size_t slot, bool replace) {
  return j == slot ? kNew : (j < slot || replace ? j : j - 1);
}

std::size_t RawIndexPage::size_after(std::size_t j, std::size_t slot, bool replace,
                                     std::span<const std::uint8_t> key) const {
  const std::size_t e = source(j, slot, replace);
  return e == kNew ? key.size() + tail_size() : full_size(e);
}

// Keys are in order, so what the first and the last share, all share.
std::size_t RawIndexPage::prefix_after(std::size_t slot, bool replace, std::span<const std::uint8_t> key,
                                       std::size_t from, std::size_t to) const {
  if (to - from < 2) return 0;
  auto key_size = [&](std::size_t e) { return e == kNew ? key.size() : full_size(e) - tail_size(); };
  auto key_byte = [&](std::size_t e, std::size_t at) { return e == kNew ? key[at] : full_byte(e, at); };
  const std::size_t first = source(from, slot, replace), last = source(to - 1, slot, replace);
  const std::size_t limit = std::min({key_size(first), key_size(last),
                                      std::size_t(layout_.prefix_length_size == 1 ? 0xFF : 0xFFFF)});
  std::size_t prefix = 0;
  while (prefix < limit && key_byte(first, prefix) == key_byte(last, prefix)) ++prefix;
  return prefix;
}

std::size_t RawIndexPage::prefix_after(std::size_t slot, bool replace, std::span<const std::uint8_t> key) const {
  return prefix_after(slot, replace, key, 0, replace ? count() : count() + 1);
}

bool RawIndexPage::rebuilt(std::size_t slot, bool replace, std::span<const std::uint8_t> key, RowPointer row,
                           std::uint32_t child_page, std::vector<std::uint8_t>& out) const {
  return built(slot, replace, key, row, child_page, 0, replace ? count() : count() + 1, out);
}

bool RawIndexPage::built(std::size_t slot, bool replace, std::span<const std::uint8_t> key, RowPointer row,
                         std::uint32_t child_page, std::size_t from, std::size_t to,
                         std::vector<std::uint8_t>& out) const {
  const std::size_t prefix = prefix_after(slot, replace, key, from, to);
  std::size_t total = 0;
  for (std::size_t j = from; j < to; ++j) total += size_after(j, slot, replace, key);
  total -= (to - from - 1) * prefix;
  const std::size_t capacity = layout_.page_size - layout_.entries_offset();
  if (total > capacity) return false;

  out.assign(layout_.page_size, 0);
  std::copy(bytes_.begin(), bytes_.begin() + layout_.mask_offset, out.begin());
  coding::put_u16(out.data() + kFreeSpaceOffset, std::uint16_t(capacity - total));
  if (layout_.prefix_length_size == 1) {
    out[layout_.prefix_length_offset] = std::uint8_t(prefix);
  } else {
    coding::put_u16(out.data() + layout_.prefix_length_offset, std::uint16_t(prefix));
  }
  std::uint8_t* const area = out.data() + layout_.entries_offset();
  std::uint8_t* at = area;
  for (std::size_t j = from; j < to; ++j) {
    const std::size_t skip = j == from ? 0 : prefix;
    const std::size_t e = source(j, slot, replace);
    if (e == kNew) {
      at = std::copy(key.begin() + std::ptrdiff_t(skip), key.end(), at);
      coding::put_u24_be(at, row.page);
      at[3] = row.row;
      at += kEntryRowPointerSize;
      if (!leaf_) {
        coding::put_u32_be(at, child_page);
        at += kEntryChildSize;
      }
    } else {
      at = copy_entry(e, skip, at);
    }
    const std::size_t end = std::size_t(at - area);
    out[layout_.mask_offset + end / 8] |= std::uint8_t(1u << (end % 8));
  }
  return true;
}

bool RawIndexPage::with_node_entry(std::size_t slot, std::span<const std::uint8_t> key, RowPointer row,
                                   std::uint32_t child_page, std::vector<std::uint8_t>& out) const {
  return rebuilt(slot, false, key, row, child_page, out);
}

std::size_t RawIndexPage::split_with_leaf_entry(std::size_t slot, std::span<const std::uint8_t> key,
                                                RowPointer row, bool appended, std::vector<std::uint8_t>& left,
                                                std::vector<std::uint8_t>& right) const {
  const std::size_t n = count() + 1;
  std::vector<std::size_t> sums(n + 1, 0);
  for (std::size_t j = 0; j < n; ++j) sums[j + 1] = sums[j] + size_after(j, slot, false, key);
  auto size_of = [&](std::size_t from, std::size_t to) {
    return sums[to] - sums[from] - (to - from - 1) * prefix_after(slot, false, key, from, to);
  };
  const std::size_t capacity = layout_.page_size - layout_.entries_offset();
  std::size_t best = 0, best_gap = SIZE_MAX;
  if (appended && count() > 0 && size_of(0, count()) <= capacity && size_of(count(), n) <= capacity) {
    best = count();
  }
  for (std::size_t cut = 1; cut < n && !appended; ++cut) {
    const std::size_t a = size_of(0, cut), b = size_of(cut, n);
    if (a > capacity || b > capacity) continue;
    const std::size_t gap = a > b ? a - b : b - a;
    if (gap < best_gap) best = cut, best_gap = gap;
  }
  if (best == 0) return 0;
  built(slot, false, key, row, 0, 0, best, left);
  built(slot, false, key, row, 0, best, n, right);
  return best;
}

std::vector<std::uint8_t> RawIndexPage::key_of(std::size_t i) const {
  std::vector<std::uint8_t> key(full_size(i) - tail_size());
  for (std::size_t b = 0; b < key.size(); ++b) key[b] = full_byte(i, b);
  return key;
}

RowPointer RawIndexPage::row_of(std::size_t i) const {
  const std::size_t at = full_size(i) - tail_size();
  std::uint32_t word = 0;
  for (std::size_t b = 0; b < kEntryRowPointerSize; ++b) word = (word << 8) | full_byte(i, at + b);
  return RowPointer::from_word(word);
}

// The first entry and the prefix stay: the entries from `slot` on move up
// to make room, and their ends move with them.
void RawIndexPage::shift_entries(std::span<std::uint8_t> page, std::size_t slot, std::span<const std::uint8_t> key,
                                 RowPointer row) const {
  const std::size_t capacity = layout_.page_size - layout_.entries_offset();
  const std::size_t size = key.size() - prefix_ + kEntryRowPointerSize;
  const std::size_t used = ends_.back();
  std::uint8_t* const area = page.data() + layout_.entries_offset();
  const std::size_t at = ends_[slot - 1];
  std::memmove(area + at + size, area + at, used - at);
  std::uint8_t* entry = std::copy(key.begin() + std::ptrdiff_t(prefix_), key.end(), area + at);
  coding::put_u24_be(entry, row.page);
  entry[3] = row.row;
  std::uint8_t* const mask = page.data() + layout_.mask_offset;
  auto flip = [mask](std::size_t end) { mask[end / 8] ^= std::uint8_t(1u << (end % 8)); };
  for (std::size_t j = slot; j < count(); ++j) flip(ends_[j]);
  flip(at + size);
  for (std::size_t j = slot; j < count(); ++j) mask[(ends_[j] + size) / 8] |= std::uint8_t(1u << ((ends_[j] + size) % 8));
  coding::put_u16(page.data() + kFreeSpaceOffset, std::uint16_t(capacity - used - size));
}

}  // namespace jet
