// Plain driver for compilers without libFuzzer: replays the built-in seeds
// (plus the header and catalog TDEF pages of any .mdb files in the folders
// given on the command line), then a bounded number of deterministic
// mutations of each. Exits non-zero if a target lets anything other than
// jet::Error escape; crashes show up through the sanitizers.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fuzz_targets.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Target = bool (*)(const std::uint8_t*, std::size_t);

Bytes mutate(const Bytes& seed, std::mt19937& random) {
  Bytes out = seed;
  const int edits = 1 + static_cast<int>(random() % 8);
  for (int i = 0; i < edits && !out.empty(); ++i) {
    const std::size_t at = random() % out.size();
    switch (random() % 6) {
      case 0: out[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
      case 1: out[at] = static_cast<std::uint8_t>(random()); break;
      case 2: out[at] = (random() % 2) ? 0xFF : 0x00; break;
      case 3: out.resize(at + 1); break;
      case 4: out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random())); break;
      default: out.erase(out.begin() + static_cast<std::ptrdiff_t>(at)); break;
    }
  }
  return out;
}

void add_sample_seeds(const std::filesystem::path& dir, std::vector<Bytes>& headers, std::vector<Bytes>& tdefs) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (entry.path().extension() != ".mdb") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    Bytes start(3 * 4096);
    in.read(reinterpret_cast<char*>(start.data()), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(in.gcount()));
    if (start.size() < 3 * 2048) continue;
    const bool jet4 = start[0x14] == 1;
    const std::size_t page = jet4 ? 4096 : 2048;
    if (start.size() < 3 * page) continue;
    headers.emplace_back(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(page));
    Bytes tdef = {static_cast<std::uint8_t>(jet4 ? 1 : 0)};
    tdef.insert(tdef.end(), start.begin() + static_cast<std::ptrdiff_t>(2 * page),
                start.begin() + static_cast<std::ptrdiff_t>(3 * page));
    tdefs.push_back(tdef);
  }
}

bool run(const char* name, Target target, const std::vector<Bytes>& seeds, long mutations) {
  std::mt19937 random(12345);
  long runs = 0;
  long accepted = 0;
  try {
    for (const auto& seed : seeds) {
      if (!target(seed.data(), seed.size())) {
        std::fprintf(stderr, "%s: seed %ld does not decode cleanly\n", name, runs);
        return false;
      }
      ++runs;
      for (long i = 0; i < mutations; ++i, ++runs) {
        const Bytes input = mutate(seed, random);
        accepted += target(input.data(), input.size());
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: unexpected exception after %ld runs: %s\n", name, runs, e.what());
    return false;
  }
  std::printf("%s: %zu seeds, %ld runs, %ld mutants decoded cleanly\n", name, seeds.size(), runs, accepted);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const long mutations = argc > 1 ? std::atol(argv[1]) : 2000;
  auto headers = jet::fuzz::header_seeds();
  auto tdefs = jet::fuzz::tdef_seeds();
  for (int i = 2; i < argc; ++i) add_sample_seeds(argv[i], headers, tdefs);
  bool ok = run("header", jet::fuzz::header_one_input, headers, mutations);
  ok = run("tdef", jet::fuzz::tdef_one_input, tdefs, mutations) && ok;
  ok = run("row", jet::fuzz::row_one_input, jet::fuzz::row_seeds(), mutations * 4) && ok;
  ok = run("properties", jet::fuzz::properties_one_input, jet::fuzz::properties_seeds(), mutations * 4) && ok;
  return ok ? 0 : 1;
}
