// The objects of a table definition: fields, indexes and their
// collections. Internal to platform/dao.
//
// A new table definition is edited freely until TableDefs.Append freezes
// it (the `frozen` flag its fields and indexes share); a table definition
// read from a file is frozen from the start.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dao/internal.h"

namespace dao_impl {

using frozen_flag = std::shared_ptr<bool>;

class field_object : public com_object<_Field> {
 public:
  field_object(error_sink errors, std::string name, SHORT type, LONG size);
  ~field_object() override;

  HRESULT get_Name(BSTR* name) override;
  HRESULT get_Type(SHORT* type) override;
  HRESULT get_Size(LONG* size) override;
  HRESULT get_Required(VARIANT_BOOL* required) override;
  HRESULT put_Required(VARIANT_BOOL required) override;
  HRESULT get_AllowZeroLength(VARIANT_BOOL* allow) override;
  HRESULT put_AllowZeroLength(VARIANT_BOOL allow) override;
  HRESULT get_DefaultValue(VARIANT* value) override;
  HRESULT put_DefaultValue(VARIANT value) override;
  HRESULT get_Attributes(LONG* attributes) override;
  HRESULT put_Attributes(LONG attributes) override;
  HRESULT get_Value(VARIANT* value) override;

  // Joins a collection: from now on the collection's flag decides whether
  // the properties may change.
  void attach(frozen_flag frozen) { frozen_ = std::move(frozen); }
  bool attached() const { return frozen_ != nullptr; }
  // For fields read from a file or from a row.
  void set_stored(bool required, bool allow_zero_length, std::string default_text, LONG attributes);
  void set_value(const VARIANT& value);

  const std::string& name() const { return name_; }
  SHORT type() const { return type_; }
  LONG size() const { return size_; }
  bool required() const { return required_; }
  bool allow_zero_length() const { return allow_zero_length_; }
  LONG attributes() const { return attributes_; }
  const VARIANT& default_value() const { return default_; }

 private:
  bool editable();

  error_sink errors_;
  frozen_flag frozen_;
  std::string name_;
  SHORT type_;
  LONG size_;
  bool required_ = false;
  bool allow_zero_length_ = false;
  LONG attributes_;
  VARIANT default_;
  VARIANT value_;
};

// Fields of a table definition, of an index or of a row. Answers for
// Fields and IndexFields alike.
class fields_object : public com_object<IndexFields> {
 public:
  fields_object(error_sink errors, frozen_flag frozen) : errors_(std::move(errors)), frozen_(std::move(frozen)) {}
  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT get_Count(SHORT* count) override;
  HRESULT get_Item(VARIANT index, _Field** out) override;
  HRESULT Append(IUnknown* field) override;

  // Adds a field made here (reading a file or a row).
  void add(const ref<field_object>& field);
  const std::vector<ref<field_object>>& items() const { return items_; }
  // The field called `name`: an exact match first, else letter case
  // ignored; null when none.
  field_object* find(const std::string& name) const;

 private:
  error_sink errors_;
  frozen_flag frozen_;
  std::vector<ref<field_object>> items_;
};

class index_object : public com_object<_Index> {
 public:
  index_object(error_sink errors, std::string name);
  HRESULT get_Name(BSTR* name) override;
  HRESULT get_Primary(VARIANT_BOOL* primary) override;
  HRESULT put_Primary(VARIANT_BOOL primary) override;
  HRESULT get_Unique(VARIANT_BOOL* unique) override;
  HRESULT put_Unique(VARIANT_BOOL unique) override;
  HRESULT get_Fields(VARIANT* fields) override;
  HRESULT CreateField(VARIANT name, VARIANT type, VARIANT size, _Field** out) override;

  void attach(frozen_flag frozen);
  void set_stored(bool primary, bool unique) { primary_ = primary, unique_ = unique; }
  const std::string& name() const { return name_; }
  bool primary() const { return primary_; }
  bool unique() const { return unique_; }
  fields_object& fields() { return *fields_.get(); }

 private:
  bool editable();

  error_sink errors_;
  frozen_flag frozen_;
  std::string name_;
  bool primary_ = false;
  bool unique_ = false;
  ref<fields_object> fields_;
};

class indexes_object : public com_object<Indexes> {
 public:
  indexes_object(error_sink errors, frozen_flag frozen) : errors_(std::move(errors)), frozen_(std::move(frozen)) {}
  HRESULT get_Count(SHORT* count) override;
  HRESULT get_Item(VARIANT index, _Index** out) override;
  HRESULT Append(IUnknown* index) override;

  void add(const ref<index_object>& index) { items_.push_back(index); }
  const std::vector<ref<index_object>>& items() const { return items_; }

 private:
  error_sink errors_;
  frozen_flag frozen_;
  std::vector<ref<index_object>> items_;
};

// A field made by CreateField: the type must be one DAO defines (3259
// otherwise); the size is kept for Text and Binary only.
HRESULT create_field(const error_sink& errors, VARIANT name, VARIANT type, VARIANT size, _Field** out);

}  // namespace dao_impl
