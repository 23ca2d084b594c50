#include "GUI2/gui_finish_page.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "convert/error_handler.h"

namespace {
constexpr int id_title = 1313, id_message = 1314, id_errors = 1016;
}

gui_finish_page::gui_finish_page(std::string success_text, std::string errors_text)
    : wizard_page(116, wiz_no_help, wiz_finish), success_text_(std::move(success_text)),
      errors_text_(std::move(errors_text)) {
  TK_TRACE(2, "gui_finish_page::ctor");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(with_id(new QLabel("Conversion is Completed", this), id_title));
  layout->addWidget(with_id(new QLabel(this), id_message));
  auto* errors = with_id(new QPlainTextEdit(this), id_errors);
  errors->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  errors->hide();
  errors->installEventFilter(this);
  layout->addWidget(errors, 1);
  layout->addStretch();
  setFinalPage(true);
}

bool gui_finish_page::page_init() {
  TK_TRACE(2, "gui_finish_page::page_init");
  control<QLabel>(id_title)->setFont(title_font());
  shell().enable_button(wiz_button_cancel, false);
  shell().enable_button(wiz_button_help, false);
  std::vector<std::string> errors = shell().errors();
  if (errors.empty()) {
    TK_TRACE(1, "Display success-message");
    control<QLabel>(id_message)->setText(QString::fromStdString(success_text_));
    return true;
  }
  TK_TRACE(1, "Display errors");
  control<QLabel>(id_message)->setText(QString::fromStdString(errors_text_));
  auto* box = control<QPlainTextEdit>(id_errors);
  box->show();
  QString text;
  for (const std::string& message : errors) text += QString::fromStdString(error_one_line(message)) + "\n\n";
  box->setPlainText(text);
  box->setReadOnly(true);
  return true;
}

bool gui_finish_page::on_cancel() {
  shell().accept();
  return false;
}

bool gui_finish_page::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && watched == control<QPlainTextEdit>(id_errors)) on_eb_focus();
  return wizard_page::eventFilter(watched, event);
}

void gui_finish_page::on_eb_focus() {
  TK_TRACE(1, "gui_finish_page::on_eb_focus");
  if (!first_focus_) return;
  first_focus_ = false;
  auto* box = control<QPlainTextEdit>(id_errors);
  box->moveCursor(QTextCursor::End);
  box->ensureCursorVisible();
  shell().button(QWizard::FinishButton)->setFocus();
}
