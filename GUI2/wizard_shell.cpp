#include "GUI2/wizard_shell.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include "GUI2/gui_thread.h"
#include "GUI2/wizard_page.h"
#include "TK/tk_exception.h"
#include "TK/tk_file.h"
#include "TK/tk_trace.h"

namespace {

constexpr char msg_no_help[] = "Help file does not exist. Reinstall the program.";

// The help file beside the program: its path with the extension ".help".
std::string default_help_file() {
  tk_path_parts parts = tk_split_path(tk_get_module_path());
  return parts.drive + parts.dir + parts.name + ".help";
}

QWizard::WizardButton wizard_button(int control_id) {
  switch (control_id) {
    case wiz_button_cancel: return QWizard::CancelButton;
    case wiz_button_help: return QWizard::HelpButton;
    case wiz_button_back: return QWizard::BackButton;
    case wiz_button_next: return QWizard::NextButton;
    case wiz_button_finish: return QWizard::FinishButton;
  }
  TK_ASSERT(false);
  return QWizard::CancelButton;
}

// A worker's box is not shown once the wizard closes under it.
bool wizard_closing() {
  wizard_shell* shell = wizard_shell::instance_ptr();
  return shell != nullptr && shell->closing();
}

// Shows one box on the window thread: the answer button, or `fallback`
// when it was not shown.
QMessageBox::StandardButton show_box(QMessageBox::Icon icon, const char* kind, const std::string& text,
                                     QMessageBox::StandardButtons buttons, QMessageBox::StandardButton fallback) {
  TK_TRACE(3, "%s", text.c_str());
  std::function<QMessageBox::StandardButton()> work = [=] {
    QMessageBox box(icon, QString::fromStdString(wiz_caption(kind)), QString::fromStdString(text), buttons,
                    wizard_shell::instance_ptr());
    if (buttons & QMessageBox::No) box.setDefaultButton(QMessageBox::No);
    return static_cast<QMessageBox::StandardButton>(box.exec());
  };
  return ask_on_main_thread(std::move(work), fallback, wizard_closing);
}

}  // namespace

wizard_shell::wizard_shell(std::string title, QWidget* parent)
    : QWizard(parent), title_(std::move(title)), help_file_(default_help_file()), timer_(new QTimer(this)) {
  setWizardStyle(QWizard::ModernStyle);
  setOptions(QWizard::HaveHelpButton | QWizard::NoBackButtonOnStartPage);
  setPixmap(QWizard::LogoPixmap, QPixmap(":/art/header.png"));
  url_opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  connect(this, &QWizard::currentIdChanged, this, [this](int id) { on_page_changed(id); });
  connect(this, &QWizard::helpRequested, this, [this] {
    if (wizard_page* page = current_wizard_page()) page->on_help();
  });
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, [this] {
    if (button(QWizard::HelpButton)->isEnabled()) emit helpRequested();
  });
  connect(timer_, &QTimer::timeout, this, [this] { on_tick(); });
}

wizard_shell::~wizard_shell() { kill_timer(); }

void wizard_shell::add_page(wizard_page* page) {
  pages_.push_back(page);
  setPage(static_cast<int>(pages_.size()) - 1, page);
}

wizard_page* wizard_shell::page_of(int id) const {
  if (id < 0 || id >= static_cast<int>(pages_.size())) return nullptr;
  return pages_[static_cast<std::size_t>(id)];
}

int wizard_shell::run() { return exec(); }

void wizard_shell::first_show() {
  if (shown_) return;
  shown_ = true;
  setWindowTitle(QString::fromStdString(title_));
  setWindowIcon(QIcon(":/art/icon.png"));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame({}, sizeHint());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void wizard_shell::set_timer(int interval_ms) {
  TK_TRACE(1, "wizard_shell::set_timer(%d)", interval_ms);
  TK_ASSERT(on_main_thread() && !timer_->isActive());
  timer_->start(interval_ms);
}

void wizard_shell::kill_timer() {
  if (timer_->isActive()) timer_->stop();
}

bool wizard_shell::timer_running() const { return timer_->isActive(); }

void wizard_shell::on_tick() {
  if (wizard_page* page = current_wizard_page()) page->on_timer();
}

void wizard_shell::enable_button(int control_id, bool enable) {
  TK_TRACE(1, "wizard_shell::enable_button(%08X)", static_cast<unsigned>(control_id));
  button(wizard_button(control_id))->setEnabled(enable);
}

void wizard_shell::set_wiz_buttons(unsigned flags) {
  button(QWizard::BackButton)->setEnabled((flags & wiz_back) != 0);
  button(QWizard::NextButton)->setEnabled((flags & wiz_next) != 0);
  button(QWizard::FinishButton)->setEnabled((flags & wiz_finish) != 0);
}

void wizard_shell::select_page(const wizard_page* page) {
  while (currentPage() != page && nextId() != -1) next();
}

void wizard_shell::display_help() { display_help(0); }

void wizard_shell::display_help(int topic) {
  std::string page = help_file_ + "/" + (topic == 0 ? std::string("index") : std::to_string(topic)) + ".html";
  if (!tk_is_file_exist(page)) {
    show_error(msg_no_help);
    return;
  }
  open_url(QUrl::fromLocalFile(QString::fromStdString(page)));
}

bool wizard_shell::open_url(const QUrl& url) {
  TK_TRACE(2, "open %s", url.toString().toStdString().c_str());
  return url_opener_ && url_opener_(url);
}

void wizard_shell::append_error(const std::string& text) {
  std::lock_guard<std::mutex> hold(errors_lock_);
  if (errors_.size() < wiz_max_errors) errors_.push_back(text);
}

std::vector<std::string> wizard_shell::errors() const {
  std::lock_guard<std::mutex> hold(errors_lock_);
  return errors_;
}

void wizard_shell::on_page_changed(int id) {
  wizard_page* page = page_of(id);
  if (page == nullptr) return;
  first_show();
  page->activate();
}

bool wizard_shell::validateCurrentPage() {
  wizard_page* page = current_wizard_page();
  return page == nullptr || page->on_next() == 0;
}

// Qt tells the page being left by Back here.
void wizard_shell::cleanupPage(int id) {
  if (wizard_page* page = page_of(id)) page->on_back();
}

void wizard_shell::reject() {
  wizard_page* page = current_wizard_page();
  if (page != nullptr && !page->on_cancel()) return;
  QWizard::reject();
}

std::string wiz_caption(const char* kind) {
  wizard_shell* shell = wizard_shell::instance_ptr();
  return shell == nullptr ? std::string(kind) : shell->title() + " " + kind;
}

void show_error(const std::string& text) {
  show_box(QMessageBox::Critical, "Error", text, QMessageBox::Ok, QMessageBox::Ok);
}

void show_message(const std::string& text) {
  show_box(QMessageBox::Information, "Message", text, QMessageBox::Ok, QMessageBox::Ok);
}

bool ask_question(const std::string& text) {
  return show_box(QMessageBox::Question, "Question", text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}
