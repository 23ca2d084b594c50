#include "page_cache.h"

#include <string>

#include "jet/error.h"

namespace jet {

PageCache::PageCache(PageFile& file, std::uint32_t page_size, std::size_t capacity)
    : file_(file), page_size_(page_size), capacity_(capacity == 0 ? 1 : capacity) {}

std::uint32_t PageCache::page_count() const {
  const std::uint64_t pages = file_.size() / page_size_;
  return pages > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(pages);
}

PageRef PageCache::get(std::uint32_t number, std::uint32_t from_page) {
  if (auto found = index_.find(number); found != index_.end()) {
    touch(found->second);
    return lru_.front().page;
  }
  if (number >= page_count()) {
    throw Error::corruption(from_page, "page pointer",
                            "a page below " + std::to_string(page_count()),
                            "page " + std::to_string(number));
  }
  auto page = std::make_shared<Page>();
  page->number = number;
  page->bytes.resize(page_size_);
  file_.read_at(static_cast<std::uint64_t>(number) * page_size_, page->bytes);
  ++reads_;
  lru_.push_front(Entry{page, false});
  index_[number] = lru_.begin();
  evict_if_needed();
  return page;
}

void PageCache::put(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  if (bytes.size() != page_size_) throw Error::invalid_argument("page buffer of wrong size");
  if (!file_.writable()) throw Error::invalid_argument("database is open read-only");
  auto page = std::make_shared<Page>();
  page->number = number;
  page->bytes = std::move(bytes);
  if (auto found = index_.find(number); found != index_.end()) lru_.erase(found->second);
  lru_.push_front(Entry{page, true});
  index_[number] = lru_.begin();
  evict_if_needed();
}

void PageCache::flush() {
  for (auto& entry : lru_) {
    if (!entry.dirty) continue;
    file_.write_at(static_cast<std::uint64_t>(entry.page->number) * page_size_, entry.page->bytes);
    entry.dirty = false;
  }
  file_.flush();
}

void PageCache::touch(Lru::iterator it) { lru_.splice(lru_.begin(), lru_, it); }

void PageCache::evict_if_needed() {
  auto it = lru_.end();
  while (lru_.size() > capacity_ && it != lru_.begin()) {
    --it;
    if (it->dirty) continue;
    index_.erase(it->page->number);
    it = lru_.erase(it);
  }
}

}  // namespace jet
