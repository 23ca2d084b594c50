// jetcheck [--strict] FILE: checks the structure of a Jet 3 or Jet 4
// database and prints one line per fault.
// Exit status: 0 sound; 1 damaged; 2 not a readable database (the reason
// on standard error). Unreclaimed pages (space a deleted table left behind)
// print as notes and leave the file sound, unless --strict.
#include <cstdio>
#include <cstring>
#include <exception>

#include "jet/check.h"

int main(int argc, char** argv) {
  bool strict = argc == 3 && std::strcmp(argv[1], "--strict") == 0;
  if (argc != 2 && !strict) {
    std::fprintf(stderr, "usage: jetcheck [--strict] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  try {
    std::vector<jet::Fault> faults = jet::check(path);
    for (const jet::Fault& fault : faults) {
      bool note = !strict && fault.kind == jet::FaultKind::unreclaimed;
      std::printf("%s%s\n", note ? "note: " : "", fault.message.c_str());
    }
    return jet::is_sound(faults, strict) ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jetcheck: %s: %s\n", path, e.what());
    return 2;
  }
}
