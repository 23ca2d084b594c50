// The wizard's progress percentage and the destination check.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "convert/conversion_progress.h"
#include "convert/destination_check.h"
#include "TK/tk_exception.h"

namespace {

// Sets or clears the immutable attribute, which keeps even root from
// writing a file.  Returns false where the file system has none.
bool set_immutable(const std::filesystem::path& file, bool on) {
  int fd = open(file.c_str(), O_RDONLY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

TEST(ConversionPercentage, TablesAndRecordsInTruncatingSteps) {
  struct {
    uint32_t tables, index, records, record, percent;
  } cases[] = {
      {2, 1, 200, 100, 75},
      {4, 1, 200, 50, 31},  // 25 + 50*100/200/4
      {0, 0, 0, 0, 0},
      {0, 3, 10, 5, 0},
      {3, 1, 0, 0, 33},  // an empty table adds nothing
      {3, 3, 0, 0, 100},
      {1, 0, 4000000000u, 3000000000u, 75},  // no wrap in large tables
      {1, 1, 10, 20, 100},                   // counters read a step apart
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tables << " " << c.index << " " << c.records << " " << c.record);
    EXPECT_EQ(conversion_percentage(c.tables, c.index, c.records, c.record), c.percent);
  }
  udb_converter settings;
  settings.set_table_count(4);
  settings.set_current_table_index(1);
  settings.set_records_in_table(200);
  settings.set_current_record(50);
  EXPECT_EQ(conversion_percentage(settings), 31u);
}

class DestinationCheck : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("quill_dest_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    set_immutable(dir / "ro.mdb", false);
    std::filesystem::permissions(dir / "ro.mdb", std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir, ignored);
  }
  std::string refusal(const std::string& dest) {
    try {
      validate_destination(dest);
    } catch (const tk_exception& e) {
      EXPECT_EQ(e.level(), tk_level_abort);
      return e.message();
    }
    return "";
  }
  std::filesystem::path dir;
};

TEST_F(DestinationCheck, RefusesFoldersMissingFoldersAndNamelessPaths) {
  std::ofstream(dir / "old.mdb") << "x";
  struct {
    std::string dest;
    std::string refusal;
  } cases[] = {
      {(dir / "new.mdb").string(), ""},
      {(dir / "old.mdb").string(), ""},  // what happens to it is the mode's business
      {dir.string(), destination_msg_folder},
      {dir.string() + "/", destination_msg_folder},
      {"", destination_msg_folder},
      {(dir / "missing" / "new.mdb").string(), destination_msg_no_path},
      {"quill_relative_new.mdb", ""},  // in the current folder
      {"quill_missing_folder/new.mdb", destination_msg_no_path},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dest);
    EXPECT_EQ(refusal(c.dest), c.refusal);
  }
}

TEST_F(DestinationCheck, RefusesAReadOnlyFile) {
  std::filesystem::path file = dir / "ro.mdb";
  std::ofstream(file) << "x";
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  if (access(file.c_str(), W_OK) == 0 && !set_immutable(file, true)) {
    GTEST_SKIP() << "this user may write read-only files here";
  }
  EXPECT_EQ(refusal(file.string()), destination_msg_read_only);
}

}  // namespace
