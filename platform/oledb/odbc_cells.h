// The text forms of the values the provider reads as structures (datetime
// and uniqueidentifier), and the clean-up of FreeTDS's newer date texts;
// shared by the one-row and the block reading of ODBC results. Cells hold
// UTF-16LE bytes. Included only by .cpp files that include the ODBC headers.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

namespace odbc {

// "yyyy-mm-dd hh:mm:ss", with ".mmm" when the fraction is not zero.
std::string timestamp_text(const SQL_TIMESTAMP_STRUCT& ts);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string guid_text(const SQLGUID& g);
// FreeTDS writes the year of the newer date types without leading zeros
// ("1-01-01"); SQL Server writes four digits.
void pad_year(std::string& utf16);

}  // namespace odbc
