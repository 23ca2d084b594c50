#include "dao/dao_recordset.h"

#include "TK/tk_trace.h"
#include "dao/dao_schema_initializer.h"
#include "dao/dao_variant_args.h"

namespace {

void call(HRESULT hr) {
  if (FAILED(hr)) throw dao_exception();
}

// Drops the outer pair of `mark` from a stored default ("#...#", "\"...\"").
std::string unwrap(const std::string& text, char mark) {
  if (text.size() > 1 && text.front() == mark && text.back() == mark) return text.substr(1, text.size() - 2);
  return text;
}

bool is_too_large(const dao_exception& e) {
  return e.code() == dao_code_record_too_large || e.message() == dao_msg_record_too_large;
}
}  // namespace

dao_record_too_large::dao_record_too_large(const std::string& field)
    : dao_exception(std::string(dao_msg_record_too_large) + " The value of field '" + field +
                        "' did not fit and was stored empty.",
                    dao_code_record_too_large) {}

dao_recordset::dao_recordset(const std::string& name, ole_com_ptr<Recordset> rows, ole_com_ptr<_TableDef> tabledef)
    : name_(name), rows_(std::move(rows)), tabledef_(std::move(tabledef)) {
  TK_TRACE(2, "dao_recordset::dao_recordset(%s)", name.c_str());
  TK_ASSERT(rows_);
  if (tabledef_) {
    LONG count = 0;
    call(tabledef_->get_RecordCount(&count));
    set_record_count(static_cast<uint32_t>(count));
    TK_TRACE(2, "Got records count: %d", static_cast<int>(count));
    init_schema();
    init_indexes();
  }
  call(rows_->get_EOF(&eof_));
}

dao_recordset::~dao_recordset() {
  TK_TRACE(1, "dao_recordset::dtor");
  current_.reset();
  if (FAILED(rows_->Close())) {
    try {
      dao_exception e;
      TK_TRACE(3, "Failed to close the recordset: %s", e.message().c_str());
    } catch (const tk_exception& e) {
      TK_TRACE(3, "Failed to close the recordset: %s", e.message().c_str());
    }
  }
}

void dao_recordset::init_schema() {
  TK_TRACE(2, "dao_recordset::init_schema");
  TK_ASSERT(tabledef_);
  ole_com_ptr<Fields> fields;
  dao_check(tabledef_->get_Fields(fields.address()), fields);
  SHORT count = 0;
  call(fields->get_Count(&count));
  for (SHORT i = 0; i < count; ++i) {
    ole_com_ptr<_Field> field;
    dao_check(fields->get_Item(dao_var(static_cast<long>(i)).v, field.address()), field);
    SHORT type = 0;
    dao_var stored;
    call(field->get_Type(&type));
    call(field->get_DefaultValue(&stored.v));
    ole_variant held;
    VariantCopy(&held.variant(), &stored.v);
    std::string text = held.to_string();
    TK_TRACE(2, "Field #%d: DAO type=%d, default value=%s", static_cast<int>(i), type, text.c_str());
    if (type == dbDate) {
      TK_TRACE(1, "Got date/time def.value");
      // Defaults are written quoted as text; Access's own are in #...#.
      text = unwrap(unwrap(text, '#'), '"');
    } else if (type == dbText) {
      TK_TRACE(1, "Got string def.value");
      text = unwrap(text, '"');
    }
    ole_variant def = ole_variant::from_string(text, dao_vartype_of(type));
    mutable_schema().append(t_ftd(dao_field(std::move(field)), def, 0));
    items_.emplace_back(schema().at(schema().size() - 1).name);
  }
  TK_TRACE(2, "End of dao_recordset::init_schema");
}

