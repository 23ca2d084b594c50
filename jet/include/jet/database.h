// Opening a Jet database and reading its catalog, tables and rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/catalog.h"
#include "jet/error.h"
#include "jet/schema.h"
#include "jet/types.h"
#include "jet/value.h"

namespace jet {

class RowCursor;
class TableAppender;

// Memory for pages of a database open for writing, unless told: room for
// the indexes of a table of a few million rows, so that adding rows in
// random key order seldom reads a page back.
inline constexpr std::size_t kWritingPageCacheBytes = std::size_t(64) << 20;
inline constexpr std::size_t kReadingPageCachePages = 256;

struct OpenOptions {
  // Pages kept in memory (0: kReadingPageCachePages, or
  // kWritingPageCacheBytes worth when writable).
  std::size_t page_cache_pages = 0;
  bool writable = false;               // open for writing (create_table, append)
  bool exclusive = false;              // refuse a file another process holds
  std::string password;                // the database password, if it has one
  // Keep a rollback journal (FILE-journal) while changing the file, so a
  // crash at any moment leaves it as of its last commit. Off only to
  // measure what it costs.
  bool journal = true;
};

struct CreateOptions {
  // Pages kept in memory (at least 16; 0: kWritingPageCacheBytes worth).
  std::size_t page_cache_pages = 0;
  bool journal = true;                  // as OpenOptions::journal
};

// An open database file (Jet 3 or Jet 4), read-only for now. Not copyable
// (it owns the file); movable. Thread-safety: none; use one Database from
// one thread at a time.
class Database {
 public:
  // Opens `path` and reads its header and catalog. A journal left by a run
  // that died while changing the file is replayed first (the file goes back
  // to its last commit). Opened writable (or exclusive) the file is locked
  // against other writers, and its global usage map and table definitions
  // are read before anything is written. Throws jet::Error:
  // invalid_argument with 3031 "Not a valid password." when the header
  // holds a password and options.password is not exactly it; io when
  // another program holds the file ("... is in use by another program");
  // io if the file cannot be read; corruption (with the page) if it is not
  // a Jet database, is damaged or ends in a partial page; not_supported for versions after Jet 4,
  // for encoded (database key) files and for Jet 3 files whose code page
  // is not 1252.
  static Database open(const std::string& path, const OpenOptions& options = {});

  // Creates a new, empty database of `version` at `path` (which must not
  // exist) with the system tables Access expects, open for writing.
  // Throws jet::Error: io if the file exists or cannot be written.
  static Database create(const std::string& path, JetVersion version,
                         const CreateOptions& options = {});

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

  // --- Writing (REQUIRES: opened writable or created) -------------------

  // Creates table `schema.name` with its columns, properties and indexes.
  // Nothing of a refused table reaches the file. Throws jet::Error
  // (invalid_argument) with the Jet error number DAO reports: 3010 the
  // table exists, 3125 a name Access refuses, 3047 columns too wide for a
  // row, 3191 a column named twice, 3284/3283 index limits, ...
  void create_table(const TableSchema& schema);

  // Removes table `name` with its rows, long values, indexes and catalog
  // rows; its pages are freed for reuse. Throws jet::Error
  // (invalid_argument, 3011) if there is no such user table.
  void delete_table(const std::string& name);

  // An appender for the rows of table `name`. The Database must outlive it.
  // Throws as table_def.
  TableAppender appender(const std::string& name);

  // Makes everything written so far durable (a commit point): after it
  // returns, a crash loses nothing written before. Throws jet::Error (io).
  void commit();

  // Commits and closes the file; the Database is unusable afterwards.
  // The destructor commits too but cannot report a failure: call close().
  void close();

  struct Impl;

 private:
  friend struct DatabaseInternals;  // the engine's own modules and tests
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

// Appends rows to one table, keeping its indexes, row count and
// autonumber counter. Entries of indexes that are not unique may reach
// their trees only at the next commit (or when another table is appended
// to): for a table filled from empty they wait in a scratch file beside
// the database, made and unlinked at once, as large as those indexes.
// Move-only. Thread-safety: none.
class TableAppender {
 public:
  TableAppender(TableAppender&&) noexcept;
  TableAppender& operator=(TableAppender&&) noexcept;
  ~TableAppender();

  const TableDef& table() const;

  // Appends one row: one value per column of table().columns, in that
  // order, each of the alternative value.h names for the column's type, or
  // Null. Null in an autonumber column takes the next counter value; an
  // explicit value is kept and the counter moves past the largest. Returns
  // the autonumber value used (0 when the table has none).
  // A refused row leaves no trace in the file. Throws jet::Error
  // (invalid_argument) with the Jet error number: 3022 duplicate key in a
  // unique index, 3047 record too large, 3314 Null in a required column,
  // 3315 zero-length text not allowed, 3163 text or binary longer than its
  // column, 3421 a value of the wrong type; (io) with 3026 when the file
  // would pass its version's size limit (the file stays valid); (io) when
  // a write fails, after which the table takes nothing more until the file
  // is opened again.
  std::int32_t append(const std::vector<Value>& row);

  // True when `row` (as for append) fits in one data page; long values
  // count as what stays in the row. Lets a caller refuse a record field by
  // field before append. Throws as append for a text or binary value longer
  // than its column. For a table whose largest possible row fits it answers
  // without encoding the row, and leaves other refusals to append. A
  // caller that changes one value of a row that fitted names its column
  // as `changed`, so that only that value is checked where possible.
  static constexpr std::size_t kAnyColumn = std::size_t(-1);
  bool fits(const std::vector<Value>& row, std::size_t changed = kAnyColumn) const;

  struct State;

 private:
  friend class Database;
  explicit TableAppender(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace jet
