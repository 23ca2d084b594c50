// odb_recordset: the one reader of everything the SQL Server side reads
// (table rows, statement results, catalog rowsets).  It describes the
// rowset's columns as t_ftd, binds them to a row buffer (odb_accessor) and
// fetches five rows at a time into a cache of odb_record.
//
// No row is visible before the first reset(); readers loop on is_eof,
// get_item, next.  A record from get_item lives until the next next() or
// reset().
//
// Thread-safety: one thread.
#pragma once

#include <array>
#include <memory>

#include "MSS/odb_accessor.h"
#include "MSS/odb_record.h"
#include "OLE/ole_ptr.h"
#include "UDB/udb_recordset.h"

class odb_recordset : public udb_recordset {
 public:
  static constexpr ULONG cache_size = 5;

  // Takes its own reference to the rowset (which may be null: no rows).
  explicit odb_recordset(IRowset* rowset);
  ~odb_recordset() override;

  udb_record& get_item() override;
  // True when there is no rowset or the cache is empty.
  bool is_eof() override;
  void next() override;
  void reset() override;

  // Describes the columns and binds the accessor.
  void initialize();

  // The columns as the provider describes them.
  DBORDINAL column_count() const { return column_count_; }
  const DBCOLUMNINFO* column_info() const { return column_info_; }
  ULONG global_position() const { return global_pos_; }
  ULONG cached_rows() const { return cached_rows_; }

 protected:
  // For tables and catalogs, whose rowset is opened after construction.
  odb_recordset();
  ole_com_ptr<IRowset>& rowset() { return rowset_; }

 private:
  void fill_cache();
  void clear_cache();

  ULONG global_pos_ = 0;
  std::unique_ptr<odb_accessor> accessor_;
  ole_com_ptr<IRowset> rowset_;
  DBORDINAL column_count_ = 0;
  DBCOLUMNINFO* column_info_ = nullptr;
  ULONG local_pos_ = 0;
  ULONG cached_rows_ = 0;
  std::array<std::unique_ptr<odb_record>, cache_size> cache_;
};
