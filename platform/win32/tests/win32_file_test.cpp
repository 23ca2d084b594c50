#include "platform/win32/win32_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace {

std::string cwd() {
  std::string path;
  EXPECT_TRUE(win32::get_current_directory(path));
  return path;
}

TEST(SplitPath, GivesFolderNameAndExtension) {
  struct {
    const char *path, *dir, *name, *ext;
  } rows[] = {
      {"/home/ann/north.mdb", "/home/ann/", "north", ".mdb"},
      {"/home/ann/archive.tar.gz", "/home/ann/", "archive.tar", ".gz"},
      {"/usr/bin/QUILLAGENT", "/usr/bin/", "QUILLAGENT", ""},
      {"north.mdb", "", "north", ".mdb"},
      {"/home/ann/", "/home/ann/", "", ""},
      {"/home/ann/.profile", "/home/ann/", ".profile", ""},
      {"/home/ann/name.", "/home/ann/", "name", "."},
      {"/a.b/c", "/a.b/", "c", ""},
      {"", "", "", ""},
  };
  for (const auto& r : rows) {
    win32::path_parts parts = win32::split_path(r.path);
    EXPECT_EQ(parts.drive, "") << r.path;
    EXPECT_EQ(parts.dir, r.dir) << r.path;
    EXPECT_EQ(parts.name, r.name) << r.path;
    EXPECT_EQ(parts.ext, r.ext) << r.path;
  }
}

TEST(FullPath, ResolvesDotsByText) {
  const std::string here = cwd() == "/" ? "" : cwd();
  struct {
    std::string path, full;
  } rows[] = {{"/a/b/../c/./d.mdb", "/a/c/d.mdb"}, {"//a///b", "/a/b"}, {"/..", "/"}, {"/a/b/", "/a/b/"},
              {"x.mdb", here + "/x.mdb"}};
  for (const auto& r : rows) {
    std::string full;
    ASSERT_TRUE(win32::get_full_path_name(r.path, full));
    EXPECT_EQ(full, r.full) << r.path;
  }
}

class FileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quill-win32-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    file_ = folder_ + "/f.txt";
    std::ofstream(file_) << "x";
  }
  void TearDown() override { std::system(("rm -rf " + folder_).c_str()); }
  std::string folder_, file_;
};

TEST_F(FileTest, OpensFilesButNotFolders) {
  EXPECT_TRUE(win32::can_open_file(file_, false));
  EXPECT_TRUE(win32::can_open_file(file_, true));
  EXPECT_FALSE(win32::can_open_file(folder_, false));
  EXPECT_FALSE(win32::can_open_file(folder_ + "/missing", false));
  std::string fifo = folder_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(win32::can_open_file(fifo, false));  // without waiting for a writer
  if (::geteuid() != 0) {  // root may write to any file
    ::chmod(file_.c_str(), 0400);
    EXPECT_TRUE(win32::can_open_file(file_, false));
    EXPECT_FALSE(win32::can_open_file(file_, true));
  }
}

TEST_F(FileTest, EntersFoldersOnlyWithoutSwitching) {
  const std::string before = cwd();
  EXPECT_TRUE(win32::can_enter_directory(folder_));
  EXPECT_FALSE(win32::can_enter_directory(file_));
  EXPECT_FALSE(win32::can_enter_directory(folder_ + "/missing"));
  if (::geteuid() != 0) {  // root enters any folder
    ::chmod(folder_.c_str(), 0600);
    EXPECT_FALSE(win32::can_enter_directory(folder_));
    ::chmod(folder_.c_str(), 0700);
  }
  EXPECT_EQ(cwd(), before);
}

TEST_F(FileTest, DirectoryScopeSwitchesAndRestores) {
  const std::string before = cwd();
  {
    win32::directory_scope scope(folder_);
    EXPECT_TRUE(scope.ok());
    EXPECT_EQ(cwd(), folder_);
  }
  EXPECT_EQ(cwd(), before);
  EXPECT_FALSE(win32::directory_scope(folder_ + "/missing").ok());
  EXPECT_EQ(cwd(), before);
}

TEST(ModulePath, NamesThisTestProgram) {
  std::string path;
  ASSERT_TRUE(win32::get_module_file_name(path));
  EXPECT_EQ(win32::split_path(path).name, "quill_win32_tests");
  EXPECT_EQ(path.front(), '/');
}

}  // namespace
