// Recordsets over one table: append-only (a pending row, written by
// Update) or read-only (the table's rows, read when it is opened).
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/dao/objects.h"
#include "platform/dao/tabledef.h"
#include "platform/dao/values.h"

namespace dao_impl {
namespace {

class recordset_object : public com_object<Recordset> {
 public:
  recordset_object(file_ref file, const std::string& name, bool read_only)
      : file_(std::move(file)), errors_(file_->errors), def_(file_->db.table_def(name)), read_only_(read_only) {
    if (read_only_) {
      jet::RowCursor cursor = file_->db.rows(name);
      while (cursor.next()) rows_.push_back(cursor.values());
    } else {
      appender_.emplace(file_->db.appender(name));
      def_ = appender_->table();
    }
  }

  HRESULT AddNew() override {
    if (HRESULT hr = usable(true); FAILED(hr)) return hr;
    pending_.assign(def_.columns.size(), jet::Value(jet::Null{}));
    for (std::size_t i = 0; i < def_.columns.size(); ++i) {
      if (def_.columns[i].type == jet::ColumnType::boolean) pending_[i] = false;
    }
    has_pending_ = true;
    return S_OK;
  }

  HRESULT put_Collect(VARIANT item, VARIANT value) override {
    if (HRESULT hr = usable(true); FAILED(hr)) return hr;
    return guard(errors_, [&]() -> HRESULT {
      if (!has_pending_) return fail(errors_, 3020);
      std::size_t column = column_of(item);
      if (column >= def_.columns.size()) return fail(errors_, 3265);
      jet::Value converted;
      if (LONG error = to_jet_value(value, def_.columns[column], jet3_, converted)) return fail(errors_, error);
      // The value that makes the row too large is refused here, so that the
      // caller can store the field empty and keep the rest of the row.
      std::swap(pending_[column], converted);
      bool fits = true;
      try {
        fits = appender_->fits(pending_, column);
      } catch (...) {
        std::swap(pending_[column], converted);
        throw;
      }
      if (fits) return S_OK;
      std::swap(pending_[column], converted);
      return fail(errors_, 3047);
    });
  }

  // A refused row stays pending until the next AddNew or Close drops it.
  HRESULT Update(LONG type, VARIANT_BOOL) override {
    if (HRESULT hr = usable(true); FAILED(hr)) return hr;
    return guard(errors_, [&]() -> HRESULT {
      if (type != dbUpdateRegular) return fail(errors_, 3001);
      if (!has_pending_) return fail(errors_, 3020);
      appender_->append(pending_);
      has_pending_ = false;
      return S_OK;
    });
  }

  HRESULT get_EOF(VARIANT_BOOL* eof) override {
    if (eof == nullptr) return E_POINTER;
    if (HRESULT hr = usable(false); FAILED(hr)) return hr;
    *eof = vbool(!read_only_ || position_ >= static_cast<long>(rows_.size()));
    return S_OK;
  }
  HRESULT get_BOF(VARIANT_BOOL* bof) override {
    if (bof == nullptr) return E_POINTER;
    if (HRESULT hr = usable(false); FAILED(hr)) return hr;
    *bof = vbool(!read_only_ || rows_.empty() || position_ < 0);
    return S_OK;
  }
  HRESULT MoveFirst() override { return move_to(0); }
  HRESULT MoveNext() override {
    if (read_only_ && position_ >= static_cast<long>(rows_.size())) return fail(errors_, 3021);
    return move_to(position_ + 1);
  }
  HRESULT MovePrevious() override {
    if (read_only_ && position_ < 0) return fail(errors_, 3021);
    return move_to(position_ - 1);
  }

