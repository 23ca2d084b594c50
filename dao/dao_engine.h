// dao_engine: the Access side's engine.  It starts COM for its thread,
// loads the DAO engine that writes the chosen file format (DAO 3.6 for
// Access 2000, DAO 3.5 for Access 95/97), creates or opens the destination
// file and hands back a dao_database.  It also tells an existing file's
// format from the file's own header.
//
// At most one exists per process (tk_single_instance); dao_exception reads
// DAO's errors through it.  Databases made by it must be destroyed before a
// version switch and before the engine.
//
// Thread-safety: every call on the thread that constructed the engine.
#pragma once

#include <optional>
#include <string>

#include "OLE/ole_ptr.h"
#include "TK/tk_singl.h"
#include "UDB/udb_converter.h"
#include "UDB/udb_engine.h"
#include "platform/dao/dao.h"

// Open modes of open_db and of the databases (bits).
inline constexpr uint32_t dao_mode_read_only = 0x01;
inline constexpr uint32_t dao_mode_opened = 0x08;
inline constexpr uint32_t dao_mode_exclusive = 0x10;
// The mode of a database made by create_db.
inline constexpr uint32_t dao_mode_created = 18;
// The locale of every new file: the general sort order.
inline constexpr char dao_new_file_locale[] = ";LANGID=0x0409;CP=1252;COUNTRY=0";

inline constexpr char dao_msg_no_library[] =
    "Failed to load Data Access Objects (DAO) support library.\r\nMicrosoft Access installation is required to "
    "proceed with\r\nthe application.\r\n";
inline constexpr char dao_msg_not_access[] = "File '%s' does not comply with MS Access format.";

// The engine's format code: 0 Access 2000 (DAO 3.6), 1 Access 95/97
// (DAO 3.5); 4 when no engine is loaded.
int dao_format_code(udb_format format);
inline constexpr int dao_format_code_none = 4;

class dao_engine : public udb_engine, public tk_single_instance<dao_engine> {
 public:
  // Starts COM (dao_exception when it cannot); no engine is loaded yet.
  dao_engine();
  ~dao_engine() override;

  // Loads the engine for `format`; a missing one raises dao_msg_no_library
  // (level 1).
  void set_version(udb_format format);
  // Tries to load it; true when an engine of that version is now held.  A
  // loaded engine is released first, and must hold no other reference then.
  bool set_version_if(udb_format format);

  std::unique_ptr<udb_database> create_db(const std::string& name) override;
  // Mode bits: 0 read only, 4 exclusive; the rest go on to the database.
  std::unique_ptr<udb_database> open_db(const std::string& name, uint32_t mode,
                                        const std::string& password) override;

  // The format of the existing file `name`, from its version byte (offset
  // 20: 0 Access 95/97, 1 Access 2000).  Anything else, or a file too short
  // or unreadable, raises dao_msg_not_access (level 1).
  static udb_format get_acc_version(const std::string& name);

  // The loaded engine's format, none before a version is loaded.
  std::optional<udb_format> format() const { return format_; }
  // The DAO engine object, or null.
  _DBEngine* engine_object() const { return engine_.get(); }

 private:
  ole_com_ptr<_DBEngine> engine_;
  std::optional<udb_format> format_;
};
