// The single-instance pattern of the process-wide objects (the wizard shell,
// the conversion driver, the error handler, the database engines, the trace
// sink): derive as `class x : public tk_single_instance<x>`.
//
// Constructing a second instance while one exists, or asking for the
// instance when there is none, raises tk_mail_assertion.
// Thread-safety: the registration pointer is atomic; instance_ptr() may be
// called from any thread, construction and destruction belong to one.
#pragma once

#include <atomic>

#include "TK/tk_exception.h"

template <class T>
class tk_single_instance {
 public:
  tk_single_instance(const tk_single_instance&) = delete;
  tk_single_instance& operator=(const tk_single_instance&) = delete;

  // The registered instance.  REQUIRES: one exists (else tk_mail_assertion).
  static T& instance() {
    tk_single_instance* registered = s_instance.load(std::memory_order_acquire);
    TK_ASSERT(registered != nullptr);
    return *static_cast<T*>(registered);
  }

  // The registered instance, or null: a pointer test for callers that may
  // run without one.
  static T* instance_ptr() noexcept {
    return static_cast<T*>(s_instance.load(std::memory_order_acquire));
  }

 protected:
  tk_single_instance() {
    tk_single_instance* expected = nullptr;
    bool registered = s_instance.compare_exchange_strong(expected, this, std::memory_order_acq_rel);
    TK_ASSERT(registered);
  }

  // Only a registered object can be destroyed (a failed construction never
  // reaches here), so the pointer is this object's.
  ~tk_single_instance() { s_instance.store(nullptr, std::memory_order_release); }

 private:
  // The base pointer is kept rather than T*: the derived object does not
  // exist yet while this base is constructed.
  static inline std::atomic<tk_single_instance*> s_instance{nullptr};
};
