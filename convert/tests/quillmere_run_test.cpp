// The driver as the programs hold it: quillmere_convertor's run with the
// sides of this build, with doubles, and on the wizard's worker thread.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "TK/tk_thread.h"
#include "convert/console_front_end.h"
#include "convert/conversion_run.h"
#include "convert/error_handler.h"
#include "convert/quillmere_convertor.h"
#include "convert/tests/doubles/memory_sides.h"

namespace {

class QuillmereRun : public testing::Test {
 protected:
  QuillmereRun() {
    driver.set_src("Shop");
    driver.set_dest("/out/shop.mdb");
    driver.set_format(quillmere_format_access97);
  }
  std::ostringstream console;
  console_front_end front{console, console};
  error_handler handler{tk_oledb_message_count, tk_oledb_messages, front};
  quillmere_convertor driver{quillmere_front_end::agent};
};

TEST_F(QuillmereRun, WithoutTheDatabaseSidesTheRunSaysSoAndStops) {
  driver();
  EXPECT_EQ(console.str(), std::string("Error:\n") + conversion_msg_no_destination + "\n");
  EXPECT_TRUE(driver.finished());
  EXPECT_TRUE(driver.stopped());
  EXPECT_TRUE(handler.stopped());
  EXPECT_THROW(driver.get_all_tables(), tk_exception);
}

TEST_F(QuillmereRun, ConvertsThroughTheSidesItIsGiven) {
  auto sides = std::make_shared<memory_sides>();
  sides->source("Shop").add(memory_int_table("B", 2));
  sides->source("Shop").add(memory_int_table("A", 1));
  driver.set_sides(sides);
  EXPECT_EQ(driver.get_all_tables(), (std::vector<std::string>{"B", "A"}));
  driver();
  EXPECT_EQ(console.str(), "Converting database Shop (2 tables)\nConverting table B (2 records)\n"
                           "Converting table A (1 records)\n");
  EXPECT_EQ(sides->engine_formats, (std::vector<int>{conversion_format_access97}));
  EXPECT_EQ(sides->file("/out/shop.mdb").names(), (std::vector<std::string>{"B", "A"}));
  EXPECT_FALSE(driver.stopped());
  EXPECT_TRUE(driver.finished());
}

// Sides whose source opens only once the worker has been asked to stop, so
// that the stop request arrives before the first table.
class stopping_sides : public memory_sides {
 public:
  std::unique_ptr<udb_database> open_source(const std::string& name) override {
    opening = true;
    while (!tk_stop_requested()) std::this_thread::yield();
    return memory_sides::open_source(name);
  }
  std::atomic<bool> opening{false};
};

class driver_thread : public tk_thread {
 public:
  explicit driver_thread(quillmere_convertor& driver) : driver_(driver) {}
  ~driver_thread() override { stop(); }

 protected:
  void run() override { driver_(); }

 private:
  quillmere_convertor& driver_;
};

TEST_F(QuillmereRun, TheWorkersStopRequestEndsTheRunLikeAnAbort) {
  auto sides = std::make_shared<stopping_sides>();
  sides->source("Shop").add(memory_int_table("A", 1));
  driver.set_sides(sides);
  driver_thread worker(driver);
  ASSERT_TRUE(worker.start());
  while (!sides->opening) std::this_thread::yield();
  worker.terminate();
  EXPECT_EQ(console.str(),
            std::string("Converting database Shop (1 tables)\nError:\n") + conversion_msg_stopped + "\n");
  EXPECT_TRUE(driver.finished());
  EXPECT_TRUE(driver.stopped());
  EXPECT_EQ(driver.table_count(), 1u);
  EXPECT_EQ(sides->file("/out/shop.mdb").find("A"), nullptr);
}

}  // namespace
