// The whole wizard driven as a user drives it: connecting, choosing the
// database, the destination and the tables, running, reading the finish
// page, and the settings offered at the next start.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

#include "GUI2/gui_finish_page.h"
#include "GUI2/mssql_settings_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/sel_file_page.h"
#include "GUI2/tests/slow_sides.h"
#include "MSS/tests/test_server.h"
#include "GUI2/tests/wizard_harness.h"
#include "GUI2/wizard_page.h"

namespace {

constexpr char error_caption[] = "Quillmere 2.1  Error";

std::string text_of(QLabel* label) { return label->text().toStdString(); }

void write_file(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("not a database");
}

}  // namespace

class wizard_flow_test : public QObject {
  Q_OBJECT

 private slots:
  void connect_outcomes_data();
  void connect_outcomes();
  void login_fields_follow_authentication();
  void whole_run_and_settings_remembered();
  void existing_destination_data();
  void existing_destination();
  void destination_follows_database_and_browse();
  void unopenable_database_goes_back();
  void conversion_errors_data();
  void conversion_errors();
  void cancel_during_run_data();
  void cancel_during_run();
  void help_topics();
};

void wizard_flow_test::connect_outcomes_data() {
  QTest::addColumn<bool>("real");  // the TDS test server instead of the doubles
  QTest::addColumn<int>("host");   // 0 good, 1 unknown
  QTest::addColumn<bool>("windows");
  QTest::addColumn<bool>("good_password");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("page");
  for (bool real : {false, true}) {
    std::string side = real ? "test server: " : "doubles: ";
    auto row = [&](const char* name) -> QTestData& { return QTest::newRow((side + name).c_str()) << real; };
    row("good login") << 0 << false << true << QString() << int(page_databases);
    if (!real) row("windows authentication") << 0 << true << false << QString() << int(page_databases);
    row("wrong password") << 0 << false << false << "Invalid user name or password." << int(page_connect);
    row("unknown host") << 1 << false << true << conn_msg_no_server << int(page_connect);
  }
}

// A refused connection leaves the user on the page with the values typed;
// a good one lists the databases, and the chosen one's tables.
void wizard_flow_test::connect_outcomes() {
  QFETCH(bool, real);
  QFETCH(int, host);
  QFETCH(bool, windows);
  QFETCH(bool, good_password);
  QFETCH(QString, message);
  QFETCH(int, page);
  std::unique_ptr<test_server> server;
  wizard_harness h;
  if (real) {
    server = std::make_unique<test_server>("demo.json");
    QVERIFY(server->running());
    h.use_real_server({server->host(), "quill", "Secret-1", "127.0.0.1,1", "wrong", "Harbor", {}});
  }
  const test_server_profile& profile = h.profile();
  QString host_text = QString::fromStdString(host == 0 ? profile.host : profile.bad_host);
  QString password = QString::fromStdString(good_password ? profile.pswd : profile.bad_pswd);
  h.start();
  h.click(QWizard::NextButton);
  QCOMPARE(h.page_id(), int(page_connect));
  h.type(1014, host_text);
  h.find<QRadioButton>(windows ? 1329 : 1330)->click();
  if (!windows) {
    h.type(1012, QString::fromStdString(profile.user));
    h.type(1013, password);
  }
  if (!message.isEmpty()) h.dialogs().expect(press_box(QMessageBox::Ok));
  h.click(QWizard::NextButton);
  QCOMPARE(h.page_id(), page);
  QCOMPARE(h.dialogs().unexpected, 0);
  if (message.isEmpty()) {
    QVERIFY(h.dialogs().seen.empty());
    std::vector<std::string> databases = h.list(1317);
    QVERIFY(std::find(databases.begin(), databases.end(), profile.database) != databases.end());
    h.to_tables_page(profile.database, h.folder() + "/out.mdb");
    QCOMPARE(h.page_id(), int(page_tables));
    QVERIFY(!h.list(1317).empty());
    return;
  }
  QCOMPARE(h.dialogs().seen.size(), std::size_t{1});
  QCOMPARE(h.dialogs().seen[0].caption, std::string(error_caption));
  QCOMPARE(QString::fromStdString(h.dialogs().seen[0].text), message);
  QCOMPARE(h.find<QLineEdit>(1014)->text(), host_text);
  QCOMPARE(h.find<QLineEdit>(1013)->text(), password);
}

