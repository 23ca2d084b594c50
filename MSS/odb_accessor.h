// odb_accessor: binds every column of a rowset to one row buffer and turns
// a fetched row into an odb_record.
//
// Row buffer: per column, in column order and without padding, a slot of
// status (4 bytes), length (4 bytes) and value (the column's maximum
// length).  Every column is bound as UTF-16 text (DBTYPE_WSTR) except
// DBTYPE_BYTES columns, bound as bytes.  Slots are capped at 2,000,000
// bytes; a value that does not fit is read again whole through an accessor
// of its own, so long text and image values arrive complete.
//
// Thread-safety: one thread, like its recordset.
#pragma once

#include <memory>

#include "MSS/odb_record.h"
#include "OLE/ole_ptr.h"
#include "platform/oledb/oledb.h"

class odb_accessor {
 public:
  odb_accessor();
  ~odb_accessor();
  odb_accessor(const odb_accessor&) = delete;
  odb_accessor& operator=(const odb_accessor&) = delete;

  // Binds the n columns described by `info` (borrowed; must outlive the
  // accessor).  REQUIRES: info given.
  void bind(IRowset& rowset, DBORDINAL n, const DBCOLUMNINFO* info);
  // Reads the row and answers a new record of it.
  std::unique_ptr<odb_record> get_record(IRowset& rowset, HROW row);

  // The maximum value length bound for a column.
  static DBLENGTH max_length(DBTYPE type, DBLENGTH size);
  DBLENGTH row_size() const { return row_size_; }
  const DBBINDING* bindings() const { return bindings_; }

 private:
  // The whole value of column i of the row, whose length is `length`.
  std::string read_whole(IRowset& rowset, HROW row, DBORDINAL i, DBLENGTH length);

  DBORDINAL count_ = 0;
  DBLENGTH row_size_ = 0;
  HACCESSOR handle_ = 0;
  const DBCOLUMNINFO* info_ = nullptr;
  BYTE* buffer_ = nullptr;
  DBBINDING* bindings_ = nullptr;
  DBBINDSTATUS* status_ = nullptr;
  ole_com_ptr<IAccessor> accessor_;
};
