#include "jet/database.h"

#include <array>

#include "catalog.h"
#include "database_impl.h"
#include "field_decoder.h"
#include "header.h"
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

DatabaseHeader read_header(PageFile& file) {
  std::array<std::uint8_t, kHeaderMinimumSize> bytes{};
  if (file.size() < bytes.size()) {
    throw Error::corruption(0, "database header", "a file of at least " + std::to_string(bytes.size()) + " bytes",
                            std::to_string(file.size()) + " bytes");
  }
  file.read_at(0, bytes);
  return decode_header(bytes);
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
  PageFile file(path, options.writable ? PageFile::Mode::read_write : PageFile::Mode::read_only);
  DatabaseHeader header = read_header(file);
  if (header.database_key != 0) {
    throw Error::not_supported("encoded database (database key " + std::to_string(header.database_key) + ")");
  }
  // Jet 3 text is decoded as code page 1252; other code pages would come
  // out wrong, so refuse them rather than guess.
  if (header.version == JetVersion::jet3 && header.code_page != 1252 && header.code_page != 0) {
    throw Error::not_supported("Jet 3 database in code page " + std::to_string(header.code_page) +
                               " (only 1252 is read)");
  }
  const Format& format = Format::of(header.version);
  if (file.size() < 3ull * format.page_size || file.size() % format.page_size != 0) {
    throw Error::corruption(kNoPage, "database file",
                            "a whole number of " + std::to_string(format.page_size) +
                                "-byte pages, at least 3",
                            std::to_string(file.size()) + " bytes");
  }
  auto impl = std::make_unique<Impl>(std::move(file), format, options.page_cache_pages);
  impl->header = std::move(header);
  impl->catalog = read_catalog(impl->pages, format);
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
