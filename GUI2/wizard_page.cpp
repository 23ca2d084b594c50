#include "GUI2/wizard_page.h"

#include <QAbstractButton>
#include <QCheckBox>

#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

wizard_page::wizard_page(int template_id, int help_topic, unsigned buttons, const QString& header_title,
                         const QString& header_subtitle)
    : template_id_(template_id), help_topic_(help_topic), buttons_(buttons) {
  setObjectName(QString("page_%1").arg(template_id));
  setTitle(header_title);
  setSubTitle(header_subtitle);
  // The outer pages, which have no header, show the watermark instead.
  if (header_title.isEmpty()) setPixmap(QWizard::WatermarkPixmap, QPixmap(":/art/watermark.png"));
}

void wizard_page::activate() {
  shell().set_wiz_buttons(buttons_);
  shell().button(QWizard::HelpButton)->setEnabled(help_topic_ != wiz_no_help);
  page_init();
}

bool wizard_page::on_cancel() { return ask_question(wiz_msg_exit); }

void wizard_page::on_help() {
  if (help_topic_ == wiz_no_help) return;
  shell().display_help(help_topic_);
}

wizard_shell& wizard_page::shell() const { return wizard_shell::instance(); }

QFont wizard_page::title_font() {
  QFont font("Verdana", 10);
  font.setBold(true);
  return font;
}

void wizard_page::enable_ctrl(int id, bool enable) {
  TK_TRACE(1, "wizard_page::enable_ctrl(%d=%d)", id, enable ? 1 : 0);
  QWidget* widget = control<QWidget>(id);
  TK_ASSERT(widget != nullptr);
  widget->setEnabled(enable);
}

void wizard_page::invert_chbox(int id) {
  TK_TRACE(1, "wizard_page::invert_chbox(%d)", id);
  TK_ASSERT(control<QCheckBox>(id) != nullptr);
}
