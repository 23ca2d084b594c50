// libFuzzer entry for the header decoder (built with clang only).
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)jet::fuzz::header_one_input(data, size);
  return 0;
}
