// dao_exception: the error of a failed DAO call, as DAO's engine describes
// it: the first entry of DBEngine.Errors gives the text and the number,
// folded into the code 0x10000 + the number (3022 gives 68558).  Level 0:
// the error handler decides whether the run goes on.
//
// Construct it right after the failing DAO call, on the engine's thread,
// while the engine (dao_engine's single instance) exists.  When the error
// itself cannot be read, construction raises a tk_exception of level 1
// instead and the trace names the step that failed.
//
// Thread-safety: a plain value once made.
#pragma once

#include "OLE/ole_ptr.h"
#include "TK/tk_exception.h"

// DAO's code for the error number that a value does not fit the row.
inline constexpr int dao_code_record_too_large = 0x10000 + 3047;
inline constexpr char dao_msg_record_too_large[] = "Record is too large.";

class dao_exception : public tk_exception {
 public:
  dao_exception();
  dao_exception(const dao_exception&) = default;

 protected:
  // For errors this side raises with a DAO code of its own.
  dao_exception(std::string message, int code);
};

// The DAO number of an exception's code, or 0 for a code outside DAO's.
int dao_error_number(const tk_exception& e);

inline constexpr char dao_msg_no_object[] = "MS Access database engine returned no object.";

// Checks a DAO call that answers an object: a failure raises dao_exception,
// a success with no object the abort-level "MS Access database engine
// returned no object.".
template <class T>
void dao_check(HRESULT hr, const ole_com_ptr<T>& result) {
  if (FAILED(hr)) throw dao_exception();
  if (!result) throw tk_exception(dao_msg_no_object, tk_level_abort);
}
