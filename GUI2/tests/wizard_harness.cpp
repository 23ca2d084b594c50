#include "GUI2/tests/wizard_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "GUI2/sorted_list.h"
#include "TK/tk_exception.h"

void memory_server::connect(bool sec_log, const std::string& host, const std::string& user,
                            const std::string& pswd) {
  if (host != profile_.host) throw tk_exception("[DBNETLIB][ConnectionOpen (Connect()).]", tk_level_abort, 0x84005);
  if (!sec_log && (user != profile_.user || pswd != profile_.pswd)) {
    throw tk_exception("Login failed for user.", tk_level_abort, 0x80E4D);
  }
}

std::unique_ptr<wizard_server> make_test_server(const test_server_profile& profile,
                                                std::vector<std::string> databases) {
  return std::make_unique<memory_server>(profile, std::move(databases));
}

dialog_script::dialog_script() {
  connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
  timer_.start(10);
}

void dialog_script::poll() {
  QWidget* dialog = QApplication::activeModalWidget();
  if (dialog == nullptr || dialog->objectName() == "dialog_101" || dialog->property("answered").toBool()) return;
  if (!dialog->isVisible()) return;
  dialog->setProperty("answered", true);
  seen_dialog record{dialog->objectName().toStdString(), dialog->windowTitle().toStdString(), {}};
  if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
    record.kind = "QMessageBox";
    record.text = box->text().toStdString();
  } else if (auto* label = dialog->findChild<QLabel*>("1320")) {
    record.text = label->text().toStdString();
  }
  seen.push_back(record);
  if (answers_.empty()) {
    ++unexpected;
    qWarning("unexpected dialog: %s", record.text.c_str());
    if (auto* box = qobject_cast<QMessageBox*>(dialog); box && box->button(QMessageBox::No)) {
      box->button(QMessageBox::No)->click();
    } else {
      static_cast<QDialog*>(dialog)->reject();
    }
    return;
  }
  answer reply = std::move(answers_.front());
  answers_.pop_front();
  reply(dialog);
}

dialog_script::answer press_box(int standard_button) {
  return [standard_button](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    QVERIFY(box != nullptr);
    box->button(static_cast<QMessageBox::StandardButton>(standard_button))->click();
  };
}

dialog_script::answer click_id(int id) {
  return [id](QWidget* dialog) { dialog->findChild<QPushButton*>(QString::number(id))->click(); };
}

dialog_script::answer tick_and_click(int check_id, int button_id) {
  return [=](QWidget* dialog) {
    dialog->findChild<QCheckBox*>(QString::number(check_id))->click();
    dialog->findChild<QPushButton*>(QString::number(button_id))->click();
  };
}

dialog_script::answer choose_mode(int mode) {
  return [mode](QWidget* dialog) {
    dialog->findChild<QRadioButton*>(QString::number(1329 + mode))->click();
    dialog->findChild<QPushButton*>("1")->click();
  };
}

dialog_script::answer save_as(const QString& path) {
  return [path](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    QVERIFY(files != nullptr);
    files->selectFile(path);
    QMetaObject::invokeMethod(files, "accept");
  };
}

wizard_harness::wizard_harness(const QString& config, std::shared_ptr<memory_sides> sides)
    : config_(config.isEmpty() ? files_.path() + "/config" : config), sides_(sides ? sides : std::make_shared<memory_sides>()) {
  if (sides) return;  // the caller's own
  memory_store& source = sides_->source(profile_.database);
  std::size_t rows = 3;
  for (const std::string& table : profile_.tables) source.add(memory_int_table(table, rows++, 2));
}

wizard_harness::~wizard_harness() { stop(); }

void wizard_harness::use_real_server(test_server_profile profile) {
  profile_ = std::move(profile);
  real_server_ = true;
}

void wizard_harness::start() {
  qputenv("XDG_CONFIG_HOME", config_.toUtf8());
  if (real_server_) {
    program_ = std::make_unique<wizard_program>(make_default_wizard_server());
    shell().set_url_opener([](const QUrl&) { return true; });
    shell().show();
    return;
  }
  std::vector<std::string> databases = {"locked"};
  for (const auto& source : sides_->sources) databases.push_back(source.first);
  program_ = std::make_unique<wizard_program>(make_test_server(profile_, std::move(databases)), sides_);
  shell().set_url_opener([](const QUrl&) { return true; });
  shell().show();
}

void wizard_harness::stop() { program_.reset(); }

bool wizard_harness::click(QWizard::WizardButton which) {
  QAbstractButton* button = shell().button(which);
  if (!button->isEnabled() || !button->isVisible()) return false;
  QTest::mouseClick(button, Qt::LeftButton);
  return true;
}

void wizard_harness::type(int id, const QString& text) {
  auto* edit = find<QLineEdit>(id);
  edit->clear();
  QTest::keyClicks(edit, text);
}

void wizard_harness::to_databases_page() {
  click(QWizard::NextButton);
  type(1014, QString::fromStdString(profile_.host));
  find<QRadioButton>(1330)->click();
  type(1012, QString::fromStdString(profile_.user));
  type(1013, QString::fromStdString(profile_.pswd));
  click(QWizard::NextButton);
}

void wizard_harness::to_tables_page(const std::string& database, const QString& dest) {
  auto* list = find<QListWidget>(1317);
  list->setCurrentItem(list->findItems(QString::fromStdString(database), Qt::MatchExactly).value(0));
  find<QLineEdit>(1004)->setText(dest);
  click(QWizard::NextButton);
}

bool wizard_harness::run_all_tables() {
  find<QPushButton>(1102)->click();
  click(QWizard::NextButton);
  return QTest::qWaitFor([this] { return page_id() == page_finish; }, 10000);
}

bool wizard_harness::run_tables(const std::vector<std::string>& tables) {
  auto* available = find<QListWidget>(1317);
  for (const std::string& table : tables) {
    available->setCurrentRow(find_exact(available, table));
    find<QPushButton>(1101)->click();
  }
  click(QWizard::NextButton);
  return QTest::qWaitFor([this] { return page_id() == page_finish; }, 10000);
}

std::vector<std::string> wizard_harness::list(int id) { return list_texts(find<QListWidget>(id)); }
