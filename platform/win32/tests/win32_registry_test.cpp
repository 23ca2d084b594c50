#include "platform/win32/win32_registry.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/win32/win32_regfile.h"

namespace {

constexpr const char* product_key = "Software\\Harnwick\\Quillmere";

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quill-reg-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    home_ = pattern;
    ::setenv("XDG_CONFIG_HOME", (home_ + "/config").c_str(), 1);
    file_ = home_ + "/config/Harnwick/Quillmere.reg";
  }
  void TearDown() override {
    for (win32::hkey key : keys_) win32::reg_close_key(key);
    std::system(("rm -rf " + home_).c_str());
  }

  win32::hkey create(const char* sub_key = product_key, std::uint32_t* disposition = nullptr) {
    win32::hkey key = 0;
    EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, sub_key, &key, disposition), 0)
        << win32::reg_error_detail();
    keys_.push_back(key);
    return key;
  }

  std::string file_text() const {
    std::ifstream in(file_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  void set_string(win32::hkey key, const char* name, const std::string& text) {
    ASSERT_EQ(win32::reg_set_value(key, name, win32::reg_sz, text.c_str(), text.size() + 1), 0);
  }

  std::string home_;
  std::string file_;
  std::vector<win32::hkey> keys_;
};

TEST_F(RegistryTest, CreatesTheKeyInAPrivateSettingsFile) {
  std::uint32_t disposition = 0;
  win32::hkey key = create(product_key, &disposition);
  EXPECT_EQ(disposition, win32::reg_created_new_key);
  EXPECT_EQ(win32::reg_file_path(key), file_);
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((home_ + "/config/Harnwick").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(file_text(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere]\n");

  create("Software\\Harnwick\\Quillmere\\Recent", &disposition);
  EXPECT_EQ(disposition, win32::reg_created_new_key);
  create("SOFTWARE\\Harnwick\\Quillmere\\RECENT", &disposition);  // names in the file ignore case
  EXPECT_EQ(disposition, win32::reg_opened_existing_key);
}

TEST_F(RegistryTest, RoundTripsTypedValues) {
  win32::hkey key = create();
  std::uint32_t number = 0xDEADBEEF;
  ASSERT_EQ(win32::reg_set_value(key, "format", win32::reg_dword, &number, 4), 0);
  set_string(key, "dest", "C:\\data\\\"north\".mdb");
  set_string(key, "pswd", "");
  set_string(key, "note", "two\nlines");
  const unsigned char blob[] = {0x0A, 0xFF, 0x00};
  ASSERT_EQ(win32::reg_set_value(key, "blob", win32::reg_binary, blob, 3), 0);
  ASSERT_EQ(win32::reg_set_value(key, "nothing", win32::reg_sz, nullptr, 0), 0);
  ASSERT_EQ(win32::reg_set_value(key, nullptr, win32::reg_expand_sz, "%HOME%", 7), 0);
  set_string(key, "FORMAT_NAME", "überall");

  const std::string text = file_text();
  EXPECT_NE(text.find("\"format\"=dword:deadbeef\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"dest\"=\"C:\\\\data\\\\\\\"north\\\".mdb\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"pswd\"=\"\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"blob\"=hex:0a,ff,00\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"nothing\"=hex(1):\n"), std::string::npos) << text;
  EXPECT_NE(text.find("@=hex(2):25,48,4f,4d,45,25,00\n"), std::string::npos) << text;

  win32::reg_close_key(key);
  keys_.clear();
  win32::hkey again = 0;
  ASSERT_EQ(win32::reg_open_key(win32::hkey_current_user, product_key, &again), 0);
  keys_.push_back(again);
  struct expected_value {
    const char* name;
    std::uint32_t type;
    std::string data;
  };
  const expected_value values[] = {
      {"format", win32::reg_dword, std::string("\xEF\xBE\xAD\xDE", 4)},
      {"dest", win32::reg_sz, std::string("C:\\data\\\"north\".mdb\0", 20)},
      {"pswd", win32::reg_sz, std::string("\0", 1)},
      {"note", win32::reg_sz, std::string("two\nlines\0", 10)},
      {"blob", win32::reg_binary, std::string("\x0A\xFF\0", 3)},
      {"nothing", win32::reg_sz, std::string()},
      {nullptr, win32::reg_expand_sz, std::string("%HOME%\0", 7)},
      {"format_name", win32::reg_sz, std::string("überall\0", 9)},
  };
  for (const expected_value& v : values) {
    std::uint32_t type = 0;
    char data[64] = {};
    std::uint32_t size = sizeof data;
    ASSERT_EQ(win32::reg_query_value(again, v.name, &type, data, &size), 0) << (v.name ? v.name : "@");
    EXPECT_EQ(type, v.type) << (v.name ? v.name : "@");
    EXPECT_EQ(std::string(data, size), v.data) << (v.name ? v.name : "@");
  }
}

TEST_F(RegistryTest, ReportsSizesAndMissingValues) {
  win32::hkey key = create();
  set_string(key, "host", "server01");
  std::uint32_t size = 0;
  EXPECT_EQ(win32::reg_query_value(key, "host", nullptr, nullptr, &size), 0);
  EXPECT_EQ(size, 9u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(win32::reg_query_value(key, "host", nullptr, small, &size), ERANGE);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(win32::reg_query_value(key, "user", nullptr, nullptr, &size), ENOENT);
  EXPECT_NE(win32::reg_error_detail().find("user"), std::string::npos);
  EXPECT_EQ(win32::reg_delete_value(key, "host"), 0);
  EXPECT_EQ(win32::reg_query_value(key, "host", nullptr, nullptr, &size), ENOENT);

  win32::hkey missing = 0;
  EXPECT_EQ(win32::reg_open_key(win32::hkey_current_user, "Software\\Harnwick\\Other", &missing), ENOENT);
  EXPECT_EQ(win32::reg_query_value(12345, "host", nullptr, nullptr, &size), EINVAL);
}

TEST_F(RegistryTest, KeepsSubKeysApart) {
  win32::hkey key = create();
  win32::hkey child = 0;
  ASSERT_EQ(win32::reg_create_key(key, "Recent\\Files", &child, nullptr), 0);
  keys_.push_back(child);
  set_string(key, "name", "parent");
  set_string(child, "name", "child");
  char data[16];
  std::uint32_t size = sizeof data;
  ASSERT_EQ(win32::reg_query_value(key, "name", nullptr, data, &size), 0);
  EXPECT_STREQ(data, "parent");
  EXPECT_NE(file_text().find("[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere\\Recent\\Files]"),
            std::string::npos);
}

TEST_F(RegistryTest, RefusesKeysOutsideTheSettingsFolder) {
  win32::hkey key = 0;
  EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, "Software", &key, nullptr), EACCES);
  EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, "Environment\\A\\B", &key, nullptr), EACCES);
  EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, "Software\\..\\x\\y", &key, nullptr), EINVAL);
  EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, "Software\\a/b\\c", &key, nullptr), EINVAL);
  EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, "Software\\\\c", &key, nullptr), EINVAL);
  EXPECT_EQ(win32::reg_create_key(777, "x", &key, nullptr), EINVAL);
}

