// jet_read_bench [--runs N] [--no-header] FILE...
//
// For each Jet database: opens it, reads every row of every user table
// (each value decoded, long values included) and runs the structural
// checker; prints one line of figures per file. A read run opens the file
// afresh (header and catalog included); read and check times are the best
// of N runs (default 5). Columns:
//   pages tables rows values   what one full read went through
//   MB read_ms MB/s rows/s     file size (10^6 bytes) and read speed
//   check_ms damage            checker time and damage faults it found
//                              (unreclaimed pages are not counted)
//   rss_MiB                    peak resident memory of the process so far
//                              (getrusage ru_maxrss); run one file per
//                              process for each file's own peak
//   file                       last, so names with spaces stay one field
// Exit status: 0 when every file was read, 1 when one could not be, 2 on
// bad usage.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "jet/check.h"
#include "jet/database.h"

namespace {

using Clock = std::chrono::steady_clock;

struct ReadCounts {
  std::uint32_t pages = 0;
  std::uint64_t tables = 0;
  std::uint64_t rows = 0;
  std::uint64_t values = 0;
};

// Opens `path` and reads every row of every user table.
ReadCounts read_everything(const std::string& path) {
  jet::Database db = jet::Database::open(path);
  ReadCounts counts;
  counts.pages = db.page_count();
  for (const std::string& table : db.table_names()) {
    ++counts.tables;
    jet::RowCursor cursor = db.rows(table);
    while (cursor.next()) {
      ++counts.rows;
      counts.values += cursor.values().size();
    }
  }
  return counts;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs `work` `runs` times and returns the shortest time in seconds.
template <typename Work>
double best_of(int runs, Work&& work) {
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < runs; ++i) {
    Clock::time_point start = Clock::now();
    work();
    best = std::min(best, seconds_since(start));
  }
  return best;
}

std::size_t count_damage(const std::vector<jet::Fault>& faults) {
  auto is_damage = [](const jet::Fault& f) { return f.kind == jet::FaultKind::damage; };
  return static_cast<std::size_t>(std::count_if(faults.begin(), faults.end(), is_damage));
}

double peak_rss_mib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux: KiB
}

void print_header() {
  std::printf("%7s %6s %9s %10s %8s %9s %8s %11s %9s %6s %8s  %s\n", "pages", "tables", "rows",
              "values", "MB", "read_ms", "MB/s", "rows/s", "check_ms", "damage", "rss_MiB",
              "file");
}

void bench_file(const std::string& path, int runs) {
  ReadCounts counts;
  double read_s = best_of(runs, [&] { counts = read_everything(path); });
  std::size_t damage = 0;
  double check_s = best_of(runs, [&] { damage = count_damage(jet::check(path)); });

  double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::string name = std::filesystem::path(path).filename().string();
  std::printf("%7u %6llu %9llu %10llu %8.3f %9.3f %8.1f %11.0f %9.3f %6zu %8.1f  %s\n",
              counts.pages, static_cast<unsigned long long>(counts.tables),
              static_cast<unsigned long long>(counts.rows),
              static_cast<unsigned long long>(counts.values), mb, read_s * 1e3, mb / read_s,
              static_cast<double>(counts.rows) / read_s, check_s * 1e3, damage, peak_rss_mib(),
              name.c_str());
  std::fflush(stdout);
}

int usage() {
  std::fprintf(stderr, "usage: jet_read_bench [--runs N] [--no-header] FILE...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  bool header = true;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
      if (runs < 1) return usage();
    } else if (arg == "--no-header") {
      header = false;
    } else if (arg.starts_with("--")) {
      return usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) return usage();

  if (header) print_header();
  int status = 0;
  for (const std::string& path : files) {
    try {
      bench_file(path, runs);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "jet_read_bench: %s: %s\n", path.c_str(), e.what());
      status = 1;
    }
  }
  return status;
}
