// Opening a Jet database and reading its catalog, tables and rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog.h"
#include "jet/error.h"
#include "jet/types.h"
#include "jet/value.h"

namespace jet {

class RowCursor;

struct OpenOptions {
  std::size_t page_cache_pages = 256;  // pages kept in memory (at least 1)
};

// An open database file (Jet 3 or Jet 4), read-only for now. Not copyable
// (it owns the file); movable. Thread-safety: none; use one Database from
// one thread at a time.
class Database {
 public:
  // Opens `path` and reads its header and catalog. Throws jet::Error:
  // io if the file cannot be read; corruption (with the page) if it is not
  // a Jet database, is damaged or ends in a partial page; not_supported for versions after Jet 4,
  // for encoded (database key) files and for Jet 3 files whose code page
  // is not 1252.
  static Database open(const std::string& path, const OpenOptions& options = {});

  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  ~Database();

  const DatabaseHeader& header() const;
  JetVersion version() const;
  std::uint32_t page_size() const;
  std::uint32_t page_count() const;

  // Every MSysObjects row, in storage order.
  const std::vector<CatalogEntry>& catalog() const;
  // Names of user tables (system tables too when asked), in catalog order.
  std::vector<std::string> table_names(bool include_system = false) const;
  // The catalog entry of table `name` (ASCII case-insensitive; user, system
  // or linked). Throws jet::Error (invalid_argument) if there is none.
  const CatalogEntry& table_entry(const std::string& name) const;

  // The decoded definition of table `name`, name filled in. Throws
  // jet::Error: invalid_argument if there is no such local table
  // (linked tables have no definition here), corruption if it is damaged.
  TableDef table_def(const std::string& name) const;

  // The table's properties (object block and one block per column), decoded
  // from its catalog row. Empty when the table has none. Throws as
  // table_entry, and corruption for a damaged blob.
  PropertySet table_properties(const std::string& name) const;

  // A cursor over the live rows of table `name`, in storage order. The
  // Database must outlive the cursor. Throws as table_def.
  RowCursor rows(const std::string& name);

  // Reads the row at `pointer` (following overflow) of a table whose
  // definition is `table`. Throws jet::Error (corruption) if the pointer
  // does not lead to a row.
  std::vector<Value> read_row(const TableDef& table, RowPointer pointer);

  struct Impl;
  // Engine-internal access (page cache, format) for other engine modules.
  Impl& impl() { return *impl_; }

 private:
  explicit Database(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Iterates the live rows of one table. Move-only.
// Thread-safety: none.
class RowCursor {
 public:
  RowCursor(RowCursor&&) noexcept;
  RowCursor& operator=(RowCursor&&) noexcept;
  ~RowCursor();

  // Advances to the next row; false at the end. Throws jet::Error
  // (corruption) on damaged pages or long values.
  bool next();
  // The current row, one value per column of table() (same order).
  // REQUIRES: next() returned true.
  const std::vector<Value>& values() const { return values_; }
  // Where the current row lives (its slot; an overflow row's source).
  RowPointer position() const;
  const TableDef& table() const;

  struct State;

 private:
  friend class Database;
  explicit RowCursor(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
  std::vector<Value> values_;
};

}  // namespace jet
