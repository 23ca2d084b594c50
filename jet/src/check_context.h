// State shared by the parts of the structural checker: the open file, the
// faults found so far and which owner has claimed each page.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "format.h"
#include "jet/check.h"
#include "jet/types.h"
#include "jet/value.h"
#include "page_cache.h"

namespace jet::check_detail {

// Owner name of the pages that hold usage-map rows; several tables keep
// their maps in one such page, so it may be claimed more than once.
inline constexpr const char* kMapRowsOwner = "usage map rows";

struct CheckContext {
  PageCache& pages;
  const Format& format;
  std::uint32_t page_count = 0;
  std::vector<Fault> faults;
  std::vector<std::string> owners;  // per page; empty = unclaimed
  std::set<std::uint32_t> free_pages;
  std::set<std::uint32_t> unreadable_tdefs;  // tables whose TDEF failed to decode
  std::set<std::uint32_t> live_tdefs;        // tables whose TDEF decoded
  std::set<std::uint32_t> long_value_pages;  // LVAL pages live rows refer to

  CheckContext(PageCache& p, const Format& f);

  // Records a fault; `where` names the structure ("index 'PK' of table 'T'").
  void fault(std::uint32_t page, const std::string& where, const std::string& text);
  // Records an unreclaimed page (see FaultKind).
  void unreclaimed(std::uint32_t page, const std::string& text);
  // Records a jet::Error raised while reading `where`.
  void fault(const Error& error, const std::string& where);

  // Gives `page` to `owner`. Reports a page past the end of the file and a
  // page that another owner holds already (kMapRowsOwner may repeat).
  void claim(std::uint32_t page, const std::string& owner);
  // True when `page` is below page_count; else records a fault.
  bool in_file(std::uint32_t page, const std::string& where);
};

// A live row: where it is and its decoded values (in table.columns order).
struct LiveRow {
  RowPointer pointer;
  std::vector<Value> values;
};

// A table as the catalog names it.
struct CatalogTable {
  std::string name;
  std::uint32_t tdef_page = 0;
};

// "0x04"
std::string hex8(std::uint8_t value);

// The free pages of the global usage map (page 1, row 0). Bits for pages
// past the end of the file are ignored (Access marks them free ahead).
void read_global_free_map(CheckContext& ctx);

// Tables named by the catalog (MSysObjects, whose TDEF is page 2),
// MSysObjects itself first. Damage is recorded as faults; what could be
// read is returned.
std::vector<CatalogTable> read_catalog(CheckContext& ctx);

// Decodes every live row on `data_pages` (a table's data pages), following
// overflow pointers and reading long values. Rows that fail are recorded
// as faults and left out.
std::vector<LiveRow> read_live_rows(CheckContext& ctx, const TableDef& table,
                                    const std::vector<std::uint32_t>& data_pages,
                                    const std::string& where);

// Checks one real index of `table` against its live rows: tree shape,
// order, leaf chain, each row once, keys equal to the encoder's, and the
// pages its tree reaches equal to `map_pages` (its usage map).
void check_index(CheckContext& ctx, const TableDef& table, const RealIndexDef& index,
                 const std::vector<LiveRow>& rows, const std::vector<std::uint32_t>& map_pages);

// Checks one table: its pages, usage maps, rows, long values and indexes.
void check_table(CheckContext& ctx, const CatalogTable& table);

// Reports pages neither claimed nor free, and claimed pages marked free.
// Unclaimed pages whose owner field names an unreadable TDEF are counted in
// one line per table instead (that table's fault comes first).
void check_page_accounting(CheckContext& ctx);

}  // namespace jet::check_detail
