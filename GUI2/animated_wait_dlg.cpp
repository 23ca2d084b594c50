#include "GUI2/animated_wait_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QTimer>

#include "TK/tk_trace.h"

animated_wait_dlg::animated_wait_dlg(QWidget* parent, int interval_ms)
    : QDialog(parent), icon_(new QLabel(this)), text_(new QLabel(wait_msg_connecting, this)), timer_(new QTimer(this)) {
  setObjectName("dialog_101");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(parent != nullptr ? parent->windowTitle() : QString());
  icon_->setObjectName("1301");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(18, 14, 22, 14);
  layout->setSpacing(14);
  layout->addWidget(icon_);
  layout->addWidget(text_);
  for (int i = 0; i < wait_frame_count; ++i) frames_[static_cast<std::size_t>(i)] = QPixmap(QString(":/art/frame%1.png").arg(i));
  timer_->setInterval(interval_ms);
  connect(timer_, &QTimer::timeout, this, [this] { next_frame(); });
  setModal(true);
}

void animated_wait_dlg::set_text(const QString& text) { text_->setText(text); }

void animated_wait_dlg::arm() {
  ++generation_;
  done_.store(false);
}

int animated_wait_dlg::run() {
  if (done_.load()) return 0;
  return exec();
}

void animated_wait_dlg::close_from_worker() {
  done_.store(true);
  unsigned generation = generation_.load();
  QMetaObject::invokeMethod(
      this,
      [this, generation] {
        if (generation != generation_.load()) return;  // a later worker's dialog
        timer_->stop();
        if (isVisible()) done(0);
      },
      Qt::QueuedConnection);
}

void animated_wait_dlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  frame_ = 0;
  icon_->setPixmap(frames_[0]);
  timer_->start();
  if (parentWidget() != nullptr) {
    QRect box({}, size());
    box.moveCenter(parentWidget()->geometry().center());
    move(box.topLeft());
  }
  raise();
}

void animated_wait_dlg::next_frame() {
  frame_ = (frame_ + 1) % wait_frame_count;
  icon_->setPixmap(frames_[static_cast<std::size_t>(frame_)]);
}

void wait_worker::run_with_dialog(std::function<void()> work) {
  work_ = std::move(work);
  dialog_.arm();
  if (!start()) {
    TK_TRACE(2, "The worker thread could not be started");
    work_();  // the work still has to be done; the dialog is not needed
    return;
  }
  dialog_.run();
  stop();  // the worker is past its last step: this only joins it
}

void wait_worker::run() {
  work_();
  dialog_.close_from_worker();
}
