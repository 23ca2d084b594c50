// progress_page: "Step 4 of 4", the conversion itself (template 106).
// Activation disables Back, Next and Finish and starts the driver on the
// page's worker; the driver starts the shell's 200 ms timer, on whose
// ticks the page shows the percentage (bar 1321) and "Processing table
// '%s'" (status line 1323), and moves to the finish page once the driver
// has finished.
//
// Cancel while the run goes on asks "Are you sure you want to exit the
// wizard?"; Yes stops the run cooperatively (between records) and waits
// for it before the window closes, so the destination is left whole.
// Thread-safety: window-thread object; the driver runs on its worker.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"
#include "TK/tk_thread.h"

class gui_finish_page;

// The status line for the table being converted: "Processing table '%s'",
// or empty before the first table.
std::string progress_status(const std::string& table);

class progress_page : public wizard_page {
 public:
  // `finish` is the page shown when the run has finished.
  explicit progress_page(const gui_finish_page& finish);
  ~progress_page() override;

  bool page_init() override;
  void on_timer() override;
  bool on_cancel() override;

  bool running() const { return worker_.is_running(); }

 private:
  // Runs the conversion driver (the single instance, not owned).
  class driver_runnable : public tk_runnable {
   public:
    void run() override;
  };
  class driver_thread : public tk_thread {
   public:
    ~driver_thread() override { stop(); }
    tk_runnable* make_runnable() override { return &runnable_; }

   private:
    driver_runnable runnable_;
  };

  const gui_finish_page& finish_;
  driver_thread worker_;
};
