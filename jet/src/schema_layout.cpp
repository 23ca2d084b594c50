#include "schema_layout.h"

#include <algorithm>

#include "data_page.h"
#include "key_internal.h"
#include "table_def.h"
#include "text.h"
#include "value_encoder.h"

namespace jet {
namespace {

constexpr std::size_t kMaxNameLength = 64;
constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxIndexes = 32;
constexpr std::uint16_t kGeneralSortOrder = 0x0409;
constexpr std::uint16_t kWindowsLatin1 = 1252;
constexpr std::uint8_t kJet4IndexFlag = 0x80;  // Access sets it on every Jet 4 index

[[noreturn]] void misuse(const std::string& message) { throw Error::invalid_argument(message); }

void check_name(const std::string& name, const std::string& what) {
  if (!is_valid_object_name(name)) {
    throw refusal(jet_error::bad_name, "'" + name + "' is not a valid " + what + " name");
  }
}

bool is_text_like(ColumnType type) { return type == ColumnType::text || type == ColumnType::memo; }

ColumnDef lay_out_column(const ColumnSpec& spec, const Format& format) {
  check_name(spec.name, "column");
  const bool sized = spec.type == ColumnType::text || spec.type == ColumnType::binary;
  if (sized && (spec.size < 1 || spec.size > 255)) {
    misuse("column '" + spec.name + "' needs a size of 1 to 255, not " + std::to_string(spec.size));
  }
  if (!is_decoded_type(spec.type) || spec.type == ColumnType::complex) {
    misuse("column '" + spec.name + "': type " + column_type_name(spec.type) + " cannot be created");
  }
  if (spec.autonumber && spec.type != ColumnType::long_integer) {
    misuse("column '" + spec.name + "': only a Long Integer column can be an autonumber");
  }
  ColumnDef c = new_column(spec.name, spec.type, spec.size, format);
  if (spec.autonumber) c.flags |= column_flag::auto_long;
  if (spec.type == ColumnType::numeric) {
    if (spec.precision < 1 || spec.precision > 28 || spec.scale > spec.precision) {
      misuse("column '" + spec.name + "': precision 1..28 and scale 0..precision");
    }
    c.precision = spec.precision;
    c.scale = spec.scale;
  }
  return c;
}

PropertyBlock column_properties(const ColumnSpec& spec) {
  PropertyBlock block;
  block.name = spec.name;
  block.chunk_type = 0x01;
  block.properties.push_back(Property{"Required", ColumnType::boolean, 1, spec.required || spec.autonumber});
  if (is_text_like(spec.type)) {
    block.properties.push_back(Property{"AllowZeroLength", ColumnType::boolean, 1, spec.allow_zero_length});
  }
  if (!spec.default_value.empty()) {
    block.properties.push_back(Property{"DefaultValue", ColumnType::memo, 1, spec.default_value});
  }
  return block;
}

void assign_positions(TableDef& def) {
  std::uint16_t fixed = 0;
  std::uint16_t variable = 0;
  for (ColumnDef& c : def.columns) {
    if (c.type == ColumnType::boolean) continue;
    if (c.is_fixed()) {
      c.fixed_offset = fixed;
      fixed = static_cast<std::uint16_t>(fixed + c.length);
    } else {
      c.var_index = variable++;
    }
  }
  def.variable_columns = variable;
}

std::uint8_t real_index_flags(const IndexSpec& spec, const Format& format) {
  std::uint8_t flags = format.is_jet4() ? kJet4IndexFlag : 0;
  if (spec.unique || spec.primary) flags |= index_flag::unique;
  if (spec.ignore_nulls) flags |= index_flag::ignore_nulls;
  if (spec.required || spec.primary) flags |= index_flag::required;
  return flags;
}

void lay_out_indexes(const TableSchema& schema, TableDef& def, const Format& format) {
  if (schema.indexes.size() > kMaxIndexes) {
    throw refusal(jet_error::too_many_indexes, "table '" + schema.name + "' has more than 32 indexes");
  }
  bool primary = false;
  for (std::size_t i = 0; i < schema.indexes.size(); ++i) {
    const IndexSpec& spec = schema.indexes[i];
    check_name(spec.name, "index");
    for (std::size_t j = 0; j < i; ++j) {
      if (same_name(schema.indexes[j].name, spec.name)) {
        throw refusal(jet_error::duplicate_column, "index '" + spec.name + "' is named twice");
      }
    }
    if (spec.columns.empty() || spec.columns.size() > kMaxIndexColumns) {
      throw refusal(jet_error::too_many_index_columns, "index '" + spec.name + "' needs 1 to 10 columns");
    }
    if (spec.primary && primary) misuse("table '" + schema.name + "' has two primary keys");
    primary = primary || spec.primary;
    RealIndexDef real;
    real.number = static_cast<std::uint32_t>(i);
    real.flags = real_index_flags(spec, format);
    for (const IndexColumnSpec& part : spec.columns) {
      const ColumnDef* column = def.find_column(part.column);
      if (column == nullptr) misuse("index '" + spec.name + "' names no column '" + part.column + "'");
      if (column->type == ColumnType::memo || column->type == ColumnType::ole) {
        misuse("index '" + spec.name + "': column '" + part.column + "' is a long value");
      }
      real.columns.push_back(IndexColumn{column->number, part.ascending});
    }
    def.real_indexes.push_back(real);
    IndexDef logical;
    logical.name = spec.name;
    logical.number = real.number;
    logical.real_index = real.number;
    logical.kind = spec.primary ? IndexKind::primary : IndexKind::normal;
    def.indexes.push_back(logical);
  }
}

}  // namespace

bool is_valid_object_name(const std::string& name) {
  std::u32string points;
  try {
    points = utf8_code_points(name);
  } catch (const Error&) {
    return false;
  }
  if (points.empty() || points.size() > kMaxNameLength || points.front() == U' ') return false;
  for (char32_t cp : points) {
    if (cp < 0x20 || cp == U'.' || cp == U'!' || cp == U'`' || cp == U'[' || cp == U']') return false;
  }
  return true;
}

ColumnDef new_column(const std::string& name, ColumnType type, std::uint16_t size, const Format& format) {
  ColumnDef c;
  c.name = name;
  c.type = type;
  c.flags = column_flag::nullable;
  if (is_fixed_length_type(type)) {
    c.flags |= column_flag::fixed_length;
    c.length = type == ColumnType::boolean ? 1 : fixed_length_of(type);
  } else if (type == ColumnType::text) {
    c.length = static_cast<std::uint16_t>(format.is_jet4() ? 2 * size : size);
  } else if (type == ColumnType::binary) {
    c.length = size;
  }
  c.sort_order = kGeneralSortOrder;
  if (!format.is_jet4()) c.code_page = kWindowsLatin1;
  if (format.is_jet4() && is_text_like(type)) c.ext_flags = 0x01;  // compressed unicode
  return c;
}

TableLayout lay_out_table(const TableSchema& schema, const Format& format) {
  check_name(schema.name, "table");
  if (schema.name.size() >= 4 && same_name(schema.name.substr(0, 4), "MSys")) {
    throw refusal(jet_error::bad_name, "'" + schema.name + "' is a name reserved for system tables");
  }
  if (schema.columns.empty() || schema.columns.size() > kMaxColumns) {
    misuse("table '" + schema.name + "' needs 1 to 255 columns");
  }
  TableLayout layout;
  TableDef& def = layout.def;
  def.name = schema.name;
  def.table_type = 0x4E;
  for (std::size_t i = 0; i < schema.columns.size(); ++i) {
    const ColumnSpec& spec = schema.columns[i];
    for (std::size_t j = 0; j < i; ++j) {
      if (same_name(schema.columns[j].name, spec.name)) {
        throw refusal(jet_error::duplicate_column, "column '" + spec.name + "' is named twice");
      }
    }
    ColumnDef c = lay_out_column(spec, format);
    c.number = static_cast<std::uint16_t>(i);
    c.row_index = c.number;
    def.columns.push_back(c);
    layout.properties.blocks.push_back(column_properties(spec));
  }
  def.max_columns = static_cast<std::uint16_t>(def.columns.size());
  assign_positions(def);
  std::size_t fixed = 0;
  for (const ColumnDef& c : def.columns) {
    if (c.is_fixed() && c.type != ColumnType::boolean) fixed += c.length;
  }
  const std::size_t overhead = 2 * format.row_count_size + (def.max_columns + 7) / 8 +
                               format.row_count_size * (def.variable_columns + 2);
  if (fixed + overhead > max_row_size(format)) {
    throw refusal(jet_error::record_too_large, "the fixed-size columns of '" + schema.name +
                                                   "' do not fit in one row");
  }
  lay_out_indexes(schema, def, format);
  return layout;
}

}  // namespace jet
