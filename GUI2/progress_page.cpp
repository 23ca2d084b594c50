#include "GUI2/progress_page.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "GUI2/gui_finish_page.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "convert/conversion_progress.h"
#include "convert/quillmere_convertor.h"

namespace {
constexpr int id_bar = 1321, id_status = 1323;
}

std::string progress_status(const std::string& table) {
  return table.empty() ? std::string() : "Processing table '" + table + "'";
}

progress_page::progress_page(const gui_finish_page& finish)
    : wizard_page(106, wiz_default_topic, wiz_back | wiz_next, "Step 4 of 4", "Database converting is in progress"),
      finish_(finish) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Database converting is in progress. Please wait until the wizard completes", this));
  layout->addWidget(new QLabel("converting your MS SQL database into MS Access format.", this));
  layout->addSpacing(20);
  layout->addWidget(with_id(new QLabel(this), id_status));
  auto* bar = with_id(new QProgressBar(this), id_bar);
  bar->setRange(0, 100);
  layout->addWidget(bar);
  layout->addStretch();
}

progress_page::~progress_page() = default;

bool progress_page::page_init() {
  TK_TRACE(2, "progress_page::page_init");
  shell().set_wiz_buttons(0);
  control<QProgressBar>(id_bar)->setValue(0);
  if (!worker_.start()) TK_TRACE(2, "The conversion could not be started");
  return true;
}

void progress_page::on_timer() {
  const quillmere_convertor& driver = quillmere_convertor::instance();
  control<QProgressBar>(id_bar)->setValue(static_cast<int>(conversion_percentage(driver)));
  if (driver.finished()) {
    shell().kill_timer();
    shell().select_page(&finish_);
  }
  control<QLabel>(id_status)->setText(QString::fromStdString(progress_status(driver.current_table())));
}

bool progress_page::on_cancel() {
  if (!wizard_page::on_cancel()) return false;
  if (worker_.is_running()) {
    TK_TRACE(2, "Stopping the conversion before the wizard closes");
    shell().set_closing();
    worker_.stop();
  }
  shell().kill_timer();
  return true;
}

void progress_page::driver_runnable::run() { quillmere_convertor::instance()(); }
