#include "UDB/tests/doubles/memory_database.h"

#include <cstdio>

#include "UDB/udb_names.h"

namespace {
constexpr int duplicate_key_code = 0x10BCE;

std::string hex_flags(uint32_t flags) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", flags);
  return text;
}

void fail_if_listed(const std::map<std::string, memory_failure>& failures, const std::string& name) {
  auto it = failures.find(name);
  if (it != failures.end()) throw tk_exception(it->second.message, it->second.level);
}
}  // namespace

memory_record_error::memory_record_error()
    : tk_exception("The record was refused.", tk_level_recoverable, duplicate_key_code) {}

memory_table* memory_store::find(const std::string& name) {
  for (auto& table : tables) {
    if (udb_same_name(table->name, name)) return table.get();
  }
  return nullptr;
}

memory_table& memory_store::add(memory_table table) {
  tables.push_back(std::make_unique<memory_table>(std::move(table)));
  return *tables.back();
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
  ++appended_;
  if (store_->refused_records.count({table_.name, appended_}) != 0) throw memory_record_error();
  std::vector<ole_variant> row;
  for (std::size_t i = 0; i < record.size(); ++i) row.push_back(record.at(i).value());
  table_.rows.push_back(std::move(row));
}

udb_record& memory_recordset::get_item() {
  TK_ASSERT(!is_eof());
  current_ = std::make_unique<udb_record>();
  const std::vector<ole_variant>& row = table_.rows[cursor_];
  for (std::size_t i = 0; i < row.size(); ++i) {
    const t_ftd& column = table_.schema.at(i);
    current_->append(std::make_unique<udb_field>(column.name, column.size, column.b_not_null, column.identity,
                                                 row[i]));
  }
  return *current_;
}

bool memory_recordset::is_eof() { return cursor_ >= table_.rows.size(); }

void memory_recordset::next() { ++cursor_; }

void memory_recordset::reset() { cursor_ = 0; }

memory_database::memory_database(std::string name, uint32_t open_mode, std::shared_ptr<memory_store> store)
    : udb_database(std::move(name), open_mode), store_(std::move(store)) {
  mutable_table_names() = store_->names();
}

std::unique_ptr<udb_recordset> memory_database::create_table(const std::string& name, const udb_schema& schema,
                                                             const udb_indexes& indexes) {
  store_->log.push_back("create_table " + name + " indexes=" + std::to_string(indexes.size()));
  if (memory_table* existing = store_->find(name)) return std::make_unique<memory_recordset>(store_, *existing);
  fail_if_listed(store_->fail_create_table, name);
  memory_table& table = store_->add(memory_table{name, schema, indexes, {}});
  mutable_table_names().push_back(name);
  return std::make_unique<memory_recordset>(store_, table);
}

bool memory_database::delete_tab(const std::string& name) {
  store_->log.push_back("delete_tab " + name);
  auto& tables = store_->tables;
  for (auto it = tables.begin(); it != tables.end(); ++it) {
    if (udb_same_name((*it)->name, name)) {
      tables.erase(it);
      break;
    }
  }
  return udb_database::delete_tab(name);
}

std::unique_ptr<udb_recordset> memory_database::get_table(const std::string& name, uint32_t open_flags) {
  store_->log.push_back("get_table " + name + " " + hex_flags(open_flags));
  fail_if_listed(store_->fail_get_table, name);
  memory_table* table = store_->find(name);
  if (table == nullptr) throw tk_exception("The specified table does not exist.", tk_level_recoverable);
  return std::make_unique<memory_recordset>(store_, *table);
}

// A file made anew keeps the failures injected into the old one, so that a
// test can set them up before the run creates the file.
std::unique_ptr<udb_database> memory_engine::create_db(const std::string& name) {
  auto store = std::make_shared<memory_store>();
  if (auto old = files_.find(name); old != files_.end()) {
    store->fail_create_table = old->second->fail_create_table;
    store->refused_records = old->second->refused_records;
  }
  store->format_code = format_code_;
  files_[name] = store;
  return std::make_unique<memory_database>(name, 18, store);
}

std::unique_ptr<udb_database> memory_engine::open_db(const std::string& name, uint32_t mode, const std::string&) {
  auto it = files_.find(name);
  if (it == files_.end()) throw tk_exception("Could not find file.", tk_level_recoverable);
  return std::make_unique<memory_database>(name, mode, it->second);
}

t_ftd memory_column(const std::string& name, VARTYPE vartype, uint32_t size) { return t_ftd(size, name, vartype); }

memory_table memory_int_table(const std::string& name, std::size_t row_count, std::size_t columns) {
  memory_table table;
  table.name = name;
  for (std::size_t c = 0; c < columns; ++c) table.schema.append(memory_column("c" + std::to_string(c), VT_I4));
  for (std::size_t r = 0; r < row_count; ++r) {
    table.rows.emplace_back(columns, ole_variant(static_cast<int>(r + 1)));
  }
  return table;
}
