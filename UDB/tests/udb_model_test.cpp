// The catalog of a database, the index collection and the base bodies that
// refuse what a side does not support.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "UDB/tests/doubles/memory_database.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_names.h"

namespace {

std::shared_ptr<memory_store> store_of(std::initializer_list<const char*> names) {
  auto store = std::make_shared<memory_store>();
  for (const char* name : names) store->add(memory_int_table(name, 0));
  return store;
}

TEST(DatabaseCatalog, TableLookupIgnoresLetterCaseOnly) {
  memory_database db("shop", 1, store_of({"Orders", "Order Details", "Ünits"}));
  struct {
    const char* name;
    bool exists;
  } cases[] = {{"ORDERS", true}, {"orders", true}, {"Order", false}, {"order details", true},
               {"ÜNITS", true},  {"units", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(db.is_table_exist(c.name), c.exists);
  }
  EXPECT_FALSE(memory_database("empty", 1, store_of({})).is_table_exist("Orders"));
  // A database that says its names are case-sensitive compares bytes.
  EXPECT_TRUE(udb_same_name("Orders", "Orders", true));
  EXPECT_FALSE(udb_same_name("Orders", "ORDERS", true));
}

TEST(DatabaseCatalog, DeleteKeepsTheOrderOfTheOthersAndRefusesAnUnlistedName) {
  memory_database db("shop", 8, store_of({"a", "B", "c"}));
  EXPECT_TRUE(db.delete_tab("b"));
  EXPECT_EQ(db.table_names(), (std::vector<std::string>{"a", "c"}));
  EXPECT_THROW(db.delete_tab("b"), tk_mail_assertion);
  EXPECT_EQ(db.table_names(), (std::vector<std::string>{"a", "c"}));
}

TEST(DatabaseCatalog, UnsupportedOperationsAreInternalErrors) {
  memory_database db("shop", 1, store_of({"a"}));
  EXPECT_THROW(db.query("SELECT 1"), tk_mail_assertion);
  std::unique_ptr<udb_recordset> table = db.get_table("a", 0x21);
  // The base recordset refuses appends; the memory double allows them, so
  // call the base body directly.
  udb_record record;
  EXPECT_THROW(table->udb_recordset::append_record(record), tk_mail_assertion);
  EXPECT_NO_THROW(table->prev());
}

TEST(IndexCollection, LookupsIgnoreCaseAndKeepTheOrderOfAppending) {
  udb_indexes empty;
  EXPECT_TRUE(empty.is_acceptable_name("anything"));
  EXPECT_THROW(empty.get_index("anything"), tk_mail_assertion);

  udb_indexes indexes;
  indexes.append({"PK_Orders", true, true, {"OrderID"}});
  indexes.append({"IX_Date", false, false, {"OrderDate", "CustomerID", "ShipVia"}});
  EXPECT_FALSE(indexes.is_acceptable_name("pk_orders"));
  EXPECT_TRUE(indexes.is_acceptable_name("PK_Order"));
  EXPECT_EQ(&indexes.get_index("pk_orders"), &indexes.at(0));
  EXPECT_EQ(indexes.at(0).name, "PK_Orders");  // the first appended stays first
  indexes.get_index("ix_date").field_names.push_back("Extra");
  EXPECT_EQ(indexes.at(1).field_names, (std::vector<std::string>{"OrderDate", "CustomerID", "ShipVia", "Extra"}));
  EXPECT_THROW(indexes.at(2), std::out_of_range);
}

TEST(Record, FieldsAnswerTheTypeOfTheValueHeld) {
  udb_record record;
  record.append(std::make_unique<udb_field>("n", 4, true, true, ole_variant(7)));
  record.append(std::make_unique<udb_field>("t", 10));
  EXPECT_THROW(record.append(nullptr), tk_mail_assertion);
  ASSERT_EQ(record.size(), 2u);
  EXPECT_EQ(record.at(0).declared_type(), VT_I4);
  EXPECT_EQ(record.at(0).to_string(), "7");
  EXPECT_EQ(record.at(1).declared_type(), VT_EMPTY);
  t_ftd from_field(record.at(0), ole_variant(), udb_hint_none);
  EXPECT_EQ(from_field.name, "n");
  EXPECT_EQ(from_field.vartype, VT_I4);
  EXPECT_TRUE(from_field.b_not_null && from_field.identity);
}

TEST(EngineBase, DeletesAndFindsFilesAndReportsTheSystemError) {
  memory_files files;
  memory_engine engine(files, udb_format::access2000);
  std::string path = testing::TempDir() + "quill_engine_" + std::to_string(::getpid()) + ".mdb";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(engine.is_db_exist(path));
  engine.delete_db(path);
  EXPECT_FALSE(engine.is_db_exist(path));
  try {
    engine.delete_db(path);
    ADD_FAILURE() << "deleting a missing file succeeded";
  } catch (const tk_exception_ex& e) {
    EXPECT_EQ(e.code(), ENOENT);
    EXPECT_EQ(e.level(), tk_level_abort);
  }
}

}  // namespace
