// The progress percentage that the wizard shows while a conversion runs,
// from the four counters the driver publishes.
//
// p = index * 100 / count + (record * 100 / records) / count, each division
// truncating; the table part is 0 when count is 0 and the record part 0
// when records is 0 (an empty table).  Four tables, one done and the second
// at record 50 of 200, give 25 + 6 = 31.
// Thread-safety: pure functions; the settings form reads atomics.
#pragma once

#include <cstdint>

#include "UDB/udb_converter.h"

// The percentage, 0 to 100.  Intermediate products are 64-bit, so large
// tables do not wrap, and counters read a step apart never show more than
// 100.
uint32_t conversion_percentage(uint32_t table_count, uint32_t table_index, uint32_t records_in_table,
                               uint32_t current_record);

// The percentage for the counters of `settings`, read one by one.
uint32_t conversion_percentage(const udb_converter& settings);
