#include "TK/tk_error_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

#define TK_FOR_SOLUTION " for the solution."

const tk_error_message tk_oledb_messages[tk_oledb_message_count] = {
    {0x80E03, "Given values violate the database schema."},
    {0x80E07, "A literal value could not be converted to the correct type.Contact to " TK_SUPPORT_ADDRESS
              TK_FOR_SOLUTION},
    {0x80E09, "You are not allowed to access MS SQL database. Ask your\n"
              "system administrator to grant you necessary privileges."},
    {0x80E11, "Invalid column ID. Contact to " TK_SUPPORT_ADDRESS TK_FOR_SOLUTION},
    {0x80E13, "Invalid value. Contact to " TK_SUPPORT_ADDRESS TK_FOR_SOLUTION},
    {0x80E14, "The command contained one or more errors."},
    {0x80E17, "A data source with the specified name already exists."},
    {0x80E1D, "Requested conversion is not supported."},
    {0x80E21, "Errors occurred. Contact to " TK_SUPPORT_ADDRESS TK_FOR_SOLUTION},
    {0x80E2F, "The specified record violates the integrity constraints.\n"
              "See 'Troubleshooting' article of the product documentation\n"
              "for solution."},
    {0x80E30, "The given type name was unrecognized."},
    {0x80E34, "The specified index already exists."},
    {0x80E35, "The specified index does not exist."},
    {0x80E37, "The specified table does not exist."},
    {0x80E3A, "A specified precision was invalid."},
    {0x80E3B, "A specified scale was invalid."},
    {0x80E3C, "Invalid table ID. Contact to " TK_SUPPORT_ADDRESS TK_FOR_SOLUTION},
    {0x80E3D, "A specified type was invalid."},
    {0x80E3E, "A column ID was occurred more than once in the "
              "specification."},
    {0x80E3F, "The specified table already exists."},
    {0x80E42, "The specified record number is invalid."},
    {0x80E4D, "Invalid user name or password."},
    {0x80E55, "The specified column did not exist."},
    {0x80E57, "A literal value overflowed the range of the type of the associated column.\n"
              "Contact to " TK_SUPPORT_ADDRESS TK_FOR_SOLUTION},
    {0x80E65, "The supplied columnID was invalid."},
    {0x80E72, "The index ID is invalid. Contact to " TK_SUPPORT_ADDRESS "\nfor the solution."},
    {0x80EC1, "One or more column types are incompatible; conversion errors will\n"
              "occur during copying."},
    {0x80EDA, "Errors occurred. Contact to " TK_SUPPORT_ADDRESS TK_FOR_SOLUTION},
};

const tk_error_message tk_dao_messages[tk_dao_message_count] = {
    {0x10BEF, "Not a valid MS Access database name. Use the following characters\n"
              "to compose new database name: alphanumerics (A-Z, a-z, 0-9),\n"
              "underscore characters (_) and spaces."},
    {0x10BCE, "Duplicate field values being used for an unique index were found.\n"
              "See 'Troubleshooting' article of the product documentation\n"
              "for solution."},
    {0x10C65, "Invalid workgroup information file. Return to the previous\n"
              "wizard page and verify the correct path was given."},
    {0x10D1E, "Invalid workgroup information file. Return to the previous\n"
              "wizard page and verify the correct path was given."},
    {0x10D5D, "Data type conversion error. Please contact " TK_SUPPORT_ADDRESS "\nfor the solution."},
};

tk_error_converter::tk_error_converter(std::size_t count, const tk_error_message* table) {
  TK_TRACE(2, "tk_error_converter::ctor (map size=%d)", static_cast<int>(count));
  load_map(count, table);
}

void tk_error_converter::load_map(std::size_t count, const tk_error_message* table) {
  TK_TRACE(2, "tk_error_converter::load_map (map size=%d)", static_cast<int>(count));
  TK_ASSERT(table != nullptr);
  for (std::size_t i = 0; i < count; ++i) map_.emplace(table[i].code, table[i].text);
}

std::string tk_error_converter::convert(std::int32_t code) const {
  TK_TRACE(2, "tk_error_converter::convert(%d)", static_cast<int>(code));
  auto found = map_.find(code);
  return found == map_.end() ? std::string() : found->second;
}