// The login fields serve SQL Server authentication only; what they hold is
// kept, saved by Back and shown again.
void wizard_flow_test::login_fields_follow_authentication() {
  wizard_harness h;
  h.start();
  h.click(QWizard::NextButton);
  QVERIFY(h.find<QRadioButton>(1329)->isChecked());  // the default
  QVERIFY(!h.find<QLineEdit>(1012)->isEnabled());
  h.find<QRadioButton>(1330)->click();
  QVERIFY(h.find<QLineEdit>(1012)->isEnabled() && h.find<QLineEdit>(1013)->isEnabled());
  QCOMPARE(h.find<QLineEdit>(1013)->echoMode(), QLineEdit::Password);
  h.type(1012, "alice");
  h.type(1013, "pw");
  h.find<QRadioButton>(1329)->click();
  QVERIFY(!h.find<QLineEdit>(1013)->isEnabled());
  h.click(QWizard::BackButton);
  QCOMPARE(h.page_id(), int(page_welcome));
  QCOMPARE(h.driver().user(), std::string("alice"));
  QVERIFY(h.driver().sec_log());
  h.click(QWizard::NextButton);
  QCOMPARE(h.find<QLineEdit>(1012)->text(), QString("alice"));
  QCOMPARE(h.find<QLineEdit>(1013)->text(), QString("pw"));
  QVERIFY(!h.find<QLineEdit>(1012)->isEnabled());
  QCOMPARE(h.find<QLineEdit>(1014)->maxLength(), 259);
}

void wizard_flow_test::whole_run_and_settings_remembered() {
  QTemporaryDir settings;
  QString config = settings.path(), dest;
  {
    wizard_harness h(config);
    h.start();
    dest = h.folder() + "/out.mdb";
    QCOMPARE(h.shell().windowTitle(), QString("Quillmere 2.1 "));
    h.to_databases_page();
    QCOMPARE(h.page_id(), int(page_databases));
    QCOMPARE(h.find<QComboBox>(1302)->currentIndex(), 1);  // Access 2000 by default
    h.find<QCheckBox>(1226)->click();
    h.to_tables_page("pubs", dest);
    QCOMPARE(h.page_id(), int(page_tables));
    QCOMPARE(h.list(1317), (std::vector<std::string>{"Authors", "dbo.x.y", "sales", "titles"}));
    QVERIFY(h.run_tables({"titles", "dbo.x.y", "Authors"}));
    QCOMPARE(h.driver().tables(), (std::vector<std::string>{"Authors", "dbo.x.y", "titles"}));
    QCOMPARE(text_of(h.find<QLabel>(1314)), std::string(finish_msg_success));
    QVERIFY(!h.find<QPlainTextEdit>(1016)->isVisible());
    QVERIFY(!h.shell().button(QWizard::CancelButton)->isEnabled());
    QVERIFY(!h.shell().button(QWizard::HelpButton)->isEnabled());
    QVERIFY(!h.shell().button(QWizard::BackButton)->isEnabled());
    memory_store& written = h.sides().file(dest.toStdString());
    QCOMPARE(written.names(), (std::vector<std::string>{"Authors", "dbo_x_y", "titles"}));
    QCOMPARE(written.find("titles")->rows.size(), std::size_t{3});
    QCOMPARE(written.log.front(), std::string("create_table Authors indexes=0"));  // indexes skipped
    QVERIFY(h.click(QWizard::FinishButton));
    QCOMPARE(h.shell().result(), int(QDialog::Accepted));
    QCOMPARE(h.dialogs().unexpected, 0);
  }
  QVERIFY(QFile::exists(config + "/Harnwick/Quillmere.reg"));
  wizard_harness again(config);
  again.start();
  again.click(QWizard::NextButton);
  QCOMPARE(again.find<QLineEdit>(1014)->text(), QString("sqlhost"));
  QCOMPARE(again.find<QLineEdit>(1012)->text(), QString("sa"));
  QVERIFY(again.find<QRadioButton>(1330)->isChecked());
  again.click(QWizard::NextButton);
  QCOMPARE(again.page_id(), int(page_databases));
  QCOMPARE(again.find<QListWidget>(1317)->currentItem()->text(), QString("pubs"));
  QCOMPARE(again.find<QLineEdit>(1004)->text(), dest);
  QVERIFY(again.find<QCheckBox>(1226)->isChecked());
  QVERIFY(!again.find<QCheckBox>(1228)->isChecked());
  QCOMPARE(again.driver().mode(), 0);  // not remembered
}

