// The write side of jet::Database: the page allocator, usage map rows,
// creating tables, appenders and commit.
#include <algorithm>

#include "catalog.h"
#include "data_page.h"
#include "drop_table.h"
#include "database_impl.h"
#include "properties.h"
#include "schema_layout.h"
#include "table_creator.h"
#include "table_def.h"
#include "table_writer.h"
#include "text.h"
#include "usage_map.h"
#include "value_encoder.h"

namespace jet {
namespace {

constexpr RowPointer kGlobalFreeMap{1, 0};

std::vector<ColumnRules> rules_from(const TableDef& def, const PropertySet& properties) {
  std::vector<ColumnRules> rules(def.columns.size());
  for (std::size_t c = 0; c < def.columns.size(); ++c) {
    const PropertyBlock* block = properties.column(def.columns[c].name);
    if (block == nullptr) continue;
    if (const Property* p = block->find("Required"); p && std::holds_alternative<bool>(p->value)) {
      rules[c].required = std::get<bool>(p->value);
    }
    if (const Property* p = block->find("AllowZeroLength"); p && std::holds_alternative<bool>(p->value)) {
      rules[c].allow_zero_length = std::get<bool>(p->value);
    }
  }
  return rules;
}

const CatalogEntry* entry_of_page(const std::vector<CatalogEntry>& catalog, std::uint32_t tdef_page) {
  for (const CatalogEntry& e : catalog) {
    if ((e.kind == ObjectKind::user_table || e.kind == ObjectKind::system_table) && e.tdef_page == tdef_page) {
      return &e;
    }
  }
  return nullptr;
}

}  // namespace

Database::Impl::Impl(PageFile file, const Format& format, std::size_t cache_pages)
    : file(std::move(file)), format(format), pages(this->file, format.page_size, cache_pages) {}

Database::Impl::~Impl() = default;

void Database::Impl::require_writable() const {
  if (!file.writable()) throw Error::invalid_argument("the database '" + file.path() + "' is open read-only");
}

void Database::Impl::require_pages(std::uint64_t count) const {
  if (!has_pages(count)) {
    const bool j4 = format.is_jet4();
    throw Error(ErrorKind::io,
                std::string("the database would pass the ") + (j4 ? "2 GiB" : "1 GiB") + " size limit of a " +
                    (j4 ? "Jet 4" : "Jet 3") + " file; nothing of this change was written",
                kNoPage, jet_error::disk_full);
  }
}

std::uint32_t Database::Impl::allocate_page(std::vector<std::uint8_t> bytes) {
  if (std::optional<std::uint32_t> reused = take_free_page()) {
    pages.put(*reused, std::move(bytes));
    mark(kGlobalFreeMap, *reused, false);
    return *reused;
  }
  require_pages(1);
  const std::uint32_t page = pages.append(std::move(bytes));
  mark(kGlobalFreeMap, page, false);  // a set bit in the global map means free
  return page;
}

void Database::Impl::mark(RowPointer map, std::uint32_t page, bool used) {
  update_usage_map(pages, format, map, page, used,
                   [this](std::vector<std::uint8_t> bytes) { return allocate_page(std::move(bytes)); });
}

RowPointer Database::Impl::add_map_row(std::uint32_t first) {
  const std::vector<std::uint8_t> row = empty_usage_map_row(format, first);
  if (map_rows_page == 0 || !page_has_room(pages.get(map_rows_page)->bytes, format, row.size())) {
    map_rows_page = allocate_page(empty_data_page(format, 0));
  }
  auto page = pages.modify(map_rows_page);
  return RowPointer{map_rows_page, add_row(page->bytes, format, row)};
}

TableWriter& Database::Impl::writer(std::uint32_t tdef_page) {
  auto found = writers.find(tdef_page);
  if (found != writers.end()) return *found->second;
  TableDef def = read_table_def(pages, format, tdef_page);
  PropertySet properties;
  if (const CatalogEntry* entry = entry_of_page(catalog, tdef_page)) {
    def.name = entry->name;
    properties = decode_properties(entry->property_blob, format, tdef_page);
  }
  auto rules = rules_from(def, properties);
  auto made = std::make_unique<TableWriter>(*this, std::move(def), std::move(rules));
  return *writers.emplace(tdef_page, std::move(made)).first->second;
}

void Database::Impl::commit() {
  if (!file.writable()) return;
  for (auto& [page, writer] : writers) writer->flush();
  pages.flush();
  file.commit_journal();
}

void set_page_limit_for_testing(Database& db, std::uint32_t pages) { DatabaseInternals::of(db).page_limit = pages; }
void set_pending_key_bytes_for_testing(Database& db, std::size_t bytes) {
  DatabaseInternals::of(db).pending_key_bytes = bytes;
}

void Database::create_table(const TableSchema& schema) {
  Impl& db = *impl_;
  db.require_writable();
  TableLayout layout = lay_out_table(schema, db.format);
  for (const CatalogEntry& e : db.catalog) {
    if (e.parent_id == object_id::tables && same_name(e.name, schema.name)) {
      throw refusal(jet_error::table_exists, "table '" + schema.name + "' already exists");
    }
  }
  const std::vector<std::uint8_t> blob = encode_properties(layout.properties, db.format);
  // The catalog row, its index entries and the access rows come last and
  // may add a few pages.
  db.require_pages(pages_for_table(layout.def, db.format) + 64);
  write_new_table(db, layout.def);
  const auto id = static_cast<std::int32_t>(layout.def.tdef_page);
  add_catalog_row(db, id, object_id::tables, schema.name, object_type::table, 0, blob);
  add_table_access_rows(db, id);
}

void Database::delete_table(const std::string& name) {
  impl_->require_writable();
  drop_table(*impl_, name);
}

TableAppender Database::appender(const std::string& name) {
  impl_->require_writable();
  const CatalogEntry& entry = table_entry(name);
  if (entry.kind != ObjectKind::user_table && entry.kind != ObjectKind::system_table) {
    throw Error::invalid_argument("'" + name + "' is a linked table");
  }
  impl_->writer(entry.tdef_page);
  auto state = std::make_unique<TableAppender::State>();
  state->impl = impl_.get();
  state->tdef_page = entry.tdef_page;
  return TableAppender(std::move(state));
}

void Database::commit() { impl_->commit(); }

void Database::close() {
  if (!impl_) return;
  impl_->commit();
  impl_.reset();
}

TableAppender::TableAppender(std::unique_ptr<State> state) : state_(std::move(state)) {}
TableAppender::TableAppender(TableAppender&&) noexcept = default;
TableAppender& TableAppender::operator=(TableAppender&&) noexcept = default;
TableAppender::~TableAppender() = default;

const TableDef& TableAppender::table() const { return state_->impl->writer(state_->tdef_page).def(); }

std::int32_t TableAppender::append(const std::vector<Value>& row) {
  return state_->impl->writer(state_->tdef_page).append(row);
}

bool TableAppender::fits(const std::vector<Value>& row, std::size_t changed) const {
  return state_->impl->writer(state_->tdef_page).fits(row, changed);
}

}  // namespace jet
