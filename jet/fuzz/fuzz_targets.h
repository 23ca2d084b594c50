// Fuzz targets for the decoders of untrusted bytes. Each takes one input
// and must return normally or throw jet::Error; anything else (a crash, a
// sanitizer report, another exception) is a bug. Each returns true when
// the input decoded without any jet::Error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jet::fuzz {

// Input: a header page.
bool header_one_input(const std::uint8_t* data, std::size_t size);
// Input: byte 0 selects Jet 3 (even) or Jet 4 (odd); the rest is a TDEF.
bool tdef_one_input(const std::uint8_t* data, std::size_t size);
// Input: byte 0 selects the version; the rest is a row of a fixed table
// with every column type, decoded through split_row and decode_field.
bool row_one_input(const std::uint8_t* data, std::size_t size);
// Input: byte 0 selects the version; the rest is a property blob.
bool properties_one_input(const std::uint8_t* data, std::size_t size);

// Small valid inputs for each target, built in code.
std::vector<std::vector<std::uint8_t>> header_seeds();
std::vector<std::vector<std::uint8_t>> tdef_seeds();
std::vector<std::vector<std::uint8_t>> row_seeds();
std::vector<std::vector<std::uint8_t>> properties_seeds();

}  // namespace jet::fuzz
