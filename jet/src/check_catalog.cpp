// The tables the catalog (MSysObjects) names, for the checker.
#include "catalog.h"
#include "check_context.h"
#include "table_def.h"
#include "usage_map.h"

namespace jet::check_detail {
namespace {

// Index of the column named `name`, or -1.
int column_at(const TableDef& table, const std::string& name) {
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    if (table.columns[i].name == name) return int(i);
  }
  return -1;
}

template <typename T>
const T* field(const LiveRow& row, int at) {
  return at < 0 || std::size_t(at) >= row.values.size() ? nullptr : std::get_if<T>(&row.values[at]);
}

}  // namespace

std::vector<CatalogTable> read_catalog(CheckContext& ctx) {
  const std::string where = "catalog MSysObjects";
  std::vector<CatalogTable> tables{{"MSysObjects", kCatalogTdefPage}};
  try {
    TableDef catalog = read_table_def(ctx.pages, ctx.format, kCatalogTdefPage);
    int id = column_at(catalog, "Id"), name = column_at(catalog, "Name");
    int type = column_at(catalog, "Type");
    if (id < 0 || name < 0 || type < 0) {
      ctx.fault(kCatalogTdefPage, where, "expected columns Id, Name and Type, found them missing");
      return tables;
    }
    UsageMap map = read_usage_map(ctx.pages, ctx.format, catalog.used_pages, kCatalogTdefPage);
    for (const LiveRow& row : read_live_rows(ctx, catalog, map.pages, where)) {
      const std::int16_t* kind = field<std::int16_t>(row, type);
      const std::int32_t* object = field<std::int32_t>(row, id);
      const std::string* text = field<std::string>(row, name);
      if (!kind || *kind != object_type::table || !object || !text) continue;
      std::uint32_t page = std::uint32_t(*object) & kObjectIdPageMask;
      if (page != kCatalogTdefPage) tables.push_back({*text, page});
    }
  } catch (const Error& e) {
    ctx.fault(e, where);
  }
  return tables;
}

}  // namespace jet::check_detail
