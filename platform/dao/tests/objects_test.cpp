// The DAO objects over the Jet engine, through their COM interfaces.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dao/com.h"

namespace {

namespace fs = std::filesystem;

template <class T>
struct ptr {
  T* p = nullptr;
  ~ptr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  T** out() { return &p; }
};

struct var {
  VARIANT v;
  var() { VariantInit(&v); }
  explicit var(const std::string& s) : var() {
    v.vt = VT_BSTR, v.bstrVal = SysAllocStringByteLen(s.data(), static_cast<UINT>(s.size()));
  }
  explicit var(LONG n) : var() { v.vt = VT_I4, v.lVal = n; }
  ~var() { VariantClear(&v); }
};

struct bstr {
  BSTR b;
  explicit bstr(const std::string& s) : b(SysAllocStringByteLen(s.data(), static_cast<UINT>(s.size()))) {}
  ~bstr() { SysFreeString(b); }
};

// Standard output and errors of `command`.
std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (pipe) ::pclose(pipe);
  return out;
}

class DaoObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    dao_register_engine_classes();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(CoCreateInstance(CLSID_DBEngine36, nullptr, CLSCTX_ALL, _DBEngine::iid, reinterpret_cast<void**>(engine.out())), S_OK);
    file = (fs::temp_directory_path() / ("dao_objects_" + std::to_string(::getpid()) + ".mdb")).string();
    fs::remove(file);
  }
  void TearDown() override {
    fs::remove(file);
    CoUninitialize();
  }
  // The first error's number, or 0 when Errors is empty.
  LONG last_error() {
    ptr<Errors> errors;
    ptr<DAOError> first;
    LONG number = 0;
    if (FAILED(engine->get_Errors(errors.out())) || FAILED(errors->get_Item(var(0L).v, first.out()))) return 0;
    first->get_Number(&number);
    return number;
  }
  void create(ptr<Database>& db) {
    var none;
    ASSERT_EQ(engine->CreateDatabase(bstr(file).b, bstr(";LANGID=0x0409;CP=1252;COUNTRY=0").b, none.v, db.out()), S_OK);
  }

  // A new table definition T in `db`, not yet appended, and its Fields.
  void new_table(ptr<Database>& db, ptr<_TableDef>& def, ptr<Fields>& fields) {
    ASSERT_EQ(db->CreateTableDef(var("T").v, var(0L).v, var(std::string()).v, var(std::string()).v, def.out()), S_OK);
    ASSERT_EQ(def->get_Fields(fields.out()), S_OK);
  }
  // The rows of table T (named in another letter case), opened for appending.
  void open_to_append(ptr<Database>& db, ptr<Recordset>& rows) {
    var none;
    ptr<_QueryDef> query;
    ASSERT_EQ(db->CreateQueryDef(var(std::string()).v, var("select * from [t]").v, query.out()), S_OK);
    ASSERT_EQ(query->OpenRecordset(var(LONG{dbOpenDynaset}).v, var(LONG{dbAppendOnly}).v, none.v, rows.out()), S_OK);
  }

  ptr<_DBEngine> engine;
  std::string file;
};

TEST_F(DaoObjects, EveryFailureLeavesItsNumberInErrors) {
  ptr<Database> db;
  var none;
  EXPECT_EQ(last_error(), 0);
  EXPECT_TRUE(FAILED(engine->CreateDatabase(bstr(file).b, bstr(";LANGID=0x0407").b, none.v, db.out())));
  EXPECT_EQ(last_error(), 3001);
  EXPECT_TRUE(FAILED(engine->OpenDatabase(bstr(file).b, none.v, none.v, none.v, db.out())));
  EXPECT_EQ(last_error(), 3024);
  create(db);
  ptr<Database> again;
  EXPECT_TRUE(FAILED(engine->CreateDatabase(bstr(file).b, bstr(";LANGID=0x0409;CP=1252;COUNTRY=0").b, none.v, again.out())));
  EXPECT_EQ(last_error(), 3204);
  ptr<_QueryDef> query;
  EXPECT_TRUE(FAILED(db->CreateQueryDef(var(std::string()).v, var("DELETE FROM x").v, query.out())));
  EXPECT_EQ(last_error(), 3129);
  ASSERT_EQ(db->CreateQueryDef(var(std::string()).v, var("SELECT * FROM [nope]").v, query.out()), S_OK);
  ptr<Recordset> rows;
  EXPECT_TRUE(FAILED(query->OpenRecordset(var(LONG{dbOpenDynaset}).v, var(LONG{dbAppendOnly}).v, none.v, rows.out())));
  EXPECT_EQ(last_error(), 3078);
  ASSERT_EQ(db->Close(), S_OK);
  EXPECT_TRUE(FAILED(db->Close()));
  EXPECT_EQ(last_error(), 3420);
}

