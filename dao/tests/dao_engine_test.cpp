// The Access engine: file formats from the header, loading versions, and
// DAO errors read back through the engine.
#include <gtest/gtest.h>

#include <fstream>

#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_recordset.h"
#include "dao/tests/dao_test_files.h"
#include "platform/dao/com.h"

namespace {

using namespace dao_testing;

class dao_engine_files : public dao_files_test {};

TEST_P(dao_engine_files, the_version_byte_tells_the_format_and_anything_else_is_refused) {
  struct {
    std::string bytes;
    int answer;  // 0 Access 95/97, 1 Access 2000, -1 refused
  } cases[] = {{std::string(20, 'x') + '\0', 0}, {std::string(20, 'x') + '\1', 1},
               {std::string(20, 'x') + '\2', -1}, {std::string(19, 'x'), -1}, {std::string(), -1},
               {std::string(20, 'x'), -1}};
  for (const auto& c : cases) {
    std::string file = path("probe.mdb");
    std::ofstream(file, std::ios::binary) << c.bytes;
    if (c.answer < 0) {
      try {
        dao_engine::get_acc_version(file);
        ADD_FAILURE() << c.bytes.size();
      } catch (const tk_exception& e) {
        EXPECT_EQ(e.message(), "File '" + file + "' does not comply with MS Access format.");
        EXPECT_EQ(e.level(), tk_level_abort);
      }
    } else {
      EXPECT_EQ(dao_engine::get_acc_version(file), c.answer == 0 ? udb_format::access97 : udb_format::access2000);
    }
  }
  EXPECT_THROW(dao_engine::get_acc_version(path("missing.mdb")), tk_exception);
  std::string made = path("made.mdb");
  engine_->create_db(made).reset();
  EXPECT_EQ(dao_engine::get_acc_version(made), GetParam());
  EXPECT_EQ(mdb("ver", shell_quote(made)), GetParam() == udb_format::access97 ? "JET3\n" : "JET4\n");
  EXPECT_EQ(mdb("tables", "-1 " + shell_quote(made)), "");
  EXPECT_EQ(jetcheck(made), "");
}

TEST_P(dao_engine_files, dao_errors_carry_the_engines_number_and_text) {
  std::string made = path("made.mdb");
  engine_->create_db(made).reset();
  try {
    engine_->create_db(made);
    ADD_FAILURE() << "the file was made twice";
  } catch (const dao_exception& e) {
    EXPECT_EQ(e.code(), 0x10000 + 3204);
    EXPECT_EQ(e.level(), tk_level_recoverable);
    EXPECT_FALSE(e.message().empty());
  }
  auto db = engine_->open_db(made, dao_mode_read_only | dao_mode_exclusive, "");
  EXPECT_TRUE(db->table_names().empty());
  EXPECT_THROW(engine_->set_version(GetParam()), tk_mail_assertion);  // a database is still alive
  db.reset();
  engine_->set_version(GetParam());
  EXPECT_EQ(engine_->format(), GetParam());
}

TEST_P(dao_engine_files, a_version_that_is_not_installed_leaves_no_engine) {
  const CLSID& other = GetParam() == udb_format::access97 ? CLSID_DBEngine36 : CLSID_DBEngine35;
  udb_format other_format = GetParam() == udb_format::access97 ? udb_format::access2000 : udb_format::access97;
  dao_set_class_registered(other, false);
  try {
    engine_->set_version(other_format);
    ADD_FAILURE() << "loaded";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.message(), dao_msg_no_library);
    EXPECT_EQ(e.level(), tk_level_abort);
  }
  dao_set_class_registered(other, true);
  EXPECT_FALSE(engine_->format().has_value());
  EXPECT_THROW(engine_->create_db(path("x.mdb")), tk_mail_assertion);
  EXPECT_TRUE(engine_->set_version_if(other_format));
  EXPECT_EQ(engine_->format(), other_format);
}

TEST_P(dao_engine_files, required_nulls_have_each_types_zero_value) {
  EXPECT_EQ(dao_recordset::required_null_value(VT_BSTR).to_string(), "");
  EXPECT_EQ(dao_recordset::required_null_value(VT_BOOL).vt(), VT_BOOL);
  EXPECT_EQ(dao_recordset::required_null_value(VT_DATE).to_string(), "1899-12-30");
  EXPECT_EQ(dao_recordset::required_null_value(VT_BLOB).vt(), VT_BINARY);
  EXPECT_EQ(dao_recordset::required_null_value(VT_DECIMAL).to_string(), "0");
}

TEST(DaoValidVariant, IntegerTypesAccessLacksBecomeWiderOnes) {
  struct {
    ole_variant value;
    VARTYPE vt;
    const char* text;
  } cases[] = {{ole_variant(4000000000u), VT_R8, "4000000000"}, {ole_variant(-5LL), VT_R8, "-5"},
               {ole_variant(static_cast<unsigned short>(65535)), VT_I4, "65535"}, {ole_variant(char{-3}), VT_I2, "-3"},
               {ole_variant(18446744073709551615ULL), VT_R8, "18446744073709551615"}, {ole_variant(7), VT_I4, "7"}};
  for (const auto& c : cases) {
    ole_variant valid = dao_get_valid_variant(c.value);
    EXPECT_EQ(valid.vt(), c.vt) << c.text;
    EXPECT_EQ(valid.to_double(), ole_variant::from_string(c.text, VT_R8).to_double()) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(formats, dao_engine_files, ::testing::Values(udb_format::access97, udb_format::access2000),
                         format_name);

}  // namespace
