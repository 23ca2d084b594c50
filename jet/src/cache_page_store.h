// An index's pages reached through the database's page cache: new pages are
// taken from the allocator and marked in the index's usage map.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "database_impl.h"
#include "index_writer.h"

namespace jet {

class CachePageStore : public IndexPageStore {
 public:
  CachePageStore(Database::Impl& db, RowPointer map) : db_(db), map_(map) {}
  JetVersion version() const override { return db_.format.version; }
  PageRef read_page(std::uint32_t number) override { return db_.pages.get(number); }
  void write_page(std::uint32_t number, std::span<const std::uint8_t> bytes) override {
    auto page = db_.pages.modify(number);
    std::copy(bytes.begin(), bytes.end(), page->bytes.begin());
  }
  std::shared_ptr<Page> change_page(std::uint32_t number) override { return db_.pages.modify(number); }
  std::uint32_t allocate_index_page() override {
    const std::uint32_t page = db_.allocate_page(std::vector<std::uint8_t>(db_.format.page_size, 0));
    db_.mark(map_, page, true);
    return page;
  }
  void finished(std::uint32_t number) override { db_.pages.finished(number); }

 private:
  Database::Impl& db_;
  RowPointer map_;
};

}  // namespace jet
