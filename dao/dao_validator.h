// The Access name validators: dao_validator refuses what Access refuses
// (an empty name, a blank at either end, more than 64 characters, control
// characters and the five characters ` ! [ ] .) and makes safe names
// within 64 characters; the three scopes differ in the names they load as
// taken: tables (the tables to convert, then the destination's existing
// ones), fields (the schema's names) and indexes (the collection's names).
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

// The longest name Access accepts.
inline constexpr std::size_t dao_max_name_length = 64;

class dao_validator : public udb_validator {
 public:
  dao_validator();
  bool is_acceptable(const std::string& name) override;
  // The name without blanks at its ends and with control characters made
  // "_"; a name left empty becomes "_".
  std::string get_safe_name(const std::string& name) override;
};

class dao_tn_validator : public dao_validator {
 public:
  dao_tn_validator(const std::vector<std::string>& tables, const std::vector<std::string>& existing);
};

class dao_fn_validator : public dao_validator {
 public:
  explicit dao_fn_validator(const udb_schema& schema);
};

class dao_in_validator : public dao_validator {
 public:
  explicit dao_in_validator(const udb_indexes& indexes);
};
