// How the wizard words an error it shows itself, and how it ends the
// program after an error it cannot go on from.
// Thread-safety: callable from any thread (boxes show on the window thread).
#pragma once

#include <string>

#include "TK/tk_exception.h"

// The friendly text for `e`'s code from the OLE DB and DAO message tables,
// or `e`'s own message when the code has none.
std::string wiz_error_text(const tk_exception& e);

// Shows `text` in an error box, then ends the process with exit code -1.
[[noreturn]] void wiz_fail(const std::string& text);

// Shows the internal-error dialog (dlg_error_ex) with `message`, then ends
// the process with exit code -1.
[[noreturn]] void wiz_fail_internal(const std::string& message);
