// Drives the wizard over the test doubles on the offscreen platform and
// saves a picture of every page and dialog into a folder
// (scripts/screenshots.sh writes them to docs/).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>

#include "GUI2/animated_wait_dlg.h"
#include "GUI2/tests/slow_sides.h"
#include "GUI2/tests/wizard_harness.h"

namespace {

QString out_folder;
int failures = 0;

void save(QWidget* widget, const char* name) {
  QTest::qWait(30);  // pending layouts first
  QString path = out_folder + "/wizard-" + name + ".png";
  bool ok = widget->grab().save(path, "PNG");
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  failures += ok ? 0 : 1;
}

// Grabs a dialog, then answers it.
dialog_script::answer grab_then(const char* name, dialog_script::answer reply) {
  return [name, reply](QWidget* dialog) {
    save(dialog, name);
    reply(dialog);
  };
}

std::shared_ptr<memory_sides> make_sides() {
  auto sides = std::make_shared<slow_sides>();
  memory_store& pubs = sides->source("pubs");
  for (const char* table : {"authors", "discounts", "employee", "jobs", "publishers", "sales", "stores", "titles"}) {
    pubs.add(memory_int_table(table, 3, 2));
  }
  pubs.add(memory_int_table("titleauthor", 800, 2));
  pubs.fail_get_table["discounts"] = memory_failure{
      "The column 'discount' has a type that MS Access cannot hold.", tk_level_recoverable};
  sides->source("Northwind");
  sides->source("master");
  return sides;
}

void take_all() {
  wizard_harness h({}, make_sides());
  h.start();
  h.shell().resize(620, 470);
  QTest::qWait(50);
  save(&h.shell(), "1-welcome");
  h.click(QWizard::NextButton);
  h.type(1014, "sqlhost");
  h.find<QRadioButton>(1330)->click();
  h.type(1012, "sa");
  h.type(1013, "wrong");
  save(&h.shell(), "2-connection");
  h.dialogs().expect(grab_then("error-box", press_box(QMessageBox::Ok)));
  h.click(QWizard::NextButton);
  animated_wait_dlg wait(&h.shell());
  wait.show();
  QTest::qWait(20);
  save(&wait, "wait-dialog");
  wait.hide();
  h.type(1013, "s3cret");
  h.click(QWizard::NextButton);
  auto* list = h.find<QListWidget>(1317);
  list->setCurrentItem(list->findItems("pubs", Qt::MatchExactly).value(0));
  QString dest = h.folder() + "/pubs.mdb";
  h.find<QLineEdit>(1004)->setText(dest);
  save(&h.shell(), "3-databases");
  QFile existing(dest);
  existing.open(QIODevice::WriteOnly);
  existing.close();
  h.dialogs().expect(grab_then("existing-destination", choose_mode(0)));
  h.click(QWizard::NextButton);
  auto* available = h.find<QListWidget>(1317);
  for (const char* table : {"authors", "discounts", "titleauthor", "titles"}) {
    available->setCurrentItem(available->findItems(table, Qt::MatchExactly).value(0));
    h.find<QPushButton>(1101)->click();
  }
  available->setCurrentRow(2);
  save(&h.shell(), "4-tables");
  h.dialogs().expect(grab_then("continue-or-abort", click_id(2)));
  h.click(QWizard::NextButton);
  bool going = QTest::qWaitFor([&] { return h.find<QProgressBar>(1321)->value() >= 60; }, 10000);
  save(&h.shell(), "5-progress");
  bool finished = QTest::qWaitFor([&] { return h.page_id() == page_finish; }, 10000);
  save(&h.shell(), "6-finish-errors");
  failures += going && finished ? 0 : 1;
}

void take_success() {
  auto sides = make_sides();
  sides->source("pubs").fail_get_table.clear();
  wizard_harness h({}, sides);
  h.start();
  h.shell().resize(620, 470);
  h.to_databases_page();
  h.to_tables_page("pubs", h.folder() + "/ok.mdb");
  failures += h.run_tables({"authors", "titles"}) ? 0 : 1;
  save(&h.shell(), "6-finish-success");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quill_wiz_screens FOLDER\n");
    return 2;
  }
  out_folder = QString::fromLocal8Bit(argv[1]);
  take_all();
  take_success();
  return failures == 0 ? 0 : 1;
}