TEST_F(RegistryTest, NamesThatWouldBreakTheFileAreRefused) {
  win32::hkey key = create();
  win32::hkey child = 0;
  EXPECT_EQ(win32::reg_create_key(key, "two\nlines", &child, nullptr), EINVAL);
  EXPECT_EQ(win32::reg_set_value(key, "bad\nname", win32::reg_sz, "x", 2), EINVAL);
  EXPECT_EQ(win32::reg_set_value(key, "tab\there", win32::reg_sz, "x", 2), EINVAL);
  set_string(key, "still", "readable");  // the file was not damaged
  ASSERT_EQ(win32::reg_create_key(key, "Recent]", &child, nullptr), 0);  // other characters are kept
  keys_.push_back(child);
  set_string(child, "odd \"name\" [x]", "kept");
  char data[16];
  std::uint32_t size = sizeof data;
  ASSERT_EQ(win32::reg_query_value(child, "odd \"name\" [x]", nullptr, data, &size), 0)
      << win32::reg_error_detail();
  EXPECT_STREQ(data, "kept");
}

TEST_F(RegistryTest, AtomicWritesLeaveOnlyTheSettingsFile) {
  win32::hkey key = create();
  for (int i = 0; i < 20; ++i) set_string(key, "dest", std::to_string(i));
  DIR* folder = ::opendir((home_ + "/config/Harnwick").c_str());
  ASSERT_NE(folder, nullptr);
  std::vector<std::string> names;
  while (dirent* entry = ::readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
  }
  ::closedir(folder);
  EXPECT_EQ(names, std::vector<std::string>{"Quillmere.reg"});
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, RewritingTightensLoosePermissions) {
  win32::hkey key = create();
  ::chmod(file_.c_str(), 0644);
  set_string(key, "pswd", "secret");
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, DamagedFileGivesAClearErrorAndStaysAsItWas) {
  create();
  const std::string damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere]\n\"format\"=dword:xyz\n";
  std::ofstream(file_) << damaged;
  win32::hkey key = 0;
  EXPECT_EQ(win32::reg_create_key(win32::hkey_current_user, product_key, &key, nullptr), EBADMSG);
  const std::string detail = win32::reg_error_detail();
  EXPECT_NE(detail.find(file_), std::string::npos) << detail;
  EXPECT_NE(detail.find("line 4"), std::string::npos) << detail;
  std::uint32_t size = 0;
  EXPECT_EQ(win32::reg_query_value(keys_[0], "format", nullptr, nullptr, &size), EBADMSG);
  EXPECT_EQ(win32::reg_set_value(keys_[0], "host", win32::reg_sz, "x", 2), EBADMSG);
  EXPECT_EQ(file_text(), damaged);
}

