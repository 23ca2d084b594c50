// Fields, indexes and their collections.
#include "platform/dao/tabledef.h"

namespace dao_impl {
namespace {

constexpr LONG kTextDefaultSize = 50;

bool known_type(SHORT type) { return (type >= dbBoolean && type <= dbMemo) || type == dbGUID || type == dbDecimal; }

// The size DAO shows for a new field of `type` given `size`: only Text and
// Binary keep theirs; long types have none; fixed types their width.
LONG effective_size(SHORT type, LONG size, bool size_given) {
  switch (type) {
    case dbText: return size_given ? size : kTextDefaultSize;
    case dbBinary: return size_given && size > 0 && size <= 255 ? size : 255;
    case dbMemo:
    case dbLongBinary: return 0;
    case dbBoolean:
    case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong:
    case dbSingle: return 4;
    case dbCurrency:
    case dbDouble:
    case dbDate: return 8;
    case dbGUID: return 16;
    case dbDecimal: return 17;
  }
  return 0;
}

bool fixed_type(SHORT type) { return type != dbText && type != dbMemo && type != dbBinary && type != dbLongBinary; }

template <class Item>
HRESULT find_item(const error_sink& errors, const std::vector<ref<Item>>& items, VARIANT index, Item*& found) {
  item_key key;
  found = nullptr;
  if (!key_arg(index, key)) return fail(errors, 3265);
  if (!key.by_name) {
    if (key.position < 0 || static_cast<std::size_t>(key.position) >= items.size()) return fail(errors, 3265);
    found = items[key.position].get();
    return S_OK;
  }
  for (const auto& item : items) {
    if (item->name() == key.name) return found = item.get(), S_OK;
  }
  for (const auto& item : items) {
    if (same_name(item->name(), key.name)) return found = item.get(), S_OK;
  }
  return fail(errors, 3265);
}

}  // namespace

field_object::field_object(error_sink errors, std::string name, SHORT type, LONG size)
    : errors_(std::move(errors)),
      name_(std::move(name)),
      type_(type),
      size_(size),
      attributes_(fixed_type(type) ? dbFixedField : dbVariableField) {
  VariantInit(&default_);
  VariantInit(&value_);
  value_.vt = VT_NULL;
}

field_object::~field_object() {
  VariantClear(&default_);
  VariantClear(&value_);
}

bool field_object::editable() { return !frozen_ || !*frozen_; }

HRESULT field_object::get_Name(BSTR* name) {
  if (name == nullptr) return E_POINTER;
  *name = make_bstr(name_);
  return S_OK;
}
HRESULT field_object::get_Type(SHORT* type) {
  if (type == nullptr) return E_POINTER;
  *type = type_;
  return S_OK;
}
HRESULT field_object::get_Size(LONG* size) {
  if (size == nullptr) return E_POINTER;
  *size = size_;
  return S_OK;
}
HRESULT field_object::get_Required(VARIANT_BOOL* required) {
  if (required == nullptr) return E_POINTER;
  *required = vbool(required_);
  return S_OK;
}
HRESULT field_object::put_Required(VARIANT_BOOL required) {
  if (!editable()) return fail(errors_, 3219);
  required_ = required != 0;
  return S_OK;
}
HRESULT field_object::get_AllowZeroLength(VARIANT_BOOL* allow) {
  if (allow == nullptr) return E_POINTER;
  *allow = vbool(allow_zero_length_);
  return S_OK;
}
HRESULT field_object::put_AllowZeroLength(VARIANT_BOOL allow) {
  if (!editable()) return fail(errors_, 3219);
  allow_zero_length_ = allow != 0;
  return S_OK;
}
HRESULT field_object::get_DefaultValue(VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  VariantInit(value);
  if (default_.vt == VT_EMPTY) return value->vt = VT_BSTR, value->bstrVal = make_bstr(""), S_OK;
  return VariantCopy(value, &default_);
}
// DAO keeps a default as the text of an expression.
HRESULT field_object::put_DefaultValue(VARIANT value) {
  if (!editable()) return fail(errors_, 3219);
  VARIANT text;
  VariantInit(&text);
  if (value.vt != VT_EMPTY && value.vt != VT_NULL && FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)))
    return fail(errors_, 3421);
  VariantClear(&default_);
  default_ = text;
  return S_OK;
}
HRESULT field_object::get_Attributes(LONG* attributes) {
  if (attributes == nullptr) return E_POINTER;
  *attributes = attributes_;
  return S_OK;
}
HRESULT field_object::put_Attributes(LONG attributes) {
  if (!editable()) return fail(errors_, 3219);
  attributes_ = attributes;
  return S_OK;
}
HRESULT field_object::get_Value(VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  VariantInit(value);
  return VariantCopy(value, &value_);
}

void field_object::set_stored(bool required, bool allow_zero_length, std::string default_text, LONG attributes) {
  required_ = required;
  allow_zero_length_ = allow_zero_length;
  attributes_ = attributes;
  VariantClear(&default_);
  if (!default_text.empty()) default_.vt = VT_BSTR, default_.bstrVal = make_bstr(default_text);
}

void field_object::set_value(const VARIANT& value) { VariantCopy(&value_, &value); }

