// Test helpers: every index entry of a sample database side by side with
// the key the encoders make of the row it points to.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check_context.h"
#include "header.h"
#include "index_walk.h"
#include "jet/index.h"
#include "key_internal.h"
#include "page_file.h"
#include "sample_files.h"
#include "table_def.h"
#include "usage_map.h"
#include "index_page.h"

namespace jet::testing {

struct KeyPair {
  std::string where;                  // "table 'T' index 0 row 12:3"
  std::vector<std::uint8_t> stored;   // as Access wrote it
  std::vector<std::uint8_t> encoded;  // as our encoders make it
  std::vector<ColumnType> types;      // index column types, in key order
  std::u32string text;                // the text of a one-text-column key
};

// Opens a database for the checker's internal readers.
struct OpenSample {
  PageFile file;
  const Format& format;
  PageCache pages;
  check_detail::CheckContext ctx;

  explicit OpenSample(const std::filesystem::path& path)
      : file(path.string(), PageFile::Mode::read_only),
        format(Format::of(detect_version(read_bytes(path, kHeaderMinimumSize)))),
        pages(file, format.page_size),
        ctx(pages, format) {}
};

inline void add_pairs(OpenSample& s, const TableDef& table,
                      const std::vector<check_detail::LiveRow>& rows, std::vector<KeyPair>& out) {
  std::map<std::uint32_t, const check_detail::LiveRow*> by_pointer;
  for (const auto& row : rows) by_pointer[row.pointer.to_word()] = &row;
  for (const RealIndexDef& index : table.real_indexes) {
    const IndexPageLayout& layout = IndexPageLayout::of(s.format.version);
    for (const IndexEntry& e : read_index_entries(s.pages, layout, index.first_page, table.tdef_page)) {
      auto row = by_pointer.find(e.row.to_word());
      if (row == by_pointer.end()) continue;
      KeyPair pair;
      pair.where = "table '" + table.name + "' index " + std::to_string(index.number) + " row " +
                   std::to_string(e.row.page) + ":" + std::to_string(e.row.row);
      pair.stored = e.key;
      pair.encoded = make_index_key(table, index, row->second->values, s.format.version);
      for (const IndexColumn& part : index.columns) {
        for (std::size_t at = 0; at < table.columns.size(); ++at) {
          if (table.columns[at].number != part.column_number) continue;
          pair.types.push_back(table.columns[at].type);
          const auto* text = std::get_if<std::string>(&row->second->values[at]);
          if (index.columns.size() == 1 && text) pair.text = utf8_code_points(*text);
        }
      }
      out.push_back(std::move(pair));
    }
  }
}

// Every (stored, encoded) key pair of every index of every table.
inline std::vector<KeyPair> sample_key_pairs(const std::filesystem::path& path) {
  OpenSample s(path);
  std::vector<KeyPair> out;
  for (const auto& entry : check_detail::read_catalog(s.ctx)) {
    TableDef table;
    try {
      table = read_table_def(s.pages, s.format, entry.tdef_page);
    } catch (const Error&) {
      continue;  // tables the reader cannot decode are the reader's tests' business
    }
    table.name = entry.name;
    UsageMap map = read_usage_map(s.pages, s.format, table.used_pages, table.tdef_page);
    add_pairs(s, table, check_detail::read_live_rows(s.ctx, table, map.pages, entry.name), out);
  }
  return out;
}

}  // namespace jet::testing
