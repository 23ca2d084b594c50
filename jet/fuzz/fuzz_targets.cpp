#include "fuzz_targets.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>

#include "coding.h"
#include "field_decoder.h"
#include "format.h"
#include "header.h"
#include "jet/error.h"
#include "page_cache.h"
#include "properties.h"
#include "row_layout.h"
#include "table_def.h"

namespace jet::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Format& format_from(std::uint8_t selector) { return selector % 2 ? kJet4Format : kJet3Format; }

// A table with one column of every type: fixed ones first, then variable.
TableDef every_type_table() {
  TableDef t;
  const ColumnType fixed[] = {ColumnType::boolean, ColumnType::byte,   ColumnType::integer,
                              ColumnType::long_integer, ColumnType::money, ColumnType::single,
                              ColumnType::double_, ColumnType::datetime, ColumnType::guid,
                              ColumnType::numeric};
  const ColumnType variable[] = {ColumnType::text, ColumnType::binary, ColumnType::memo, ColumnType::ole};
  std::uint16_t number = 0, offset = 0, var_index = 0;
  for (ColumnType type : fixed) {
    ColumnDef c;
    c.type = type;
    c.number = number++;
    c.flags = column_flag::fixed_length | column_flag::nullable;
    c.fixed_offset = offset;
    c.length = fixed_length_of(type);
    c.precision = 18;
    c.scale = 4;
    offset = static_cast<std::uint16_t>(offset + c.length);
    t.columns.push_back(c);
  }
  for (ColumnType type : variable) {
    ColumnDef c;
    c.type = type;
    c.number = number++;
    c.flags = column_flag::nullable;
    c.var_index = var_index++;
    t.columns.push_back(c);
  }
  t.variable_columns = var_index;
  return t;
}

// A scratch file of a few zeroed pages, so long-value pointers have pages
// to land on (they are never valid LVAL pages: every lookup must fail).
PageCache& scratch_pages(const Format& format) {
  struct Scratch {
    explicit Scratch(const Format& f)
        : path(std::filesystem::temp_directory_path() /
               ("jet_fuzz_scratch_" + std::to_string(f.page_size) + ".bin")) {
      std::ofstream(path, std::ios::binary).write(std::string(f.page_size * 4, '\0').data(), f.page_size * 4);
      file = std::make_unique<PageFile>(path.string(), PageFile::Mode::read_only);
      cache = std::make_unique<PageCache>(*file, f.page_size, 4);
      std::filesystem::remove(path);  // the open file lives on; nothing is left behind
    }
    std::filesystem::path path;
    std::unique_ptr<PageFile> file;
    std::unique_ptr<PageCache> cache;
  };
  static Scratch jet3(kJet3Format);
  static Scratch jet4(kJet4Format);
  return format.is_jet4() ? *jet4.cache : *jet3.cache;
}

}  // namespace

bool header_one_input(const std::uint8_t* data, std::size_t size) {
  try {
    (void)decode_header(std::span<const std::uint8_t>(data, size));
    return true;
  } catch (const Error&) {
    return false;
  }
}

bool tdef_one_input(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return false;
  try {
    (void)decode_table_def(std::span<const std::uint8_t>(data + 1, size - 1), format_from(data[0]), 7);
    return true;
  } catch (const Error&) {
    return false;
  }
}

bool row_one_input(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return false;
  static const TableDef table = every_type_table();
  const Format& format = format_from(data[0]);
  bool clean = true;
  try {
    const auto fields = split_row(std::span<const std::uint8_t>(data + 1, size - 1), table, format, 7);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      try {
        (void)decode_field(table.columns[i], fields[i], scratch_pages(format), format, 7);
      } catch (const Error&) {
        clean = false;
      }
    }
  } catch (const Error&) {
    return false;
  }
  return clean;
}

bool properties_one_input(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return false;
  try {
    (void)decode_properties(std::span<const std::uint8_t>(data + 1, size - 1), format_from(data[0]), 2);
    return true;
  } catch (const Error&) {
    return false;
  }
}

}  // namespace jet::fuzz