HRESULT fields_object::QueryInterface(REFIID iid, void** out) {
  if (out != nullptr && iid == Fields::iid) {
    *out = static_cast<Fields*>(this);
    AddRef();
    return S_OK;
  }
  return com_object<IndexFields>::QueryInterface(iid, out);
}
HRESULT fields_object::get_Count(SHORT* count) {
  if (count == nullptr) return E_POINTER;
  *count = static_cast<SHORT>(items_.size());
  return S_OK;
}
HRESULT fields_object::get_Item(VARIANT index, _Field** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  field_object* found = nullptr;
  if (HRESULT hr = find_item(errors_, items_, index, found); FAILED(hr)) return hr;
  found->AddRef();
  *out = found;
  return S_OK;
}
HRESULT fields_object::Append(IUnknown* field) {
  auto* f = dynamic_cast<field_object*>(field);
  if (f == nullptr || (frozen_ && *frozen_) || f->attached()) return fail(errors_, 3219);
  if (f->name().empty()) return fail(errors_, 3264);
  for (const auto& item : items_) {
    if (same_name(item->name(), f->name())) return fail(errors_, 3367);
  }
  f->AddRef();
  add(ref<field_object>(f));
  return S_OK;
}
void fields_object::add(const ref<field_object>& field) {
  field->attach(frozen_ ? frozen_ : std::make_shared<bool>(true));
  items_.push_back(field);
}
field_object* fields_object::find(const std::string& name) const {
  for (const auto& item : items_) {
    if (item->name() == name) return item.get();
  }
  for (const auto& item : items_) {
    if (same_name(item->name(), name)) return item.get();
  }
  return nullptr;
}

index_object::index_object(error_sink errors, std::string name)
    : errors_(errors), name_(std::move(name)), fields_(make<fields_object>(errors, nullptr)) {}

bool index_object::editable() { return !frozen_ || !*frozen_; }
void index_object::attach(frozen_flag frozen) {
  frozen_ = frozen;
  for (const auto& field : fields_->items()) field->attach(frozen);
}
HRESULT index_object::get_Name(BSTR* name) {
  if (name == nullptr) return E_POINTER;
  *name = make_bstr(name_);
  return S_OK;
}
HRESULT index_object::get_Primary(VARIANT_BOOL* primary) {
  if (primary == nullptr) return E_POINTER;
  *primary = vbool(primary_);
  return S_OK;
}
HRESULT index_object::put_Primary(VARIANT_BOOL primary) {
  if (!editable()) return fail(errors_, 3219);
  primary_ = primary != 0;
  return S_OK;
}
HRESULT index_object::get_Unique(VARIANT_BOOL* unique) {
  if (unique == nullptr) return E_POINTER;
  *unique = vbool(unique_);
  return S_OK;
}
HRESULT index_object::put_Unique(VARIANT_BOOL unique) {
  if (!editable()) return fail(errors_, 3219);
  unique_ = unique != 0;
  return S_OK;
}
HRESULT index_object::get_Fields(VARIANT* fields) {
  if (fields == nullptr) return E_POINTER;
  VariantInit(fields);
  fields->vt = VT_UNKNOWN;
  fields_->AddRef();
  fields->punkVal = static_cast<IndexFields*>(fields_.get());
  return S_OK;
}
HRESULT index_object::CreateField(VARIANT name, VARIANT type, VARIANT size, _Field** out) {
  return create_field(errors_, name, type, size, out);
}

HRESULT indexes_object::get_Count(SHORT* count) {
  if (count == nullptr) return E_POINTER;
  *count = static_cast<SHORT>(items_.size());
  return S_OK;
}
HRESULT indexes_object::get_Item(VARIANT index, _Index** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  index_object* found = nullptr;
  if (HRESULT hr = find_item(errors_, items_, index, found); FAILED(hr)) return hr;
  found->AddRef();
  *out = found;
  return S_OK;
}
HRESULT indexes_object::Append(IUnknown* index) {
  auto* x = dynamic_cast<index_object*>(index);
  if (x == nullptr || (frozen_ && *frozen_)) return fail(errors_, 3219);
  if (x->name().empty() || x->fields().items().empty()) return fail(errors_, 3264);
  for (const auto& item : items_) {
    if (same_name(item->name(), x->name())) return fail(errors_, 3284);
    if (item->primary() && x->primary()) return fail(errors_, 3283);
  }
  x->AddRef();
  x->attach(frozen_);
  add(ref<index_object>(x));
  return S_OK;
}

HRESULT create_field(const error_sink& errors, VARIANT name, VARIANT type, VARIANT size, _Field** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  return guard(errors, [&]() -> HRESULT {
    std::string text;
    LONG type_number = dbText, size_number = 0;
    if (!text_arg(name, text)) return fail(errors, 3001);
    if (type.vt != VT_EMPTY && !long_arg(type, type_number)) return fail(errors, 3259);
    if (!known_type(static_cast<SHORT>(type_number))) return fail(errors, 3259);
    bool size_given = size.vt != VT_EMPTY;
    if (size_given && !long_arg(size, size_number)) return fail(errors, 3001);
    SHORT t = static_cast<SHORT>(type_number);
    if (t == dbText && size_given && (size_number < 1 || size_number > 255)) return fail(errors, 3001);
    return make<field_object>(errors, text, t, effective_size(t, size_number, size_given)).hand_out(out);
  });
}

}  // namespace dao_impl
