#include "UDB/udb_converter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

// The window thread reads the progress while the run's thread writes it:
// every name it reads must be one that was written, whole.
TEST(UdbConverter, ProgressReadFromAnotherThreadIsNeverTorn) {
  udb_converter converter;
  const std::string short_name = "Orders";
  const std::string long_name(300, 'x');  // beyond any small-string buffer
  std::atomic<bool> done{false};

  std::thread writer([&] {
    for (uint32_t i = 0; i < 20000; ++i) {
      converter.set_current_table(i % 2 ? long_name : short_name);
      converter.set_current_record(i);
      converter.set_records_in_table(i + 1);
    }
    done = true;
  });
  int reads = 0;
  while (!done || reads == 0) {
    std::string name = converter.current_table();
    ASSERT_TRUE(name.empty() || name == short_name || name == long_name) << name.size();
    ++reads;
  }
  writer.join();
  EXPECT_EQ(converter.current_record(), 19999u);
  EXPECT_EQ(converter.records_in_table(), 20000u);
}

}  // namespace
