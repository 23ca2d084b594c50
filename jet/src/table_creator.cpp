#include "table_creator.h"

#include <chrono>
#include <cmath>

#include "catalog.h"
#include "data_page.h"
#include "index_writer.h"
#include "table_def.h"
#include "table_writer.h"

namespace jet {
namespace {

constexpr std::uint32_t kCatalogTdef = 2;
constexpr std::uint32_t kAccessTdef = 3;

// Security ids of a new database: the administrator user that owns the
// objects, the administrators group and the users group.
const std::vector<std::uint8_t> kOwnerSid = {0x65, 0x89};
const std::vector<std::uint8_t> kUsersSid = {0x65, 0x8B};
constexpr std::int32_t kTableRights = 1048319;  // what users may do with a new table

std::vector<Value> row_by_name(const TableDef& def, const std::vector<std::pair<std::string, Value>>& named) {
  std::vector<Value> row(def.columns.size(), Null{});
  for (std::size_t c = 0; c < def.columns.size(); ++c) {
    for (const auto& [name, value] : named) {
      if (def.columns[c].name == name) row[c] = value;
    }
    if (def.columns[c].type == ColumnType::boolean && is_null(row[c])) row[c] = false;
  }
  return row;
}

struct AccessRow {
  std::int32_t object = 0;
  Binary sid;
  std::int32_t rights = 0;
  bool inheritable = false;
};

AccessRow row_values(const TableDef& def, const std::vector<Value>& values) {
  AccessRow row;
  for (std::size_t c = 0; c < def.columns.size(); ++c) {
    const std::string& name = def.columns[c].name;
    const Value& v = values[c];
    if (name == "ObjectId" && std::holds_alternative<std::int32_t>(v)) row.object = std::get<std::int32_t>(v);
    if (name == "SID" && std::holds_alternative<Binary>(v)) row.sid = std::get<Binary>(v);
    if (name == "ACM" && std::holds_alternative<std::int32_t>(v)) row.rights = std::get<std::int32_t>(v);
    if (name == "FInheritable" && std::holds_alternative<bool>(v)) row.inheritable = std::get<bool>(v);
  }
  return row;
}

}  // namespace

DateTime now_as_ole_date() {
  using namespace std::chrono;
  const double seconds = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() / 1000.0;
  constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as an OLE date
  return DateTime{kUnixEpochDays + std::floor(seconds) / 86400.0};
}

std::uint64_t pages_for_table(const TableDef& def, const Format& format) {
  const std::size_t image = encode_table_def(def, format).size();
  return tdef_page_count(image, format) + def.real_indexes.size() + 2;
}

void write_new_table(Database::Impl& db, TableDef& def, std::uint32_t tdef_page) {
  const Format& f = db.format;
  // Map pointers and roots have fixed sizes, so the image size is known now.
  const std::size_t page_count = tdef_page_count(encode_table_def(def, f).size(), f);
  std::vector<std::uint32_t> numbers;
  const std::vector<std::uint8_t> placeholder(f.page_size, 0);
  numbers.push_back(tdef_page != 0 ? tdef_page : db.allocate_page(placeholder));
  for (std::size_t i = 1; i < page_count; ++i) numbers.push_back(db.allocate_page(placeholder));
  def.tdef_page = numbers.front();
  def.continuation_pages.assign(numbers.begin() + 1, numbers.end());
  def.used_pages = db.add_map_row(def.tdef_page);
  def.free_pages = db.add_map_row(def.tdef_page);
  def.long_value_maps.clear();
  for (const ColumnDef& c : def.columns) {
    if (c.type != ColumnType::memo && c.type != ColumnType::ole) continue;
    def.long_value_maps.push_back(LongValueMaps{c.number, db.add_map_row(def.tdef_page), db.add_map_row(def.tdef_page)});
  }
  for (RealIndexDef& index : def.real_indexes) {
    index.usage_map = db.add_map_row(def.tdef_page);
    index.first_page = db.allocate_page(empty_index_root(f.version, def.tdef_page));
    db.mark(index.usage_map, index.first_page, true);
  }
  const auto pages = split_table_def(encode_table_def(def, f), f, numbers);
  for (std::size_t i = 0; i < pages.size(); ++i) db.pages.put(numbers[i], pages[i]);
}

void add_catalog_row(Database::Impl& db, std::int32_t id, std::int32_t parent, const std::string& name,
                     std::int16_t type, std::uint32_t flags, const std::vector<std::uint8_t>& properties) {
  TableWriter& catalog = db.writer(kCatalogTdef);
  const DateTime now = now_as_ole_date();
  std::vector<std::pair<std::string, Value>> named = {
      {"Id", id},
      {"ParentId", parent},
      {"Name", name},
      {"Type", type},
      {"DateCreate", now},
      {"DateUpdate", now},
      {"Owner", Binary(id == object_id::msys_db ? Binary{0x64, 0x8B} : kOwnerSid)},
      {"Flags", static_cast<std::int32_t>(flags)}};
  if (!properties.empty()) named.emplace_back("LvProp", Binary(properties));
  catalog.append(row_by_name(catalog.def(), named));
  CatalogEntry entry;
  entry.id = id;
  entry.parent_id = parent;
  entry.name = name;
  entry.type = type;
  entry.flags = flags;
  entry.kind = classify_object(type, flags);
  entry.tdef_page = static_cast<std::uint32_t>(id) & kObjectIdPageMask;
  entry.property_blob = properties;
  entry.created = entry.updated = now;
  db.catalog.push_back(std::move(entry));
}

void add_access_row(Database::Impl& db, std::int32_t object, const std::vector<std::uint8_t>& sid,
                    std::int32_t rights, bool inheritable) {
  TableWriter& aces = db.writer(kAccessTdef);
  aces.append(row_by_name(aces.def(), {{"ObjectId", object}, {"SID", Binary(sid)}, {"ACM", rights},
                                       {"FInheritable", inheritable}}));
}

// The rights the Tables container hands down (inheritable, full table
// rights) go to each new table, one row per holder, as Access copies them.
void add_table_access_rows(Database::Impl& db, std::int32_t object) {
  const TableDef& def = db.writer(kAccessTdef).def();
  std::vector<Binary> holders;
  TableScan scan(db.pages, db.format, def);
  while (scan.next()) {
    const auto row = row_values(def, scan.values());
    if (row.object == object_id::tables && row.inheritable && row.rights == kTableRights) {
      holders.push_back(row.sid);
    }
  }
  if (holders.empty()) holders.push_back(kUsersSid);
  for (const Binary& sid : holders) add_access_row(db, object, sid, kTableRights, false);
}

}  // namespace jet
