#include "table_def.h"

#include <algorithm>
#include <set>
#include <string>

#include "coding.h"
#include "text.h"

namespace jet {
namespace {

using coding::ByteReader;

// Every type byte Access writes, including the undecoded ones.
bool is_known_type(std::uint8_t type) { return type >= 0x01 && type <= 0x13; }

// Walks the image field by field; every read is bounds-checked.
class TdefParser {
 public:
  TdefParser(std::span<const std::uint8_t> image, const Format& format, std::uint32_t page)
      : in_(image, page, "TDEF"), format_(format) {}

  TableDef parse();

 private:
  void parse_header(TableDef& def);
  ColumnDef parse_column(std::size_t at);
  std::string parse_name();
  RealIndexDef parse_real_index(std::size_t at, std::uint32_t number);
  IndexDef parse_logical_index(std::size_t at);
  void parse_long_value_maps(TableDef& def);
  [[noreturn]] void fail(const std::string& expected, const std::string& found) const {
    throw Error::corruption(in_.page(), "TDEF", expected, found);
  }

  ByteReader in_;
  const Format& format_;
  std::size_t pos_ = 0;
  std::uint32_t column_count_ = 0;
  std::uint32_t index_count_ = 0;
  std::uint32_t real_index_count_ = 0;
};

TableDef TdefParser::parse() {
  TableDef def;
  parse_header(def);
  pos_ = format_.tdef_header_size;
  std::vector<std::uint32_t> index_rows;
  for (std::uint32_t i = 0; i < real_index_count_; ++i) {
    index_rows.push_back(in_.u32(pos_ + 4));
    pos_ += format_.tdef_real_index_count_entry;
  }
  for (std::uint32_t i = 0; i < column_count_; ++i) {
    def.columns.push_back(parse_column(pos_));
    pos_ += format_.tdef_column_entry;
  }
  for (auto& column : def.columns) column.name = parse_name();
  for (std::uint32_t i = 0; i < real_index_count_; ++i) {
    def.real_indexes.push_back(parse_real_index(pos_, i));
    def.real_indexes.back().row_count = index_rows[i];
    pos_ += format_.tdef_real_index_entry;
  }
  for (std::uint32_t i = 0; i < index_count_; ++i) {
    def.indexes.push_back(parse_logical_index(pos_));
    pos_ += format_.tdef_logical_index_entry;
  }
  for (auto& index : def.indexes) index.name = parse_name();
  parse_long_value_maps(def);
  std::stable_sort(def.columns.begin(), def.columns.end(),
                   [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
  return def;
}

void TdefParser::parse_header(TableDef& def) {
  const std::uint8_t type = in_.u8(0);
  if (type != page_type::table_definition) fail("page type 0x02", coding::hex_byte(type));
  def.tdef_page = in_.page();
  def.row_count = in_.u32(format_.tdef_row_count_offset);
  def.next_autonumber = in_.u32(format_.tdef_autonumber_offset);
  def.table_type = in_.u8(format_.tdef_table_type_offset);
  def.max_columns = in_.u16(format_.tdef_max_columns_offset);
  def.variable_columns = in_.u16(format_.tdef_var_columns_offset);
  column_count_ = in_.u16(format_.tdef_column_count_offset);
  index_count_ = in_.u32(format_.tdef_index_count_offset);
  real_index_count_ = in_.u32(format_.tdef_real_index_count_offset);
  def.used_pages = RowPointer::from_word(in_.u32(format_.tdef_used_pages_offset));
  def.free_pages = RowPointer::from_word(in_.u32(format_.tdef_free_pages_offset));
  // Cheap sanity limits before allocating: every entry takes bytes.
  const std::uint64_t room = in_.size();
  if (std::uint64_t{column_count_} * format_.tdef_column_entry > room) {
    fail("a column count that fits the definition", std::to_string(column_count_));
  }
  if (std::uint64_t{real_index_count_} * format_.tdef_real_index_entry > room ||
      std::uint64_t{index_count_} * format_.tdef_logical_index_entry > room) {
    fail("index counts that fit the definition",
         std::to_string(real_index_count_) + " real, " + std::to_string(index_count_) + " logical");
  }
  if (column_count_ > def.max_columns && def.max_columns != 0) {
    fail("at most " + std::to_string(def.max_columns) + " columns", std::to_string(column_count_));
  }
}

ColumnDef TdefParser::parse_column(std::size_t at) {
  const bool j4 = format_.is_jet4();
  ColumnDef c;
  const std::uint8_t type = in_.u8(at);
  if (!is_known_type(type)) fail("a known column type", coding::hex_byte(type));
  c.type = static_cast<ColumnType>(type);
  const std::size_t base = at + (j4 ? 4 : 0);  // Jet 4 adds 4 unknown bytes
  c.number = in_.u16(base + 1);
  c.var_index = in_.u16(base + 3);
  c.row_index = in_.u16(base + 5);
  if (j4) {
    if (c.type == ColumnType::numeric) {
      c.precision = in_.u8(at + 11);
      c.scale = in_.u8(at + 12);
    } else if (c.type == ColumnType::text || c.type == ColumnType::memo) {
      c.sort_order = in_.u16(at + 11);
      c.sort_version = in_.u8(at + 14);
    }
    c.flags = in_.u8(at + 15);
    c.ext_flags = in_.u8(at + 16);
    c.fixed_offset = in_.u16(at + 21);
    c.length = in_.u16(at + 23);
  } else {
    if (c.type == ColumnType::numeric) {
      c.precision = in_.u8(at + 9);
      c.scale = in_.u8(at + 10);
    } else if (c.type == ColumnType::text || c.type == ColumnType::memo) {
      c.sort_order = in_.u16(at + 9);
      c.code_page = in_.u16(at + 11);
    }
    c.flags = in_.u8(at + 13);
    c.fixed_offset = in_.u16(at + 14);
    c.length = in_.u16(at + 16);
  }
  return c;
}

std::string TdefParser::parse_name() {
  const std::size_t length = format_.name_length_size == 1 ? in_.u8(pos_) : in_.u16(pos_);
  pos_ += format_.name_length_size;
  const auto bytes = in_.slice(pos_, length);
  pos_ += length;
  return format_.is_jet4() ? ucs2_to_utf8(bytes) : cp1252_to_utf8(bytes);
}

RealIndexDef TdefParser::parse_real_index(std::size_t at, std::uint32_t number) {
  RealIndexDef index;
  index.number = number;
  std::size_t p = at + (format_.is_jet4() ? 4 : 0);
  for (std::uint32_t i = 0; i < kMaxIndexColumns; ++i, p += 3) {
    const std::uint16_t column = in_.u16(p);
    if (column == 0xFFFF) continue;
    index.columns.push_back(IndexColumn{column, in_.u8(p + 2) != 0});
  }
  index.usage_map = RowPointer::from_word(in_.u32(p));
  index.first_page = in_.u32(p + 4);
  index.flags = in_.u8(p + (format_.is_jet4() ? 12 : 8));
  return index;
}

IndexDef TdefParser::parse_logical_index(std::size_t at) {
  IndexDef index;
  const std::size_t p = at + (format_.is_jet4() ? 4 : 0);
  index.number = in_.u32(p);
  index.real_index = in_.u32(p + 4);
  index.related_table_type = in_.u8(p + 8);
  index.related_index = in_.i32(p + 9);
  index.related_table_page = in_.u32(p + 13);
  index.cascade_updates = in_.u8(p + 17) != 0;
  index.cascade_deletes = in_.u8(p + 18) != 0;
  index.kind = static_cast<IndexKind>(in_.u8(p + 19));
  if (index.real_index >= real_index_count_ && real_index_count_ > 0) {
    fail("a real index below " + std::to_string(real_index_count_),
         std::to_string(index.real_index));
  }
  return index;
}

void TdefParser::parse_long_value_maps(TableDef& def) {
  // Optional trailer: absent or cut short in some files, so stop quietly at
  // the end of the image rather than treating a missing terminator as damage.
  while (pos_ + 2 <= in_.size()) {
    const std::uint16_t column = in_.u16(pos_);
    if (column == 0xFFFF || pos_ + 10 > in_.size()) break;
    def.long_value_maps.push_back(LongValueMaps{column, RowPointer::from_word(in_.u32(pos_ + 2)),
                                                RowPointer::from_word(in_.u32(pos_ + 6))});
    pos_ += 10;
  }
}

}  // namespace

TableDef decode_table_def(std::span<const std::uint8_t> image, const Format& format,
                          std::uint32_t page) {
  return TdefParser(image, format, page).parse();
}

TableDef read_table_def(PageCache& pages, const Format& format, std::uint32_t first_page) {
  PageRef first = pages.get(first_page);
  std::vector<std::uint8_t> image(first->bytes);
  std::vector<std::uint32_t> continuation;
  std::set<std::uint32_t> seen{first_page};
  std::uint32_t current = first_page;
  std::uint32_t next = coding::get_u32(first->bytes.data() + 4);
  if (first->bytes[0] != page_type::table_definition) {
    throw Error::corruption(first_page, "TDEF", "page type 0x02", coding::hex_byte(first->bytes[0]));
  }
  while (next != 0) {
    if (!seen.insert(next).second) {
      throw Error::corruption(current, "TDEF", "a continuation chain without loops",
                              "page " + std::to_string(next) + " twice");
    }
    PageRef page = pages.get(next, current);
    if (page->bytes[0] != page_type::table_definition) {
      throw Error::corruption(next, "TDEF continuation", "page type 0x02",
                              coding::hex_byte(page->bytes[0]));
    }
    image.insert(image.end(), page->bytes.begin() + kTdefPageHeaderSize, page->bytes.end());
    continuation.push_back(next);
    current = next;
    next = coding::get_u32(page->bytes.data() + 4);
  }
  TableDef def = decode_table_def(image, format, first_page);
  def.continuation_pages = std::move(continuation);
  return def;
}

}  // namespace jet
