#include "convert/conversion_progress.h"

#include <algorithm>

uint32_t conversion_percentage(uint32_t table_count, uint32_t table_index, uint32_t records_in_table,
                               uint32_t current_record) {
  if (table_count == 0) return 0;
  uint64_t percent = uint64_t{table_index} * 100 / table_count;
  if (records_in_table != 0) percent += uint64_t{current_record} * 100 / records_in_table / table_count;
  return static_cast<uint32_t>(std::min<uint64_t>(percent, 100));
}

uint32_t conversion_percentage(const udb_converter& settings) {
  return conversion_percentage(settings.table_count(), settings.current_table_index(),
                               settings.records_in_table(), settings.current_record());
}
