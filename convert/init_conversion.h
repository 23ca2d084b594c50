// init_conversion: the guard that brackets one conversion run.
//
// Construction writes the start line to the trace and tells the front end
// that a run starts (the wizard starts its progress timer); destruction
// writes the end line and sets the driver's finished flag, however the run
// ended.  The driver creates it first and destroys it last.
//
// Thread-safety: created and destroyed on the thread that runs the
// conversion; the finished flag is atomic so that other threads may poll it.
#pragma once

#include <atomic>

#include "convert/conversion_front_end.h"

class init_conversion {
 public:
  // `finished` and `front_end` must outlive the guard.
  init_conversion(std::atomic<bool>& finished, conversion_front_end& front_end);
  ~init_conversion();

  init_conversion(const init_conversion&) = delete;
  init_conversion& operator=(const init_conversion&) = delete;

 private:
  std::atomic<bool>& finished_;
};
