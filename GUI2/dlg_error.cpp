#include "GUI2/dlg_error.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_system.h"
#include "TK/tk_trace.h"

namespace {

// The message beside the system's error icon; the buttons go below.
QHBoxLayout* message_row(QDialog* dialog, const std::string& message) {
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(dialog);
  icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(QString::fromStdString(message), dialog);
  text->setObjectName("1320");
  text->setWordWrap(true);
  text->setMinimumWidth(320);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row->addWidget(icon);
  row->addWidget(text, 1);
  return row;
}

QPushButton* add_button(QDialog* dialog, QHBoxLayout* row, const char* text, int id) {
  auto* button = new QPushButton(text, dialog);
  button->setObjectName(QString::number(id));
  button->setAutoDefault(false);
  row->addWidget(button);
  return button;
}

// Caption, centring on the owner and raising: what both dialogs do when
// they open.
void open_centred(QDialog* dialog) {
  dialog->setWindowTitle(QString::fromStdString(wiz_caption("Error")));
  dialog->adjustSize();
  if (QWidget* owner = dialog->parentWidget()) {
    QRect box({}, dialog->size());
    box.moveCenter(owner->geometry().center());
    dialog->move(box.topLeft());
  }
  dialog->raise();
}

}  // namespace

dlg_error_ex::dlg_error_ex(std::string message, QWidget* parent) : QDialog(parent), message_(std::move(message)) {
  TK_TRACE(1, "dlg_error_ex::ctor");
  setObjectName("dialog_114");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(message_row(this, message_));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  QPushButton* send = add_button(this, buttons, "Send bug", dlg_id_send_bug);
  QPushButton* ok = add_button(this, buttons, "OK", dlg_id_ok);
  QPushButton* copy = add_button(this, buttons, "Copy to clipboard", dlg_id_copy);
  ok->setDefault(true);
  layout->addLayout(buttons);
  connect(send, &QPushButton::clicked, this, [this] { send_bug(); done(dlg_id_send_bug); });
  connect(ok, &QPushButton::clicked, this, [this] { done(dlg_id_ok); });
  connect(copy, &QPushButton::clicked, this, [this] { copy_to_clipboard(); done(dlg_id_copy); });
  TK_TRACE(1, "dlg_error_ex::on_init");
  open_centred(this);
}

// A report that cannot be handed over fails silently (traced).
void dlg_error_ex::send_bug() {
  wizard_shell* shell = wizard_shell::instance_ptr();
  tk_bug_report report = tk_make_bug_report(shell != nullptr ? shell->title() : std::string(), message_);
  QUrl link(QString::fromStdString(tk_bug_report_mailto(report)));
  bool sent = shell != nullptr ? shell->open_url(link) : QDesktopServices::openUrl(link);
  TK_TRACE(2, "Bug report handed to the mail program: %d", sent ? 1 : 0);
}

void dlg_error_ex::copy_to_clipboard() { QApplication::clipboard()->setText(QString::fromStdString(message_)); }

dlg_error_continue::dlg_error_continue(std::string message, QWidget* parent)
    : QDialog(parent), message_(std::move(message)) {
  TK_TRACE(1, "dlg_error_continue::ctor");
  setObjectName("dialog_115");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(message_row(this, message_));
  auto* check = new QCheckBox("&Do not show this dialog box again", this);
  check->setObjectName("1222");
  layout->addWidget(check);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  QPushButton* go_on = add_button(this, buttons, "Continue", dlg_id_continue);
  QPushButton* abort = add_button(this, buttons, "Abort", dlg_id_abort);
  go_on->setDefault(true);
  go_on->setAutoDefault(true);
  layout->addLayout(buttons);
  connect(check, &QCheckBox::toggled, this, [this](bool on) { do_not_show_ = on; });
  connect(go_on, &QPushButton::clicked, this, [this] { done(dlg_id_continue); });
  connect(abort, &QPushButton::clicked, this, [this] { done(dlg_id_abort); });
  TK_TRACE(1, "dlg_error_continue::on_init");
  open_centred(this);
}
