// Catalog entries (rows of MSysObjects) and object properties.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/types.h"
#include "jet/value.h"

namespace jet {

enum class ObjectKind {
  user_table,
  system_table,
  linked_table,       // a table in another Jet database
  linked_odbc_table,  // a table reached through ODBC
  query,
  container,          // "Tables", "Relationships", ... folders of objects
  other,
};

// MSysObjects Type values and flags.
namespace object_type {
inline constexpr std::int16_t table = 1;
inline constexpr std::int16_t container = 3;
inline constexpr std::int16_t linked_odbc_table = 4;
inline constexpr std::int16_t query = 5;
inline constexpr std::int16_t linked_table = 6;
}  // namespace object_type
inline constexpr std::uint32_t kSystemObjectFlags = 0x80000002u;
inline constexpr std::uint32_t kObjectIdPageMask = 0x00FFFFFFu;

// One MSysObjects row.
struct CatalogEntry {
  std::int32_t id = 0;
  std::int32_t parent_id = 0;
  std::string name;
  std::int16_t type = 0;
  std::uint32_t flags = 0;
  ObjectKind kind = ObjectKind::other;
  std::uint32_t tdef_page = 0;       // tables: id's low 24 bits
  std::string linked_database;       // linked tables: "Database" column
  std::string foreign_name;          // linked tables: name in the other file
  std::string connect;               // linked ODBC tables: connect string
  std::vector<std::uint8_t> property_blob;  // raw LvProp ("KKD"/"MR2" blob)
  std::optional<DateTime> created;
  std::optional<DateTime> updated;
};

// One property: DefaultValue, Required, AllowZeroLength, Description, ...
struct Property {
  std::string name;
  ColumnType type = ColumnType::text;  // stored type of the value
  std::uint8_t ddl_flag = 0;           // 1 when set through DDL
  Value value;
};

// The properties of one object (name empty) or one of its columns.
struct PropertyBlock {
  std::string name;
  std::uint16_t chunk_type = 0;  // 0x00 the object, 0x01 a column, 0x02 other
  std::vector<Property> properties;

  // The property called `property` (ASCII case-insensitive), or nullptr.
  const Property* find(const std::string& property) const;
};

struct PropertySet {
  std::vector<PropertyBlock> blocks;

  // The block for the object itself (the unnamed one), or nullptr.
  const PropertyBlock* object() const;
  // The block for column `column` (ASCII case-insensitive), or nullptr.
  const PropertyBlock* column(const std::string& column) const;
};

}  // namespace jet
