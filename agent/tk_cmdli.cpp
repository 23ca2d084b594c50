#include "agent/tk_cmdli.h"

#include <cstring>

#include "TK/tk_exception.h"

tk_cmdli::tk_cmdli(int argc, const char* const* argv, const tk_cmdli_option* options)
    : cursor_(argv + 1), remaining_(argc - 1), options_(options) {
  TK_ASSERT(argv != nullptr && options != nullptr);
  if (valid()) classify();
}

void tk_cmdli::next() {
  TK_ASSERT(valid());
  ++cursor_;
  --remaining_;
  if (valid()) classify();
}

const std::string& tk_cmdli::value() const {
  TK_ASSERT(valid());
  return value_;
}

void tk_cmdli::classify() {
  const char* arg = *cursor_;
  TK_ASSERT(arg != nullptr);
  // The closing entry's empty name is a prefix of everything, so the walk
  // always stops.
  const tk_cmdli_option* entry = options_;
  while (std::strncmp(arg, entry->name, std::strlen(entry->name)) != 0) ++entry;

  if (entry->name[0] != '\0') {
    id_ = entry->id;
    value_ = arg + std::strlen(entry->name);
    return;
  }
  TK_ASSERT(unrecognized_count() < max_unrecognized);
  id_ = no_match;
  value_ = arg;
  unrecognized_.push_back(value_);
}
