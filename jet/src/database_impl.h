// The internals of jet::Database, shared by engine modules that need the
// page cache and format of an open database, and its write side: one page
// allocator, the rows of usage maps, and a writer per table being changed.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "format.h"
#include "jet/database.h"
#include "page_cache.h"
#include "page_file.h"
#include "table_scan.h"

namespace jet {

class TableWriter;

// Pages a file may have: 1 GiB of 2 KiB pages (Jet 3) or 2 GiB of 4 KiB
// pages (Jet 4).
inline constexpr std::uint32_t kMaxFilePages = 524288;
// Memory for a table's index entries waiting to go into their trees.
inline constexpr std::size_t kPendingKeyBytes = std::size_t(4) << 20;

struct Database::Impl {
  Impl(PageFile file, const Format& format, std::size_t cache_pages);
  ~Impl();

  PageFile file;
  const Format& format;
  PageCache pages;
  DatabaseHeader header;
  std::vector<CatalogEntry> catalog;

  // --- Writing ---
  std::uint32_t page_limit = kMaxFilePages;  // lowered by tests of the limit
  std::uint32_t map_rows_page = 0;           // page taking new usage map rows
  std::map<std::uint32_t, std::unique_ptr<TableWriter>> writers;  // by TDEF page
  // The writer whose index entries may be waiting for their trees: only
  // the table last appended to holds a batch, so memory does not grow
  // with the number of tables filled before a commit.
  TableWriter* batching = nullptr;
  // Memory for the index entries a table holds back before they go to
  // their trees or to runs on disk (lowered by tests).
  std::size_t pending_key_bytes = kPendingKeyBytes;
  // Pages inside the file that the global map marks free, read at the
  // first allocation; allocate_page takes the lowest before growing the file.
  std::optional<std::set<std::uint32_t>> free_pool;

  // Throws jet::Error (invalid_argument) unless the file is open for writing.
  void require_writable() const;
  // Whether `count` more pages stay within the version's size limit.
  bool has_pages(std::uint64_t count) const { return pages.page_count() + count <= page_limit; }
  // Throws jet::Error (io, 3026) when `count` more pages would pass the
  // version's size limit; nothing is written then.
  void require_pages(std::uint64_t count) const;
  // Puts `bytes` on a free page (or a new one past the end) and takes it
  // out of the global free map.
  std::uint32_t allocate_page(std::vector<std::uint8_t> bytes);
  // Marks `page` free in the global map for a later allocate_page.
  void free_page(std::uint32_t page);
  // Fills free_pool from the global map. Throws jet::Error (corruption)
  // when the map is damaged.
  void load_free_pool();
  // The lowest free page inside the file, taken out of free_pool.
  std::optional<std::uint32_t> take_free_page();
  // A new, empty usage map row whose window starts at `first`.
  RowPointer add_map_row(std::uint32_t first);
  // Sets or clears `page` in the map at `map`.
  void mark(RowPointer map, std::uint32_t page, bool used);
  // The writer of the table whose TDEF is `tdef_page` (made on first use).
  TableWriter& writer(std::uint32_t tdef_page);
  // Writes what writers hold, then every dirty page, then fsync.
  void commit();
};

// How the engine's modules and tests reach a Database's insides.
struct DatabaseInternals {
  static Database::Impl& of(Database& db) { return *db.impl_; }
};

struct RowCursor::State {
  State(PageCache& pages, const Format& format, TableDef def)
      : table(std::move(def)), scan(pages, format, table) {}

  TableDef table;  // declared before scan, which borrows it
  TableScan scan;
};

struct TableAppender::State {
  Database::Impl* impl = nullptr;
  std::uint32_t tdef_page = 0;
};

// For tests of the size limit: lowers the number of pages `db` may grow to.
void set_page_limit_for_testing(Database& db, std::uint32_t pages);
void set_pending_key_bytes_for_testing(Database& db, std::size_t bytes);

}  // namespace jet
