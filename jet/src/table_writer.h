// Appends rows to one table: checks a row against every rule first
// (types, sizes, Required, AllowZeroLength, unique and required indexes,
// the file size limit), then writes its long values, the row and its index
// entries. A refused row writes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "cache_page_store.h"
#include "database_impl.h"
#include "index_writer.h"
#include "pending_keys.h"
#include "row_layout.h"
#include "jet/types.h"
#include "jet/value.h"

namespace jet {

// What a column refuses, from its properties.
struct ColumnRules {
  bool required = false;
  bool allow_zero_length = true;
};

class TableWriter {
 public:
  // `rules` has one entry per column of `def` (same order).
  TableWriter(Database::Impl& db, TableDef def, std::vector<ColumnRules> rules);
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  const TableDef& def() const { return def_; }

  // See TableAppender::append.
  std::int32_t append(const std::vector<Value>& row);
  // See TableAppender::fits.
  bool fits(const std::vector<Value>& row, std::size_t changed);

  // Puts the index entries still waiting into their trees and writes the
  // row count and autonumber into the TDEF page.
  void flush();

 private:
  struct Prepared;

  Prepared& prepare(const std::vector<Value>& row);
  void check_indexes(Prepared& p);
  void place_long_values(Prepared& p);
  std::vector<std::uint8_t> write_long_value(const ColumnDef& column, const std::vector<std::uint8_t>& value);
  RowPointer place(std::uint32_t& current, std::uint32_t owner, RowPointer used_map,
                   RowPointer free_map, const std::vector<std::uint8_t>& row);
  const LongValueMaps& maps_of(const ColumnDef& column) const;
  void require_pages(std::uint64_t for_row);
  // Throws jet::Error (io) once a failure midway through a change has left
  // the table's pages disagreeing with each other.
  void require_whole() const;
  std::int32_t write_row(const Prepared& p);
  void make_room_for_keys();
  // Puts the entries waiting for index i (or for every index) into their
  // trees.
  void insert_pending(std::size_t i);
  void insert_pending();
  std::size_t largest_row_size() const;

  Database::Impl& db_;
  TableDef def_;
  std::vector<ColumnRules> rules_;
  std::uint32_t data_page_ = 0;
  std::vector<std::uint32_t> long_value_pages_;  // current LVAL page per long_value_maps entry
  std::vector<std::unique_ptr<CachePageStore>> stores_;
  std::vector<std::unique_ptr<IndexWriter>> indexes_;
  // Per real index: entries not yet in the tree (indexes that are not
  // unique wait for a batch; unique ones are kept at once).
  std::vector<std::optional<PendingKeys>> pending_;
  // Per real index: its tree was empty when the entries now waiting began
  // to wait, so they all go in at the end, in order.
  std::vector<bool> bulk_;
  bool changed_ = false;
  bool always_fits_ = false;  // no row of this table can pass the page's limit
  bool has_long_values_ = false;  // a memo or OLE column
  // Buffers every row reuses: the row prepared, and its fields as written.
  std::unique_ptr<Prepared> prepared_;
  std::vector<std::vector<std::uint8_t>> long_refs_;
  std::vector<FieldBytes> row_view_;
  bool half_changed_ = false;  // a write failed midway; see require_whole
};

}  // namespace jet
