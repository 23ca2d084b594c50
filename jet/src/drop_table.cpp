#include "drop_table.h"

#include <algorithm>
#include <set>

#include "cache_page_store.h"
#include "catalog.h"
#include "coding.h"
#include "data_page.h"
#include "index_walk.h"
#include "index_writer.h"
#include "long_value.h"
#include "table_def.h"
#include "table_scan.h"
#include "table_writer.h"
#include "text.h"
#include "usage_map.h"
#include "value_encoder.h"
#include "index_page.h"

namespace jet {
namespace {

constexpr std::uint32_t kAccessTdefPage = 3;  // MSysACEs in every file Access or we make

bool is_set(RowPointer pointer) { return pointer.to_word() != 0; }

std::vector<std::uint32_t> map_pages(Database::Impl& db, RowPointer map, std::uint32_t tdef) {
  if (!is_set(map)) return {};
  return read_usage_map(db.pages, db.format, map, tdef).pages;
}

// The 0x05 pages a reference map row names.
std::vector<std::uint32_t> reference_map_pages(Database::Impl& db, RowPointer map, std::uint32_t tdef) {
  std::vector<std::uint32_t> out;
  if (!is_set(map)) return out;
  const LocatedRow row = locate_row(db.pages, db.format, map, tdef);
  if (row.bytes.empty() || row.bytes[0] != kReferenceUsageMap) return out;
  for (std::size_t at = 1; at + 4 <= row.bytes.size(); at += 4) {
    if (const std::uint32_t page = coding::get_u32(row.bytes.data() + at); page != 0) out.push_back(page);
  }
  return out;
}

std::vector<RowPointer> map_rows_of(const TableDef& def) {
  std::vector<RowPointer> maps = {def.used_pages, def.free_pages};
  for (const LongValueMaps& lv : def.long_value_maps) maps.insert(maps.end(), {lv.used_pages, lv.free_pages});
  for (const RealIndexDef& index : def.real_indexes) maps.push_back(index.usage_map);
  maps.erase(std::remove_if(maps.begin(), maps.end(), [](RowPointer p) { return !is_set(p); }), maps.end());
  return maps;
}

// Every page the table owns: TDEF pages, data and long-value pages, index
// trees, and the 0x05 pages of its reference maps.
std::set<std::uint32_t> owned_pages(Database::Impl& db, const TableDef& def) {
  std::set<std::uint32_t> pages = {def.tdef_page};
  pages.insert(def.continuation_pages.begin(), def.continuation_pages.end());
  for (RowPointer map : map_rows_of(def)) {
    for (std::uint32_t p : map_pages(db, map, def.tdef_page)) pages.insert(p);
    for (std::uint32_t p : reference_map_pages(db, map, def.tdef_page)) pages.insert(p);
  }
  const IndexPageLayout& layout = IndexPageLayout::of(db.format.version);
  for (const RealIndexDef& index : def.real_indexes) {
    if (index.first_page == 0) continue;
    const IndexTree tree = walk_index(db.pages, layout, index.first_page, def.tdef_page, [](const Error& e) { throw e; });
    pages.insert(tree.pages.begin(), tree.pages.end());
  }
  pages.erase(0);
  pages.erase(1);
  return pages;
}

bool has_live_rows(Database::Impl& db, std::uint32_t page) {
  const auto slots = decode_row_slots(db.pages.get(page)->bytes, db.format, page);
  return std::any_of(slots.begin(), slots.end(), [](const RowSlot& s) { return !s.deleted; });
}

// Deletes the LVAL rows that hold the long values of a row being deleted.
void delete_long_values(Database::Impl& db, const TableDef& def, const std::vector<FieldBytes>& fields,
                        std::uint32_t page, std::set<std::uint32_t>& touched) {
  for (std::size_t c = 0; c < fields.size(); ++c) {
    const ColumnType type = def.columns[c].type;
    if ((type != ColumnType::memo && type != ColumnType::ole) || fields[c].is_null || fields[c].bytes.empty()) {
      continue;
    }
    const LongValueRef ref = decode_long_value_ref(fields[c].bytes, page);
    RowPointer at = ref.first_row;
    for (int hops = 0; ref.storage != LongValueStorage::inline_value && is_set(at) && hops < 100000; ++hops) {
      RowPointer next{};
      if (ref.storage == LongValueStorage::chain) {
        const LocatedRow row = locate_row(db.pages, db.format, at, page);
        if (row.bytes.size() >= 4) next = RowPointer::from_word(coding::get_u32(row.bytes.data()));
      }
      delete_row(db, at);
      touched.insert(at.page);
      at = next;
    }
  }
}

// Deletes the rows of system table `tdef` whose column `column` holds `id`.
void delete_rows_with(Database::Impl& db, std::uint32_t tdef, const std::string& column, std::int32_t id,
                      std::set<std::uint32_t>& touched) {
  const TableDef def = read_table_def(db.pages, db.format, tdef);
  const ColumnDef* key = def.find_column(column);
  if (key == nullptr) return;
  const auto at = static_cast<std::size_t>(key - def.columns.data());
  std::vector<RowPointer> doomed;
  TableScan scan(db.pages, db.format, def);
  while (scan.next()) {
    const std::vector<Value> values = scan.values();
    if (values[at] != Value(id)) continue;
    delete_long_values(db, def, scan.fields(), scan.row_page(), touched);
    doomed.push_back(scan.position());
  }
  for (RowPointer row : doomed) {
    delete_row(db, row);
    touched.insert(row.page);
  }
  auto page = db.pages.modify(tdef);
  const std::uint32_t count = coding::get_u32(&page->bytes[db.format.tdef_row_count_offset]);
  const auto left = static_cast<std::uint32_t>(count >= doomed.size() ? count - doomed.size() : 0);
  coding::put_u32(&page->bytes[db.format.tdef_row_count_offset], left);
}

}  // namespace

void compact_rows(Database::Impl& db, std::uint32_t number) {
  const auto slots = decode_row_slots(db.pages.get(number)->bytes, db.format, number);
  auto page = db.pages.modify(number);
  std::vector<std::uint8_t>& bytes = page->bytes;
  const std::vector<std::uint8_t> before = bytes;
  std::size_t rows = slots.size();
  while (rows > 0 && slots[rows - 1].deleted) --rows;
  const std::size_t table = db.format.data_row_count_offset + 2;
  std::size_t end = bytes.size();
  for (std::size_t i = 0; i < rows; ++i) {
    const std::uint16_t flags = coding::get_u16(&before[table + 2 * i]) & ~kRowOffsetMask;
    if (!slots[i].deleted) {
      const std::size_t length = slots[i].end - slots[i].start;
      end -= length;
      std::copy_n(before.begin() + slots[i].start, length, bytes.begin() + static_cast<std::ptrdiff_t>(end));
    }
    coding::put_u16(&bytes[table + 2 * i], static_cast<std::uint16_t>(end | flags));
  }
  coding::put_u16(&bytes[db.format.data_row_count_offset], static_cast<std::uint16_t>(rows));
  coding::put_u16(&bytes[db.format.data_free_space_offset], static_cast<std::uint16_t>(end - table - 2 * rows));
}

void delete_row(Database::Impl& db, RowPointer at) {
  const auto slots = decode_row_slots(db.pages.get(at.page)->bytes, db.format, at.page);
  if (at.row >= slots.size()) {
    throw Error::corruption(at.page, "data page", "row " + std::to_string(at.row), "no such row");
  }
  auto page = db.pages.modify(at.page);
  std::uint8_t* slot = &page->bytes[db.format.data_row_count_offset + 2u + 2u * at.row];
  // Access marks a deleted row with both flags; readers that take either
  // one for "deleted" skip it.
  coding::put_u16(slot, static_cast<std::uint16_t>(coding::get_u16(slot) | kRowDeletedFlag | kRowOverflowFlag));
}

void rebuild_indexes(Database::Impl& db, std::uint32_t tdef_page) {
  const TableDef def = read_table_def(db.pages, db.format, tdef_page);
  const IndexPageLayout& layout = IndexPageLayout::of(db.format.version);
  for (const RealIndexDef& index : def.real_indexes) {
    const IndexTree tree = walk_index(db.pages, layout, index.first_page, tdef_page, [](const Error& e) { throw e; });
    for (std::uint32_t page : tree.pages) {
      if (page == index.first_page) continue;
      if (is_set(index.usage_map)) db.mark(index.usage_map, page, false);
      db.free_page(page);
    }
    db.pages.put(index.first_page, empty_index_root(db.format.version, tdef_page));
    CachePageStore store(db, index.usage_map);
    IndexWriter writer(store, index.first_page, tdef_page);
    TableScan scan(db.pages, db.format, def);
    while (scan.next()) {
      const std::vector<Value> values = scan.values();
      bool all_null = true;
      for (const IndexColumn& part : index.columns) {
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
          if (def.columns[c].number == part.column_number && !is_null(values[c])) all_null = false;
        }
      }
      if (all_null && index.ignores_nulls()) continue;
      writer.insert(make_index_key(def, index, values, db.format.version), scan.position());
    }
  }
}

