// ole_com_ptr<T>: the owner of one reference to a COM interface. Every COM
// interface pointer of the system is held in one; it releases its
// reference when destroyed, tracing how many references remain.
//
// Not copyable (it owns a reference); movable. Thread-safety: one owner
// thread, like the interface it holds.
#pragma once

#include <utility>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/unknown.h"

template <class T>
class ole_com_ptr {
 public:
  ole_com_ptr() = default;
  // Takes over one reference the caller already holds (no AddRef).
  explicit ole_com_ptr(T* pointer) : p_(pointer) {}
  ole_com_ptr(ole_com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ole_com_ptr& operator=(ole_com_ptr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ole_com_ptr(const ole_com_ptr&) = delete;
  ole_com_ptr& operator=(const ole_com_ptr&) = delete;
  virtual ~ole_com_ptr() { release_held(); }

  // The interface. REQUIRES: not empty (else tk_mail_assertion).
  T* operator->() const {
    TK_ASSERT(p_ != nullptr);
    return p_;
  }
  T& operator*() const {
    TK_ASSERT(p_ != nullptr);
    return *p_;
  }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Releases the held reference and takes over `pointer`'s (no AddRef).
  void reset(T* pointer = nullptr) {
    release_held();
    p_ = pointer;
  }
  // Gives up the reference without releasing it; the caller owns it now.
  T* detach() { return std::exchange(p_, nullptr); }
  // For out-parameters: releases the held reference and gives the address
  // of the now empty pointer, which the callee fills with a new reference.
  T** address() {
    reset();
    return &p_;
  }

 private:
  void release_held() {
    if (p_ == nullptr) return;
    ULONG left = std::exchange(p_, nullptr)->Release();
    TK_TRACE(1, "ole_com_ptr<T>::~ole_com_ptr() - %d refs left", static_cast<int>(left));
  }

  T* p_ = nullptr;
};
