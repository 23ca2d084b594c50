// jet_bench [--format 3|4] [--out FILE] [--rows N] [--append-to FILE] [--no-journal]
//
// Writes one table of N rows (default 1,000,000) into a new Jet 3 or Jet 4
// database (default 4, FILE default jet_bench.mdb, replaced if present):
// an autonumber Long primary key, Text(50) with a plain index, Currency,
// Double, Date/Time and a Memo that one row in ten fills with about 5,000
// characters. Prints rows/s for each tenth of the run, the total, peak
// resident memory, the time `cp` takes to copy the finished file and the
// ratio of the write time to it, and the same for the copy made durable
// (fsync), as the write is. Wall and CPU time are both shown.
// --append-to FILE appends the N rows to table "Bench" of FILE (made by an
// earlier run) instead: the figure for an existing indexed table.
// --no-journal writes without the rollback journal, to measure its cost.
// Exit status: 0 done, 1 the engine failed, 2 bad usage.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include "jet/database.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds (user + system) this process has used: the figure to trust
// on a machine other work keeps busy, where wall time stretches.
double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peak_rss_mib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

jet::TableSchema bench_schema() {
  jet::TableSchema s;
  s.name = "Bench";
  auto add = [&](const char* name, jet::ColumnType type, std::uint16_t size = 0) {
    jet::ColumnSpec c;
    c.name = name;
    c.type = type;
    c.size = size;
    s.columns.push_back(c);
  };
  add("Id", jet::ColumnType::long_integer);
  s.columns.back().autonumber = true;
  add("Name", jet::ColumnType::text, 50);
  add("Amount", jet::ColumnType::money);
  add("Ratio", jet::ColumnType::double_);
  add("When", jet::ColumnType::datetime);
  add("Notes", jet::ColumnType::memo);
  s.indexes.push_back({"PrimaryKey", {{"Id", true}}, true, true, false, true});
  s.indexes.push_back({"Name", {{"Name", true}}, false, false, false, false});
  return s;
}

// Varied data from a cheap generator (the same every run).
struct Rows {
  std::uint64_t state = 88172645463325252ull;
  std::uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  static constexpr const char* words[] = {"alpha", "Bravo", "charlie", "Délta", "echo", "Foxtrot", "golf", "hôtel"};
  // Memos of about 5,000 characters, made once: the bench times the
  // engine, not the making of its input.
  const std::vector<std::string>& memos() {
    static const std::vector<std::string> made = [this] {
      std::vector<std::string> texts(101);
      for (std::string& memo : texts) {
        while (memo.size() < 5000) memo += words[next() % 8], memo += ' ';
      }
      return texts;
    }();
    return made;
  }
  std::vector<jet::Value> row(std::uint64_t i) {
    std::string name = words[next() % 8];
    name += ' ';
    name += std::to_string(next() % 1000000);
    name += ' ';
    name += words[next() % 8];
    jet::Value notes = jet::Null{};
    if (i % 10 == 0) notes = memos()[next() % memos().size()];
    // Moved in, not copied from an initializer list: the bench times the
    // engine, not copies of its input.
    std::vector<jet::Value> row;
    row.reserve(6);
    row.emplace_back(jet::Null{});
    row.emplace_back(std::move(name));
    row.emplace_back(jet::Money{static_cast<std::int64_t>(next() % 100000000000ull) - 50000000000});
    row.emplace_back(static_cast<double>(next() % 1000000) / 7.0);
    row.emplace_back(jet::DateTime{30000.0 + static_cast<double>(next() % 20000000) / 1000.0});
    row.emplace_back(std::move(notes));
    return row;
  }
};

int usage() {
  std::fprintf(stderr, "usage: jet_bench [--format 3|4] [--out FILE] [--rows N] [--append-to FILE] [--no-journal]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int format = 4;
  std::string out = "jet_bench.mdb";
  std::uint64_t rows = 1000000;
  std::string append_to;
  bool journal = true;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--format") == 0 && has_value) format = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--out") == 0 && has_value) out = argv[++i];
    else if (std::strcmp(argv[i], "--rows") == 0 && has_value) rows = std::strtoull(argv[++i], nullptr, 10);
    else if (std::strcmp(argv[i], "--append-to") == 0 && has_value) append_to = argv[++i];
    else if (std::strcmp(argv[i], "--no-journal") == 0) journal = false;
    else return usage();
  }
  if ((format != 3 && format != 4) || rows < 10) return usage();
  try {
    const auto start = Clock::now();
    std::optional<jet::Database> db;
    if (append_to.empty()) {
      std::filesystem::remove(out);
      jet::CreateOptions options;
      options.journal = journal;
      db.emplace(jet::Database::create(out, format == 3 ? jet::JetVersion::jet3 : jet::JetVersion::jet4, options));
      db->create_table(bench_schema());
    } else {
      out = append_to;
      jet::OpenOptions options;
      options.writable = true;
      options.journal = journal;
      db.emplace(jet::Database::open(out, options));
      format = db->version() == jet::JetVersion::jet3 ? 3 : 4;
    }
    auto appender = db->appender("Bench");
    Rows generator;
    if (!append_to.empty()) generator.state += appender.table().row_count;  // other names than the first run's
    std::printf("jet_bench: Jet %d, %llu rows %s %s%s\n", format, static_cast<unsigned long long>(rows),
                append_to.empty() ? "into new" : "appended to", out.c_str(), journal ? "" : " (no journal)");
    double first_rate = 0, last_rate = 0;
    for (int tenth = 0; tenth < 10; ++tenth) {
      const auto part_start = Clock::now();
      const std::uint64_t from = rows * tenth / 10, to = rows * (tenth + 1) / 10;
      for (std::uint64_t i = from; i < to; ++i) appender.append(generator.row(i));
      const double rate = static_cast<double>(to - from) / seconds_since(part_start);
      if (tenth == 0) first_rate = rate;
      last_rate = rate;
      std::printf("  tenth %2d: %10.0f rows/s  (rss %.1f MiB)\n", tenth + 1, rate, peak_rss_mib());
    }
    db->close();
    const double total = seconds_since(start);
    const auto cp_start = Clock::now();
    const std::string copy = out + ".copy";
    const std::string command = "cp '" + out + "' '" + copy + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("cp failed");
    const double cp_seconds = seconds_since(cp_start);
    // The write ends with fsync, so the fair copy is a durable one too.
    const int copy_fd = ::open(copy.c_str(), O_RDONLY | O_CLOEXEC);
    if (copy_fd < 0 || ::fsync(copy_fd) != 0) throw std::runtime_error("fsync of the copy failed");
    ::close(copy_fd);
    const double durable_cp_seconds = seconds_since(cp_start);
    std::filesystem::remove(copy);
    const double cpu = cpu_seconds();
    std::printf("total: %.2f s (cpu %.2f s), %.0f rows/s (per cpu second %.0f), file %.1f MB, peak rss %.1f MiB\n",
                total, cpu, static_cast<double>(rows) / total, static_cast<double>(rows) / cpu,
                std::filesystem::file_size(out) / 1e6, peak_rss_mib());
    std::printf("last tenth / first tenth: %.2f\n", last_rate / first_rate);
    std::printf("cp: %.3f s, write / cp: %.1f\n", cp_seconds, total / cp_seconds);
    std::printf("cp and fsync: %.3f s, write / durable cp: %.1f\n", durable_cp_seconds, total / durable_cp_seconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jet_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