TEST_F(DaoObjects, TableDefinitionsChangeUntilAppendedAndRowsTakeConvertedValues) {
  ptr<Database> db;
  create(db);
  ptr<TableDefs> tables;
  ASSERT_EQ(db->get_TableDefs(tables.out()), S_OK);
  ptr<_TableDef> def;
  ptr<Fields> fields;
  new_table(db, def, fields);
  const struct {
    const char* name;
    SHORT type;
    LONG size, shown;
  } columns[] = {{"Memo", dbMemo, 2147483647, 0}, {"Wide", dbText, 255, 255}, {"Num", dbDouble, 99, 8}, {"Ole", dbLongBinary, 0, 0}};
  for (const auto& c : columns) {
    ptr<_Field> field;
    ASSERT_EQ(def->CreateField(var(c.name).v, var(LONG{c.type}).v, var(c.size).v, field.out()), S_OK) << c.name;
    ASSERT_EQ(fields->Append(field.p), S_OK);
    EXPECT_EQ(field->put_AllowZeroLength(VARIANT_TRUE), S_OK);  // accepted on every type
    EXPECT_EQ(field->put_Required(VARIANT_FALSE), S_OK);         // after Fields.Append
    LONG size = -1;
    field->get_Size(&size);
    EXPECT_EQ(size, c.shown) << c.name;
  }
  SHORT count = 0;
  tables->get_Count(&count);
  SHORT before = count;
  ASSERT_EQ(tables->Append(def.p), S_OK);
  tables->get_Count(&count);
  EXPECT_EQ(count, before + 1);
  ptr<_Field> wide;
  ASSERT_EQ(fields->get_Item(var("WIDE").v, wide.out()), S_OK);  // letter case ignored
  EXPECT_TRUE(FAILED(wide->put_Required(VARIANT_TRUE)));           // frozen once appended
  EXPECT_EQ(last_error(), 3219);

  ptr<Recordset> rows;
  open_to_append(db, rows);
  EXPECT_TRUE(FAILED(rows->put_Collect(var("Wide").v, var("x").v)));  // no AddNew yet
  EXPECT_EQ(last_error(), 3020);
  ASSERT_EQ(rows->AddNew(), S_OK);
  EXPECT_TRUE(FAILED(rows->put_Collect(var("Num").v, var("not a number").v)));
  EXPECT_EQ(last_error(), 3421);
  EXPECT_EQ(rows->put_Collect(var("wide").v, var(std::string(255, 'w')).v), S_OK);
  // 255 characters outside the Basic Multilingual Plane pass the character
  // count but take 510 UTF-16 units: refused, the field keeps its value.
  std::string astral;
  for (int i = 0; i < 255; ++i) astral += "\xF0\x9F\x98\x80";
  EXPECT_TRUE(FAILED(rows->put_Collect(var("Wide").v, var(astral).v)));
  EXPECT_EQ(last_error(), 3163);
  EXPECT_EQ(rows->put_Collect(var("Memo").v, var(std::string(5000, 'm')).v), S_OK);  // long values leave the row
  EXPECT_EQ(rows->Update(dbUpdateRegular, VARIANT_FALSE), S_OK);
  ASSERT_EQ(rows->Close(), S_OK);
  EXPECT_TRUE(FAILED(rows->Close()));
  ASSERT_EQ(db->Close(), S_OK);
  EXPECT_EQ(run(QUILL_BINARY_DIR "/jet/jetcheck --strict " + file), "");
  EXPECT_EQ(run("mdb-export " + file + " T | cut -c1-12"), "Memo,Wide,Nu\n\"mmmmmmmmmmm\n");
  EXPECT_EQ(run("mdb-export " + file + " T | cut -d, -f2 | tail -1 | tr -d '\"w' | wc -c"), "1\n");
}

