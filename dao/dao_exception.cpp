#include "dao/dao_exception.h"

#include "OLE/ole_ptr.h"
#include "TK/tk_trace.h"
#include "dao/dao_engine.h"
#include "platform/dao/dao.h"

namespace {
constexpr char failed_step_message[] = "Failed to read the error information of the MS Access database engine.";

[[noreturn]] void unreadable(int step) {
  TK_TRACE(1, "Failed on step #%d", step);
  throw tk_exception(failed_step_message, tk_level_abort);
}
}  // namespace

dao_exception::dao_exception() : tk_exception(std::string(), tk_level_recoverable) {
  TK_TRACE(2, "dao_exception::dao_exception");
  dao_engine& engine = dao_engine::instance();
  ole_com_ptr<Errors> errors;
  if (engine.engine_object() == nullptr || FAILED(engine.engine_object()->get_Errors(errors.address())) || !errors)
    unreadable(1);
  VARIANT first;
  VariantInit(&first);
  first.vt = VT_I4;
  first.lVal = 0;
  ole_com_ptr<DAOError> error;
  if (FAILED(errors->get_Item(first, error.address())) || !error) unreadable(2);
  BSTR text = nullptr;
  if (FAILED(error->get_Description(&text))) unreadable(3);
  set_message(std::string(text ? text : "", SysStringByteLen(text)));
  SysFreeString(text);
  TK_TRACE(2, "Got error: %s", message().c_str());
  LONG number = 0;
  if (FAILED(error->get_Number(&number))) unreadable(4);
  set_code(0x10000 + (static_cast<int>(number) & 0xFFFF));
  TK_TRACE(2, "Got error code: %08X", static_cast<unsigned>(code()));
}

dao_exception::dao_exception(std::string message, int code)
    : tk_exception(std::move(message), tk_level_recoverable, code) {}

int dao_error_number(const tk_exception& e) {
  return (e.code() & ~0xFFFF) == 0x10000 ? (e.code() & 0xFFFF) : 0;
}
