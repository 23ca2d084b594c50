#include "common/over_dlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {
constexpr int first_radio_id = 1329;
constexpr const char* radio_texts[] = {"&Overwrite the entire database", "Overwrite existing &tables only",
                                       "&Skip existing tables", "&Merge"};

QPushButton* add_button(QDialog* dialog, QHBoxLayout* row, const char* text, int id) {
  auto* button = new QPushButton(text, dialog);
  button->setObjectName(QString::number(id));
  row->addWidget(button);
  return button;
}
}  // namespace

overwrite_dlg2::overwrite_dlg2(QWidget* parent, const std::string& title, const std::string& message,
                               int help_topic, std::function<void(int)> show_help)
    : QDialog(parent), help_topic_(help_topic), show_help_(std::move(show_help)) {
  TK_TRACE(1, "overwrite_dlg2::on_init");
  setObjectName("dialog_121");
  setWindowTitle(QString::fromStdString(title + " Warning"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(QString::fromStdString(message), this);
  text->setObjectName("1320");
  top->addWidget(icon);
  top->addWidget(text, 1);
  layout->addLayout(top);
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(radio_texts[i], this);
    radio->setObjectName(QString::number(first_radio_id + i));
    group->addButton(radio);
    layout->addWidget(radio);
  }
  findChild<QRadioButton*>(QString::number(first_radio_id))->setChecked(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  QPushButton* ok = add_button(this, buttons, "OK", over_dlg_ok);
  QPushButton* cancel = add_button(this, buttons, "Cancel", over_dlg_cancel);
  QPushButton* help = add_button(this, buttons, "Help", 9);
  ok->setDefault(true);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] { done(over_dlg_ok); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(over_dlg_cancel); });
  connect(help, &QPushButton::clicked, this, [this] {
    if (show_help_) show_help_(help_topic_);
  });
}

int overwrite_dlg2::mode() const {
  for (int i = 0; i < 4; ++i) {
    if (findChild<QRadioButton*>(QString::number(first_radio_id + i))->isChecked()) return i;
  }
  TK_ASSERT(false);
  return 0;
}

void overwrite_dlg2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QWidget* owner = parentWidget()) {
    QRect box({}, size());
    box.moveCenter(owner->window()->geometry().center());
    move(box.topLeft());
  }
  raise();
  QApplication::beep();
}
