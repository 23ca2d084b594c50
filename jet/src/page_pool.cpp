// Reuse of freed pages: the global usage map (page 1, row 0; a set bit
// marks a free page, and every page past the end counts as free) read once
// into a pool that frees add to and allocations take from.
#include "coding.h"
#include "data_page.h"
#include "database_impl.h"
#include "usage_map.h"

namespace jet {
namespace {

constexpr RowPointer kGlobalFreeMap{1, 0};

// Adds the pages between 2 and the end of the file whose bits are set.
void add_set_bits(Database::Impl& db, std::span<const std::uint8_t> bitmap, std::uint64_t first) {
  const std::uint32_t end = db.pages.page_count();
  for (std::size_t i = 0; i < bitmap.size(); ++i) {
    for (unsigned bit = 0; bitmap[i] != 0 && bit < 8; ++bit) {
      const std::uint64_t page = first + i * 8 + bit;
      if ((bitmap[i] >> bit & 1) != 0 && page > 1 && page < end) {
        db.free_pool->insert(static_cast<std::uint32_t>(page));
      }
    }
  }
}

// Reads the global map itself: unlike a table's map it marks pages past
// the end of the file (as free), which read_usage_map refuses.
void fill_free_pool(Database::Impl& db) {
  const LocatedRow row = locate_row(db.pages, db.format, kGlobalFreeMap, 1);
  if (row.bytes.size() < kInlineMapHeaderSize) {
    throw Error::corruption(1, "global usage map", "a map row", std::to_string(row.bytes.size()) + " bytes");
  }
  if (row.bytes[0] == kInlineUsageMap) {
    add_set_bits(db, row.bytes.subspan(kInlineMapHeaderSize), coding::get_u32(row.bytes.data() + 1));
    return;
  }
  if (row.bytes[0] != kReferenceUsageMap) {
    throw Error::corruption(1, "global usage map", "map type 0 or 1", "type " + std::to_string(row.bytes[0]));
  }
  const std::uint64_t span = (db.format.page_size - kUsageMapPageHeaderSize) * 8ull;
  for (std::size_t at = 1, i = 0; at + 4 <= row.bytes.size(); at += 4, ++i) {
    const std::uint32_t map_page = coding::get_u32(row.bytes.data() + at);
    if (map_page == 0 || map_page >= db.pages.page_count()) continue;  // Access leaves stale pointers
    const PageRef page = db.pages.get(map_page);
    if (page->bytes[0] != page_type::usage_map) {
      throw Error::corruption(map_page, "global usage map", "page type 0x05", "another page type");
    }
    add_set_bits(db, page->view().subspan(kUsageMapPageHeaderSize), i * span);
  }
}

}  // namespace

void Database::Impl::load_free_pool() {
  if (free_pool) return;
  free_pool.emplace();
  try {
    fill_free_pool(*this);
  } catch (...) {
    free_pool.reset();
    throw;
  }
}

std::optional<std::uint32_t> Database::Impl::take_free_page() {
  load_free_pool();
  if (free_pool->empty()) return std::nullopt;
  const std::uint32_t page = *free_pool->begin();
  free_pool->erase(free_pool->begin());
  return page;
}

void Database::Impl::free_page(std::uint32_t page) {
  if (page <= 1) return;
  load_free_pool();
  mark(kGlobalFreeMap, page, true);
  free_pool->insert(page);
}

}  // namespace jet
