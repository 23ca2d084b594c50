#include "page_cache.h"

#include <algorithm>
#include <string>

#include "jet/error.h"

namespace jet {

PageCache::PageCache(PageFile& file, std::uint32_t page_size, std::size_t capacity)
    : file_(file), page_size_(page_size), capacity_(capacity == 0 ? 1 : capacity) {
  const std::uint64_t pages = file_.size() / page_size_;
  page_count_ = pages > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(pages);
}

std::uint32_t PageCache::page_count() const { return page_count_; }

PageCache::Lru::iterator PageCache::load(std::uint32_t number, std::uint32_t from_page) {
  if (auto found = index_.find(number); found != index_.end()) {
    touch(found->second);
    return lru_.begin();
  }
  if (number >= page_count_) {
    throw Error::corruption(from_page, "page pointer",
                            "a page below " + std::to_string(page_count_),
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
  return lru_.begin();
}

PageRef PageCache::get(std::uint32_t number, std::uint32_t from_page) {
  return load(number, from_page)->page;
}

std::shared_ptr<Page> PageCache::modify(std::uint32_t number) {
  if (!file_.writable()) throw Error::invalid_argument("database is open read-only");
  auto it = load(number, kNoPage);
  if (!it->dirty) {
    it->dirty = true;
    ++dirty_;
  }
  auto page = it->page;
  evict_if_needed();
  return page;
}

void PageCache::put(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  if (bytes.size() != page_size_) throw Error::invalid_argument("page buffer of wrong size");
  if (!file_.writable()) throw Error::invalid_argument("database is open read-only");
  auto page = std::make_shared<Page>();
  page->number = number;
  page->bytes = std::move(bytes);
  if (auto found = index_.find(number); found != index_.end()) {
    if (found->second->dirty) --dirty_;
    lru_.erase(found->second);
  }
  lru_.push_front(Entry{page, true});
  ++dirty_;
  index_[number] = lru_.begin();
  if (number >= page_count_) page_count_ = number + 1;
  evict_if_needed();
}

std::uint32_t PageCache::append(std::vector<std::uint8_t> bytes) {
  const std::uint32_t number = page_count_;
  put(number, std::move(bytes));
  return number;
}

void PageCache::flush() {
  std::vector<Entry*> dirty;
  for (auto& entry : lru_) {
    if (entry.dirty) dirty.push_back(&entry);
  }
  std::sort(dirty.begin(), dirty.end(),
            [](const Entry* a, const Entry* b) { return a->page->number < b->page->number; });
  for (Entry* entry : dirty) {
    file_.write_at(static_cast<std::uint64_t>(entry->page->number) * page_size_, entry->page->bytes);
    entry->dirty = false;
  }
  dirty_ = 0;
  file_.sync();
}

void PageCache::touch(Lru::iterator it) { lru_.splice(lru_.begin(), lru_, it); }

// Writes the least recently used dirty pages until half the capacity is
// dirty. A page appended past the end of the file is written only after
// every page before it, so the file never has a hole.
void PageCache::write_back_oldest() {
  std::vector<Entry*> victims;
  std::size_t keep = dirty_;
  for (auto it = lru_.rbegin(); it != lru_.rend() && keep > capacity_ / 2; ++it) {
    if (!it->dirty) continue;
    victims.push_back(&*it);
    --keep;
  }
  std::sort(victims.begin(), victims.end(),
            [](const Entry* a, const Entry* b) { return a->page->number < b->page->number; });
  for (Entry* entry : victims) {
    const std::uint64_t offset = static_cast<std::uint64_t>(entry->page->number) * page_size_;
    if (offset > file_.size()) {
      // Fill the gap with the pages between (dirty ones from the cache,
      // else zeros that the later write of that page replaces).
      std::vector<std::uint8_t> zeros(page_size_, 0);
      for (std::uint64_t at = file_.size(); at < offset; at += page_size_) file_.write_at(at, zeros);
    }
    file_.write_at(offset, entry->page->bytes);
    entry->dirty = false;
    --dirty_;
  }
}

void PageCache::evict_if_needed() {
  if (dirty_ > capacity_) write_back_oldest();
  auto it = lru_.end();
  while (lru_.size() > capacity_ && it != lru_.begin()) {
    --it;
    if (it->dirty) continue;
    index_.erase(it->page->number);
    it = lru_.erase(it);
  }
}

}  // namespace jet
