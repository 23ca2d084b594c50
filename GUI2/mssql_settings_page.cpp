#include "GUI2/mssql_settings_page.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/error_text.h"
#include "GUI2/wizard_server.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "convert/quillmere_convertor.h"

namespace {

constexpr int id_host = 1014, id_user = 1012, id_pswd = 1013;
constexpr int id_windows = 1329, id_sql_login = 1330;
constexpr int field_length = 259;  // a buffer of 260 characters

QLineEdit* line_field(QWidget* parent, int id) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::number(id));
  edit->setMaxLength(field_length);
  return edit;
}

std::string text_of(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

mssql_settings_page::mssql_settings_page(wizard_server& server)
    : wizard_page(104, 1010, wiz_back | wiz_next, "Step 1 of 4", "MS SQL server connection settings"),
      server_(server),
      wait_dlg_(new animated_wait_dlg(this)),
      worker_(*wait_dlg_) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Provide necessary information to establish MS SQL server connection.", this));
  layout->addWidget(new QLabel("Leave 'MS SQL Server' field empty to connect to local server.", this));
  auto* form = new QFormLayout;
  QLineEdit* host = line_field(this, id_host);
  auto* host_label = new QLabel("MS &SQL Server:", this);
  host_label->setBuddy(host);
  form->addRow(host_label, host);
  auto* windows = with_id(new QRadioButton("&Windows authentication", this), id_windows);
  auto* sql_login = with_id(new QRadioButton("S&QL Server authentication", this), id_sql_login);
  auto* group = new QButtonGroup(this);
  group->addButton(windows);
  group->addButton(sql_login);
  form->addRow(new QLabel("Connect using:", this), windows);
  form->addRow(QString(), sql_login);
  QLineEdit* user = line_field(this, id_user);
  QLineEdit* pswd = line_field(this, id_pswd);
  pswd->setEchoMode(QLineEdit::Password);
  auto* user_label = new QLabel("&Login name:", this);
  auto* pswd_label = new QLabel("&Password:", this);
  user_label->setBuddy(user);
  pswd_label->setBuddy(pswd);
  form->addRow(user_label, user);
  form->addRow(pswd_label, pswd);
  layout->addLayout(form);
  layout->addStretch();
  connect(windows, &QRadioButton::clicked, this, [this] { set_windows_auth(true); });
  connect(sql_login, &QRadioButton::clicked, this, [this] { set_windows_auth(false); });
}

mssql_settings_page::~mssql_settings_page() = default;

bool mssql_settings_page::page_init() {
  const quillmere_convertor& driver = quillmere_convertor::instance();
  control<QLineEdit>(id_host)->setText(QString::fromStdString(driver.host()));
  control<QLineEdit>(id_user)->setText(QString::fromStdString(driver.user()));
  control<QLineEdit>(id_pswd)->setText(QString::fromStdString(driver.pswd()));
  set_windows_auth(driver.sec_log());
  return true;
}

// The login fields serve SQL Server authentication only; their contents
// stay either way.
void mssql_settings_page::set_windows_auth(bool windows) {
  control<QRadioButton>(windows ? id_windows : id_sql_login)->setChecked(true);
  enable_ctrl(id_user, !windows);
  enable_ctrl(id_pswd, !windows);
  if (!windows) {
    control<QLineEdit>(id_user)->setFocus();
    control<QLineEdit>(id_pswd)->setFocus();
  }
}

void mssql_settings_page::save_fields() {
  quillmere_convertor& driver = quillmere_convertor::instance();
  driver.set_sec_log(control<QRadioButton>(id_windows)->isChecked());
  driver.set_host(text_of(control<QLineEdit>(id_host)));
  driver.set_user(text_of(control<QLineEdit>(id_user)));
  driver.set_pswd(text_of(control<QLineEdit>(id_pswd)));
}

int mssql_settings_page::on_next() {
  TK_TRACE(1, "mssql_settings_page::on_next");
  save_fields();
  worker_.run_with_dialog([this] { connect_operation(); });
  return connected() ? 0 : -1;
}

int mssql_settings_page::on_back() {
  save_fields();
  return 0;
}

// On the worker.  The window thread is in the wait dialog meanwhile, so
// the settings stay as saved.
void mssql_settings_page::connect_operation() {
  TK_TRACE(2, "mssql_settings_page::animation::operator()");
  connected_.store(false);
  const quillmere_convertor& driver = quillmere_convertor::instance();
  try {
    server_.connect(driver.sec_log(), driver.host(), driver.user(), driver.pswd());
    connected_.store(true);
  } catch (const tk_exception& e) {
    report_failure(e);
  } catch (const std::exception& e) {
    wiz_fail(e.what());
  }
}

// A refusal by the server keeps the user on the page; anything else ends
// the program.
void mssql_settings_page::report_failure(const tk_exception& e) {
  if (e.level() == tk_level_internal) wiz_fail_internal(e.message());
  if (!wiz_is_oledb_code(e.code())) wiz_fail(e.message());
  show_error((e.code() & 0xFFFF) == 0x4005 ? std::string(conn_msg_no_server) : wiz_error_text(e));
}
