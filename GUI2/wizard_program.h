// The wizard program: its objects in their order of creation, the start-up
// check of the Qt runtime and the program entry.
//
// wizard_program creates the error handler with the wizard's front end and
// both message tables, the conversion driver (which loads the saved
// settings), the shell and its six pages; destroying it destroys the
// shell with its pages, then the driver (which saves the settings), then
// the handler.  The program entry and the tests build the same object;
// only the server and the driver's sides differ.
// Thread-safety: a window-thread object; at most one exists at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "GUI2/gui_front_end.h"

class conversion_sides;
class error_handler;
class quillmere_convertor;
class wizard_server;
class wizard_shell;

// The lowest Qt runtime the wizard runs on, packed as major * 65536 +
// minor, and the message shown below it.
inline constexpr uint32_t wiz_required_qt = 0x00060002;
inline constexpr char wiz_msg_old_qt[] =
    "Incorrect version of Qt libraries. Qt 6.2\nor later is required to proceed with the application.";

// "major.minor[.patch]" packed as major * 65536 + minor; 0 when unreadable.
uint32_t wiz_packed_version(const char* text);

// The window title: "Quillmere 2.1 " (the empty tail leaves a blank).
std::string wizard_title();

class wizard_program {
 public:
  // `sides` replaces the driver's database sides when not null (tests).
  // REQUIRES: a QApplication exists.
  wizard_program(std::unique_ptr<wizard_server> server, std::shared_ptr<conversion_sides> sides = nullptr);
  ~wizard_program();

  wizard_shell& shell() { return *shell_; }
  quillmere_convertor& driver() { return *driver_; }
  error_handler& handler() { return *handler_; }

 private:
  gui_front_end front_end_;
  std::unique_ptr<error_handler> handler_;
  std::unique_ptr<quillmere_convertor> driver_;
  std::unique_ptr<wizard_server> server_;
  std::unique_ptr<wizard_shell> shell_;
};

// The program entry: checks the Qt runtime, builds the wizard and shows
// it.  Answers 1 after Finish, 0 after Cancel, -1 after a failed check.
int quillwiz_main(int argc, char** argv);
