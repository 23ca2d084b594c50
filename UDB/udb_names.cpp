#include "UDB/udb_names.h"

#include "platform/win32/win32_text.h"

bool udb_same_name(std::string_view a, std::string_view b) { return win32::compare_nocase(a, b) == 0; }

bool udb_same_name(std::string_view a, std::string_view b, bool case_sensitive) {
  return case_sensitive ? a == b : udb_same_name(a, b);
}
