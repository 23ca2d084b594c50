// Table definitions, indexes and properties of the reference samples, as
// Access wrote them (expectations taken from Access's own design), beyond
// what mdb-schema and mdb-prop show.
#include <gtest/gtest.h>

#include "database_impl.h"
#include "jet/database.h"
#include "sample_files.h"

namespace jet {
namespace {

class SampleTables : public ::testing::Test {
 protected:
  void SetUp() override { JET_REQUIRE_SAMPLES(); }
  static Database open(const char* name) { return Database::open(testing::sample(name).string()); }
  static const IndexDef& index(const TableDef& def, const std::string& name) {
    auto i = std::find_if(def.indexes.begin(), def.indexes.end(), [&](const auto& i) { return i.name == name; });
    if (i == def.indexes.end()) throw std::runtime_error("no index " + name);
    return *i;
  }
};

TEST_F(SampleTables, IndexesOfBothVersions) {
  for (const char* file : {"jet3-access97/indexTestV1997.mdb", "jet4-access2000/indexTestV2000.mdb"}) {
    auto db = open(file);
    const TableDef def = db.table_def("Table1");
    ASSERT_EQ(def.indexes.size(), 4u) << file;
    const IndexDef& primary = index(def, "PrimaryKey");
    EXPECT_EQ(primary.kind, IndexKind::primary) << file;
    const RealIndexDef& real = def.real_indexes.at(primary.real_index);
    EXPECT_TRUE(real.is_unique()) << file;
    EXPECT_TRUE(real.is_required()) << file;
    ASSERT_EQ(real.columns.size(), 1u) << file;
    EXPECT_EQ(real.columns[0].column_number, def.find_column("id")->number) << file;
    EXPECT_TRUE(real.columns[0].ascending) << file;
    const IndexDef& foreign = index(def, "Table2Table1");
    EXPECT_EQ(foreign.kind, IndexKind::foreign) << file;
    EXPECT_EQ(foreign.related_table_page, db.table_entry("Table2").tdef_page) << file;
    // Every index tree starts on an index or data page of this file.
    for (const auto& r : def.real_indexes) {
      ASSERT_LT(r.first_page, db.page_count()) << file;
      const std::uint8_t type = DatabaseInternals::of(db).pages.get(r.first_page)->bytes[0];
      EXPECT_TRUE(type == 0x03 || type == 0x04) << file << " page " << r.first_page;
    }
  }
}

TEST_F(SampleTables, IndexFlags) {
  auto db = open("jet4-access2000/testIndexPropertiesV2000.mdb");
  for (const auto& [table, unique, columns] : {std::tuple{"TableIgnoreNulls1", false, 1u},
                                               std::tuple{"TableIgnoreNulls2", false, 2u},
                                               std::tuple{"TableUnique1_temp", true, 1u},
                                               std::tuple{"TableUnique2_temp", true, 2u}}) {
    const TableDef def = db.table_def(table);
    const RealIndexDef& data = def.real_indexes.at(index(def, "DataIndex").real_index);
    EXPECT_EQ(data.is_unique(), unique) << table;
    EXPECT_EQ(data.ignores_nulls(), !unique) << table;
    EXPECT_EQ(data.columns.size(), columns) << table;
  }
}

TEST_F(SampleTables, ColumnsAfterDeletionKeepTheirNumbers) {
  auto db = open("jet4-access2000/delColTestV2000.mdb");
  const TableDef def = db.table_def("Table1");
  std::vector<std::uint16_t> numbers;
  for (const auto& c : def.columns) numbers.push_back(c.number);
  EXPECT_EQ(numbers, (std::vector<std::uint16_t>{0, 2, 3, 5}));
  EXPECT_GT(def.max_columns, def.columns.size());
  auto rows = db.rows("Table1");
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(std::get<std::string>(rows.values()[3]), "foo2");
}

TEST_F(SampleTables, ColumnAttributes) {
  auto db = open("jet4-access2000/testV2000.mdb");
  const TableDef t1 = db.table_def("Table1");
  const ColumnDef& a = *t1.find_column("a");  // names match whatever their case
  EXPECT_EQ(a.sort_order, 0x409);
  EXPECT_FALSE(a.is_fixed());
  EXPECT_TRUE(t1.find_column("I")->is_fixed());
  EXPECT_EQ(t1.find_column("i")->type, ColumnType::boolean);
  EXPECT_EQ(t1.find_column("nope"), nullptr);
  const TableDef t3 = db.table_def("Table3");
  EXPECT_TRUE(t3.columns.at(0).is_autonumber());
  EXPECT_FALSE(t3.columns.at(1).is_autonumber());

  auto db3 = open("jet3-access97/testV1997.mdb");
  const TableDef jet3_table = db3.table_def("Table1");
  const ColumnDef& a3 = *jet3_table.find_column("A");
  EXPECT_EQ(a3.code_page, 1252);
  EXPECT_EQ(a3.sort_order, 0x409);  // a fixed defect: Jet 3 keeps it at entry offset 9

}

TEST_F(SampleTables, CatalogKinds) {
  auto db = open("jet4-access2000/testV2000.mdb");
  int user = 0, system = 0, containers = 0;
  for (const auto& e : db.catalog()) {
    user += e.kind == ObjectKind::user_table;
    system += e.kind == ObjectKind::system_table;
    containers += e.kind == ObjectKind::container;
  }
  EXPECT_EQ(user, 4);
  EXPECT_GE(system, 5);
  EXPECT_GE(containers, 3);
  EXPECT_EQ(db.table_entry("msysobjects").tdef_page, 2u);
  const auto with_system = db.table_names(true);
  EXPECT_NE(std::find(with_system.begin(), with_system.end(), "MSysObjects"), with_system.end());
  EXPECT_THROW(db.table_def("NoSuchTable"), Error);
  try {
    db.rows("NoSuchTable");
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::invalid_argument);
  }
}

TEST_F(SampleTables, PropertiesAreTyped) {
  auto db = open("jet3-access97/indexTestV1997.mdb");
  const PropertySet props = db.table_properties("Table1");
  ASSERT_NE(props.object(), nullptr);
  const PropertyBlock* id = props.column("ID");
  ASSERT_NE(id, nullptr);
  const Property* places = id->find("decimalplaces");
  ASSERT_NE(places, nullptr);
  EXPECT_EQ(places->value, Value(std::uint8_t{255}));
  const Property* fallback = id->find("DefaultValue");
  ASSERT_NE(fallback, nullptr);
  EXPECT_EQ(fallback->value, Value(std::string("0")));

  auto db4 = open("jet4-access2000/testV2000.mdb");
  const PropertySet props4 = db4.table_properties("Table1");
  const PropertyBlock* a = props4.column("A");
  ASSERT_NE(a, nullptr);
  for (const auto& [name, value] : {std::pair<const char*, Value>{"UnicodeCompression", true},
                                    {"Required", false}, {"AllowZeroLength", false},
                                    {"ColumnWidth", std::int16_t{-1}}}) {
    const Property* p = a->find(name);
    ASSERT_NE(p, nullptr) << name;
    EXPECT_EQ(p->value, value) << name;
  }
}

}  // namespace
}  // namespace jet
