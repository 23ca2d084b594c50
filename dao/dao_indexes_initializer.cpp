#include "dao/dao_indexes_initializer.h"

#include "OLE/ole_ptr.h"
#include "TK/tk_trace.h"
#include "UDB/udb_names.h"
#include "dao/dao_exception.h"
#include "dao/dao_variant_args.h"

dao_indexes_initializer::dao_indexes_initializer(_TableDef* tabledef, const dao_schema_initializer& schema,
                                                 const udb_indexes& indexes, const t_names_map& names_map)
    : tabledef_(tabledef), schema_(schema), names_map_(names_map), validator_(indexes) {
  TK_TRACE(2, "dao_indexes_initializer::ctor");
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    const udb_index& source = indexes.at(i);
    if (source.field_names.size() > dao_max_index_fields) continue;
    bool acceptable = validator_.is_acceptable(source.name);
    udb_index entry{acceptable ? source.name : validator_.get_safe_name(source.name), source.unique, source.primary, {}};
    bool droppable = false;
    for (const std::string& field : source.field_names) {
      std::string name = schema_.destination_name(field);
      const t_ftd& d = destination_field(name);
      if (dao_is_long_type(dao_type_of(d.vartype, d.size))) {
        TK_TRACE(2, "Field '%s' cannot be part of index", d.name.c_str());
        droppable = true;
        break;
      }
      entry.field_names.push_back(d.name);
    }
    if (droppable) continue;
    indexes_.push_back(entry);
    if (!acceptable) {
      TK_TRACE(2, "Store generated index name '%s'", entry.name.c_str());
      validator_.add_taken_name(entry.name);
    }
    validator_.add_name_in_use(entry.name);
  }
}

// The exact name first; letter case ignored as the fallback.
const t_ftd& dao_indexes_initializer::destination_field(const std::string& name) const {
  for (std::size_t i = 0; i < schema_.size(); ++i) {
    if (schema_.at(i).name == name) return schema_.at(i);
  }
  return schema_.find_field(name);
}

void dao_indexes_initializer::initialize() {
  TK_TRACE(2, "dao_indexes_initializer::initialize");
  TK_ASSERT(tabledef_ != nullptr);
  ole_com_ptr<Indexes> all;
  dao_check(tabledef_->get_Indexes(all.address()), all);
  std::size_t created = 0;
  for (const udb_index& index : indexes_) {
    TK_TRACE(2, "Process index %s", index.name.c_str());
    ole_com_ptr<_Index> entry;
    dao_check(tabledef_->CreateIndex(dao_var(index.name).v, entry.address()), entry);
    dao_var holder;
    if (FAILED(entry->get_Fields(&holder.v))) throw dao_exception();
    ole_com_ptr<IndexFields> keys;
    if (holder.v.vt != VT_UNKNOWN || holder.v.punkVal == nullptr) throw tk_exception(dao_msg_no_object, tk_level_abort);
    dao_check(holder.v.punkVal->QueryInterface(IndexFields::iid, reinterpret_cast<void**>(keys.address())), keys);
    for (const std::string& name : index.field_names) {
      TK_TRACE(2, "Process index field %s", name.c_str());
      const t_ftd& d = destination_field(name);
      ole_com_ptr<_Field> key;
      dao_check(entry->CreateField(dao_var(name).v, dao_var(static_cast<long>(dao_type_of(d.vartype, d.size))).v,
                               dao_var(static_cast<long>(d.size)).v, key.address()),
            key);
      if (FAILED(keys->Append(key.get()))) throw dao_exception();
    }
    if (FAILED(entry->put_Primary(index.primary ? VARIANT_TRUE : VARIANT_FALSE)) ||
        FAILED(entry->put_Unique(index.unique ? VARIANT_TRUE : VARIANT_FALSE)))
      throw dao_exception();
    if (FAILED(all->Append(entry.get()))) throw dao_exception();
    if (++created == dao_max_indexes) break;
  }
}
