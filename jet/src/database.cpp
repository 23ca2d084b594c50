#include "jet/database.h"

#include "catalog.h"
#include "database_impl.h"
#include "field_decoder.h"
#include "open_for_write.h"
#include "properties.h"
#include "table_def.h"
#include "table_writer.h"
#include "text.h"

namespace jet {
namespace {

bool is_table(ObjectKind kind) {
  return kind == ObjectKind::user_table || kind == ObjectKind::system_table ||
         kind == ObjectKind::linked_table || kind == ObjectKind::linked_odbc_table;
}

}  // namespace

Database::Database(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() {
  if (!impl_) return;
  try {
    impl_->commit();
  } catch (const Error&) {
    // A destructor cannot report it; close() does.
  }
}

Database Database::open(const std::string& path, const OpenOptions& options) {
  OpenedFile opened = open_for_change(path, options);
  check_password(opened.header, options.password);
  const Format& format = *opened.format;
  std::size_t cache_pages = options.page_cache_pages;
  if (cache_pages == 0) {
    cache_pages = options.writable ? kWritingPageCacheBytes / format.page_size : kReadingPageCachePages;
  }
  auto impl = std::make_unique<Impl>(std::move(opened.file), format, cache_pages);
  impl->header = std::move(opened.header);
  impl->catalog = read_catalog(impl->pages, format);
  if (options.writable) {
    check_before_writing(*impl);
    if (options.journal) impl->file.start_journal(format.page_size);
  }
  return Database(std::move(impl));
}

const DatabaseHeader& Database::header() const { return impl_->header; }
JetVersion Database::version() const { return impl_->format.version; }
std::uint32_t Database::page_size() const { return impl_->format.page_size; }
std::uint32_t Database::page_count() const { return impl_->pages.page_count(); }
const std::vector<CatalogEntry>& Database::catalog() const { return impl_->catalog; }

std::vector<std::string> Database::table_names(bool include_system) const {
  std::vector<std::string> names;
  for (const auto& entry : impl_->catalog) {
    if (entry.kind == ObjectKind::user_table ||
        (include_system && entry.kind == ObjectKind::system_table)) {
      names.push_back(entry.name);
    }
  }
  return names;
}

const CatalogEntry& Database::table_entry(const std::string& name) const {
  for (const auto& entry : impl_->catalog) {
    if (is_table(entry.kind) && same_name(entry.name, name)) return entry;
  }
  throw Error::invalid_argument("no table named '" + name + "'");
}

TableDef Database::table_def(const std::string& name) const {
  const CatalogEntry& entry = table_entry(name);
  if (entry.kind != ObjectKind::user_table && entry.kind != ObjectKind::system_table) {
    throw Error::invalid_argument("'" + name + "' is a linked table");
  }
  if (auto writer = impl_->writers.find(entry.tdef_page); writer != impl_->writers.end()) {
    return writer->second->def();  // holds the counts not yet in the TDEF page
  }
  TableDef def = read_table_def(impl_->pages, impl_->format, entry.tdef_page);
  def.name = entry.name;
  return def;
}

PropertySet Database::table_properties(const std::string& name) const {
  const CatalogEntry& entry = table_entry(name);
  return decode_properties(entry.property_blob, impl_->format, kCatalogTdefPage);
}

RowCursor Database::rows(const std::string& name) {
  auto state = std::make_unique<RowCursor::State>(impl_->pages, impl_->format, table_def(name));
  return RowCursor(std::move(state));
}

std::vector<Value> Database::read_row(const TableDef& table, RowPointer pointer) {
  const LocatedRow row = resolve_row(impl_->pages, impl_->format, pointer, table.tdef_page);
  // No deleted check: overflow targets carry the deleted flag as well.
  const auto fields = split_row(row.bytes, table, impl_->format, row.page->number);
  std::vector<Value> values;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    values.push_back(decode_field(table.columns[i], fields[i], impl_->pages, impl_->format, row.page->number));
  }
  return values;
}

RowCursor::RowCursor(std::unique_ptr<State> state) : state_(std::move(state)) {}
RowCursor::RowCursor(RowCursor&&) noexcept = default;
RowCursor& RowCursor::operator=(RowCursor&&) noexcept = default;
RowCursor::~RowCursor() = default;

bool RowCursor::next() {
  if (!state_->scan.next()) {
    values_.clear();
    return false;
  }
  values_ = state_->scan.values();
  return true;
}

RowPointer RowCursor::position() const { return state_->scan.position(); }
const TableDef& RowCursor::table() const { return state_->table; }

}  // namespace jet
