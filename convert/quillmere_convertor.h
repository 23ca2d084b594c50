// quillmere_convertor: the settings of one conversion and the driver that
// runs it.
//
// The settings are layered: tk_converter (source and destination names),
// udb_converter (mode, tables, switches, progress), mssql_converter_impl (the
// SQL Server connection part) and, here, the destination format and the
// persistence of the wizard's settings in the per-user settings key
// "Software\Harnwick\Quillmere".  The run itself (operator()) is the
// conversion driver's.
//
// At most one instance exists per process (tk_single_instance); every part
// of the program reaches it through quillmere_convertor::instance().
//
// Thread-safety: the settings belong to the thread that configures and runs
// the conversion.  The progress counters, the current table name and the
// finished flag may be read from any thread while a run goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MSS/mss_engine.h"
#include "TK/tk_singl.h"
#include "UDB/udb_converter.h"

// The SQL Server part of the settings: server, credentials and the
// connection made with them.
class mssql_converter_impl {
 public:
  mssql_converter_impl() = default;
  virtual ~mssql_converter_impl() = default;

  mssql_converter_impl(const mssql_converter_impl&) = delete;
  mssql_converter_impl& operator=(const mssql_converter_impl&) = delete;

  // Windows authentication (true) or a SQL Server login (false).
  bool sec_log() const { return sec_log_; }
  void set_sec_log(bool sec_log) { sec_log_ = sec_log; }

  // The server name or address; empty means the local server.
  const std::string& host() const { return host_; }
  void set_host(std::string host) { host_ = std::move(host); }

  const std::string& user() const { return user_; }
  void set_user(std::string user) { user_ = std::move(user); }

  const std::string& pswd() const { return pswd_; }
  void set_pswd(std::string pswd) { pswd_ = std::move(pswd); }

  // Connects the SQL Server engine with the stored host and credentials:
  // the host alone with Windows authentication, else host, user and
  // password.  Failures raise the engine's errors (odb_exception).
  void connect_mssql_server();

  // The SQL Server engine of the process, which keeps the connection
  // settings for the run.
  mss_engine& engine() { return engine_; }

 private:
  mss_engine engine_;
  bool sec_log_ = true;
  std::string host_;
  std::string user_;
  std::string pswd_;
};

// Destination formats (`format`).
inline constexpr int32_t quillmere_format_not_given = -1;  // the agent's start
inline constexpr int32_t quillmere_format_access97 = 0;    // Access 95/97
inline constexpr int32_t quillmere_format_access2000 = 1;  // Access 2000

class conversion_sides;

// Which program holds the driver: the wizard remembers its settings between
// uses, the agent takes them all from its command line.
enum class quillmere_front_end { wizard, agent };

class quillmere_convertor : public udb_converter,
                            public mssql_converter_impl,
                            public tk_single_instance<quillmere_convertor> {
 public:
  // Registers the single instance (tk_mail_assertion when one exists).  The
  // wizard's driver loads the saved settings; the agent's sets `format` to
  // quillmere_format_not_given and leaves the settings key alone.
  explicit quillmere_convertor(quillmere_front_end front_end);

  // The wizard's driver saves its settings first; failures are ignored.
  ~quillmere_convertor() override;

  quillmere_front_end front_end() const { return front_end_; }

  // The destination format: quillmere_format_access97, any other value
  // Access 2000, or quillmere_format_not_given in the agent until
  // "--acc_ver=" is read.  With modes 1 to 3 the driver uses the existing
  // file's format instead.
  int32_t format() const { return format_; }
  // The format the stored number selects (udb_format_from_number): what
  // the driver and the sides are given.
  udb_format destination_format() const { return udb_format_from_number(format_); }
  void set_format(int32_t format) { format_ = format; }

  // Loads (save false) or saves (save true) the nine remembered settings
  // under the settings key; `mode` and `tables` are not remembered.
  // Loading applies each default just before reading its value, so a
  // missing value leaves the default.  Returns true only when every value
  // was read or written; every value is visited even after a failure.
  // A key that cannot be opened or created changes nothing: returns false.
  bool serialize(bool save);

  // Runs one conversion with the current settings (the conversion driver,
  // convert/conversion_run.h) against sides(), reporting to the error
  // handler, which must exist.  Never throws; sets finished however it
  // ends, and stopped when it ended early.
  void operator()() override;

  // The source database's table names in catalog order (the wizard's table
  // page).  Errors of the source side propagate.
  std::vector<std::string> get_all_tables();

  // Where the run's databases come from: the real sides of this build
  // unless replaced (tests hand in doubles).
  conversion_sides& sides();
  void set_sides(std::shared_ptr<conversion_sides> sides) { sides_ = std::move(sides); }

 private:
  std::shared_ptr<conversion_sides> sides_;
  const quillmere_front_end front_end_;
  int32_t format_ = quillmere_format_access2000;
};