void wizard_flow_test::existing_destination_data() {
  QTest::addColumn<int>("answer");  // a mode, or -1 for Cancel
  QTest::addColumn<bool>("access_file");
  QTest::addColumn<int>("page");
  QTest::addColumn<int>("titles_rows");  // after the run; -1: no run
  QTest::newRow("overwrite the entire database") << 0 << true << int(page_tables) << 3;
  QTest::newRow("overwrite existing tables only") << 1 << true << int(page_tables) << 3;
  QTest::newRow("skip existing tables") << 2 << true << int(page_tables) << 1;
  QTest::newRow("merge") << 3 << true << int(page_tables) << 4;
  QTest::newRow("cancel") << -1 << true << int(page_databases) << -1;
  QTest::newRow("not an Access file") << 1 << false << int(page_databases) << -1;
}

// The existing-destination dialog's answer becomes the mode; mode 0
// deletes the file at once, the others need an Access file.
void wizard_flow_test::existing_destination() {
  QFETCH(int, answer);
  QFETCH(bool, access_file);
  QFETCH(int, page);
  QFETCH(int, titles_rows);
  wizard_harness h;
  QString dest = h.folder() + "/existing.mdb";
  write_file(dest);
  if (access_file) h.sides().file(dest.toStdString()).add(memory_int_table("titles", 1, 2));
  h.start();
  h.driver().set_mode(-5);  // so that a mode left alone shows
  h.to_databases_page();
  h.dialogs().expect(answer < 0 ? click_id(2) : choose_mode(answer));
  if (!access_file) h.dialogs().expect(press_box(QMessageBox::Ok));
  h.to_tables_page("pubs", dest);
  QCOMPARE(h.page_id(), page);
  const seen_dialog& asked = h.dialogs().seen.at(0);
  QCOMPARE(asked.caption, std::string("Quillmere 2.1  Warning"));
  QCOMPARE(asked.text, std::string(file_msg_exists));
  QCOMPARE(h.driver().mode(), page == page_tables ? answer : -5);
  QCOMPARE(QFile::exists(dest), answer != 0);
  if (!access_file) {
    QCOMPARE(h.dialogs().seen.at(1).text, "File '" + dest.toStdString() + "' does not comply with MS Access format.");
  }
  if (titles_rows < 0) return;
  QVERIFY(h.run_tables({"titles"}));
  QCOMPARE(text_of(h.find<QLabel>(1314)), std::string(finish_msg_success));
  QCOMPARE(h.sides().file(dest.toStdString()).find("titles")->rows.size(), std::size_t(titles_rows));
  QCOMPARE(h.dialogs().unexpected, 0);
}

// The saved source is selected and its file proposed; choosing another
// database changes only the file name; Browse appends ".mdb" when missing.
void wizard_flow_test::destination_follows_database_and_browse() {
  wizard_harness h;
  h.sides().source("Northwind");
  h.start();
  h.driver().set_src("PUBS");  // found with case ignored
  h.to_databases_page();
  auto* list = h.find<QListWidget>(1317);
  QCOMPARE(h.list(1317), (std::vector<std::string>{"locked", "Northwind", "pubs"}));
  QCOMPARE(list->currentItem()->text(), QString("pubs"));
  QString proposed = h.find<QLineEdit>(1004)->text();
  QVERIFY2(proposed.endsWith("/PUBS.mdb") && proposed.startsWith("/"), qPrintable(proposed));
  h.find<QLineEdit>(1004)->setText(h.folder() + "/sub/file.mdb");
  list->setCurrentRow(1);
  QCOMPARE(h.find<QLineEdit>(1004)->text(), h.folder() + "/sub/Northwind.mdb");
  struct { QString chosen, expected; } browses[] = {
      {h.folder() + "/out", h.folder() + "/out.mdb"},
      {h.folder() + "/x.mdb.bak", h.folder() + "/x.mdb.bak"},
  };
  for (const auto& browse : browses) {
    h.dialogs().expect(save_as(browse.chosen));
    h.find<QPushButton>(1103)->click();
    QCOMPARE(h.find<QLineEdit>(1004)->text(), browse.expected);
  }
  QCOMPARE(h.dialogs().seen.at(0).caption, std::string("Select destination MS Access database"));
  struct { QString dest; std::string message; } refusals[] = {
      {"", file_msg_no_dest},
      {h.folder(), "Destination name should specify a file, not folder."},
      {h.folder() + "/missing/x.mdb", "Destination path does not exist.\nPlease verify the correct path was given."},
  };
  for (const auto& refusal : refusals) {
    h.dialogs().expect(press_box(QMessageBox::Ok));
    h.find<QLineEdit>(1004)->setText(refusal.dest);
    h.click(QWizard::NextButton);
    QCOMPARE(h.page_id(), int(page_databases));
    QCOMPARE(h.dialogs().seen.back().text, refusal.message);
  }
  QCOMPARE(h.dialogs().unexpected, 0);
}

