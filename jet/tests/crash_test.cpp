// A writer killed at random moments: by the crash-point hook (between any
// two writes, or tearing one) and by SIGKILL of a child process. Each
// resulting file is reopened (which replays the journal), checked by the
// structural checker, and must hold exactly the database as of the last
// commit the run reached (or the next one, when the kill came after the
// commit point but before commit() returned). JET_CRASH_POINTS sets how
// many points (default a few dozen; scripts/crash_test.sh runs 1000 and
// more), JET_CRASH_SEED the random seed.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <random>
#include <thread>
#include <sys/wait.h>

#include "crash_points.h"
#include "jet/check.h"
#include "journal.h"
#include "writer_checks.h"

namespace jet {
namespace {

using namespace testing;

std::size_t env_number(const char* name, std::size_t fallback) {
  const char* text = std::getenv(name);
  return text ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10)) : fallback;
}

TableSchema indexed_table(const std::string& name) {
  TableSchema s;
  s.name = name;
  s.columns = {column("Id", ColumnType::long_integer), column("Name", ColumnType::text, 60),
               column("Note", ColumnType::memo), column("Amount", ColumnType::double_)};
  s.columns[0].autonumber = true;
  s.indexes = {{"PrimaryKey", {{"Id", true}}, true, true, false, true},
               {"Name", {{"Name", true}}, false, false, false, false}};
  return s;
}

// Row `i` of any table: keys out of order (the index splits inside the
// tree), notes of every storage (in the row, one LVAL row, a chain).
std::vector<Value> row_of(std::size_t i) {
  const std::size_t note = i % 7 == 0 ? 3000 + i : (i % 3 == 0 ? 400 : 20);
  return {Null{}, std::string("name ") + std::to_string((i * 7919) % 1009) + " of row " + std::to_string(i),
          std::string(note, static_cast<char>('a' + i % 26)), static_cast<double>(i) / 4};
}

// What the database holds after each commit of the run: table -> rows.
using State = std::map<std::string, std::size_t>;

// The run: creates the file, fills a table, reopens it, appends to that
// table, adds two more. `committed` is called with the number of commits
// done after each one returns. States()[k] is the file after commit k.
struct WriterRun {
  JetVersion version;
  fs::path file;

  static std::vector<std::optional<State>> states() {
    return {std::nullopt,  // no file
            State{},
            State{{"Base", 120}},
            State{{"Base", 300}},
            State{{"Base", 300}, {"Second", 80}},
            State{{"Base", 300}, {"Second", 80}, {"Third", 60}}};
  }

  template <typename Committed>
  void go(Committed&& committed) const {
    CreateOptions create;
    create.page_cache_pages = 16;  // write-backs in mid-table, so pages are overwritten before commits
    auto db = Database::create(file.string(), version, create);
    committed(1);
    fill(db, "Base", 0, 120, true);
    db.commit();
    committed(2);
    db.close();
    OpenOptions open;
    open.writable = true;
    open.page_cache_pages = 16;
    auto again = Database::open(file.string(), open);
    fill(again, "Base", 120, 300, false);
    again.commit();
    committed(3);
    fill(again, "Second", 0, 80, true);
    again.commit();
    committed(4);
    fill(again, "Third", 0, 60, true);
    again.close();
    committed(5);
  }

  static void fill(Database& db, const std::string& table, std::size_t from, std::size_t to, bool create) {
    if (create) db.create_table(indexed_table(table));
    auto appender = db.appender(table);
    for (std::size_t i = from; i < to; ++i) appender.append(row_of(i));
  }
};

// Checks the file left by a run that returned from `commits` commits.
void expect_recovered(const WriterRun& job, std::size_t commits, const std::string& what) {
  SCOPED_TRACE(what + ", after " + std::to_string(commits) + " commits");
  const auto states = WriterRun::states();
  std::optional<Database> db;
  if (fs::exists(job.file) || fs::exists(Journal::path_for(job.file.string()))) {
    try {
      db.emplace(Database::open(job.file.string()));
    } catch (const Error& e) {
      // Only a database that was being created may vanish: the journal
      // takes it back to nothing.
      ASSERT_FALSE(fs::exists(job.file)) << "the engine refuses the file: " << e.what();
    }
  }
  EXPECT_FALSE(fs::exists(Journal::path_for(job.file.string())));
  if (!db) {
    EXPECT_EQ(commits, 0u) << "a committed database vanished";
    return;
  }
  const auto faults = check(job.file);
  EXPECT_TRUE(is_sound(faults, true)) << faults.front().message;
  State found;
  for (const auto& name : db->table_names()) found[name] = db->table_def(name).row_count;
  const bool is_last = states[commits] == found;
  const bool is_next = commits + 1 < states.size() && states[commits + 1] == found;
  ASSERT_TRUE(is_last || is_next) << "the file matches neither its last commit nor the next";
  for (const auto& [table, count] : found) {
    const auto rows = read_all(*db, table);
    ASSERT_EQ(rows.size(), count) << table;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      auto expected = row_of(i);
      expected[0] = static_cast<std::int32_t>(i + 1);
      ASSERT_EQ(rows[i], expected) << table << " row " << i;
    }
  }
}

