#include "TK/tk_reg_key.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "TK/tests/tk_test_files.h"
#include "TK/tk_exception.h"

namespace {

constexpr const char* product_key = "Software\\Harnwick\\Quillmere";

class RegKeyTest : public testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_HOME", home_.path.c_str(), 1);
    ASSERT_EQ(key_.create(win32::hkey_current_user, product_key), 0) << key_.error_text();
  }
  tk_test_folder home_;
  tk_reg_key key_;
};

TEST_F(RegKeyTest, SerializesNumbersFlagsAndTextsBothWays) {
  std::int32_t format = -1, format_back = 0;
  bool sec_log = false, sec_log_back = true;
  std::string dest = "C:\\a \"b\"\\north.mdb", dest_back;
  std::string pswd, pswd_back = "was set";  // an empty password
  EXPECT_TRUE(key_.serialize("format", format, true));
  EXPECT_TRUE(key_.serialize("sec_log", sec_log, true));
  EXPECT_TRUE(key_.serialize("dest", dest, true));
  EXPECT_TRUE(key_.serialize("pswd", pswd, true));
  EXPECT_TRUE(key_.serialize("format", format_back, false));
  EXPECT_TRUE(key_.serialize("sec_log", sec_log_back, false));
  EXPECT_TRUE(key_.serialize("dest", dest_back, false));
  EXPECT_TRUE(key_.serialize("pswd", pswd_back, false));
  EXPECT_EQ(format_back, -1);
  EXPECT_FALSE(sec_log_back);
  EXPECT_EQ(dest_back, dest);
  EXPECT_EQ(pswd_back, "");  // a stored empty text empties the field
}

TEST_F(RegKeyTest, FlagSevenLoadsTrueAndSavesOne) {
  ASSERT_EQ(key_.set_value(7u, "sec_log"), 0);
  bool flag = false;
  EXPECT_TRUE(key_.serialize("sec_log", flag, false));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(key_.serialize("sec_log", flag, true));
  std::uint32_t stored = 0;
  ASSERT_EQ(key_.query_value(stored, "sec_log"), 0);
  EXPECT_EQ(stored, 1u);
}

TEST_F(RegKeyTest, MissingOrEmptyValuesOrNoKeyLeaveTheFieldUnchanged) {
  std::string host = "kept";
  std::int32_t format = 1;
  bool skip = true;
  EXPECT_FALSE(key_.serialize("host", host, false));
  EXPECT_FALSE(key_.serialize("format", format, false));
  EXPECT_FALSE(key_.serialize("skip_idx", skip, false));
  ASSERT_EQ(win32::reg_set_value(key_.handle(), "host", win32::reg_sz, nullptr, 0), 0);  // size 0
  EXPECT_FALSE(key_.serialize("host", host, false));
  EXPECT_EQ(host, "kept");
  EXPECT_EQ(format, 1);
  EXPECT_TRUE(skip);
  EXPECT_NE(key_.error_text().find("skip_idx"), std::string::npos);

  key_.close();
  EXPECT_FALSE(key_.serialize("dest", host, false));
  EXPECT_FALSE(key_.serialize("dest", host, true));
  EXPECT_FALSE(key_.serialize("tab_def", skip, true));
  EXPECT_EQ(host, "kept");
  EXPECT_THROW(key_.set_value(1u, "x"), tk_mail_assertion);
  EXPECT_THROW(key_.set_value("x", "x"), tk_mail_assertion);
  EXPECT_THROW(key_.create(0, product_key), tk_mail_assertion);
}

TEST_F(RegKeyTest, WrongTypesAreAssertionFailures) {
  const unsigned char bytes[] = {1, 2};
  ASSERT_EQ(win32::reg_set_value(key_.handle(), "blob", win32::reg_binary, bytes, 2), 0);
  ASSERT_EQ(win32::reg_set_value(key_.handle(), "short", win32::reg_dword, bytes, 2), 0);
  ASSERT_EQ(key_.set_value("text", "name"), 0);
  std::string text;
  std::int32_t number = 0;
  EXPECT_THROW(key_.serialize("blob", text, false), tk_mail_assertion);
  EXPECT_THROW(key_.serialize("blob", number, false), tk_mail_assertion);
  EXPECT_THROW(key_.serialize("short", number, false), tk_mail_assertion);
  EXPECT_THROW(key_.serialize("name", number, false), tk_mail_assertion);
  EXPECT_THROW(key_.query_value(nullptr, "name", nullptr), tk_mail_assertion);
  ASSERT_EQ(win32::reg_set_value(key_.handle(), "expand", win32::reg_expand_sz, "x", 2), 0);
  EXPECT_TRUE(key_.serialize("expand", text, false));
  EXPECT_EQ(text, "x");
}

TEST_F(RegKeyTest, DamagedSettingsFileFailsTheOpenWithItsReason) {
  key_.close();
  std::ofstream(home_.path + "/Harnwick/Quillmere.reg")
      << "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere]\n\"dest\"=\"open\n";
  EXPECT_EQ(key_.create(win32::hkey_current_user, product_key), EBADMSG);
  EXPECT_FALSE(key_.is_open());
  EXPECT_NE(key_.error_text().find("line 3: a quoted text has no closing quote"), std::string::npos)
      << key_.error_text();
}

}  // namespace
