#include "catalog.h"


#include "jet/error.h"
#include "table_def.h"
#include "text.h"
#include "table_scan.h"

namespace jet {
namespace {

// Positions of the MSysObjects columns we read (-1 when absent).
struct CatalogColumns {
  int id = -1, parent_id = -1, name = -1, type = -1, flags = -1, properties = -1;
  int database = -1, foreign_name = -1, connect = -1, created = -1, updated = -1;
};

CatalogColumns locate_columns(const TableDef& def) {
  CatalogColumns c;
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const std::string& n = def.columns[i].name;
    const int at = static_cast<int>(i);
    if (n == "Id") c.id = at;
    else if (n == "ParentId") c.parent_id = at;
    else if (n == "Name") c.name = at;
    else if (n == "Type") c.type = at;
    else if (n == "Flags") c.flags = at;
    else if (n == "LvProp") c.properties = at;
    else if (n == "Database") c.database = at;
    else if (n == "ForeignName") c.foreign_name = at;
    else if (n == "Connect") c.connect = at;
    else if (n == "DateCreate") c.created = at;
    else if (n == "DateUpdate") c.updated = at;
  }
  if (c.id < 0 || c.name < 0 || c.type < 0 || c.flags < 0) {
    throw Error::corruption(kCatalogTdefPage, "catalog", "columns Id, Name, Type and Flags",
                            "a table without them");
  }
  return c;
}

template <typename T>
T integer_at(const std::vector<Value>& row, int at) {
  if (at < 0) return 0;
  if (auto v = std::get_if<std::int32_t>(&row[at])) return static_cast<T>(*v);
  if (auto v = std::get_if<std::int16_t>(&row[at])) return static_cast<T>(*v);
  return 0;
}

std::string text_at(const std::vector<Value>& row, int at) {
  if (at < 0) return {};
  auto v = std::get_if<std::string>(&row[at]);
  return v ? *v : std::string();
}

std::optional<DateTime> date_at(const std::vector<Value>& row, int at) {
  if (at < 0) return std::nullopt;
  auto v = std::get_if<DateTime>(&row[at]);
  return v ? std::optional<DateTime>(*v) : std::nullopt;
}

CatalogEntry make_entry(const std::vector<Value>& row, const CatalogColumns& c) {
  CatalogEntry e;
  e.id = integer_at<std::int32_t>(row, c.id);
  e.parent_id = integer_at<std::int32_t>(row, c.parent_id);
  e.name = text_at(row, c.name);
  e.type = integer_at<std::int16_t>(row, c.type);
  e.flags = integer_at<std::uint32_t>(row, c.flags);
  e.kind = classify_object(e.type, e.flags);
  e.tdef_page = static_cast<std::uint32_t>(e.id) & kObjectIdPageMask;
  e.linked_database = text_at(row, c.database);
  e.foreign_name = text_at(row, c.foreign_name);
  e.connect = text_at(row, c.connect);
  if (c.properties >= 0) {
    if (auto blob = std::get_if<Binary>(&row[c.properties])) e.property_blob = *blob;
  }
  e.created = date_at(row, c.created);
  e.updated = date_at(row, c.updated);
  return e;
}

}  // namespace

ObjectKind classify_object(std::int16_t type, std::uint32_t flags) {
  switch (type) {
    case object_type::table:
      return (flags & kSystemObjectFlags) != 0 ? ObjectKind::system_table : ObjectKind::user_table;
    case object_type::container: return ObjectKind::container;
    case object_type::linked_odbc_table: return ObjectKind::linked_odbc_table;
    case object_type::query: return ObjectKind::query;
    case object_type::linked_table: return ObjectKind::linked_table;
    default: return ObjectKind::other;
  }
}

std::vector<CatalogEntry> read_catalog(PageCache& pages, const Format& format) {
  const TableDef def = read_table_def(pages, format, kCatalogTdefPage);
  const CatalogColumns columns = locate_columns(def);
  std::vector<CatalogEntry> entries;
  TableScan scan(pages, format, def);
  while (scan.next()) entries.push_back(make_entry(scan.values(), columns));
  return entries;
}

const Property* PropertyBlock::find(const std::string& property) const {
  for (const auto& p : properties) {
    if (same_name(p.name, property)) return &p;
  }
  return nullptr;
}

const PropertyBlock* PropertySet::object() const {
  for (const auto& block : blocks) {
    if (block.name.empty()) return &block;
  }
  return nullptr;
}

const PropertyBlock* PropertySet::column(const std::string& name) const {
  for (const auto& block : blocks) {
    if (!block.name.empty() && same_name(block.name, name)) return &block;
  }
  return nullptr;
}

}  // namespace jet