// Rows usually name their fields in the same order every time; any other
// order, letter case, a position or an unknown name must still find the
// right column (or none).
TEST_F(DaoObjects, FieldsNamedInAnyOrderReachTheirColumns) {
  ptr<Database> db;
  create(db);
  ptr<TableDefs> tables;
  ASSERT_EQ(db->get_TableDefs(tables.out()), S_OK);
  ptr<_TableDef> def;
  ptr<Fields> fields;
  new_table(db, def, fields);
  for (const char* name : {"A", "B", "C"}) {
    ptr<_Field> field;
    ASSERT_EQ(def->CreateField(var(name).v, var(LONG{dbText}).v, var(10L).v, field.out()), S_OK);
    ASSERT_EQ(fields->Append(field.p), S_OK);
  }
  ASSERT_EQ(tables->Append(def.p), S_OK);
  ptr<Recordset> rows;
  open_to_append(db, rows);
  // Each row: (item, value) in the order given; an item is a name, or a
  // position where the name is empty.
  struct put {
    const char* name;
    const char* value;
  };
  const std::vector<std::vector<put>> inserts = {
      {{"A", "a1"}, {"B", "b1"}, {"C", "c1"}},
      {{"A", "a2"}, {"B", "b2"}, {"C", "c2"}},
      {{"C", "c3"}, {"A", "a3"}, {"B", "b3"}},
      {{"b", "b4"}, {"c", "c4"}, {"A", "a4"}},
      {{"A", "a5"}, {"", "c5"}, {"B", "b5"}},
      {{"B", "b6"}, {"B", "b6"}, {"A", "a6"}, {"C", "c6"}},
  };
  for (const auto& row : inserts) {
    ASSERT_EQ(rows->AddNew(), S_OK);
    for (const put& p : row) {
      var item = *p.name != '\0' ? var(p.name) : var(2L);
      ASSERT_EQ(rows->put_Collect(item.v, var(p.value).v), S_OK) << p.value;
    }
    EXPECT_TRUE(FAILED(rows->put_Collect(var("D").v, var("d").v)));
    EXPECT_EQ(last_error(), 3265);
    ASSERT_EQ(rows->Update(dbUpdateRegular, VARIANT_FALSE), S_OK);
  }
  ASSERT_EQ(rows->Close(), S_OK);
  ASSERT_EQ(db->Close(), S_OK);
  EXPECT_EQ(run(QUILL_BINARY_DIR "/jet/jetcheck --strict " + file), "");
  EXPECT_EQ(run("mdb-export -H -Q " + file + " T"),
            "a1,b1,c1\na2,b2,c2\na3,b3,c3\na4,b4,c4\na5,b5,c5\na6,b6,c6\n");
}

TEST_F(DaoObjects, AnEngineClassThatIsNotRegisteredCannotBeCreated) {
  dao_set_class_registered(CLSID_DBEngine35, false);
  ptr<_DBEngine> old;
  EXPECT_EQ(CoCreateInstance(CLSID_DBEngine35, nullptr, CLSCTX_ALL, _DBEngine::iid, reinterpret_cast<void**>(old.out())),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(old.p, nullptr);
  dao_set_class_registered(CLSID_DBEngine35, true);
  EXPECT_EQ(CoCreateInstance(CLSID_DBEngine35, nullptr, CLSCTX_ALL, _DBEngine::iid, reinterpret_cast<void**>(old.out())), S_OK);
}

}  // namespace
