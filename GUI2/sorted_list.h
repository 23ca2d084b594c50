// The wizard's sorted lists: names kept in the case-ignoring order of the
// model's name comparison (which also fixes the order in which the chosen
// tables are converted), and an exact search that ignores case, as the
// system's list boxes do.
// Thread-safety: window-thread functions.
#pragma once

#include <string>
#include <vector>

class QListWidget;

// Inserts `text` after every entry that sorts before or equal to it;
// answers its row.
int sorted_insert(QListWidget* list, const std::string& text);

// The row of the entry equal to `text` with case ignored, or -1.
int find_exact(const QListWidget* list, const std::string& text);

// The texts of the entries, from first to last.
std::vector<std::string> list_texts(const QListWidget* list);

// The text of entry `row` (UTF-8).
std::string item_text(const QListWidget* list, int row);
