#include "MSS/mss_table.h"

#include <cstdlib>

#include "MSS/odb_command.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_meta_data.h"
#include "TK/tk_trace.h"

odb_table::odb_table(const std::string& bracketed_name, IOpenRowset& session, uint32_t flags) : name_(bracketed_name) {
  TK_TRACE(2, "odb_table::odb_table(%s)", bracketed_name.c_str());
  session.AddRef();
  session_.reset(&session);
  internal_initialize(flags);
  set_record_count(static_cast<uint32_t>(get_records_cnt()));
  TK_TRACE(2, "Got %d records", static_cast<int>(record_count()));
}

void odb_table::internal_initialize(uint32_t flags) {
  TK_TRACE(2, "odb_table::internal_initialize");
  std::string wide_name = name_;
  DBID table_id;
  table_id.eKind = DBKIND_NAME;
  table_id.uName.pwszName = wide_name.data();
  // Only reading is ever asked of a source table.
  TK_ASSERT(flags & udb_open_read_only);
  TK_TRACE(2, "Open rowset in read_only mode");
  odb_check(session_->OpenRowset(nullptr, &table_id, nullptr, IID_IRowset, 0, nullptr,
                                 reinterpret_cast<IUnknown**>(rowset().address())));
  initialize();
}

int32_t odb_table::get_records_cnt() {
  TK_TRACE(2, "odb_table::get_records_cnt");
  odb_command command(*session_);
  ole_com_ptr<IRowset> result;
  command.execute("SELECT COUNT(*) FROM " + name_, &result);
  odb_recordset count(result.get());
  count.reset();
  TK_ASSERT(!count.is_eof());
  std::string text = count.get_item().at(0).to_string();
  return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

bool odb_table::is_eof() {
  return global_position() >= record_count() || odb_recordset::is_eof();
}

void odb_table::init_indexes(const std::string& table, const std::string& owner) {
  TK_TRACE(2, "odb_table::init_indexes(%s,%s)", table.c_str(), owner.c_str());
  udb_index key;
  key.unique = true;
  key.primary = true;
  {
    odb_pk_meta_data keys(session_.get(), table, owner);
    keys.reset();
    while (!keys.is_eof()) {
      udb_record& row = keys.get_item();
      std::string pk_name = row.at(7).to_string();
      if (key.name.empty()) {
        key.name = pk_name;
        TK_TRACE(2, "Got pr.key: %s", key.name.c_str());
      } else {
        TK_ASSERT(pk_name == key.name);
      }
      key.field_names.push_back(row.at(3).to_string());
      keys.next();
    }
  }
  if (!key.field_names.empty()) mutable_indexes().append(key);

  odb_id_meta_data indexes(session_.get(), table, owner);
  indexes.reset();
  while (!indexes.is_eof()) {
    udb_record& row = indexes.get_item();
    std::string name = row.at(5).to_string();
    std::string column = row.at(17).to_string();
    if (mutable_indexes().is_acceptable_name(name)) {
      TK_TRACE(2, "Got index: %s", name.c_str());
      udb_index entry;
      entry.name = name;
      entry.unique = row.at(7).to_bool();
      entry.primary = row.at(6).to_bool();
      entry.field_names.push_back(column);
      mutable_indexes().append(entry);
    } else {
      udb_index& entry = mutable_indexes().get_index(name);
      if (entry.primary) {
        TK_TRACE(2, "Skip Primary Key DoubleInitialization");
      } else {
        entry.field_names.push_back(column);
      }
    }
    indexes.next();
  }
}
