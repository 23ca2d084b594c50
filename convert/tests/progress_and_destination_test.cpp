// The wizard's progress percentage and the destination check.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_exception.h"
#include "convert/conversion_progress.h"
#include "convert/destination_check.h"

namespace {

namespace fs = std::filesystem;

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
    udb_converter settings;
    settings.set_table_count(c.tables), settings.set_current_table_index(c.index);
    settings.set_records_in_table(c.records), settings.set_current_record(c.record);
    EXPECT_EQ(conversion_percentage(settings), c.percent);
  }
}

// Sets or clears the immutable attribute, which keeps even root from
// writing a file; false where the file system has none.
bool set_immutable(const fs::path& file, bool on) {
  int fd = open(file.c_str(), O_RDONLY), flags = 0;
  bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

// The refusal's text, empty when `dest` may be written.
std::string refusal(const std::string& dest) {
  try {
    validate_destination(dest);
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.level(), tk_level_abort);
    return e.message();
  }
  return "";
}

TEST(DestinationCheck, RefusesFoldersReadOnlyFilesMissingFoldersAndNamelessPaths) {
  const fs::path dir = fs::temp_directory_path() / ("quill_dest_" + std::to_string(getpid())), ro = dir / "ro.mdb";
  fs::create_directories(dir);
  std::ofstream(dir / "old.mdb") << "x";
  std::ofstream(ro) << "x";
  fs::permissions(ro, fs::perms::owner_read);
  const bool ro_checkable = access(ro.c_str(), W_OK) != 0 || set_immutable(ro, true);
  struct {
    std::string dest, refusal;
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
  // Root may write it unless the file system can make it immutable.
  if (ro_checkable) {
    EXPECT_EQ(refusal(ro.string()), destination_msg_read_only);
  }
  set_immutable(ro, false);
  fs::permissions(ro, fs::perms::owner_all);
  fs::remove_all(dir);
}

}  // namespace
