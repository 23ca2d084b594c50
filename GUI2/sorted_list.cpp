#include "GUI2/sorted_list.h"

#include <QListWidget>

#include "platform/win32/win32_text.h"

std::string item_text(const QListWidget* list, int row) { return list->item(row)->text().toStdString(); }

int sorted_insert(QListWidget* list, const std::string& text) {
  int row = 0;
  while (row < list->count() && win32::compare_nocase(item_text(list, row), text) <= 0) ++row;
  list->insertItem(row, QString::fromStdString(text));
  return row;
}

int find_exact(const QListWidget* list, const std::string& text) {
  for (int row = 0; row < list->count(); ++row) {
    if (win32::compare_nocase(item_text(list, row), text) == 0) return row;
  }
  return -1;
}

std::vector<std::string> list_texts(const QListWidget* list) {
  std::vector<std::string> texts;
  for (int row = 0; row < list->count(); ++row) texts.push_back(item_text(list, row));
  return texts;
}
