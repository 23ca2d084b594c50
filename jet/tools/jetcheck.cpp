// jetcheck FILE: checks the structure of a Jet 3 or Jet 4 database.
// Exit status: 0 sound; 1 damaged (one line per fault on standard output);
// 2 not a readable database (the reason on standard error).
#include <cstdio>
#include <exception>

#include "jet/check.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: jetcheck FILE\n");
    return 2;
  }
  try {
    std::vector<jet::Fault> faults = jet::check(argv[1]);
    for (const jet::Fault& fault : faults) std::printf("%s\n", fault.message.c_str());
    return faults.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jetcheck: %s: %s\n", argv[1], e.what());
    return 2;
  }
}
