#include "table_scan.h"

#include "field_decoder.h"
#include "usage_map.h"

namespace jet {

TableScan::TableScan(PageCache& pages, const Format& format, const TableDef& table)
    : pages_(pages), format_(format), table_(table) {
  page_numbers_ = read_usage_map(pages_, format_, table_.used_pages, table_.tdef_page).pages;
  page_index_ = 0;
  load_page(0);
}

bool TableScan::load_page(std::size_t index) {
  for (page_index_ = index; page_index_ < page_numbers_.size(); ++page_index_) {
    page_ = pages_.get(page_numbers_[page_index_], table_.tdef_page);
    const auto bytes = page_->view();
    if (bytes[0] != page_type::data || data_page_owner(bytes) != table_.tdef_page) continue;
    slots_ = decode_row_slots(bytes, format_, page_->number);
    next_slot_ = 0;
    return true;
  }
  slots_.clear();
  next_slot_ = 0;
  return false;
}

bool TableScan::next() {
  while (page_index_ < page_numbers_.size()) {
    while (next_slot_ < slots_.size()) {
      const std::size_t slot_index = next_slot_++;
      const RowSlot& slot = slots_[slot_index];
      if (slot.deleted) continue;
      row_number_ = static_cast<std::uint8_t>(slot_index);
      current_ = resolve_row(pages_, format_, RowPointer{page_->number, row_number_}, page_->number);
      fields_ = split_row(current_.bytes, table_, format_, current_.page->number);
      return true;
    }
    load_page(page_index_ + 1);
  }
  return false;
}

std::vector<Value> TableScan::values() {
  std::vector<Value> out;
  out.reserve(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    out.push_back(decode_field(table_.columns[i], fields_[i], pages_, format_, current_.page->number));
  }
  return out;
}

}  // namespace jet
