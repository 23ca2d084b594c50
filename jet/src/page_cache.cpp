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

std::shared_ptr<Page> PageCache::find(std::uint32_t number) {
  if (auto d = dirty_.find(number); d != dirty_.end()) return d->second.page;
  if (auto c = clean_.find(number); c != clean_.end()) {
    lru_.splice(lru_.begin(), lru_, c->second);
    return *c->second;
  }
  return nullptr;
}

std::shared_ptr<Page> PageCache::load(std::uint32_t number, std::uint32_t from_page) {
  if (auto found = find(number)) return found;
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
  make_clean(number, page);
  return page;
}

PageRef PageCache::get(std::uint32_t number, std::uint32_t from_page) { return load(number, from_page); }

std::shared_ptr<Page> PageCache::modify(std::uint32_t number) {
  if (!file_.writable()) throw Error::invalid_argument("database is open read-only");
  auto page = load(number, kNoPage);
  make_dirty(page);
  return page;
}

void PageCache::put(std::uint32_t number, std::vector<std::uint8_t> bytes) {
  if (bytes.size() != page_size_) throw Error::invalid_argument("page buffer of wrong size");
  if (!file_.writable()) throw Error::invalid_argument("database is open read-only");
  auto page = std::make_shared<Page>();
  page->number = number;
  page->bytes = std::move(bytes);
  if (number >= page_count_) page_count_ = number + 1;
  make_dirty(std::move(page));
}

std::uint32_t PageCache::append(std::vector<std::uint8_t> bytes) {
  const std::uint32_t number = page_count_;
  put(number, std::move(bytes));
  return number;
}

void PageCache::make_dirty(std::shared_ptr<Page> page) {
  const std::uint32_t number = page->number;
  if (auto c = clean_.find(number); c != clean_.end()) {
    lru_.erase(c->second);
    clean_.erase(c);
  }
  dirty_[number] = Dirty{std::move(page), ++clock_};
  if (dirty_.size() > dirty_limit()) write_back_oldest();
  else evict_clean();  // a page new to the cache takes a clean one's place
}

void PageCache::make_clean(std::uint32_t number, std::shared_ptr<Page> page) {
  lru_.push_front(std::move(page));
  clean_[number] = lru_.begin();
  evict_clean();
}

void PageCache::evict_clean() {
  while (!lru_.empty() && lru_.size() + dirty_.size() > capacity_) {
    clean_.erase(lru_.back()->number);
    lru_.pop_back();
  }
}

// Writes `numbers` (ascending, all dirty) with one write for each run of
// consecutive pages, so pages appended in order reach the file in large
// pieces.
void PageCache::write_pages(const std::vector<std::uint32_t>& numbers) {
  constexpr std::size_t kRunPages = 64;
  std::vector<std::uint8_t> run;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t n = 1;
    while (i + n < numbers.size() && n < kRunPages && numbers[i + n] == numbers[i] + n) ++n;
    const std::uint64_t offset = static_cast<std::uint64_t>(numbers[i]) * page_size_;
    if (offset > file_.size()) {
      // The pages between are dirty here and written later; zeros keep the
      // file free of holes until then.
      const std::vector<std::uint8_t> zeros(page_size_, 0);
      for (std::uint64_t at = file_.size(); at < offset; at += page_size_) file_.write_at(at, zeros);
    }
    run.clear();
    for (std::size_t k = 0; k < n; ++k) {
      const auto& bytes = dirty_.at(numbers[i + k]).page->bytes;
      run.insert(run.end(), bytes.begin(), bytes.end());
    }
    file_.write_at(offset, run);
    i += n;
  }
}

void PageCache::finished(std::uint32_t number) {
  auto d = dirty_.find(number);
  if (d == dirty_.end()) return;
  d->second.changed = kFinished;
  finished_.push_back(number);
  if (finished_.size() >= kFinishedBatch) write_finished();
}

// Pages still finished (not changed again, nor written since) are written
// in page order and dropped: a later read takes them from the file.
void PageCache::write_finished() {
  std::sort(finished_.begin(), finished_.end());
  finished_.erase(std::unique(finished_.begin(), finished_.end()), finished_.end());
  std::vector<std::uint32_t> numbers;
  for (std::uint32_t number : finished_) {
    auto d = dirty_.find(number);
    if (d != dirty_.end() && d->second.changed == kFinished) numbers.push_back(number);
  }
  finished_.clear();
  if (numbers.empty()) return;
  file_.protect(numbers);
  write_pages(numbers);
  for (std::uint32_t number : numbers) dirty_.erase(number);
}

// Writes the finished dirty pages and, with them, the least recently
// changed ones up to an eighth of the dirty pages, in page order, and keeps
// them as clean pages.
void PageCache::write_back_oldest() {
  std::vector<std::pair<std::uint64_t, std::uint32_t>> by_age;
  by_age.reserve(dirty_.size());
  std::size_t finished = 0;
  for (const auto& [number, d] : dirty_) {
    by_age.emplace_back(d.changed, number);
    finished += d.changed == kFinished;
  }
  const std::size_t count = std::max(finished, std::max<std::size_t>(by_age.size() / 8, 1));
  std::nth_element(by_age.begin(), by_age.begin() + std::ptrdiff_t(count), by_age.end());
  std::vector<std::uint32_t> victims;
  for (std::size_t i = 0; i < count; ++i) victims.push_back(by_age[i].second);
  std::sort(victims.begin(), victims.end());
  file_.protect(victims);  // the journal saves what they overwrite in one go
  write_pages(victims);
  for (std::uint32_t number : victims) {
    auto it = dirty_.find(number);
    auto page = std::move(it->second.page);
    const bool finished = it->second.changed == kFinished;
    dirty_.erase(it);
    if (finished) continue;  // not needed soon: it leaves the cache
    lru_.push_back(std::move(page));  // cold: first to go
    clean_[number] = std::prev(lru_.end());
  }
  evict_clean();
}

void PageCache::flush() {
  std::vector<std::uint32_t> numbers;
  numbers.reserve(dirty_.size());
  for (const auto& [number, d] : dirty_) numbers.push_back(number);
  std::sort(numbers.begin(), numbers.end());
  file_.protect(numbers);
  write_pages(numbers);
  for (std::uint32_t number : numbers) {
    auto it = dirty_.find(number);
    auto page = std::move(it->second.page);
    dirty_.erase(it);
    make_clean(number, std::move(page));
  }
  file_.sync();
}

}  // namespace jet
