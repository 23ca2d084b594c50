// The remembered settings of the wizard, in a per-user settings folder of
// each test's own.
#include "convert/quillmere_convertor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_reg_key.h"

namespace {

namespace fs = std::filesystem;

class QuillmereConvertorSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_xdg_ = old;
    fs::remove_all(config_);
    fs::create_directories(config_);
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  void TearDown() override {
    saved_xdg_.empty() ? ::unsetenv("XDG_CONFIG_HOME") : ::setenv("XDG_CONFIG_HOME", saved_xdg_.c_str(), 1);
    fs::remove_all(config_);
  }
  std::string settings_text() const {
    std::stringstream text;
    text << std::ifstream(settings_file).rdbuf();
    return text.str();
  }
  // Opens the settings key directly, as another program would.
  void open(tk_reg_key& key) { ASSERT_EQ(key.create(win32::hkey_current_user, "Software\\Harnwick\\Quillmere"), 0); }

  // Every setting on one line: texts, then format, sec_log, skip_idx, tab_def, mode and table count.
  static std::string fields(const quillmere_convertor& c) {
    std::ostringstream line;
    line << c.dest() << "|" << c.host() << "|" << c.user() << "|" << c.pswd() << "|" << c.src() << "|" << c.format()
         << c.sec_log() << c.skip_idx() << c.tab_def() << c.mode() << c.tables().size();
    return line.str();
  }

  fs::path config_ = fs::temp_directory_path() / ("quillmere_settings_" + std::to_string(::getpid()));
  fs::path settings_file = config_ / "Harnwick" / "Quillmere.reg";
  std::string saved_xdg_;
};

TEST_F(QuillmereConvertorSettings, EmptyKeyLoadsTheDefaultsAndSavingCreatesAllNinePrivately) {
  quillmere_convertor driver(quillmere_front_end::agent);
  driver.set_dest("kept"), driver.set_format(0), driver.set_sec_log(false);
  driver.set_skip_idx(true), driver.set_tab_def(true);
  EXPECT_FALSE(driver.serialize(false));  // every value is missing
  EXPECT_EQ(fields(driver), "kept|||||110000");  // texts have no default

  EXPECT_TRUE(driver.serialize(true));
  std::string text = settings_text();
  for (const char* name : {"dest", "format", "host", "pswd", "sec_log", "skip_idx", "src", "tab_def", "user"}) {
    EXPECT_NE(text.find('"' + std::string(name) + "\"="), std::string::npos) << name;
  }
  EXPECT_EQ(text.find("\"mode\""), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(settings_file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // it holds the password
}

TEST_F(QuillmereConvertorSettings, EveryFieldButModeAndTablesRoundTripsThroughTheWizardsLifetime) {
  struct {
    std::string dest, host, user, pswd, src;
    int32_t format;
    bool flags;  // sec_log; skip_idx and tab_def the opposite
    std::string loaded;
  } cases[] = {
      {"/home/ann/north.mdb", "db1", "sa", "secret", "Northwind", 0, false,
       "/home/ann/north.mdb|db1|sa|secret|Northwind|001100"},
      {"/tmp/\xC3\xA9t\xC3\xA9.mdb", "10.0.0.1,1433", "DOMAIN\\ann", "\"q\\u\note\"", "x y", 1, true,
       "/tmp/\xC3\xA9t\xC3\xA9.mdb|10.0.0.1,1433|DOMAIN\\ann|\"q\\u\note\"|x y|110000"},
      {"", "", "", "", "", 1, true, "|||||110000"},  // an empty password too
  };
  for (const auto& c : cases) {
    {
      quillmere_convertor wizard(quillmere_front_end::wizard);
      wizard.set_dest(c.dest), wizard.set_host(c.host), wizard.set_user(c.user);
      wizard.set_pswd(c.pswd), wizard.set_src(c.src), wizard.set_format(c.format);
      wizard.set_sec_log(c.flags), wizard.set_skip_idx(!c.flags), wizard.set_tab_def(!c.flags);
      wizard.set_mode(udb_mode_merge), wizard.set_tables({"Orders"});
    }  // saves
    EXPECT_EQ(fields(quillmere_convertor(quillmere_front_end::wizard)), c.loaded);
  }
}

TEST_F(QuillmereConvertorSettings, AnyNonZeroFlagLoadsAsTrueAndSavesAsOneAStoredEmptyTextEmpties) {
  tk_reg_key key;
  open(key);
  ASSERT_EQ(key.set_value(7u, "sec_log") | key.set_value(0xFFFFFFFFu, "tab_def") | key.set_value("", "pswd"), 0);
  key.close();
  quillmere_convertor driver(quillmere_front_end::agent);
  driver.set_pswd("stale");
  driver.serialize(false);
  EXPECT_TRUE(driver.sec_log() && driver.tab_def());
  EXPECT_EQ(driver.pswd(), "");
  EXPECT_TRUE(driver.serialize(true));
  open(key);
  for (const char* flag : {"sec_log", "tab_def"}) {
    uint32_t number = 0;
    ASSERT_EQ(key.query_value(number, flag), 0);
    EXPECT_EQ(number, 1u) << flag;
  }
}

TEST_F(QuillmereConvertorSettings, TheAgentNeitherLoadsNorSavesAndAWronglyTypedValueStopsOnlyALoad) {
  tk_reg_key key;
  open(key);
  ASSERT_EQ(key.set_value("saved", "src") | key.set_value("not a number", "format"), 0);
  key.close();
  std::string before = settings_text();
  {
    quillmere_convertor driver(quillmere_front_end::agent);
    EXPECT_EQ(driver.format(), quillmere_format_not_given);
    EXPECT_EQ(driver.src(), "");
    driver.set_src("changed");
    EXPECT_THROW(driver.serialize(false), tk_mail_assertion);
  }
  EXPECT_EQ(settings_text(), before);
  EXPECT_EQ(quillmere_convertor(quillmere_front_end::wizard).format(), quillmere_format_access2000);  // it starts
}

TEST_F(QuillmereConvertorSettings, AKeyThatCannotBeOpenedChangesNothing) {
  std::ofstream(config_ / "Harnwick") << "a file where the folder should be";
  quillmere_convertor driver(quillmere_front_end::agent);
  driver.set_format(0);
  driver.set_sec_log(false);
  EXPECT_FALSE(driver.serialize(false) || driver.serialize(true));
  EXPECT_EQ(driver.format(), 0);  // no default applied
  EXPECT_FALSE(driver.sec_log());
}

}  // namespace
