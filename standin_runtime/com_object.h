// TComObject: reference counting and QueryInterface for the runtime's COM objects, which are
// written by hand. Every live object keeps the module loaded (DllCanUnloadNow).
#pragma once

#include <unknwn.h>

#include <atomic>
#include <tuple>

#include "runtime_module.h"

namespace standin {

// Answers IUnknown and each of Interfaces by its __uuidof. The count starts at 1, held by
// whoever created the object. Interfaces have no virtual destructor; objects are deleted only
// here, through their own virtual one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class... Interfaces>
class TComObject : public Interfaces... {
  using TFirst = std::tuple_element_t<0, std::tuple<Interfaces...>>;

 public:
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(static_cast<TFirst*>(this));
    } else {
      ((iid == __uuidof(Interfaces) ? (*out = static_cast<Interfaces*>(this), true) : false) || ...);
    }
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  // A reference for someone who found the object through a plain pointer (a list of live
  // objects): none when its last reference is already going.
  bool TryAddRef() noexcept {
    ULONG count = references_.load();
    while (count != 0) {
      if (references_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
  }

 protected:
  TComObject() noexcept { AddModuleReference(); }
  virtual ~TComObject() { ReleaseModuleReference(); }

 private:
  std::atomic<ULONG> references_{1};
};
#pragma GCC diagnostic pop

// A counted reference: AddRef when it takes a pointer, Release when it lets go.
template <class T>
class TComRef {
 public:
  TComRef() noexcept = default;
  ~TComRef() { Reset(nullptr); }
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;

  void Reset(T* other) noexcept {
    if (other) other->AddRef();
    T* old = pointer_;
    pointer_ = other;
    if (old) old->Release();
  }
  T* Get() const noexcept { return pointer_; }
  // Lets go of the current pointer and hands out the slot for a call to fill (counted already).
  T** Put() noexcept {
    Reset(nullptr);
    return &pointer_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
  // Takes over a reference already counted for it.
  void Attach(T* other) noexcept {
    T* old = pointer_;
    pointer_ = other;
    if (old) old->Release();
  }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  T* operator->() const noexcept { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

}  // namespace standin
