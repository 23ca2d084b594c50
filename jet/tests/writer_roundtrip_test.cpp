// Every Access-made sample re-created table by table through the write API
// from what the reader reads (columns, sizes, properties, indexes, rows):
// the copy reads back equal and checks sound. Skips without the samples.
#include <gtest/gtest.h>

#include <map>

#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

bool is_writable_type(ColumnType type) {
  return is_decoded_type(type) && type != ColumnType::complex;
}

const std::string* text_property(const PropertyBlock* block, const char* name) {
  const Property* p = block ? block->find(name) : nullptr;
  return p ? std::get_if<std::string>(&p->value) : nullptr;
}

bool bool_property(const PropertyBlock* block, const char* name, bool otherwise) {
  const Property* p = block ? block->find(name) : nullptr;
  const bool* v = p ? std::get_if<bool>(&p->value) : nullptr;
  return v ? *v : otherwise;
}

// The schema a caller would give to make `def` again; false when the table
// uses something the writer cannot create.
bool schema_of(const TableDef& def, const PropertySet& props, JetVersion version, TableSchema& out) {
  out.name = def.name;
  for (const ColumnDef& c : def.columns) {
    if (!is_writable_type(c.type)) return false;
    ColumnSpec spec;
    spec.name = c.name;
    spec.type = c.type;
    spec.size = c.type == ColumnType::text && version == JetVersion::jet4 ? c.length / 2 : c.length;
    spec.autonumber = c.is_autonumber();
    spec.precision = c.precision;
    spec.scale = c.scale;
    const PropertyBlock* block = props.column(c.name);
    spec.required = bool_property(block, "Required", false);
    spec.allow_zero_length = bool_property(block, "AllowZeroLength", true);
    if (const std::string* d = text_property(block, "DefaultValue")) spec.default_value = *d;
    out.columns.push_back(spec);
  }
  for (const IndexDef& index : def.indexes) {
    if (index.kind == IndexKind::foreign) continue;
    const RealIndexDef& real = def.real_indexes.at(index.real_index);
    IndexSpec spec;
    spec.name = index.name;
    spec.primary = index.kind == IndexKind::primary;
    spec.unique = real.is_unique();
    spec.ignore_nulls = real.ignores_nulls();
    spec.required = real.is_required();
    for (const IndexColumn& part : real.columns) {
      for (const ColumnDef& c : def.columns) {
        if (c.number == part.column_number) spec.columns.push_back({c.name, part.ascending});
      }
    }
    out.indexes.push_back(spec);
  }
  return true;
}

class RoundTrip : public ScratchTest, public ::testing::WithParamInterface<fs::path> {};

TEST_P(RoundTrip, EveryTableReadsBackEqualAndChecksSound) {
  JET_REQUIRE_SAMPLES();
  auto source = Database::open(GetParam().string());
  const fs::path copy = dir_ / "copy.mdb";
  std::vector<std::string> copied;
  {
    auto target = Database::create(copy.string(), source.version());
    for (const std::string& table : source.table_names()) {
      TableSchema schema;
      if (!schema_of(source.table_def(table), source.table_properties(table), source.version(), schema)) continue;
      target.create_table(schema);
      auto appender = target.appender(table);
      auto cursor = source.rows(table);
      while (cursor.next()) appender.append(cursor.values());
      copied.push_back(table);
    }
    target.close();
  }
  EXPECT_EQ(copied, source.table_names());  // every table's types can be written
  expect_sound(copy);
  auto back = Database::open(copy.string());
  for (const std::string& table : copied) {
    EXPECT_EQ(read_all(back, table), read_all(source, table)) << table;
    const TableDef original = source.table_def(table);
    const auto foreign = std::count_if(original.indexes.begin(), original.indexes.end(),
                                       [](const IndexDef& i) { return i.kind == IndexKind::foreign; });
    EXPECT_EQ(back.table_def(table).indexes.size(), original.indexes.size() - std::size_t(foreign)) << table;
  }
}

// Files Access made take new tables and rows: each user table gets its
// rows again (into the pages and maps Access left), and a new table joins
// the catalog; the file checks sound and reads both back.
TEST_P(RoundTrip, AccessMadeFilesTakeNewTablesAndRows) {
  JET_REQUIRE_SAMPLES();
  const fs::path file = dir_ / "copy.mdb";
  fs::copy_file(GetParam(), file);
  std::map<std::string, std::size_t> expected;
  {
    OpenOptions options;
    options.writable = true;
    auto db = Database::open(file.string(), options);
    for (const std::string& table : db.table_names()) {
      const auto rows = read_all(db, table);
      const TableDef def = db.table_def(table);
      bool unique = false;
      for (const auto& index : def.real_indexes) unique = unique || index.is_unique();
      auto appender = db.appender(table);
      std::size_t added = 0;
      for (const auto& row : rows) {
        if (unique) break;  // the same rows again would repeat their keys
        appender.append(row);
        ++added;
      }
      expected[table] = def.row_count + added;
    }
    TableSchema extra;
    extra.name = "Added Later";
    ColumnSpec id;
    id.name = "Id";
    id.type = ColumnType::long_integer;
    id.autonumber = true;
    ColumnSpec text;
    text.name = "Text";
    text.type = ColumnType::text;
    text.size = 30;
    extra.columns = {id, text};
    extra.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true}};
    db.create_table(extra);
    auto appender = db.appender("Added Later");
    for (int i = 0; i < 300; ++i) appender.append({Null{}, std::string("row ") + std::to_string(i)});
    expected["Added Later"] = 300;
    db.close();
  }
  expect_sound(file, /*strict=*/false);  // some samples hold pages Access left unreclaimed
  auto db = Database::open(file.string());
  for (const auto& [table, rows] : expected) {
    EXPECT_EQ(read_all(db, table).size(), rows) << table;
    EXPECT_EQ(db.table_def(table).row_count, rows) << table;
  }
}

std::vector<fs::path> samples_or_placeholder() {
  auto files = sample_files();
  return files.empty() ? std::vector<fs::path>{{}} : files;
}

std::string sample_name(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.empty() ? "absent" : info.param.stem().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Samples, RoundTrip, ::testing::ValuesIn(samples_or_placeholder()), sample_name);

}  // namespace
}  // namespace jet