class CrashTest : public WriterTest {
 protected:
  void TearDown() override {
    set_crash_point_for_testing(0, false);
    WriterTest::TearDown();
  }
  void reset(const WriterRun& job) {
    std::error_code ec;
    fs::remove(job.file, ec);
    fs::remove(Journal::path_for(job.file.string()), ec);
  }
};

TEST_P(CrashTest, KilledBetweenOrInsideAnyWriteLeavesTheLastCommit) {
  const WriterRun job{version(), new_file()};
  set_crash_point_for_testing(0, false);
  job.go([](std::size_t) {});
  const std::uint64_t writes = writes_seen_for_testing();
  expect_recovered(job, 5, "the whole run");
  std::mt19937_64 random(env_number("JET_CRASH_SEED", 12));
  const std::size_t points = env_number("JET_CRASH_POINTS", 24);
  for (std::size_t n = 0; n < points && !HasFatalFailure(); ++n) {
    reset(job);
    const std::uint64_t at = 1 + random() % writes;
    const bool tear = n % 2 == 1;
    set_crash_point_for_testing(at, tear);
    std::size_t commits = 0;
    try {
      job.go([&](std::size_t k) { commits = k; });
    } catch (const Error&) {
      ASSERT_TRUE(crashed_for_testing()) << "the run failed without a crash";
    }
    set_crash_point_for_testing(0, false);
    expect_recovered(job, commits, "crash at write " + std::to_string(at) + (tear ? " (torn)" : ""));
  }
  reset(job);
  set_crash_point_for_testing(0, false);
  job.go([](std::size_t) {});
  expect_sound(job.file);
  if (mdbtools_installed()) expect_mdbtools_agree(job.file);
}

// A write that fails and then works again (a full disk that was cleared)
// must not let a later commit keep a table the failure left half changed:
// the commit is refused and the file reopens as of its last commit.
TEST_P(CrashTest, AFailedWriteIsNeverCommittedLater) {
  const WriterRun job{version(), new_file()};
  const auto states = WriterRun::states();
  for (std::uint64_t at = 1; at <= 40 && !HasFatalFailure(); at += 3) {
    SCOPED_TRACE("write " + std::to_string(at) + " fails");
    reset(job);
    CreateOptions create;
    create.page_cache_pages = 16;
    {
      auto db = Database::create(job.file.string(), version(), create);
      WriterRun::fill(db, "Base", 0, 120, true);
      db.commit();
      set_crash_point_for_testing(at, false);
      bool failed = false;
      try {
        WriterRun::fill(db, "Base", 120, 300, false);
      } catch (const Error&) {
        failed = true;
      }
      set_crash_point_for_testing(0, false);  // the disk works again
      if (failed) {
        EXPECT_THROW(db.close(), Error);
      } else {
        db.close();
      }
    }
    auto db = Database::open(job.file.string());  // rolls a failed commit back
    EXPECT_FALSE(fs::exists(Journal::path_for(job.file.string())));
    const auto faults = check(job.file);
    EXPECT_TRUE(is_sound(faults, true)) << faults.front().message;
    const std::size_t rows = db.table_def("Base").row_count;
    EXPECT_TRUE(rows == 120 || rows == 300) << rows << " rows";
    EXPECT_EQ(read_all(db, "Base").size(), rows);
  }
}

TEST_P(CrashTest, ChildKilledWithSigkillLeavesTheLastCommit) {
  const WriterRun job{version(), new_file()};
  const auto started = std::chrono::steady_clock::now();
  job.go([](std::size_t) {});
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  std::mt19937_64 random(env_number("JET_CRASH_SEED", 12) + 1);
  const std::size_t kills = env_number("JET_KILL_POINTS", 6);
  for (std::size_t n = 0; n < kills && !HasFatalFailure(); ++n) {
    reset(job);
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipe_fds[0]);
      try {
        job.go([&](std::size_t k) {
          const char mark = static_cast<char>(k);
          if (::write(pipe_fds[1], &mark, 1) != 1) ::_exit(3);
        });
      } catch (...) {
        ::_exit(2);
      }
      ::_exit(0);
    }
    ::close(pipe_fds[1]);
    const auto delay = std::chrono::microseconds(random() % (whole.count() + 1));
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::size_t commits = 0;
    char mark;
    while (::read(pipe_fds[0], &mark, 1) == 1) commits = static_cast<std::size_t>(mark);
    ::close(pipe_fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "the child failed";
    expect_recovered(job, commits, "kill after " + std::to_string(delay.count()) + " us");
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, CrashTest, ::testing::Values(JetVersion::jet3, JetVersion::jet4), version_name);

}  // namespace
}  // namespace jet
