// The wizard's parts one by one: the start-up check, captions, the
// progress display, the table lists, the finish page, the error dialogs,
// the wait dialog and the hand-over to the window thread.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "GUI2/animated_wait_dlg.h"
#include "GUI2/dlg_error.h"
#include "GUI2/gui_thread.h"
#include "GUI2/progress_page.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/tests/wizard_harness.h"
#include "GUI2/wizard_page.h"
#include "convert/conversion_progress.h"

class wizard_parts_test : public QObject {
  Q_OBJECT

 private slots:
  void qt_runtime_check();
  void captions();
  void progress_display();
  void table_lists_move_and_sort();
  void table_page_next();
  void finish_page_focus();
  void internal_error_dialog();
  void continue_dialog();
  void wait_dialog_closed_by_worker();
  void worker_gives_up_when_closing();
  void cancel_no_keeps_page();
};

void wizard_parts_test::qt_runtime_check() {
  struct { const char* text; uint32_t packed; bool enough; } cases[] = {
      {"6.4.2", 0x00060004, true}, {"6.2", 0x00060002, true},  {"6.1.3", 0x00060001, false},
      {"5.15.2", 0x0005000F, false}, {"7.0", 0x00070000, true}, {"x", 0, false}, {"", 0, false},
  };
  for (const auto& c : cases) {
    QCOMPARE(wiz_packed_version(c.text), c.packed);
    QCOMPARE(wiz_packed_version(c.text) >= wiz_required_qt, c.enough);
  }
  QVERIFY(wiz_packed_version(qVersion()) >= wiz_required_qt);
}

// The title ends in a blank, so captions read with two.
void wizard_parts_test::captions() {
  QCOMPARE(wiz_caption("Error"), std::string("Error"));
  wizard_harness h;
  h.start();
  QCOMPARE(wizard_title(), std::string("Quillmere 2.1 "));
  for (const char* kind : {"Error", "Message", "Question"}) {
    QCOMPARE(wiz_caption(kind), std::string("Quillmere 2.1  ") + kind);
  }
  h.dialogs().expect(press_box(QMessageBox::No));
  QVERIFY(!ask_question("Go?"));
  h.dialogs().expect([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
    box->button(QMessageBox::Yes)->click();
  });
  QVERIFY(ask_question("Go?"));
  QCOMPARE(h.dialogs().seen.at(0).caption, std::string("Quillmere 2.1  Question"));
}

// The percentage of the driver's counters, in 64-bit steps, and the
// status line, on one tick of the timer.
void wizard_parts_test::progress_display() {
  QCOMPARE(progress_status("Orders"), std::string("Processing table 'Orders'"));
  QCOMPARE(progress_status(""), std::string());
  QCOMPARE(conversion_percentage(1, 0, 50000000, 45000000), 90u);  // wrapped in 32 bits
  wizard_harness h;
  h.start();
  auto* page = static_cast<progress_page*>(h.shell().page(page_progress));
  quillmere_convertor& driver = h.driver();
  struct { uint32_t tables, index, records, record; int percent; const char* table; } ticks[] = {
      {4, 1, 200, 50, 31, "Orders"}, {0, 0, 0, 0, 0, ""}, {3, 1, 0, 0, 33, "Empty"},
      {2, 0, 90000000, 45000000, 25, "Big"},
  };
  for (const auto& tick : ticks) {
    driver.set_table_count(tick.tables), driver.set_current_table_index(tick.index);
    driver.set_records_in_table(tick.records), driver.set_current_record(tick.record);
    driver.set_current_table(tick.table);
    page->on_timer();
    QCOMPARE(page->findChild<QProgressBar*>("1321")->value(), tick.percent);
    QCOMPARE(page->findChild<QLabel*>("1323")->text().toStdString(), progress_status(tick.table));
  }
}

