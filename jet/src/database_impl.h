// The internals of jet::Database, shared by engine modules that need the
// page cache and format of an open database.
#pragma once

#include <memory>
#include <vector>

#include "format.h"
#include "jet/database.h"
#include "page_cache.h"
#include "page_file.h"
#include "table_scan.h"

namespace jet {

struct Database::Impl {
  Impl(PageFile file, const Format& format, std::size_t cache_pages)
      : file(std::move(file)), format(format), pages(this->file, format.page_size, cache_pages) {}

  PageFile file;
  const Format& format;
  PageCache pages;
  DatabaseHeader header;
  std::vector<CatalogEntry> catalog;
};

struct RowCursor::State {
  State(PageCache& pages, const Format& format, TableDef def)
      : table(std::move(def)), scan(pages, format, table) {}

  TableDef table;  // declared before scan, which borrows it
  TableScan scan;
};

}  // namespace jet
