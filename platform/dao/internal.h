// What the DAO objects over the Jet engine share: the engine's error
// record, the open file, a reference holder, and argument helpers.
// Internal to platform/dao.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "jet/database.h"
#include "platform/dao/dao.h"

namespace dao_impl {

// The engine's Errors collection: the last failure's number and text.
struct error_record {
  LONG number = 0;
  std::string description;
};
using error_sink = std::shared_ptr<error_record>;

// Records a failure and answers its status code (DAO's: 0x800A0000 plus
// the number). An empty description takes the engine's text for the number.
HRESULT fail(const error_sink& errors, LONG number, std::string description = std::string());
// The engine's text for a DAO error number, or empty.
std::string error_text(LONG number);

// Runs `body` (which answers a status code) and turns any exception it
// throws into a recorded failure: a jet::Error by its Jet number (or its
// kind), anything else as a general engine failure. So no failure leaves
// the Errors collection unset.
template <class Body>
HRESULT guard(const error_sink& errors, Body&& body) noexcept;
HRESULT fail_from_current_exception(const error_sink& errors) noexcept;

template <class Body>
HRESULT guard(const error_sink& errors, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fail_from_current_exception(errors);
  }
}

// One reference to a COM object; releases it when destroyed.
template <class T>
class ref {
 public:
  ref() = default;
  explicit ref(T* p) : p_(p) {}  // takes over a reference
  ref(const ref& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  template <class U>
  ref(const ref<U>& other) : p_(other.get()) {
    if (p_) p_->AddRef();
  }
  ref& operator=(ref other) {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ref() {
    if (p_) p_->Release();
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // A new reference for an out-parameter.
  template <class I>
  HRESULT hand_out(I** out) const {
    if (out == nullptr) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

 private:
  T* p_ = nullptr;
};

template <class T, class... Args>
ref<T> make(Args&&... args) {
  return ref<T>(new T(std::forward<Args>(args)...));
}

// The open database file and what the engine knows about it. It holds a
// reference to its engine, as every DAO object does, so that the engine
// lives while anything taken from it does.
struct file_state {
  file_state(jet::Database opened, bool read_only_, error_sink sink, IUnknown* engine_)
      : db(std::move(opened)), read_only(read_only_), errors(std::move(sink)), engine(engine_) {
    engine->AddRef();
  }
  ~file_state() { engine->Release(); }
  file_state(const file_state&) = delete;
  file_state& operator=(const file_state&) = delete;
  jet::Database db;
  bool read_only;
  error_sink errors;
  IUnknown* engine;
  bool closed = false;
  bool jet3() const { return db.version() == jet::JetVersion::jet3; }
  // A name or text as this file stores it: a Jet 3 file holds code page
  // 1252, other characters becoming '?'.
  std::string stored(const std::string& text) const;
};
using file_ref = std::shared_ptr<file_state>;

// Argument readers. An argument of the wrong kind answers false.
bool text_arg(const VARIANT& v, std::string& out);      // VT_BSTR (empty: VT_EMPTY)
bool long_arg(const VARIANT& v, LONG& out);             // any number
bool bool_arg(const VARIANT& v, bool fallback, bool& out);  // VT_EMPTY: fallback
// A collection index: a position (number) or a name (text).
struct item_key {
  bool by_name = false;
  LONG position = 0;
  std::string name;
};
bool key_arg(const VARIANT& v, item_key& out);

BSTR make_bstr(const std::string& text);
VARIANT_BOOL vbool(bool value);
// True when `a` and `b` are equal with ASCII letter case ignored.
bool same_name(const std::string& a, const std::string& b);

}  // namespace dao_impl
