// The settings part of quillmere_convertor: construction, destruction, the
// SQL Server connection part and the persistence of the wizard's settings.
#include "convert/quillmere_convertor.h"

#include "TK/tk_exception.h"
#include "TK/tk_reg_key.h"
#include "TK/tk_trace.h"

namespace {

// The per-user settings key of the wizard.
constexpr char settings_key[] = "Software\\Harnwick\\Quillmere";

// Loads or saves one value.  `value` starts as the field's current value
// when saving and as its load default when loading; `store` receives what
// the key left in it (unchanged when the value was missing).
template <class T, class Store>
bool visit_value(tk_reg_key& key, const char* name, T value, bool save, Store store) {
  bool ok = key.serialize(name, value, save);
  if (!save) store(std::move(value));
  return ok;
}

}  // namespace

void mssql_converter_impl::connect_mssql_server() {
  TK_TRACE(1, "mssql_converter_impl::connect_mssql_server");
  // An empty host is passed as it is: the engine then reaches the local
  // server.
  if (sec_log_) {
    engine_.connect(host_);
  } else {
    engine_.connect(host_, user_, pswd_);
  }
}

quillmere_convertor::quillmere_convertor(quillmere_front_end front_end) : front_end_(front_end) {
  TK_TRACE(2, "quillmere_convertor::ctor");
  if (front_end_ == quillmere_front_end::agent) {
    set_format(quillmere_format_not_given);
    return;
  }
  // A settings file that cannot be read must not keep the wizard from
  // starting: whatever loaded stays, the rest keeps its defaults.
  try {
    serialize(false);
  } catch (const tk_exception& error) {
    TK_TRACE(2, "Saved settings not loaded: %s", error.what());
  }
}

quillmere_convertor::~quillmere_convertor() {
  TK_TRACE(2, "quillmere_convertor::dtor");
  if (front_end_ != quillmere_front_end::wizard) return;
  try {
    serialize(true);
  } catch (const std::exception& error) {
    TK_TRACE(2, "Settings not saved: %s", error.what());
  }
}

bool quillmere_convertor::serialize(bool save) {
  TK_TRACE(1, "serialize( %d )", save ? 1 : 0);
  tk_reg_key key;
  if (key.create(win32::hkey_current_user, settings_key) != 0) {
    TK_TRACE(2, "Settings key not opened: %s", key.error_text().c_str());
    return false;
  }
  // Every value is visited, in this order, even after a failure.
  bool all = true;
  all &= visit_value(key, "dest", dest(), save, [this](std::string v) { set_dest(std::move(v)); });
  all &= visit_value(key, "format", save ? format() : quillmere_format_access2000, save,
                     [this](int32_t v) { set_format(v); });
  all &= visit_value(key, "host", host(), save, [this](std::string v) { set_host(std::move(v)); });
  all &= visit_value(key, "pswd", pswd(), save, [this](std::string v) { set_pswd(std::move(v)); });
  all &= visit_value(key, "sec_log", save ? sec_log() : true, save,
                     [this](bool v) { set_sec_log(v); });
  all &= visit_value(key, "skip_idx", save ? skip_idx() : false, save,
                     [this](bool v) { set_skip_idx(v); });
  all &= visit_value(key, "src", src(), save, [this](std::string v) { set_src(std::move(v)); });
  all &= visit_value(key, "tab_def", save ? tab_def() : false, save,
                     [this](bool v) { set_tab_def(v); });
  all &= visit_value(key, "user", user(), save, [this](std::string v) { set_user(std::move(v)); });
  key.close();
  return all;
}
