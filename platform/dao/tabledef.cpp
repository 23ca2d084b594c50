// Table definitions: new ones that collect fields and indexes until they
// are appended, and those read from a file.
#include <algorithm>

#include "platform/dao/objects.h"
#include "platform/dao/tabledef.h"
#include "platform/dao/values.h"

namespace dao_impl {
namespace {

SHORT dao_type_of(jet::ColumnType type) {
  switch (type) {
    case jet::ColumnType::guid: return dbGUID;
    case jet::ColumnType::numeric: return dbDecimal;
    default: return static_cast<SHORT>(type);
  }
}

bool property_flag(const jet::PropertyBlock* block, const char* name, bool fallback) {
  const jet::Property* p = block ? block->find(name) : nullptr;
  if (p == nullptr) return fallback;
  if (const bool* b = std::get_if<bool>(&p->value)) return *b;
  if (const std::uint8_t* b = std::get_if<std::uint8_t>(&p->value)) return *b != 0;
  return fallback;
}

std::string property_text(const jet::PropertyBlock* block, const char* name) {
  const jet::Property* p = block ? block->find(name) : nullptr;
  const std::string* text = p ? std::get_if<std::string>(&p->value) : nullptr;
  return text ? *text : std::string();
}

class tabledef_object : public com_object<_TableDef> {
 public:
  // A new table definition.
  tabledef_object(error_sink errors, std::string name)
      : errors_(errors),
        name_(std::move(name)),
        frozen_(std::make_shared<bool>(false)),
        fields_(make<fields_object>(errors, frozen_)),
        indexes_(make<indexes_object>(errors, frozen_)) {}
  // One of the file's tables; its layout is read on first use.
  tabledef_object(file_ref file, std::string name, LONG attributes)
      : errors_(file->errors), name_(std::move(name)), attributes_(attributes), file_(std::move(file)),
        frozen_(std::make_shared<bool>(true)) {}

  HRESULT get_Attributes(LONG* attributes) override {
    if (attributes == nullptr) return E_POINTER;
    *attributes = attributes_;
    return S_OK;
  }
  HRESULT get_Name(BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = make_bstr(name_);
    return S_OK;
  }
  HRESULT get_RecordCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    if (!file_) return S_OK;
    return guard(errors_, [&]() -> HRESULT {
      if (file_->closed) return fail(errors_, 3420);
      *count = static_cast<LONG>(file_->db.table_def(name_).row_count);
      return S_OK;
    });
  }
  HRESULT get_Fields(Fields** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = load(); FAILED(hr)) return hr;
    fields_->AddRef();
    *out = static_cast<IndexFields*>(fields_.get());
    return S_OK;
  }
  HRESULT get_Indexes(Indexes** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (HRESULT hr = load(); FAILED(hr)) return hr;
    return indexes_.hand_out(out);
  }
  HRESULT CreateField(VARIANT name, VARIANT type, VARIANT size, _Field** out) override {
    return create_field(errors_, name, type, size, out);
  }
  HRESULT CreateIndex(VARIANT name, _Index** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    std::string text;
    if (!text_arg(name, text)) return fail(errors_, 3001);
    return make<index_object>(errors_, text).hand_out(out);
  }

  bool is_new() const { return !file_ && !*frozen_; }
  void freeze() { *frozen_ = true; }
  LONG schema(bool jet3, jet::TableSchema& out) const;

 private:
  HRESULT load();
  void load_columns(const jet::TableDef& def, const jet::PropertySet& properties);
  void load_indexes(const jet::TableDef& def);

  error_sink errors_;
  std::string name_;
  LONG attributes_ = 0;
  file_ref file_;
  frozen_flag frozen_;
  ref<fields_object> fields_;
  ref<indexes_object> indexes_;
};

HRESULT tabledef_object::load() {
  if (fields_) return S_OK;
  return guard(errors_, [&]() -> HRESULT {
    if (file_->closed) return fail(errors_, 3420);
    if ((attributes_ & (dbAttachedTable | dbAttachedODBC)) != 0) return fail(errors_, 3251);
    jet::TableDef def = file_->db.table_def(name_);
    auto fields = make<fields_object>(errors_, frozen_);
    auto indexes = make<indexes_object>(errors_, frozen_);
    fields_ = fields, indexes_ = indexes;
    load_columns(def, file_->db.table_properties(name_));
    load_indexes(def);
    return S_OK;
  });
}

