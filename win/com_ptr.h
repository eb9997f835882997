// TComPtr: an owning COM interface pointer (one reference, released on destruction).
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace leafmark::com {

template <class T>
class TComPtr {
 public:
  TComPtr() noexcept = default;
  TComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference of its own.
  explicit TComPtr(T* object) noexcept : object_(object) { AddRefObject(); }
  TComPtr(const TComPtr& other) noexcept : object_(other.object_) { AddRefObject(); }
  TComPtr(TComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ~TComPtr() { Reset(); }

  TComPtr& operator=(const TComPtr& other) noexcept {
    TComPtr(other).Swap(*this);
    return *this;
  }
  TComPtr& operator=(TComPtr&& other) noexcept {
    TComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  TComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  // Adopts a reference that the caller already owns.
  static TComPtr Attach(T* object) noexcept {
    TComPtr result;
    result.object_ = object;
    return result;
  }
  // Gives up the reference without releasing it.
  T* Detach() noexcept { return std::exchange(object_, nullptr); }

  void Reset() noexcept {
    if (T* old = std::exchange(object_, nullptr)) old->Release();
  }
  // For out-arguments: releases the current object first.
  T** Put() noexcept {
    Reset();
    return &object_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

  T* Get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  T& operator*() const noexcept { return *object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // A new reference for an out-argument (which may be null: then nothing is handed out).
  void CopyTo(T** out) const noexcept {
    if (!out) return;
    *out = object_;
    if (object_) object_->AddRef();
  }

  template <class U>
  TComPtr<U> As() const noexcept {
    TComPtr<U> result;
    if (object_) object_->QueryInterface(__uuidof(U), result.PutVoid());
    return result;
  }

  void Swap(TComPtr& other) noexcept { std::swap(object_, other.object_); }

  friend bool operator==(const TComPtr& a, const TComPtr& b) noexcept {
    return a.object_ == b.object_;
  }

 private:
  void AddRefObject() noexcept {
    if (object_) object_->AddRef();
  }

  T* object_ = nullptr;
};

}  // namespace leafmark::com
