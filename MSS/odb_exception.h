// odb_exception: a failing OLE DB call of the SQL Server side, with the
// provider's own description (for SQL Server, the server's message) taken
// from the error object the call left on this thread.
//
// Code: 0x80000 | (HRESULT & 0xFFFF), so 0x80040E37 gives 0x80E37 and
// E_FAIL gives 0x84005.  Level 0.  The message is the first error record's
// description ("Unknown exception" when there is no error object).
//
// Thread-safety: construct it on the thread whose call failed, before any
// other OLE DB call there (the error object is per thread).
#pragma once

#include <string>

#include "TK/tk_exception.h"
#include "platform/oledb/oledb.h"

class odb_exception : public tk_exception {
 public:
  explicit odb_exception(HRESULT hr);
  ~odb_exception() override = default;

  HRESULT hresult() const { return hr_; }
  // The component that reported the error, as the provider names it.
  const std::string& source() const { return source_; }

 private:
  void extract_from_records(IErrorRecords& records);

  HRESULT hr_;
  std::string source_;
};

// Reads the source and description of one error object.
class error_info_dispatcher {
 public:
  explicit error_info_dispatcher(IErrorInfo& info);
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  std::string source_;
  std::string description_;
};

// Every OLE DB call of the SQL Server side goes through here: a failure
// traces "Error code: %08X" and raises odb_exception with that HRESULT.
void odb_check(HRESULT hr);
