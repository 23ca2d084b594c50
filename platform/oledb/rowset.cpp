#include "platform/oledb/rowset.h"

#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <system_error>

#include "platform/oledb/com_multi.h"
#include "platform/win32/win32_text.h"

oledb_cell oledb_text_cell(const std::string& utf8) { return {false, oledb_text_cell_bytes(utf8)}; }

std::string oledb_cell_text(const oledb_cell& cell) {
  // The cell holds UTF-16LE bytes; a trailing odd byte is no unit.
  const std::string& b = cell.bytes;
  std::u16string wide(b.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(b[2 * i]) |
                                    (static_cast<unsigned char>(b[2 * i + 1]) << 8));
  }
  return win32::utf16_to_utf8_lossy(wide);
}

oledb_buffered_source::oledb_buffered_source(std::vector<oledb_column> columns, std::vector<oledb_row> rows)
    : rows_(std::move(rows)) {
  columns_ = std::move(columns);
}

HRESULT oledb_read_columns(odbc::statement& statement, std::vector<oledb_column>& columns,
                           std::vector<odbc::fetch_kind>& kinds) {
  std::vector<odbc::column_desc> descs;
  odbc::diagnostics diag;
  if (!statement.describe(descs, diag)) return oledb_fail_odbc(diag);
  columns.clear();
  kinds.clear();
  for (const auto& d : descs) {
    columns.push_back(oledb_describe(d));
    kinds.push_back(columns.back().fetch);
  }
  return S_OK;
}

HRESULT oledb_buffered_source::read_all(odbc::statement& statement, std::unique_ptr<oledb_row_source>& out) {
  std::vector<oledb_column> columns;
  std::vector<odbc::fetch_kind> kinds;
  if (HRESULT hr = oledb_read_columns(statement, columns, kinds); FAILED(hr)) return hr;
  std::vector<oledb_row> rows;
  for (;;) {
    oledb_row row;
    bool got = false;
    odbc::diagnostics diag;
    if (!statement.fetch(kinds, row, &got, diag)) return oledb_fail_odbc(diag);
    if (!got) break;
    rows.push_back(std::move(row));
  }
  statement.close_cursor();
  out = std::make_unique<oledb_buffered_source>(std::move(columns), std::move(rows));
  return S_OK;
}

HRESULT oledb_buffered_source::next(oledb_row& row, bool* got) {
  *got = position_ < rows_.size();
  if (*got) row = rows_[position_++];
  return S_OK;
}

HRESULT oledb_buffered_source::restart() {
  position_ = 0;
  return S_OK;
}

oledb_streamed_source::oledb_streamed_source(std::shared_ptr<odbc::connection> connection, std::string sql)
    : connection_(std::move(connection)), sql_(std::move(sql)) {}

HRESULT oledb_streamed_source::open(std::shared_ptr<odbc::connection> connection, std::string sql,
                                    std::unique_ptr<oledb_row_source>& out) {
  std::unique_ptr<oledb_streamed_source> source(new oledb_streamed_source(std::move(connection), std::move(sql)));
  if (HRESULT hr = source->run(); FAILED(hr)) return hr;
  if (HRESULT hr = oledb_read_columns(*source->statement_, source->columns_, source->kinds_); FAILED(hr)) return hr;
  source->bind_block();
  out = std::move(source);
  return S_OK;
}

HRESULT oledb_streamed_source::run() {
  statement_ = std::make_unique<odbc::statement>(connection_);
  bool has_result = false;
  odbc::diagnostics diag;
  if (!statement_->execute(sql_, &has_result, diag)) return oledb_fail_odbc(diag);
  at_end_ = !has_result;
  return S_OK;
}

// Rows of bounded columns are fetched in blocks; a table with a long
// column (or a driver without row arrays) is read one row at a time.
void oledb_streamed_source::bind_block() {
  if (at_end_) return;
  std::vector<std::size_t> widths;
  for (const oledb_column& c : columns_) widths.push_back(oledb_block_width(c));
  if (!statement_->bind_block(kinds_, widths)) return;
  try {
    prefetch_ = std::make_unique<odbc::row_prefetch>(*statement_, kinds_);
  } catch (const std::system_error&) {
    // No thread to be had: the rows are read as they are asked for.
  }
}

HRESULT oledb_streamed_source::next(oledb_row& row, bool* got) {
  *got = false;
  if (at_end_) return S_OK;
  odbc::diagnostics diag;
  const bool fetched = prefetch_ ? prefetch_->next(row, got, diag) : statement_->fetch(kinds_, row, got, diag);
  if (!fetched) return oledb_fail_odbc(diag);
  if (!*got) {
    at_end_ = true;
    prefetch_.reset();
    statement_->close_cursor();
  }
  return S_OK;
}

