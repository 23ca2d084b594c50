// Sides whose source records come slowly (2 ms each), so that a run is
// still going when a test cancels it or a screenshot is taken.
#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "convert/tests/doubles/memory_sides.h"

class slow_recordset : public udb_recordset {
 public:
  explicit slow_recordset(std::unique_ptr<udb_recordset> inner) : inner_(std::move(inner)) {
    set_record_count(inner_->record_count());
    mutable_schema() = inner_->schema();
    mutable_indexes() = inner_->indexes();
  }
  udb_record& get_item() override { return inner_->get_item(); }
  bool is_eof() override { return inner_->is_eof(); }
  void next() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    inner_->next();
  }
  void reset() override { inner_->reset(); }

 private:
  std::unique_ptr<udb_recordset> inner_;
};

class slow_database : public udb_database {
 public:
  explicit slow_database(std::unique_ptr<udb_database> inner) : udb_database(inner->name(), 1), inner_(std::move(inner)) {
    mutable_table_names() = inner_->table_names();
  }
  std::unique_ptr<udb_recordset> create_table(const std::string&, const udb_schema&, const udb_indexes&) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_table(const std::string& name, uint32_t flags) override {
    return std::make_unique<slow_recordset>(inner_->get_table(name, flags));
  }

 private:
  std::unique_ptr<udb_database> inner_;
};

class slow_sides : public memory_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    return std::make_unique<slow_database>(memory_sides::open_source(name));
  }
};

