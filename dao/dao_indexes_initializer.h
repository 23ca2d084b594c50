// dao_indexes_initializer: adds a table's indexes (the primary key among
// them) to a new DAO table definition, after its fields.  The constructor
// decides which source indexes Access can hold and under which names, with
// field names translated to the destination's; initialize() creates them.
//
// Access limits applied: at most 10 fields in an index (a longer index is
// dropped), at most 32 indexes in a table (the rest are not created), and
// no Memo or Long Binary field in an index (such an index is dropped).
//
// Ownership: the table definition, the destination schema and the names
// map are not owned.  Thread-safety: the engine's thread only.
#pragma once

#include <vector>

#include "UDB/udb_indexes.h"
#include "dao/dao_schema_initializer.h"
#include "dao/dao_validator.h"

inline constexpr std::size_t dao_max_index_fields = 10;
inline constexpr std::size_t dao_max_indexes = 32;

class dao_indexes_initializer {
 public:
  dao_indexes_initializer(_TableDef* tabledef, const dao_schema_initializer& schema, const udb_indexes& indexes,
                          const t_names_map& names_map);

  // Creates the DAO indexes in list order.  DAO failures raise
  // dao_exception.
  void initialize();

  // The indexes to create: destination names and field names.
  const std::vector<udb_index>& indexes() const { return indexes_; }

 private:
  const t_ftd& destination_field(const std::string& name) const;

  _TableDef* tabledef_;
  const dao_schema_initializer& schema_;
  const t_names_map& names_map_;
  dao_in_validator validator_;
  std::vector<udb_index> indexes_;
};
