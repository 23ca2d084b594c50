// State shared by the parts of the structural checker: the open file, the
// faults found so far and which owner has claimed each page.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <set>
#include <string>
#include <vector>

#include "format.h"
#include "jet/check.h"
#include "jet/index.h"
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

// "TDEF page 5", or "LVAL" for the long-value marker, naming what a page's
// owner field holds.
std::string owner_text(std::uint32_t owner);

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

// Calls `visit` with each live row on `data_pages` as read_live_rows reads
// them, one at a time, so a table's rows are never all in memory.
using LiveRowVisitor = std::function<void(const LiveRow&)>;
void for_each_live_row(CheckContext& ctx, const TableDef& table,
                       const std::vector<std::uint32_t>& data_pages, const std::string& where,
                       const LiveRowVisitor& visit);

// What the live rows of a table should put into one index: for each row
// with an entry its pointer and key, kept compact (all keys in one buffer,
// some 16 bytes a row besides) so that millions of rows fit.
class ExpectedEntries {
 public:
  struct Row {
    std::uint32_t word;    // RowPointer::to_word()
    std::uint32_t offset;  // of the key in the buffer
    std::uint32_t length;
    bool checked;          // false: the key could not be made, not compared
    bool unique;           // no other row may have this key
  };

  ExpectedEntries(const TableDef& table, const RealIndexDef& index, JetVersion version)
      : table_(table), index_(index), version_(version) {}

  // Records what `row` puts in the index. A key the encoder cannot make is
  // left unchecked; unless it is only an unsupported collation, the error
  // is kept for the report.
  void add(const LiveRow& row);
  // Sorts the rows by pointer; call once after the last add.
  void seal();

  const Row* find(RowPointer row) const;
  std::span<const std::uint8_t> key(const Row& row) const;
  const std::vector<Row>& rows() const { return rows_; }
  const std::vector<std::pair<RowPointer, std::string>>& key_errors() const { return errors_; }

 private:
  const TableDef& table_;
  const RealIndexDef& index_;
  JetVersion version_;
  std::vector<Row> rows_;
  std::vector<std::uint8_t> keys_;
  std::vector<std::pair<RowPointer, std::string>> errors_;
};

// Checks one real index of `table` against what its live rows expect:
// tree shape, order, leaf chain, each row once, keys equal to the
// encoder's, unique keys, and the pages its tree reaches equal to
// `map_pages` (its usage map).
void check_index(CheckContext& ctx, const TableDef& table, const RealIndexDef& index,
                 const ExpectedEntries& expected, const std::vector<std::uint32_t>& map_pages);

// Checks one table: its pages, usage maps, rows, long values and indexes.
void check_table(CheckContext& ctx, const CatalogTable& table);

// Reports pages neither claimed nor free, and claimed pages marked free.
// Unclaimed pages whose owner field names an unreadable TDEF are counted in
// one line per table instead (that table's fault comes first).
void check_page_accounting(CheckContext& ctx);

}  // namespace jet::check_detail
