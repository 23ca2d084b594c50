// Walks the live rows of one table in page order.
#pragma once

#include <cstdint>
#include <vector>

#include "data_page.h"
#include "format.h"
#include "jet/types.h"
#include "jet/value.h"
#include "page_cache.h"
#include "row_layout.h"

namespace jet {

// Visits every row of `table` that is not deleted, following overflow
// pointers, over the data pages named by the table's usage map (pages that
// are not this table's data pages are skipped). Borrows `pages` and
// `table`; both must outlive the scan. Thread-safety: none.
class TableScan {
 public:
  TableScan(PageCache& pages, const Format& format, const TableDef& table);

  // Moves to the next live row; false when there are no more. Throws
  // jet::Error (corruption) on damaged pages.
  bool next();

  // Where the current row's slot is (the overflow source, if any).
  // REQUIRES: next() returned true.
  RowPointer position() const { return RowPointer{page_numbers_[page_index_], row_number_}; }
  // The current row's column bytes (valid until next()).
  const std::vector<FieldBytes>& fields() const { return fields_; }
  // The current row decoded, one value per table column.
  std::vector<Value> values();
  // The page holding the current row's bytes.
  std::uint32_t row_page() const { return current_.page ? current_.page->number : 0; }

 private:
  bool load_page(std::size_t index);

  PageCache& pages_;
  const Format& format_;
  const TableDef& table_;
  std::vector<std::uint32_t> page_numbers_;
  std::size_t page_index_ = 0;
  PageRef page_;
  std::vector<RowSlot> slots_;
  std::uint8_t row_number_ = 0;
  std::size_t next_slot_ = 0;
  LocatedRow current_;
  std::vector<FieldBytes> fields_;
};

}  // namespace jet
