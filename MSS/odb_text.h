// Text helpers of the SQL Server side: values that arrive as UTF-16 made
// narrow (never failing), bracketed names built and taken apart, and the
// password kept out of traces.
#pragma once

#include <cstddef>
#include <string>

#include "platform/oledb/oledb.h"

// UTF-16 to UTF-8.  A lone surrogate, which nvarchar can hold, becomes
// U+FFFD; nothing fails.
std::string odb_narrow(const WCHAR* wide, std::size_t units);

// "[" + name + "]" with every "]" inside doubled, so any name reaches the
// server whole.
std::string odb_bracket(const std::string& name);

// "[owner].[table]" or "[table]" (names bracketed by odb_bracket).
std::string odb_bracketed_table(const std::string& owner, const std::string& table);

// Takes a bracketed name apart, honouring doubled "]".  False when it is
// not one or two bracketed parts joined by ".".
bool odb_split_bracketed(const std::string& name, std::string& owner, std::string& table);

// A LIKE pattern that matches `name` only: "_", "%" and "[" are written
// as "[_]", "[%]" and "[[]".
std::string odb_like_literal(const std::string& name);

// An OLE DB connection-string value: as it stands unless it holds ";",
// "=", a quote or outer blanks; then in double quotes (single quotes when
// it holds a double quote), the quote doubled inside.
std::string odb_connection_value(const std::string& value);

// The connection string with the value of "Password=" replaced by "****".
std::string odb_mask_password(const std::string& connection_string);

// The number of characters of UTF-8 text.
std::size_t odb_char_count(const std::string& text);
