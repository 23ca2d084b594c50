// dao_schema_initializer: turns a source table's schema into the fields
// of a new DAO table definition.  The constructor builds the destination
// schema (the same columns under names Access accepts, with a names map of
// every rewritten name); initialize() creates and appends one DAO field per
// column with its type, size, required flag, zero-length permission,
// default value and auto-increment attribute.
//
// Also the type mapping between variant types and DAO field types, both
// ways.
//
// Ownership: the table definition is not owned (the creating database
// keeps it).  Thread-safety: the engine's thread only.
#pragma once

#include <string>

#include "UDB/udb_schema.h"
#include "dao/dao_validator.h"
#include "platform/dao/dao.h"

inline constexpr char dao_msg_type_not_supported[] = "The operating type is not supported yet";

// The DAO field type of a column: Text for texts of 1 to 255 characters,
// Memo for longer or unlimited ones, Binary and Long Binary likewise; the
// integer types without an Access counterpart map to the next wider type.
// An unsupported type raises ole_type_exception(dao_msg_type_not_supported).
SHORT dao_type_of(VARTYPE vartype, uint32_t size);
// The variant type of a DAO field type read back from a file.
VARTYPE dao_vartype_of(SHORT dao_type);
// True for the field types an index cannot hold (Memo, Long Binary).
bool dao_is_long_type(SHORT dao_type);

class dao_schema_initializer : public udb_schema {
 public:
  dao_schema_initializer(_TableDef* tabledef, const udb_schema& source);

  // Creates the DAO fields in the table definition.  DAO failures raise
  // dao_exception; nothing reaches the file before the table definition is
  // appended.
  void initialize();

  // A default value quoted for Access: in single quotes when it holds a
  // double quote and no single one; in double quotes otherwise, double
  // quotes turned into single ones.
  static std::string quote_def_value(const std::string& text);

  // The rewritten field names (source name -> destination name).
  const t_names_map& names_map() const { return validator_.names_map(); }
  // The destination name of source column `name`: the column of exactly
  // that name first, else the first one equal with letter case ignored;
  // a name not in the source goes through the names map.
  std::string destination_name(const std::string& name) const;

 private:
  void put_default(_Field& field, const t_ftd& column);

  _TableDef* tabledef_;
  dao_fn_validator validator_;
  std::vector<std::string> source_names_;
};
