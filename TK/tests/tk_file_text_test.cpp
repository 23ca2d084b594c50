#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <regex>

#include "TK/tests/tk_test_files.h"
#include "TK/tk_exception.h"
#include "TK/tk_file.h"
#include "TK/tk_system.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {

std::string current_directory() {
  std::string path;
  EXPECT_TRUE(win32::get_current_directory(path));
  return path;
}

TEST(TkFile, TestsFilesAndFoldersWithoutMovingTheCurrentDirectory) {
  tk_test_folder folder;
  const std::string file = folder.path + "/north.mdb", before = current_directory();
  std::ofstream(file) << "x";
  EXPECT_TRUE(tk_is_file_exist(file));
  EXPECT_TRUE(tk_is_file_exist(file, 1));
  EXPECT_FALSE(tk_is_file_exist(folder.path));
  EXPECT_TRUE(tk_is_path_exist(folder.path));
  EXPECT_FALSE(tk_is_path_exist(file));
  EXPECT_EQ(current_directory(), before);

  EXPECT_TRUE(tk_delete_file(file));
  EXPECT_FALSE(tk_delete_file(file));
  EXPECT_EQ(tk_exception_ex().code(), ENOENT);
  const std::string empty_folder = folder.path + "/empty";
  ASSERT_EQ(::mkdir(empty_folder.c_str(), 0700), 0);
  EXPECT_FALSE(tk_delete_file(empty_folder));  // a folder is not a file
  EXPECT_TRUE(tk_is_path_exist(empty_folder));
}

TEST(TkFile, AnEmptyPathMeansTheProgramFolder) {
  tk_path_parts own = tk_split_path("");
  EXPECT_EQ(own.drive + own.name, "");
  EXPECT_EQ(own.dir, tk_get_module_dir());
  EXPECT_EQ(own.dir + "quill_tk_tests" + own.ext, tk_get_module_path());
  EXPECT_EQ(tk_split_path("/data/../home/ann/north.mdb").dir, "/home/ann/");

  const std::string before = current_directory();
  {
    tk_dir_scope scope;
    EXPECT_TRUE(scope.ok());
    EXPECT_EQ(current_directory() + "/", tk_get_module_dir());
  }
  EXPECT_EQ(current_directory(), before);
}

TEST(TkText, TrimsOnlyBlanks) {
  struct {
    const char *text, *left, *right, *both;
  } rows[] = {
      {"  a b  ", "a b  ", "  a b", "a b"}, {"", "", "", ""}, {"   ", "", "", ""}, {"\ta\t", "\ta\t", "\ta\t", "\ta\t"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(tk_trim_left(r.text), r.left);
    EXPECT_EQ(tk_trim_right(r.text), r.right);
    EXPECT_EQ(tk_trim(r.text), r.both);
  }
}

TEST(TkText, WritesBytesAsUpperCaseHex) {
  const unsigned char bytes[] = {0x0A, 0xFF, 0x00, 0x7B};
  char out[9];
  tk_hex_of_bytes(2, bytes, out);
  EXPECT_STREQ(out, "0AFF");
  EXPECT_EQ(tk_hex_string(4, bytes), "0AFF007B");
  EXPECT_EQ(tk_hex_string(0, nullptr), "");
  EXPECT_THROW(tk_hex_of_bytes(2, bytes, nullptr), tk_mail_assertion);
}

TEST(TkText, ConvertsWideAndRefusesInvalidText) {
  EXPECT_EQ(tk_to_wide("Stra\xC3\x9F" "e"), u"Stra\u00DFe");
  EXPECT_EQ(tk_to_narrow(u"Stra\u00DFe"), "Stra\xC3\x9F" "e");
  try {
    tk_to_wide("bad \xC3");
    FAIL() << "invalid text was accepted";
  } catch (const tk_exception_ex& error) {
    EXPECT_EQ(error.code(), EILSEQ);
    EXPECT_EQ(error.level(), 1);
  }
  EXPECT_THROW(tk_to_narrow(std::u16string(1, char16_t(0xD800))), tk_exception_ex);
}

TEST(TkSystem, ReportsWhatThisPlatformLacksWithItsTraceLines) {
  if (tk_trace_sink::active()) GTEST_SKIP() << "QUILL_TRACE installed a sink";
  tk_test_folder folder;
  const std::string trace_file = folder.path + "/trace.txt";
  {
    tk_trace_sink sink(trace_file, 2, true, false);
    EXPECT_EQ(tk_get_dll_version("libquill-missing.so"), 0u);
    EXPECT_EQ(tk_get_dll_version("libc.so.6"), 0u);  // loads, but has no DllGetVersion
    EXPECT_FALSE(tk_copy_to_clipboard("text"));
    EXPECT_FALSE(tk_send_bug_report("quillwiz", "body"));
  }
  EXPECT_EQ(tk_test_read(trace_file),
            "get_dll_version failed to load DLL\r\n"
            "get_dll_version failed to obtain DllGetVersion\r\n"
            "The clipboard is not available on this system\r\n"
            "Failed to locate MAPI32.DLL\r\n");
}

TEST(TkSystem, BugReportNamesSubjectDateAndRecipient) {
  tk_bug_report report = tk_make_bug_report("quillwiz 2.1", "Internal error: \ncode=615c31");
  EXPECT_EQ(report.subject, "Bug report on quillwiz 2.1");
  EXPECT_EQ(report.body, "Internal error: \ncode=615c31");
  EXPECT_EQ(report.recipient, "Harnwick");
  EXPECT_EQ(report.address, "support@quillmere.example");
  EXPECT_TRUE(std::regex_match(report.date, std::regex(R"(\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{1,2})")))
      << report.date;
  EXPECT_EQ(tk_bug_report_mailto(report),
            "mailto:support@quillmere.example?subject=Bug%20report%20on%20quillwiz%202.1"
            "&body=Internal%20error%3A%20%0Acode%3D615c31");
}

}  // namespace