void tabledef_object::load_columns(const jet::TableDef& def, const jet::PropertySet& properties) {
  for (const jet::ColumnDef& column : def.columns) {
    auto field = make<field_object>(errors_, column.name, dao_type_of(column.type),
                                    declared_size(column, file_->jet3()));
    const jet::PropertyBlock* block = properties.column(column.name);
    LONG attributes = (column.is_fixed() ? dbFixedField : dbVariableField) |
                      (column.is_autonumber() ? dbAutoIncrField : 0);
    field->set_stored(property_flag(block, "Required", false), property_flag(block, "AllowZeroLength", false),
                      property_text(block, "DefaultValue"), attributes);
    fields_->add(field);
  }
}

void tabledef_object::load_indexes(const jet::TableDef& def) {
  for (const jet::IndexDef& index : def.indexes) {
    if (index.kind == jet::IndexKind::foreign) continue;
    auto real = std::find_if(def.real_indexes.begin(), def.real_indexes.end(),
                             [&](const jet::RealIndexDef& r) { return r.number == index.real_index; });
    if (real == def.real_indexes.end()) continue;
    auto entry = make<index_object>(errors_, index.name);
    bool primary = index.kind == jet::IndexKind::primary;
    entry->set_stored(primary, primary || real->is_unique());
    for (const jet::IndexColumn& key : real->columns) {
      for (const jet::ColumnDef& column : def.columns) {
        if (column.number == key.column_number) {
          entry->fields().add(make<field_object>(errors_, column.name, dao_type_of(column.type),
                                                 declared_size(column, file_->jet3())));
        }
      }
    }
    entry->attach(frozen_);
    indexes_->add(entry);
  }
}

// A Jet 3 file holds names and texts in code page 1252.
std::string file_text(const std::string& text, bool jet3) { return jet3 ? to_cp1252_repertoire(text) : text; }

LONG tabledef_object::schema(bool jet3, jet::TableSchema& out) const {
  out = jet::TableSchema{};
  out.name = file_text(name_, jet3);
  if (fields_->items().empty()) return 3264;
  for (const auto& field : fields_->items()) {
    jet::ColumnSpec column;
    column.name = file_text(field->name(), jet3);
    if (field->type() == dbGUID || field->type() == dbDecimal) return 3259;
    column.type = static_cast<jet::ColumnType>(field->type());
    if (field->type() == dbText || field->type() == dbBinary) column.size = static_cast<std::uint16_t>(field->size());
    column.required = field->required();
    bool text = field->type() == dbText || field->type() == dbMemo;
    column.allow_zero_length = text && field->allow_zero_length();
    column.autonumber = field->type() == dbLong && (field->attributes() & dbAutoIncrField) != 0;
    const VARIANT& def = field->default_value();
    if (def.vt == VT_BSTR) column.default_value = file_text(std::string(def.bstrVal, SysStringByteLen(def.bstrVal)), jet3);
    out.columns.push_back(std::move(column));
  }
  for (const auto& index : indexes_->items()) {
    jet::IndexSpec spec;
    spec.name = file_text(index->name(), jet3);
    spec.primary = index->primary();
    spec.unique = index->unique() || index->primary();
    spec.required = index->primary();
    for (const auto& key : index->fields().items()) spec.columns.push_back({file_text(key->name(), jet3), true});
    out.indexes.push_back(std::move(spec));
  }
  return 0;
}

}  // namespace

ref<_TableDef> make_new_tabledef(const error_sink& errors, const std::string& name) {
  return ref<_TableDef>(new tabledef_object(errors, name));
}

ref<_TableDef> make_stored_tabledef(const file_ref& file, const std::string& name, LONG attributes) {
  return ref<_TableDef>(new tabledef_object(file, name, attributes));
}

LONG take_new_schema(IUnknown* tabledef, bool jet3, jet::TableSchema& out) {
  auto* t = dynamic_cast<tabledef_object*>(tabledef);
  if (t == nullptr || !t->is_new()) return 3219;
  return t->schema(jet3, out);
}

void freeze_tabledef(IUnknown* tabledef) {
  if (auto* t = dynamic_cast<tabledef_object*>(tabledef)) t->freeze();
}

}  // namespace dao_impl
