// animated_wait_dlg: the small modal "please wait" dialog with an animated
// icon, shown while a worker connects to the server or lists its
// databases, and the worker that closes it.
//
// The dialog has no buttons and cannot be closed by the user: the worker
// closes it when its work is done (close_from_worker), also when it
// finishes before the dialog is shown, in which case run() returns at
// once.  Every interval the icon shows the next of its eight frames.
//
// Thread-safety: a window-thread object, except close_from_worker(),
// which the worker calls.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <array>
#include <atomic>
#include <functional>

#include "TK/tk_thread.h"

class QLabel;
class QTimer;

inline constexpr char wait_msg_connecting[] = "Connecting to MS SQL server. Please wait...";
inline constexpr int wait_frame_count = 8;

class animated_wait_dlg : public QDialog {
 public:
  // Template 101: the icon 1301 and the text "Connecting to MS SQL
  // server. Please wait...".
  animated_wait_dlg(QWidget* parent, int interval_ms = 500);

  // Replaces the template's text (optional).
  void set_text(const QString& text);

  // Makes the dialog ready for a new worker.  Call before starting it.
  void arm();
  // Shows the dialog modally until the worker closes it; returns at once
  // when it already has.
  int run();
  // The worker's last step.  Any thread.
  void close_from_worker();

  int current_frame() const { return frame_; }

 protected:
  void reject() override {}  // the user cannot close it
  void showEvent(QShowEvent* event) override;

 private:
  void next_frame();

  QLabel* icon_;
  QLabel* text_;
  QTimer* timer_;
  std::array<QPixmap, wait_frame_count> frames_;
  int frame_ = 0;
  std::atomic<bool> done_{false};
  std::atomic<unsigned> generation_{0};
};

// The worker of a page: runs `work` on its own thread while the page's
// wait dialog turns, then closes the dialog.
class wait_worker : public tk_thread {
 public:
  explicit wait_worker(animated_wait_dlg& dialog) : dialog_(dialog) {}
  ~wait_worker() override { stop(); }

  // Starts `work` on the worker, shows the dialog until the work is done
  // and waits for the worker to end.  REQUIRES: on the window thread.
  void run_with_dialog(std::function<void()> work);

 protected:
  void run() override;

 private:
  animated_wait_dlg& dialog_;
  std::function<void()> work_;
};