void dao_recordset::init_indexes() {
  TK_TRACE(2, "dao_recordset::init_indexes");
  TK_ASSERT(tabledef_);
  ole_com_ptr<Indexes> indexes;
  dao_check(tabledef_->get_Indexes(indexes.address()), indexes);
  SHORT count = 0;
  call(indexes->get_Count(&count));
  TK_TRACE(1, "Got %d indexes", count);
  for (SHORT i = 0; i < count; ++i) {
    ole_com_ptr<_Index> index;
    dao_check(indexes->get_Item(dao_var(static_cast<long>(i)).v, index.address()), index);
    BSTR name = nullptr;
    VARIANT_BOOL primary = 0, unique = 0;
    call(index->get_Name(&name));
    udb_index entry{dao_take_text(name), false, false, {}};
    call(index->get_Primary(&primary));
    call(index->get_Unique(&unique));
    entry.primary = primary == VARIANT_TRUE;
    entry.unique = unique == VARIANT_TRUE;
    dao_var holder;
    call(index->get_Fields(&holder.v));
    ole_com_ptr<IndexFields> keys;
    if (holder.v.vt != VT_UNKNOWN || holder.v.punkVal == nullptr) throw tk_exception(dao_msg_no_object, tk_level_abort);
    dao_check(holder.v.punkVal->QueryInterface(IndexFields::iid, reinterpret_cast<void**>(keys.address())), keys);
    SHORT key_count = 0;
    call(keys->get_Count(&key_count));
    for (SHORT k = 0; k < key_count; ++k) {
      ole_com_ptr<_Field> key;
      dao_check(keys->get_Item(dao_var(static_cast<long>(k)).v, key.address()), key);
      BSTR key_name = nullptr;
      call(key->get_Name(&key_name));
      entry.field_names.push_back(dao_take_text(key_name));
      TK_TRACE(1, "got index: %s", entry.field_names.back().c_str());
    }
    mutable_indexes().append(std::move(entry));
  }
  TK_TRACE(2, "End of dao_recordset::init_indexes");
}

ole_variant dao_recordset::required_null_value(VARTYPE vartype) {
  switch (dao_type_of(vartype, 1)) {
    case dbBoolean: return ole_variant(false);
    case dbDate: return ole_variant(SYSTEMTIME{1899, 12, 0, 30, 0, 0, 0, 0});
    case dbText: return ole_variant(std::string());
    case dbBinary: return ole_variant(std::size_t{0}, nullptr);
    default: return ole_variant(0);
  }
}

void dao_recordset::collect(std::size_t i, const VARIANT& value) {
  call(rows_->put_Collect(items_.at(i).v, value));
}

bool dao_recordset::put_field(std::size_t i, const udb_field& s) {
  const t_ftd& d = schema().at(i);
  VARTYPE t = s.declared_type();
  TK_TRACE(1, "\tAdd field '%s', type=%08X (value=%s)", d.name.c_str(), t, s.to_string().c_str());
  try {
    if (d.b_not_null && (t == VT_EMPTY || t == VT_NULL)) {
      TK_TRACE(1, "Got NULL value for not null field");
      collect(i, required_null_value(d.vartype).variant());
    } else if (t == VT_DATE) {
      collect(i, dao_date_value(s).variant());
    } else if (t == VT_I1 || t == VT_UI2 || t == VT_UI4 || t == VT_I8 || t == VT_UI8) {
      collect(i, dao_get_valid_variant(s.value()).variant());
    } else {
      collect(i, s.value().variant());
    }
  } catch (const dao_exception& e) {
    if (!is_too_large(e)) throw;
    TK_TRACE(2, "Record is too large.");
    collect(i, ole_variant().variant());
    return false;
  }
  return true;
}

void dao_recordset::append_record(const udb_record& record) {
  call(rows_->AddNew());
  TK_TRACE(1, "\tAdd blank DAO record");
  if (record.size() != schema().size()) throw tk_exception(dao_msg_not_conform, tk_level_recoverable);
  std::string lost;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (!put_field(i, record.at(i)) && lost.empty()) lost = schema().at(i).name;
  }
  set_record_count(record_count() + 1);
  call(rows_->Update(dbUpdateRegular, VARIANT_FALSE));
  TK_TRACE(1, "Commit new record into database");
  if (!lost.empty()) throw dao_record_too_large(lost);
}

udb_record& dao_recordset::get_item() {
  current_.reset();
  ole_com_ptr<Fields> fields;
  dao_check(rows_->get_Fields(fields.address()), fields);
  current_ = std::make_unique<dao_record>(std::move(fields));
  return *current_;
}

void dao_recordset::next() {
  call(rows_->MoveNext());
  call(rows_->get_EOF(&eof_));
}

void dao_recordset::prev() {
  VARIANT_BOOL bof = 0;
  call(rows_->get_BOF(&bof));
  if (bof == 0) call(rows_->MovePrevious());
}

void dao_recordset::reset() {
  if (record_count() != 0) call(rows_->MoveFirst());
}
