#include "UDB/tests/doubles/memory_database.h"

#include <sstream>

#include "UDB/udb_names.h"

namespace {
void fail_if_listed(const std::map<std::string, memory_failure>& failures, const std::string& name) {
  if (auto it = failures.find(name); it != failures.end()) throw tk_exception(it->second.message, it->second.level);
}
}  // namespace

memory_table* memory_store::find(const std::string& name) {
  for (auto& table : tables) {
    if (udb_same_name(table->name, name)) return table.get();
  }
  return nullptr;
}

std::vector<std::string> memory_store::names() const {
  std::vector<std::string> names;
  for (const auto& table : tables) names.push_back(table->name);
  return names;
}

memory_recordset::memory_recordset(std::shared_ptr<memory_store> store, memory_table& table)
    : store_(std::move(store)), table_(table) {
  set_record_count(static_cast<uint32_t>(table.rows.size()));
  mutable_schema() = table.schema;
  mutable_indexes() = table.indexes;
}

void memory_recordset::append_record(const udb_record& record) {
  if (store_->refused_records.count({table_.name, ++appended_}) != 0) {
    throw tk_exception("The record was refused.", tk_level_recoverable, memory_record_error_code);
  }
  std::vector<ole_variant>& row = table_.rows.emplace_back();
  for (std::size_t i = 0; i < record.size(); ++i) row.push_back(record.at(i).value());
}

udb_record& memory_recordset::get_item() {
  TK_ASSERT(!is_eof());
  current_ = std::make_unique<udb_record>();
  for (std::size_t i = 0; i < table_.rows[cursor_].size(); ++i) {
    const t_ftd& column = table_.schema.at(i);
    current_->append(std::make_unique<udb_field>(column.name, column.size, column.b_not_null, column.identity,
                                                 table_.rows[cursor_][i]));
  }
  return *current_;
}

memory_database::memory_database(std::string name, uint32_t open_mode, std::shared_ptr<memory_store> store)
    : udb_database(std::move(name), open_mode), store_(std::move(store)) {
  mutable_table_names() = store_->names();
}

std::unique_ptr<udb_recordset> memory_database::create_table(const std::string& name, const udb_schema& schema,
                                                             const udb_indexes& indexes) {
  store_->log.push_back("create_table " + name + " indexes=" + std::to_string(indexes.size()));
  memory_table* table = store_->find(name);
  if (table == nullptr) {
    fail_if_listed(store_->fail_create_table, name);
    table = &store_->add(memory_table{name, schema, indexes, {}});
    mutable_table_names().push_back(name);
  }
  return std::make_unique<memory_recordset>(store_, *table);
}

bool memory_database::delete_tab(const std::string& name) {
  store_->log.push_back("delete_tab " + name);
  std::erase_if(store_->tables, [&](const auto& table) { return udb_same_name(table->name, name); });
  return udb_database::delete_tab(name);
}

std::unique_ptr<udb_recordset> memory_database::get_table(const std::string& name, uint32_t open_flags) {
  std::ostringstream entry;
  entry << "get_table " << name << " 0x" << std::hex << std::uppercase << open_flags;
  store_->log.push_back(entry.str());
  fail_if_listed(store_->fail_get_table, name);
  memory_table* table = store_->find(name);
  if (table == nullptr) throw tk_exception("The specified table does not exist.", tk_level_recoverable);
  return std::make_unique<memory_recordset>(store_, *table);
}

std::unique_ptr<udb_database> memory_engine::create_db(const std::string& name) {
  std::shared_ptr<memory_store>& store = files_[name];
  if (!store) store = std::make_shared<memory_store>();
  store->tables.clear();
  store->format = format_;
  return std::make_unique<memory_database>(name, 18, store);
}

std::unique_ptr<udb_database> memory_engine::open_db(const std::string& name, uint32_t mode, const std::string&) {
  auto it = files_.find(name);
  if (it == files_.end()) throw tk_exception("Could not find file.", tk_level_recoverable);
  return std::make_unique<memory_database>(name, mode, it->second);
}

memory_table memory_int_table(const std::string& name, std::size_t row_count, std::size_t columns) {
  memory_table table{name, {}, {}, {}};
  for (std::size_t c = 0; c < columns; ++c) table.schema.append(t_ftd(0, "c" + std::to_string(c), VT_I4));
  for (std::size_t r = 0; r < row_count; ++r) table.rows.emplace_back(columns, ole_variant(static_cast<int>(r + 1)));
  return table;
}