void wizard_parts_test::table_lists_move_and_sort() {
  wizard_harness h;
  memory_store& mixed = h.sides().source("mixed");
  for (const char* name : {"zeta", "Alpha", "beta", "Gamma"}) mixed.add(memory_int_table(name, 1));
  h.start();
  h.to_databases_page();
  h.to_tables_page("mixed", h.folder() + "/mixed.mdb");
  auto* page = static_cast<sel_tables_page*>(h.shell().currentPage());
  auto* available = h.find<QListWidget>(1317);
  auto* selected = h.find<QListWidget>(1318);
  QCOMPARE(h.list(1317), (std::vector<std::string>{"Alpha", "beta", "Gamma", "zeta"}));  // case ignored
  QCOMPARE(available->currentRow(), 0);
  // Rows of -1 are not checked.
  struct { int row; void (sel_tables_page::*move)(); std::vector<std::string> left, chosen; int left_row, chosen_row; } steps[] = {
      {3, &sel_tables_page::on_add, {"Alpha", "beta", "Gamma"}, {"zeta"}, 2, -1},  // the last: the new last
      {0, &sel_tables_page::on_add, {"beta", "Gamma"}, {"Alpha", "zeta"}, 0, -1},
      {-1, &sel_tables_page::on_add_all, {}, {"Alpha", "beta", "Gamma", "zeta"}, -1, 0},
      {1, &sel_tables_page::on_delete, {"beta"}, {"Alpha", "Gamma", "zeta"}, -1, 1},  // the middle: same row
      {2, &sel_tables_page::on_delete, {"beta", "zeta"}, {"Alpha", "Gamma"}, -1, 1},
      {-1, &sel_tables_page::on_del_all, {"Alpha", "beta", "Gamma", "zeta"}, {}, 0, -1},
  };
  for (const auto& step : steps) {
    QListWidget* from = (step.move == &sel_tables_page::on_add) ? available : selected;
    if (step.row >= 0) from->setCurrentRow(step.row);
    (page->*step.move)();
    QCOMPARE(h.list(1317), step.left);
    QCOMPARE(h.list(1318), step.chosen);
    if (step.left_row >= 0) QCOMPARE(available->currentRow(), step.left_row);
    if (step.chosen_row >= 0) QCOMPARE(selected->currentRow(), step.chosen_row);
  }
  QCOMPARE(h.shell().focusWidget(), static_cast<QWidget*>(available));
  available->setCurrentRow(0);
  page->on_add();  // nothing selected in the other list: nothing moves
  selected->setCurrentRow(-1);
  page->on_delete();
  QCOMPARE(h.list(1318), (std::vector<std::string>{"Alpha"}));
}

// Next asks when nothing is chosen; the names reach the driver in list
// order whatever the order of adding; an empty database asks nothing.
void wizard_parts_test::table_page_next() {
  wizard_harness h;
  h.sides().source("empty");
  h.start();
  h.to_databases_page();
  h.to_tables_page("pubs", h.folder() + "/a.mdb");
  h.dialogs().expect(press_box(QMessageBox::No));
  h.click(QWizard::NextButton);
  QCOMPARE(h.page_id(), int(page_tables));
  QCOMPARE(h.dialogs().seen.at(0).text, std::string(tables_msg_none));
  h.click(QWizard::BackButton);
  h.to_tables_page("empty", h.folder() + "/b.mdb");
  QVERIFY(h.list(1317).empty());
  h.click(QWizard::NextButton);
  QVERIFY(QTest::qWaitFor([&] { return h.page_id() == page_finish; }, 5000));
  QVERIFY(h.driver().tables().empty());
  QCOMPARE(h.dialogs().seen.size(), std::size_t{1});
}

// The first focus in the errors box sends it on to Finish; later ones stay.
void wizard_parts_test::finish_page_focus() {
  wizard_harness h;
  h.sides().source("pubs").fail_get_table["sales"] = memory_failure{"bad", tk_level_recoverable};
  h.start();
  h.to_databases_page();
  h.to_tables_page("pubs", h.folder() + "/f.mdb");
  h.dialogs().expect(click_id(dlg_id_continue));
  QVERIFY(h.run_all_tables());
  auto* box = h.find<QPlainTextEdit>(1016);
  QCOMPARE(box->toPlainText(), QString("sales: bad\n\n"));
  QApplication::setActiveWindow(&h.shell());
  QVERIFY(QTest::qWaitForWindowActive(&h.shell()));
  box->setFocus();
  QVERIFY(QTest::qWaitFor([&] { return h.shell().focusWidget() == h.shell().button(QWizard::FinishButton); }, 2000));
  QCOMPARE(box->textCursor().position(), box->toPlainText().size());
  box->setFocus();
  QTest::qWait(50);
  QCOMPARE(h.shell().focusWidget(), static_cast<QWidget*>(box));
}