  HRESULT get_Fields(Fields** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = usable(false); FAILED(hr)) return hr;
    return guard(errors_, [&]() -> HRESULT {
      auto fields = make<fields_object>(errors_, std::make_shared<bool>(true));
      bool on_row = read_only_ && position_ >= 0 && position_ < static_cast<long>(rows_.size());
      for (std::size_t i = 0; i < def_.columns.size(); ++i) {
        const jet::ColumnDef& column = def_.columns[i];
        auto field = make<field_object>(errors_, column.name, static_cast<SHORT>(column.type),
                                        declared_size(column, file_->jet3()));
        field->set_stored(!column.is_nullable(), false, std::string(),
                          (column.is_fixed() ? dbFixedField : dbVariableField) |
                              (column.is_autonumber() ? dbAutoIncrField : 0));
        if (on_row) {
          VARIANT v;
          from_jet_value(rows_[position_][i], &v);
          field->set_value(v);
          VariantClear(&v);
        }
        fields->add(field);
      }
      fields->AddRef();
      *out = static_cast<IndexFields*>(fields.get());
      return S_OK;
    });
  }

  // The rows appended so far become durable: a table's copy is a commit
  // point (the file's Close is the last one).
  HRESULT Close() override {
    if (closed_) return fail(errors_, 3420);
    closed_ = true;
    has_pending_ = false;
    bool appended = appender_.has_value();
    appender_.reset();
    rows_.clear();
    if (!appended || file_->closed) return S_OK;
    return guard(errors_, [&]() -> HRESULT {
      file_->db.commit();
      return S_OK;
    });
  }

 private:
  HRESULT usable(bool appending) {
    if (closed_ || file_->closed) return fail(errors_, 3420);
    if (appending && read_only_) return fail(errors_, 3027);
    return S_OK;
  }

  HRESULT move_to(long position) {
    if (HRESULT hr = usable(false); FAILED(hr)) return hr;
    if (!read_only_ || rows_.empty()) return fail(errors_, 3021);
    position_ = std::max(-1L, std::min(position, static_cast<long>(rows_.size())));
    return S_OK;
  }

  // The column an item names; past the last column when none. Names are
  // looked up once each; a row's fields come by name in the same order
  // every row, so the name after the last one is tried first.
  std::size_t column_of(const VARIANT& item) {
    if (item.vt == VT_BSTR && !known_.empty()) {
      const std::string_view name(item.bstrVal != nullptr ? item.bstrVal : "", SysStringByteLen(item.bstrVal));
      const known_name& expected = known_[expected_];
      if (expected.name == name) {
        expected_ = (expected_ + 1) % known_.size();
        return expected.column;
      }
    }
    item_key key;
    if (!key_arg(item, key)) return def_.columns.size();
    if (!key.by_name) return static_cast<std::size_t>(key.position);
    auto seen = known_index_.find(key.name);
    if (seen == known_index_.end()) {
      known_.push_back({key.name, find_column(file_->stored(key.name))});
      seen = known_index_.emplace(std::move(key.name), known_.size() - 1).first;
    }
    expected_ = (seen->second + 1) % known_.size();
    return known_[seen->second].column;
  }

  // An exact match first, else letter case ignored.
  std::size_t find_column(const std::string& name) const {
    for (std::size_t i = 0; i < def_.columns.size(); ++i) {
      if (def_.columns[i].name == name) return i;
    }
    for (std::size_t i = 0; i < def_.columns.size(); ++i) {
      if (same_name(def_.columns[i].name, name)) return i;
    }
    return def_.columns.size();
  }

  file_ref file_;
  error_sink errors_;
  jet::TableDef def_;
  bool read_only_;
  bool closed_ = false;
  std::optional<jet::TableAppender> appender_;
  bool jet3_ = file_->jet3();
  struct known_name {
    std::string name;
    std::size_t column;
  };
  std::vector<known_name> known_;                             // in the order first asked
  std::unordered_map<std::string, std::size_t> known_index_;  // name -> its place in known_
  std::size_t expected_ = 0;                                  // the place in known_ tried first
  std::vector<jet::Value> pending_;
  bool has_pending_ = false;
  std::vector<std::vector<jet::Value>> rows_;
  long position_ = 0;
};

}  // namespace

ref<Recordset> make_recordset(const file_ref& file, const std::string& name, bool read_only) {
  return make<recordset_object>(file, name, read_only);
}

}  // namespace dao_impl