HRESULT oledb_streamed_source::restart() {
  prefetch_.reset();
  statement_.reset();
  if (HRESULT hr = run(); FAILED(hr)) return hr;
  bind_block();
  return S_OK;
}

namespace {

// OLE DB's binary-to-text form: two upper-case hex digits per byte.
std::string hex_text_cell(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return oledb_text_cell_bytes(text);
}

class rowset : public com_multi<IRowset, IColumnsInfo, IAccessor> {
 public:
  explicit rowset(std::unique_ptr<oledb_row_source> source) : source_(std::move(source)) {}

  HRESULT GetColumnInfo(DBORDINAL* count, DBCOLUMNINFO** info, OLECHAR** strings) override {
    oledb_clear_error();
    if (count == nullptr || info == nullptr) return E_INVALIDARG;
    const auto& columns = source_->columns();
    std::size_t names = 0;
    for (const auto& c : columns) names += c.name.size() + 1;
    std::size_t array = columns.size() * sizeof(DBCOLUMNINFO);
    auto* block = static_cast<char*>(CoTaskMemAlloc(array + names + 1));
    if (block == nullptr) return E_OUTOFMEMORY;
    auto* out = reinterpret_cast<DBCOLUMNINFO*>(block);
    char* name = block + array;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const oledb_column& c = columns[i];
      std::memcpy(name, c.name.c_str(), c.name.size() + 1);
      out[i] = DBCOLUMNINFO{name, nullptr, static_cast<DBORDINAL>(i + 1), c.flags, c.size, c.type,
                            c.precision, c.scale, DBID{}};
      out[i].columnid.uName.pwszName = name;
      name += c.name.size() + 1;
    }
    *count = static_cast<DBORDINAL>(columns.size());
    *info = out;
    if (strings != nullptr) *strings = nullptr;
    return S_OK;
  }

  HRESULT CreateAccessor(DBACCESSORFLAGS flags, DBCOUNTITEM count, const DBBINDING bindings[], DBLENGTH,
                         HACCESSOR* accessor, DBBINDSTATUS status[]) override {
    oledb_clear_error();
    if (accessor == nullptr || (count > 0 && bindings == nullptr)) return E_INVALIDARG;
    *accessor = 0;
    if ((flags & DBACCESSOR_ROWDATA) == 0) return DB_E_BADBINDINFO;
    bool bad = false;
    for (DBCOUNTITEM i = 0; i < count; ++i) {
      bool ok = bindings[i].iOrdinal >= 1 && bindings[i].iOrdinal <= source_->columns().size();
      if (status != nullptr) status[i] = ok ? DBBINDSTATUS_OK : DBBINDSTATUS_BADORDINAL;
      bad = bad || !ok;
    }
    if (bad) return oledb_fail(DB_E_ERRORSOCCURRED, "Errors occurred.");
    *accessor = ++last_accessor_;
    accessors_[*accessor].assign(bindings, bindings + count);
    return S_OK;
  }

  HRESULT ReleaseAccessor(HACCESSOR accessor, DBREFCOUNT* refs) override {
    oledb_clear_error();
    if (accessors_.erase(accessor) == 0) return DB_E_BADACCESSORHANDLE;
    if (refs != nullptr) *refs = 0;
    return S_OK;
  }

  HRESULT GetNextRows(HCHAPTER, DBROWOFFSET offset, DBROWCOUNT count, DBCOUNTITEM* obtained, HROW** rows) override {
    oledb_clear_error();
    if (obtained == nullptr || rows == nullptr || offset < 0 || count < 0) return E_INVALIDARG;
    *obtained = 0;
    oledb_row row = spare_row();
    bool got = true;
    for (DBROWOFFSET skip = 0; skip < offset && got; ++skip) {
      if (HRESULT hr = source_->next(row, &got); FAILED(hr)) return hr;
    }
    std::vector<HROW> handles;
    while (got && static_cast<DBROWCOUNT>(handles.size()) < count) {
      if (HRESULT hr = source_->next(row, &got); FAILED(hr)) return hr;
      if (!got) break;
      HROW handle = ++last_row_;
      if (held_.empty()) first_held_ = handle;
      held_.emplace_back(std::move(row));
      row = spare_row();
      handles.push_back(handle);
    }
    keep_spare(std::move(row));
    if (!handles.empty()) {
      if (*rows == nullptr) *rows = static_cast<HROW*>(CoTaskMemAlloc(handles.size() * sizeof(HROW)));
      if (*rows == nullptr) return E_OUTOFMEMORY;
      std::memcpy(*rows, handles.data(), handles.size() * sizeof(HROW));
    }
    *obtained = static_cast<DBCOUNTITEM>(handles.size());
    return static_cast<DBROWCOUNT>(handles.size()) < count ? DB_S_ENDOFROWSET : S_OK;
  }

