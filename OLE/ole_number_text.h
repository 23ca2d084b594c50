// How the value layer reads numbers out of text and writes decimal points,
// the same way in every locale: the C library's reading in the C locale
// ("." is the decimal point), whatever locale the program has set.
//
// Thread-safety: pure functions, safe from any thread.
#pragma once

#include <string>
#include <string_view>

// The C library's atof: leading white space, then the longest number
// (sign, digits, point, exponent; also "inf", "nan" and hex forms); 0 when
// the text does not begin with one. A value beyond double's range gives
// +-infinity, one too small for it 0 (or the nearest subnormal).
double ole_atof(std::string_view text);

// A copy of `text` with every "," turned into ".", so that 1,5 reads 1.5.
std::string ole_commas_to_points(std::string_view text);
