#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/win32_regfile.h"

namespace {

constexpr const char* product_key = "Software\\Harnwick\\Quillmere";
constexpr win32::hkey user = win32::hkey_current_user;

unsigned mode_of(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

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

  win32::hkey create(const char* sub_key = product_key, std::uint32_t* disposition = nullptr,
                     win32::hkey parent = user) {
    win32::hkey key = 0;
    EXPECT_EQ(win32::reg_create_key(parent, sub_key, &key, disposition), 0) << win32::reg_error_detail();
    keys_.push_back(key);
    return key;
  }

  std::string file_text() const {
    std::stringstream text;
    text << std::ifstream(file_).rdbuf();
    return text.str();
  }

  void set_string(win32::hkey key, const char* name, const std::string& text) {
    ASSERT_EQ(win32::reg_set_value(key, name, win32::reg_sz, text.c_str(), text.size() + 1), 0);
  }

  std::string home_, file_;
  std::vector<win32::hkey> keys_;
};

TEST_F(RegistryTest, CreatesTheKeyAndItsSubKeysInAPrivateSettingsFile) {
  std::uint32_t disposition = 0;
  win32::hkey key = create(product_key, &disposition);
  EXPECT_EQ(disposition, win32::reg_created_new_key);
  EXPECT_EQ(win32::reg_file_path(key), file_);
  EXPECT_EQ(mode_of(file_), 0600u);
  EXPECT_EQ(mode_of(home_ + "/config/Harnwick"), 0700u);
  EXPECT_EQ(file_text(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere]\n");

  win32::hkey child = create("Recent\\Files", &disposition, key);
  EXPECT_EQ(disposition, win32::reg_created_new_key);
  create("SOFTWARE\\Harnwick\\Quillmere\\RECENT\\files", &disposition);  // names in the file ignore case
  EXPECT_EQ(disposition, win32::reg_opened_existing_key);
  set_string(key, "name", "parent");
  set_string(child, "name", "child");
  char data[16];
  std::uint32_t size = sizeof data;
  ASSERT_EQ(win32::reg_query_value(key, "name", nullptr, data, &size), 0);
  EXPECT_STREQ(data, "parent");
  EXPECT_NE(file_text().find("[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere\\Recent\\Files]"),
            std::string::npos);
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
  for (const char* line : {"\"format\"=dword:deadbeef\n", "\"dest\"=\"C:\\\\data\\\\\\\"north\\\".mdb\"\n",
                           "\"pswd\"=\"\"\n", "\"blob\"=hex:0a,ff,00\n", "\"nothing\"=hex(1):\n",
                           "@=hex(2):25,48,4f,4d,45,25,00\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
  }

  win32::reg_close_key(key);
  keys_.clear();
  win32::hkey again = 0;
  ASSERT_EQ(win32::reg_open_key(user, product_key, &again), 0);
  keys_.push_back(again);
  struct {
    const char* name;
    std::uint32_t type;
    std::string data;
  } values[] = {
      {"format", win32::reg_dword, std::string("\xEF\xBE\xAD\xDE", 4)},
      {"dest", win32::reg_sz, std::string("C:\\data\\\"north\".mdb\0", 20)},
      {"pswd", win32::reg_sz, std::string("\0", 1)},
      {"note", win32::reg_sz, std::string("two\nlines\0", 10)},
      {"blob", win32::reg_binary, std::string("\x0A\xFF\0", 3)},
      {"nothing", win32::reg_sz, std::string()},
      {nullptr, win32::reg_expand_sz, std::string("%HOME%\0", 7)},
      {"format_name", win32::reg_sz, std::string("überall\0", 9)},
  };
  for (const auto& v : values) {
    std::uint32_t type = 0;
    char data[64] = {};
    std::uint32_t size = sizeof data;
    const char* shown = v.name ? v.name : "@";
    ASSERT_EQ(win32::reg_query_value(again, v.name, &type, data, &size), 0) << shown;
    EXPECT_EQ(type, v.type) << shown;
    EXPECT_EQ(std::string(data, size), v.data) << shown;
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
  EXPECT_EQ(win32::reg_open_key(user, "Software\\Harnwick\\Other", &missing), ENOENT);
  EXPECT_EQ(win32::reg_query_value(12345, "host", nullptr, nullptr, &size), EINVAL);
}

TEST_F(RegistryTest, RefusesKeysOutsideTheSettingsFolderAndNamesThatWouldBreakTheFile) {
  win32::hkey key = create(), child = 0;
  struct {
    win32::hkey parent;
    const char* sub_key;
    long status;
  } refused[] = {
      {user, "Software", EACCES},          {user, "Environment\\A\\B", EACCES}, {user, "Software\\..\\x\\y", EINVAL},
      {user, "Software\\a/b\\c", EINVAL}, {user, "Software\\\\c", EINVAL},       {777, "x", EINVAL},
      {key, "two\nlines", EINVAL},
  };
  for (const auto& r : refused) EXPECT_EQ(win32::reg_create_key(r.parent, r.sub_key, &child, nullptr), r.status) << r.sub_key;
  for (const char* name : {"bad\nname", "tab\there"}) EXPECT_EQ(win32::reg_set_value(key, name, win32::reg_sz, "x", 2), EINVAL);
  set_string(key, "still", "readable");  // the file was not damaged
  child = create("Recent]", nullptr, key);  // other characters are kept
  set_string(child, "odd \"name\" [x]", "kept");
  char data[16];
  std::uint32_t size = sizeof data;
  ASSERT_EQ(win32::reg_query_value(child, "odd \"name\" [x]", nullptr, data, &size), 0) << win32::reg_error_detail();
  EXPECT_STREQ(data, "kept");
}

// Each rewrite goes through a temporary file renamed over the old one, made
// 0600 even where the old file was looser.
TEST_F(RegistryTest, RewritesAreAtomicAndPrivate) {
  win32::hkey key = create();
  ::chmod(file_.c_str(), 0644);
  for (int i = 0; i < 20; ++i) set_string(key, "dest", std::to_string(i));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(home_ + "/config/Harnwick")) {
    names.push_back(entry.path().filename());
  }
  EXPECT_EQ(names, std::vector<std::string>{"Quillmere.reg"});
  EXPECT_EQ(mode_of(file_), 0600u);
}

TEST_F(RegistryTest, DamagedFileGivesAClearErrorAndStaysAsItWas) {
  create();
  const std::string damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Harnwick\\Quillmere]\n\"format\"=dword:xyz\n";
  std::ofstream(file_) << damaged;
  win32::hkey key = 0;
  EXPECT_EQ(win32::reg_create_key(user, product_key, &key, nullptr), EBADMSG);
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
  const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("HOME", home_.c_str(), 1);
  win32::hkey key = create();
  EXPECT_EQ(win32::reg_file_path(key), home_ + "/.config/Harnwick/Quillmere.reg");
  ::setenv("HOME", saved_home.c_str(), 1);
}

TEST(RegFile, NamesTheLineOfEachDamage) {
  struct {
    const char *text, *expected;  // what the error begins with
  } rows[] = {
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
  for (const auto& r : rows) {
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