  HRESULT ReleaseRows(DBCOUNTITEM count, const HROW rows[], DBROWOPTIONS[], DBREFCOUNT refs[],
                      DBROWSTATUS status[]) override {
    oledb_clear_error();
    for (DBCOUNTITEM i = 0; i < count; ++i) {
      if (std::optional<oledb_row>* slot = held_slot(rows[i]); slot != nullptr && *slot) {
        keep_spare(std::move(**slot));
        slot->reset();
      }
      if (refs != nullptr) refs[i] = 0;
      if (status != nullptr) status[i] = 0;
    }
    while (!held_.empty() && !held_.front()) {
      held_.pop_front();
      ++first_held_;
    }
    return S_OK;
  }

  HRESULT RestartPosition(HCHAPTER) override {
    oledb_clear_error();
    held_.clear();
    return source_->restart();
  }

  HRESULT GetData(HROW row, HACCESSOR accessor, void* data) override {
    oledb_clear_error();
    auto a = accessors_.find(accessor);
    if (a == accessors_.end()) return DB_E_BADACCESSORHANDLE;
    std::optional<oledb_row>* r = held_slot(row);
    if (r == nullptr || !*r) return DB_E_BADROWHANDLE;
    if (data == nullptr && !a->second.empty()) return E_INVALIDARG;
    bool errors = false;
    for (const DBBINDING& b : a->second) {
      DBSTATUS status = fill(b, (**r)[b.iOrdinal - 1], source_->columns()[b.iOrdinal - 1], static_cast<char*>(data));
      errors = errors || (status != DBSTATUS_S_OK && status != DBSTATUS_S_ISNULL);
      if (b.dwPart & DBPART_STATUS) std::memcpy(static_cast<char*>(data) + b.obStatus, &status, sizeof status);
    }
    return errors ? DB_S_ERRORSOCCURRED : S_OK;
  }

 private:
  // Writes one bound value; answers its status.
  static DBSTATUS fill(const DBBINDING& b, const oledb_cell& cell, const oledb_column& column, char* data) {
    auto set_length = [&](DBLENGTH length) {
      if (b.dwPart & DBPART_LENGTH) std::memcpy(data + b.obLength, &length, sizeof length);
    };
    if (cell.is_null) {
      set_length(0);
      return DBSTATUS_S_ISNULL;
    }
    const bool wide = b.wType == DBTYPE_WSTR;
    if (!wide && b.wType != DBTYPE_BYTES) return DBSTATUS_E_CANTCONVERTVALUE;
    std::string hex;
    const std::string* bytes = &cell.bytes;
    if (wide && column.type == DBTYPE_BYTES) bytes = &(hex = hex_text_cell(cell.bytes));
    const std::size_t terminator = wide ? 2 : 0;
    std::size_t room = b.cbMaxLen >= terminator ? b.cbMaxLen - terminator : 0;
    if (wide) room &= ~static_cast<std::size_t>(1);
    bool fits = bytes->size() <= room;
    std::size_t copied = fits ? bytes->size() : room;
    if (b.dwPart & DBPART_VALUE) {
      std::memcpy(data + b.obValue, bytes->data(), copied);
      if (wide && b.cbMaxLen >= 2) std::memset(data + b.obValue + copied, 0, 2);
    }
    set_length(static_cast<DBLENGTH>(bytes->size()));
    return fits ? DBSTATUS_S_OK : DBSTATUS_S_TRUNCATED;
  }

  std::unique_ptr<oledb_row_source> source_;
  std::map<HACCESSOR, std::vector<DBBINDING>> accessors_;
  // The slot of a held row's handle; null for a handle never handed out or
  // released with the rows after it.
  std::optional<oledb_row>* held_slot(HROW handle) {
    if (handle < first_held_ || handle - first_held_ >= held_.size()) return nullptr;
    return &held_[handle - first_held_];
  }
  // A released row to be filled again (its cells keep their storage), or a
  // new one.
  oledb_row spare_row() {
    if (spare_.empty()) return {};
    oledb_row row = std::move(spare_.back());
    spare_.pop_back();
    return row;
  }
  void keep_spare(oledb_row&& row) {
    if (spare_.size() < kSpareRows) spare_.push_back(std::move(row));
  }

  static constexpr std::size_t kSpareRows = 16;
  // Rows handed out, by handle: handles count up from first_held_ in the
  // order the rows were read, and rows are mostly released in that order.
  std::deque<std::optional<oledb_row>> held_;
  HROW first_held_ = 1;
  std::vector<oledb_row> spare_;
  HACCESSOR last_accessor_ = 0;
  HROW last_row_ = 0;
};

}  // namespace

IRowset* oledb_make_rowset(std::unique_ptr<oledb_row_source> source) { return new rowset(std::move(source)); }