// Each button closes the internal-error dialog with its identifier; Send
// bug hands a mailto: link to the mail program, Copy fills the clipboard.
void wizard_parts_test::internal_error_dialog() {
  wizard_harness h;
  h.start();
  std::vector<QUrl> opened;
  h.shell().set_url_opener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  for (int id : {dlg_id_send_bug, dlg_id_ok, dlg_id_copy}) {
    dlg_error_ex dialog("Internal error: \ncode=615c31", &h.shell());
    QCOMPARE(dialog.windowTitle(), QString("Quillmere 2.1  Error"));
    h.dialogs().expect(click_id(id));
    QCOMPARE(dialog.exec(), id);
  }
  QCOMPARE(opened.size(), std::size_t{1});
  QString link = opened[0].toString(QUrl::FullyEncoded);
  QVERIFY2(link.startsWith("mailto:support@quillmere.example?subject=Bug%20report%20on%20Quillmere%202.1%20&body="
                           "Internal%20error%3A%20%0Acode%3D615c31"),
           qPrintable(link));
  QCOMPARE(QApplication::clipboard()->text(), QString("Internal error: \ncode=615c31"));
}

void wizard_parts_test::continue_dialog() {
  wizard_harness h;
  h.start();
  struct { dialog_script::answer reply; int result; bool do_not_show; } cases[] = {
      {click_id(dlg_id_continue), dlg_id_continue, false},
      {click_id(dlg_id_abort), dlg_id_abort, false},
      {tick_and_click(1222, dlg_id_continue), dlg_id_continue, true},
      {[](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, dlg_id_continue, false},
      {[](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, dlg_id_continue, false},
  };
  for (auto& c : cases) {
    dlg_error_continue dialog("Orders: failed", &h.shell());
    h.dialogs().expect(c.reply);
    QCOMPARE(dialog.exec(), c.result);
    QCOMPARE(dialog.do_not_show(), c.do_not_show);
  }
  QCOMPARE(h.dialogs().seen.at(0).text, std::string("Orders: failed"));
}

// The worker closes the dialog, also when it is done before the dialog
// shows; meanwhile the icon turns.
void wizard_parts_test::wait_dialog_closed_by_worker() {
  animated_wait_dlg dialog(nullptr, 20);
  wait_worker worker(dialog);
  worker.run_with_dialog([] {});
  QVERIFY(!dialog.isVisible());
  std::atomic<bool> seen_visible{false};
  int frames = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (dialog.isVisible()) seen_visible = true;
    frames = std::max(frames, dialog.current_frame());
  });
  watch.start(5);
  worker.run_with_dialog([] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
  QVERIFY(seen_visible);
  QVERIFY(frames > 0);
  QVERIFY(!dialog.isVisible() && !worker.is_running());
}

// A worker that waits for the window thread gives up once the wizard
// closes, and its work never runs.
void wizard_parts_test::worker_gives_up_when_closing() {
  std::atomic<bool> closing{false}, ran{false};
  int answer = 0;
  std::thread worker([&] {
    std::function<int()> work = [&] {
      ran = true;
      return 1;
    };
    answer = ask_on_main_thread(work, 7, [&] { return closing.load(); });
  });
  closing = true;  // the window thread does not process events before this
  worker.join();
  QCoreApplication::processEvents();
  QCOMPARE(answer, 7);
  QVERIFY(!ran);
  std::thread asking([&] { answer = ask_on_main_thread(std::function<int()>([] { return 3; }), 7); });
  QVERIFY(QTest::qWaitFor([&] { return answer == 3; }, 2000));
  asking.join();
}

void wizard_parts_test::cancel_no_keeps_page() {
  wizard_harness h;
  h.start();
  h.click(QWizard::NextButton);
  h.type(1014, "typed");
  h.dialogs().expect(press_box(QMessageBox::No));
  h.click(QWizard::CancelButton);
  QVERIFY(h.shell().isVisible());
  QCOMPARE(h.page_id(), int(page_connect));
  QCOMPARE(h.find<QLineEdit>(1014)->text(), QString("typed"));
  h.dialogs().expect(press_box(QMessageBox::Yes));
  QTest::keyClick(&h.shell(), Qt::Key_Escape);
  QVERIFY(!h.shell().isVisible());
}

int run_wizard_parts_tests(int argc, char** argv) {
  wizard_parts_test test;
  return QTest::qExec(&test, argc, argv);
}

#include "wizard_parts_test.moc"