// A database the login lists but may not open: its error is shown and the
// wizard goes back to the databases page instead of failing.
void wizard_flow_test::unopenable_database_goes_back() {
  wizard_harness h;
  h.start();
  h.to_databases_page();
  h.dialogs().expect(press_box(QMessageBox::Ok));
  h.to_tables_page("locked", h.folder() + "/locked.mdb");
  QVERIFY(QTest::qWaitFor([&] { return h.page_id() == page_databases; }, 5000));
  QCOMPARE(h.dialogs().seen.at(0).text, std::string("Cannot open database requested."));
  QCOMPARE(h.dialogs().seen.at(0).caption, std::string(error_caption));
  h.to_tables_page("pubs", h.folder() + "/pubs.mdb");
  QCOMPARE(h.page_id(), int(page_tables));
}

void wizard_flow_test::conversion_errors_data() {
  QTest::addColumn<QString>("reply");  // to the first continue-or-abort dialog
  QTest::addColumn<int>("failing");    // tables that fail, of 25
  QTest::addColumn<int>("dialogs");
  QTest::addColumn<int>("listed");
  QTest::addColumn<int>("converted");
  QTest::newRow("continue each time") << "continue" << 2 << 2 << 2 << 23;
  QTest::newRow("do not show again") << "quiet" << 25 << 1 << 20 << 0;
  QTest::newRow("abort") << "abort" << 2 << 1 << 1 << 0;
}

// Errors go to the finish page (the first 20, one line each); the dialog
// asks until the user ticks its check box; Abort stops the run.
void wizard_flow_test::conversion_errors() {
  QFETCH(QString, reply);
  QFETCH(int, failing);
  QFETCH(int, dialogs);
  QFETCH(int, listed);
  QFETCH(int, converted);
  wizard_harness h;
  memory_store& source = h.sides().source("many");
  for (int i = 0; i < 25; ++i) {
    std::string name = QString("t%1").arg(i, 2, 10, QChar('0')).toStdString();
    source.add(memory_int_table(name, 2));
    if (i < failing) source.fail_get_table[name] = memory_failure{"Table " + name + "\nfailed", tk_level_recoverable};
  }
  h.start();
  h.to_databases_page();
  h.to_tables_page("many", h.folder() + "/many.mdb");
  for (int i = 0; i < dialogs; ++i) {
    h.dialogs().expect(reply == "abort" ? click_id(1) : reply == "quiet" ? tick_and_click(1222, 2) : click_id(2));
  }
  QVERIFY(h.run_all_tables());
  QCOMPARE(h.dialogs().seen.size(), std::size_t(dialogs));
  QCOMPARE(h.dialogs().seen[0].kind, std::string("dialog_115"));
  QCOMPARE(h.dialogs().seen[0].text, std::string("t00: Table t00 failed"));
  QCOMPARE(h.dialogs().seen[0].caption, std::string(error_caption));
  QCOMPARE(text_of(h.find<QLabel>(1314)), std::string(finish_msg_errors));
  auto* box = h.find<QPlainTextEdit>(1016);
  QVERIFY(box->isVisible() && box->isReadOnly());
  QStringList entries = box->toPlainText().split("\n\n", Qt::SkipEmptyParts);
  QCOMPARE(entries.size(), listed);
  QCOMPARE(entries[0], QString("t00: Table t00 failed"));
  QCOMPARE(h.sides().file((h.folder() + "/many.mdb").toStdString()).names().size(), std::size_t(converted));
  QCOMPARE(h.dialogs().unexpected, 0);
}

