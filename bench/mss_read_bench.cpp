// Measures how fast the SQL Server side reads a table: opening it (rowset,
// count, column catalog, keys) and then its rows, five at a time, as the
// conversion reads them.  Prints one line of figures.
//   mss_read_bench HOST USER PASSWORD DATABASE TABLE [MAX_ROWS]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "MSS/mss_engine.h"
#include "UDB/udb_database.h"

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: mss_read_bench HOST USER PASSWORD DATABASE TABLE [MAX_ROWS]\n");
    return 2;
  }
  const unsigned long max_rows = argc > 6 ? std::strtoul(argv[6], nullptr, 10) : 0;
  try {
    using clock = std::chrono::steady_clock;
    mss_engine engine;
    engine.connect(argv[1], argv[2], argv[3]);
    auto db = engine.open_db(argv[4], udb_open_read_only);
    auto opened = clock::now();
    auto table = db->get_table(argv[5], 0x21);
    auto described = clock::now();
    unsigned long rows = 0, bytes = 0;
    for (table->reset(); !table->is_eof() && (max_rows == 0 || rows < max_rows); table->next()) {
      udb_record& record = table->get_item();
      for (std::size_t i = 0; i < record.size(); ++i) bytes += record.at(i).to_string().size();
      ++rows;
    }
    auto done = clock::now();
    double open_s = std::chrono::duration<double>(described - opened).count();
    double read_s = std::chrono::duration<double>(done - described).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("table %s: open %.3f s, %lu rows (%lu text bytes) in %.3f s, %.0f rows/s, peak memory %ld KiB\n",
                argv[5], open_s, rows, bytes, read_s, read_s > 0 ? rows / read_s : 0.0, usage.ru_maxrss);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mss_read_bench: %s\n", e.what());
    return 1;
  }
}
