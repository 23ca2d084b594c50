// The DBEngine object: creates and opens database files, and keeps the
// Errors collection every object of the engine reports into.
#include <filesystem>
#include <system_error>

#include "platform/dao/objects.h"

namespace dao_impl {
namespace {

class error_object : public com_object<DAOError> {
 public:
  explicit error_object(error_record record) : record_(std::move(record)) {}
  HRESULT get_Number(LONG* number) override {
    if (number == nullptr) return E_POINTER;
    *number = record_.number;
    return S_OK;
  }
  HRESULT get_Description(BSTR* text) override {
    if (text == nullptr) return E_POINTER;
    *text = make_bstr(record_.description);
    return S_OK;
  }

 private:
  error_record record_;
};

// Holds the last failure; empty until a call has failed.
class errors_object : public com_object<Errors> {
 public:
  explicit errors_object(error_sink errors) : errors_(std::move(errors)) {}
  HRESULT get_Count(SHORT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = errors_->number != 0 ? 1 : 0;
    return S_OK;
  }
  HRESULT get_Item(VARIANT index, DAOError** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    item_key key;
    if (!key_arg(index, key) || key.by_name || key.position != 0 || errors_->number == 0)
      return DISP_E_BADINDEX;  // Errors reports no failure of its own
    return make<error_object>(*errors_).hand_out(out);
  }

 private:
  error_sink errors_;
};

// The general sort order is the only locale this engine writes.
bool general_locale(const std::string& connect) {
  for (const char* part : {";LANGID=0x0409", ";CP=1252", ";COUNTRY=0"}) {
    if (connect.find(part) == std::string::npos) return false;
  }
  return true;
}

class engine_object : public com_object<_DBEngine> {
 public:
  explicit engine_object(bool jet4) : jet4_(jet4), errors_(std::make_shared<error_record>()) {}

  HRESULT get_Errors(Errors** out) override { return make_errors(errors_).hand_out(out); }

  HRESULT CreateDatabase(BSTR name, BSTR connect, VARIANT option, Database** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return guard(errors_, [&]() -> HRESULT {
      std::string path(name ? name : "", SysStringByteLen(name));
      std::string locale(connect ? connect : "", SysStringByteLen(connect));
      LONG version = 0;
      if (path.empty() || !general_locale(locale)) return fail(errors_, 3001);
      if (option.vt != VT_EMPTY && !long_arg(option, version)) return fail(errors_, 3001);
      bool jet4 = version == dbVersion40 || (version != dbVersion30 && jet4_);
      if (version == dbVersion40 && !jet4_) return fail(errors_, 3001);
      std::error_code ec;
      if (std::filesystem::exists(path, ec)) return fail(errors_, 3204);
      auto file = std::make_shared<file_state>(
          jet::Database::create(path, jet4 ? jet::JetVersion::jet4 : jet::JetVersion::jet3), false, errors_,
          this);
      return make_database(file).hand_out(out);
    });
  }

  HRESULT OpenDatabase(BSTR name, VARIANT options, VARIANT read_only, VARIANT connect, Database** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return guard(errors_, [&]() -> HRESULT {
      std::string path(name ? name : "", SysStringByteLen(name));
      std::string connect_text;
      jet::OpenOptions open;
      bool ro = false;
      if (!bool_arg(options, false, open.exclusive) || !bool_arg(read_only, false, ro) ||
          !text_arg(connect, connect_text))
        return fail(errors_, 3001);
      open.writable = !ro;
      static const std::string pwd = ";pwd=";
      if (connect_text.rfind(pwd, 0) == 0) open.password = connect_text.substr(pwd.size());
      else if (!connect_text.empty()) return fail(errors_, 3001);
      std::error_code ec;
      if (path.empty()) return fail(errors_, 3044);
      if (!std::filesystem::is_regular_file(path, ec)) return fail(errors_, 3024);
      jet::Database db = jet::Database::open(path, open);
      // DAO 3.5 reads no Access 2000 file.
      if (!jet4_ && db.version() == jet::JetVersion::jet4) return fail(errors_, 3343);
      return make_database(std::make_shared<file_state>(std::move(db), ro, errors_, this)).hand_out(out);
    });
  }

 private:
  const bool jet4_;
  const error_sink errors_;
};

}  // namespace

IUnknown* make_engine(bool jet4) { return new engine_object(jet4); }

ref<Errors> make_errors(const error_sink& errors) { return make<errors_object>(errors); }

}  // namespace dao_impl