void wizard_flow_test::cancel_during_run_data() {
  QTest::addColumn<bool>("yes");
  QTest::newRow("No goes on") << false;
  QTest::newRow("Yes stops the run") << true;
}

// Cancel during a run asks; Yes stops the run between records and waits
// for it before the window closes.
void wizard_flow_test::cancel_during_run() {
  QFETCH(bool, yes);
  auto sides = std::make_shared<slow_sides>();
  sides->source("pubs").add(memory_int_table("big", 400, 2));
  wizard_harness h({}, sides);
  h.start();
  h.to_databases_page();
  QString dest = h.folder() + "/big.mdb";
  h.to_tables_page("pubs", dest);
  h.find<QPushButton>(1102)->click();
  h.click(QWizard::NextButton);
  QCOMPARE(h.page_id(), int(page_progress));
  QVERIFY(!h.shell().button(QWizard::BackButton)->isEnabled());
  QVERIFY(!h.shell().button(QWizard::NextButton)->isEnabled());
  QVERIFY(QTest::qWaitFor([&] { return h.find<QLabel>(1323)->text() == "Processing table 'big'"; }, 5000));
  h.dialogs().expect(press_box(yes ? QMessageBox::Yes : QMessageBox::No));
  h.click(QWizard::CancelButton);
  QCOMPARE(h.dialogs().seen.at(0).text, std::string(wiz_msg_exit));
  QCOMPARE(h.dialogs().seen.at(0).caption, std::string("Quillmere 2.1  Question"));
  if (!yes) {
    QVERIFY(QTest::qWaitFor([&] { return h.page_id() == page_finish; }, 10000));
    QCOMPARE(h.sides().file(dest.toStdString()).find("big")->rows.size(), std::size_t{400});
    return;
  }
  QVERIFY(!h.shell().isVisible());
  QCOMPARE(h.shell().result(), int(QDialog::Rejected));
  QVERIFY(h.driver().finished() && h.driver().stopped());
  std::size_t copied = h.sides().file(dest.toStdString()).find("big")->rows.size();
  QVERIFY2(copied < 400, qPrintable(QString::number(copied)));
  QCOMPARE(h.dialogs().unexpected, 0);
}

// Help opens the page's topic beside the program; the existing-destination
// dialog's Help opens 1012 and leaves it open; a missing file is reported.
void wizard_flow_test::help_topics() {
  wizard_harness h;
  h.start();
  std::vector<QString> opened;
  h.shell().set_url_opener([&](const QUrl& url) {
    opened.push_back(url.fileName());
    return true;
  });
  h.shell().set_help_file(QUILL_SOURCE_DIR "/GUI2/help");
  h.click(QWizard::HelpButton);
  h.click(QWizard::NextButton);
  h.click(QWizard::HelpButton);
  h.click(QWizard::BackButton);
  h.to_databases_page();
  h.click(QWizard::HelpButton);
  QString dest = h.folder() + "/help.mdb";
  write_file(dest);
  h.dialogs().expect([](QWidget* dialog) {
    dialog->findChild<QPushButton*>("9")->click();
    dialog->findChild<QPushButton*>("2")->click();
  });
  h.to_tables_page("pubs", dest);
  QCOMPARE(opened, (std::vector<QString>{"1011.html", "1010.html", "1013.html", "1012.html"}));
  h.shell().set_help_file(h.folder().toStdString() + "/none.help");
  h.dialogs().expect(press_box(QMessageBox::Ok));
  h.click(QWizard::HelpButton);
  QCOMPARE(h.dialogs().seen.back().text, std::string("Help file does not exist. Reinstall the program."));
  QCOMPARE(h.dialogs().unexpected, 0);
}

int run_wizard_flow_tests(int argc, char** argv) {
  wizard_flow_test test;
  return QTest::qExec(&test, argc, argv);
}

#include "wizard_flow_test.moc"
