// Creating a new database: the header page, the global usage map, the
// system tables with their indexes, the containers and MSysDb, and the
// access-control rows, laid out as the Jet engine lays out a new file
// (header, global map, the four system TDEFs on pages 2-5, their map rows,
// their index roots, then their data).
#include <array>
#include <filesystem>

#include "catalog.h"
#include "coding.h"
#include "data_page.h"
#include "database_impl.h"
#include "header.h"
#include "journal.h"
#include "schema_layout.h"
#include "table_creator.h"
#include "usage_map.h"

namespace jet {
namespace {

constexpr std::uint32_t kSystemFlags = 0x80000000u;
constexpr std::uint8_t kSystemColumnFlag = 0x10;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::size_t kTrailerSize = 512;  // the header page ends in 01 01 00 01 00 01 ...

struct SystemColumn {
  const char* name;
  ColumnType type;
};

struct SystemIndex {
  const char* name;
  std::uint32_t number;                 // logical index number (= its real index)
  std::vector<std::uint16_t> columns;   // column numbers
  std::uint8_t flags;                   // real index flags before the Jet 4 bit
  IndexKind kind;
};

// A system table as a new database holds it; logical indexes are listed in
// the order Access stores them.
TableDef system_table(const Format& f, const std::vector<SystemColumn>& columns,
                      const std::vector<SystemIndex>& indexes) {
  TableDef def;
  def.table_type = kSystemTable;
  std::uint16_t fixed = 0, variable = 0;
  for (const SystemColumn& sc : columns) {
    const std::uint16_t size = sc.type == ColumnType::binary ? (f.is_jet4() ? 510 : 255) : 255;
    ColumnDef c = new_column(sc.name, sc.type, size, f);
    c.number = static_cast<std::uint16_t>(def.columns.size());
    c.flags |= kSystemColumnFlag;
    if (sc.type == ColumnType::binary) c.flags |= 0x20;
    c.ext_flags = 0;
    if (sc.type != ColumnType::text && sc.type != ColumnType::memo) c.sort_order = 0, c.code_page = 0;
    if (c.is_fixed() && c.type != ColumnType::boolean) {
      c.fixed_offset = fixed;
      fixed = static_cast<std::uint16_t>(fixed + c.length);
    } else if (!c.is_fixed()) {
      c.var_index = variable++;
    }
    def.columns.push_back(c);
  }
  def.max_columns = static_cast<std::uint16_t>(def.columns.size());
  def.variable_columns = variable;
  def.real_indexes.resize(indexes.size());
  for (const SystemIndex& si : indexes) {
    RealIndexDef& real = def.real_indexes[si.number];
    real.number = si.number;
    real.flags = static_cast<std::uint8_t>(si.flags | (f.is_jet4() ? 0x80 : 0));
    for (std::uint16_t column : si.columns) real.columns.push_back(IndexColumn{column, true});
    IndexDef logical;
    logical.name = si.name;
    logical.number = si.number;
    logical.real_index = si.number;
    logical.kind = si.kind;
    def.indexes.push_back(logical);
  }
  return def;
}

TableDef msys_objects(const Format& f) {
  using T = ColumnType;
  return system_table(f,
                      {{"Id", T::long_integer}, {"ParentId", T::long_integer}, {"Name", T::text},
                       {"Type", T::integer}, {"DateCreate", T::datetime}, {"DateUpdate", T::datetime},
                       {"Owner", T::binary}, {"Flags", T::long_integer}, {"Database", T::memo},
                       {"Connect", T::memo}, {"ForeignName", T::text}, {"RmtInfoShort", T::binary},
                       {"RmtInfoLong", T::ole}, {"Lv", T::ole}, {"LvProp", T::ole}, {"LvModule", T::ole},
                       {"LvExtra", T::ole}},
                      {{"Id", 1, {0}, index_flag::unique, IndexKind::primary},
                       {"ParentIdName", 0, {1, 2}, index_flag::unique, IndexKind::normal}});
}

TableDef msys_aces(const Format& f) {
  using T = ColumnType;
  return system_table(f, {{"ObjectId", T::long_integer}, {"SID", T::binary}, {"ACM", T::long_integer},
                          {"FInheritable", T::boolean}},
                      {{"ObjectId", 0, {0}, index_flag::required, IndexKind::normal}});
}

TableDef msys_queries(const Format& f) {
  using T = ColumnType;
  std::vector<SystemColumn> columns = {{"ObjectId", T::long_integer}, {"Attribute", T::byte}, {"Order", T::binary},
                                       {"Name1", T::text}, {"Name2", T::text}, {"Expression", T::memo},
                                       {"Flag", T::integer}};
  if (f.is_jet4()) columns.push_back({"LvExtra", T::long_integer});
  return system_table(f, columns, {{"ObjectIdAttribute", 0, {0, 1, 2}, index_flag::unique, IndexKind::primary}});
}

TableDef msys_relationships(const Format& f) {
  using T = ColumnType;
  return system_table(f,
                      {{"szRelationship", T::text}, {"grbit", T::long_integer}, {"ccolumn", T::long_integer},
                       {"icolumn", T::long_integer}, {"szObject", T::text}, {"szColumn", T::text},
                       {"szReferencedObject", T::text}, {"szReferencedColumn", T::text}},
                      {{"szObject", 1, {4}, index_flag::ignore_nulls, IndexKind::normal},
                       {"szReferencedObject", 2, {6}, index_flag::ignore_nulls, IndexKind::normal},
                       {"szRelationship", 0, {0}, index_flag::ignore_nulls, IndexKind::normal}});
}

std::vector<std::uint8_t> header_page(const Format& f) {
  std::vector<std::uint8_t> page(f.page_size, 0);
  // Bytes of the masked region the header fields do not cover, as the
  // engine writes them in a new file (plain, before masking).
  if (f.is_jet4()) {
    page[0x6A] = 0x1C;
    page[0x6B] = 0x26;
  } else {
    page[0x38] = 0x01;
    page[0x56] = 0x1E;
    page[0x57] = 0x25;
  }
  apply_header_mask(page, f.version);
  if (f.is_jet4()) {
    page[0x98] = 0x54;
    page[0x99] = 0x06;
  }
  for (std::size_t at = f.page_size - kTrailerSize; at < f.page_size; at += 2) page[at + 1] = 0x01;
  page[f.page_size - kTrailerSize] = 0x01;
  DatabaseHeader header;
  header.version = f.version;
  header.engine_name = "Standard Jet DB";
  header.code_page = 1252;
  header.sort_order = 1033;
  header.commit_table = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                         0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
  if (f.is_jet4()) {
    header.creation_date = now_as_ole_date().days;
    header.engine_version_text = "4.0";
  }
  encode_header(header, page);
  return page;
}

// Page 1: row 0 is the global usage map (a set bit marks a free page; all
// pages past the end are free), row 1 an empty map the engine keeps.
std::vector<std::uint8_t> global_map_page(const Format& f) {
  std::vector<std::uint8_t> page = empty_data_page(f, 1);
  std::vector<std::uint8_t> map = empty_usage_map_row(f, 0);
  for (std::size_t bit = 2; bit < (map.size() - kInlineMapHeaderSize) * 8; ++bit) {
    map[kInlineMapHeaderSize + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  add_row(page, f, map);
  add_row(page, f, std::vector<std::uint8_t>(map.size(), 0));
  return page;
}

void add_system_rows(Database::Impl& db) {
  using namespace object_id;
  const std::vector<std::uint8_t> none;
  add_catalog_row(db, tables, root, "Tables", object_type::container, kSystemFlags, none);
  add_catalog_row(db, databases, root, "Databases", object_type::container, kSystemFlags, none);
  add_catalog_row(db, relationships, root, "Relationships", object_type::container, kSystemFlags, none);
  add_catalog_row(db, msys_db, databases, "MSysDb", 2, kSystemFlags, none);
  const char* names[] = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
  for (std::int32_t i = 0; i < 4; ++i) {
    add_catalog_row(db, 2 + i, tables, names[i], object_type::table, kSystemFlags, none);
  }
  const std::vector<std::uint8_t> admin = {0x64, 0x8B}, creator = {0x65, 0x8E}, users = {0x65, 0x8B};
  struct Ace {
    std::int32_t object;
    const std::vector<std::uint8_t>& sid;
    std::int32_t rights;
    bool inheritable;
  };
  const Ace aces[] = {{2, admin, 393216, false},           {3, admin, 393216, false},
                      {4, admin, 393216, false},           {5, admin, 917504, false},
                      {tables, creator, 983294, true},     {tables, admin, 393217, false},
                      {relationships, creator, 983294, true}, {relationships, admin, 393217, false},
                      {databases, admin, 393216, false},   {msys_db, admin, 393230, false},
                      {msys_db, users, 14, false},         {4, users, 20, false},
                      {5, users, 20, false},               {2, users, 20, false},
                      {tables, users, 1048319, true},      {relationships, users, 1048575, true}};
  for (const Ace& ace : aces) add_access_row(db, ace.object, ace.sid, ace.rights, ace.inheritable);
}

}  // namespace

Database Database::create(const std::string& path, JetVersion version, const CreateOptions& options) {
  const Format& f = Format::of(version);
  recover_from_journal(path);
  if (std::filesystem::exists(path)) throw Error::io("cannot create '" + path + "': the file exists");
  if (options.journal) {
    // A journal that takes the file back to nothing exists before the file
    // does, so a crash while creating it leaves no half-made database.
    Journal(path, f.page_size).begin(0);
  }
  PageFile file(path, PageFile::Mode::create);
  if (!file.try_lock(true)) throw Error::io("cannot create '" + path + "': it is in use by another program");
  if (options.journal) file.start_journal(f.page_size);
  const std::size_t cache_pages = options.page_cache_pages == 0 ? kWritingPageCacheBytes / f.page_size
                                                                : std::max<std::size_t>(16, options.page_cache_pages);
  auto impl = std::make_unique<Impl>(std::move(file), f, cache_pages);
  Impl& db = *impl;
  db.pages.append(header_page(f));
  db.pages.append(global_map_page(f));
  std::array<std::uint32_t, 4> tdefs{};
  for (auto& page : tdefs) page = db.allocate_page(std::vector<std::uint8_t>(f.page_size, 0));
  TableDef defs[] = {msys_objects(f), msys_aces(f), msys_queries(f), msys_relationships(f)};
  for (std::size_t i = 0; i < tdefs.size(); ++i) write_new_table(db, defs[i], tdefs[i]);
  db.header = decode_header(db.pages.get(0)->bytes);
  add_system_rows(db);
  db.commit();
  return Database(std::move(impl));
}

}  // namespace jet
