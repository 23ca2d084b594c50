// Pages addressed by number, kept in a small least-recently-used cache.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "page_file.h"

namespace jet {

// One page's bytes. A PageRef keeps the page alive even after the cache
// evicts it, so a decoder may hold it for as long as it reads.
struct Page {
  std::uint32_t number = 0;
  std::vector<std::uint8_t> bytes;

  std::span<const std::uint8_t> view() const { return bytes; }
};
using PageRef = std::shared_ptr<const Page>;

// Reads pages of `page_size` bytes from a PageFile and keeps up to
// `capacity` pages in all (the least recently used clean one goes first).
// Changed (dirty) pages stay until flush() or until they are more than half
// the capacity: then the least recently changed half of them is written
// back (not yet made durable) and they become clean, so a bulk insert runs
// in bounded memory and pages changed again and again stay. Pages appended
// with append() count in page_count() at once, before they reach the file.
// Not copyable; borrows the PageFile, which must outlive the cache.
// Thread-safety: none; callers serialise access.
class PageCache {
 public:
  static constexpr std::size_t kDefaultCapacity = 256;
  static constexpr std::size_t kFinishedBatch = 256;  // see finished()

  PageCache(PageFile& file, std::uint32_t page_size, std::size_t capacity = kDefaultCapacity);
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;

  std::uint32_t page_size() const { return page_size_; }
  // Number of whole pages in the file (a trailing partial page is ignored).
  std::uint32_t page_count() const;

  // Returns page `number`. Throws jet::Error (corruption, naming `from_page`
  // as the page whose pointer led here) if the page lies past the end of
  // the file, or (io) if reading fails.
  PageRef get(std::uint32_t number, std::uint32_t from_page = 0xFFFFFFFFu);

  // Replaces the cached bytes of a page and marks it dirty.
  // REQUIRES: bytes.size() == page_size() and the file is writable.
  void put(std::uint32_t number, std::vector<std::uint8_t> bytes);

  // Adds a page after the last one and returns its number.
  // REQUIRES: as put().
  std::uint32_t append(std::vector<std::uint8_t> bytes);

  // Page `number` for changing in place; marks it dirty. Change it before
  // the next call into the cache (a later write-back may have taken the
  // bytes already). Throws as get().
  std::shared_ptr<Page> modify(std::uint32_t number);

  // Page `number` will not change again soon (a data page the caller has
  // filled): when dirty pages must go, it goes first, before pages that
  // keep changing, like index leaves. Finished pages are written
  // kFinishedBatch at a time and then leave the cache, so that pages filled
  // once (the data pages of a bulk load) neither crowd out the pages in
  // use nor make the process touch new memory for every page.
  void finished(std::uint32_t number);

  // Writes every dirty page to the file in ascending page order, then makes
  // the file durable (fsync). Throws jet::Error (io).
  void flush();

  std::size_t cached_pages() const { return lru_.size() + dirty_.size(); }
  std::uint64_t reads() const { return reads_; }

 private:
  // Clean pages live in the LRU list; dirty ones apart, stamped with when
  // they were last changed, so neither eviction nor write-back walks pages
  // it cannot use.
  using Lru = std::list<std::shared_ptr<Page>>;
  struct Dirty {
    std::shared_ptr<Page> page;
    std::uint64_t changed = 0;
  };

  static constexpr std::uint64_t kFinished = 0;  // a Dirty::changed older than any

  std::shared_ptr<Page> find(std::uint32_t number);
  std::shared_ptr<Page> load(std::uint32_t number, std::uint32_t from_page);
  void make_dirty(std::shared_ptr<Page> page);
  void make_clean(std::uint32_t number, std::shared_ptr<Page> page);
  void evict_clean();
  void write_back_oldest();
  void write_finished();
  void write_pages(const std::vector<std::uint32_t>& numbers);
  std::size_t dirty_limit() const { return capacity_ / 2 > 0 ? capacity_ / 2 : 1; }

  PageFile& file_;
  std::uint32_t page_size_;
  std::size_t capacity_;
  Lru lru_;  // clean pages, most recently used first
  std::unordered_map<std::uint32_t, Lru::iterator> clean_;
  std::unordered_map<std::uint32_t, Dirty> dirty_;
  std::vector<std::uint32_t> finished_;  // marked since write_finished; may repeat
  std::uint64_t clock_ = 0;  // stamps start at 1: 0 is kFinished
  std::uint64_t reads_ = 0;
  std::uint32_t page_count_ = 0;  // file pages plus appended ones
};

}  // namespace jet
