#include "table_def.h"

#include <algorithm>
#include <set>
#include <string>

#include "coding.h"
#include "text.h"

namespace jet {
namespace {

using coding::ByteReader;

std::string hex_byte(unsigned value) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "0x";
  s += digits[(value >> 4) & 0xF];
  s += digits[value & 0xF];
  return s;
}

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
  if (type != page_type::table_definition) fail("page type 0x02", hex_byte(type));
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
  if (!is_known_type(type)) fail("a known column type", hex_byte(type));
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
    throw Error::corruption(first_page, "TDEF", "page type 0x02", hex_byte(first->bytes[0]));
  }
  while (next != 0) {
    if (!seen.insert(next).second) {
      throw Error::corruption(current, "TDEF", "a continuation chain without loops",
                              "page " + std::to_string(next) + " twice");
    }
    PageRef page = pages.get(next, current);
    if (page->bytes[0] != page_type::table_definition) {
      throw Error::corruption(next, "TDEF continuation", "page type 0x02",
                              hex_byte(page->bytes[0]));
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

namespace jet {
namespace {

class TdefBuilder {
 public:
  explicit TdefBuilder(const Format& format) : format_(format) {}
  std::vector<std::uint8_t> out;

  std::size_t reserve(std::size_t n) {
    out.resize(out.size() + n, 0);
    return out.size() - n;
  }
  void u8(std::size_t at, std::uint8_t v) { out[at] = v; }
  void u16(std::size_t at, std::uint16_t v) { coding::put_u16(&out[at], v); }
  void u32(std::size_t at, std::uint32_t v) { coding::put_u32(&out[at], v); }
  void name(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    const bool ok = format_.is_jet4() ? utf8_to_jet4_text(text, false, bytes) : utf8_to_cp1252(text, bytes);
    if (!ok) throw Error::invalid_argument("name '" + text + "' does not fit the file's encoding");
    const std::size_t at = reserve(format_.name_length_size + bytes.size());
    if (format_.name_length_size == 1) u8(at, static_cast<std::uint8_t>(bytes.size()));
    else u16(at, static_cast<std::uint16_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), out.begin() + std::ptrdiff_t(at + format_.name_length_size));
  }

 private:
  const Format& format_;
};

void put_header(TdefBuilder& b, const TableDef& def, const Format& f) {
  b.reserve(f.tdef_header_size);
  b.u8(0, page_type::table_definition);
  b.u8(1, 0x01);
  if (!f.is_jet4()) { b.u8(2, 'V'); b.u8(3, 'C'); }
  if (f.is_jet4()) {
    b.u32(12, kJet4TdefMarker);
    b.u8(24, 0x01);
    b.u32(36, 0xFFFFFFFFu);
  }
  b.u32(f.tdef_row_count_offset, def.row_count);
  b.u32(f.tdef_autonumber_offset, def.next_autonumber);
  b.u8(f.tdef_table_type_offset, def.table_type);
  b.u16(f.tdef_max_columns_offset, def.max_columns);
  b.u16(f.tdef_var_columns_offset, def.variable_columns);
  b.u16(f.tdef_column_count_offset, static_cast<std::uint16_t>(def.columns.size()));
  b.u32(f.tdef_index_count_offset, static_cast<std::uint32_t>(def.indexes.size()));
  b.u32(f.tdef_real_index_count_offset, static_cast<std::uint32_t>(def.real_indexes.size()));
  b.u32(f.tdef_used_pages_offset, def.used_pages.to_word());
  b.u32(f.tdef_free_pages_offset, def.free_pages.to_word());
}

void put_column(TdefBuilder& b, const ColumnDef& c, const Format& f) {
  const TdefEntryLayout& e = TdefEntryLayout::of(f.version);
  const std::size_t at = b.reserve(f.tdef_column_entry);
  b.u8(at, static_cast<std::uint8_t>(c.type));
  if (f.is_jet4()) b.u32(at + 1, kJet4TdefMarker);
  b.u16(at + e.column_number, c.number);
  b.u16(at + e.column_var_index, c.var_index);
  b.u16(at + e.column_row_index, c.row_index);
  if (!f.is_jet4()) b.u16(at + 7, 1);
  if (c.type == ColumnType::numeric) {
    b.u8(at + e.column_misc, c.precision);
    b.u8(at + e.column_misc + 1, c.scale);
  } else {
    b.u16(at + e.column_misc, c.sort_order);
    if (f.is_jet4()) b.u8(at + e.column_misc2 + 1, c.sort_version);
    else b.u16(at + e.column_misc2, c.code_page);
  }
  b.u8(at + e.column_flags, c.flags);
  if (f.is_jet4()) b.u8(at + kJet4ColumnExtFlags, c.ext_flags);
  b.u16(at + e.column_fixed_offset, c.fixed_offset);
  b.u16(at + e.column_length, c.length);
}

void put_real_index(TdefBuilder& b, const RealIndexDef& index, const Format& f) {
  const std::size_t at = b.reserve(f.tdef_real_index_entry);
  std::size_t p = at + TdefEntryLayout::of(f.version).real_index_columns;
  for (std::uint32_t i = 0; i < kMaxIndexColumns; ++i, p += 3) {
    if (i < index.columns.size()) {
      b.u16(p, index.columns[i].column_number);
      b.u8(p + 2, index.columns[i].ascending ? 1 : 0);
    } else {
      b.u16(p, 0xFFFF);
    }
  }
  b.u32(p, index.usage_map.to_word());
  b.u32(p + 4, index.first_page);
  b.u8(p + (f.is_jet4() ? 12 : 8), index.flags);
}

void put_logical_index(TdefBuilder& b, const IndexDef& index, const Format& f) {
  const std::size_t at = b.reserve(f.tdef_logical_index_entry);
  if (f.is_jet4()) b.u32(at, kJet4TdefMarker);
  const std::size_t p = at + TdefEntryLayout::of(f.version).logical_index;
  b.u32(p, index.number);
  b.u32(p + 4, index.real_index);
  b.u8(p + 8, index.related_table_type);
  b.u32(p + 9, static_cast<std::uint32_t>(index.related_index));
  b.u32(p + 13, index.related_table_page);
  b.u8(p + 17, index.cascade_updates ? 1 : 0);
  b.u8(p + 18, index.cascade_deletes ? 1 : 0);
  b.u8(p + 19, static_cast<std::uint8_t>(index.kind));
}

}  // namespace

const TdefEntryLayout& TdefEntryLayout::of(JetVersion version) {
  return version == JetVersion::jet3 ? kJet3TdefEntries : kJet4TdefEntries;
}

std::vector<std::uint8_t> encode_table_def(const TableDef& def, const Format& f) {
  TdefBuilder b(f);
  put_header(b, def, f);
  for (const RealIndexDef& index : def.real_indexes) {
    const std::size_t at = b.reserve(f.tdef_real_index_count_entry);
    b.u32(at + 4, index.row_count);
  }
  for (const ColumnDef& c : def.columns) put_column(b, c, f);
  for (const ColumnDef& c : def.columns) b.name(c.name);
  for (const RealIndexDef& index : def.real_indexes) put_real_index(b, index, f);
  for (const IndexDef& index : def.indexes) put_logical_index(b, index, f);
  for (const IndexDef& index : def.indexes) b.name(index.name);
  for (const LongValueMaps& maps : def.long_value_maps) {
    const std::size_t at = b.reserve(10);
    b.u16(at, maps.column_number);
    b.u32(at + 2, maps.used_pages.to_word());
    b.u32(at + 6, maps.free_pages.to_word());
  }
  b.u16(b.reserve(2), 0xFFFF);
  b.u32(8, static_cast<std::uint32_t>(b.out.size() - kTdefPageHeaderSize));
  return std::move(b.out);
}

std::size_t tdef_page_count(std::size_t image_size, const Format& format) {
  if (image_size <= format.page_size) return 1;
  const std::size_t body = format.page_size - kTdefPageHeaderSize;
  return 1 + (image_size - format.page_size + body - 1) / body;
}

std::vector<std::vector<std::uint8_t>> split_table_def(const std::vector<std::uint8_t>& image,
                                                       const Format& format,
                                                       const std::vector<std::uint32_t>& page_numbers) {
  std::vector<std::vector<std::uint8_t>> pages;
  std::size_t at = 0;
  for (std::size_t i = 0; i < page_numbers.size(); ++i) {
    std::vector<std::uint8_t> page(format.page_size, 0);
    std::size_t from = 0;
    if (i > 0) {
      page[0] = page_type::table_definition;
      page[1] = 0x01;
      if (!format.is_jet4()) { page[2] = 'V'; page[3] = 'C'; }
      from = kTdefPageHeaderSize;
    }
    const std::size_t n = std::min(image.size() - at, format.page_size - from);
    std::copy_n(image.begin() + std::ptrdiff_t(at), n, page.begin() + std::ptrdiff_t(from));
    at += n;
    if (format.is_jet4()) coding::put_u16(&page[2], static_cast<std::uint16_t>(format.page_size - from - n));
    coding::put_u32(&page[4], i + 1 < page_numbers.size() ? page_numbers[i + 1] : 0);
    pages.push_back(std::move(page));
  }
  return pages;
}

}  // namespace jet
