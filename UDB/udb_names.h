// How the universal model compares the names of tables, columns and indexes.
//
// Names are equal when they are equal with letter case ignored; accents and
// width stay significant ("ID" equals "id", "Café" does not equal "Cafe").
// Thread-safety: pure functions, safe from any thread.
#pragma once

#include <string_view>

// True when `a` and `b` are the same name with letter case ignored.
bool udb_same_name(std::string_view a, std::string_view b);

// True when `a` and `b` are the same name: byte for byte when
// `case_sensitive` is set, else as udb_same_name.
bool udb_same_name(std::string_view a, std::string_view b, bool case_sensitive);
