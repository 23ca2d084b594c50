// Opening an existing database file: replaying the journal a crashed run
// left, the advisory lock that keeps two writers apart, the database
// password, and the checks a file passes before anything is written to it.
#pragma once

#include <string>

#include "database_impl.h"
#include "open_file.h"

namespace jet {

// Takes `path` back to its last commit if a journal says a run died while
// changing it, opens and checks it as open_database_file does, then locks
// it: exclusively when opened for writing or `exclusive`, not at all for a
// shared reader. Throws as open_database_file, and jet::Error (io) when
// another program holds the file ("... is in use by another program").
OpenedFile open_for_change(const std::string& path, const OpenOptions& options);

// Throws jet::Error (invalid_argument, 3031 "Not a valid password.") when
// the header carries a password and `given` is not exactly it.
void check_password(const DatabaseHeader& header, const std::string& given);

// Reads what a change will rely on: the global usage map and the
// definition of every table in the catalog. Throws jet::Error (corruption)
// before anything is written when one of them is damaged.
void check_before_writing(Database::Impl& db);

}  // namespace jet
