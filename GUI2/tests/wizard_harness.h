// What the wizard's tests share: a wizard built over doubles of the server
// and of the conversion's sides, a private settings folder, and a script
// of answers for the modal dialogs the wizard shows.
//
// The server comes from make_test_server() and the sides from the
// harness's constructor: the in-memory doubles, or, after
// use_real_server(), the program's own SQL Server side (tests start the TDS
// test server for it); the tests themselves stay as they are.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWizard>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GUI2/wizard_program.h"
#include "GUI2/wizard_server.h"
#include "GUI2/wizard_shell.h"
#include "convert/quillmere_convertor.h"
#include "convert/tests/doubles/memory_sides.h"

// The server the tests log in to and what it holds.
struct test_server_profile {
  std::string host = "sqlhost";
  std::string user = "sa";
  std::string pswd = "s3cret";
  std::string bad_host = "nosuchhost";
  std::string bad_pswd = "wrong";
  std::string database = "pubs";  // a database with the tables below
  std::vector<std::string> tables = {"titles", "Authors", "sales", "dbo.x.y"};
};

// The server double: one host, one login; Windows authentication is
// accepted on the host.
class memory_server : public wizard_server {
 public:
  explicit memory_server(test_server_profile profile, std::vector<std::string> databases)
      : profile_(std::move(profile)), databases_(std::move(databases)) {}
  void connect(bool sec_log, const std::string& host, const std::string& user, const std::string& pswd) override;
  std::vector<std::string> get_contents() override { return databases_; }

 private:
  test_server_profile profile_;
  std::vector<std::string> databases_;
};

// The server the harness logs in to, listing `databases`.
std::unique_ptr<wizard_server> make_test_server(const test_server_profile& profile,
                                                std::vector<std::string> databases);

// A seen modal dialog: its object name ("QMessageBox", "dialog_121"...),
// caption and message.
struct seen_dialog {
  std::string kind, caption, text;
};

// Answers the modal dialogs in the order they appear.  A dialog with no
// answer left is recorded as unexpected and dismissed.
class dialog_script : public QObject {
 public:
  using answer = std::function<void(QWidget*)>;
  dialog_script();
  void expect(answer reply) { answers_.push_back(std::move(reply)); }
  std::vector<seen_dialog> seen;
  int unexpected = 0;
  bool all_answered() const { return answers_.empty(); }

 private:
  void poll();
  QTimer timer_;
  std::deque<answer> answers_;
};

// Answers: a message box button, a dialog button by identifier, a mode of
// the existing-destination dialog, a file in the save-file dialog.
dialog_script::answer press_box(int standard_button);
dialog_script::answer click_id(int id);
dialog_script::answer choose_mode(int mode);
dialog_script::answer save_as(const QString& path);
dialog_script::answer tick_and_click(int check_id, int button_id);

class wizard_harness {
 public:
  // A fresh settings folder unless `config` is given (a second start);
  // sides holding the profile's database unless `sides` is given.
  explicit wizard_harness(const QString& config = {}, std::shared_ptr<memory_sides> sides = nullptr);
  ~wizard_harness();

  wizard_program& program() { return *program_; }
  wizard_shell& shell() { return program_->shell(); }
  quillmere_convertor& driver() { return program_->driver(); }
  memory_sides& sides() { return *sides_; }
  const test_server_profile& profile() const { return profile_; }
  dialog_script& dialogs() { return dialogs_; }
  QString folder() const { return files_.path(); }
  QString config() const { return config_; }

  // Connects to a real server with `profile` through the program's own
  // server and sides instead of the doubles.  Call before start().
  void use_real_server(test_server_profile profile);

  // Makes the program (the driver loads the settings) and shows the wizard.
  // The server lists every source of the sides and "locked", which it
  // lists but which cannot be opened.
  void start();
  // Destroys the program: the driver saves the settings.
  void stop();

  template <class Widget>
  Widget* find(int id) {
    return shell().currentPage()->findChild<Widget*>(QString::number(id));
  }
  int page_id() const { return program_ ? program_->shell().currentId() : -1; }
  bool click(QWizard::WizardButton which);
  void type(int id, const QString& text);

  // From the welcome page to the databases page with a good login.
  void to_databases_page();
  // On to the tables page with `database` and `dest`.
  void to_tables_page(const std::string& database, const QString& dest);
  // Adds every table, runs and waits for the finish page.
  bool run_all_tables();
  // Adds `tables` one by one, runs and waits for the finish page.
  bool run_tables(const std::vector<std::string>& tables);
  // The texts of list `id` of the current page.
  std::vector<std::string> list(int id);

 private:
  test_server_profile profile_;
  bool real_server_ = false;
  QTemporaryDir files_;
  QString config_;
  std::shared_ptr<memory_sides> sides_;
  dialog_script dialogs_;
  std::unique_ptr<wizard_program> program_;
};

// Page numbers in the wizard.
enum { page_welcome, page_connect, page_databases, page_tables, page_progress, page_finish };
