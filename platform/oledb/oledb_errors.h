// The provider's error objects: each failing call leaves on its thread one
// error object (IErrorInfo + IErrorRecords) with a record per ODBC
// diagnostic, each record with its ISQLErrorInfo (SQLSTATE, native error).
// Every provider call clears the thread's error object first.
//
// HRESULTs come from the native error number first and the SQLSTATE class
// second: a refused login is DB_SEC_E_AUTH_FAILED, an unreachable server or
// an unknown database E_FAIL, an unknown object DB_E_NOTABLE, a syntax error
// DB_E_ERRORSINCOMMAND.
#pragma once

#include <string>
#include <vector>

#include "platform/oledb/oledb.h"

struct oledb_error_record {
  HRESULT hr = E_FAIL;
  std::string description;  // the server's message, driver prefixes removed
  std::string sqlstate;     // five characters, or empty
  LONG native_error = 0;
};

// The source name every record reports.
inline constexpr char oledb_error_source[] = "Microsoft OLE DB Provider for SQL Server";

// The HRESULT of one diagnostic.
HRESULT oledb_hresult_for(const std::string& sqlstate, LONG native_error);

// A driver message without its leading "[vendor][driver]" tags.
std::string oledb_strip_driver_tags(const std::string& message);

// Clears the calling thread's error object.
void oledb_clear_error();

// Leaves an error object with `records` on the calling thread and answers
// the first record's HRESULT (`fallback` when there is none).
HRESULT oledb_fail(std::vector<oledb_error_record> records, HRESULT fallback);

// One record of the provider's own (no ODBC diagnostic behind it).
HRESULT oledb_fail(HRESULT hr, const std::string& description);
