#include "TK/tk_exception.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "TK/tk_error_converter.h"

namespace {

TEST(TkException, CarriesMessageCodeAndLevel) {
  struct {
    tk_exception error;
    const char* message;
    int code, level;
  } rows[] = {
      {tk_exception(0), "Unknown exception", 0, 0},
      {tk_exception("", 0), "Unknown exception", 0, 0},
      {tk_exception("Table is busy", 1), "Table is busy", 0, 1},
      {tk_exception("Cannot open %s.", "north.mdb", 1), "Cannot open north.mdb.", 0, 1},
      {tk_exception("Table %s not found", "100%s", 0), "Table 100%s not found", 0, 0},  // the argument's % kept
      {tk_exception("%s", "", 0), "Unknown exception", 0, 0},
      {tk_exception("Invalid user name or password.", 0, 0x80E4D), "Invalid user name or password.", 0x80E4D, 0},
      {tk_final_exception(), "Unknown exception", 0, 4},
      // an assertion: "<file>\<line>" in lower-case hex
      {tk_mail_assertion("a", 1), "Internal error: \ncode=615c31", 0, 2},
      {tk_mail_assertion("TK/tk_singl.h", 58), "Internal error: \ncode=544b2f746b5f73696e676c2e685c3538", 0, 2},
      {tk_mail_assertion("", 0), "Internal error: \ncode=5c30", 0, 2},
  };
  for (const auto& r : rows) {
    EXPECT_STREQ(r.error.what(), r.message);
    EXPECT_EQ(r.error.code(), r.code) << r.message;
    EXPECT_EQ(r.error.level(), r.level) << r.message;
  }
}

TEST(TkExceptionEx, TakesTheLastErrorAndItsSystemText) {
  ASSERT_NE(std::remove("/nonexistent-quill-folder/missing.mdb"), 0);
  tk_exception_ex error;
  EXPECT_EQ(error.code(), ENOENT);
  EXPECT_STREQ(error.what(), std::strerror(ENOENT));
  EXPECT_EQ(error.level(), 1);
  EXPECT_EQ(errno, ENOENT);  // building it leaves the last error alone

  errno = 123456;  // a value without system text
  tk_exception_ex unknown;
  EXPECT_EQ(unknown.code(), 123456);
  EXPECT_STREQ(unknown.what(), "Unknown exception");
}

TEST(TkAssert, NamesThisSourceRelativeToTheProject) {
  int line = 0;
  try {
    line = __LINE__, TK_ASSERT(1 + 1 == 3);
    FAIL() << "no assertion failure";
  } catch (const tk_mail_assertion& error) {
    EXPECT_STREQ(error.what(), tk_mail_assertion("TK/tests/tk_exception_test.cpp", line).what());
  }
  EXPECT_NO_THROW(TK_ASSERT(true));
  EXPECT_THROW(tk_check(false, "a", 1), tk_mail_assertion);
  EXPECT_STREQ(tk_detail::relative_source("/elsewhere/x.cpp"), "/elsewhere/x.cpp");
}

TEST(TkErrorConverter, HoldsBothTablesWithFirstTextsKept) {
  tk_error_converter converter(tk_oledb_message_count, tk_oledb_messages);
  EXPECT_EQ(converter.size(), 28u);
  EXPECT_EQ(converter.convert(0x80E4D), "Invalid user name or password.");
  EXPECT_EQ(converter.convert(0x10BCE), "");
  EXPECT_EQ(converter.convert(0), "");
  converter.load_map(tk_dao_message_count, tk_dao_messages);
  EXPECT_EQ(converter.size(), 33u);
  converter.load_map(tk_dao_message_count, tk_dao_messages);
  converter.load_map(0, tk_dao_messages);
  EXPECT_EQ(converter.size(), 33u);
  const tk_error_message other[] = {{0x80E4D, "other text"}, {7, "seven"}, {7, "not kept"}};
  converter.load_map(3, other);
  EXPECT_EQ(converter.convert(0x80E4D), "Invalid user name or password.");
  EXPECT_EQ(converter.convert(7), "seven");
  EXPECT_THROW(converter.load_map(1, nullptr), tk_mail_assertion);
}

TEST(TkErrorConverter, TablesCarryTheSupportAddress) {
  tk_error_converter converter(tk_oledb_message_count, tk_oledb_messages);
  converter.load_map(tk_dao_message_count, tk_dao_messages);
  EXPECT_EQ(converter.convert(0x80E07),
            "A literal value could not be converted to the correct type.Contact to "
            "support@quillmere.example for the solution.");
  EXPECT_EQ(converter.convert(0x80E72),
            "The index ID is invalid. Contact to support@quillmere.example\nfor the solution.");
  EXPECT_EQ(converter.convert(0x10D5D),
            "Data type conversion error. Please contact support@quillmere.example\nfor the solution.");
  EXPECT_EQ(converter.convert(0x10C65), converter.convert(0x10D1E));
  int with_address = 0;
  for (const tk_error_message& m : tk_oledb_messages) with_address += std::strstr(m.text, tk_support_address) != nullptr;
  EXPECT_EQ(with_address, 8);
  for (std::size_t i = 1; i < tk_oledb_message_count; ++i) EXPECT_LT(tk_oledb_messages[i - 1].code, tk_oledb_messages[i].code);
}

}  // namespace
