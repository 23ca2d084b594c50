// Reuse of freed pages: the global usage map (page 1, row 0; a set bit
// marks a free page, and every page past the end counts as free) read once
// into a pool that frees add to and allocations take from.
#include "database_impl.h"
#include "usage_map.h"

namespace jet {
namespace {

constexpr RowPointer kGlobalFreeMap{1, 0};

void load_pool(Database::Impl& db) {
  if (db.free_pool) return;
  db.free_pool.emplace();
  const std::uint32_t end = db.pages.page_count();
  for (std::uint32_t page : read_usage_map(db.pages, db.format, kGlobalFreeMap, 1).pages) {
    if (page > 1 && page < end) db.free_pool->insert(page);
  }
}

}  // namespace

std::optional<std::uint32_t> Database::Impl::take_free_page() {
  load_pool(*this);
  if (free_pool->empty()) return std::nullopt;
  const std::uint32_t page = *free_pool->begin();
  free_pool->erase(free_pool->begin());
  return page;
}

void Database::Impl::free_page(std::uint32_t page) {
  if (page <= 1) return;
  load_pool(*this);
  mark(kGlobalFreeMap, page, true);
  free_pool->insert(page);
}

}  // namespace jet