void drop_table(Database::Impl& db, const std::string& name) {
  auto entry = std::find_if(db.catalog.begin(), db.catalog.end(), [&](const CatalogEntry& e) {
    return e.kind == ObjectKind::user_table && same_name(e.name, name);
  });
  if (entry == db.catalog.end()) throw refusal(jet_error::no_such_table, "there is no table '" + name + "'");
  // Writers hold pages and counts in memory; what they hold goes to the
  // cache first, and they start afresh from the file after.
  for (auto& [page, writer] : db.writers) writer->flush();
  db.writers.clear();
  const TableDef def = read_table_def(db.pages, db.format, entry->tdef_page);
  const std::set<std::uint32_t> pages = owned_pages(db, def);
  const std::int32_t id = entry->id;
  std::set<std::uint32_t> touched;
  delete_rows_with(db, kCatalogTdefPage, "Id", id, touched);
  delete_rows_with(db, kAccessTdefPage, "ObjectId", id, touched);
  std::set<std::uint32_t> map_row_pages;
  for (RowPointer map : map_rows_of(def)) {
    delete_row(db, map);
    map_row_pages.insert(map.page);
  }
  touched.insert(map_row_pages.begin(), map_row_pages.end());
  for (std::uint32_t page : touched) {
    if (pages.count(page) == 0) compact_rows(db, page);
  }
  rebuild_indexes(db, kCatalogTdefPage);
  rebuild_indexes(db, kAccessTdefPage);
  for (std::uint32_t page : map_row_pages) {
    if (page <= 1 || pages.count(page) != 0 || has_live_rows(db, page)) continue;
    if (db.map_rows_page == page) db.map_rows_page = 0;
    db.free_page(page);
  }
  for (std::uint32_t page : pages) db.free_page(page);
  db.catalog.erase(entry);
}

}  // namespace jet
