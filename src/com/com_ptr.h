// The one smart pointer for COM interfaces in the Windows code and its tests: it owns one reference,
// releases it once, and hands out the address of its pointer only after letting go of what it
// held, so no code path releases by hand.
#pragma once

#include <unknwn.h>

#include <utility>

namespace bellnest::com {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& other) {
    ComPtr(other).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Adopts a reference the caller already owns (a fresh object, an out parameter).
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives the reference to the caller (for an out parameter of a COM method).
  T* Detach() { return std::exchange(p_, nullptr); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held first.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // QueryInterface into another pointer; empty on failure. The IID is named at the call:
  // the interfaces come from widl headers and Outlook's type library, not from __uuidof.
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>& out) const {
    out.Reset();
    return p_ ? p_->QueryInterface(iid, out.PutVoid()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace bellnest::com
