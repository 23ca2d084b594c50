#include "MSS/odb_recordset.h"

#include "MSS/odb_exception.h"
#include "OLE/ole_var.h"
#include "TK/tk_trace.h"

odb_recordset::odb_recordset() : accessor_(std::make_unique<odb_accessor>()) {}

odb_recordset::odb_recordset(IRowset* rowset) : odb_recordset() {
  TK_TRACE(2, "odb_recordset::ctor");
  if (rowset != nullptr) rowset->AddRef();
  rowset_.reset(rowset);
  initialize();
}

odb_recordset::~odb_recordset() {
  TK_TRACE(2, "odb_recordset::dtor");
  clear_cache();
  CoTaskMemFree(column_info_);
  accessor_.reset();  // releases its accessor handle while the rowset lives
  rowset_.reset();
}

void odb_recordset::initialize() {
  TK_TRACE(2, "odb_recordset::initialize");
  if (!rowset_) {
    TK_TRACE(2, "Rowset isn't defined");
    return;
  }
  ole_com_ptr<IColumnsInfo> columns;
  odb_check(rowset_->QueryInterface(IID_IColumnsInfo, reinterpret_cast<void**>(columns.address())));
  odb_check(columns->GetColumnInfo(&column_count_, &column_info_, nullptr));
  TK_TRACE(1, "*** Got %d columns ***", static_cast<int>(column_count_));
  for (DBORDINAL i = 0; i < column_count_; ++i) {
    const DBCOLUMNINFO& info = column_info_[i];
    std::string name = info.pwszName != nullptr ? info.pwszName : "";
    VARTYPE vartype = odb_record::get_vartype(info.wType);
    uint32_t size = info.ulColumnSize;
    if (info.wType == DBTYPE_GUID) size = 38;
    if (vartype == VT_BLOB) size = 0;
    TK_TRACE(2, "Field '%s' has type %d", name.c_str(), static_cast<int>(info.wType));
    uint32_t reserved = vartype == VT_DATE ? udb_hint_datetime : vartype == VT_BLOB ? udb_hint_long_binary : udb_hint_none;
    TK_TRACE(2, ">>> reserved=%d", static_cast<int>(reserved));
    if (vartype == VT_DECIMAL) {
      TK_TRACE(1, "Scale/precision for decimal column '%s': (%d, %d)", name.c_str(), static_cast<int>(info.bScale),
               static_cast<int>(info.bPrecision));
      reserved = info.bPrecision * 256u + info.bScale;
    }
    bool not_null = (info.dwFlags & DBCOLUMNFLAGS_ISNULLABLE) == 0;
    mutable_schema().append(t_ftd(size, name, vartype, not_null, false, ole_variant(), reserved));
  }
  clear_cache();
  accessor_->bind(*rowset_, column_count_, column_info_);
}

void odb_recordset::clear_cache() {
  for (auto& record : cache_) record.reset();
  cached_rows_ = 0;
}

void odb_recordset::fill_cache() {
  TK_TRACE(1, "odb_recordset::fill_cache");
  TK_ASSERT(rowset_);
  HROW handles[cache_size] = {};
  HROW* rows = handles;
  DBCOUNTITEM obtained = 0;
  odb_check(rowset_->GetNextRows(DB_NULL_HCHAPTER, 0, cache_size, &obtained, &rows));
  cached_rows_ = obtained;
  TK_TRACE(1, "GetNextRows extracts %d records", static_cast<int>(obtained));
  for (DBCOUNTITEM k = 0; k < obtained; ++k) cache_[k] = accessor_->get_record(*rowset_, handles[k]);
  odb_check(rowset_->ReleaseRows(obtained, handles, nullptr, nullptr, nullptr));
  TK_TRACE(1, "End of odb_recordset::fill_cache");
}

void odb_recordset::reset() {
  TK_TRACE(1, "odb_table::reset");
  if (!rowset_) return;
  if (global_pos_ != 0 || local_pos_ != 0 || cached_rows_ != 0) {
    odb_check(rowset_->RestartPosition(DB_NULL_HCHAPTER));
    clear_cache();
  }
  global_pos_ = 0;
  local_pos_ = 0;
  fill_cache();
}

bool odb_recordset::is_eof() {
  TK_TRACE(1, "odb_recordset::is_eof(%d)", static_cast<int>(cached_rows_));
  return !rowset_ || cached_rows_ == 0;
}

udb_record& odb_recordset::get_item() {
  TK_TRACE(1, "odb_recordset::get_item(local_pos=%d)", static_cast<int>(local_pos_));
  TK_ASSERT(local_pos_ < cached_rows_);
  return *cache_[local_pos_];
}

void odb_recordset::next() {
  TK_TRACE(1, "odb_table::next(%d)", static_cast<int>(local_pos_));
  TK_ASSERT(cached_rows_ > 0 && cache_[0] != nullptr);
  if (local_pos_ + 1 < cached_rows_) {
    ++local_pos_;
    ++global_pos_;
    return;
  }
  clear_cache();
  fill_cache();
  local_pos_ = 0;
  ++global_pos_;
}
