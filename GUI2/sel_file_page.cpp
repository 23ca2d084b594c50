#include "GUI2/sel_file_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "GUI2/error_text.h"
#include "GUI2/sorted_list.h"
#include "GUI2/wizard_server.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_file.h"
#include "TK/tk_trace.h"
#include "common/over_dlg.h"
#include "convert/conversion_sides.h"
#include "convert/destination_check.h"
#include "convert/quillmere_convertor.h"

namespace {

constexpr int id_databases = 1317, id_format = 1302, id_tab_def = 1228, id_skip_idx = 1226;
constexpr int id_dest = 1004, id_browse = 1103;
constexpr int field_length = 259;  // a buffer of 260 characters
constexpr int over_dlg_topic = 1012;

// The path split into its parts and joined again (made absolute).
std::string full_path(const std::string& path) {
  tk_path_parts parts = tk_split_path(path);
  return parts.drive + parts.dir + parts.name + parts.ext;
}

QLabel* buddy_label(const char* text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

sel_file_page::sel_file_page(wizard_server& server)
    : wizard_page(105, 1013, wiz_back | wiz_next, "Step 2 of 4", "Select databases"),
      server_(server),
      wait_dlg_(new animated_wait_dlg(this)),
      worker_(*wait_dlg_) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Enter source and destination database names. Customize the conversion process.", this));
  auto* grid = new QGridLayout;
  auto* databases = with_id(new QListWidget(this), id_databases);
  databases->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->addWidget(buddy_label("MS &SQL database name:", databases, this), 0, 0);
  grid->addWidget(databases, 1, 0);
  auto* group = new QGroupBox(" Conversion settings: ", this);
  auto* options = new QVBoxLayout(group);
  auto* format = with_id(new QComboBox(group), id_format);
  options->addWidget(buddy_label("Destination &format:", format, group));
  options->addWidget(format);
  options->addWidget(with_id(new QCheckBox("&Convert table definitions only", group), id_tab_def));
  options->addWidget(with_id(new QCheckBox("S&kip converting indexes", group), id_skip_idx));
  options->addStretch();
  grid->addWidget(group, 1, 1);
  layout->addLayout(grid);
  auto* dest = with_id(new QLineEdit(this), id_dest);
  dest->setMaxLength(field_length);
  layout->addWidget(buddy_label("MS &Access destination database name:", dest, this));
  auto* row = new QHBoxLayout;
  row->addWidget(dest, 1);
  auto* browse_button = with_id(new QPushButton("Browse...", this), id_browse);
  row->addWidget(browse_button);
  layout->addLayout(row);
  connect(databases, &QListWidget::currentRowChanged, this, [this](int row) { follow_selection(row); });
  connect(browse_button, &QPushButton::clicked, this, [this] { browse(); });
  for (int id : {id_tab_def, id_skip_idx}) {
    connect(control<QCheckBox>(id), &QCheckBox::clicked, this, [this, id] { invert_chbox(id); });
  }
}

sel_file_page::~sel_file_page() = default;

bool sel_file_page::page_init() {
  const quillmere_convertor& driver = quillmere_convertor::instance();
  control<QCheckBox>(id_skip_idx)->setChecked(driver.skip_idx());
  control<QCheckBox>(id_tab_def)->setChecked(driver.tab_def());
  worker_.run_with_dialog([this] { list_operation(); });
  fill_list();
  return true;
}

// On the worker.  The window thread is in the wait dialog meanwhile.
void sel_file_page::list_operation() {
  TK_TRACE(2, "sel_file_page::animation::operator()");
  names_.clear();
  try {
    names_ = server_.get_contents();
  } catch (const std::exception& e) {
    wiz_fail(e.what());
  }
}

void sel_file_page::fill_list() {
  const quillmere_convertor& driver = quillmere_convertor::instance();
  auto* list = control<QListWidget>(id_databases);
  auto* format = control<QComboBox>(id_format);
  QSignalBlocker quiet(list);  // only the user's choices move the destination
  list->clear();
  if (format->count() == 0) format->addItems({"MS Access 95/97", "MS Access 2000"});
  format->setCurrentIndex(driver.format() < format->count() ? driver.format() : -1);
  for (const std::string& name : names_) sorted_insert(list, name);
  std::string src = driver.src(), dest = driver.dest();
  bool show_dest = src.empty() && !dest.empty();
  if (!src.empty()) {
    int row = find_exact(list, src);
    if (row >= 0) {
      list->setCurrentRow(row);
      if (dest.empty()) dest = src + ".mdb";
      show_dest = true;
    } else if (list->count() > 0) {
      list->setCurrentRow(0);
    }
  }
  if (show_dest) control<QLineEdit>(id_dest)->setText(QString::fromStdString(full_path(dest)));
}

// The destination follows the chosen database: same folder (the program's
// when the field names none), the database's name.
void sel_file_page::follow_selection(int row) {
  if (row < 0) return;
  auto* dest = control<QLineEdit>(id_dest);
  tk_path_parts parts = tk_split_path(dest->text().toStdString());
  std::string name = item_text(control<QListWidget>(id_databases), row);
  dest->setText(QString::fromStdString(parts.drive + parts.dir + name + ".mdb"));
}

void sel_file_page::browse() {
  auto* dest = control<QLineEdit>(id_dest);
  tk_path_parts parts = tk_split_path(dest->text().left(field_length).toStdString());
  QFileDialog dialog(this, "Select destination MS Access database", QString::fromStdString(parts.drive + parts.dir));
  dialog.setObjectName("dialog_save");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog |
                    QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters({"MS Access Databases (.mdb) (*.mdb)", "All Files (*.*) (*)"});
  dialog.setDefaultSuffix("mdb");
  dialog.selectFile(QString::fromStdString(parts.name + parts.ext));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  std::string chosen = dialog.selectedFiles().first().toStdString();
  if (chosen.find(".mdb") == std::string::npos) chosen += ".mdb";
  dest->setText(QString::fromStdString(chosen));
}

void sel_file_page::save_fields() {
  quillmere_convertor& driver = quillmere_convertor::instance();
  driver.set_format(control<QComboBox>(id_format)->currentIndex());
  driver.set_tab_def(control<QCheckBox>(id_tab_def)->isChecked());
  driver.set_skip_idx(control<QCheckBox>(id_skip_idx)->isChecked());
  auto* list = control<QListWidget>(id_databases);
  if (list->currentRow() < 0) TK_TRACE(2, "Failed to exract select item from list");
  driver.set_src(list->currentRow() < 0 ? std::string() : item_text(list, list->currentRow()));
  driver.set_dest(control<QLineEdit>(id_dest)->text().toStdString());
}

int sel_file_page::on_next() {
  save_fields();
  const quillmere_convertor& driver = quillmere_convertor::instance();
  if (driver.src().empty()) {
    show_message(file_msg_no_source);
    return -1;
  }
  if (driver.dest().empty()) {
    show_message(file_msg_no_dest);
    return -1;
  }
  try {
    return check_destination();
  } catch (const tk_exception& e) {
    show_error(wiz_error_text(e));
    return -1;
  }
}

// Mode 0 deletes the existing file now; modes 1 to 3 need an Access file.
// The mode changes only when the destination exists.
int sel_file_page::check_destination() {
  quillmere_convertor& driver = quillmere_convertor::instance();
  const std::string& dest = driver.dest();
  validate_destination(dest);
  if (!tk_is_file_exist(dest)) return 0;
  overwrite_dlg2 dialog(&shell(), shell().title(), file_msg_exists, over_dlg_topic,
                        [](int topic) { wizard_shell::instance().display_help(topic); });
  if (dialog.exec() != over_dlg_ok) return -1;
  int mode = dialog.mode();
  if (mode == udb_mode_overwrite_database) {
    if (!tk_delete_file(dest)) throw tk_exception_ex();
  } else {
    driver.sides().destination_format(dest);
  }
  driver.set_mode(mode);
  return 0;
}

int sel_file_page::on_back() {
  save_fields();
  return 0;
}