TEST_F(RegistryTest, FallsBackToDotConfigInHome) {
  ::unsetenv("XDG_CONFIG_HOME");
  const char* saved = std::getenv("HOME");
  std::string saved_home = saved ? saved : "";
  ::setenv("HOME", home_.c_str(), 1);
  win32::hkey key = create();
  EXPECT_EQ(win32::reg_file_path(key), home_ + "/.config/Harnwick/Quillmere.reg");
  ::setenv("HOME", saved_home.c_str(), 1);
}

TEST(RegFile, NamesTheLineOfEachDamage) {
  struct row {
    const char* text;
    const char* expected;  // what the error begins with
  };
  const row rows[] = {
      {"", "line 1: the file does not begin with REGEDIT4"},
      {"REGEDIT5\n", "line 1: the file does not begin with REGEDIT4"},
      {"REGEDIT4\n\"a\"=\"b\"\n", "line 2: a value stands before any [key]"},
      {"REGEDIT4\n[K]\n\"a\"=\"b\n", "line 3: a quoted text has no closing quote"},
      {"REGEDIT4\n[K]\n\"a\"=\"b\\n\"\n", "line 3: only \\\\ and \\\" may follow"},
      {"REGEDIT4\n[K]\n\"a\"=\"b\" x\n", "line 3: unexpected text after a quoted value"},
      {"REGEDIT4\n[K]\n\"a\"=dword:123456789\n", "line 3: a dword value needs 1 to 8 hex digits"},
      {"REGEDIT4\n[K]\n\"a\"=hex:1,2\n", "line 3: a hex list needs two hex digits"},
      {"REGEDIT4\n[K]\n\"a\"=hex:01,\n", "line 3: a hex list ends with a comma"},
      {"REGEDIT4\n[K]\n\"a\"=hex(zz):01\n", "line 3: hex(<type>) needs"},
      {"REGEDIT4\n[K]\n\"a\"=-\n", "line 3: deleting values is not supported"},
      {"REGEDIT4\n[-K]\n", "line 2: deleting keys is not supported"},
      {"REGEDIT4\n[K\n", "line 2: a key line must be [name]"},
      {"REGEDIT4\n[K]\n\"a\" \"b\"\n", "line 3: a value name must be followed by '='"},
      {"REGEDIT4\n[K]\nrubbish\n", "line 3: a line must be"},
      {"REGEDIT4\n[K]\n\"a\"=hex:01,\\\n  02,\\\n  zz\n\"b\"=x\n", "line 3: a hex list needs"},
      {"REGEDIT4\n[K]\n\"a\"=hex:01,\\\n  02\n\"b\"=x\n", "line 5: a value must be"},
  };
  for (const row& r : rows) {
    win32::reg_document document;
    std::string error;
    EXPECT_FALSE(win32::parse_reg_text(r.text, document, error)) << r.text;
    EXPECT_EQ(error.rfind(r.expected, 0), 0u) << r.text << " gave: " << error;
  }
}

TEST(RegFile, ReadsWhatRegeditWrites) {
  const char* text =
      "\xEF\xBB\xBFREGEDIT4\r\n"
      "; a comment\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\V\\P]\r\n"
      "\"n\"=dword:1\r\n"
      "\"b\"=hex:01,02,\\\r\n"
      "  03\r\n"
      "@=\"unnamed\"\r\n"
      "\"N\"=dword:00000002\r\n";  // a later line of the same name wins
  win32::reg_document document;
  std::string error;
  ASSERT_TRUE(win32::parse_reg_text(text, document, error)) << error;
  ASSERT_EQ(document.sections.size(), 1u);
  const auto& values = document.sections[0].values;
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0].data, (std::vector<unsigned char>{2, 0, 0, 0}));
  EXPECT_EQ(values[1].data, (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_EQ(values[2].name, "");

  std::string formatted = win32::format_reg_text(document);
  win32::reg_document again;
  ASSERT_TRUE(win32::parse_reg_text(formatted, again, error)) << error;
  EXPECT_EQ(win32::format_reg_text(again), formatted);
}

}  // namespace
