#include "GUI2/sel_tables_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/error_text.h"
#include "GUI2/sorted_list.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "convert/quillmere_convertor.h"

namespace {

constexpr int id_available = 1317, id_selected = 1318;
constexpr int id_add = 1101, id_add_all = 1102, id_remove = 1111, id_remove_all = 1110;

QListWidget* table_list(QWidget* parent, int id) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::number(id));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);  // as wide as the widest name
  return list;
}

}  // namespace

sel_tables_page::sel_tables_page()
    : wizard_page(122, 1014, wiz_back | wiz_next, "Step 3 of 4", "Select tables to convert") {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(with_id(new QLabel("Select MS SQL tables to convert into MS Access format.", this), 1337));
  auto* grid = new QGridLayout;
  QListWidget* available = table_list(this, id_available);
  QListWidget* selected = table_list(this, id_selected);
  auto* available_label = with_id(new QLabel("&Available tables:", this), 1334);
  auto* selected_label = with_id(new QLabel("&Selected tables:", this), 1312);
  available_label->setBuddy(available);
  selected_label->setBuddy(selected);
  grid->addWidget(available_label, 0, 0);
  grid->addWidget(selected_label, 0, 2);
  grid->addWidget(available, 1, 0);
  grid->addWidget(selected, 1, 2);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  struct { const char* text; int id; void (sel_tables_page::*action)(); } moves[] = {
      {"A&dd >", id_add, &sel_tables_page::on_add},
      {"Add a&ll >", id_add_all, &sel_tables_page::on_add_all},
      {"< &Remove", id_remove, &sel_tables_page::on_delete},
      {"< Re&move all", id_remove_all, &sel_tables_page::on_del_all},
  };
  for (const auto& move : moves) {
    auto* button = with_id(new QPushButton(move.text, this), move.id);
    connect(button, &QPushButton::clicked, this, [this, action = move.action] { (this->*action)(); });
    buttons->addWidget(button);
  }
  buttons->addStretch();
  grid->addLayout(buttons, 1, 1);
  layout->addLayout(grid);
  connect(available, &QListWidget::itemDoubleClicked, this, [this] { on_add(); });
}

// A source database that cannot be opened sends the wizard back (later:
// Qt is still switching pages now).
bool sel_tables_page::page_init() {
  std::vector<std::string> names;
  try {
    names = quillmere_convertor::instance().get_all_tables();
  } catch (const tk_exception& e) {
    show_error(wiz_error_text(e));
    QMetaObject::invokeMethod(&shell(), [] { wizard_shell::instance().back(); }, Qt::QueuedConnection);
    return false;
  }
  auto* available = control<QListWidget>(id_available);
  available->clear();
  control<QListWidget>(id_selected)->clear();
  for (const std::string& name : names) sorted_insert(available, name);
  if (available->count() > 0) available->setCurrentRow(0);
  return true;
}

void sel_tables_page::on_add() {
  TK_TRACE(2, "sel_tables_page::on_add");
  auto* available = control<QListWidget>(id_available);
  move_entry(available, control<QListWidget>(id_selected), available->currentRow());
}

void sel_tables_page::on_add_all() {
  TK_TRACE(2, "sel_tables_page::on_add_all");
  move_all(control<QListWidget>(id_available), control<QListWidget>(id_selected));
}

void sel_tables_page::on_delete() {
  TK_TRACE(1, "sel_tables_page::on_delete");
  auto* selected = control<QListWidget>(id_selected);
  move_entry(selected, control<QListWidget>(id_available), selected->currentRow());
}

void sel_tables_page::on_del_all() {
  TK_TRACE(1, "sel_tables_page::on_del_all");
  move_all(control<QListWidget>(id_selected), control<QListWidget>(id_available));
}

void sel_tables_page::move_entry(QListWidget* from, QListWidget* to, int row) {
  if (row < 0) return;
  sorted_insert(to, item_text(from, row));
  delete from->takeItem(row);
  if (from->count() > 0) {
    from->setCurrentRow(row < from->count() ? row : from->count() - 1);
  } else {
    to->setFocus();
    to->setCurrentRow(0);
  }
}

void sel_tables_page::move_all(QListWidget* from, QListWidget* to) {
  while (from->count() > 0) {
    sorted_insert(to, item_text(from, 0));
    delete from->takeItem(0);
  }
  to->setFocus();
  if (to->count() > 0) to->setCurrentRow(0);
}

int sel_tables_page::on_next() {
  auto* available = control<QListWidget>(id_available);
  auto* selected = control<QListWidget>(id_selected);
  if (available->count() > 0 && selected->count() == 0 && !ask_question(tables_msg_none)) return -1;
  quillmere_convertor::instance().set_tables(list_texts(selected));
  return 0;
}
