// wizard_shell: the wizard's window, its fixed sequence of pages and the
// services every page uses: help, message boxes, the progress timer and the
// list of errors met during the conversion.
//
// It is a QWizard in the modern style: the outer pages (welcome, finish)
// show the watermark, the inner ones a header with their title, subtitle
// and the header picture; the buttons are Back, Next, Finish, Cancel and
// Help.  Every page is set up on each activation, going forwards or back
// (wizard_page::page_init), Next asks the page (on_next), Back tells it
// (on_back), and Cancel, Escape or closing the window ask it (on_cancel).
//
// At most one exists per process (tk_single_instance); the pages, the
// error handler's front end and the workers reach it through instance().
// Thread-safety: a window-thread object.  title(), append_error(),
// errors() and closing() may be called from any thread; so may the free
// message-box functions below, which show their box on the window thread.
#pragma once

#include <QUrl>
#include <QWizard>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_singl.h"

class QTimer;
class wizard_page;

// The identifiers of the sheet's buttons, as enable_button takes them.
inline constexpr int wiz_button_cancel = 2;
inline constexpr int wiz_button_help = 9;
inline constexpr int wiz_button_back = 12323;
inline constexpr int wiz_button_next = 12324;
inline constexpr int wiz_button_finish = 12325;

// Which navigation buttons a page enables (set_wiz_buttons).
enum wiz_buttons : unsigned { wiz_back = 1, wiz_next = 2, wiz_finish = 4 };

// The most errors the list keeps for the finish page.
inline constexpr std::size_t wiz_max_errors = 20;

// The identifier of the shell's progress timer (trace only).
inline constexpr int wiz_progress_timer_id = 0x10000;

class wizard_shell : public QWizard, public tk_single_instance<wizard_shell> {
 public:
  // Loads the artwork (icon, header picture) from the program's resources;
  // the outer pages bring the watermark.  The help topics are looked for beside the program.
  explicit wizard_shell(std::string title, QWidget* parent = nullptr);
  // Stops a running timer first.
  ~wizard_shell() override;

  // The window title and the stem of every caption.
  const std::string& title() const { return title_; }

  // Adds the pages in their order; the shell owns them.
  void add_page(wizard_page* page);
  wizard_page* page_of(int id) const;
  wizard_page* current_wizard_page() const { return page_of(currentId()); }

  // Shows the wizard modally; answers 1 after Finish, 0 after Cancel.
  int run();

  // Effective once: the title, the big icon, the window centred on the
  // screen.  Every activation calls it.
  void first_show();

  // The progress timer: every tick reaches the current page's on_timer().
  // REQUIRES: on the window thread; starting it while it runs is an
  // assertion failure.
  void set_timer(int interval_ms);
  void kill_timer();
  bool timer_running() const;

  // Enables or disables a sheet button by its identifier (wiz_button_*).
  void enable_button(int control_id, bool enable);
  // Enables exactly the navigation buttons in `flags` (wiz_buttons).
  void set_wiz_buttons(unsigned flags);
  // Moves forward to `page` (the progress page selects the finish page).
  void select_page(const wizard_page* page);

  // Opens the help file's default topic, or `topic`.  A missing help file
  // shows "Help file does not exist. Reinstall the program.".
  void display_help();
  void display_help(int topic);
  // The help file: the program's path with the extension ".help", a
  // folder of topic pages "<topic>.html" and "index.html".
  const std::string& help_file() const { return help_file_; }
  void set_help_file(std::string folder) { help_file_ = std::move(folder); }

  // How links are opened (help topics, the bug report's mailto: link):
  // QDesktopServices by default; tests record them instead.
  using url_opener = std::function<bool(const QUrl&)>;
  void set_url_opener(url_opener opener) { url_opener_ = std::move(opener); }
  bool open_url(const QUrl& url);

  // The errors met during the conversion: the first wiz_max_errors are
  // kept, later ones dropped.
  void append_error(const std::string& text);
  std::vector<std::string> errors() const;

  // True once the wizard closes under a running worker: what the worker
  // asks of the window thread is then answered without a dialog.
  bool closing() const { return closing_.load(); }
  void set_closing() { closing_.store(true); }

 protected:
  bool validateCurrentPage() override;
  void cleanupPage(int id) override;
  void initializePage(int) override {}
  void reject() override;

 private:
  void on_page_changed(int id);
  void on_tick();

  const std::string title_;
  std::string help_file_;
  url_opener url_opener_;
  QTimer* timer_;
  bool shown_ = false;
  std::vector<wizard_page*> pages_;
  mutable std::mutex errors_lock_;
  std::vector<std::string> errors_;
  std::atomic<bool> closing_{false};
};

// Message boxes, each also traced.  Owned by the shell when one exists;
// captions are the shell's title followed by " Error", " Message" or
// " Question" (just the word without a shell).  Callable from any thread:
// the box is shown on the window thread while the caller waits; while the
// wizard is closing a worker's box is not shown (ask_question answers No).
void show_error(const std::string& text);
void show_message(const std::string& text);
// Yes and No with No the default button; true for Yes.
bool ask_question(const std::string& text);

// The caption of a box: the shell's title, a blank and `kind`.
std::string wiz_caption(const char* kind);
