// udb_engine: the engine of the universal model that creates, opens and
// deletes database files.  The Access destination implements it; the
// conversion driver gets one for each run.
//
// Ownership: create_db and open_db hand out a new database that the caller
// owns and destroys before the engine.
// Thread-safety: one thread at a time (the thread that runs the conversion).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "UDB/udb_database.h"

class udb_engine {
 public:
  udb_engine() = default;
  udb_engine(const udb_engine&) = delete;
  udb_engine& operator=(const udb_engine&) = delete;
  virtual ~udb_engine() = default;

  // Virtual operations, in slot order.
  // Creates the database file `name` (full path) and answers it.
  virtual std::unique_ptr<udb_database> create_db(const std::string& name) = 0;
  // Opens the existing database file `name` with an open mode (bit 0 read
  // only, bit 4 exclusive) and a password, which may be empty.
  virtual std::unique_ptr<udb_database> open_db(const std::string& name, uint32_t mode,
                                                const std::string& password) = 0;
  // Deletes the database file.  Base body: removes the file; failure
  // raises tk_exception_ex with the system's error.
  virtual void delete_db(const std::string& name);
  // True when the database file can be opened for reading.
  virtual bool is_db_exist(const std::string& name);
};
