#include "dao/dao_engine.h"

#include <cstdio>

#include "TK/tk_trace.h"
#include "dao/dao_database.h"
#include "dao/dao_exception.h"
#include "dao/dao_variant_args.h"
#include "platform/dao/com.h"

namespace {

// The version table: the engine class that writes each format.
const CLSID& engine_class(udb_format format) {
  switch (format) {
    case udb_format::access2000: return CLSID_DBEngine36;
    case udb_format::access97: return CLSID_DBEngine35;
  }
  TK_ASSERT(false);
  return CLSID_DBEngine36;
}

[[noreturn]] void not_access(const std::string& name) { throw tk_exception(dao_msg_not_access, name.c_str(), tk_level_abort); }

}  // namespace

int dao_format_code(udb_format format) { return format == udb_format::access2000 ? 0 : 1; }

dao_engine::dao_engine() {
  if (FAILED(CoInitialize(nullptr))) throw dao_exception();
}

dao_engine::~dao_engine() {
  engine_.reset();
  CoUninitialize();
}

void dao_engine::set_version(udb_format format) {
  TK_TRACE(1, "dao_engine::set_version(%d)", dao_format_code(format));
  if (!set_version_if(format)) throw tk_exception(dao_msg_no_library, tk_level_abort);
}

bool dao_engine::set_version_if(udb_format format) {
  TK_TRACE(1, "dao_engine::set_version_if(%d)", dao_format_code(format));
  if (engine_) {
    // Every DAO object of the old engine must be gone before a switch.
    ULONG left = engine_.detach()->Release();
    format_.reset();
    TK_ASSERT(left == 0);
  }
  format_.reset();
  _DBEngine* created = nullptr;
  HRESULT hr = CoCreateInstance(engine_class(format), nullptr, CLSCTX_ALL, _DBEngine::iid,
                                reinterpret_cast<void**>(&created));
  if (FAILED(hr) || created == nullptr) return false;
  engine_.reset(created);
  format_ = format;
  return true;
}

std::unique_ptr<udb_database> dao_engine::create_db(const std::string& name) {
  TK_TRACE(1, "dao_engine::create_db (%s)", name.c_str());
  TK_ASSERT(engine_);
  dao_bstr file(name), locale(dao_new_file_locale);
  dao_var option;
  ole_com_ptr<Database> db;
  if (FAILED(engine_->CreateDatabase(file.b, locale.b, option.v, db.address()))) throw dao_exception();
  if (!db) throw tk_exception("MS Access database engine returned no database.", tk_level_abort);
  return std::make_unique<dao_database>(name, std::move(db), dao_mode_created);
}

std::unique_ptr<udb_database> dao_engine::open_db(const std::string& name, uint32_t mode, const std::string& password) {
  TK_TRACE(1, "dao_engine::open_db(%s, mode=%d)", name.c_str(), static_cast<int>(mode));
  TK_ASSERT(engine_);
  dao_bstr file(name);
  dao_var exclusive = dao_var::boolean((mode & dao_mode_exclusive) != 0);
  dao_var read_only = dao_var::boolean((mode & dao_mode_read_only) != 0);
  dao_var connect(password.empty() ? std::string() : ";pwd=" + password);
  TK_TRACE(1, "Open database using DAO engine");
  ole_com_ptr<Database> db;
  if (FAILED(engine_->OpenDatabase(file.b, exclusive.v, read_only.v, connect.v, db.address()))) throw dao_exception();
  if (!db) throw tk_exception("MS Access database engine returned no database.", tk_level_abort);
  return std::make_unique<dao_database>(name, std::move(db), mode);
}

udb_format dao_engine::get_acc_version(const std::string& name) {
  TK_TRACE(1, "dao_engine::get_acc_version(%s)", name.c_str());
  std::FILE* file = std::fopen(name.c_str(), "rb");
  long length = 0;
  int version = EOF;
  if (file != nullptr) {
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length >= 20 && std::fseek(file, 20, SEEK_SET) == 0) version = std::fgetc(file);
    std::fclose(file);
  }
  if (version == 0) return udb_format::access97;
  if (version == 1) return udb_format::access2000;
  not_access(name);
}
